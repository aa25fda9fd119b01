#include "platform/core/Resources.h"
#include "platform/graphics/IcoCodec.h"
#include "platform/graphics/Icon.h"
#include "tests/platform/windows/TestWindow.h"

namespace {

// The program's own icon resource holds 16, 32 and 48 pixel images.
class IconResources : public HeadlessTest {
protected:
  void SetUp() override {
    Before = OutstandingIconHandles();
    for (TDecodedImage& d : DecodeIco(FindResource("MAINICON", TResourceType::Icon)))
      Images.push_back(std::move(d.Pixels));
    ASSERT_EQ(Images.size(), 3u);
  }
  void TearDown() override { EXPECT_EQ(OutstandingIconHandles(), Before) << "an icon handle was left behind"; }
  static const TPixelBuffer* ImageOf(HANDLE Icon) {
    const TIconData* data = IconHandleData(static_cast<HICON>(Icon));
    return data ? &data->Image : nullptr;
  }
  const TPixelBuffer& Resource(int Size) const {
    for (const TPixelBuffer& b : Images)
      if (b.Width() == Size)
        return b;
    throw std::logic_error("no such size");
  }

  int Before = 0;
  std::vector<TPixelBuffer> Images;
};

TEST_F(IconResources, LoadImageGivesTheResourcesImageOfTheSizeAsked) {
  for (int size : {16, 32, 48}) {
    HANDLE h = LoadImage(HInstance, "MAINICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(*ImageOf(h), Resource(size)) << size;
    EXPECT_TRUE(DestroyIcon(static_cast<HICON>(h)));
  }
  HANDLE standard = LoadImage(HInstance, "mainicon", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
  EXPECT_EQ(*ImageOf(standard), Resource(32)) << "the platform's large icon size, any letter case";
  DestroyIcon(static_cast<HICON>(standard));
}

TEST_F(IconResources, ASizeWithoutAnImageIsScaledFromTheNextLarger) {
  HANDLE h = LoadImage(HInstance, "MAINICON", IMAGE_ICON, 24, 24, 0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(*ImageOf(h), BestIconImage({Resource(32)}, 24, 24));
  DestroyIcon(static_cast<HICON>(h));
}

TEST_F(IconResources, ACopyFromTheResourceGoesBackToItsImagesAPlainCopyScales) {
  HANDLE big = LoadImage(HInstance, "MAINICON", IMAGE_ICON, 48, 48, 0);
  HANDLE fromResource = CopyImage(big, IMAGE_ICON, 16, 16, LR_COPYFROMRESOURCE);
  HANDLE scaled = CopyImage(big, IMAGE_ICON, 16, 16, 0);
  EXPECT_EQ(*ImageOf(fromResource), Resource(16));
  EXPECT_EQ(*ImageOf(scaled), BestIconImage({Resource(48)}, 16, 16));
  EXPECT_NE(*ImageOf(scaled), Resource(16));
  HANDLE same = CopyImage(fromResource, IMAGE_ICON, 0, 0, LR_COPYDELETEORG);
  EXPECT_EQ(*ImageOf(same), Resource(16));
  EXPECT_EQ(ImageOf(fromResource), nullptr) << "LR_COPYDELETEORG destroys the original";
  // A copy of the application's icon, as a title bar takes it for its 16 x 16 picture.
  TIcon app;
  app.LoadFromBytes(FindResource("MAINICON", TResourceType::Icon));
  HANDLE small = CopyImage(app.Handle(), IMAGE_ICON, 16, 16, LR_COPYFROMRESOURCE);
  EXPECT_EQ(*ImageOf(small), Resource(16));
  for (HANDLE h : {big, scaled, same, small})
    DestroyIcon(static_cast<HICON>(h));
}

TEST_F(IconResources, WhatIsNotAnIconOfOursIsRefused) {
  EXPECT_EQ(LoadImage(HInstance, "NOSUCHICON", IMAGE_ICON, 16, 16, 0), nullptr);
  EXPECT_EQ(LoadImage(HInstance, "MACOS_BUTTON", IMAGE_ICON, 16, 16, 0), nullptr) << "a bitmap, not an icon";
  EXPECT_EQ(LoadImage(nullptr, "MAINICON", IMAGE_ICON, 16, 16, 0), nullptr) << "not our module";
  EXPECT_EQ(LoadImage(HInstance, "MAINICON", IMAGE_BITMAP, 16, 16, 0), nullptr);
  EXPECT_EQ(LoadImage(HInstance, "MAINICON", IMAGE_ICON, -1, 16, 0), nullptr);
  HANDLE h = LoadImage(HInstance, "MAINICON", IMAGE_ICON, 16, 16, 0);
  DestroyIcon(static_cast<HICON>(h));
  EXPECT_FALSE(DestroyIcon(static_cast<HICON>(h)));
  EXPECT_EQ(CopyImage(h, IMAGE_ICON, 16, 16, LR_COPYFROMRESOURCE), nullptr) << "a destroyed handle";
  EXPECT_EQ(CopyImage(reinterpret_cast<HANDLE>(0x4321), IMAGE_ICON, 16, 16, 0), nullptr);
}

TEST_F(IconResources, AWindowShowsItsIconAtSixteenThirtyTwoAndFortyEightPixels) {
  auto form = Make(nullptr, Bounds(0, 0, 50, 50));
  HICON h = static_cast<HICON>(LoadImage(HInstance, "MAINICON", IMAGE_ICON, 16, 16, 0));
  EXPECT_EQ(SendMessage(**form, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(h)), 0);
  EXPECT_EQ(SendMessage(**form, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(h));
  DestroyIcon(h);
  const std::vector<TPixelBuffer>& shown = Desktop.Host(**form)->Icon();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0], Resource(16));
  EXPECT_EQ(shown[1], Resource(32));
  EXPECT_EQ(shown[2], Resource(48));
  // A stale handle shows no icon rather than anything old.
  SendMessage(**form, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(h));
  EXPECT_TRUE(Desktop.Host(**form)->Icon().empty());
}

} // namespace
