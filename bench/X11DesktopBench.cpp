// Budgets: the x11-demo form's first frame reaches the server under 150 ms after the process starts,
// and the idle program uses no processor time (0 ms over 10 s, to the clock's resolution).
// Both run the real demo program on a private Xvfb.

#include "tests/support/Process.h"
#include "tests/support/Xvfb.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

const std::string kDemo = std::string(BRIVO_BIN_DIR) + "/x11-demo";

TXvfb& Server() {
  static TXvfb server;
  return server;
}

double NumberAfter(const std::string& Text, const std::string& Before) {
  const auto at = Text.find(Before);
  return at == std::string::npos ? -1 : std::stod(Text.substr(at + Before.size()));
}

// Wall time from starting the process to its exit right after the first frame (an upper bound of
// start-to-first-frame), and the demo's own figure from main to the frame.
void BM_StartToFirstFrame(benchmark::State& State) {
  if (!Server().Running()) {
    State.SkipWithError(Server().Error().c_str());
    return;
  }
  double inProcess = 0;
  for (auto _ : State) {
    std::string out;
    const auto start = std::chrono::steady_clock::now();
    const int rc = RunProcess({kDemo, "--exit-after-first-frame"}, &out, {"DISPLAY=" + Server().Display()});
    const auto end = std::chrono::steady_clock::now();
    if (rc != 0) {
      State.SkipWithError("x11-demo failed");
      return;
    }
    State.SetIterationTime(std::chrono::duration<double>(end - start).count());
    inProcess += NumberAfter(out, "first frame presented ");
  }
  State.counters["main_to_frame_ms"] = inProcess / static_cast<double>(State.iterations());
}
BENCHMARK(BM_StartToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_IdleProcessorTime10s(benchmark::State& State) {
  if (!Server().Running()) {
    State.SkipWithError(Server().Error().c_str());
    return;
  }
  for (auto _ : State) {
    std::string out;
    if (RunProcess({kDemo, "--idle", "10"}, &out, {"DISPLAY=" + Server().Display()}) != 0) {
      State.SkipWithError("x11-demo failed");
      return;
    }
    State.counters["idle_cpu_ms"] = NumberAfter(out, "used ");
  }
}
BENCHMARK(BM_IdleProcessorTime10s)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
