// The Win32 desktop's arithmetic: characters from UTF-16 units, the move/size commands of the hit
// codes, window shapes as rectangles.

#include "platform/backends/win32/Win32Translate.h"
#include "platform/graphics/Region.h"
#include "platform/windows/Messages.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class Utf16Decoding : public testing::Test {
protected:
  // Everything the units complete, in order.
  std::u32string Decode(const std::u16string& Units) {
    std::u32string out;
    for (char16_t u : Units) {
      char32_t stray = 0;
      const char32_t c = Decoder.Feed(u, stray);
      if (stray)
        out.push_back(stray);
      if (c)
        out.push_back(c);
    }
    return out;
  }
  TUtf16Decoder Decoder;
};

TEST_F(Utf16Decoding, BasicPlaneCharactersPassAsTheyAre) {
  EXPECT_EQ(Decode(u"a\u00E9\u87A2\uFFFD"), U"a\u00E9\u87A2\uFFFD");
}

TEST_F(Utf16Decoding, ASurrogatePairIsOneCharacterOnlyOnceComplete) {
  char32_t stray = 0;
  EXPECT_EQ(Decoder.Feed(0xD83D, stray), 0u);
  EXPECT_EQ(stray, 0u);
  EXPECT_EQ(Decoder.Feed(0xDE00, stray), U'\U0001F600');
  EXPECT_EQ(stray, 0u);
  // The planes' edges.
  EXPECT_EQ(Decode(u"\U00010000\U0010FFFF"), U"\U00010000\U0010FFFF");
}

TEST_F(Utf16Decoding, AHalfWithoutItsPartnerIsAReplacementAndTheNextCharacterSurvives) {
  const std::u16string highThenLetter{char16_t(0xD83D), u'x'};
  EXPECT_EQ(Decode(highThenLetter), U"\uFFFDx");
  const std::u16string loneLow{char16_t(0xDE00), u'y'};
  EXPECT_EQ(Decode(loneLow), U"\uFFFDy");
  // A second high half replaces the first, and pairs with the low half after it.
  const std::u16string twoHighs{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)};
  EXPECT_EQ(Decode(twoHighs), U"\uFFFD\U0001F600");
}

TEST(MoveSizeCommand, TheCaptionMovesAndEachEdgeSizesItsWay) {
  EXPECT_EQ(MoveSizeCommandOf(HTCAPTION), 0xF012u); // SC_MOVE with the caption's hit code
  // SC_SIZE with the edge numbers of WM_SIZING, which are not the hit codes' order.
  EXPECT_EQ(MoveSizeCommandOf(HTLEFT), 0xF001u);
  EXPECT_EQ(MoveSizeCommandOf(HTRIGHT), 0xF002u);
  EXPECT_EQ(MoveSizeCommandOf(HTTOP), 0xF003u);
  EXPECT_EQ(MoveSizeCommandOf(HTTOPLEFT), 0xF004u);
  EXPECT_EQ(MoveSizeCommandOf(HTTOPRIGHT), 0xF005u);
  EXPECT_EQ(MoveSizeCommandOf(HTBOTTOM), 0xF006u);
  EXPECT_EQ(MoveSizeCommandOf(HTBOTTOMLEFT), 0xF007u);
  EXPECT_EQ(MoveSizeCommandOf(HTBOTTOMRIGHT), 0xF008u);
  for (int hit : std::initializer_list<int>{HTCLIENT, HTNOWHERE, HTSYSMENU, HTCLOSE, HTERROR, -1, 100})
    EXPECT_EQ(MoveSizeCommandOf(hit), 0u) << hit;
}

class ShapeRectangles : public testing::Test {
protected:
  static TRegion Rebuilt(const std::vector<TNativeRect>& Rects) {
    TRegion r;
    for (const TNativeRect& n : Rects)
      r = r.Union(TRegion(Rect(n.Left, n.Top, n.Right, n.Bottom)));
    return r;
  }
};

TEST_F(ShapeRectangles, ARoundedShapeIsCoveredExactlyByDisjointRectangles) {
  const TRegion shape = TRegion::RoundRect(0, 0, 120, 80, 30, 30);
  const std::vector<TNativeRect> rects = ShapeRects(shape, 120, 80);
  ASSERT_GT(rects.size(), 1u);
  EXPECT_EQ(Rebuilt(rects), shape);
  long long area = 0;
  for (const TNativeRect& r : rects)
    area += static_cast<long long>(r.Width()) * r.Height();
  long long shapeArea = 0;
  for (const TRect& r : shape.Rects())
    shapeArea += static_cast<long long>(r.Width()) * r.Height();
  EXPECT_EQ(area, shapeArea); // no rectangle overlaps another
}

TEST_F(ShapeRectangles, WhatLiesOutsideTheWindowIsCutAway) {
  TRegion shape(Rect(-10, -10, 50, 50));
  shape = shape.Union(TRegion(Rect(90, 0, 200, 20)));
  const std::vector<TNativeRect> rects = ShapeRects(shape, 100, 40);
  EXPECT_EQ(Rebuilt(rects), TRegion(Rect(0, 0, 50, 40)).Union(TRegion(Rect(90, 0, 100, 20))));
}

TEST_F(ShapeRectangles, AnEmptyShapeOrWindowGivesNoRectangles) {
  EXPECT_TRUE(ShapeRects(TRegion(), 100, 100).empty());
  EXPECT_TRUE(ShapeRects(TRegion(Rect(0, 0, 10, 10)), 0, 100).empty());
  EXPECT_TRUE(ShapeRects(TRegion(Rect(200, 200, 210, 210)), 100, 100).empty());
}

} // namespace
