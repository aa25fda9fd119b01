#include "skin/foundation/ZYKThemes.h"

#include "platform/core/Classes.h"
#include "platform/core/Resources.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpCodec.h"
#include "skin/foundation/ZYKPublic.h"
#include "tests/skin/foundation/StyleHolder.h"

#include <gtest/gtest.h>

#include <string>

static_assert(sizeof(TzykUIStyle) == 1, "the look is a one-byte enumeration");
static_assert(FromThemeFile == 0 && MacOS == 1 && WinXP == 2 && DeepBlue == 3 && Protein == 4 && BlueGlass == 5);

TEST(ElementTableTest, EveryKeyEndsInTheNameOfItsKind) {
  static const char* const Suffix[] = {"Int", "Color", "Image", "Bool"};
  for (int element = 1; element <= zykElementCount; ++element) {
    const TzykElementInfo& info = ElementInfo(element);
    const std::string suffix = Suffix[info.Kind];
    ASSERT_GE(info.Key.size(), suffix.size());
    EXPECT_EQ(info.Key.substr(info.Key.size() - suffix.size()), suffix) << element;
    EXPECT_EQ(FindElement(info.Key), element);
  }
}

TEST(ElementTableTest, NumbersMatchTheirKeys) {
  EXPECT_EQ(ElementInfo(1).Key, "ButtonImage");
  EXPECT_EQ(ElementInfo(zteTitleBarButtonImage).Key, "TitleBarButtonImage");
  EXPECT_EQ(ElementInfo(27).Key, "ControlFontColor");
  EXPECT_EQ(ElementInfo(zteScrollBarSliderImage).Key, "ScrollBarSliderImage");
  EXPECT_EQ(ElementInfo(42).Key, "SideChannelBarImage");
  EXPECT_EQ(FindElement("formbordercolor"), 16);
  EXPECT_EQ(FindElement("NoSuchKey"), 0);
  EXPECT_THROW(ElementInfo(0), std::out_of_range);
  EXPECT_THROW(ElementInfo(43), std::out_of_range);
}

TEST(BuiltInValueTest, IntegersColoursAndFlagsOfTheLooks) {
  EXPECT_EQ(GetBuiltInInt(WinXP, 14), 13);
  EXPECT_EQ(GetBuiltInInt(MacOS, 8), -2);
  EXPECT_EQ(GetBuiltInInt(BlueGlass, 13), 270);
  EXPECT_EQ(GetBuiltInInt(BlueGlass, 9), 6);
  EXPECT_EQ(GetBuiltInColor(WinXP, 16), 0xC82C00);
  EXPECT_EQ(GetBuiltInColor(MacOS, 21), 0);
  EXPECT_EQ(GetBuiltInColor(Protein, 15), 0xFBFBFB);
  EXPECT_EQ(GetBuiltInColor(WinXP, 27), 0xCF4602);
  EXPECT_EQ(GetBuiltInColor(DeepBlue, 37), 0xD8D8D8);
  EXPECT_TRUE(GetBuiltInBool(Protein, 6));
  EXPECT_FALSE(GetBuiltInBool(Protein, 2));
  EXPECT_TRUE(GetBuiltInBool(MacOS, 2));
  EXPECT_FALSE(GetBuiltInBool(MacOS, 6));
}

TEST(BuiltInValueTest, AGetterOfAnotherKindGivesItsNeutralValue) {
  EXPECT_EQ(GetBuiltInInt(DeepBlue, 1), -1);
  EXPECT_EQ(GetBuiltInColor(DeepBlue, 7), 0);
  EXPECT_FALSE(GetBuiltInBool(MacOS, 7));
  EXPECT_EQ(GetBuiltInInt(MacOS, 2), -1);
}

TEST(BuiltInValueTest, FromThemeFileAndUnknownLooksAndElementsAreNeutral) {
  for (const auto style : {FromThemeFile, static_cast<TzykUIStyle>(6), static_cast<TzykUIStyle>(255)}) {
    const TzykBuiltInValue value = GetBuiltInValue(style, 14);
    EXPECT_EQ(value.Kind, zvkInt);
    EXPECT_EQ(value.Value, -1);
    EXPECT_EQ(GetBuiltInInt(style, 14), -1);
    EXPECT_EQ(GetBuiltInColor(style, 15), 0);
    EXPECT_FALSE(GetBuiltInBool(style, 2));
  }
  EXPECT_EQ(GetBuiltInValue(MacOS, 0).Value, -1);
  EXPECT_EQ(GetBuiltInValue(MacOS, 43).Value, -1);
}

TEST(BuiltInValueTest, PictureValuesNameTheResource) {
  EXPECT_EQ(GetBuiltInValue(WinXP, 32).Kind, zvkImage);
  EXPECT_EQ(GetBuiltInValue(WinXP, 32).Resource, "WINXP_SCROLLBAR_BUTTON");
  EXPECT_EQ(GetBuiltInValue(BlueGlass, 42).Resource, "BLUEGLASS_SIDECHENNEL_BAR");
  EXPECT_EQ(GetBuiltInValue(MacOS, 10).Resource, "MACOS_TITLE_LEFT");
  EXPECT_EQ(GetBuiltInValue(MacOS, 38).Resource, "MACOS_SCROLLBUTTON");
  EXPECT_EQ(GetBuiltInValue(WinXP, 38).Resource, "WINXP_SCROLLBUTTON");
  for (const auto style : {DeepBlue, Protein, BlueGlass})
    EXPECT_EQ(GetBuiltInValue(style, 38).Resource, "MORE_SCROLLBUTTON");
}

class BuiltInBitmapTest : public ::testing::Test {
protected:
  TBitmap B;
};

TEST_F(BuiltInBitmapTest, FrameTenOfTheWinXPTitleButtons) {
  GetBuiltInBitmap(WinXP, 5, &B, 18, 10);
  ASSERT_EQ(B.Width(), 21);
  ASSERT_EQ(B.Height(), 21);
  TBitmap whole;
  LoadBuiltInBitmap(WinXP, 5, &whole);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x)
      ASSERT_EQ(B.Pixels().At(x, y), whole.Pixels().At(189 + x, y));
}

TEST_F(BuiltInBitmapTest, FrameCountZeroLoadsTheWholePicture) {
  GetBuiltInBitmap(DeepBlue, 38, &B, 0, 0);
  TBitmap shared;
  LoadBitmapResource(shared, "MORE_SCROLLBUTTON");
  EXPECT_EQ(B.Width(), 72);
  EXPECT_EQ(B.Height(), 17);
  EXPECT_EQ(B.Pixels(), shared.Pixels());
}

// The pictures are decoded once and kept: what a component does to its copy stays its own, and a
// load is the file's pixels, depth and colour table, as reading the file itself gives them.
TEST_F(BuiltInBitmapTest, EachLoadIsAFreshCopyOfTheFile) {
  LoadBitmapResource(B, "MACOS_TITLE_LEFT");
  TBitmap fromFile;
  fromFile.LoadFromBytes(FindResource("MACOS_TITLE_LEFT", TResourceType::Bitmap));
  EXPECT_EQ(B.Pixels(), fromFile.Pixels());
  EXPECT_EQ(B.PixelFormat(), fromFile.PixelFormat());
  B.Canvas().SetPixel(0, 0, clRed);
  B.SetWidth(1);
  TBitmap again;
  LoadBitmapResource(again, "macos_title_left");
  EXPECT_EQ(again.Pixels(), fromFile.Pixels()) << "a change to one copy reached the next";
  TBitmap frame;
  GetBuiltInBitmap(MacOS, zteTitleBarLeftImage, &frame, 1, 1);
  EXPECT_EQ(frame.Pixels(), fromFile.Pixels());
}

TEST_F(BuiltInBitmapTest, ALoadKeepsTheBitmapsOwnTransparency) {
  B.SetTransparent(true);
  B.SetTransparentColor(clFuchsia);
  int changes = 0;
  B.OnChange = [&](TObject*) { ++changes; };
  LoadBuiltInBitmap(WinXP, zteButtonImage, &B);
  EXPECT_TRUE(B.Transparent());
  EXPECT_EQ(B.TransparentMode(), tmFixed);
  EXPECT_EQ(B.TransparentColor(), clFuchsia);
  EXPECT_EQ(changes, 1) << "one change, as loading a file makes";
}

TEST_F(BuiltInBitmapTest, NonPictureElementsAndFromThemeFileLeaveTheBitmapAlone) {
  B.SetSize(5, 4);
  B.Canvas().Brush().SetColor(clRed);
  B.Canvas().FillRect(Rect(0, 0, 5, 4));
  const TPixelBuffer before = B.Pixels();
  GetBuiltInBitmap(FromThemeFile, 1, &B, 3, 1);
  GetBuiltInBitmap(FromThemeFile, 1, &B, 0, 0);
  GetBuiltInBitmap(MacOS, 14, &B, 3, 1);
  LoadBuiltInBitmap(WinXP, 16, &B);
  EXPECT_EQ(B.Pixels(), before);
}

TEST_F(BuiltInBitmapTest, NoBitmapIsNoOperation) {
  GetBuiltInBitmap(MacOS, 1, nullptr, 3, 1);
  LoadBuiltInBitmap(MacOS, 1, nullptr);
  SUCCEED();
}

TEST_F(BuiltInBitmapTest, ButtonFramesOfEveryLook) {
  const struct {
    TzykUIStyle Style;
    int Width, Height;
  } frames[] = {{MacOS, 84, 23}, {WinXP, 18, 21}, {DeepBlue, 74, 21}, {Protein, 74, 21}, {BlueGlass, 77, 27}};
  for (const auto& f : frames) {
    GetBuiltInBitmap(f.Style, zteButtonImage, &B, 3, 2);
    EXPECT_EQ(B.Width(), f.Width) << f.Style;
    EXPECT_EQ(B.Height(), f.Height) << f.Style;
  }
}

TEST(UIStyleNamesTest, StoredFormsReadAndWriteTheLooksByName) {
  TStyleHolder holder(nullptr);
  SetEnumProp(holder, "UIStyle", "MacOS");
  EXPECT_EQ(holder.UIStyle(), MacOS);
  SetEnumProp(holder, "UIStyle", "blueglass");
  EXPECT_EQ(holder.UIStyle(), BlueGlass);
  holder.SetUIStyle(FromThemeFile);
  EXPECT_EQ(GetEnumProp(holder, "UIStyle"), "FromThemeFile");
  EXPECT_THROW(SetEnumProp(holder, "UIStyle", "Aqua"), Exception);
  EXPECT_EQ(TzykUIStyleInfo().Count(), 6);
  EXPECT_EQ(TzykUIStyleInfo().Name(DeepBlue), "DeepBlue");
}
