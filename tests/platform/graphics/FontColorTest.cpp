#include "platform/core/ClassInfo.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"

#include <gtest/gtest.h>

namespace {

TEST(Colours, SystemColoursResolveThroughTheTable) {
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
  EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
  EXPECT_EQ(ColorToRGB(clHighlight), RGB(10, 36, 106));
  EXPECT_EQ(ColorToRGB(clMenuText), clBlack);
  EXPECT_EQ(ColorToRGB(SystemColor(200)), clBlack);
  EXPECT_EQ(ColorToRGB(clNavy), clNavy);
}

TEST(Colours, HexValuesKeepBlueInTheHighByte) {
  EXPECT_EQ(GetBValue(0xC47339), 0xC4);
  EXPECT_EQ(GetGValue(0xC47339), 0x73);
  EXPECT_EQ(GetRValue(0xC47339), 0x39);
  EXPECT_EQ(ColorToPixel(0xC47339), 0x3973C4u);
  EXPECT_EQ(PixelToColor(0x3973C4u), 0xC47339);
}

TEST(Colours, NamesAreRegisteredForStoredForms) {
  EXPECT_EQ(IdentToInt(ColorIdentKind, "clBtnFace"), clBtnFace);
  EXPECT_EQ(IdentToInt(ColorIdentKind, "CLNAVY"), clNavy);
  EXPECT_EQ(IntToIdent(ColorIdentKind, clCream), "clCream");
  EXPECT_EQ(IntToIdent(ColorIdentKind, 0x123456), std::nullopt);
}

TEST(FontProperties, PublishedInTheClassLibrarysOrderWithNames) {
  TFont font;
  std::vector<std::string> names;
  for (const TPropInfo* p : font.ClassInfo().Properties())
    names.push_back(p->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Charset", "Color", "Height", "Name", "Size", "Style"}));
  SetOrdProp(font, "Color", clNavy);
  SetSetProp(font, "Style", "fsBold");
  SetStrProp(font, "Name", "新細明體");
  EXPECT_EQ(font.Color(), clNavy);
  EXPECT_TRUE(font.Style().Contains(fsBold));
  EXPECT_EQ(font.Name(), "新細明體");
  EXPECT_EQ(IdentToInt("TFontCharset", "ANSI_CHARSET"), 0);
  EXPECT_FALSE(IsStoredProp(font, *GetPropInfo(font, "Size")));
}

TEST(FontProperties, EveryChangeIsReportedOnceAndSameValuesAreNot) {
  TFont font;
  int changes = 0;
  font.OnChange = [&](TObject*) { ++changes; };
  font.SetHeight(-16);
  font.SetHeight(-16);
  font.SetStyle({fsBold, fsItalic});
  font.SetColor(clRed);
  font.SetCharset(CHINESEBIG5_CHARSET);
  font.SetName("Arial");
  font.SetName("");
  EXPECT_EQ(changes, 5);
}

TEST(FontProperties, AssignCopiesEverythingButTheHandler) {
  TFont a, b;
  a.SetName("Tahoma");
  a.SetHeight(-13);
  a.SetStyle({fsUnderline});
  a.SetColor(clCream);
  bool told = false;
  b.OnChange = [&](TObject*) { told = true; };
  b.Assign(&a);
  EXPECT_TRUE(b.SameAs(a));
  EXPECT_TRUE(told);
  EXPECT_FALSE(static_cast<bool>(a.OnChange));
}

TEST(FontProperties, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(MulDiv(-11, 72, 96), -8);
  EXPECT_EQ(MulDiv(5, 1, 0), -1);
}

}  // namespace
