#pragma once

#include "tests/support/Process.h"

#include <memory>
#include <string>

// A real window manager (openbox) on a test's own X server, with its settings and the home it
// writes its cache into in a folder of its own that goes with it. The manager stops with the
// object.
class TOpenbox {
public:
  explicit TOpenbox(const std::string& Display);
  ~TOpenbox();
  TOpenbox(const TOpenbox&) = delete;
  TOpenbox& operator=(const TOpenbox&) = delete;

  // Whether it runs and has announced itself on the root window (asked of the server, waiting at
  // most TimeoutMs); Error() says what went wrong otherwise.
  bool WaitUntilManaging(int TimeoutMs);
  const std::string& Error() const { return FError; }

private:
  std::string FDisplay;
  std::string FHome;
  std::unique_ptr<TChildProcess> FProcess;
  std::string FError;
};
