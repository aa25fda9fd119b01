#pragma once

#include "tests/support/Process.h"

#include <memory>
#include <string>

// Openbox (from Debian) running on a test's X server, with settings and a home of its own that go
// with it. The margin at the bottom keeps its work area from being the whole screen, so that a
// window maximised to the work area can be told from one that covers the screen.
class TOpenbox {
public:
  explicit TOpenbox(const std::string& Display, int BottomMargin = 40);
  ~TOpenbox();
  TOpenbox(const TOpenbox&) = delete;
  TOpenbox& operator=(const TOpenbox&) = delete;

  bool Started() const { return FProcess && FProcess->Started(); }

private:
  std::string FDir;
  std::unique_ptr<TChildProcess> FProcess;
};
