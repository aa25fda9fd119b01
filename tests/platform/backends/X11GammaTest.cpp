#include "platform/backends/Backends.h"
#include "platform/backends/GammaResample.h"
#include "platform/backends/x11/X11GammaDevice.h"
#include "platform/windows/Gdi.h"
#include "tests/support/Process.h"
#include "tests/support/XvfbSuite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

// Xvfb garbles the first 16 red entries of its gamma reply, whatever was set.
constexpr std::size_t kFirstTrustedRed = 16;

TGammaRamp Ramp(int Seed) {
  TGammaRamp ramp;
  for (int i = 0; i < 256; ++i) {
    ramp.Red[i] = static_cast<WORD>((i * 199 + Seed) & 0xFFFF);
    ramp.Green[i] = static_cast<WORD>((i * 257 + Seed * 3) & 0xFFFF);
    ramp.Blue[i] = static_cast<WORD>((65535 - i * 131 + Seed) & 0xFFFF);
  }
  return ramp;
}

void ExpectRampEquals(const TX11GammaRamp& Read, const TGammaRamp& Set) {
  ASSERT_EQ(Read.Green.size(), 256u);
  for (std::size_t i = 0; i < 256; ++i) {
    ASSERT_EQ(Read.Green[i], Set.Green[i]) << "green " << i;
    ASSERT_EQ(Read.Blue[i], Set.Blue[i]) << "blue " << i;
    if (i >= kFirstTrustedRed) {
      ASSERT_EQ(Read.Red[i], Set.Red[i]) << "red " << i;
    }
  }
}

class X11Gamma : public TXvfbSuite<> {};

TEST_F(X11Gamma, RandRRampReadsBackEntryForEntry) {
  std::string why;
  auto device = TX11GammaDevice::Open(FServer->Display().c_str(), why);
  ASSERT_TRUE(device) << why;
  EXPECT_EQ(device->Method(), TX11GammaDevice::TMethod::RandR);
  const TGammaRamp set = Ramp(5);
  ASSERT_TRUE(device->Apply(set, why)) << why;

  // Read through a second connection, as another program would see it.
  auto reader = TX11GammaDevice::Open(FServer->Display().c_str(), why);
  ASSERT_TRUE(reader) << why;
  std::vector<TX11GammaRamp> ramps;
  ASSERT_TRUE(reader->Read(ramps, why)) << why;
  ASSERT_FALSE(ramps.empty());
  for (const TX11GammaRamp& r : ramps)
    ExpectRampEquals(r, set);
}

// Xvfb has no XF86VidMode: there the device must refuse and say so; elsewhere it must work.
TEST_F(X11Gamma, VidModeFallbackSetsTheSameTableOrSaysWhyNot) {
  std::string why;
  auto device = TX11GammaDevice::Open(FServer->Display().c_str(), why, TX11GammaDevice::TMethod::VidMode);
  if (!device) {
    EXPECT_EQ(why, "the X server has no XF86VidMode");
    return;
  }
  const TGammaRamp set = Ramp(9);
  ASSERT_TRUE(device->Apply(set, why)) << why;
  std::vector<TX11GammaRamp> ramps;
  ASSERT_TRUE(device->Read(ramps, why)) << why;
  ASSERT_EQ(ramps.size(), 1u);
  ExpectRampEquals(ramps[0], set);
}

TEST_F(X11Gamma, SetDeviceGammaRampGoesToTheDisplayOfTheProcess) {
  std::string why;
  auto device = TX11GammaDevice::Open(FServer->Display().c_str(), why);
  ASSERT_TRUE(device) << why;
  InstallGammaDevice(std::move(device));
  HDC dc = GetDC(nullptr);
  const TGammaRamp set = Ramp(11);
  EXPECT_EQ(SetDeviceGammaRamp(dc, &set), 1);
  ReleaseDC(nullptr, dc);
  InstallGammaDevice(nullptr);

  auto reader = TX11GammaDevice::Open(FServer->Display().c_str(), why);
  std::vector<TX11GammaRamp> ramps;
  ASSERT_TRUE(reader && reader->Read(ramps, why)) << why;
  ExpectRampEquals(ramps.at(0), set);
}

TEST_F(X11Gamma, GammaProbePrintsWhatWasSetAndRepairsWithIdentity) {
  std::string why;
  auto device = TX11GammaDevice::Open(FServer->Display().c_str(), why);
  ASSERT_TRUE(device) << why;
  const TGammaRamp set = Ramp(21);
  ASSERT_TRUE(device->Apply(set, why)) << why;

  const std::string probe = std::string(BRIVO_BIN_DIR) + "/gamma-probe";
  std::string out;
  ASSERT_EQ(RunProcess({probe, "--display", FServer->Display()}, &out), 0);
  std::istringstream lines(out);
  std::string output, header, red, green, blue;
  std::getline(lines, output);
  std::getline(lines, header);
  std::getline(lines, red);
  std::getline(lines, green);
  std::getline(lines, blue);
  // Xvfb has one output, "screen", on one CRTC.
  const std::string crtc = header.substr(5, header.find(' ', 5) - 5);
  EXPECT_EQ(output, "output screen: crtc " + crtc + ", gamma size 256, the ramp can be set");
  EXPECT_EQ(header, "crtc " + crtc + " output screen size 256");
  std::string expectedGreen = "green:";
  for (WORD w : set.Green)
    expectedGreen += " " + std::to_string(w);
  EXPECT_EQ(green, expectedGreen);

  out.clear();
  ASSERT_EQ(RunProcess({probe, "--identity", "--display", FServer->Display()}, &out), 0);
  std::vector<TX11GammaRamp> ramps;
  ASSERT_TRUE(device->Read(ramps, why)) << why;
  TGammaRamp identity;
  for (int i = 0; i < 256; ++i)
    identity.Red[i] = identity.Green[i] = identity.Blue[i] = static_cast<WORD>(i << 8);
  ExpectRampEquals(ramps.at(0), identity);
}

// A device that heard of a display change looks for the CRTCs again before the next table.
TEST_F(X11Gamma, ADisplayChangeIsFollowedByAFreshLookAtTheCrtcs) {
  std::string why;
  auto device = TX11GammaDevice::Open(FServer->Display().c_str(), why);
  ASSERT_TRUE(device) << why;
  device->DisplaysChanged();
  const TGammaRamp set = Ramp(31);
  ASSERT_TRUE(device->Apply(set, why)) << why;
  EXPECT_EQ(device->GammaSizes(), std::vector<std::size_t>{256});
  std::vector<TX11GammaRamp> ramps;
  ASSERT_TRUE(device->Read(ramps, why)) << why;
  ExpectRampEquals(ramps.at(0), set);
}

// WAYLAND_DISPLAY says a compositor runs, not that this X server is its: a doubt, no refusal.
TEST_F(X11Gamma, GammaProbeTellsWhatWaylandInTheEnvironmentMayMean) {
  std::string out;
  ASSERT_EQ(RunProcess({std::string(BRIVO_BIN_DIR) + "/gamma-probe", "--display", FServer->Display()}, &out,
                       {"WAYLAND_DISPLAY=wayland-0"}),
            0);
  EXPECT_NE(out.find("\nnote: WAYLAND_DISPLAY is set: if this X server is a Wayland compositor's compatibility "
                     "server, it takes the ramp and shows none\n"),
            std::string::npos)
      << out;
}

// With its only output turned off, Xvfb keeps the CRTC (and its ramp), driving nothing.
TEST(X11GammaProbe, AnOutputTurnedOffHasNoCrtc) {
  std::string ignored;
  TXvfb server;
  ASSERT_TRUE(server.Running()) << server.Error();
  // xrandr then fails to shrink the screen to nothing (Xvfb's smallest size is its own) and says so;
  // the output is off all the same.
  RunProcess({"xrandr", "--output", "screen", "--off"}, nullptr, {"DISPLAY=" + server.Display()}, &ignored);
  std::string out;
  ASSERT_EQ(RunProcess({std::string(BRIVO_BIN_DIR) + "/gamma-probe", "--display", server.Display()}, &out), 0);
  EXPECT_EQ(out.substr(0, out.find('\n')), "output screen: no crtc (the output is off), the ramp cannot be set");
  EXPECT_NE(out.find(" output - size 256\n"), std::string::npos) << out;
}

TEST(X11GammaOpen, MissingDisplayIsRefusedWithAReason) {
  std::string why;
  EXPECT_FALSE(TX11GammaDevice::Open(":999999", why));
  EXPECT_EQ(why, "cannot open the X display ':999999': no X server is running on it (there is no "
                 "/tmp/.X11-unix/X999999)");
}

TEST(X11GammaOpen, NoDisplayVariableMeansNoDeviceAndSaysSo) {
  const char* saved = std::getenv("DISPLAY");
  const std::string keep = saved != nullptr ? saved : "";
  unsetenv("DISPLAY");
  InstallGammaDevice(nullptr);
  UseNativeBackends();
  std::string why;
  TGammaRamp ramp;
  EXPECT_FALSE(CurrentGammaDevice().Apply(ramp, why));
  EXPECT_EQ(why, "there is no X display (DISPLAY is not set)");
  InstallGammaDevice(nullptr);
  SetGammaDeviceFactory(nullptr);
  if (saved != nullptr)
    setenv("DISPLAY", keep.c_str(), 1);
}

// Whether a display takes a ramp, from what its server says of itself.
class GammaVerdict : public testing::Test {
protected:
  // An ordinary X server with one CRTC of 256 entries on one output.
  static TX11GammaFacts Plain() {
    TX11GammaFacts f;
    f.Vendor = "The X.Org Foundation";
    f.RandR12 = true;
    f.OutputNames = {"HDMI-1", "DP-2"};
    f.CrtcGammaSizes = {256, 1024};
    return f;
  }
  static std::string Refusal(const TX11GammaFacts& F, TX11GammaMethod Wanted = TX11GammaMethod::Any) {
    return ClassifyX11Gamma(F, Wanted).Refusal;
  }
};

TEST_F(GammaVerdict, AnOrdinaryServerTakesTheRampThroughRandR) {
  const TX11GammaVerdict v = ClassifyX11Gamma(Plain(), TX11GammaMethod::Any);
  EXPECT_EQ(v.Method, TX11GammaMethod::RandR);
  EXPECT_EQ(v.Refusal, "");
  EXPECT_EQ(v.Note, "");
}

TEST_F(GammaVerdict, AWaylandCompatibilityServerIsRefusedWithWhatGaveItAway) {
  TX11GammaFacts f = Plain();
  f.OutputNames = {"XWAYLAND0", "XWAYLAND1"};
  const std::string tail = "), which takes gamma ramps and shows none";
  EXPECT_EQ(Refusal(f), "the X server is a Wayland compositor's compatibility server (Xwayland: its output "
                        "XWAYLAND0" + tail);
  // Newer ones name their outputs after the compositor's but have an extension of their own.
  f = Plain();
  f.XWaylandExtension = true;
  EXPECT_EQ(Refusal(f), "the X server is a Wayland compositor's compatibility server (Xwayland: it has the "
                        "XWAYLAND extension" + tail);
  f = Plain();
  f.Vendor = "Some Wayland Project";
  EXPECT_EQ(Refusal(f, TX11GammaMethod::RandR), "the X server is a Wayland compositor's compatibility server "
                                                "(Xwayland: its vendor is 'Some Wayland Project'" + tail);
}

TEST_F(GammaVerdict, NoCrtcGammaFallsBackToVidModeOrNamesBothShortfalls) {
  TX11GammaFacts f = Plain();
  f.CrtcGammaSizes = {0, 256, 0};
  EXPECT_EQ(Refusal(f), "") << "one CRTC with gamma is enough";
  f.CrtcGammaSizes = {0, 0};
  EXPECT_EQ(Refusal(f), "the X server has 2 CRTCs, each with a gamma size of 0 and no XF86VidMode");
  f.VidMode = true;
  f.VidModeGammaSizes = {0};
  EXPECT_EQ(Refusal(f), "the X server has 2 CRTCs, each with a gamma size of 0 and an XF86VidMode gamma size of 0");
  f.VidModeGammaSizes = {256};
  EXPECT_EQ(ClassifyX11Gamma(f, TX11GammaMethod::Any).Method, TX11GammaMethod::VidMode);
  EXPECT_EQ(Refusal(f, TX11GammaMethod::RandR), "the X server has 2 CRTCs, each with a gamma size of 0");

  f.CrtcGammaSizes = {0};
  EXPECT_EQ(Refusal(f, TX11GammaMethod::RandR), "the X server has one CRTC, with a gamma size of 0");
  f.CrtcGammaSizes = {};
  EXPECT_EQ(Refusal(f, TX11GammaMethod::RandR), "the X server has no CRTC");
  f.RandR12 = false;
  f.VidMode = false;
  EXPECT_EQ(Refusal(f), "the X server has no XRandR 1.2 and no XF86VidMode");
  EXPECT_EQ(Refusal(f, TX11GammaMethod::VidMode), "the X server has no XF86VidMode");
}

class Resample : public testing::Test {
protected:
  std::array<WORD, 256> FIdentity{};
  void SetUp() override {
    for (int i = 0; i < 256; ++i)
      FIdentity[i] = static_cast<WORD>(i << 8);
  }
};

TEST_F(Resample, SameSizeIsACopy) {
  const std::vector<WORD> out = ResampleGammaChannel(FIdentity, 256);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), FIdentity.begin()));
}

TEST_F(Resample, To1024InterpolatesLinearlyBetweenNeighbours) {
  const std::vector<WORD> out = ResampleGammaChannel(FIdentity, 1024);
  ASSERT_EQ(out.size(), 1024u);
  EXPECT_EQ(out.front(), 0);
  EXPECT_EQ(out.back(), 65280);
  // Entry j sits at input j * 255 / 1023; the identity is a straight line, so the entry is that
  // position times 256, rounded.
  for (std::size_t j = 0; j < 1024; ++j)
    ASSERT_EQ(out[j], std::lround(j * 255.0 / 1023.0 * 256.0)) << j;
}

TEST_F(Resample, StepTableKeepsItsStepBetweenTheRightEntries) {
  std::array<WORD, 256> step{};
  for (int i = 128; i < 256; ++i)
    step[i] = 65280;
  const std::vector<WORD> out = ResampleGammaChannel(step, 1024);
  // Inputs 127 and 128 map to 1023*127/255 = 509.5 and 513.5: everything up to 509 is black,
  // everything from 514 white, and the entries between climb.
  for (std::size_t j = 0; j <= 509; ++j)
    ASSERT_EQ(out[j], 0) << j;
  for (std::size_t j = 514; j < 1024; ++j)
    ASSERT_EQ(out[j], 65280) << j;
  for (std::size_t j = 510; j <= 513; ++j)
    ASSERT_GT(out[j], out[j - 1]) << j;
}

TEST_F(Resample, To4096AndTinySizesStayInRange) {
  for (std::size_t size : {1u, 2u, 3u, 4096u}) {
    const std::vector<WORD> out = ResampleGammaChannel(FIdentity, size);
    ASSERT_EQ(out.size(), size);
    for (std::size_t j = 1; j < size; ++j)
      ASSERT_GE(out[j], out[j - 1]);
    if (size > 1) {
      EXPECT_EQ(out.back(), 65280);
    }
  }
}

} // namespace
