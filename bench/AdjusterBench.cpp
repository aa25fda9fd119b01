// Budgets of the adjuster program:
// - a slider position change, through the ramp applied and the changed controls repainted and
//   presented, under 200 µs (headless desktop, recording gamma device);
// - from process start to the window's first frame presented on an X server (Xvfb) under 150 ms;
// - peak resident memory of the running program under 20 MB.

#include "app/Unit1.h"
#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "bench/ProgramOnX.h"
#include "tests/support/Process.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

namespace {

const std::string kBrivo = std::string(BRIVO_BIN_DIR) + "/brivo";

void BM_SliderChangeToRampAndRepaint(benchmark::State& State) {
  THeadlessDesktop desktop;
  Application->Initialize();
  RegisterUnit1Classes();
  auto* form = new TfrmBrivo(nullptr);
  form->Show();
  desktop.ProcessMessages();
  int k = 0;
  for (auto _ : State) {
    // Alternate between two positions so every step is a real change (and one ramp).
    form->ScrollBar3->SetPosition(++k % 2 == 0 ? 11 : 12);
    desktop.ProcessMessages();
    if (desktop.GammaDevice().Tables().size() > 1024)
      desktop.GammaDevice().Clear();
  }
  delete form;
  Application->SetActive(false);
}
BENCHMARK(BM_SliderChangeToRampAndRepaint)->Unit(benchmark::kMicrosecond);

void BM_StartToFirstFrame(benchmark::State& State) { MeasureStartToFirstFrame(State, kBrivo); }
BENCHMARK(BM_StartToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

long StatusKb(pid_t Pid, const std::string& Field) {
  std::ifstream in("/proc/" + std::to_string(Pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(Field + ":", 0) == 0)
      return std::stol(line.substr(Field.size() + 1));
  return -1;
}

// The running program's peak resident set once its window is up and has been used: the reset
// button clicked and a slider paged.
void BM_PeakResidentMemory(benchmark::State& State) {
  if (!BenchServer().Running()) {
    State.SkipWithError(BenchServer().Error().c_str());
    return;
  }
  const std::vector<std::string> env{"DISPLAY=" + BenchServer().Display()};
  for (auto _ : State) {
    TChildProcess program({kBrivo}, env);
    std::string out;
    if (RunProcess({"xdotool", "search", "--sync", "--onlyvisible", "--name", "Tavolu", "getwindowgeometry", "--shell"},
                   &out, env) != 0) {
      State.SkipWithError("brivo's window did not appear");
      return;
    }
    const int x = static_cast<int>(NumberAfter(out, "X=")), y = static_cast<int>(NumberAfter(out, "Y="));
    // Somewhere on the window's sliders and button; any press exercises painting and the ramp.
    for (int dx : {60, 80, 240})
      RunProcess({"xdotool", "mousemove", "--sync", std::to_string(x + dx), std::to_string(y + 40), "click", "1"},
                 nullptr, env);
    State.counters["peak_rss_MB"] = static_cast<double>(StatusKb(program.Pid(), "VmHWM")) / 1024.0;
    program.Stop();
  }
}
BENCHMARK(BM_PeakResidentMemory)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
