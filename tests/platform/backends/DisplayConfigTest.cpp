// The GNOME gamma device against a stand-in for the display configuration service on a bus of the
// test's own, and the session's choice between the gamma interfaces.

#include "platform/backends/GammaResample.h"
#include "platform/backends/GammaSession.h"
#include "platform/backends/gnome/DisplayConfigGammaDevice.h"
#include "platform/windows/Gdi.h"
#include "tests/support/GammaTables.h"
#include "tests/support/SessionBus.h"
#include "tests/support/TestCompositor.h"
#include "tests/support/TestDisplayConfig.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <list>

namespace {

using TSet = TTestDisplayConfig::TGammaSet;

// The neutral table scaled: a different table for each scale.
TGammaRamp Ramp(float Scale) {
  TGammaRamp r = NeutralGammaRamp();
  for (auto* channel : {&r.Red, &r.Green, &r.Blue})
    for (WORD& e : *channel)
      e = static_cast<WORD>(std::min(65280.0f, e * Scale));
  return r;
}

// The device's process has the test's bus as its session bus.
class OnTheTestBus : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Bus.Running()) << Bus.Error();
    setenv("DBUS_SESSION_BUS_ADDRESS", Bus.Address().c_str(), 1);
  }
  void TearDown() override { unsetenv("DBUS_SESSION_BUS_ADDRESS"); }

  // Lets the device's watch handle what its bus brings, as the desktop's wait does, until Condition
  // holds for the stand-in's record (at most 15 s).
  bool ServeUntil(TDisplayConfigGammaDevice& Device, const TTestDisplayConfig& Service,
                  const std::function<bool(const std::vector<TSet>&)>& Condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!Service.WaitFor(Condition, 0)) {
      if (std::chrono::steady_clock::now() > deadline)
        return false;
      auto watch = Device.Watch().lock();
      if (!watch || watch->Descriptor() < 0)
        return false;
      pollfd p{watch->Descriptor(), watch->Events(), 0};
      if (poll(&p, 1, 100) > 0)
        watch->Ready(p.revents);
    }
    return true;
  }

  TSessionBus Bus;
};

class DisplayConfigDevice : public OnTheTestBus {
protected:
  DisplayConfigDevice() : Service(Bus.Address(), {{"DP-1", 256}, {"HDMI-1", 1024}}) {}
  void SetUp() override {
    OnTheTestBus::SetUp();
    ASSERT_TRUE(Service.Running()) << Service.Error();
  }
  TTestDisplayConfig Service;
};

TEST_F(DisplayConfigDevice, SpreadsTheTableOverEachCrtcsGammaSize) {
  TDisplayConfigGammaDevice device;
  std::string why;
  ASSERT_TRUE(device.Apply(Ramp(2.0f), why)) << why;
  EXPECT_EQ(Service.Current(0), Spread(Ramp(2.0f), 256));
  EXPECT_EQ(Service.Current(1), Spread(Ramp(2.0f), 1024));
  EXPECT_EQ(Service.Sets().size(), 2u) << "one call per CRTC";

  const TDisplayConfigResources& resources = device.Resources();
  ASSERT_EQ(resources.Crtcs.size(), 2u);
  EXPECT_EQ(resources.Crtcs[1].Outputs, std::vector<std::string>{"HDMI-1"});
  EXPECT_EQ(resources.Crtcs[1].GammaSize, 1024u);
  EXPECT_EQ(resources.Serial, Service.Serial());
}

TEST_F(DisplayConfigDevice, AStaleSerialHasTheResourcesReadAgainAndTheTableSentOnce) {
  TDisplayConfigGammaDevice device;
  std::string why;
  ASSERT_TRUE(device.Apply(Ramp(1.0f), why)) << why;
  Service.ChangeSerial();
  ASSERT_TRUE(device.Apply(Ramp(0.5f), why)) << why;
  EXPECT_EQ(Service.StaleRefusals(), 1);
  EXPECT_EQ(Service.Current(0), Spread(Ramp(0.5f), 256));
  EXPECT_EQ(Service.Current(1), Spread(Ramp(0.5f), 1024));
  EXPECT_EQ(device.Resources().Serial, Service.Serial());
}

// A configuration that changes again while the table goes out once more is given up on, named,
// and not chased: the next table reads the resources afresh.
TEST_F(DisplayConfigDevice, ASerialStaleAgainAfterTheResourcesWereReadAnewEndsTheAttempt) {
  TDisplayConfigGammaDevice device;
  std::string why;
  ASSERT_TRUE(device.Apply(Ramp(1.0f), why)) << why;
  Service.ChangeSerialAtNextSets(2);
  EXPECT_FALSE(device.Apply(Ramp(0.5f), why));
  EXPECT_EQ(Service.StaleRefusals(), 2) << "sent, and sent once more after the resources were read anew";
  EXPECT_NE(why.find("again after the resources were read anew"), std::string::npos) << why;
  EXPECT_EQ(Service.Current(0), Spread(Ramp(1.0f), 256));

  ASSERT_TRUE(device.Apply(Ramp(0.5f), why)) << why;
  EXPECT_EQ(Service.StaleRefusals(), 2);
  EXPECT_EQ(Service.Current(0), Spread(Ramp(0.5f), 256));
  EXPECT_EQ(Service.Current(1), Spread(Ramp(0.5f), 1024));
}

TEST_F(DisplayConfigDevice, MonitorsChangedBringsTheLastTableToEveryCrtcTheNewOneToo) {
  TDisplayConfigGammaDevice device;
  std::string why;
  ASSERT_TRUE(device.Apply(Ramp(1.5f), why)) << why;
  const std::uint32_t added = Service.Plug({"DP-2", 4096});
  const std::vector<std::uint16_t> want = Spread(Ramp(1.5f), 4096);
  ASSERT_TRUE(ServeUntil(device, Service, [&](const std::vector<TSet>& Sets) {
    return std::any_of(Sets.begin(), Sets.end(), [&](const TSet& S) { return S.Crtc == added && S.Table == want; });
  }));
  EXPECT_EQ(Service.Current(0), Spread(Ramp(1.5f), 256));
  EXPECT_EQ(Service.Current(1), Spread(Ramp(1.5f), 1024));
  EXPECT_EQ(Service.StaleRefusals(), 0) << "the signal had the resources read before anything was sent";
}

TEST_F(DisplayConfigDevice, ASignalReadWhileWaitingForAnAnswerIsHandledBeforeApplyReturns) {
  TDisplayConfigGammaDevice device;
  std::string why;
  ASSERT_TRUE(device.Apply(Ramp(1.0f), why)) << why;
  // The signal comes in front of the last call's answer: it waits in the connection, not on its
  // socket, so no wait would ever wake for it.
  Service.PlugWhenSet(1, {"DP-2", 256});
  ASSERT_TRUE(device.Apply(Ramp(1.2f), why)) << why;
  EXPECT_EQ(Service.Current(2), Spread(Ramp(1.2f), 256));
  EXPECT_EQ(Service.Current(0), Spread(Ramp(1.2f), 256));
}

struct TEdge {
  const char* Named;
  std::vector<TTestDisplayConfig::TCrtcSetup> Crtcs;
  bool WithSetCrtcGamma;
  bool Applies;
  const char* Why;    // what a refusal says
  const char* Line;   // what standard error says, once
};

class DisplayConfigEdges : public OnTheTestBus, public ::testing::WithParamInterface<TEdge> {};

TEST_P(DisplayConfigEdges, SayWhatStandsInTheWayOnceAndSetWhatCanBeSet) {
  const TEdge& e = GetParam();
  TTestDisplayConfig service(Bus.Address(), e.Crtcs, e.WithSetCrtcGamma);
  ASSERT_TRUE(service.Running()) << service.Error();
  TDisplayConfigGammaDevice device;
  ::testing::internal::CaptureStderr();
  std::string why;
  for (float power : {0.5f, 0.6f}) {
    why.clear();
    EXPECT_EQ(device.Apply(Ramp(power), why), e.Applies) << why;
  }
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(why.find(e.Why), std::string::npos) << why;
  if (*e.Line) {
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_NE(errors.find(e.Line), std::string::npos) << errors;
  } else {
    EXPECT_EQ(errors, "");
  }
  for (std::uint32_t crtc = 0; crtc < e.Crtcs.size(); ++crtc) {
    const std::uint32_t size = e.Crtcs[crtc].GammaSize;
    EXPECT_EQ(service.Current(crtc), size > 0 && e.Applies ? Spread(Ramp(0.6f), size) : DimTable(size)) << crtc;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Service, DisplayConfigEdges,
    ::testing::Values(
        TEdge{"NoCrtc", {}, true, false, "org.gnome.Mutter.DisplayConfig lists no CRTC", ""},
        TEdge{"SizeZeroBesideAGoodOne", {{"eDP-1", 0}, {"DP-1", 256}}, true, true, "",
              "brivo: display gamma ramp not set on CRTC 0 (eDP-1): its gamma size is 0"},
        TEdge{"OnlySizeZero", {{"eDP-1", 0}, {"", 0}}, true, false,
              "CRTC 0 (eDP-1): its gamma size is 0; CRTC 1: its gamma size is 0", ""},
        TEdge{"SetCrtcGammaMissing", {{"DP-1", 256}}, false, false, "has no SetCrtcGamma", ""}),
    [](const ::testing::TestParamInfo<TEdge>& I) { return std::string(I.param.Named); });

// Without the service's description, the call itself tells a missing method from a stale serial.
TEST_F(OnTheTestBus, TheLinkTellsAStaleSerialFromAMissingMethod) {
  TTestDisplayConfig service(Bus.Address(), {{"DP-1", 256}}, false);
  ASSERT_TRUE(service.Running()) << service.Error();
  std::string why;
  auto link = TDisplayConfigLink::Open(why);
  ASSERT_TRUE(link) << why;
  EXPECT_FALSE(link->OffersSetCrtcGamma());
  TDisplayConfigGamma gamma;
  EXPECT_EQ(link->GetCrtcGamma(service.Serial() + 1, 0, gamma, why), TDisplayConfigResult::Stale);
  EXPECT_NE(why.find("stale"), std::string::npos) << why;
  ASSERT_EQ(link->GetCrtcGamma(service.Serial(), 0, gamma, why), TDisplayConfigResult::Done) << why;
  EXPECT_EQ(gamma.Red.size(), 256u);
  EXPECT_EQ(link->SetCrtcGamma(service.Serial(), 0, gamma, why), TDisplayConfigResult::Missing);
  EXPECT_NE(why.find("SetCrtcGamma"), std::string::npos) << why;
}

TEST(GammaSessionChoice, TheWlrManagerComesFirstThenGnomesServiceThenOneClearRefusal) {
  int asked = 0;
  const TDisplayConfigQuestion present = [&](std::string&) { return ++asked, true; };
  const TDisplayConfigQuestion absent = [&](std::string&) { return ++asked, false; };

  const TGammaSession wlr = ClassifyWaylandGamma("wayland-1", {"wl_output", "zwlr_gamma_control_manager_v1"}, present, "");
  EXPECT_EQ(wlr.Kind, TGammaSessionKind::WlrGammaControl);
  EXPECT_EQ(asked, 0) << "the bus is not asked when the compositor offers gamma";

  EXPECT_EQ(ClassifyWaylandGamma("wayland-0", {"wl_output"}, present, "GNOME").Kind,
            TGammaSessionKind::GnomeDisplayConfig);

  const TGammaSession kde = ClassifyWaylandGamma("wayland-0", {"wl_output"}, absent, "KDE");
  EXPECT_EQ(kde.Kind, TGammaSessionKind::Refused);
  EXPECT_EQ(kde.Refusal.rfind("the desktop \"KDE\" lets no program set the gamma ramp", 0), 0u) << kde.Refusal;
  EXPECT_NE(kde.Refusal.find("night-light or colour-profile settings"), std::string::npos) << kde.Refusal;

  const TGammaSession unnamed = ClassifyWaylandGamma("wayland-0", {"wl_output"}, absent, "");
  EXPECT_NE(unnamed.Refusal.find("XDG_CURRENT_DESKTOP is not set"), std::string::npos) << unnamed.Refusal;
}

TEST(GammaSessionChoice, TheRefusalStaysOneLineAndSaysWhyTheBusCouldNotBeAsked) {
  const TDisplayConfigQuestion unreachable = [](std::string& Why) {
    Why = "the session bus cannot be reached: No such file or directory";
    return false;
  };
  const TGammaSession s = ClassifyWaylandGamma("wayland-0", {}, unreachable, "COSMIC\nrm -rf" + std::string(200, 'x'));
  EXPECT_EQ(s.Kind, TGammaSessionKind::Refused);
  EXPECT_EQ(s.Refusal.find('\n'), std::string::npos) << s.Refusal;
  EXPECT_NE(s.Refusal.find("COSMIC rm -rf"), std::string::npos) << s.Refusal;
  EXPECT_LT(s.Refusal.size(), 400u);
  EXPECT_NE(s.Refusal.find("the session bus cannot be reached"), std::string::npos) << s.Refusal;
}

// The whole choice, asked of a compositor without gamma control and of the test's bus.
class SessionWithoutWlrGamma : public OnTheTestBus {
protected:
  SessionWithoutWlrGamma() : Compositor({{"DP-1", 256}}, false) {}
  void SetUp() override {
    OnTheTestBus::SetUp();
    ASSERT_TRUE(Compositor.Running()) << Compositor.Error();
    for (const std::string& e : Compositor.Environment())
      putenv(const_cast<char*>(Saved.emplace_back(e).c_str()));
    setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
  }
  void TearDown() override {
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("XDG_CURRENT_DESKTOP");
    OnTheTestBus::TearDown();
  }
  TTestCompositor Compositor;
  std::list<std::string> Saved;
};

TEST_F(SessionWithoutWlrGamma, FindsGnomesServiceOnTheSessionBusOrRefusesNamingTheDesktop) {
  const TGammaSession without = ChooseGammaSession();
  EXPECT_EQ(without.Kind, TGammaSessionKind::Refused);
  EXPECT_NE(without.Refusal.find("\"KDE\""), std::string::npos) << without.Refusal;
  EXPECT_NE(without.Refusal.find("is not on the session bus"), std::string::npos) << without.Refusal;
  auto refusing = OpenWaylandGammaDevice(without);
  std::string why;
  ASSERT_TRUE(refusing);
  EXPECT_FALSE(refusing->Apply(Ramp(1.0f), why));
  EXPECT_EQ(why, without.Refusal);

  TTestDisplayConfig service(Bus.Address(), {{"DP-1", 256}});
  ASSERT_TRUE(service.Running()) << service.Error();
  const TGammaSession gnome = ChooseGammaSession();
  EXPECT_EQ(gnome.Kind, TGammaSessionKind::GnomeDisplayConfig);
  std::weak_ptr<TDescriptorWatch> watch;
  auto device = OpenWaylandGammaDevice(gnome, &watch);
  ASSERT_TRUE(device);
  ASSERT_TRUE(device->Apply(Ramp(1.3f), why)) << why;
  EXPECT_EQ(service.Current(0), Spread(Ramp(1.3f), 256));
  EXPECT_FALSE(watch.expired());
}

} // namespace
