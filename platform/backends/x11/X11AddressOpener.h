#pragma once

#include "platform/windows/Backend.h"

#include <string>
#include <vector>
#include <sys/types.h>

// Opens addresses with the desktop's default handler: `xdg-open ADDRESS`, started without a shell
// and not waited for. Finished openers are reaped without blocking, whenever the desktop wakes (the
// wake descriptor becomes readable when a child ends).
class TX11AddressOpener final : public TAddressOpener {
public:
  // Program: the opener to start (a test can name another).
  explicit TX11AddressOpener(std::string Program = "xdg-open");
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
  std::string FProgram;
  std::vector<pid_t> FChildren;
  int FWake[2] = {-1, -1};
};
