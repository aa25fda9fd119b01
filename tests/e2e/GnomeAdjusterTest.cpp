// The adjuster on a GNOME session: its window on an X server (Xvfb), a compositor that offers no wlr
// gamma control, and the display configuration service (a stand-in) on a session bus of the test's
// own. Clicks are real (xdotool); the ramps are what the service received. Then a desktop with
// neither interface.

#include "tests/e2e/AdjusterOnX.h"
#include "tests/support/GammaTables.h"
#include "tests/support/SessionBus.h"
#include "tests/support/TestCompositor.h"
#include "tests/support/TestDisplayConfig.h"

namespace {

using TSet = TTestDisplayConfig::TGammaSet;

// A Wayland session whose compositor offers no gamma control, with a bus of its own.
class AdjusterOnWaylandWithoutWlrGamma : public AdjusterOnX {
protected:
  explicit AdjusterOnWaylandWithoutWlrGamma(std::string Desktop)
      : Compositor({{"DP-1", 256}}, false), Desktop(std::move(Desktop)) {}

  std::vector<std::string> Env() const override {
    std::vector<std::string> env = AdjusterOnX::Env();
    for (const std::string& e : Compositor.Environment())
      env.push_back(e);
    for (const std::string& e : Bus.Environment())
      env.push_back(e);
    env.push_back("XDG_CURRENT_DESKTOP=" + Desktop);
    return env;
  }
  void BeforeProgram() override {
    ASSERT_TRUE(Compositor.Running()) << Compositor.Error();
    ASSERT_TRUE(Bus.Running()) << Bus.Error();
  }

  int GammaProbe(std::vector<std::string> Args, std::string* Out, std::string* Err = nullptr) {
    Args.insert(Args.begin(), kBin + "/gamma-probe");
    return RunProcess(Args, Out, Env(), Err);
  }

  TTestCompositor Compositor;
  TSessionBus Bus;
  std::string Desktop;
};

class AdjusterOnGnome : public AdjusterOnWaylandWithoutWlrGamma {
protected:
  AdjusterOnGnome() : AdjusterOnWaylandWithoutWlrGamma("GNOME"), Service(Bus.Address(), {{"DP-1", 256}, {"HDMI-1", 1024}}) {}
  void BeforeProgram() override {
    AdjusterOnWaylandWithoutWlrGamma::BeforeProgram();
    ASSERT_TRUE(Service.Running()) << Service.Error();
  }

  // Whether every CRTC (the first Crtcs) comes to show the sliders' ramp at Offset, Contrast, Power.
  bool Shows(float Offset, float Contrast, float Power, std::uint32_t Crtcs = 2) {
    const TGammaRamp ramp = BuildGammaRamp(Offset, Contrast, Power);
    const std::uint32_t sizes[] = {256, 1024, 4096};
    for (std::uint32_t crtc = 0; crtc < Crtcs; ++crtc)
      if (!Service.WaitForRamp(crtc, Spread(ramp, sizes[crtc])))
        return false;
    return true;
  }

  TTestDisplayConfig Service;
};

TEST_F(AdjusterOnGnome, StartsWithTheIdentityOnEveryCrtcAndClicksGiveTheReferenceRamps) {
  EXPECT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  EXPECT_TRUE(Shows(1.0f, 1.0f, 1.1f));
  Click(At(Reference.Form().ScrollBar2->DecButton(), 8, 8));
  EXPECT_TRUE(Shows(1.0f, 0.9f, 1.1f));
  // Xvfb stands for Xwayland: its ramp is not the one that counts, and is left alone.
  EXPECT_EQ(Probe(), Probed(TGammaRamp{}));
  EXPECT_EQ(Errors(), "");
}

TEST_F(AdjusterOnGnome, ClosingChangesNothing) {
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.1f));
  const std::size_t sets = Service.Sets().size();
  Click({Origin.X + 1 + 260 + 8, Origin.Y + 4 + 8});
  EXPECT_EQ(Program->Wait(), 0);
  EXPECT_EQ(Service.Sets().size(), sets);
  EXPECT_TRUE(Shows(1.0f, 1.0f, 1.1f));
  EXPECT_EQ(Errors(), "");
}

TEST_F(AdjusterOnGnome, AfterMonitorsChangedEveryCrtcTheNewOneTooHasTheCurrentRamp) {
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.1f));
  ASSERT_EQ(Service.Plug({"DP-2", 4096}), 2u);
  EXPECT_TRUE(Shows(1.0f, 1.0f, 1.1f, 3));
  EXPECT_EQ(Service.StaleRefusals(), 0);
  EXPECT_EQ(Errors(), "");
}

TEST_F(AdjusterOnGnome, AStaleSerialIsRecoveredFrom) {
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  Service.ChangeSerial();
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  EXPECT_TRUE(Shows(1.0f, 1.0f, 1.1f));
  EXPECT_EQ(Service.StaleRefusals(), 1);
  EXPECT_EQ(Errors(), "");
}

TEST_F(AdjusterOnGnome, TheProbeListsTheCrtcsAndItsIdentityLoadsTheNeutralRamp) {
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.0f));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_TRUE(Shows(1.0f, 1.0f, 1.1f));
  std::string out;
  EXPECT_EQ(GammaProbe({}, &out), 0) << out;
  const std::vector<std::string> lines = Lines(out);
  ASSERT_GE(lines.size(), 2u) << out;
  EXPECT_EQ(lines[0], "CRTC 0 (DP-1): gamma size 256, the ramp can be set");
  EXPECT_EQ(lines[1], "CRTC 1 (HDMI-1): gamma size 1024, the ramp can be set");
  EXPECT_NE(out.find("crtc 1 output HDMI-1 size 1024\n"), std::string::npos) << out;

  std::string identity;
  EXPECT_EQ(GammaProbe({"--identity"}, &identity), 0) << identity;
  EXPECT_EQ(Lines(identity)[0], "CRTC 0 (DP-1): gamma size 256, the neutral ramp was loaded");
  EXPECT_TRUE(Shows(1.0f, 1.0f, 1.0f));
}

// A GNOME whose service dropped SetCrtcGamma: it is named once, and the window goes on working.
class AdjusterOnAGnomeWithoutSetCrtcGamma : public AdjusterOnWaylandWithoutWlrGamma {
protected:
  AdjusterOnAGnomeWithoutSetCrtcGamma()
      : AdjusterOnWaylandWithoutWlrGamma("GNOME"), Service(Bus.Address(), {{"DP-1", 256}}, false) {}
  void BeforeProgram() override {
    AdjusterOnWaylandWithoutWlrGamma::BeforeProgram();
    ASSERT_TRUE(Service.Running()) << Service.Error();
  }
  TTestDisplayConfig Service;
};

TEST_F(AdjusterOnAGnomeWithoutSetCrtcGamma, SaysSoInOneLineAndTheWindowWorks) {
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 6, 6));
  Reference.Form().ScrollBar3->SetPosition(12);
  EXPECT_TRUE(ShowsLikeReference(Reference.Form().stat3, Reference.Form().stat3));
  EXPECT_EQ(Lines(Errors()),
            std::vector<std::string>{"brivo: display gamma ramp not set: GNOME's display configuration service "
                                     "(org.gnome.Mutter.DisplayConfig) has no SetCrtcGamma: this GNOME lets no program "
                                     "set the gamma ramp; use its own Night Light or colour-profile settings instead"});
  EXPECT_TRUE(Service.Sets().empty());
}

// KDE Plasma, COSMIC and the like: no wlr gamma control, no display configuration service.
class AdjusterOnADesktopWithoutGamma : public AdjusterOnWaylandWithoutWlrGamma {
protected:
  AdjusterOnADesktopWithoutGamma() : AdjusterOnWaylandWithoutWlrGamma("KDE") {}
};

TEST_F(AdjusterOnADesktopWithoutGamma, SaysSoInOneLineAndTheWindowWorks) {
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 6, 6));
  Reference.Form().ScrollBar3->SetPosition(12);
  EXPECT_TRUE(ShowsLikeReference(Reference.Form().stat3, Reference.Form().stat3));
  const std::vector<std::string> lines = Lines(Errors());
  ASSERT_EQ(lines.size(), 1u) << Errors();
  EXPECT_EQ(lines[0].rfind("brivo: display gamma ramp not set: the desktop \"KDE\" lets no program set the gamma ramp", 0), 0u)
      << lines[0];
  EXPECT_NE(lines[0].find("night-light or colour-profile settings"), std::string::npos) << lines[0];

  std::string out, err;
  EXPECT_EQ(GammaProbe({}, &out, &err), 1);
  EXPECT_EQ(err, "gamma-probe: the ramp cannot be set: " + lines[0].substr(lines[0].find("the desktop")) + "\n");
}

} // namespace
