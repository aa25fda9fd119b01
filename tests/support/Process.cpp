#include "tests/support/Process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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
               const std::vector<std::string>& ExtraEnvironment) {
  TSpawnArguments args(Argv, ExtraEnvironment);
  std::vector<char*>& argv = args.argv;
  int pipeFds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (Output != nullptr) {
    if (pipe(pipeFds) != 0)
      return -1;
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
  }
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), args.envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (Output != nullptr) {
    close(pipeFds[1]);
    if (rc == 0) {
      char buf[4096];
      ssize_t n = 0;
      while ((n = read(pipeFds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
          Output->append(buf, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
  }
  if (rc != 0)
    return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR)
      return -1;
  return ExitStatus(status);
}

TChildProcess::TChildProcess(const std::vector<std::string>& Argv, const std::vector<std::string>& ExtraEnvironment) {
  TSpawnArguments args(Argv, ExtraEnvironment);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args.argv[0], nullptr, nullptr, args.argv.data(), args.envp.data()) == 0)
    FPid = pid;
}

TChildProcess::~TChildProcess() {
  if (Running())
    Stop();
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
