// Budgets: building one table well under 10 microseconds; loading it into an X server under 1 ms.
// BM_XrandrProcess times the same change made by the xrandr command, for comparison.

#include "app/Unit1.h"
#include "platform/backends/x11/X11GammaDevice.h"
#include "tests/support/Process.h"
#include "tests/support/Xvfb.h"

#include <benchmark/benchmark.h>

namespace {

TXvfb& Server() {
  static TXvfb server;
  return server;
}

void BM_BuildGammaRamp(benchmark::State& State) {
  float power = 0.5f;
  for (auto _ : State) {
    TGammaRamp ramp = BuildGammaRamp(0.8f, 1.2f, power);
    benchmark::DoNotOptimize(ramp);
    power = power < 2.0f ? power + 0.1f : 0.0f;
  }
}
BENCHMARK(BM_BuildGammaRamp);

void BM_ApplyThroughX(benchmark::State& State) {
  std::string why;
  auto device = Server().Running() ? TX11GammaDevice::Open(Server().Display().c_str(), why) : nullptr;
  if (!device) {
    State.SkipWithError(("no X server: " + why + Server().Error()).c_str());
    return;
  }
  const TGammaRamp ramp = BuildGammaRamp(1.0f, 1.0f, 1.2f);
  for (auto _ : State)
    if (!device->Apply(ramp, why))
      State.SkipWithError(why.c_str());
}
BENCHMARK(BM_ApplyThroughX)->Unit(benchmark::kMicrosecond);

void BM_XrandrProcess(benchmark::State& State) {
  std::string why;
  auto device = Server().Running() ? TX11GammaDevice::Open(Server().Display().c_str(), why) : nullptr;
  std::vector<TX11GammaRamp> ramps;
  if (!device || !device->Read(ramps, why) || ramps.empty() || ramps[0].Output.empty()) {
    State.SkipWithError("no X server output to run xrandr on");
    return;
  }
  const std::vector<std::string> argv = {"xrandr", "--output", ramps[0].Output, "--gamma", "1.2:1.2:1.2"};
  const std::vector<std::string> env = {"DISPLAY=" + Server().Display()};
  for (auto _ : State)
    if (RunProcess(argv, nullptr, env) != 0)
      State.SkipWithError("xrandr failed");
}
BENCHMARK(BM_XrandrProcess)->Unit(benchmark::kMillisecond);

} // namespace
