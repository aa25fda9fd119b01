#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Runs a program with an argument vector (no shell), waits for it, and returns its exit status
// (-1 when it could not be started or did not exit normally). Its standard output is collected
// into Output and its standard error into Errors when given.
int RunProcess(const std::vector<std::string>& Argv, std::string* Output = nullptr,
               const std::vector<std::string>& ExtraEnvironment = {}, std::string* Errors = nullptr);

// A program left running while a test drives it (argument vector, no shell). The destructor stops
// it (SIGTERM, then waits) if it is still running.
class TChildProcess {
public:
  // ErrorsFile, when given, receives the program's standard error; with CaptureOutput its standard
  // output is collected (Output, WaitForOutput).
  TChildProcess(const std::vector<std::string>& Argv, const std::vector<std::string>& ExtraEnvironment = {},
                const std::string& ErrorsFile = {}, bool CaptureOutput = false);
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  bool Started() const { return FPid > 0; }
  pid_t Pid() const { return FPid; }
  // True while the program has not exited (reaps it when it has).
  bool Running();
  // Asks the program to stop and waits; returns its exit status as RunProcess does.
  int Stop();
  // Waits until the program exits by itself; returns its exit status as RunProcess does.
  int Wait();
  // Waits at most TimeoutMs for the program to exit by itself; true when it has (Wait then returns
  // its status at once).
  bool WaitForExit(int TimeoutMs);
  // Sends Signal (SIGINT, SIGHUP, ...) to the program.
  void Send(int Signal);
  // What the program wrote to its standard output so far.
  const std::string& Output();
  // Waits until the output holds Text; false when the program closed its output or TimeoutMs
  // passed first.
  bool WaitForOutput(const std::string& Text, int TimeoutMs);

private:
  // Reads what has arrived (waiting at most TimeoutMs for something); false at the end of output.
  bool ReadOutput(int TimeoutMs);
  int FOutputFd = -1;
  std::string FOutput;

  pid_t FPid = -1;
  int FStatus = -1;
  bool FReaped = false;
};
