#include "tests/support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>

extern char** environ;

namespace {

// The environment of this process with ExtraEnvironment's NAME=value entries replacing or adding.
struct TSpawnArguments {
  TSpawnArguments(const std::vector<std::string>& Argv, const std::vector<std::string>& ExtraEnvironment) {
    for (const std::string& a : Argv)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (char** e = environ; *e != nullptr; ++e)
      envStrings.emplace_back(*e);
    for (const std::string& extra : ExtraEnvironment) {
      const std::string key = extra.substr(0, extra.find('=') + 1);
      std::erase_if(envStrings, [&](const std::string& s) { return s.rfind(key, 0) == 0; });
      envStrings.push_back(extra);
    }
    for (std::string& s : envStrings)
      envp.push_back(s.data());
    envp.push_back(nullptr);
  }
  std::vector<char*> argv;
  std::vector<std::string> envStrings;
  std::vector<char*> envp;
};

int ExitStatus(int Status) { return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1; }

} // namespace

int RunProcess(const std::vector<std::string>& Argv, std::string* Output,
               const std::vector<std::string>& ExtraEnvironment, std::string* Errors) {
  TSpawnArguments args(Argv, ExtraEnvironment);
  // One pipe per stream asked for; both are drained together so a child filling one never blocks.
  struct TStream {
    std::string* Into;
    int Fd;
    int Fds[2] = {-1, -1};
  } streams[2] = {{Output, STDOUT_FILENO}, {Errors, STDERR_FILENO}};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (TStream& s : streams) {
    if (s.Into == nullptr)
      continue;
    if (pipe(s.Fds) != 0) {
      posix_spawn_file_actions_destroy(&actions);
      return -1;
    }
    posix_spawn_file_actions_adddup2(&actions, s.Fds[1], s.Fd);
  }
  for (TStream& s : streams)
    if (s.Into != nullptr) {
      posix_spawn_file_actions_addclose(&actions, s.Fds[0]);
      posix_spawn_file_actions_addclose(&actions, s.Fds[1]);
    }
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args.argv[0], &actions, nullptr, args.argv.data(), args.envp.data());
  posix_spawn_file_actions_destroy(&actions);
  std::vector<pollfd> open;
  for (TStream& s : streams)
    if (s.Into != nullptr) {
      close(s.Fds[1]);
      open.push_back({s.Fds[0], POLLIN, 0});
    }
  while (rc == 0 && !open.empty()) {
    if (poll(open.data(), open.size(), -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    for (std::size_t i = open.size(); i-- > 0;) {
      if (open[i].revents == 0)
        continue;
      char buf[4096];
      const ssize_t n = read(open[i].fd, buf, sizeof buf);
      if (n > 0) {
        std::string* into = open[i].fd == streams[0].Fds[0] ? streams[0].Into : streams[1].Into;
        into->append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        open.erase(open.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
  }
  for (TStream& s : streams)
    if (s.Into != nullptr)
      close(s.Fds[0]);
  if (rc != 0)
    return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR)
      return -1;
  return ExitStatus(status);
}

TChildProcess::TChildProcess(const std::vector<std::string>& Argv, const std::vector<std::string>& ExtraEnvironment,
                             const std::string& ErrorsFile, bool CaptureOutput) {
  TSpawnArguments args(Argv, ExtraEnvironment);
  int fds[2] = {-1, -1};
  if (CaptureOutput && pipe(fds) != 0)
    return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!ErrorsFile.empty())
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, ErrorsFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (CaptureOutput) {
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
  }
  pid_t pid = 0;
  if (posix_spawnp(&pid, args.argv[0], &actions, nullptr, args.argv.data(), args.envp.data()) == 0)
    FPid = pid;
  posix_spawn_file_actions_destroy(&actions);
  if (CaptureOutput) {
    close(fds[1]);
    FOutputFd = fds[0];
  }
}

void TChildProcess::Send(int Signal) {
  if (Running())
    kill(FPid, Signal);
}

TChildProcess::~TChildProcess() {
  if (Running())
    Stop();
  if (FOutputFd >= 0)
    close(FOutputFd);
}

bool TChildProcess::ReadOutput(int TimeoutMs) {
  if (FOutputFd < 0)
    return false;
  pollfd p{FOutputFd, POLLIN, 0};
  const int ready = poll(&p, 1, TimeoutMs);
  if (ready < 0)
    return errno == EINTR;
  if (ready == 0)
    return true;
  char buf[4096];
  const ssize_t n = read(FOutputFd, buf, sizeof buf);
  if (n > 0) {
    FOutput.append(buf, static_cast<std::size_t>(n));
    return true;
  }
  if (n < 0 && errno == EINTR)
    return true;
  close(FOutputFd);
  FOutputFd = -1;
  return false;
}

const std::string& TChildProcess::Output() {
  while (FOutputFd >= 0) {
    const std::size_t before = FOutput.size();
    if (!ReadOutput(0) || FOutput.size() == before)
      break;
  }
  return FOutput;
}

bool TChildProcess::WaitForOutput(const std::string& Text, int TimeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (FOutput.find(Text) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !ReadOutput(static_cast<int>(left.count())))
      return FOutput.find(Text) != std::string::npos;
  }
  return true;
}

bool TChildProcess::Running() {
  if (FPid <= 0 || FReaped)
    return false;
  int status = 0;
  const pid_t r = waitpid(FPid, &status, WNOHANG);
  if (r == FPid) {
    FReaped = true;
    FStatus = ExitStatus(status);
  }
  return !FReaped;
}

int TChildProcess::Stop() {
  if (Running())
    kill(FPid, SIGTERM);
  return Wait();
}

int TChildProcess::Wait() {
  if (FPid <= 0)
    return -1;
  if (!FReaped) {
    int status = 0;
    while (waitpid(FPid, &status, 0) < 0)
      if (errno != EINTR)
        return -1;
    FReaped = true;
    FStatus = ExitStatus(status);
  }
  return FStatus;
}

bool TChildProcess::WaitForExit(int TimeoutMs) {
  if (!Running())
    return FPid > 0;
  // The process's descriptor becomes readable when it exits: a wait with a deadline, no polling.
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, FPid, 0));
  if (fd < 0) {
    Wait();
    return true;
  }
  pollfd p{fd, POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) != -1 || errno != EINTR)
      break;
  }
  close(fd);
  return !Running();
}
