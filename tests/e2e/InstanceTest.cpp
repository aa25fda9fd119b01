// One adjuster per X display: a second start brings the running window to the front and ends, bare
// and under a real window manager (openbox, started by the test); a start after the first one was
// killed opens its own window.

#include "tests/e2e/AdjusterOnX.h"
#include "tests/support/Openbox.h"

#include <signal.h>

namespace {

const TProbedRamp Identity = Expected(1.0f, 1.0f, 1.0f);

class InstanceOnX : public AdjusterOnX {
protected:
  explicit InstanceOnX(bool Managed) : FManaged(Managed) {}

  void BeforeProgram() override {
    if (!FManaged)
      return;
    Manager = std::make_unique<TOpenbox>(Server.Display());
    ASSERT_TRUE(Manager->WaitUntilManaging(10000)) << Manager->Error();
  }
  void TearDown() override {
    Cover.reset();
    AdjusterOnX::TearDown();
    Manager.reset();
  }

  // Starts the adjuster once more and waits for it to end; its status (-1 when it still runs after
  // a patient wait: it is stopped then), and what it wrote.
  int StartAgain(std::string& Said) {
    const std::string errors = ErrorsFile + ".again";
    TChildProcess again({kBin + "/brivo"}, Env(), errors, true);
    const bool ended = again.WaitForExit(20000);
    std::ifstream in(errors);
    Said = again.Output() + std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::filesystem::remove(errors);
    return ended ? again.Wait() : -1;
  }
  // The window that has the keyboard: the one the window manager made active, or without one the
  // server's input focus.
  std::string KeyboardWindow() {
    std::string out;
    Xdotool(FManaged ? std::vector<std::string>{"getactivewindow"} : std::vector<std::string>{"getwindowfocus", "-f"},
            &out);
    return out.substr(0, out.find('\n'));
  }
  std::vector<std::string> AdjusterWindows() {
    std::string out;
    Search({"--onlyvisible", "--name", "Tavolu"}, out);
    std::vector<std::string> ids;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
      if (!line.empty())
        ids.push_back(line);
    return ids;
  }
  // Another program's window over the whole adjuster window, with the keyboard.
  void CoverTheWindow() {
    Cover = std::make_unique<TChildProcess>(
        std::vector<std::string>{"xmessage", "-title", "cover", "-geometry",
                                 "400x300+" + std::to_string(Origin.X) + "+" + std::to_string(Origin.Y), "cover"},
        Env());
    ASSERT_TRUE(Cover->Started());
    std::string found;
    ASSERT_TRUE(Search({"--sync", "--onlyvisible", "--name", "^cover$"}, found)) << found;
    const std::string cover = found.substr(0, found.find('\n'));
    if (!FManaged) {
      ASSERT_EQ(Xdotool({"windowfocus", "--sync", cover}), 0);
    }
    ASSERT_TRUE(Eventually([&] { return KeyboardWindow() == cover; }));
  }

  const bool FManaged;
  std::unique_ptr<TOpenbox> Manager;
  std::unique_ptr<TChildProcess> Cover;
};

class SecondStartOnX : public InstanceOnX, public ::testing::WithParamInterface<bool> {
protected:
  SecondStartOnX() : InstanceOnX(GetParam()) {}
};

TEST_P(SecondStartOnX, BringsTheFirstWindowInFrontOfAnotherAndLeavesTheRampAlone) {
  ASSERT_TRUE(RampBecomes(Identity));
  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  ASSERT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.1f)));
  Reference.Form().ScrollBar3->SetPosition(11);
  const TControl* panel = Reference.Form().stat3;
  ASSERT_TRUE(ShowsLikeReference(panel, panel));
  CoverTheWindow();
  if (HasFatalFailure())
    return;
  ASSERT_TRUE(Eventually([&] { return Screen(panel).Pixels() != Reference.Pixels(panel).Pixels(); }))
      << "the other window does not cover the adjuster";

  std::string said;
  EXPECT_EQ(StartAgain(said), 0);
  EXPECT_EQ(said, "");
  EXPECT_TRUE(Eventually([&] { return KeyboardWindow() == Window; })) << "the first window is not active";
  EXPECT_TRUE(ShowsLikeReference(panel, panel)) << "the first window is not raised, or its slider moved";
  EXPECT_EQ(Probe(), Expected(1.0f, 1.0f, 1.1f)) << "the second start touched the ramp";
  EXPECT_EQ(AdjusterWindows(), std::vector<std::string>{Window});
  EXPECT_TRUE(Program->Running());
  EXPECT_EQ(Errors(), "");
}

TEST_P(SecondStartOnX, AStartAfterTheFirstWasKilledOpensItsOwnWindow) {
  ASSERT_TRUE(RampBecomes(Identity));
  Program->Send(SIGKILL);
  Program->Wait();
  // The server lets go of the killed program's windows and selection as it notices the connection
  // end, which can be a moment after the process is gone.
  std::string out, errors;
  ASSERT_TRUE(Eventually([&] { return RunProcess({"xwininfo", "-id", Window}, &out, Env(), &errors) != 0; }));
  // The window manager may still be letting go of it; a new window under its number would be taken
  // for it.
  if (Manager) {
    ASSERT_TRUE(Manager->WaitUntilReleased(std::stoul(Window), 10000)) << Manager->Error();
  }
  TChildProcess third({kBin + "/brivo"}, Env());
  ASSERT_TRUE(third.Started());
  std::string found, pid;
  ASSERT_TRUE(Search({"--sync", "--onlyvisible", "--name", "Tavolu"}, found)) << found;
  // The server may give the new window the number the killed one had: the owner tells them apart.
  ASSERT_EQ(Xdotool({"getwindowpid", found.substr(0, found.find('\n'))}, &pid), 0);
  EXPECT_EQ(pid, std::to_string(third.Pid()) + "\n");
  EXPECT_TRUE(third.Running());
  // And it holds the claim now: the next start hands over to it.
  std::string said;
  EXPECT_EQ(StartAgain(said), 0);
  EXPECT_EQ(said, "");
  EXPECT_TRUE(third.Running());
}

INSTANTIATE_TEST_SUITE_P(Desktops, SecondStartOnX, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& I) { return I.param ? "Openbox" : "Bare"; });

class SecondStartUnderOpenbox : public InstanceOnX {
protected:
  SecondStartUnderOpenbox() : InstanceOnX(true) {}
};

TEST_F(SecondStartUnderOpenbox, BringsTheFirstWindowBackFromAnIconWithItsRamp) {
  ASSERT_TRUE(RampBecomes(Identity));
  Click(At(Reference.Form().ScrollBar2->DecButton(), 8, 8));
  ASSERT_TRUE(RampBecomes(Expected(1.0f, 0.9f, 1.0f)));
  ASSERT_EQ(Xdotool({"windowminimize", "--sync", Window}), 0);
  std::string said;
  EXPECT_EQ(StartAgain(said), 0);
  EXPECT_EQ(said, "");
  EXPECT_TRUE(Eventually([&] { return KeyboardWindow() == Window; })) << "the first window is not active";
  EXPECT_EQ(AdjusterWindows(), std::vector<std::string>{Window}) << "the first window is not shown";
  EXPECT_EQ(Probe(), Expected(1.0f, 0.9f, 1.0f)) << "coming back reset the ramp";
}

} // namespace
