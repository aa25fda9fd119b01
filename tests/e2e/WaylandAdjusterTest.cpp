// The adjuster on a Wayland session: its window on an X server (Xvfb stands for the compositor's
// Xwayland), its gamma through the test compositor and the gamma keeper. Clicks are real (xdotool);
// the ramps are what the compositor received.

#include "tests/e2e/AdjusterOnX.h"
#include "tests/support/GammaTables.h"
#include "tests/support/TestCompositor.h"

#include <signal.h>

#include <set>

namespace {

using TEvent = TTestCompositor::TGammaEvent;

const char* const kIndependentClient = "/usr/lib/wlroots/gamma-control";

int Count(const std::vector<TEvent>& Events, const std::string& Output, TEvent::TKind Kind) {
  return static_cast<int>(std::count_if(Events.begin(), Events.end(), [&](const TEvent& E) {
    return E.Output == Output && E.Kind == Kind;
  }));
}

class AdjusterOnWayland : public AdjusterOnX {
protected:
  AdjusterOnWayland() : Compositor({{"DP-1", 1024}, {"HDMI-A-1", 256}}) {}

  std::vector<std::string> Env() const override {
    std::vector<std::string> env = AdjusterOnX::Env();
    for (const std::string& e : Compositor.Environment())
      env.push_back(e);
    return env;
  }
  void BeforeProgram() override { ASSERT_TRUE(Compositor.Running()) << Compositor.Error(); }

  // Whether both outputs come to show the sliders' ramp at Offset, Contrast and Power.
  bool Shows(float Offset, float Contrast, float Power) {
    const TGammaRamp ramp = BuildGammaRamp(Offset, Contrast, Power);
    return Compositor.WaitForRamp("DP-1", Spread(ramp, 1024)) && Compositor.WaitForRamp("HDMI-A-1", Spread(ramp, 256));
  }

  std::string KeeperSocket() const { return Compositor.RuntimeDir() + "/brivo-gamma-keeper-wayland-test.sock"; }

  int GammaProbe(std::vector<std::string> Args, std::string* Out) {
    Args.insert(Args.begin(), kBin + "/gamma-probe");
    return RunProcess(Args, Out, Env());
  }

  TTestCompositor Compositor;
};

TEST_F(AdjusterOnWayland, StartsWithTheIdentityOnEveryOutputAndNothingOnTheXServer) {
  EXPECT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  EXPECT_EQ(Errors(), "");
  // Xvfb stands for Xwayland here: its ramp is not the one that counts, and is left alone.
  EXPECT_EQ(Probe(), Probed(TGammaRamp{}));
}

TEST_F(AdjusterOnWayland, ClicksGiveTheRampsOfTheX11PathSpreadOverEachOutput) {
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  MoveTo(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_EQ(Xdotool({"mousedown", "1"}), 0);
  const bool reached = Shows(1.0f, 1.0f, 2.0f);
  ASSERT_EQ(Xdotool({"mouseup", "1"}), 0);
  EXPECT_TRUE(reached);

  Click(At(Reference.Form().ScrollBar1->Track(), 10, 8));
  const TGammaRamp lower = BuildGammaRamp(0.8f, 1.0f, 2.0f);
  const TGammaRamp lowest = BuildGammaRamp(0.2f, 1.0f, 2.0f);
  EXPECT_TRUE(Compositor.WaitFor([&](const std::vector<TEvent>& E) {
    const std::vector<std::uint16_t> now = TTestCompositor::CurrentIn(E, "DP-1");
    return now == Spread(lower, 1024) || now == Spread(lowest, 1024);
  }));

  Click(At(Reference.Form().Button1, 30, 28));
  EXPECT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  // Every table the compositor received is one the X11 path would have set for some place of the
  // two sliders that moved, spread over its output's size.
  std::set<std::vector<std::uint16_t>> possible;
  for (int offset = 0; offset <= 20; ++offset)
    for (int power = 0; power <= 20; ++power)
      for (int size : {1024, 256})
        possible.insert(Spread(BuildGammaRamp(offset / 10.0f, 1.0f, power / 10.0f), size));
  int sets = 0;
  for (const TEvent& e : Compositor.Events())
    if (e.Kind == TEvent::TKind::Set) {
      ++sets;
      EXPECT_TRUE(possible.contains(e.Table)) << "a table of " << e.Size << " entries on " << e.Output
                                              << " that no place of the sliders gives";
    }
  EXPECT_GE(sets, 2 * 4) << "identity, the held arrow, the page and the reset on both outputs";
}

TEST_F(AdjusterOnWayland, TheCloseButtonEndsItAndNoOutputIsReset) {
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  Click(At(Reference.Form().ScrollBar2->Track(), 10, 8));
  ASSERT_TRUE(Compositor.WaitFor([&](const std::vector<TEvent>& E) { return Count(E, "DP-1", TEvent::TKind::Set) > 1; }));
  Click({Origin.X + 1 + 260 + 8, Origin.Y + 4 + 8});
  EXPECT_EQ(Program->Wait(), 0);
  const std::vector<std::uint16_t> last = Compositor.Current("DP-1");
  EXPECT_FALSE(last.empty());
  EXPECT_NE(last, Spread(BuildGammaRamp(1.0f, 1.0f, 1.0f), 1024));
  // The keeper still holds it: asking it (which takes a round trip through the compositor) changes
  // nothing, and no output was reset.
  std::string out;
  EXPECT_EQ(GammaProbe({}, &out), 0) << out;
  EXPECT_NE(out.find("output DP-1: wlr gamma control, gamma size 1024, the ramp can be set"), std::string::npos) << out;
  EXPECT_EQ(Compositor.Current("DP-1"), last);
  EXPECT_EQ(Count(Compositor.Events(), "DP-1", TEvent::TKind::Reset), 0);
  EXPECT_EQ(Errors(), "");
}

TEST_F(AdjusterOnWayland, AKilledAdjustersRampStaysAndTheNextStartTakesOverQuietly) {
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.1f));
  Program->Send(SIGKILL);
  Program->Wait();
  // The server lets go of the killed program's window and its claim on the desktop as it notices
  // the connection end, which can be a moment after the process is gone: a start before that would
  // hand over to it.
  std::string out, errors;
  ASSERT_TRUE(Eventually([&] { return RunProcess({"xwininfo", "-id", Window}, &out, Env(), &errors) != 0; }));

  StartProgram();
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  const std::vector<TEvent> events = Compositor.Events();
  EXPECT_EQ(Count(events, "DP-1", TEvent::TKind::Reset), 0) << "the keeper held the ramp through the kill";
  EXPECT_EQ(Compositor.ControlsAsked("DP-1"), 1) << "one keeper, one control";
  EXPECT_EQ(Errors(), "");
}

TEST_F(AdjusterOnWayland, APluggedOutputGetsTheCurrentRamp) {
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.1f));
  Compositor.Plug({"DP-2", 4096});
  EXPECT_TRUE(Compositor.WaitForRamp("DP-2", Spread(BuildGammaRamp(1.0f, 1.0f, 1.1f), 4096)));
}

TEST_F(AdjusterOnWayland, TheProbesIdentityLoadsTheNeutralRampAndEndsTheKeeper) {
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.1f));

  std::string out;
  EXPECT_EQ(GammaProbe({"--identity"}, &out), 0);
  EXPECT_EQ(Lines(out), (std::vector<std::string>{
                            "output DP-1: wlr gamma control, gamma size 1024, the neutral ramp was loaded",
                            "output HDMI-A-1: wlr gamma control, gamma size 256, the neutral ramp was loaded",
                            "the gamma keeper has ended: the compositor shows each output's own ramp"}));
  // The neutral table, then the outputs given back.
  const std::vector<TEvent> events = Compositor.Events();
  ASSERT_GE(events.size(), 2u);
  auto lastSet = std::find_if(events.rbegin(), events.rend(),
                              [](const TEvent& E) { return E.Output == "DP-1" && E.Kind == TEvent::TKind::Set; });
  ASSERT_NE(lastSet, events.rend());
  EXPECT_EQ(lastSet->Table, Spread(BuildGammaRamp(1.0f, 1.0f, 1.0f), 1024));
  EXPECT_TRUE(Compositor.WaitFor([](const std::vector<TEvent>& E) { return Count(E, "DP-1", TEvent::TKind::Reset) == 1; }));
  EXPECT_NE(access(KeeperSocket().c_str(), F_OK), 0);

  // The adjuster goes on: its next change starts a new keeper. (The pointer is moved, or xdotool
  // waits for a motion that never comes.)
  Click(At(Reference.Form().ScrollBar3->IncButton(), 6, 6));
  EXPECT_TRUE(Shows(1.0f, 1.0f, 1.2f));
  EXPECT_EQ(Errors(), "");
}

// Another program holds one output's gamma before the adjuster starts.
class AdjusterBesideAnotherGammaProgram : public AdjusterOnWayland {
protected:
  void BeforeProgram() override {
    AdjusterOnWayland::BeforeProgram();
    Compositor.Unplug("HDMI-A-1");
    Other = std::make_unique<TChildProcess>(std::vector<std::string>{kIndependentClient, "-b", "0.9"}, Env());
    ASSERT_TRUE(Other->Started()) << kIndependentClient;
    ASSERT_TRUE(Compositor.WaitFor([](const std::vector<TEvent>& E) { return Count(E, "DP-1", TEvent::TKind::Set) == 1; }));
    Compositor.Plug({"HDMI-A-2", 256});
  }
  std::unique_ptr<TChildProcess> Other;
};

TEST_F(AdjusterBesideAnotherGammaProgram, SaysSoInOneLineAndTheOtherOutputAndTheWindowWork) {
  const std::vector<std::uint16_t> others = Compositor.Current("DP-1");
  EXPECT_TRUE(Compositor.WaitForRamp("HDMI-A-2", Spread(BuildGammaRamp(1.0f, 1.0f, 1.0f), 256)));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  EXPECT_TRUE(Compositor.WaitForRamp("HDMI-A-2", Spread(BuildGammaRamp(1.0f, 1.0f, 1.1f), 256)));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 6, 6));
  EXPECT_TRUE(Compositor.WaitForRamp("HDMI-A-2", Spread(BuildGammaRamp(1.0f, 1.0f, 1.2f), 256)));
  EXPECT_EQ(Compositor.Current("DP-1"), others) << "the other program keeps its output";
  const std::vector<std::string> lines = Lines(Errors());
  ASSERT_EQ(lines.size(), 1u) << Errors();
  EXPECT_EQ(lines[0].rfind("brivo: display gamma ramp not set on output DP-1: ", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find("another program"), std::string::npos) << lines[0];
  EXPECT_EQ(Compositor.ControlsAsked("DP-1"), 2) << "asked once by the other program and once by the keeper";
}

} // namespace
