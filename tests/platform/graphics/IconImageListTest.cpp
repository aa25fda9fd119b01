#include "platform/core/ClassInfo.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/IcoCodec.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/ImageList.h"
#include "platform/graphics/LittleEndian.h"
#include "platform/graphics/PngCodec.h"
#include "tests/platform/graphics/PixelText.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::string>;
const TLegend Legend = {{clWhite, '.'}, {clRed, 'R'}, {clBlue, 'B'}, {clLime, 'G'}, {clFuchsia, 'F'}, {clBlack, 'K'}};

void Put16(Bytes& B, unsigned V) { AppendU16(B, V); }
void Put32(Bytes& B, std::uint32_t V) { AppendU32(B, V); }

// An icon image with a two-colour table (black, white): Bits are the colour rows bottom-up, one
// byte a row, Mask the mask rows.
Bytes MonoImage(int Size, const Bytes& Bits, const Bytes& Mask) {
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(Size));
  Put32(b, static_cast<std::uint32_t>(2 * Size));
  Put16(b, 1);
  Put16(b, 1);
  for (int i = 0; i < 6; ++i)
    Put32(b, 0);
  Put32(b, 0x000000);
  Put32(b, 0xFFFFFF);
  for (std::uint8_t row : Bits)
    b.insert(b.end(), {row, 0, 0, 0});
  for (std::uint8_t row : Mask)
    b.insert(b.end(), {row, 0, 0, 0});
  return b;
}

Bytes IconFile(const std::vector<Bytes>& Images) {
  Bytes f;
  Put16(f, 0);
  Put16(f, 1);
  Put16(f, static_cast<unsigned>(Images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * Images.size());
  for (const Bytes& image : Images) {
    f.insert(f.end(), {0, 0, 0, 0});
    Put16(f, 1);
    Put16(f, 1);
    Put32(f, static_cast<std::uint32_t>(image.size()));
    Put32(f, offset);
    offset += static_cast<std::uint32_t>(image.size());
  }
  for (const Bytes& image : Images)
    f.insert(f.end(), image.begin(), image.end());
  return f;
}

TEST(IconReading, MaskBitsBecomeTransparentPixels) {
  // 2 x 2: top row white then black, bottom row black then white; the top-right pixel is masked.
  const auto images = DecodeIco(IconFile({MonoImage(2, {0x40, 0x80}, {0x00, 0x40})}));
  ASSERT_EQ(images.size(), 1u);
  const TPixelBuffer& p = images[0].Pixels;
  EXPECT_EQ(p.At(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(p.At(1, 0) >> 24, 0u);
  EXPECT_EQ(p.At(0, 1), 0xFF000000u);
  EXPECT_EQ(p.At(1, 1), 0xFFFFFFFFu);
}

TEST(IconReading, RefusesDamagedFiles) {
  const Bytes good = IconFile({MonoImage(2, {0, 0}, {0, 0})});
  auto says = [](const Bytes& File, const std::string& Text) {
    try {
      DecodeIco(File);
    } catch (const EInvalidGraphic& e) {
      return std::string(e.what()).find(Text) != std::string::npos;
    }
    return false;
  };
  EXPECT_TRUE(says(Bytes(good.begin(), good.begin() + 4), "ICO: file is shorter than the icon header"));
  EXPECT_TRUE(says(Bytes(good.begin(), good.begin() + 10), "ICO: image directory runs past the end"));
  EXPECT_TRUE(says(Bytes(good.begin(), good.end() - 1), "ICO: image 1 runs past the end of the file"));
  Bytes noMask = IconFile({Bytes(MonoImage(2, {0, 0}, {}))});
  EXPECT_TRUE(says(noMask, "ICO: mask runs past the end of the file"));
  Bytes none = good;
  none[4] = 0;
  EXPECT_TRUE(says(none, "ICO: the file holds no image"));
  Bytes oddHeight = good;
  oddHeight[6 + 16 + 8] = 3;
  EXPECT_TRUE(says(oddHeight, "does not hold colour and mask rows"));
  Bytes png = IconFile({Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10}});
  EXPECT_TRUE(says(png, "ICO: images stored as PNG are not supported"));
}

class IconSizes : public testing::Test {
protected:
  void SetUp() override {
    std::vector<TPixelBuffer> images;
    for (int size : {16, 32, 48}) {
      TPixelBuffer b(size, size, 0xFF000000u | static_cast<TPixel>(size));
      b.Set(0, 0, 0x00FFFFFF);  // a see-through corner
      images.push_back(b);
    }
    const Bytes file = EncodeIco(images);
    FIcon.LoadFromBytes(file);
  }
  TIcon FIcon;
};

TEST_F(IconSizes, ShowsTheLargeIconSize) {
  EXPECT_EQ(FIcon.ImageCount(), 3);
  EXPECT_EQ(FIcon.Width(), 32);
  EXPECT_EQ(FIcon.Height(), 32);
}

TEST_F(IconSizes, SmallCopyTakesTheSixteenPixelImage) {
  const auto small = FIcon.SizedCopy(16, 16);
  ASSERT_EQ(small->ImageCount(), 1);
  EXPECT_EQ(small->Width(), 16);
  EXPECT_EQ(small->CurrentImage().At(5, 5) & 0xFF, 16u);
}

TEST_F(IconSizes, SizesWithoutAnImageAreScaledFromTheNearestLarger) {
  const auto copy = FIcon.SizedCopy(24, 24);
  EXPECT_EQ(copy->Width(), 24);
  EXPECT_EQ(copy->CurrentImage().At(5, 5) & 0xFF, 32u);
  EXPECT_EQ(FIcon.SizedCopy(64, 64)->CurrentImage().At(5, 5) & 0xFF, 48u);
}

TEST_F(IconSizes, DrawingLeavesSeeThroughPixelsAndSavingKeepsEveryImage) {
  TBitmap canvas(40, 40);
  canvas.Canvas().Draw(0, 0, FIcon);
  EXPECT_EQ(canvas.Canvas().Pixel(0, 0), clWhite);
  EXPECT_EQ(canvas.Canvas().Pixel(1, 0), RGB(0, 0, 32));
  std::stringstream stream;
  FIcon.SaveToStream(stream);
  TIcon back;
  back.LoadFromStream(stream);
  EXPECT_EQ(back.ImageCount(), 3);
  EXPECT_EQ(back.Image(2), FIcon.Image(2));
  EXPECT_THROW(back.SetWidth(5), EInvalidGraphic);
}

TEST_F(IconSizes, AHandleCarriesTheShownImageAndEveryImageToCopyFrom) {
  const int before = OutstandingIconHandles();
  {
    const HICON h = FIcon.Handle();
    EXPECT_EQ(FIcon.Handle(), h) << "one handle while the icon stays as it is";
    const TIconData* data = IconHandleData(h);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->Image, FIcon.CurrentImage());
    ASSERT_TRUE(data->Source);
    EXPECT_EQ(data->Source->size(), 3u);
    TIcon taker;
    const HICON small = CreateIconHandle({FIcon.Image(0), data->Source});
    taker.SetHandle(small);
    EXPECT_EQ(taker.ImageCount(), 1);
    EXPECT_EQ(taker.Width(), 16);
    EXPECT_EQ(taker.Handle(), small) << "the icon gives back the handle it took";
    taker.AddImage(FIcon.Image(2));
    EXPECT_EQ(IconHandleData(small), nullptr) << "a change lets the taken handle go";
    FIcon.AddImage(FIcon.Image(0));
    EXPECT_EQ(IconHandleData(h), nullptr);
  }
  EXPECT_EQ(OutstandingIconHandles(), before);
}

TEST_F(IconSizes, AStaleHandleIsRefused) {
  const HICON h = CreateIconHandle({FIcon.Image(0), nullptr});
  EXPECT_TRUE(DestroyIconHandle(h));
  EXPECT_FALSE(DestroyIconHandle(h));
  FIcon.SetHandle(h);
  FIcon.SetHandle(reinterpret_cast<HICON>(0x5678));
  EXPECT_EQ(FIcon.ImageCount(), 3) << "left as it was";
  EXPECT_EQ(TIcon().Handle(), nullptr) << "an empty icon has no handle";
}

TEST(IconDrawing, PartialOpacityBlendsOverTheBackground) {
  TIcon icon;
  icon.AddImage(TPixelBuffer(1, 1, 0x80000000u));
  TBitmap canvas(1, 1);
  canvas.Canvas().Draw(0, 0, icon);
  const TPixel p = canvas.Pixels().At(0, 0);
  EXPECT_NEAR(static_cast<int>(p & 0xFF), 127, 1);
}

class ImageLists : public testing::Test {
protected:
  TImageList FList{nullptr, 2, 2};
  TBitmap FTarget{6, 2};
  Rows Pixels() const { return PixelRows(FTarget, Legend); }
};

TEST_F(ImageLists, AddingAStripGivesOneImagePerWidth) {
  auto strip = BitmapFromRows({"RRBBG", "RRBBG"}, Legend);
  EXPECT_EQ(FList.Add(*strip), 0);
  EXPECT_EQ(FList.Count(), 2);
  FList.Draw(FTarget.Canvas(), 0, 0, 1);
  FList.Draw(FTarget.Canvas(), 3, 0, 0);
  EXPECT_EQ(Pixels(), (Rows{"BB.RR.", "BB.RR."}));
}

TEST_F(ImageLists, MaskedImagesLeaveTheMaskColourOut) {
  auto strip = BitmapFromRows({"FRBF", "RFFB"}, Legend);
  EXPECT_EQ(FList.AddMasked(*strip, clFuchsia), 0);
  FList.Draw(FTarget.Canvas(), 0, 0, 0);
  FList.Draw(FTarget.Canvas(), 2, 0, 1);
  EXPECT_EQ(Pixels(), (Rows{".RB...", "R..B.."}));
}

TEST_F(ImageLists, SeparateMaskBitmapMarksTheLeftOutPixels) {
  auto image = BitmapFromRows({"RB", "GR"}, Legend);
  auto mask = BitmapFromRows({"K.", ".."}, Legend);
  FList.Add(*image, mask.get());
  FList.Draw(FTarget.Canvas(), 0, 0, 0);
  EXPECT_EQ(Pixels(), (Rows{"R.....", "......"}));
}

TEST_F(ImageLists, DisabledDrawingIsGreyAndKeepsTheMask) {
  auto strip = BitmapFromRows({"RF", "BK"}, Legend);
  FList.AddMasked(*strip, clFuchsia);
  FList.Draw(FTarget.Canvas(), 0, 0, 0, false);
  EXPECT_EQ(FTarget.Canvas().Pixel(1, 0), clWhite);
  for (TPoint p : {Point(0, 0), Point(0, 1), Point(1, 1)}) {
    const TColor c = FTarget.Canvas().Pixel(p.X, p.Y);
    EXPECT_EQ(GetRValue(c), GetGValue(c));
    EXPECT_EQ(GetGValue(c), GetBValue(c));
    EXPECT_GE(GetRValue(c), 127);
  }
  EXPECT_NE(FTarget.Canvas().Pixel(0, 0), FTarget.Canvas().Pixel(0, 1));
}

TEST_F(ImageLists, OutOfRangeIndexesDrawNothingAndResizingClears) {
  auto strip = BitmapFromRows({"RR", "RR"}, Legend);
  FList.Add(*strip);
  FList.Draw(FTarget.Canvas(), 0, 0, 5);
  FList.Draw(FTarget.Canvas(), 0, 0, -1);
  EXPECT_EQ(Pixels(), Rows(2, "......"));
  auto narrow = BitmapFromRows({"R"}, Legend);
  EXPECT_EQ(FList.Add(*narrow), -1);
  int changes = 0;
  FList.OnChange = [&](TObject*) { ++changes; };
  FList.SetWidth(4);
  EXPECT_EQ(FList.Count(), 0);
  EXPECT_EQ(changes, 1);
}

TEST(ImageListComponent, OwnerFreesItAndItsSizeIsPublished) {
  TComponent owner(nullptr);
  auto* list = new TImageList(&owner);
  list->SetName("ImageList1");
  EXPECT_EQ(owner.FindComponent("ImageList1"), list);
  EXPECT_EQ(GetOrdProp(*list, "Width"), 16);
  SetOrdProp(*list, "Height", 24);
  EXPECT_EQ(list->Height(), 24);
  EXPECT_FALSE(IsStoredProp(*list, *GetPropInfo(*list, "Width")));
}

TEST_F(ImageLists, ImageCopiedOutKeepsItsMaskAsTheTransparentColour) {
  auto strip = BitmapFromRows({"FR", "RF"}, Legend);
  FList.AddMasked(*strip, clFuchsia);
  TBitmap glyph;
  ASSERT_TRUE(FList.GetBitmap(0, glyph));
  EXPECT_EQ(PixelRows(glyph, Legend), (Rows{"FR", "RF"}));
  EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
  EXPECT_FALSE(FList.GetBitmap(1, glyph));
}

TEST(PngWriting, WritesASignatureHeaderOfTheImageSizeAndAnEnd) {
  TPixelBuffer image(281, 121, 0x00FF8000);
  const Bytes png = EncodePng(image);
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(Bytes(png.begin(), png.begin() + 8), (Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10}));
  EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
  EXPECT_EQ(Bytes(png.begin() + 16, png.begin() + 24), (Bytes{0, 0, 0x01, 0x19, 0, 0, 0, 121}));
  EXPECT_EQ(std::string(png.end() - 8, png.end() - 4), "IEND");
  EXPECT_THROW(EncodePng(TPixelBuffer()), std::invalid_argument);
}

}  // namespace
