#pragma once

#include "tests/support/Process.h"

#include <memory>
#include <string>
#include <vector>

// Times a program's start as its user sees it, from outside the program: from the moment it is
// started to the moment its first top-level window has been drawn on the X server. The watch has a
// connection of its own to the server and hears of every window made on it and of every drawing
// (the DAMAGE extension on the root window). The frame counts as drawn once at least 95% of the
// window's area has been drawn since it was mapped: a border drawn first is not the frame yet, and
// a shaped window's cut-off corners are never drawn. The program needs no help of its own, so the
// same watch times any program.
class TFirstFrameWatch {
public:
  explicit TFirstFrameWatch(const std::string& Display);
  ~TFirstFrameWatch();
  TFirstFrameWatch(const TFirstFrameWatch&) = delete;
  TFirstFrameWatch& operator=(const TFirstFrameWatch&) = delete;

  // Empty when the watch is ready, else why not.
  const std::string& Error() const { return FError; }

  struct TRun {
    // Milliseconds from the start to the first frame; -1 when no frame came within the deadline.
    double FirstFrameMs = -1;
    // The program, still running.
    std::unique_ptr<TChildProcess> Program;
  };
  // Starts Argv and waits at most TimeoutMs for its first frame. The program gets the display, the
  // extra environment and the launch time for a start-up trace (BRIVO_STARTUP_TRACE); its standard
  // error goes to ErrorsFile when one is named.
  TRun Start(const std::vector<std::string>& Argv, const std::vector<std::string>& Environment = {},
             const std::string& ErrorsFile = {}, int TimeoutMs = 10000);

private:
  struct TImpl;
  std::unique_ptr<TImpl> F;
  std::string FDisplay;
  std::string FError;
};
