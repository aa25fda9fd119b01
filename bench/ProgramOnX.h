#pragma once

// Shared by the benchmarks that run a real program on a private Xvfb.

#include "tests/support/Process.h"
#include "tests/support/Xvfb.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

// One private X server for the whole benchmark program.
inline TXvfb& BenchServer() {
  static TXvfb server;
  return server;
}

// The number printed right after Before in Text, or -1.
inline double NumberAfter(const std::string& Text, const std::string& Before) {
  const auto at = Text.find(Before);
  return at == std::string::npos ? -1 : std::stod(Text.substr(at + Before.size()));
}

// Wall time from starting Program with --exit-after-first-frame to its exit right after its first
// frame (an upper bound of start-to-first-frame), and the program's own figure from main to the
// frame as a counter. The program prints "first frame presented N ms after start".
inline void MeasureStartToFirstFrame(benchmark::State& State, const std::string& Program) {
  if (!BenchServer().Running()) {
    State.SkipWithError(BenchServer().Error().c_str());
    return;
  }
  double inProcess = 0;
  for (auto _ : State) {
    std::string out;
    const auto start = std::chrono::steady_clock::now();
    const int rc = RunProcess({Program, "--exit-after-first-frame"}, &out, {"DISPLAY=" + BenchServer().Display()});
    const auto end = std::chrono::steady_clock::now();
    if (rc != 0) {
      State.SkipWithError((Program + " failed").c_str());
      return;
    }
    State.SetIterationTime(std::chrono::duration<double>(end - start).count());
    inProcess += NumberAfter(out, "first frame presented ");
  }
  State.counters["main_to_frame_ms"] = inProcess / static_cast<double>(State.iterations());
}
