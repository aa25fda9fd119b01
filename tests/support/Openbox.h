#pragma once

#include "tests/support/Process.h"

#include <memory>
#include <string>

struct _XDisplay;

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
  // Whether it still runs (it did not end on something a test did).
  bool Running() { return FProcess && FProcess->Running(); }
  // Whether it runs, has announced itself on the root window and manages windows mapped from now on
  // (asked of the server, waiting at most TimeoutMs); Error() says what went wrong otherwise.
  bool WaitUntilManaging(int TimeoutMs);
  // Whether the manager has let go of a destroyed window (it is off its client list), waiting at
  // most TimeoutMs. Until then the manager may still act on the window's id, which the server hands
  // to the next client that connects once the window's own has closed.
  bool WaitUntilReleased(unsigned long Id, int TimeoutMs);
  const std::string& Error() const { return FError; }

private:
  std::string FDisplay;
  std::string FHome;
  std::unique_ptr<TChildProcess> FProcess;
  std::string FError;
  // The connection that made the probe window, open while the manager runs: closed, its window ids
  // would go to the next client, whose first window could get the probe's id while the manager is
  // still working through the probe's maps (made again when a busy manager was slow to take one)
  // and its destruction, and so moved and sized like the probe.
  _XDisplay* FWatch = nullptr;
};
