#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/backends/headless/RecordingGammaDevice.h"
#include "platform/graphics/Font.h"
#include "platform/windows/Gdi.h"
#include "platform/windows/User.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TGammaRamp Identity() {
  TGammaRamp ramp;
  for (int i = 0; i < 256; ++i)
    ramp.Red[i] = ramp.Green[i] = ramp.Blue[i] = static_cast<WORD>(i << 8);
  return ramp;
}

class ScreenGamma : public testing::Test {
protected:
  void SetUp() override {
    auto device = std::make_unique<TRecordingGammaDevice>();
    FDisplay = device.get();
    InstallGammaDevice(std::move(device));
    ResetGammaRefusalNotice();
  }
  void TearDown() override { InstallGammaDevice(nullptr); }
  TRecordingGammaDevice* FDisplay = nullptr;
};

TEST_F(ScreenGamma, ScreenContextsAreCountedUntilReleasedOnce) {
  const int before = OutstandingScreenDCs();
  HDC a = GetDC(nullptr);
  HDC b = GetDC(nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(OutstandingScreenDCs(), before + 2);
  EXPECT_EQ(ReleaseDC(nullptr, a), 1);
  EXPECT_EQ(ReleaseDC(nullptr, a), 0) << "a second release of the same context must fail";
  EXPECT_EQ(ReleaseDC(nullptr, b), 1);
  EXPECT_EQ(OutstandingScreenDCs(), before);
}

TEST_F(ScreenGamma, TableReachesTheDisplayUnchanged) {
  HDC dc = GetDC(nullptr);
  TGammaRamp ramp = Identity();
  ramp.Green[7] = 1234; // the device must not assume grey tables
  EXPECT_EQ(SetDeviceGammaRamp(dc, &ramp), 1);
  ReleaseDC(nullptr, dc);
  ASSERT_EQ(FDisplay->Tables().size(), 1u);
  EXPECT_EQ(FDisplay->Tables()[0], ramp);
}

TEST_F(ScreenGamma, ReleasedOrForgedContextsAreRefused) {
  HDC dc = GetDC(nullptr);
  ReleaseDC(nullptr, dc);
  const TGammaRamp ramp = Identity();
  testing::internal::CaptureStderr();
  EXPECT_EQ(SetDeviceGammaRamp(dc, &ramp), 0);
  EXPECT_EQ(SetDeviceGammaRamp(nullptr, &ramp), 0);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(FDisplay->Tables().empty());
}

TEST_F(ScreenGamma, FirstRefusalIsReportedOnceWithItsReason) {
  FDisplay->RefuseWith("the X server has no CRTC gamma and no XF86VidMode");
  HDC dc = GetDC(nullptr);
  const TGammaRamp ramp = Identity();
  testing::internal::CaptureStderr();
  EXPECT_EQ(SetDeviceGammaRamp(dc, &ramp), 0);
  EXPECT_EQ(SetDeviceGammaRamp(dc, &ramp), 0);
  const std::string err = testing::internal::GetCapturedStderr();
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(err, "brivo: display gamma ramp not set: the X server has no CRTC gamma and no XF86VidMode\n");
}

TEST_F(ScreenGamma, AcceptedTablesWriteNothing) {
  HDC dc = GetDC(nullptr);
  const TGammaRamp ramp = Identity();
  testing::internal::CaptureStderr();
  SetDeviceGammaRamp(dc, &ramp);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ReleaseDC(nullptr, dc);
}

TEST(GammaDeviceChoice, FactoryRunsOnceAndWithoutOneTheDeviceRefuses) {
  InstallGammaDevice(nullptr);
  int opened = 0;
  SetGammaDeviceFactory([&opened]() -> std::unique_ptr<TGammaDevice> {
    ++opened;
    return std::make_unique<TUnavailableGammaDevice>("no display here");
  });
  std::string why;
  EXPECT_FALSE(CurrentGammaDevice().Apply(Identity(), why));
  EXPECT_FALSE(CurrentGammaDevice().Apply(Identity(), why));
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(why, "no display here");

  InstallGammaDevice(nullptr);
  SetGammaDeviceFactory(nullptr);
  EXPECT_FALSE(CurrentGammaDevice().Apply(Identity(), why));
  EXPECT_EQ(why, "no display backend has been started");
  InstallGammaDevice(nullptr);
}

// ---- Font handles

class FontHandles : public testing::Test {
protected:
  void SetUp() override { Before = OutstandingFontHandles(); }
  void TearDown() override { EXPECT_EQ(OutstandingFontHandles(), Before) << "a font handle was left behind"; }

  static LOGFONT Record() {
    LOGFONT f;
    f.lfHeight = -13;
    f.lfWidth = 5;
    f.lfEscapement = 900;
    f.lfOrientation = 900;
    f.lfWeight = 600;
    f.lfItalic = 1;
    f.lfUnderline = 1;
    f.lfStrikeOut = 1;
    f.lfCharSet = 136;
    f.lfOutPrecision = 3;
    f.lfClipPrecision = 2;
    f.lfQuality = 5;
    f.lfPitchAndFamily = 34;
    std::strcpy(f.lfFaceName, "Liberation Sans");
    return f;
  }
  int Before = 0;
};

TEST_F(FontHandles, AHandleGivesBackEveryFieldOfItsRecord) {
  const LOGFONT in = Record();
  HFONT h = CreateFontIndirect(&in);
  ASSERT_NE(h, nullptr);
  LOGFONT out;
  EXPECT_EQ(GetObject(h, 0, nullptr), static_cast<int>(sizeof(LOGFONT)));
  EXPECT_EQ(GetObject(h, sizeof out - 1, &out), 0) << "a buffer too small";
  ASSERT_EQ(GetObject(h, sizeof out, &out), static_cast<int>(sizeof(LOGFONT)));
  EXPECT_EQ(std::memcmp(&in, &out, sizeof in), 0);
  EXPECT_TRUE(DeleteObject(h));
  EXPECT_FALSE(DeleteObject(h));
  EXPECT_EQ(GetObject(h, sizeof out, &out), 0) << "a stale handle";
}

TEST_F(FontHandles, AFaceNameWithoutItsEndIsReadNoFurtherThanTheRecord) {
  LOGFONT in = Record();
  std::memset(in.lfFaceName, 'A', sizeof in.lfFaceName);
  HFONT h = CreateFontIndirect(&in);
  LOGFONT out;
  GetObject(h, sizeof out, &out);
  EXPECT_EQ(std::string(out.lfFaceName), std::string(31, 'A')) << "kept to 31 bytes and the end";
  DeleteObject(h);
  // A long UTF-8 face is cut before a whole character, never inside one.
  LOGFONT wide = Record();
  std::string eleven;
  for (int i = 0; i < 11; ++i)
    eleven += "\xE6\x96\xB0"; // three bytes each: 33 in all
  SetFaceName(wide, eleven);
  EXPECT_EQ(std::string(wide.lfFaceName), eleven.substr(0, 30));
}

TEST_F(FontHandles, AFontTakesWhatTheHandleDescribesAndOwnsIt) {
  LOGFONT in = Record();
  in.lfWeight = 700;
  HFONT h = CreateFontIndirect(&in);
  {
    TFont font;
    font.SetColor(clMenuText);
    int changes = 0;
    font.OnChange = [&](TObject*) { ++changes; };
    font.SetHandle(h);
    EXPECT_EQ(font.Name(), "Liberation Sans");
    EXPECT_EQ(font.Height(), -13);
    EXPECT_EQ(font.Style(), (TFontStyles{fsBold, fsItalic, fsUnderline, fsStrikeOut}));
    EXPECT_EQ(font.Charset(), 136);
    EXPECT_EQ(font.Color(), clMenuText) << "the colour is not part of a font handle";
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(font.Handle(), h) << "the font gives back the handle it took";
    font.SetSize(12);
    EXPECT_FALSE(GetObject(h, 0, nullptr)) << "a change lets the old handle go";
    HFONT mine = font.Handle();
    LOGFONT out;
    ASSERT_TRUE(GetObject(mine, sizeof out, &out));
    EXPECT_EQ(out.lfHeight, -16);
    EXPECT_EQ(out.lfWeight, 700);
    EXPECT_STREQ(out.lfFaceName, "Liberation Sans");
  }
}

TEST_F(FontHandles, ABelowBoldWeightIsNotBoldAndAStaleHandleChangesNothing) {
  const LOGFONT semibold = Record();
  HFONT h = CreateFontIndirect(&semibold);
  TFont font;
  font.SetHandle(h);
  EXPECT_FALSE(font.Style().Contains(fsBold)) << "weight 600";
  TFont other;
  other.SetHandle(reinterpret_cast<HFONT>(0x1234));
  other.SetHandle(nullptr);
  EXPECT_EQ(other.Name(), "MS Sans Serif");
  EXPECT_EQ(other.Height(), -11);
}

TEST_F(FontHandles, TheSystemMenuFontArrivesThroughAHandle) {
  THeadlessDesktop desktop;
  LOGFONT menu;
  menu.lfHeight = -15;
  menu.lfWeight = 400;
  menu.lfCharSet = 1;
  std::strcpy(menu.lfFaceName, "DejaVu Sans");
  desktop.SetMenuFont(menu);
  NONCLIENTMETRICS metrics;
  metrics.cbSize = 340;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0));
  TFont font;
  font.SetHandle(CreateFontIndirect(&metrics.lfMenuFont));
  EXPECT_EQ(font.Name(), "DejaVu Sans");
  EXPECT_EQ(font.Height(), -15);
}

} // namespace
