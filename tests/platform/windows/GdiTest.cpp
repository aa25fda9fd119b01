#include "platform/backends/headless/RecordingGammaDevice.h"
#include "platform/windows/Gdi.h"

#include <gtest/gtest.h>

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

} // namespace
