#pragma once

#include "platform/windows/Backend.h"

#include <functional>
#include <string>
#include <vector>
#include <sys/types.h>

// Opens addresses with the desktop's default handler: `xdg-open ADDRESS`, started without a shell
// and not waited for. Finished openers are reaped without blocking, whenever the desktop wakes (the
// wake descriptor becomes readable when a child ends). The opener's own output (several lines of
// shell errors when it finds no browser) goes nowhere; an address that could not be opened is told
// in one line instead, naming the address and the reason, when the opener cannot be started and
// when it ends with a failure.
class TX11AddressOpener final : public TAddressOpener {
public:
  using TReporter = std::function<void(const std::string& Line)>;

  // Program: the opener to start (a test can name another). Report gets the failure lines
  // (default: standard error with the program's name).
  explicit TX11AddressOpener(std::string Program = "xdg-open", TReporter Report = nullptr);
  ~TX11AddressOpener() override;
  TX11AddressOpener(const TX11AddressOpener&) = delete;
  TX11AddressOpener& operator=(const TX11AddressOpener&) = delete;

  bool Open(const std::string& Address, std::string& Why) override;

  // Readable after a child ended; -1 when no descriptor could be made.
  int WakeDescriptor() const { return FWake[0]; }
  // Collects finished children; returns how many are still running.
  int Reap();
  // Waits up to TimeoutMs for the children to end (for a program about to exit, and for tests);
  // returns how many still run.
  int WaitForChildren(int TimeoutMs);

private:
  // Why an opener that ended with WaitStatus (as waitpid gives it) did not open the address, or empty
  // when it did.
  static std::string Failure(const std::string& Program, int WaitStatus);

  struct TChild {
    pid_t Pid;
    std::string Address;
  };
  void Refuse(const std::string& Address, const std::string& Why);

  std::string FProgram;
  TReporter FReport;
  std::vector<TChild> FChildren;
  int FWake[2] = {-1, -1};
};
