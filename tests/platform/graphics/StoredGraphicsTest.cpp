#include "platform/core/StoredForm.h"
#include "platform/graphics/BmpCodec.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Picture.h"
#include "tests/platform/graphics/PixelText.h"

#include <gtest/gtest.h>

namespace {

// A component that publishes the graphics objects the way controls do.
class TGraphicsHolder : public TComponent {
  BRIVO_CLASS(TGraphicsHolder, TComponent)

public:
  explicit TGraphicsHolder(TComponent* AOwner) : TComponent(AOwner) {}
  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { FColor = Value; }
  TFont* Font() { return &FFont; }
  TPicture* Picture() { return &FPicture; }
  TBitmap* Glyph() { return &FGlyph; }

private:
  TColor FColor = clWhite;
  TFont FFont;
  TPicture FPicture;
  TBitmap FGlyph;
};

}  // namespace

const TClassInfo& TGraphicsHolder::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TGraphicsHolder>()
                                     .Color("Color", &TGraphicsHolder::Color, &TGraphicsHolder::SetColor)
                                     .Object("Font", &TGraphicsHolder::Font)
                                     .Object("Picture", &TGraphicsHolder::Picture)
                                     .Object("Glyph", &TGraphicsHolder::Glyph)
                                     .Build();
  return Info;
}

namespace {

const TLegend Legend = {{clWhite, '.'}, {clRed, 'R'}, {clBlue, 'B'}};

TEST(StoredGraphics, FontsAndColoursAreReadByTheirNames) {
  TGraphicsHolder holder(nullptr);
  ReadStoredForm("object Holder1: TGraphicsHolder\n"
                 "  Color = clBtnFace\n"
                 "  Font.Charset = ANSI_CHARSET\n"
                 "  Font.Color = clNavy\n"
                 "  Font.Height = -16\n"
                 "  Font.Name = '新細明體'\n"
                 "  Font.Style = [fsBold]\n"
                 "end\n",
                 holder);
  EXPECT_EQ(holder.Color(), clBtnFace);
  EXPECT_EQ(holder.Font()->Charset(), ANSI_CHARSET);
  EXPECT_EQ(holder.Font()->Color(), clNavy);
  EXPECT_EQ(holder.Font()->Height(), -16);
  EXPECT_EQ(holder.Font()->Name(), "新細明體");
  EXPECT_EQ(holder.Font()->Style(), TFontStyles{fsBold});
}

TEST(StoredGraphics, WrittenPicturesAndFontsReadBackTheSame) {
  TGraphicsHolder original(nullptr);
  original.SetName("Holder1");
  original.SetColor(clCream);
  original.Font()->SetColor(clRed);
  original.Font()->SetStyle({fsUnderline});
  auto bitmap = BitmapFromRows({"RB.", "BRB"}, Legend);
  original.Picture()->Assign(bitmap.get());
  const std::string text = WriteStoredForm(original);
  EXPECT_NE(text.find("Color = clCream"), std::string::npos) << text;
  EXPECT_NE(text.find("Font.Color = clRed"), std::string::npos) << text;
  EXPECT_NE(text.find("Picture.Data = {"), std::string::npos) << text;

  TGraphicsHolder copy(nullptr);
  ReadStoredForm(text, copy);
  EXPECT_EQ(copy.Color(), clCream);
  EXPECT_TRUE(copy.Font()->SameAs(*original.Font()));
  EXPECT_EQ(PixelRows(copy.Picture()->Bitmap(), Legend), (std::vector<std::string>{"RB.", "BRB"}));
  EXPECT_EQ(WriteStoredForm(copy), text);
}

}  // namespace

TEST(StoredGraphics, PublishedBitmapIsKeptAsItsDataAndOmittedWhenEmpty) {
  TGraphicsHolder original(nullptr);
  original.SetName("Holder1");
  EXPECT_EQ(WriteStoredForm(original).find("Glyph"), std::string::npos);
  auto bitmap = BitmapFromRows({"BR", "R."}, Legend);
  original.Glyph()->Assign(*bitmap);
  const std::string text = WriteStoredForm(original);
  EXPECT_NE(text.find("Glyph.Data = {"), std::string::npos) << text;

  TGraphicsHolder copy(nullptr);
  ReadStoredForm(text, copy);
  EXPECT_EQ(PixelRows(*copy.Glyph(), Legend), (std::vector<std::string>{"BR", "R."}));
  EXPECT_EQ(WriteStoredForm(copy), text);
}

TEST(StoredGraphics, TruncatedBitmapDataIsRefusedWithItsFormat) {
  TBitmap bitmap;
  EXPECT_THROW(bitmap.SetData({0x10, 0x00, 0x00, 0x00, 'B', 'M'}), EInvalidGraphic);
  EXPECT_TRUE(bitmap.Empty());
}
