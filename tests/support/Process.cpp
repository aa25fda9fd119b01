#include "tests/support/Process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

int RunProcess(const std::vector<std::string>& Argv, std::string* Output,
               const std::vector<std::string>& ExtraEnvironment) {
  std::vector<char*> argv;
  for (const std::string& a : Argv)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  std::vector<std::string> envStrings;
  for (char** e = environ; *e != nullptr; ++e)
    envStrings.emplace_back(*e);
  for (const std::string& extra : ExtraEnvironment) {
    const std::string key = extra.substr(0, extra.find('=') + 1);
    std::erase_if(envStrings, [&](const std::string& s) { return s.rfind(key, 0) == 0; });
    envStrings.push_back(extra);
  }
  std::vector<char*> envp;
  for (std::string& s : envStrings)
    envp.push_back(s.data());
  envp.push_back(nullptr);

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
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
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
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
