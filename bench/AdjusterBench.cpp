// Budgets of the adjuster program:
// - a slider position change, through the ramp applied and the changed controls repainted and
//   presented, under 200 µs (headless desktop, recording gamma device);
// - from process start to the window's first frame presented on an X server (Xvfb) under 150 ms;
// - peak resident memory of the running program under 20 MB.

#include "app/Unit1.h"
#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "skin/controls/ZYKControls.h"
#include "tests/support/Process.h"
#include "tests/support/Xvfb.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <string>

namespace {

const std::string kBrivo = std::string(BRIVO_BIN_DIR) + "/brivo";

void BM_SliderChangeToRampAndRepaint(benchmark::State& State) {
  THeadlessDesktop desktop;
  Application->Initialize();
  RegisterSkinControlClasses();
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

TXvfb& Server() {
  static TXvfb server;
  return server;
}

double NumberAfter(const std::string& Text, const std::string& Before) {
  const auto at = Text.find(Before);
  return at == std::string::npos ? -1 : std::stod(Text.substr(at + Before.size()));
}

// Wall time from starting the process to its exit right after the first frame (an upper bound of
// start-to-first-frame), and the program's own figure from main to the frame.
void BM_StartToFirstFrame(benchmark::State& State) {
  if (!Server().Running()) {
    State.SkipWithError(Server().Error().c_str());
    return;
  }
  double inProcess = 0;
  for (auto _ : State) {
    std::string out;
    const auto start = std::chrono::steady_clock::now();
    const int rc = RunProcess({kBrivo, "--exit-after-first-frame"}, &out, {"DISPLAY=" + Server().Display()});
    const auto end = std::chrono::steady_clock::now();
    if (rc != 0) {
      State.SkipWithError("brivo failed");
      return;
    }
    State.SetIterationTime(std::chrono::duration<double>(end - start).count());
    inProcess += NumberAfter(out, "first frame presented ");
  }
  State.counters["main_to_frame_ms"] = inProcess / static_cast<double>(State.iterations());
}
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
  if (!Server().Running()) {
    State.SkipWithError(Server().Error().c_str());
    return;
  }
  const std::vector<std::string> env{"DISPLAY=" + Server().Display()};
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
