#pragma once

#include <string>
#include <string_view>

// Where a program's start-up time goes. Off unless the environment has BRIVO_STARTUP_TRACE; then
// the end of each phase is stamped on the monotonic clock, the time spent on fonts and on look
// pictures is summed wherever it falls, and the whole trace goes to standard error (one line per
// stamp, after the program's name) once the first frame is out:
//
//   brivo: start-up 3.41 ms: X display open
//   brivo: start-up, in all 1.20 ms: fonts
//
// BRIVO_STARTUP_TRACE may give the launch time as the launcher read it on the monotonic clock
// (std::chrono::steady_clock) just before starting the program, "launch:MICROSECONDS"; the times then
// count from the launch, the loader's share included. Otherwise they count from the first stamp the
// program takes itself, when its libraries are loaded.

bool StartupTraceOn();
// The end of a phase; only a name's first stamp counts.
void StartupMark(std::string_view Phase);
// The last stamp: the first frame went to the display. Writes the trace and ends it.
void StartupFirstFrame();

// Adds the time it lives to a named sum ("fonts"); spans of the same sum inside it are not counted
// twice.
class TStartupSpan {
public:
  explicit TStartupSpan(const char* Sum);
  ~TStartupSpan();
  TStartupSpan(const TStartupSpan&) = delete;
  TStartupSpan& operator=(const TStartupSpan&) = delete;

private:
  int FSum = -1;
  long long FStart = 0;
};

// Starts a trace now, as the environment variable does at load; LaunchUs is the launch time (or 0
// for "from now"). What StartupFirstFrame writes goes to Sink when one is given, else to standard
// error.
void StartupTraceBegin(long long LaunchUs, std::string* Sink = nullptr);
