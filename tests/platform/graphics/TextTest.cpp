#include "platform/graphics/Bitmap.h"
#include "platform/graphics/TextEngine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The faces each text engine ends up with. FreeType asks fontconfig for the faces the setup installs
// in place of the design's; GDI has the design's faces natively (the CJK caption face among them),
// and a Windows machine has its symbols in a face of their own.
#ifdef _WIN32
const std::string CaptionFamily = "新細明體";
const std::string SymbolFamily = "Segoe UI Symbol";
#else
const std::string CaptionFamily = "AR PL UMing TW";
const std::string SymbolFamily = "DejaVu";
#endif

#ifdef _WIN32
// GDI's table: only the bitmap faces are replaced, by the outline faces that took their place.
TEST(FontSubstitution, BitmapFacesOfThePlatformMapToOutlineFaces) {
  EXPECT_EQ(SubstituteFontName("ms sans serif").front(), "Microsoft Sans Serif");
  EXPECT_EQ(SubstituteFontName("MS Shell Dlg 2").front(), "Tahoma");
  EXPECT_EQ(SubstituteFontName("新細明體"), std::vector<std::string>{"新細明體"});
  EXPECT_EQ(SubstituteFontName("Tahoma"), std::vector<std::string>{"Tahoma"});
}
#else
// FreeType's table: every face of the original platform maps to a face the setup installs.
TEST(FontSubstitution, NamesOfTheOriginalPlatformMapToInstalledFaces) {
  EXPECT_EQ(SubstituteFontName("新細明體").front(), "AR PL UMing TW");
  EXPECT_EQ(SubstituteFontName("MS Sans Serif").front(), "Liberation Sans");
  EXPECT_EQ(SubstituteFontName("tahoma").front(), "Liberation Sans");
  EXPECT_EQ(SubstituteFontName("Arial").back(), "DejaVu Sans");
  EXPECT_EQ(SubstituteFontName("DejaVu Serif"), std::vector<std::string>{"DejaVu Serif"});
}
#endif

TEST(Utf8, DecodesAndEncodesEveryLength) {
  const std::string text = "a\xC3\xA9\xE8\x9E\xA2\xF0\x9F\x98\x80";  // a, é, 螢, an emoji
  EXPECT_EQ(DecodeUtf8(text), (std::u32string{U'a', U'é', U'螢', U'\U0001F600'}));
  EXPECT_EQ(EncodeUtf8(DecodeUtf8(text)), text);
}

TEST(Utf8, MalformedBytesBecomeReplacementCharacters) {
  EXPECT_EQ(DecodeUtf8("\xFF" "a"), (std::u32string{0xFFFD, U'a'}));
  EXPECT_EQ(DecodeUtf8("\xE8\x9E"), (std::u32string{0xFFFD, 0xFFFD}));
  EXPECT_EQ(DecodeUtf8("\xC0\x80"), (std::u32string{0xFFFD, 0xFFFD}));  // overlong
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80").front(), 0xFFFDu);                // surrogate
}

class CaptionFont : public testing::Test {
protected:
  void SetUp() override {
    FFont.SetName("新細明體");
    FFont.SetHeight(-16);
    FFont.SetStyle({fsBold});
  }
  TFont FFont;
};

TEST_F(CaptionFont, TraditionalChineseCaptionsHaveEveryGlyph) {
  auto font = FindFontInstance(FFont);
  EXPECT_EQ(font->FamilyName(), CaptionFamily);
  for (char32_t c : DecodeUtf8("Tavolu螢幕調整程式伽瑪對比亮度預設")) {
    const TGlyph& glyph = font->Glyph(c);
    EXPECT_FALSE(glyph.Missing) << static_cast<unsigned>(c);
    EXPECT_GT(glyph.Advance, 0) << static_cast<unsigned>(c);
    int ink = 0;
    for (auto v : glyph.Coverage)
      ink += v > 128;
    EXPECT_GT(ink, 4) << "glyph " << static_cast<unsigned>(c) << " is blank";
  }
}

TEST_F(CaptionFont, CharactersTheFaceLacksComeFromAnotherFace) {
  auto font = FindFontInstance(FFont);
  EXPECT_EQ(font->FamilyFor(U'螢'), CaptionFamily);
  EXPECT_NE(font->FamilyFor(U'\u2603').find(SymbolFamily), std::string::npos) << font->FamilyFor(U'\u2603');
  EXPECT_FALSE(font->Glyph(U'\u2603').Missing);
}

TEST_F(CaptionFont, CharactersNoFaceHasAreBlankSpaceNotBoxes) {
  auto font = FindFontInstance(FFont);
  const TGlyph& glyph = font->Glyph(U'\U0010FFFD');
  EXPECT_TRUE(glyph.Missing);
  EXPECT_TRUE(glyph.Coverage.empty());
  EXPECT_GT(glyph.Advance, 0);
}

// The face has no bold of its own: the bold caption is emboldened, not drawn regular.
TEST_F(CaptionFont, BoldIsHeavierThanRegularThoughTheFaceHasNoBold) {
  TFont regular;
  regular.Assign(FFont);
  regular.SetStyle({});
  auto ink = [](const TGlyph& Glyph) {
    int sum = 0;
    for (auto v : Glyph.Coverage)
      sum += v;
    return sum;
  };
  for (char32_t c : DecodeUtf8("預設值")) {
    EXPECT_GT(ink(FindFontInstance(FFont)->Glyph(c)), ink(FindFontInstance(regular)->Glyph(c)) * 11 / 10)
        << static_cast<unsigned>(c);
  }
}

TEST_F(CaptionFont, NegativeHeightIsTheCharacterHeightAndPositiveTheCell) {
  auto character = FindFontInstance(FFont);
  EXPECT_EQ(character->CellHeight() - character->InternalLeading(), 16);
  TFont cell;
  cell.Assign(FFont);
  cell.SetHeight(20);
  EXPECT_EQ(FindFontInstance(cell)->CellHeight(), 20);
}

TEST(FontSize, PointsConvertAtNinetySixDotsPerInch) {
  TFont font;
  EXPECT_EQ(font.Height(), -11);
  EXPECT_EQ(font.Size(), 8);
  font.SetSize(12);
  EXPECT_EQ(font.Height(), -16);
  font.SetHeight(-13);
  EXPECT_EQ(font.Size(), 10);
}

// Text drawn on a white bitmap in a red font.
class TextDrawing : public testing::Test {
protected:
  void SetUp() override {
    Prepare(FBitmap);
    Prepare(FExpected);
  }
  static void Prepare(TBitmap& B) {
    B.SetSize(160, 40);
    B.Canvas().Font().SetName("Tahoma");
    B.Canvas().Font().SetHeight(-13);
    B.Canvas().Font().SetColor(clRed);
    B.Canvas().Brush().SetStyle(bsClear);
  }
  TCanvas& Canvas() { return FBitmap.Canvas(); }
  // The smallest rectangle holding every non-white pixel.
  static TRect Ink(const TBitmap& B) {
    TRect box{B.Width(), B.Height(), 0, 0};
    for (int y = 0; y < B.Height(); ++y)
      for (int x = 0; x < B.Width(); ++x)
        if (B.Pixels().At(x, y) != 0xFFFFFF)
          box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1)};
    return box;
  }

  TBitmap FBitmap;
  TBitmap FExpected;
};

TEST_F(TextDrawing, GreyLevelsAreBlendsOfTheFontColourOverTheBackground) {
  Canvas().TextOut(2, 2, "Screen adjuster");
  int partial = 0, full = 0;
  for (TPixel p : FBitmap.Pixels().Pixels()) {
    const unsigned r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
    ASSERT_EQ(r, 255u);
    ASSERT_EQ(g, b);
    partial += g > 0 && g < 255;
    full += g == 0;
  }
  EXPECT_GT(partial, 10);
  EXPECT_GT(full, 10);
}

TEST_F(TextDrawing, TextStaysInsideItsCellAndMovesThePen) {
  Canvas().TextOut(5, 3, "Wg");
  const TSize extent = Canvas().TextExtent("Wg");
  const TRect ink = Ink(FBitmap);
  EXPECT_GE(ink.Left, 5 - 1);
  EXPECT_GE(ink.Top, 3);
  EXPECT_LE(ink.Right, 5 + extent.cx + 1);
  EXPECT_LE(ink.Bottom, 3 + extent.cy);
  EXPECT_EQ(Canvas().PenPos(), Point(5 + extent.cx, 3));
}

TEST_F(TextDrawing, SolidBrushFillsTheTextCell) {
  Canvas().Brush().SetColor(clBlue);
  Canvas().TextOut(4, 4, "ab");
  const TSize extent = Canvas().TextExtent("ab");
  EXPECT_EQ(Canvas().Pixel(4, 4), clBlue);
  EXPECT_EQ(Canvas().Pixel(4 + extent.cx - 1, 4 + extent.cy - 1), clBlue);
  EXPECT_EQ(Canvas().Pixel(4 + extent.cx, 4), clWhite);
  EXPECT_EQ(Canvas().Pixel(4, 4 + extent.cy), clWhite);
}

TEST_F(TextDrawing, WidthOfAStringIsTheSumOfItsCharacters) {
  EXPECT_EQ(Canvas().TextWidth(""), 0);
  EXPECT_EQ(Canvas().TextWidth("AVo"), Canvas().TextWidth("A") + Canvas().TextWidth("V") + Canvas().TextWidth("o"));
  EXPECT_EQ(Canvas().TextHeight("x"), Canvas().TextHeight("Wg"));
}

TEST_F(TextDrawing, CentredSingleLineLandsWhereTextOutWouldPutIt) {
  TRect r = Rect(10, 5, 150, 35);
  Canvas().DrawText("Default", r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  const TSize extent = FExpected.Canvas().TextExtent("Default");
  FExpected.Canvas().TextOut(10 + (140 - extent.cx) / 2, 5 + (30 - extent.cy) / 2, "Default");
  EXPECT_EQ(FBitmap.Pixels(), FExpected.Pixels());
}

TEST_F(TextDrawing, RightAlignedTextEndsAtTheRightEdge) {
  TRect r = Rect(0, 0, 150, 20);
  Canvas().DrawText("Default", r, DT_RIGHT | DT_SINGLELINE);
  FExpected.Canvas().TextOut(150 - FExpected.Canvas().TextWidth("Default"), 0, "Default");
  EXPECT_EQ(FBitmap.Pixels(), FExpected.Pixels());
}

TEST_F(TextDrawing, AmpersandUnderlinesTheAccessKeyOnly) {
  TRect r = Rect(2, 2, 150, 30);
  Canvas().DrawText("&Close", r, DT_SINGLELINE);
  FExpected.Canvas().TextOut(2, 2, "Close");
  const int c = FExpected.Canvas().TextWidth("C");
  int differing = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 160; ++x)
      if (FBitmap.Pixels().At(x, y) != FExpected.Pixels().At(x, y)) {
        ++differing;
        EXPECT_GE(x, 2);
        EXPECT_LT(x, 2 + c);
        EXPECT_EQ(FBitmap.Pixels().At(x, y), 0xFF0000u);
      }
  EXPECT_GT(differing, 0);
}

TEST_F(TextDrawing, DoubleAmpersandIsALiteralAmpersandAndNoPrefixKeepsThemAll) {
  TRect r = Rect(0, 0, 150, 20);
  Canvas().DrawText("A&&B", r, DT_SINGLELINE);
  FExpected.Canvas().TextOut(0, 0, "A&B");
  EXPECT_EQ(FBitmap.Pixels(), FExpected.Pixels());
  TRect calc = Rect(0, 0, 0, 0);
  Canvas().DrawText("A&&B", calc, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  EXPECT_EQ(calc.Right, Canvas().TextWidth("A&&B"));
}

TEST_F(TextDrawing, CalcRectMeasuresWithoutDrawing) {
  TRect r = Rect(3, 4, 5, 6);
  const int height = Canvas().DrawText("First\nSecond line", r, DT_CALCRECT);
  EXPECT_EQ(height, 2 * Canvas().TextHeight("x"));
  EXPECT_EQ(r, Rect(3, 4, 3 + Canvas().TextWidth("Second line"), 4 + height));
  EXPECT_EQ(Ink(FBitmap), Rect(160, 40, 0, 0));
}

TEST_F(TextDrawing, WordBreakWrapsAtSpacesThatFit) {
  const int word = Canvas().TextWidth("gamma");
  const int pair = Canvas().TextWidth("gamma gamma");
  TRect r = Rect(0, 0, pair, 0);
  const int height = Canvas().DrawText("gamma gamma gamma", r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(height, 2 * Canvas().TextHeight("x"));
  EXPECT_EQ(r.Right, pair);
  r = Rect(0, 0, word - 1, 0);
  Canvas().DrawText("gamma gamma", r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(r.Right, word);
  EXPECT_EQ(r.Bottom, 2 * Canvas().TextHeight("x"));
}

TEST_F(TextDrawing, WrappedLinesDrawLikeSeparateLinesAndKeepTheAccessKey) {
  TRect r = Rect(0, 0, Canvas().TextWidth("Reset to &def"), 40);
  Canvas().DrawText("Reset to &defaults now", r, DT_WORDBREAK);
  TRect r2 = r;
  FExpected.Canvas().DrawText("Reset to\n&defaults now", r2, 0);
  EXPECT_EQ(FBitmap.Pixels(), FExpected.Pixels());
}

TEST_F(TextDrawing, TextIsClippedToTheRectangle) {
  TRect r = Rect(20, 0, 30, 40);
  Canvas().DrawText("WWWWWWWW", r, DT_SINGLELINE);
  const TRect ink = Ink(FBitmap);
  EXPECT_GE(ink.Left, 20);
  EXPECT_LE(ink.Right, 30);
}

TEST_F(TextDrawing, UnderlineStyleDrawsALineUnderTheWholeText) {
  Canvas().Font().SetStyle({fsUnderline});
  Canvas().TextOut(0, 0, "i i");
  const int width = Canvas().TextWidth("i i");
  int fullRows = 0;
  for (int y = 0; y < 40; ++y) {
    bool all = true;
    for (int x = 0; x < width; ++x)
      all = all && FBitmap.Pixels().At(x, y) == 0xFF0000;
    fullRows += all;
  }
  EXPECT_GE(fullRows, 1);
}

TEST_F(TextDrawing, BoldTextHasMoreInk) {
  auto inkCount = [](const TBitmap& B) {
    int n = 0;
    for (TPixel p : B.Pixels().Pixels())
      n += 255 - static_cast<int>(p & 0xFF);
    return n;
  };
  Canvas().TextOut(0, 0, "Contrast");
  FExpected.Canvas().Font().SetStyle({fsBold});
  FExpected.Canvas().TextOut(0, 0, "Contrast");
  EXPECT_GT(inkCount(FExpected), inkCount(FBitmap));
}

}  // namespace

// A stored form may name any number of fonts; only those still in use stay loaded.
TEST(FontCache, FontsNamedWithoutEndAreNotAllKept) {
  TFont held;
  held.SetName("Arial");
  held.SetHeight(-17);
  const auto kept = FindFontInstance(held);
  for (int i = 0; i < 3 * static_cast<int>(MaxCachedFontInstances); ++i) {
    TFont font;
    font.SetName("No Such Face " + std::to_string(i));
    font.SetHeight(-9 - i % 7);
    FindFontInstance(font)->TextWidth(U"x");
    ASSERT_LE(CachedFontInstances(), MaxCachedFontInstances + 1);
  }
  EXPECT_EQ(FindFontInstance(held), kept) << "a font still held stays the shared one";
  EXPECT_GT(kept->TextWidth(U"Held"), 0);
}
