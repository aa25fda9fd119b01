// The program's life on a real X server: how it ends when its window or its server goes or when it
// is told to, what it refuses, a quick click on an arrow, and the ramp kept through display changes
// without fighting a ramp that another program set.

#include "tests/e2e/AdjusterOnX.h"

#include <signal.h>

namespace {

const TProbedRamp Identity = Expected(1.0f, 1.0f, 1.0f);

class ProgramLifeOnX : public AdjusterOnX {};

TEST_F(ProgramLifeOnX, AWindowDestroyedByAnotherProgramEndsItWithOneLine) {
  ASSERT_TRUE(RampBecomes(Identity));
  ASSERT_EQ(Xdotool({"windowclose", Window}), 0);
  EXPECT_EQ(Program->Wait(), 1);
  EXPECT_EQ(Errors(), "brivo: another program destroyed the window on the X server " + Server.Display() +
                          "; ending\n");
  EXPECT_EQ(Probe(), Identity) << "the last ramp stays";
}

TEST_F(ProgramLifeOnX, TheServerDroppingItEndsItWithOneLine) {
  ASSERT_TRUE(RampBecomes(Identity));
  ASSERT_EQ(Xdotool({"windowkill", Window}), 0);
  EXPECT_EQ(Program->Wait(), 1);
  EXPECT_EQ(Errors(), "brivo: the connection to the X server " + Server.Display() + " was lost; ending\n");
}

// Both of its connections (the window's and the gamma's) break at once.
TEST_F(ProgramLifeOnX, TheServerEndingEndsItWithOneLine) {
  ASSERT_TRUE(RampBecomes(Identity));
  const std::string display = Server.Display();
  Server.Stop();
  EXPECT_EQ(Program->Wait(), 1);
  EXPECT_EQ(Errors(), "brivo: the connection to the X server " + display + " was lost; ending\n");
}

TEST_F(ProgramLifeOnX, AQuickClickOnAnArrowMovesTheSliderByOne) {
  ASSERT_TRUE(RampBecomes(Identity));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  EXPECT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.1f)));
  Click(At(Reference.Form().ScrollBar2->DecButton(), 8, 8));
  EXPECT_TRUE(RampBecomes(Expected(1.0f, 0.9f, 1.1f)));
}

TEST_F(ProgramLifeOnX, AModeChangeBringsBackTheSlidersRampAndNothingElseDoes) {
  ASSERT_TRUE(RampBecomes(Identity));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.1f)));

  // Another program sets a ramp of its own.
  std::string why;
  auto other = TX11GammaDevice::Open(Server.Display().c_str(), why);
  ASSERT_TRUE(other) << why;
  TGammaRamp dark;
  for (int i = 0; i < 256; ++i)
    dark.Red[i] = dark.Green[i] = dark.Blue[i] = static_cast<WORD>(i << 7);
  ASSERT_TRUE(other->Apply(dark, why)) << why;
  // The adjuster is awake and has seen everything the server sent before: the arrow under the
  // pointer lights up. It left the other program's ramp alone.
  const TzykImageButton* arrow = Reference.Form().ScrollBar2->DecButton();
  const TPixelBuffer resting = Screen(arrow);
  MoveTo(At(arrow, 8, 8));
  ASSERT_TRUE(Eventually([&] { return Screen(arrow).Pixels() != resting.Pixels(); }));
  EXPECT_EQ(Probe(), Probed(dark));

  // Xvfb offers the sizes it is given; switching to one is a mode change.
  auto xrandr = [&](std::vector<std::string> Args) {
    Args.insert(Args.begin(), "xrandr");
    return RunProcess(Args, nullptr, Env());
  };
  ASSERT_EQ(xrandr({"--newmode", "brivo-800", "40", "800", "840", "968", "1056", "600", "601", "605", "628"}), 0);
  ASSERT_EQ(xrandr({"--addmode", "screen", "brivo-800"}), 0);
  // A new mode on an output is a display change already; the other program sets its ramp once more
  // so that the switch alone has to bring the sliders' ramp back.
  ASSERT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.1f)));
  ASSERT_TRUE(other->Apply(dark, why)) << why;
  ASSERT_EQ(xrandr({"--output", "screen", "--mode", "brivo-800"}), 0);
  EXPECT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.1f)));
}

// What the README tells someone who can no longer read the screen.
TEST_F(ProgramLifeOnX, EnterResetsFromTheStartAndAfterTabOnceATrackHasTheFocus) {
  ASSERT_TRUE(RampBecomes(Identity));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.1f)));
  ASSERT_EQ(Xdotool({"key", "Return"}), 0);
  EXPECT_TRUE(RampBecomes(Identity)) << "the arrows leave the focus on the reset button";

  Click(At(Reference.Form().ScrollBar1->Track(), 10, 8));
  ASSERT_TRUE(Eventually([&] { return !(Probe() == Identity); }));
  ASSERT_EQ(Xdotool({"key", "Tab", "space"}), 0);
  EXPECT_TRUE(RampBecomes(Identity));
}

class SignalOnX : public AdjusterOnX, public ::testing::WithParamInterface<int> {};

TEST_P(SignalOnX, EndsItAndTheLastRampStays) {
  ASSERT_TRUE(RampBecomes(Identity));
  Click(At(Reference.Form().ScrollBar1->Track(), 10, 8));
  ASSERT_TRUE(Eventually([&] { return !(Probe() == Identity); }));
  const TProbedRamp last = Probe();
  Program->Send(GetParam());
  Program->Wait();
  EXPECT_FALSE(Program->Running());
  EXPECT_EQ(Probe(), last);
  EXPECT_EQ(Errors(), "");
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalOnX, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& I) {
                           return I.param == SIGTERM ? "Term" : I.param == SIGINT ? "Int" : "Hup";
                         });

TEST(ProgramOnX, AScreenTheServerDoesNotHaveIsRefusedByName) {
  TXvfb server;
  ASSERT_TRUE(server.Running()) << server.Error();
  const std::string display = server.Display() + ".3";
  std::string out, errors;
  EXPECT_EQ(RunProcess({kBin + "/brivo"}, &out, {"DISPLAY=" + display}, &errors), 1);
  EXPECT_EQ(errors, "brivo: cannot open the X display '" + display + "': the X server " + server.Display() +
                        " has 1 screen (0), not screen 3\n");
  EXPECT_EQ(out, "");
}

} // namespace
