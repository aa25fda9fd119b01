#include "tools/lookart/Art.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

constexpr TPixel Key = 0xFF00FF;

// A smooth ramp of many colours with a block of key pixels.
TPixelBuffer Ramp(int Width, int Height) {
  TPixelBuffer p(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      p.Set(x, y, static_cast<TPixel>((x * 255 / Width) << 16 | (y * 255 / Height) << 8 | 0x80));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      p.Set(x, y, Key);
  return p;
}

} // namespace

class QuantizeTest : public ::testing::Test {};

TEST_F(QuantizeTest, LeavesAtMostTheAllowedColoursAllFromThePalette) {
  TPixelBuffer p = Ramp(40, 30);
  const std::vector<TPixel> palette = Quantize(p, 16);
  EXPECT_LE(palette.size(), 16u);
  EXPECT_LE(CountColors(p), 16);
  for (TPixel q : p.Pixels())
    EXPECT_NE(std::find(palette.begin(), palette.end(), q), palette.end());
}

TEST_F(QuantizeTest, KeyPixelsStayAndNothingElseBecomesTheKey) {
  TPixelBuffer p = Ramp(40, 30);
  p.Set(20, 20, 0xFE01FE); // nearly the key
  Quantize(p, 16);
  int keys = 0;
  for (TPixel q : p.Pixels())
    keys += q == Key;
  EXPECT_EQ(keys, 9);
  EXPECT_NE(p.At(20, 20), Key);
}

TEST_F(QuantizeTest, PinnedColoursSurviveExactly) {
  TPixelBuffer p = Ramp(40, 30);
  const TPixel pinned = p.At(17, 11);
  Quantize(p, 16, {pinned});
  EXPECT_EQ(p.At(17, 11), pinned);
}

TEST_F(QuantizeTest, FewColoursAreKeptAsTheyAre) {
  TPixelBuffer p(4, 1);
  p.Set(0, 0, 0x102030);
  p.Set(1, 0, 0x405060);
  p.Set(2, 0, Key);
  p.Set(3, 0, 0x708090);
  const TPixelBuffer before = p;
  EXPECT_EQ(Quantize(p, 16).size(), 4u);
  EXPECT_EQ(p, before);
}

TEST(FlattenTest, KeyedArtLeavesUncoveredPixelsKeyAndNeverProducesItOtherwise) {
  TArt art(10, 10);
  art.Fill(Circle(5, 5, 3), Hex(0xFF00FF)); // art in the key colour itself
  const TPixelBuffer p = art.Flatten(Hex(0xFFFFFF), true);
  EXPECT_EQ(p.At(0, 0), Key);
  EXPECT_NE(p.At(5, 5), Key);
  EXPECT_EQ(p.At(5, 5), 0xFE00FFu);
}

TEST(FlattenTest, EdgesBlendOverTheMatte) {
  TArt art(10, 1);
  art.Fill(Box(0, 0, 4.5f, 1), Hex(0x000000));
  const TPixelBuffer p = art.Flatten(Hex(0xFFFFFF), false);
  EXPECT_EQ(p.At(0, 0), 0x000000u);
  EXPECT_EQ(p.At(9, 0), 0xFFFFFFu);
  const TPixel edge = p.At(4, 0);
  EXPECT_GT(edge & 0xFF, 0x40u);
  EXPECT_LT(edge & 0xFF, 0xC0u);
}
