// Budgets: the x11-demo form's first frame reaches the server under 150 ms after the process starts,
// and the idle program uses no processor time (0 ms over 10 s, to the clock's resolution).
// Both run the real demo program on a private Xvfb.

#include "bench/ProgramOnX.h"
#include "tests/support/Process.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string kDemo = std::string(BRIVO_BIN_DIR) + "/x11-demo";

void BM_StartToFirstFrame(benchmark::State& State) { MeasureStartToFirstFrame(State, kDemo); }
BENCHMARK(BM_StartToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_IdleProcessorTime10s(benchmark::State& State) {
  if (!BenchServer().Running()) {
    State.SkipWithError(BenchServer().Error().c_str());
    return;
  }
  for (auto _ : State) {
    std::string out;
    if (RunProcess({kDemo, "--idle", "10"}, &out, {"DISPLAY=" + BenchServer().Display()}) != 0) {
      State.SkipWithError("x11-demo failed");
      return;
    }
    State.counters["idle_cpu_ms"] = NumberAfter(out, "used ");
  }
}
BENCHMARK(BM_IdleProcessorTime10s)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
