#include "platform/core/StartupTrace.h"

#include "platform/core/Report.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

long long NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct TStamp {
  std::string Name;
  long long Us = 0;
};

struct TSum {
  const char* Name = nullptr;
  long long Us = 0;
  int Depth = 0;
};

// A program stamps a dozen phases and two or three sums; the trace takes no more than this.
constexpr std::size_t MaxStamps = 64;
constexpr std::size_t MaxSums = 8;

struct TTrace {
  bool On = false;
  long long OriginUs = 0;
  std::string* Sink = nullptr;
  std::vector<TStamp> Stamps;
  std::vector<TSum> Sums;
};

TTrace& Trace() {
  static TTrace trace;
  return trace;
}

std::string Milliseconds(long long Us) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(Us) / 1000.0);
  return text;
}

// The launch time from the environment ("launch:MICROSECONDS"), 0 when it holds none.
long long LaunchTime(std::string_view Value) {
  constexpr std::string_view prefix = "launch:";
  if (!Value.starts_with(prefix))
    return 0;
  const std::string digits(Value.substr(prefix.size()));
  char* end = nullptr;
  const long long us = std::strtoll(digits.c_str(), &end, 10);
  return end != digits.c_str() && *end == '\0' && us > 0 ? us : 0;
}

#if defined(__GNUC__)
// Runs once the shared libraries are loaded and initialised, before the program's own constructors.
__attribute__((constructor(101)))
#endif
void BeginFromEnvironment() {
  if (const char* value = std::getenv("BRIVO_STARTUP_TRACE")) {
    StartupTraceBegin(LaunchTime(value));
    StartupMark("libraries loaded");
  }
}

} // namespace

void StartupTraceBegin(long long LaunchUs, std::string* Sink) {
  TTrace& t = Trace();
  t = TTrace{};
  t.On = true;
  t.OriginUs = LaunchUs > 0 ? LaunchUs : NowUs();
  t.Sink = Sink;
  t.Stamps.reserve(MaxStamps);
  t.Sums.reserve(MaxSums);
}

bool StartupTraceOn() { return Trace().On; }

void StartupMark(std::string_view Phase) {
  TTrace& t = Trace();
  if (!t.On || t.Stamps.size() >= MaxStamps)
    return;
  for (const TStamp& s : t.Stamps)
    if (s.Name == Phase)
      return;
  t.Stamps.push_back({std::string(Phase), NowUs()});
}

void StartupFirstFrame() {
  TTrace& t = Trace();
  if (!t.On)
    return;
  StartupMark("first frame presented");
  std::string text;
  for (const TStamp& s : t.Stamps)
    text += ProgramName() + ": start-up " + Milliseconds(s.Us - t.OriginUs) + " ms: " + s.Name + "\n";
  for (const TSum& s : t.Sums)
    text += ProgramName() + ": start-up, in all " + Milliseconds(s.Us) + " ms: " + s.Name + "\n";
  if (t.Sink) {
    *t.Sink += text;
  } else {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
  }
  t = TTrace{};
}

TStartupSpan::TStartupSpan(const char* Sum) {
  TTrace& t = Trace();
  if (!t.On)
    return;
  for (std::size_t i = 0; i < t.Sums.size() && FSum < 0; ++i)
    if (std::strcmp(t.Sums[i].Name, Sum) == 0)
      FSum = static_cast<int>(i);
  if (FSum < 0) {
    if (t.Sums.size() >= MaxSums)
      return;
    t.Sums.push_back({Sum, 0, 0});
    FSum = static_cast<int>(t.Sums.size()) - 1;
  }
  if (t.Sums[FSum].Depth++ == 0)
    FStart = NowUs();
}

TStartupSpan::~TStartupSpan() {
  TTrace& t = Trace();
  // The trace may have ended (the first frame went out) while the span lived.
  if (FSum < 0 || !t.On || static_cast<std::size_t>(FSum) >= t.Sums.size())
    return;
  if (--t.Sums[FSum].Depth == 0)
    t.Sums[FSum].Us += NowUs() - FStart;
}
