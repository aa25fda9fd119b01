#include "skin/foundation/ZYKPublic.h"

#include "platform/core/Classes.h"
#include "platform/graphics/Bitmap.h"
#include "tests/platform/graphics/PixelText.h"
#include "tests/skin/foundation/StyleHolder.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// A picture whose every pixel has its own colour, so each drawn pixel tells where it came from.
std::unique_ptr<TBitmap> Numbered(int Width, int Height) {
  auto b = std::make_unique<TBitmap>(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      b->Pixels().Set(x, y, static_cast<TPixel>(0x010000 + x * 256 + y));
  return b;
}

TPixel Src(int X, int Y) { return static_cast<TPixel>(0x010000 + X * 256 + Y); }

constexpr TPixel Untouched = 0x123456;

std::unique_ptr<TBitmap> Blank(int Width, int Height) {
  auto b = std::make_unique<TBitmap>(Width, Height);
  b->Pixels() = TPixelBuffer(Width, Height, Untouched);
  return b;
}

} // namespace

class ExtractBitmapFrameTest : public ::testing::Test {
protected:
  TBitmap Dest;
};

TEST_F(ExtractBitmapFrameTest, LastOfSixFramesIsTheLastSixteenColumns) {
  const auto strip = Numbered(96, 16);
  ExtractBitmapFrame(*strip, Dest, 6, 6);
  ASSERT_EQ(Dest.Width(), 16);
  ASSERT_EQ(Dest.Height(), 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(Dest.Pixels().At(x, y), Src(80 + x, y));
}

TEST_F(ExtractBitmapFrameTest, ColumnsBeyondTheLastWholeFrameAreNeverUsed) {
  const auto strip = Numbered(100, 4);
  ExtractBitmapFrame(*strip, Dest, 6, 6);
  ASSERT_EQ(Dest.Width(), 16);
  EXPECT_EQ(Dest.Pixels().At(0, 0), Src(80, 0));
  EXPECT_EQ(Dest.Pixels().At(15, 3), Src(95, 3));
}

TEST_F(ExtractBitmapFrameTest, TitleButtonFrameTenStartsAtColumn189) {
  const auto strip = Numbered(378, 21);
  ExtractBitmapFrame(*strip, Dest, 18, 10);
  ASSERT_EQ(Dest.Width(), 21);
  ASSERT_EQ(Dest.Height(), 21);
  EXPECT_EQ(Dest.Pixels().At(0, 0), Src(189, 0));
  EXPECT_EQ(Dest.Pixels().At(20, 20), Src(209, 20));
}

TEST_F(ExtractBitmapFrameTest, ReplacesWhateverDestHeld) {
  Dest.SetSize(50, 50);
  ExtractBitmapFrame(*Numbered(30, 7), Dest, 3, 2);
  EXPECT_EQ(Dest.Width(), 10);
  EXPECT_EQ(Dest.Height(), 7);
  EXPECT_EQ(Dest.Pixels().At(9, 6), Src(19, 6));
}

TEST_F(ExtractBitmapFrameTest, FrameCountZeroRaisesDivisionByZero) {
  EXPECT_THROW(ExtractBitmapFrame(*Numbered(10, 10), Dest, 0, 1), EDivByZero);
}

class NineSliceTest : public ::testing::Test {
protected:
  // Expected content written region by region, later regions over earlier ones.
  void Expect(TPixelBuffer& Want, const TRect& D, const std::function<TPixel(int X, int Y)>& From) {
    for (int y = D.Top; y < D.Bottom; ++y)
      for (int x = D.Left; x < D.Right; ++x)
        Want.Set(x, y, From(x, y));
  }
};

// The worked example: an 18x21 frame over a 75x23 client rectangle.
TEST_F(NineSliceTest, WorkedExample18x21Into75x23) {
  const auto picture = Numbered(18, 21);
  auto target = Blank(75, 23);
  DrawNineSliceFace(*picture, target->Canvas(), Rect(0, 0, 75, 23), false);

  TPixelBuffer want(75, 23, Untouched);
  Expect(want, Rect(0, 0, 9, 10), [](int x, int y) { return Src(x, y); });             // top-left
  Expect(want, Rect(0, 14, 9, 23), [](int x, int y) { return Src(x, y - 2); });         // bottom-left from row 12
  Expect(want, Rect(0, 10, 9, 14), [](int x, int) { return Src(x, 10); });              // left edge, row 10
  Expect(want, Rect(67, 0, 75, 10), [](int x, int y) { return Src(x - 57, y); });       // top-right from column 10
  Expect(want, Rect(67, 14, 75, 23), [](int x, int y) { return Src(x - 57, y - 2); });  // bottom-right
  Expect(want, Rect(67, 10, 75, 14), [](int x, int) { return Src(x - 57, 11); });       // right edge, row 11
  Expect(want, Rect(9, 0, 67, 10), [](int, int y) { return Src(9, y); });               // top edge, column 9
  Expect(want, Rect(9, 10, 67, 13), [](int, int) { return Src(9, 10); });               // centre
  Expect(want, Rect(8, 13, 67, 23), [](int, int y) { return Src(9, y - 2); });          // bottom edge, rows 11..20
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 75; ++x)
      ASSERT_EQ(target->Pixels().At(x, y), want.At(x, y)) << "at " << x << "," << y;
}

TEST_F(NineSliceTest, NarrowEvenWidthLeavesOneTopEdgeColumnAndTwoBottomEdgeColumns) {
  const auto picture = Numbered(18, 21);
  auto target = Blank(10, 23);
  DrawNineSliceFace(*picture, target->Canvas(), Rect(0, 0, 10, 23), false);
  // Left corner min(9, 5) = 5 columns, right corner min(8, 4) = 4 columns from the picture's right.
  const TPixel top[10] = {Src(0, 0), Src(1, 0), Src(2, 0), Src(3, 0), Src(4, 0),
                          Src(9, 0), Src(14, 0), Src(15, 0), Src(16, 0), Src(17, 0)};
  for (int x = 0; x < 10; ++x)
    EXPECT_EQ(target->Pixels().At(x, 0), top[x]) << x;
  // The bottom edge starts one column further left, over the corner's last column.
  EXPECT_EQ(target->Pixels().At(3, 22), Src(3, 20));
  EXPECT_EQ(target->Pixels().At(4, 22), Src(9, 20));
  EXPECT_EQ(target->Pixels().At(5, 22), Src(9, 20));
  EXPECT_EQ(target->Pixels().At(6, 22), Src(14, 20));
}

TEST_F(NineSliceTest, NarrowOddWidthLeavesTwoTopEdgeColumnsAndThreeBottomEdgeColumns) {
  const auto picture = Numbered(18, 21);
  auto target = Blank(11, 23);
  DrawNineSliceFace(*picture, target->Canvas(), Rect(0, 0, 11, 23), false);
  int topEdge = 0, bottomEdge = 0;
  for (int x = 0; x < 11; ++x) {
    topEdge += target->Pixels().At(x, 0) == Src(9, 0);
    bottomEdge += target->Pixels().At(x, 22) == Src(9, 20);
  }
  EXPECT_EQ(topEdge, 2);
  EXPECT_EQ(bottomEdge, 3);
  EXPECT_EQ(target->Pixels().At(10, 0), Src(17, 0));
  EXPECT_EQ(target->Pixels().At(7, 0), Src(14, 0));
}

TEST_F(NineSliceTest, OpaqueCornersStillLeaveKeyColouredEdgesAndCentreUndrawn) {
  auto picture = std::make_unique<TBitmap>(18, 21);
  picture->Pixels() = TPixelBuffer(18, 21, RGBToPixel(zykKeyColor));
  auto target = Blank(40, 30);
  DrawNineSliceFace(*picture, target->Canvas(), Rect(0, 0, 40, 30), false);
  EXPECT_EQ(target->Pixels().At(0, 0), RGBToPixel(zykKeyColor));   // corner drawn as it is
  EXPECT_EQ(target->Pixels().At(39, 29), RGBToPixel(zykKeyColor)); // corner drawn as it is
  EXPECT_EQ(target->Pixels().At(20, 0), Untouched);                // top edge left out
  EXPECT_EQ(target->Pixels().At(20, 15), Untouched);               // centre left out
  EXPECT_EQ(target->Pixels().At(0, 15), Untouched);                // left edge left out
}

TEST_F(NineSliceTest, TransparentCornersLeaveTheKeyColourOut) {
  auto picture = Numbered(18, 21);
  picture->Pixels().Set(0, 0, RGBToPixel(zykKeyColor));
  picture->Pixels().Set(17, 20, RGBToPixel(zykKeyColor));
  auto target = Blank(40, 30);
  DrawNineSliceFace(*picture, target->Canvas(), Rect(0, 0, 40, 30), true);
  EXPECT_EQ(target->Pixels().At(0, 0), Untouched);
  EXPECT_EQ(target->Pixels().At(39, 29), Untouched);
  EXPECT_EQ(target->Pixels().At(1, 0), Src(1, 0));
}

TEST_F(NineSliceTest, CellsAreRelativeToTheCanvasOrigin) {
  const auto picture = Numbered(18, 21);
  auto target = Blank(85, 33);
  target->Canvas().SetViewportOrigin({10, 10});
  DrawNineSliceFace(*picture, target->Canvas(), Rect(0, 0, 75, 23), false);
  EXPECT_EQ(target->Pixels().At(10, 10), Src(0, 0));
  EXPECT_EQ(target->Pixels().At(84, 32), Src(17, 20));
  EXPECT_EQ(target->Pixels().At(9, 9), Untouched);
}

// Every picture and face size up to a few pixels: every pixel of the face gets a pixel of the
// picture, and nothing outside the face is touched.
TEST_F(NineSliceTest, TinyPicturesAndFacesStayInsideAndLeaveNoHoles) {
  for (int pw = 1; pw <= 6; ++pw)
    for (int ph = 1; ph <= 6; ++ph) {
      const auto picture = Numbered(pw, ph);
      std::set<TPixel> colours(picture->Pixels().Pixels().begin(), picture->Pixels().Pixels().end());
      for (int w = 0; w <= 9; ++w)
        for (int h = 0; h <= 9; ++h) {
          auto target = Blank(w + 4, h + 4);
          target->Canvas().SetViewportOrigin({2, 2});
          DrawNineSliceFace(*picture, target->Canvas(), Rect(0, 0, w, h), false);
          for (int y = 0; y < h + 4; ++y)
            for (int x = 0; x < w + 4; ++x) {
              const bool inside = x >= 2 && y >= 2 && x < w + 2 && y < h + 2;
              const TPixel p = target->Pixels().At(x, y);
              if (inside) {
                ASSERT_TRUE(colours.count(p)) << pw << "x" << ph << " into " << w << "x" << h << " at " << x - 2 << ","
                                              << y - 2;
              } else {
                ASSERT_EQ(p, Untouched) << pw << "x" << ph << " into " << w << "x" << h << " at " << x << "," << y;
              }
            }
        }
    }
}

TEST_F(NineSliceTest, EmptyPictureDrawsNothing) {
  auto picture = std::make_unique<TBitmap>();
  auto target = Blank(10, 10);
  DrawNineSliceFace(*picture, target->Canvas(), Rect(0, 0, 10, 10), true);
  EXPECT_EQ(target->Pixels(), TPixelBuffer(10, 10, Untouched));
}

class ThreePartBarTest : public ::testing::Test {
protected:
  const TLegend Legend{{clFuchsia, 'm'}, {clRed, 'r'}, {clLime, 'g'}, {clBlue, 'b'}, {clYellow, 'y'},
                       {clBlack, '.'}, {clWhite, 'w'}, {clAqua, 'a'}};
  std::unique_ptr<TBitmap> Target(int Width) {
    return BitmapFromRows(std::vector<std::string>(2, std::string(Width, '.')), Legend);
  }
};

TEST_F(ThreePartBarTest, CapsAtTheEndsMiddleStretchedKeyColourLeftOut) {
  const auto picture = BitmapFromRows({"mrgbbbagm", "rrgbbbaam"}, Legend);
  const auto target = Target(10);
  DrawThreePartBar(*picture, target->Canvas(), Rect(0, 0, 10, 2), false);
  EXPECT_EQ(PixelRows(*target, Legend), (std::vector<std::string>{".rgbbbbag.", "rrgbbbbaa."}));
}

TEST_F(ThreePartBarTest, CornerKeyTakesTheTopLeftPixelsColour) {
  // The top-left pixel is red: red pixels of the caps stay undrawn, magenta is drawn as it is.
  const auto picture = BitmapFromRows({"rmgbbbagr", "ggrbbbaam"}, Legend);
  const auto target = Target(10);
  DrawThreePartBar(*picture, target->Canvas(), Rect(0, 0, 10, 2), true);
  EXPECT_EQ(PixelRows(*target, Legend), (std::vector<std::string>{".mgbbbbag.", "gg.bbbbaam"}));
}

TEST_F(ThreePartBarTest, BarNarrowerThanBothCapsMirrorsTheMiddle) {
  const auto picture = BitmapFromRows({"rrrgbyaaa", "rrrgbyaaa"}, Legend);
  const auto target = Target(4);
  DrawThreePartBar(*picture, target->Canvas(), Rect(0, 0, 4, 2), false);
  const auto rows = PixelRows(*target, Legend);
  // The left cap keeps column 0, the right cap column 3; columns 1 and 2 show the middle third
  // mirrored: its right part (yellow) on the left.
  EXPECT_EQ(rows[0][0], 'r');
  EXPECT_EQ(rows[0][3], 'a');
  EXPECT_EQ(rows[0][1], 'y');
  EXPECT_EQ(rows[0][2], 'g');
}

TEST_F(ThreePartBarTest, PictureNarrowerThanThreeColumnsDrawsNothing) {
  const auto picture = BitmapFromRows({"rg", "rg"}, Legend);
  const auto target = Target(6);
  DrawThreePartBar(*picture, target->Canvas(), Rect(0, 0, 6, 2), false);
  EXPECT_EQ(PixelRows(*target, Legend), (std::vector<std::string>{"......", "......"}));
}

TEST(TileGraphicTest, TilesFromTheCanvasOriginToCoverTheWidthAndHeightFromThere) {
  const TLegend legend{{clRed, 'r'}, {clLime, 'g'}, {clBlue, 'b'}, {clYellow, 'y'}, {clBlack, '.'}};
  const auto tile = BitmapFromRows({"rgb", "ybr"}, legend);
  const auto target = BitmapFromRows(std::vector<std::string>(8, std::string(12, '.')), legend);
  // R starts at (5, 5) but the tiles start at (0, 0); they cover 3 + 5 columns and 2 + 3 rows.
  TileGraphic(target->Canvas(), *tile, Rect(5, 5, 10, 8));
  EXPECT_EQ(PixelRows(*target, legend), (std::vector<std::string>{
                                            "rgbrgbrgb...",
                                            "ybrybrybr...",
                                            "rgbrgbrgb...",
                                            "ybrybrybr...",
                                            "rgbrgbrgb...",
                                            "ybrybrybr...",
                                            "............",
                                            "............",
                                        }));
}

TEST(TileGraphicTest, PictureWithoutAreaDrawsNothingAndReturns) {
  TBitmap empty;
  auto target = Blank(4, 4);
  TileGraphic(target->Canvas(), empty, Rect(0, 0, 4, 4));
  EXPECT_EQ(target->Pixels(), TPixelBuffer(4, 4, Untouched));
}

class RotateTest : public ::testing::Test {
protected:
  const TLegend Legend{{clRed, 'a'}, {clLime, 'b'}, {clBlue, 'c'}, {clYellow, 'd'}, {clAqua, 'e'}, {clFuchsia, 'f'}};
  std::unique_ptr<TBitmap> Picture = BitmapFromRows({"abc", "def"}, Legend);
};

TEST_F(RotateTest, LeftTurnsTheTopRowIntoTheLeftColumnReadUpwards) {
  RotateBitmapLeft(*Picture);
  EXPECT_EQ(PixelRows(*Picture, Legend), (std::vector<std::string>{"cf", "be", "ad"}));
}

TEST_F(RotateTest, RightTurnsTheTopRowIntoTheRightColumnReadDownwards) {
  RotateBitmapRight(*Picture);
  EXPECT_EQ(PixelRows(*Picture, Legend), (std::vector<std::string>{"da", "eb", "fc"}));
}

TEST_F(RotateTest, LeftThenRightRestoresThePicture) {
  const TPixelBuffer before = Picture->Pixels();
  RotateBitmapLeft(*Picture);
  RotateBitmapRight(*Picture);
  EXPECT_EQ(Picture->Pixels(), before);
}

TEST_F(RotateTest, FourLeftTurnsRestoreThePicture) {
  const TPixelBuffer before = Picture->Pixels();
  for (int i = 0; i < 4; ++i)
    RotateBitmapLeft(*Picture);
  EXPECT_EQ(Picture->Pixels(), before);
}

TEST_F(RotateTest, AnUpArrowTurnedLeftPointsLeft) {
  auto arrow = BitmapFromRows({"aabaa", "abbba", "bbbbb"}, Legend);
  RotateBitmapLeft(*arrow);
  EXPECT_EQ(PixelRows(*arrow, Legend), (std::vector<std::string>{"aab", "abb", "bbb", "abb", "aab"}));
}

TEST(PointInRectInclusiveTest, RightAndBottomEdgesCountAsInside) {
  const TRect r = Rect(0, 0, 10, 10);
  EXPECT_TRUE(PointInRectInclusive(10, 10, r));
  EXPECT_TRUE(PointInRectInclusive(0, 0, r));
  EXPECT_FALSE(PointInRectInclusive(11, 10, r));
  EXPECT_FALSE(PointInRectInclusive(10, 11, r));
  EXPECT_FALSE(PointInRectInclusive(-1, 5, r));
  EXPECT_TRUE(PointInRectInclusive(TPoint{10, 0}, r));
  EXPECT_FALSE(PointInRectInclusive(TPoint{5, -1}, r));
}

TEST(HasPublishedPropertyTest, FindsOwnAndInheritedPropertiesIgnoringCase) {
  TStyleHolderWithTheme holder(nullptr);
  EXPECT_TRUE(HasPublishedProperty(&holder, "UIStyle"));
  EXPECT_TRUE(HasPublishedProperty(&holder, "uistyle"));
  EXPECT_TRUE(HasPublishedProperty(&holder, "FileTheme"));
  EXPECT_TRUE(HasPublishedProperty(&holder, "Name"));
  EXPECT_FALSE(HasPublishedProperty(&holder, "Colour"));
  TStyleHolder plain(nullptr);
  EXPECT_FALSE(HasPublishedProperty(&plain, "FileTheme"));
  EXPECT_FALSE(HasPublishedProperty(nullptr, "Name"));
}
