// The gamma keeper program against the test compositor, driven through the adjuster's own client
// code: what reaches each output, what the keeper answers, when it stays and when it ends.

#include "platform/backends/GammaSession.h"
#include "platform/backends/wayland/KeeperClient.h"
#include "platform/backends/wayland/WaylandProbe.h"
#include "platform/core/Report.h"
#include "tests/support/GammaTables.h"
#include "tests/support/TestCompositor.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using TEvent = TTestCompositor::TGammaEvent;

const std::string kKeeper = std::string(BRIVO_BIN_DIR) + "/gamma-keeper";

TGammaRamp Ramp(float Scale) {
  TGammaRamp r;
  for (int i = 0; i < 256; ++i)
    r.Red[i] = r.Green[i] = r.Blue[i] = static_cast<WORD>(std::min(65280.0f, i * 256 * Scale));
  return r;
}

const TKeeperOutput* Find(const std::vector<TKeeperOutput>& Report, const std::string& Name) {
  for (const TKeeperOutput& o : Report)
    if (o.Name == Name)
      return &o;
  return nullptr;
}

int Resets(const std::vector<TEvent>& Events, const std::string& Output) {
  return static_cast<int>(std::count_if(Events.begin(), Events.end(), [&](const TEvent& E) {
    return E.Output == Output && E.Kind == TEvent::TKind::Reset;
  }));
}

class GammaKeeper : public ::testing::Test {
protected:
  GammaKeeper() : Compositor({{"DP-1", 256}, {"DP-2", 1024}, {"HDMI-A-1", 0}}) {}

  void SetUp() override {
    ASSERT_TRUE(Compositor.Running()) << Compositor.Error();
    // The client code and the keeper it starts find the compositor and the socket's folder here.
    for (const std::string& e : Compositor.Environment())
      setenv(e.substr(0, e.find('=')).c_str(), e.substr(e.find('=') + 1).c_str(), 1);
    std::string why;
    ASSERT_TRUE(FindKeeperPlace(Compositor.DisplayName(), Place, why)) << why;
  }

  void TearDown() override {
    // A keeper still running is told to end, so that none outlives the test.
    std::string why;
    if (auto link = TKeeperConnection::Open(Place, "", why)) {
      TKeeperMessage reset, answer;
      reset.Type = TKeeperMessageType::Reset;
      link->Send(reset);
      link->WaitForMessage(answer, 10000, why);
    }
  }

  std::unique_ptr<TKeeperConnection> Connect(bool Start = true) {
    std::string why;
    auto link = TKeeperConnection::Open(Place, Start ? kKeeper : "", why);
    EXPECT_TRUE(link) << why;
    return link;
  }

  // Sends M and returns the keeper's answer (a Report unless the test says otherwise).
  TKeeperMessage Ask(TKeeperConnection& Link, const TKeeperMessage& M) {
    std::string why;
    TKeeperMessage answer;
    EXPECT_TRUE(Link.Send(M));
    EXPECT_TRUE(Link.WaitForMessage(answer, 15000, why)) << why;
    return answer;
  }
  TKeeperMessage SendRamp(TKeeperConnection& Link, const TGammaRamp& R) {
    TKeeperMessage m;
    m.Type = TKeeperMessageType::Ramp;
    m.Ramp = R;
    return Ask(Link, m);
  }
  TKeeperMessage Survey(TKeeperConnection& Link) { return Ask(Link, TKeeperMessage{}); }

  bool KeeperListening() const { return access(Place.Socket.c_str(), F_OK) == 0; }

  TTestCompositor Compositor;
  TKeeperPlace Place;
};

TEST_F(GammaKeeper, HoldsTheTableOnEveryOutputSpreadOverItsOwnSize) {
  auto link = Connect();
  ASSERT_TRUE(link);
  const TGammaRamp ramp = Ramp(0.75f);
  const TKeeperMessage report = SendRamp(*link, ramp);
  ASSERT_EQ(report.Type, TKeeperMessageType::Report) << report.Text;
  ASSERT_EQ(report.Outputs.size(), 3u);

  const TKeeperOutput* dp1 = Find(report.Outputs, "DP-1");
  const TKeeperOutput* dp2 = Find(report.Outputs, "DP-2");
  const TKeeperOutput* zero = Find(report.Outputs, "HDMI-A-1");
  ASSERT_TRUE(dp1 && dp2 && zero);
  EXPECT_EQ(dp1->State, TKeeperOutputState::Applied);
  EXPECT_EQ(dp2->State, TKeeperOutputState::Applied);
  EXPECT_EQ(dp2->GammaSize, 1024u);
  EXPECT_EQ(zero->State, TKeeperOutputState::Refused);
  EXPECT_NE(zero->Reason.find("0 entries"), std::string::npos) << zero->Reason;

  EXPECT_EQ(Compositor.Current("DP-1"), Spread(ramp, 256));
  EXPECT_EQ(Compositor.Current("DP-2"), Spread(ramp, 1024));
  EXPECT_TRUE(Compositor.Current("HDMI-A-1").empty());
}

TEST_F(GammaKeeper, KeepsTheTableAfterItsClientHangsUpAndServesTheNextOneWithTheSameControls) {
  const TGammaRamp ramp = Ramp(0.5f);
  {
    auto first = Connect();
    ASSERT_TRUE(first);
    SendRamp(*first, ramp);
  }
  auto second = Connect(false); // the keeper is still there: no new one is started
  ASSERT_TRUE(second);
  const TKeeperMessage report = Survey(*second);
  const TKeeperOutput* dp1 = Find(report.Outputs, "DP-1");
  ASSERT_TRUE(dp1);
  EXPECT_EQ(dp1->State, TKeeperOutputState::Applied);
  EXPECT_EQ(Compositor.Current("DP-1"), Spread(ramp, 256));
  EXPECT_EQ(Resets(Compositor.Events(), "DP-1"), 0);
  EXPECT_EQ(Compositor.ControlsAsked("DP-1"), 1);
}

TEST_F(GammaKeeper, ClientsStartingTogetherShareOneKeeper) {
  std::unique_ptr<TKeeperConnection> links[4];
  std::vector<std::thread> starters;
  for (auto& link : links)
    starters.emplace_back([&link, this] {
      std::string why;
      link = TKeeperConnection::Open(Place, kKeeper, why);
    });
  for (std::thread& t : starters)
    t.join();
  for (auto& link : links) {
    ASSERT_TRUE(link);
    EXPECT_EQ(Survey(*link).Type, TKeeperMessageType::Report);
  }
  // Every output was asked for once: a second keeper would have asked again (and failed).
  EXPECT_EQ(Compositor.ControlsAsked("DP-1"), 1);
  EXPECT_EQ(Compositor.ControlsAsked("DP-2"), 1);
}

TEST_F(GammaKeeper, GivesAPluggedOutputTheTableAndForgetsOneThatGoes) {
  auto link = Connect();
  ASSERT_TRUE(link);
  const TGammaRamp ramp = Ramp(1.2f);
  SendRamp(*link, ramp);

  Compositor.Plug({"DP-3", 1024});
  EXPECT_TRUE(Compositor.WaitForRamp("DP-3", Spread(ramp, 1024)));
  Compositor.Unplug("DP-2");
  // The keeper tells its clients of both; the last word counts.
  std::string why;
  TKeeperMessage report;
  bool settled = false;
  while (!settled && link->WaitForMessage(report, 15000, why))
    settled = Find(report.Outputs, "DP-3") && !Find(report.Outputs, "DP-2");
  EXPECT_TRUE(settled) << why;
  EXPECT_EQ(Find(Survey(*link).Outputs, "DP-2"), nullptr);
}

// No display has a ramp of millions of entries: such a size is the compositor's mistake, and the
// keeper neither allocates nor sends a table for it.
TEST_F(GammaKeeper, RefusesAnOutputWhoseGammaSizeIsBeyondReasonAndTheOthersKeepTheirTable) {
  auto link = Connect();
  ASSERT_TRUE(link);
  const TGammaRamp ramp = Ramp(0.9f);
  SendRamp(*link, ramp);
  Compositor.Plug({"DP-9", 1u << 24});
  std::string why;
  TKeeperMessage report;
  const TKeeperOutput* huge = nullptr;
  while (!huge && link->WaitForMessage(report, 15000, why))
    huge = Find(report.Outputs, "DP-9");
  ASSERT_TRUE(huge) << why;
  EXPECT_EQ(huge->State, TKeeperOutputState::Refused);
  EXPECT_NE(huge->Reason.find("16777216 entries, more than any display has"), std::string::npos) << huge->Reason;
  EXPECT_TRUE(Compositor.Current("DP-9").empty());
  EXPECT_EQ(Compositor.Current("DP-1"), Spread(ramp, 256));
  EXPECT_EQ(Compositor.Current("DP-2"), Spread(ramp, 1024));
}

TEST_F(GammaKeeper, AWithdrawnControlIsReportedAndAskedForAgainOnlyByANewClient) {
  auto link = Connect();
  ASSERT_TRUE(link);
  const TGammaRamp ramp = Ramp(0.8f);
  SendRamp(*link, ramp);

  Compositor.InjectFailed("DP-1");
  std::string why;
  TKeeperMessage report;
  const TKeeperOutput* dp1 = nullptr;
  while (!(dp1 && dp1->State == TKeeperOutputState::Refused) && link->WaitForMessage(report, 15000, why))
    dp1 = Find(report.Outputs, "DP-1");
  ASSERT_TRUE(dp1) << why;
  EXPECT_EQ(dp1->State, TKeeperOutputState::Refused);
  EXPECT_NE(dp1->Reason.find("withdrew"), std::string::npos) << dp1->Reason;

  // The same client's next table leaves DP-1 alone: no retry loop.
  const TGammaRamp next = Ramp(0.9f);
  SendRamp(*link, next);
  EXPECT_EQ(Compositor.ControlsAsked("DP-1"), 1);
  EXPECT_TRUE(Compositor.Current("DP-1").empty());
  EXPECT_EQ(Compositor.Current("DP-2"), Spread(next, 1024));

  // A new client (the adjuster started again) is one new chance.
  auto again = Connect(false);
  ASSERT_TRUE(again);
  const TKeeperMessage answer = SendRamp(*again, next);
  const TKeeperOutput* retried = Find(answer.Outputs, "DP-1");
  ASSERT_TRUE(retried);
  EXPECT_EQ(retried->State, TKeeperOutputState::Applied);
  EXPECT_EQ(Compositor.ControlsAsked("DP-1"), 2);
  EXPECT_EQ(Compositor.Current("DP-1"), Spread(next, 256));
}

// The session's choice asks the compositor itself, on the wire.
TEST_F(GammaKeeper, TheSessionChoiceFindsTheManagerAndFallsBackToXWhenNoCompositorAnswers) {
  std::vector<TWaylandGlobal> globals;
  std::string why;
  ASSERT_TRUE(ProbeWaylandCompositor(Compositor.DisplayName(), globals, why)) << why;
  std::vector<std::string> interfaces;
  for (const TWaylandGlobal& g : globals)
    interfaces.push_back(g.Interface);
  std::sort(interfaces.begin(), interfaces.end());
  EXPECT_EQ(interfaces, (std::vector<std::string>{"wl_output", "wl_output", "wl_output", "zwlr_gamma_control_manager_v1"}));
  EXPECT_EQ(ChooseGammaSession().Kind, TGammaSessionKind::WlrGammaControl);

  setenv("WAYLAND_DISPLAY", "wayland-nobody", 1);
  const TGammaSession none = ChooseGammaSession();
  EXPECT_EQ(none.Kind, TGammaSessionKind::X11);
  EXPECT_NE(none.Note.find(Compositor.RuntimeDir() + "/wayland-nobody"), std::string::npos) << none.Note;
  unsetenv("WAYLAND_DISPLAY");
  EXPECT_EQ(ChooseGammaSession().Kind, TGammaSessionKind::X11);
  EXPECT_EQ(ChooseGammaSession().Note, "");
}

// The adjuster's device: tables go out without waiting, and a refused output is named once.
TEST_F(GammaKeeper, TheDeviceNamesAnOutputItCouldNotSetOnceWhateverTheTablesThatFollow) {
  TKeeperGammaDevice device(Compositor.DisplayName(), kKeeper);
  ::testing::internal::CaptureStderr();
  std::string why;
  for (float scale : {0.5f, 0.6f, 0.7f}) {
    ASSERT_TRUE(device.Apply(Ramp(scale), why)) << why;
    ASSERT_TRUE(device.WaitForAnswers(15000, why)) << why;
  }
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, ProgramName() + ": display gamma ramp not set on output HDMI-A-1: the compositor gives the output "
                                  "a gamma ramp of 0 entries\n");
  EXPECT_EQ(Compositor.Current("DP-2"), Spread(Ramp(0.7f), 1024));
  const TKeeperOutput* dp2 = Find(device.LastReport(), "DP-2");
  ASSERT_TRUE(dp2);
  EXPECT_EQ(dp2->State, TKeeperOutputState::Applied);
}

TEST_F(GammaKeeper, RefusesAMalformedMessageByNameAndServesTheOthers) {
  auto link = Connect();
  ASSERT_TRUE(link);
  SendRamp(*link, Ramp(0.6f));

  const int raw = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, Place.Socket.c_str());
  ASSERT_EQ(connect(raw, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const char garbage[] = "GET / HTTP/1.0\r\n\r\n";
  ASSERT_EQ(send(raw, garbage, sizeof garbage - 1, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof garbage - 1));
  std::string answer;
  char buffer[512];
  for (ssize_t n; (n = recv(raw, buffer, sizeof buffer, 0)) > 0;)
    answer.append(buffer, static_cast<std::size_t>(n));
  close(raw);
  TKeeperReader reader;
  reader.Feed(reinterpret_cast<const std::uint8_t*>(answer.data()), answer.size());
  TKeeperMessage refusal;
  ASSERT_EQ(reader.Next(refusal), TKeeperReader::TResult::Message) << reader.Error();
  EXPECT_EQ(refusal.Type, TKeeperMessageType::Refusal);
  EXPECT_NE(refusal.Text.find("does not start with BGK1"), std::string::npos) << refusal.Text;

  EXPECT_EQ(Survey(*link).Type, TKeeperMessageType::Report);
  EXPECT_EQ(Compositor.Current("DP-1"), Spread(Ramp(0.6f), 256));
}

TEST_F(GammaKeeper, RefusesAClientOfAnotherUserEvenWhenTheSocketIsOpenToIt) {
  if (geteuid() != 0)
    GTEST_SKIP() << "acting as another user needs root";
  auto link = Connect();
  ASSERT_TRUE(link);
  SendRamp(*link, Ramp(0.6f));
  // A mistake in the folder's and socket's modes must not let another user in.
  ASSERT_EQ(chmod(Compositor.RuntimeDir().c_str(), 0755), 0);
  ASSERT_EQ(chmod(Place.Socket.c_str(), 0666), 0);

  const std::string path = Place.Socket;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Only plain system calls from here: the parent has threads.
    if (setgid(65534) != 0 || setuid(65534) != 0)
      _exit(2);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, path.c_str(), path.size());
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
      _exit(3);
    char answer[2048];
    std::size_t got = 0;
    for (ssize_t n; got < sizeof answer && (n = recv(fd, answer + got, sizeof answer - got, 0)) > 0;)
      got += static_cast<std::size_t>(n);
    const char named[] = "serves only the user it runs as";
    _exit(memmem(answer, got, named, sizeof named - 1) != nullptr ? 0 : 4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no user 65534, 3: could not connect, 4: no refusal";
  chmod(Compositor.RuntimeDir().c_str(), 0700);
  // The keeper goes on for its own user.
  EXPECT_EQ(Survey(*link).Type, TKeeperMessageType::Report);
}

TEST_F(GammaKeeper, EndsWhenItsCompositorGoes) {
  auto link = Connect();
  ASSERT_TRUE(link);
  SendRamp(*link, Ramp(0.6f));
  Compositor.Stop();
  std::string why;
  TKeeperMessage last;
  // Reports of outputs going may come first.
  do
    ASSERT_TRUE(link->WaitForMessage(last, 15000, why)) << why;
  while (last.Type == TKeeperMessageType::Report);
  EXPECT_EQ(last.Type, TKeeperMessageType::Refusal);
  EXPECT_NE(last.Text.find("went away"), std::string::npos) << last.Text;
  EXPECT_FALSE(link->WaitForMessage(last, 15000, why));
  EXPECT_FALSE(KeeperListening());
}

TEST_F(GammaKeeper, EndsWhenItHoldsTheIdentityAndItsLastClientLeaves) {
  {
    auto link = Connect();
    ASSERT_TRUE(link);
    SendRamp(*link, Ramp(0.6f));
    SendRamp(*link, NeutralGammaRamp());
  }
  // Its controls go with it, and the compositor shows every output's own ramp again.
  EXPECT_TRUE(Compositor.WaitFor([](const std::vector<TEvent>& E) {
    return Resets(E, "DP-1") == 1 && Resets(E, "DP-2") == 1;
  }));
  EXPECT_FALSE(KeeperListening());
}

TEST_F(GammaKeeper, AResetLoadsTheIdentityAndEndsTheKeeper) {
  auto link = Connect();
  ASSERT_TRUE(link);
  SendRamp(*link, Ramp(0.6f));
  auto other = Connect(false);
  ASSERT_TRUE(other);

  TKeeperMessage reset;
  reset.Type = TKeeperMessageType::Reset;
  const TKeeperMessage report = Ask(*link, reset);
  EXPECT_EQ(report.Type, TKeeperMessageType::Report);
  EXPECT_TRUE(Compositor.WaitFor([](const std::vector<TEvent>& E) { return Resets(E, "DP-2") == 1; }));
  // The neutral table was the last one set before the outputs were given back.
  const std::vector<TEvent> events = Compositor.Events();
  auto lastSet = std::find_if(events.rbegin(), events.rend(),
                              [](const TEvent& E) { return E.Output == "DP-2" && E.Kind == TEvent::TKind::Set; });
  ASSERT_NE(lastSet, events.rend());
  EXPECT_EQ(lastSet->Table, Spread(NeutralGammaRamp(), 1024));
  EXPECT_FALSE(KeeperListening());
  // The other client only sees the keeper go: it is not refused, and starts a new one when it needs to.
  std::string why;
  TKeeperMessage nothing;
  EXPECT_FALSE(other->WaitForMessage(nothing, 15000, why));
  EXPECT_EQ(why, "the gamma keeper ended");
}

} // namespace
