#include "platform/graphics/Region.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Picture(const TRegion& Region, int Width, int Height) {
  std::vector<std::string> rows;
  for (int y = 0; y < Height; ++y) {
    std::string row;
    for (int x = 0; x < Width; ++x)
      row.push_back(Region.Contains(Point(x, y)) ? 'X' : '.');
    rows.push_back(row);
  }
  return rows;
}

long long Area(const TRegion& Region) {
  long long area = 0;
  for (const TRect& r : Region.Rects())
    area += static_cast<long long>(r.Width()) * r.Height();
  return area;
}

TEST(RegionShapes, RectangleRegionExcludesItsRightAndBottomEdges) {
  const TRegion r(Rect(1, 1, 4, 3));
  EXPECT_TRUE(r.Contains(Point(1, 1)));
  EXPECT_TRUE(r.Contains(Point(3, 2)));
  EXPECT_FALSE(r.Contains(Point(4, 2)));
  EXPECT_FALSE(r.Contains(Point(3, 3)));
  EXPECT_EQ(r.BoundsRect(), Rect(1, 1, 4, 3));
  EXPECT_TRUE(TRegion(Rect(3, 3, 3, 9)).IsEmpty());
}

TEST(RegionShapes, RoundRectCornersFollowTheEllipseThroughPixelCentres) {
  EXPECT_EQ(Picture(TRegion::RoundRect(0, 0, 8, 4, 8, 4), 8, 4),
            (std::vector<std::string>{".XXXXXX.", "XXXXXXXX", "XXXXXXXX", ".XXXXXX."}));
  EXPECT_EQ(Picture(TRegion::RoundRect(0, 0, 6, 6, 4, 4), 6, 6),
            (std::vector<std::string>{".XXXX.", "XXXXXX", "XXXXXX", "XXXXXX", "XXXXXX", ".XXXX."}));
}

TEST(RegionShapes, RoundRectIsSymmetricAndInsideItsBox) {
  const TRegion r = TRegion::RoundRect(2, 3, 31, 20, 11, 7);
  EXPECT_EQ(r.BoundsRect(), Rect(2, 3, 31, 20));
  for (int y = 3; y < 20; ++y)
    for (int x = 2; x < 31; ++x) {
      EXPECT_EQ(r.Contains(Point(x, y)), r.Contains(Point(2 + 30 - x, y))) << x << "," << y;
      EXPECT_EQ(r.Contains(Point(x, y)), r.Contains(Point(x, 3 + 19 - y))) << x << "," << y;
    }
}

TEST(RegionShapes, SmallOrOversizedEllipsesAreClampedOrSquare) {
  EXPECT_EQ(TRegion::RoundRect(0, 0, 5, 4, 1, 1), TRegion(Rect(0, 0, 5, 4)));
  EXPECT_EQ(TRegion::RoundRect(0, 0, 8, 4, 80, 40), TRegion::RoundRect(0, 0, 8, 4, 8, 4));
  EXPECT_TRUE(TRegion::RoundRect(5, 5, 5, 9, 2, 2).IsEmpty());
}

TEST(RegionShapes, WindowRegionWithRoundedTopAndSquareBottomCorners) {
  // Rounded rectangle one pixel larger than the 20 x 10 client area, plus two squares at the bottom.
  const int r = 4;
  TRegion window = TRegion::RoundRect(0, 0, 21, 11, r, r);
  window = window.Union(TRegion(Rect(0, 10 - 2 * r, 2 * r, 10)));
  window = window.Union(TRegion(Rect(20 - 2 * r, 10 - 2 * r, 20, 10)));
  EXPECT_FALSE(window.Contains(Point(0, 0)));
  EXPECT_FALSE(window.Contains(Point(20, 0)));
  EXPECT_TRUE(window.Contains(Point(0, 9)));
  EXPECT_TRUE(window.Contains(Point(19, 9)));
  EXPECT_TRUE(window.Contains(Point(10, 0)));
}

TEST(RegionOperations, CombinationsOfTwoRectangles) {
  const TRegion a(Rect(0, 0, 4, 4)), b(Rect(2, 2, 6, 6));
  EXPECT_EQ(Area(a.Union(b)), 28);
  EXPECT_EQ(a.Intersect(b), TRegion(Rect(2, 2, 4, 4)));
  EXPECT_EQ(Area(a.Subtract(b)), 12);
  EXPECT_FALSE(a.Subtract(b).Contains(Point(3, 3)));
  EXPECT_EQ(Area(a.Xor(b)), 24);
  EXPECT_TRUE(a.Intersect(TRegion(Rect(10, 10, 12, 12))).IsEmpty());
}

TEST(RegionOperations, EqualPixelSetsCompareEqualHoweverTheyWereBuilt) {
  const TRegion byRows = TRegion(Rect(0, 0, 5, 2)).Union(TRegion(Rect(0, 2, 5, 4)));
  const TRegion byColumns = TRegion(Rect(0, 0, 2, 4)).Union(TRegion(Rect(2, 0, 5, 4)));
  EXPECT_EQ(byRows, TRegion(Rect(0, 0, 5, 4)));
  EXPECT_EQ(byColumns, TRegion(Rect(0, 0, 5, 4)));
  EXPECT_TRUE(byColumns.IsRectangle());
}

TEST(RegionOperations, OffsetMovesEveryPixel) {
  TRegion r = TRegion::RoundRect(0, 0, 6, 6, 4, 4);
  r.Offset(10, -2);
  EXPECT_EQ(r.BoundsRect(), Rect(10, -2, 16, 4));
  EXPECT_FALSE(r.Contains(Point(10, -2)));
  EXPECT_TRUE(r.Contains(Point(11, -2)));
}

TEST(RegionOperations, RectsInCutsThePiecesToTheRectangle) {
  const TRegion r = TRegion(Rect(0, 0, 3, 3)).Union(TRegion(Rect(5, 0, 8, 3)));
  const auto pieces = r.RectsIn(Rect(2, 1, 6, 2));
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0], Rect(2, 1, 3, 2));
  EXPECT_EQ(pieces[1], Rect(5, 1, 6, 2));
}

// Every combination agrees pixel by pixel with the set operation it names, and the rectangles of
// the result are disjoint and add up to its area.
TEST(RegionOperations, CombinationsAgreeWithPixelSetsOnRandomShapes) {
  std::mt19937 random(7);
  auto shape = [&] {
    TRegion r;
    for (int i = 0; i < 4; ++i) {
      const int x = static_cast<int>(random() % 20), y = static_cast<int>(random() % 20);
      const int w = 1 + static_cast<int>(random() % 10), h = 1 + static_cast<int>(random() % 10);
      r = (random() % 3 == 0) ? r.Union(TRegion::RoundRect(x, y, x + w, y + h, 5, 5))
                              : r.Union(TRegion(Bounds(x, y, w, h)));
    }
    return r;
  };
  for (int round = 0; round < 40; ++round) {
    const TRegion a = shape(), b = shape();
    for (TRegionCombine mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF}) {
      const TRegion c = a.Combine(b, mode);
      long long pixels = 0;
      for (int y = -1; y < 32; ++y)
        for (int x = -1; x < 32; ++x) {
          const bool inA = a.Contains(Point(x, y)), inB = b.Contains(Point(x, y));
          const bool expected = mode == RGN_AND   ? inA && inB
                                : mode == RGN_OR  ? inA || inB
                                : mode == RGN_XOR ? inA != inB
                                                  : inA && !inB;
          ASSERT_EQ(c.Contains(Point(x, y)), expected) << "mode " << mode << " at " << x << "," << y;
          pixels += expected;
        }
      EXPECT_EQ(Area(c), pixels);
    }
  }
}

}  // namespace
