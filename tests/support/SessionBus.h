#pragma once

#include "tests/support/Process.h"

#include <memory>
#include <string>
#include <vector>

// A session bus of the test's own: dbus-daemon with a configuration that listens in a private folder,
// allows everything between the test's clients and starts no services. Never the machine's buses.
class TSessionBus {
public:
  TSessionBus();
  ~TSessionBus();
  TSessionBus(const TSessionBus&) = delete;
  TSessionBus& operator=(const TSessionBus&) = delete;

  bool Running() const { return !FAddress.empty(); }
  const std::string& Error() const { return FError; }
  const std::string& Address() const { return FAddress; }
  // DBUS_SESSION_BUS_ADDRESS for a program that is to use this bus.
  std::vector<std::string> Environment() const { return {"DBUS_SESSION_BUS_ADDRESS=" + FAddress}; }

private:
  std::string FDir;
  std::string FAddress;
  std::string FError;
  std::unique_ptr<TChildProcess> FDaemon;
};
