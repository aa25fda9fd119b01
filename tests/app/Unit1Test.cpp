#include "app/Unit1.h"
#include "platform/backends/headless/RecordingGammaDevice.h"
#include "platform/windows/Gdi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct TWorkedRow {
  float Offset, Contrast, Power;
  int Entries[8]; // at i = 0, 1, 32, 64, 128, 192, 254, 255
  friend void PrintTo(const TWorkedRow& R, std::ostream* Os) {
    *Os << R.Offset << ", " << R.Contrast << ", " << R.Power;
  }
};

constexpr int kWorkedIndexes[8] = {0, 1, 32, 64, 128, 192, 254, 255};

const TWorkedRow kWorkedRows[] = {
    {1.0f, 1.0f, 1.0f, {0, 256, 8192, 16384, 32768, 49152, 65024, 65280}},
    {1.0f, 1.0f, 2.0f, {0, 512, 15360, 28672, 49152, 61184, 65280, 65280}},
    {1.0f, 1.0f, 0.5f, {0, 256, 4352, 8704, 19200, 32768, 61184, 65280}},
    {1.0f, 2.0f, 1.0f, {0, 0, 0, 256, 33024, 65280, 65280, 65280}},
    {1.0f, 0.5f, 1.0f, {16384, 16384, 20480, 24576, 32768, 40960, 48896, 48896}},
    {1.5f, 1.0f, 1.0f, {32768, 32768, 40704, 48896, 65280, 65280, 65280, 65280}},
    {0.5f, 1.0f, 1.0f, {0, 0, 0, 0, 256, 16640, 32512, 32768}},
    {0.8f, 1.2f, 1.5f, {0, 0, 0, 7936, 31232, 49152, 58624, 58880}},
};

class WorkedTable : public testing::TestWithParam<TWorkedRow> {};

TEST_P(WorkedTable, EntriesMatchThePublishedValues) {
  const TWorkedRow& row = GetParam();
  // The inputs are slider positions divided by 10, exactly as the window computes them.
  const TGammaRamp ramp = BuildGammaRamp(row.Offset, row.Contrast, row.Power);
  for (int k = 0; k < 8; ++k)
    EXPECT_EQ(ramp.Red[kWorkedIndexes[k]], row.Entries[k]) << "entry " << kWorkedIndexes[k];
}

std::string SliderName(const testing::TestParamInfo<TWorkedRow>& Info) {
  const TWorkedRow& r = Info.param;
  return "sliders_" + std::to_string(std::lround(r.Offset * 10)) + "_" +
         std::to_string(std::lround(r.Contrast * 10)) + "_" + std::to_string(std::lround(r.Power * 10));
}

INSTANTIATE_TEST_SUITE_P(SliderSettings, WorkedTable, testing::ValuesIn(kWorkedRows), SliderName);

TEST(GammaRamp, NeutralSettingsGiveTheIdentityForEveryEntry) {
  const TGammaRamp ramp = BuildGammaRamp(1.0f, 1.0f, 1.0f);
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(ramp.Red[i], i * 256) << "entry " << i;
}

TEST(GammaRamp, ZeroPowerBlacksOutAllButTheTopEntry) {
  const TGammaRamp ramp = BuildGammaRamp(1.0f, 1.0f, 0.0f);
  for (int i = 0; i < 255; ++i)
    ASSERT_EQ(ramp.Red[i], 0) << "entry " << i;
  EXPECT_EQ(ramp.Red[255], 65280);
}

TEST(GammaRamp, ZeroContrastIsMidGreyEverywhereWithTheTieRoundedToEven) {
  const TGammaRamp ramp = BuildGammaRamp(1.0f, 0.0f, 1.0f);
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(ramp.Red[i], 32768) << "entry " << i;
}

TEST(GammaRamp, OffsetExtremesClampToBlackAndWhite) {
  const TGammaRamp black = BuildGammaRamp(0.0f, 1.0f, 1.0f);
  const TGammaRamp white = BuildGammaRamp(2.0f, 1.0f, 1.0f);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(black.Red[i], 0) << "entry " << i;
    ASSERT_EQ(white.Red[i], 65280) << "entry " << i;
  }
}

TEST(GammaRamp, HalfOffsetPutsTheTopEntryOnTheTie) {
  EXPECT_EQ(BuildGammaRamp(0.5f, 1.0f, 1.0f).Red[255], 32768);
}

TEST(GammaRamp, NonsenseInputsStillGiveAValidTable) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (const TGammaRamp& ramp : {BuildGammaRamp(nan, 1.0f, 1.0f), BuildGammaRamp(1.0f, nan, 1.0f),
                                 BuildGammaRamp(1.0f, 1.0f, inf), BuildGammaRamp(-inf, 1.0f, 1.0f)})
    for (int i = 0; i < 256; ++i)
      ASSERT_EQ(ramp.Red[i] & 0xFF, 0) << "entry " << i;
  EXPECT_EQ(BuildGammaRamp(nan, 1.0f, 1.0f).Red[128], 0);
}

// Every setting the sliders can reach (0.0 to 2.0 in tenths): channels equal, low byte clear,
// nothing above 65280, and the curve never falls as the input rises.
TEST(GammaRamp, EverySliderSettingGivesAMonotoneGreyTable) {
  for (int s1 = 0; s1 <= 20; ++s1)
    for (int s2 = 0; s2 <= 20; ++s2)
      for (int s3 = 0; s3 <= 20; ++s3) {
        const TGammaRamp ramp = BuildGammaRamp(s1 / 10.0f, s2 / 10.0f, s3 / 10.0f);
        ASSERT_EQ(ramp.Red, ramp.Green);
        ASSERT_EQ(ramp.Red, ramp.Blue);
        for (int i = 0; i < 256; ++i) {
          ASSERT_EQ(ramp.Red[i] & 0xFF, 0);
          ASSERT_LE(ramp.Red[i], 65280);
          if (i > 0) {
            ASSERT_GE(ramp.Red[i], ramp.Red[i - 1]) << s1 << "/" << s2 << "/" << s3 << " entry " << i;
          }
        }
      }
}

TEST(GammaRamp, PowerAboveOneLiftsAndBelowOneLowersTheMidTones) {
  const int neutral = BuildGammaRamp(1.0f, 1.0f, 1.0f).Red[100];
  EXPECT_GT(BuildGammaRamp(1.0f, 1.0f, 1.3f).Red[100], neutral);
  EXPECT_LT(BuildGammaRamp(1.0f, 1.0f, 0.7f).Red[100], neutral);
}

class SetGammaOnHeadlessDisplay : public testing::Test {
protected:
  void SetUp() override {
    auto device = std::make_unique<TRecordingGammaDevice>();
    FDisplay = device.get();
    InstallGammaDevice(std::move(device));
  }
  void TearDown() override { InstallGammaDevice(nullptr); }
  TRecordingGammaDevice* FDisplay = nullptr;
};

TEST_F(SetGammaOnHeadlessDisplay, SendsExactlyOneTableThatIsTheBuiltTable) {
  HDC dc = GetDC(nullptr);
  SetGamma(dc, 0.8f, 1.2f, 1.5f);
  EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
  ASSERT_EQ(FDisplay->Tables().size(), 1u);
  EXPECT_EQ(FDisplay->Tables()[0], BuildGammaRamp(0.8f, 1.2f, 1.5f));
}

TEST_F(SetGammaOnHeadlessDisplay, EachCallRebuildsFromItsOwnInputs) {
  HDC dc = GetDC(nullptr);
  SetGamma(dc, 0.0f, 1.0f, 1.0f);
  SetGamma(dc, 1.0f, 1.0f, 1.0f);
  ReleaseDC(nullptr, dc);
  ASSERT_EQ(FDisplay->Tables().size(), 2u);
  EXPECT_EQ(FDisplay->Tables()[1], BuildGammaRamp(1.0f, 1.0f, 1.0f));
}

} // namespace
