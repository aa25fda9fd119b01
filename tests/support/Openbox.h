#pragma once

#include "tests/support/Process.h"

#include <memory>
#include <string>

// A real window manager (openbox) on a test's own X server, with its settings and the home it
// writes its cache into in a folder of its own that goes with it. The manager stops with the
// object. The margin at the bottom keeps its work area from being the whole screen, so that a
// window maximised to the work area can be told from one that covers the screen.
class TOpenbox {
public:
  explicit TOpenbox(const std::string& Display, int BottomMargin = 40);
  ~TOpenbox();
  TOpenbox(const TOpenbox&) = delete;
  TOpenbox& operator=(const TOpenbox&) = delete;

  bool Started() const { return FProcess && FProcess->Started(); }
  // Whether it runs, has announced itself on the root window and manages windows mapped from now on
  // (asked of the server, waiting at most TimeoutMs); Error() says what went wrong otherwise.
  bool WaitUntilManaging(int TimeoutMs);
  const std::string& Error() const { return FError; }

private:
  std::string FDisplay;
  std::string FHome;
  std::unique_ptr<TChildProcess> FProcess;
  std::string FError;
};
