// A slider change until the display has the new ramp, on a Wayland session (through the gamma
// keeper to the test compositor, which records the table it receives) and beside it on an X server
// (Xvfb's CRTC gamma, set and synchronised at once). The window is on the headless desktop in both,
// so the difference is the way the ramp goes. Budget: on Wayland under 2 ms, the keeper's hop
// included.
//
// BM_FirstTableStartsTheKeeper is what the window's show pays on a Wayland session before its first
// frame: the first table handed over, a keeper started for it (the keeper reaching the compositor is
// not waited for). Budget: under 10 ms.

#include "app/Unit1.h"
#include "platform/backends/GammaResample.h"
#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/backends/wayland/KeeperClient.h"
#include "platform/backends/x11/X11GammaDevice.h"
#include "platform/controls/Application.h"
#include "tests/support/TestCompositor.h"
#include "tests/support/Xvfb.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

const std::string kKeeper = std::string(BRIVO_BIN_DIR) + "/gamma-keeper";

// Moves the top slider to and fro; After waits until the new ramp has reached the display.
template <typename TAfter>
void SliderChanges(benchmark::State& State, std::unique_ptr<TGammaDevice> Device, TAfter After) {
  THeadlessDesktop desktop;
  InstallGammaDevice(std::move(Device));
  Application->Initialize();
  RegisterUnit1Classes();
  auto* form = new TfrmBrivo(nullptr);
  form->Show();
  desktop.ProcessMessages();
  int k = 0;
  for (auto _ : State) {
    form->ScrollBar3->SetPosition(++k % 2 == 0 ? 11 : 12);
    desktop.ProcessMessages();
    if (!After(k)) {
      State.SkipWithError("the ramp did not arrive");
      break;
    }
  }
  delete form;
  Application->SetActive(false);
  InstallGammaDevice(nullptr);
}

bool UseCompositor(benchmark::State& State, const TTestCompositor& Compositor) {
  if (!Compositor.Running()) {
    State.SkipWithError(Compositor.Error().c_str());
    return false;
  }
  for (const std::string& e : Compositor.Environment())
    setenv(e.substr(0, e.find('=')).c_str(), e.substr(e.find('=') + 1).c_str(), 1);
  return true;
}

// Tells the running keeper to end, and waits until it has.
void EndKeeper(const TTestCompositor& Compositor) {
  TKeeperPlace place;
  std::string why;
  if (FindKeeperPlace(Compositor.DisplayName(), place, why))
    if (auto link = TKeeperConnection::Open(place, "", why)) {
      TKeeperMessage reset, answer;
      reset.Type = TKeeperMessageType::Reset;
      link->Send(reset);
      link->WaitForMessage(answer, 10000, why);
      while (link->WaitForMessage(answer, 10000, why)) {
      }
    }
}

void BM_FirstTableStartsTheKeeper(benchmark::State& State) {
  TTestCompositor compositor({{"DP-1", 1024}});
  if (!UseCompositor(State, compositor))
    return;
  const TGammaRamp ramp = NeutralGammaRamp();
  for (auto _ : State) {
    TKeeperGammaDevice device(compositor.DisplayName(), kKeeper);
    std::string why;
    if (!device.Apply(ramp, why)) {
      State.SkipWithError(why.c_str());
      break;
    }
    State.PauseTiming();
    device.WaitForAnswers(10000, why);
    EndKeeper(compositor);
    State.ResumeTiming();
  }
}
BENCHMARK(BM_FirstTableStartsTheKeeper)->Unit(benchmark::kMicrosecond)->Iterations(50);

void BM_SliderChangeToRampOnWayland(benchmark::State& State) {
  TTestCompositor compositor({{"DP-1", 1024}});
  if (!UseCompositor(State, compositor))
    return;
  std::size_t expected = 0;
  auto device = std::make_unique<TKeeperGammaDevice>(compositor.DisplayName(), kKeeper);
  TKeeperGammaDevice* keeper = device.get();
  SliderChanges(State, std::move(device), [&](int) {
    // The window's show set the identity first; each change is one more table.
    expected = expected == 0 ? compositor.Events().size() + 1 : expected + 1;
    const bool arrived =
        compositor.WaitFor([&](const std::vector<TTestCompositor::TGammaEvent>& E) { return E.size() >= expected; });
    // The keeper's answers are taken as the program's wait would take them, without waiting.
    std::string unanswered;
    keeper->WaitForAnswers(0, unanswered);
    return arrived;
  });
  EndKeeper(compositor);
}
BENCHMARK(BM_SliderChangeToRampOnWayland)->Unit(benchmark::kMicrosecond);

void BM_SliderChangeToRampOnX11(benchmark::State& State) {
  TXvfb server;
  std::string why;
  auto device = server.Running() ? TX11GammaDevice::Open(server.Display().c_str(), why) : nullptr;
  if (!device) {
    State.SkipWithError(("no X server: " + why + server.Error()).c_str());
    return;
  }
  // Apply waits for the server's answer: the ramp is there when the change returns.
  SliderChanges(State, std::move(device), [](int) { return true; });
}
BENCHMARK(BM_SliderChangeToRampOnX11)->Unit(benchmark::kMicrosecond);

} // namespace
