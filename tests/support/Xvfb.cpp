#include "tests/support/Xvfb.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

extern char** environ;

TXvfb::TXvfb(int Width, int Height) {
  int fds[2];
  if (pipe(fds) != 0) {
    FError = "cannot make a pipe for Xvfb";
    return;
  }
  const std::string fd = std::to_string(fds[1]);
  const std::string screen = std::to_string(Width) + "x" + std::to_string(Height) + "x24";
  // -noreset: without it the server resets when its last client leaves, and the gamma ramp a
  // finished program left behind reads back as garbage.
  std::vector<std::string> args = {"Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp",
                                   "-noreset"};
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    FError = "cannot start Xvfb (is the xvfb package installed?)";
    return;
  }
  FPid = pid;

  // Xvfb writes the display number it chose once it accepts connections.
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (true) {
    const int ready = poll(&p, 1, 30000);
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0)
      break;
    char c = 0;
    const ssize_t n = read(fds[0], &c, 1);
    if (n <= 0 || c == '\n')
      break;
    number.push_back(c);
  }
  close(fds[0]);
  if (number.empty()) {
    FError = "Xvfb did not report a display number";
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
    FPid = -1;
    return;
  }
  FDisplay = ":" + number;
}

TXvfb::~TXvfb() { Stop(); }

void TXvfb::Stop() {
  if (FPid > 0) {
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
    FPid = -1;
  }
}
