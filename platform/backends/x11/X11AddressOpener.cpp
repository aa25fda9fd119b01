#include "platform/backends/x11/X11AddressOpener.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/core/Report.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

extern char** environ;

namespace {

// The write end of the wake pipe of the opener alive now; the SIGCHLD handler may only write to it.
volatile sig_atomic_t gWakeWrite = -1;

void ChildEnded(int) {
  const int saved = errno;
  if (gWakeWrite >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(gWakeWrite, &byte, 1);
  }
  errno = saved;
}

} // namespace

TX11AddressOpener::TX11AddressOpener(std::string Program, TReporter Report)
    : FProgram(std::move(Program)), FReport(Report ? std::move(Report) : TReporter(ReportLine)) {
  if (pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0) {
    FWake[0] = FWake[1] = -1;
    return;
  }
  gWakeWrite = FWake[1];
  struct sigaction action {};
  action.sa_handler = ChildEnded;
  sigemptyset(&action.sa_mask);
  // Restarting keeps every other blocking call of the program unaware of the signal.
  action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
  sigaction(SIGCHLD, &action, nullptr);
}

TX11AddressOpener::~TX11AddressOpener() {
  Reap();
  if (FWake[0] >= 0) {
    if (gWakeWrite == FWake[1])
      gWakeWrite = -1;
    close(FWake[0]);
    close(FWake[1]);
  }
  // Children still running are left to finish on their own; init adopts them when we end.
}

void TX11AddressOpener::Refuse(const std::string& Address, const std::string& Why) {
  FReport("cannot open " + (Address.empty() ? std::string("an empty address") : Address) + ": " + Why);
}

bool TX11AddressOpener::Open(const std::string& Address, std::string& Why) {
  Reap();
  if (Address.empty()) {
    Why = "no address to open";
    Refuse(Address, Why);
    return false;
  }
  std::string program = FProgram;
  std::string address = Address;
  // A leading "-" would be taken for an option of the opener.
  char* argv[] = {program.data(), address.data(), nullptr};
  if (Address.front() == '-') {
    Why = "the address \"" + Address + "\" starts with '-'";
    Refuse(Address, Why);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Nor may a text browser it starts take over the program's terminal.
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    Why = "cannot start " + FProgram + ": " + std::strerror(rc);
    Refuse(Address, Why);
    return false;
  }
  FChildren.push_back({pid, Address});
  return true;
}

std::string TX11AddressOpener::Failure(const std::string& Program, int WaitStatus) {
  if (WIFSIGNALED(WaitStatus))
    return Program + " was ended by signal " + std::to_string(WTERMSIG(WaitStatus));
  if (!WIFEXITED(WaitStatus) || WEXITSTATUS(WaitStatus) == 0)
    return {};
  const int code = WEXITSTATUS(WaitStatus);
  const std::string status = " (exit status " + std::to_string(code) + ")";
  if (Program == "xdg-open")
    switch (code) {
    case 1: return "xdg-open did not take it" + status;
    case 3: return "xdg-open found no program to open it with" + status;
    case 4: return "the program xdg-open started for it failed" + status;
    default: break;
    }
  return Program + " failed" + status;
}

int TX11AddressOpener::Reap() {
  if (FWake[0] >= 0) {
    char drain[64];
    while (read(FWake[0], drain, sizeof drain) > 0) {
    }
  }
  std::erase_if(FChildren, [this](const TChild& Child) {
    int status = 0;
    const pid_t r = waitpid(Child.Pid, &status, WNOHANG);
    if (r == Child.Pid)
      if (const std::string why = Failure(FProgram, status); !why.empty())
        Refuse(Child.Address, why);
    return r == Child.Pid || (r < 0 && errno == ECHILD);
  });
  return static_cast<int>(FChildren.size());
}

int TX11AddressOpener::WaitForChildren(int TimeoutMs) {
  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  for (;;) {
    const int running = Reap();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long spent = (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000;
    if (running == 0 || FWake[0] < 0 || spent >= TimeoutMs)
      return running;
    pollfd p{FWake[0], POLLIN, 0};
    poll(&p, 1, static_cast<int>(TimeoutMs - spent));
  }
}
