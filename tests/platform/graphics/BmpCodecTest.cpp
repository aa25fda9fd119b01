#include "platform/graphics/BmpCodec.h"
#include "platform/graphics/LittleEndian.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& B, unsigned V) { AppendU16(B, V); }
void Put32(Bytes& B, std::uint32_t V) { AppendU32(B, V); }

// A BMP file with an info header, made by hand so the reader is not only checked against our writer.
struct TBmpFile {
  TBmpFile(std::int32_t W, std::int32_t H, unsigned B, std::uint32_t C = 0, std::vector<TPixel> P = {})
      : Width(W), Height(H), Bpp(B), Compression(C), Palette(std::move(P)) {}

  std::int32_t Width = 1;
  std::int32_t Height = 1;
  unsigned Bpp = 24;
  std::uint32_t Compression = 0;
  std::vector<TPixel> Palette;
  std::uint32_t ColorsUsed = 0;
  Bytes Masks;  // written after the header (bit fields with an info header)
  Bytes Data;

  Bytes Build() const {
    Bytes b{'B', 'M'};
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + 40 + Masks.size() + 4 * Palette.size());
    Put32(b, static_cast<std::uint32_t>(offset + Data.size()));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(Width));
    Put32(b, static_cast<std::uint32_t>(Height));
    Put16(b, 1);
    Put16(b, Bpp);
    Put32(b, Compression);
    Put32(b, static_cast<std::uint32_t>(Data.size()));
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, ColorsUsed ? ColorsUsed : static_cast<std::uint32_t>(Palette.size()));
    Put32(b, 0);
    b.insert(b.end(), Masks.begin(), Masks.end());
    for (TPixel p : Palette)
      Put32(b, p);
    b.insert(b.end(), Data.begin(), Data.end());
    return b;
  }
};

constexpr TPixel Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, White = 0xFFFFFF, Black = 0;

std::vector<TPixel> Row(const TDecodedImage& Image, int Y) {
  return {Image.Pixels.ScanLine(Y), Image.Pixels.ScanLine(Y) + Image.Pixels.Width()};
}

// An image with Colours distinct colours in a pattern that changes along both axes.
TPixelBuffer TestImage(int W, int H, int Colours) {
  TPixelBuffer image(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const int k = (x * 7 + y * 3) % Colours;
      image.Set(x, y, static_cast<TPixel>((k * 37 % 256) << 16 | (k * 91 % 256) << 8 | (k * 13 % 256)));
    }
  return image;
}

struct TRoundTrip {
  int Bpp;
  TBmpHeader Header;
  bool TopDown;
};

class BmpRoundTrip : public testing::TestWithParam<TRoundTrip> {};

TEST_P(BmpRoundTrip, WritingAndReadingGivesThePixelsBack) {
  const TRoundTrip c = GetParam();
  const int colours = c.Bpp <= 8 ? (1 << c.Bpp) : 200;
  // 13 columns make every row need padding at every depth.
  const TPixelBuffer image = TestImage(13, 5, colours);
  TBmpWriteOptions options;
  options.BitsPerPixel = c.Bpp;
  options.Header = c.Header;
  options.TopDown = c.TopDown;
  const TDecodedImage back = DecodeBmp(EncodeBmp(image, options));
  EXPECT_EQ(back.BitsPerPixel, c.Bpp);
  ASSERT_EQ(back.Pixels.Width(), 13);
  ASSERT_EQ(back.Pixels.Height(), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 13; ++x) {
      TPixel expected = image.At(x, y);
      if (c.Bpp == 16) {
        // Five bits a channel, widened back to eight.
        auto five = [](TPixel v) { return ((v >> 3) * 255 + 15) / 31; };
        expected = five((expected >> 16) & 0xFF) << 16 | five((expected >> 8) & 0xFF) << 8 | five(expected & 0xFF);
      }
      ASSERT_EQ(back.Pixels.At(x, y), expected) << "pixel " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryDepthAndHeader, BmpRoundTrip,
                         testing::Values(TRoundTrip{1, bhInfo, false}, TRoundTrip{4, bhInfo, false},
                                         TRoundTrip{8, bhInfo, false}, TRoundTrip{16, bhInfo, false},
                                         TRoundTrip{24, bhInfo, false}, TRoundTrip{32, bhInfo, false},
                                         TRoundTrip{1, bhCore, false}, TRoundTrip{4, bhCore, false},
                                         TRoundTrip{8, bhCore, false}, TRoundTrip{24, bhCore, false},
                                         TRoundTrip{8, bhInfo, true}, TRoundTrip{24, bhInfo, true},
                                         TRoundTrip{32, bhV4, false}, TRoundTrip{4, bhV4, true},
                                         TRoundTrip{24, bhV5, false}, TRoundTrip{1, bhV5, true}));

TEST(BmpWriter, PixelsOutsideThePaletteGetTheNearestEntry) {
  TPixelBuffer image(3, 1);
  image.Set(0, 0, Red);
  image.Set(1, 0, 0xF01010);
  image.Set(2, 0, Blue);
  TBmpWriteOptions options;
  options.BitsPerPixel = 1;
  options.Palette = {Red, Blue};
  EXPECT_EQ(Row(DecodeBmp(EncodeBmp(image, options)), 0), (std::vector<TPixel>{Red, Red, Blue}));
}

TEST(BmpWriter, RefusesWhatTheFormatCannotHold) {
  const TPixelBuffer image(2, 2);
  auto options = [](int Bpp, TBmpHeader Header, bool TopDown) {
    TBmpWriteOptions o;
    o.BitsPerPixel = Bpp;
    o.Header = Header;
    o.TopDown = TopDown;
    return o;
  };
  EXPECT_THROW(EncodeBmp(image, options(12, bhInfo, false)), std::invalid_argument);
  EXPECT_THROW(EncodeBmp(image, options(32, bhCore, false)), std::invalid_argument);
  EXPECT_THROW(EncodeBmp(image, options(24, bhCore, true)), std::invalid_argument);
}

TEST(BmpReader, ReadsTwoColourRowsBottomUp) {
  TBmpFile f(3, 2, 1, 0, {Black, White});
  f.Data = {0xA0, 0, 0, 0, 0x40, 0, 0, 0};  // bottom row first
  const TDecodedImage image = DecodeBmp(f.Build());
  EXPECT_EQ(Row(image, 1), (std::vector<TPixel>{White, Black, White}));
  EXPECT_EQ(Row(image, 0), (std::vector<TPixel>{Black, White, Black}));
  EXPECT_EQ(image.Palette, (std::vector<TPixel>{Black, White}));
}

TEST(BmpReader, ReadsBitFieldsOf565) {
  TBmpFile f(3, 1, 16, 3);
  for (std::uint32_t m : {0xF800u, 0x07E0u, 0x001Fu})
    Put32(f.Masks, m);
  f.Data = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0};
  EXPECT_EQ(Row(DecodeBmp(f.Build()), 0), (std::vector<TPixel>{Red, Green, Blue}));
}

TEST(BmpReader, IgnoresTheAlphaByteOfPlain32BitPixels) {
  TBmpFile f(1, 1, 32);
  f.Data = {0x30, 0x20, 0x10, 0x7F};
  EXPECT_EQ(Row(DecodeBmp(f.Build()), 0), (std::vector<TPixel>{0x102030}));
}

TEST(BmpReader, ExpandsRle8RunsAbsoluteRunsAndJumps) {
  TBmpFile f(6, 3, 8, 1, {Black, Red, Blue});
  f.Data = {3, 1, 0, 3, 2, 0, 2, 0, 0, 0, 0, 2, 1, 1, 2, 2, 0, 1};
  const TDecodedImage image = DecodeBmp(f.Build());
  EXPECT_EQ(Row(image, 2), (std::vector<TPixel>{Red, Red, Red, Blue, Black, Blue}));
  EXPECT_EQ(Row(image, 1), (std::vector<TPixel>(6, Black)));
  EXPECT_EQ(Row(image, 0), (std::vector<TPixel>{Black, Blue, Blue, Black, Black, Black}));
}

TEST(BmpReader, ExpandsRle4NibblePairs) {
  TBmpFile f(4, 2, 4, 2, {Black, Red, Blue});
  f.Data = {4, 0x12, 0, 0, 0, 3, 0x21, 0x20, 0, 1};
  const TDecodedImage image = DecodeBmp(f.Build());
  EXPECT_EQ(Row(image, 1), (std::vector<TPixel>{Red, Blue, Red, Blue}));
  EXPECT_EQ(Row(image, 0), (std::vector<TPixel>{Blue, Red, Blue, Black}));
}

MATCHER_P(Says, Text, "") {
  try {
    arg();
  } catch (const EInvalidGraphic& e) {
    *result_listener << "message: " << e.what();
    return std::string(e.what()).find(Text) != std::string::npos;
  }
  *result_listener << "nothing was thrown";
  return false;
}

class BmpBadInput : public testing::Test {
protected:
  static std::function<void()> Reading(const Bytes& File) {
    return [File] { DecodeBmp(File); };
  }
  TBmpFile FFile{2, 2, 24};
  void SetUp() override { FFile.Data = Bytes(16, 0); }
};

TEST_F(BmpBadInput, RefusesFilesWithoutTheSignature) {
  Bytes file = FFile.Build();
  file[0] = 'X';
  EXPECT_THAT(Reading(file), Says("BMP: not a bitmap file"));
  EXPECT_THAT(Reading({}), Says("BMP: not a bitmap file"));
}

TEST_F(BmpBadInput, RefusesPixelDataThatRunsPastTheEnd) {
  Bytes file = FFile.Build();
  file.resize(file.size() - 1);
  EXPECT_THAT(Reading(file), Says("BMP: pixel data runs past the end of the file"));
}

TEST_F(BmpBadInput, RefusesHugeDimensionsWithoutAllocating) {
  FFile.Width = 100000;
  FFile.Height = 100000;
  EXPECT_THAT(Reading(FFile.Build()), Says("larger than the bitmap limit"));
}

TEST_F(BmpBadInput, RefusesZeroAndNegativeSizes) {
  FFile.Width = -2;
  EXPECT_THAT(Reading(FFile.Build()), Says("BMP: width -2 is not positive"));
  FFile.Width = 2;
  FFile.Height = 0;
  EXPECT_THAT(Reading(FFile.Build()), Says("BMP: height is zero"));
}

TEST_F(BmpBadInput, RefusesColourIndexesBeyondTheTable) {
  TBmpFile f(2, 1, 8, 0, {Black, White});
  f.Data = {1, 5, 0, 0};
  EXPECT_THAT(Reading(f.Build()), Says("BMP: colour index 5 is beyond the 2-entry colour table"));
}

TEST_F(BmpBadInput, RefusesUnknownHeadersDepthsAndCompressions) {
  Bytes file = FFile.Build();
  file[14] = 64;
  EXPECT_THAT(Reading(file), Says("BMP: unsupported header size 64"));
  FFile.Bpp = 12;
  EXPECT_THAT(Reading(FFile.Build()), Says("BMP: unsupported bit depth 12"));
  FFile.Bpp = 24;
  FFile.Compression = 4;
  EXPECT_THAT(Reading(FFile.Build()), Says("BMP: unsupported compression 4"));
  FFile.Compression = 1;
  EXPECT_THAT(Reading(FFile.Build()), Says("BMP: RLE compression does not match bit depth 24"));
}

TEST_F(BmpBadInput, RefusesATableThatRunsPastTheEnd) {
  TBmpFile f(1, 1, 8);
  f.ColorsUsed = 200;
  EXPECT_THAT(Reading(f.Build()), Says("BMP: colour table runs past the end of the file"));
}

TEST_F(BmpBadInput, RefusesRunLengthDataThatLeavesTheImage) {
  TBmpFile f(2, 1, 8, 1, {Black});
  f.Data = {3, 0, 0, 1};
  EXPECT_THAT(Reading(f.Build()), Says("BMP: RLE run runs past the end of a row"));
  f.Data = {0, 2, 5, 0, 0, 1};
  EXPECT_THAT(Reading(f.Build()), Says("BMP: RLE delta moves outside the image"));
  f.Data = {0, 0, 1, 0};
  EXPECT_THAT(Reading(f.Build()), Says("BMP: RLE data runs past the last row"));
  f.Data = {0, 5, 0};
  EXPECT_THAT(Reading(f.Build()), Says("BMP: RLE data runs past the end of the file"));
  f.Height = -1;
  f.Data = {0, 1};
  EXPECT_THAT(Reading(f.Build()), Says("BMP: compressed bitmaps cannot be top-down"));
}

TEST_F(BmpBadInput, RefusesTinyRunLengthDataForAHugeImage) {
  TBmpFile f(16000, 1000, 8, 1, {Black});
  f.Data = {0, 1};
  EXPECT_THAT(Reading(f.Build()), Says("BMP: compressed data is too short for a 16000 x 1000 image"));
}

}  // namespace
