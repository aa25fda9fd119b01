#include "platform/core/ClassInfo.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpCodec.h"
#include "platform/graphics/Picture.h"
#include "tests/platform/graphics/PixelText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace {

using Rows = std::vector<std::string>;
const TLegend Legend = {{clWhite, '.'}, {clRed, 'R'}, {clBlue, 'B'}, {clLime, 'G'}};

TEST(BitmapSize, ResizingKeepsTheTopLeftContent) {
  auto b = BitmapFromRows({"RB", "GR", "BB"}, Legend);
  int changes = 0;
  b->OnChange = [&](TObject*) { ++changes; };
  b->SetHeight(2);
  EXPECT_EQ(PixelRows(*b, Legend), (Rows{"RB", "GR"}));
  b->SetWidth(3);
  EXPECT_EQ(PixelRows(*b, Legend), (Rows{"RB.", "GR."}));
  b->SetWidth(3);
  EXPECT_EQ(changes, 2);
}

TEST(BitmapSize, ZeroSizeIsEmptyAndOversizeIsRefused) {
  TBitmap b(4, 0);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 4);
  EXPECT_THROW(b.SetSize(100000, 100000), std::length_error);
  EXPECT_EQ(b.Width(), 4);
}

TEST(BitmapTransparency, AutomaticColourFollowsTheBottomLeftPixel) {
  auto b = BitmapFromRows({"RB", "GR"}, Legend);
  EXPECT_EQ(b->TransparentMode(), tmAuto);
  EXPECT_EQ(b->TransparentColor(), clLime);
  b->Canvas().SetPixel(0, 1, clBlue);
  EXPECT_EQ(b->TransparentColor(), clBlue);
  b->SetTransparentColor(clRed);
  EXPECT_EQ(b->TransparentMode(), tmFixed);
  b->SetTransparentMode(tmAuto);
  EXPECT_EQ(b->TransparentColor(), clBlue);
  EXPECT_EQ(TBitmap().TransparentColor(), clDefault);
}

TEST(BitmapCopies, AssignCopiesPixelsAndTransparency) {
  auto source = BitmapFromRows({"RB"}, Legend);
  source->SetTransparent(true);
  source->SetTransparentColor(clBlue);
  TBitmap copy;
  copy.Assign(source.get());
  EXPECT_EQ(PixelRows(copy, Legend), (Rows{"RB"}));
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.TransparentColor(), clBlue);
  source->Canvas().SetPixel(0, 0, clLime);
  EXPECT_EQ(copy.Canvas().Pixel(0, 0), clRed);
  copy.Assign(static_cast<const TPersistent*>(nullptr));
  EXPECT_TRUE(copy.Empty());
  TFont font;
  EXPECT_THROW(copy.Assign(&font), EConvertError);
}

TEST(BitmapFiles, SavedBitmapReadsBackAtItsDepth) {
  auto b = BitmapFromRows({"RBG", "GGR"}, Legend);
  b->SetPixelFormat(pf8bit);
  std::stringstream stream;
  b->SaveToStream(stream);
  TBitmap back;
  back.LoadFromStream(stream);
  EXPECT_EQ(PixelRows(back, Legend), (Rows{"RBG", "GGR"}));
  EXPECT_EQ(back.PixelFormat(), pf8bit);
}

TEST(BitmapFiles, StoredFormDataIsTheLengthThenTheFile) {
  auto b = BitmapFromRows({"RB"}, Legend);
  std::stringstream stream;
  b->WriteData(stream);
  const std::string data = stream.str();
  ASSERT_GT(data.size(), 6u);
  EXPECT_EQ(static_cast<std::size_t>(static_cast<unsigned char>(data[0]) | static_cast<unsigned char>(data[1]) << 8),
            data.size() - 4);
  EXPECT_EQ(data.substr(4, 2), "BM");
  TBitmap back;
  back.ReadData(stream);
  EXPECT_EQ(PixelRows(back, Legend), (Rows{"RB"}));
}

TEST(BitmapFiles, FilesAreWrittenAndReadByName) {
  const std::string name = testing::TempDir() + "graphics-test-picture.bmp";
  auto b = BitmapFromRows({"GRB"}, Legend);
  b->SaveToFile(name);
  TPicture picture;
  picture.LoadFromFile(name);
  EXPECT_EQ(PixelRows(picture.Bitmap(), Legend), (Rows{"GRB"}));
  std::remove(name.c_str());
  try {
    picture.LoadFromFile(name);
    ADD_FAILURE() << "a missing file was read";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(std::string(e.what()), "cannot open \"" + name + "\"");
  }
}

TEST(BitmapFiles, StoredDataShorterThanItsLengthIsRefused) {
  std::stringstream stream(std::string("\x10\x00\x00\x00" "BM", 6));
  TBitmap b;
  EXPECT_THROW(b.ReadData(stream), EInvalidGraphic);
}

TEST(BitmapFiles, ReadErrorsLeaveTheBitmapAsItWas) {
  auto b = BitmapFromRows({"RB"}, Legend);
  std::stringstream junk("BMjunk");
  EXPECT_THROW(b->LoadFromStream(junk), EInvalidGraphic);
  EXPECT_EQ(PixelRows(*b, Legend), (Rows{"RB"}));
}

class PictureHolder : public testing::Test {
protected:
  void SetUp() override {
    FPicture.OnChange = [this](TObject* Sender) {
      EXPECT_EQ(Sender, &FPicture);
      ++FChanges;
    };
  }
  TPicture FPicture;
  int FChanges = 0;
};

TEST_F(PictureHolder, ChangesOfTheHeldGraphicAreReported) {
  TBitmap& b = FPicture.Bitmap();
  EXPECT_EQ(FChanges, 1);
  b.SetSize(3, 2);
  b.SetTransparent(true);
  EXPECT_EQ(FChanges, 3);
  EXPECT_EQ(FPicture.Width(), 3);
  EXPECT_TRUE(FPicture.HasGraphic());
}

TEST_F(PictureHolder, AssignCopiesTheGraphicAndNilEmptiesIt) {
  auto source = BitmapFromRows({"GB"}, Legend);
  FPicture.Assign(source.get());
  ASSERT_NE(dynamic_cast<TBitmap*>(FPicture.Graphic()), nullptr);
  EXPECT_NE(FPicture.Graphic(), source.get());
  TPicture other;
  other.Assign(&FPicture);
  EXPECT_EQ(PixelRows(other.Bitmap(), Legend), (Rows{"GB"}));
  FPicture.Assign(static_cast<const TPersistent*>(nullptr));
  EXPECT_EQ(FPicture.Graphic(), nullptr);
  EXPECT_EQ(FChanges, 2);
}

TEST_F(PictureHolder, AskingForAnotherKindOfGraphicReplacesTheHeldOne) {
  FPicture.Icon();
  EXPECT_EQ(FPicture.Graphic()->ClassName(), "TIcon");
  FPicture.Bitmap();
  EXPECT_EQ(FPicture.Graphic()->ClassName(), "TBitmap");
}

TEST_F(PictureHolder, LoadingTellsTheFormatByItsFirstBytes) {
  auto source = BitmapFromRows({"RBR"}, Legend);
  std::stringstream stream;
  source->SaveToStream(stream);
  FPicture.LoadFromStream(stream);
  EXPECT_EQ(FPicture.Graphic()->ClassName(), "TBitmap");
  std::stringstream junk("GIF89a");
  EXPECT_THROW(FPicture.LoadFromStream(junk), EInvalidGraphic);
}

TEST_F(PictureHolder, PublishedDataCarriesTheClassNameAndTheGraphic) {
  auto source = BitmapFromRows({"RG", "BR"}, Legend);
  FPicture.Assign(source.get());
  const std::vector<std::uint8_t> data = GetBinaryProp(FPicture, "Data");
  ASSERT_GT(data.size(), 8u);
  EXPECT_EQ(std::string(data.begin(), data.begin() + 8), "\x07TBitmap");
  TPicture copy;
  SetBinaryProp(copy, "Data", data);
  EXPECT_EQ(PixelRows(copy.Bitmap(), Legend), (Rows{"RG", "BR"}));
  EXPECT_TRUE(GetBinaryProp(TPicture(), "Data").empty());
}

TEST_F(PictureHolder, StoredDataOfAnUnknownClassIsRefused) {
  const std::string data = "\x07TJPEG12";
  EXPECT_THROW(FPicture.SetData({data.begin(), data.end()}), EInvalidGraphic);
}

}  // namespace
