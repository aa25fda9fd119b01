// Budget: a second start of the adjuster on a display where it runs ends (having asked the running
// one to come to the front) within a second of its own start. Measured on a private Xvfb, from the
// second process's start to its exit, with the first adjuster's window up.

#include "bench/ProgramOnX.h"
#include "tests/support/Process.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

const std::string kBrivo = std::string(BRIVO_BIN_DIR) + "/brivo";

void BM_SecondStartEnds(benchmark::State& State) {
  if (!BenchServer().Running()) {
    State.SkipWithError(BenchServer().Error().c_str());
    return;
  }
  const std::vector<std::string> env{"DISPLAY=" + BenchServer().Display()};
  TChildProcess first({kBrivo}, env);
  std::string window;
  if (RunProcess({"xdotool", "search", "--sync", "--onlyvisible", "--name", "Tavolu"}, &window, env) != 0) {
    State.SkipWithError("the first adjuster's window did not appear");
    return;
  }
  for (auto _ : State) {
    const auto start = std::chrono::steady_clock::now();
    const int status = RunProcess({kBrivo}, nullptr, env);
    const auto end = std::chrono::steady_clock::now();
    if (status != 0 || !first.Running()) {
      State.SkipWithError("the second start failed, or the first adjuster ended");
      return;
    }
    State.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}
BENCHMARK(BM_SecondStartEnds)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
