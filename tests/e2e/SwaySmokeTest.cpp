// The adjuster on a real wlroots compositor: sway, headless, with its Xwayland. Sway refuses to run
// as root, so the test makes an unprivileged user of its own and runs sway, the adjuster and the
// tools that look at its window as that user, from copies of the programs the user can read. The
// headless outputs have no gamma, so the compositor answers `failed`: the adjuster says so in one
// line and its window goes on working.

#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <pwd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const std::string kBin = BRIVO_BIN_DIR;

std::string ReadFile(const std::string& Path) {
  std::ifstream in(Path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The value of NAME=value on a line of Text.
std::string Variable(const std::string& Text, const std::string& Name) {
  std::istringstream in(Text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(Name + "=", 0) == 0)
      return line.substr(Name.size() + 1);
  return {};
}

class SwaySmoke : public ::testing::Test {
protected:
  void SetUp() override {
    if (geteuid() != 0)
      GTEST_SKIP() << "the test makes a user of its own for sway, which needs root";
    User = "brivo-sway-" + std::to_string(getpid());
    ASSERT_EQ(RunProcess({"useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin", User}), 0);
    UserMade = true;
    const passwd* pw = getpwnam(User.c_str());
    ASSERT_NE(pw, nullptr);
    Uid = pw->pw_uid;
    Gid = pw->pw_gid;

    char runtime[] = "/tmp/brivo-sway-XXXXXX";
    ASSERT_NE(mkdtemp(runtime), nullptr);
    Runtime = runtime;
    ASSERT_EQ(chown(Runtime.c_str(), Uid, Gid), 0);
    // The build tree may be private to root (a clone under /root): the user runs copies.
    Bin = Runtime + "-bin";
    fs::create_directory(Bin);
    for (const char* program : {"brivo", "gamma-keeper"})
      fs::copy_file(kBin + "/" + program, Bin + "/" + program, fs::copy_options::overwrite_existing);
    fs::permissions(Bin, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);

    // Sway tells its children's environment: the Wayland socket and its Xwayland's display.
    const std::string config = Runtime + "/config";
    std::ofstream(config) << "xwayland force\nexec /usr/bin/env\n";
    ASSERT_EQ(chown(config.c_str(), Uid, Gid), 0);
    Sway = std::make_unique<TChildProcess>(
        AsUser({"WLR_BACKENDS=headless", "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1"}, {"sway", "-c", config}),
        std::vector<std::string>{}, Runtime + "-sway.log", true);
    ASSERT_TRUE(Sway->Started());
    ASSERT_TRUE(Sway->WaitForOutput("WAYLAND_DISPLAY=", 60000)) << ReadFile(Runtime + "-sway.log");
    ASSERT_TRUE(Sway->WaitForOutput("\nDISPLAY=", 60000)) << Sway->Output();
    WaylandDisplay = Variable(Sway->Output(), "WAYLAND_DISPLAY");
    XDisplay = Variable(Sway->Output(), "DISPLAY");
  }

  void TearDown() override {
    Program.reset();
    Sway.reset();
    if (!Runtime.empty()) {
      std::error_code ignored;
      fs::remove_all(Runtime, ignored);
      fs::remove_all(Bin, ignored);
      fs::remove(Runtime + "-sway.log", ignored);
      fs::remove(Runtime + "-brivo.log", ignored);
    }
    if (UserMade)
      RunProcess({"userdel", User});
  }

  // Argv that runs Command as the test's user in a clean environment with Extra added.
  std::vector<std::string> AsUser(std::vector<std::string> Extra, const std::vector<std::string>& Command) const {
    std::vector<std::string> argv = {"env", "-i", "PATH=/usr/bin:/bin", "HOME=" + Runtime, "XDG_RUNTIME_DIR=" + Runtime};
    argv.insert(argv.end(), Extra.begin(), Extra.end());
    for (const std::string& a : {std::string("setpriv"), "--reuid=" + std::to_string(Uid),
                                 "--regid=" + std::to_string(Gid), std::string("--clear-groups"), std::string("--")})
      argv.push_back(a);
    argv.insert(argv.end(), Command.begin(), Command.end());
    return argv;
  }
  std::vector<std::string> Session() const { return {"WAYLAND_DISPLAY=" + WaylandDisplay, "DISPLAY=" + XDisplay}; }

  int Xdotool(const std::vector<std::string>& Args) {
    std::vector<std::string> command = {"xdotool"};
    command.insert(command.end(), Args.begin(), Args.end());
    return RunProcess(AsUser(Session(), command));
  }

  // Waits until the file holds Text, woken by its changes, at most TimeoutMs.
  static bool FileGets(const std::string& Path, const std::string& Text, int TimeoutMs) {
    const int watch = inotify_init1(IN_CLOEXEC);
    inotify_add_watch(watch, Path.c_str(), IN_MODIFY | IN_CLOSE_WRITE);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    bool found = false;
    while (!(found = ReadFile(Path).find(Text) != std::string::npos)) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      pollfd p{watch, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
        break;
      char events[4096];
      (void)!read(watch, events, sizeof events);
    }
    close(watch);
    return found;
  }

  std::string User;
  bool UserMade = false;
  uid_t Uid = 0;
  gid_t Gid = 0;
  std::string Runtime, Bin, WaylandDisplay, XDisplay;
  std::unique_ptr<TChildProcess> Sway;
  std::unique_ptr<TChildProcess> Program;
};

TEST_F(SwaySmoke, TheAdjusterOnSwaysXwaylandSaysTheOutputHasNoGammaOnceAndItsWindowWorks) {
  ASSERT_FALSE(WaylandDisplay.empty());
  ASSERT_FALSE(XDisplay.empty());
  const std::string errors = Runtime + "-brivo.log";
  std::ofstream{errors};
  Program = std::make_unique<TChildProcess>(AsUser(Session(), {Bin + "/brivo"}), std::vector<std::string>{}, errors);
  ASSERT_TRUE(Program->Started());
  ASSERT_EQ(Xdotool({"search", "--sync", "--onlyvisible", "--name", "Tavolu"}), 0);

  const std::string line = "brivo: display gamma ramp not set on output HEADLESS-1: the compositor refused its gamma "
                           "control: another program (a night-light tool, for one) holds the output's gamma, or the "
                           "output has no gamma ramp\n";
  ASSERT_TRUE(FileGets(errors, line, 60000)) << ReadFile(errors);
  EXPECT_TRUE(Program->Running());

  // The window takes keys: Enter resets (the ramp is refused again, and not said again), Alt+F4
  // closes it and the program ends normally.
  // Sway focused the window when it came.
  ASSERT_EQ(Xdotool({"key", "Return"}), 0);
  ASSERT_EQ(Xdotool({"key", "alt+F4"}), 0);
  EXPECT_EQ(Program->Wait(), 0);
  EXPECT_EQ(ReadFile(errors), line);
}

} // namespace
