#include "app/Unit1.h"
#include "platform/backends/Backends.h"
#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/Timer.h"
#include "platform/graphics/PngCodec.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

namespace {

const char* const DefaultRenderPath = "/tmp/brivo.png";

void CreateMainForm() {
  RegisterUnit1Classes();
  Application->CreateForm(frmBrivo);
}

// Shows the window on a headless desktop of its own, as it looks once shown, and writes it to Path.
void RenderWindow(const std::string& Path) {
  THeadlessDesktop desktop;
  Application->Initialize();
  CreateMainForm();
  frmBrivo->Show();
  desktop.ProcessMessages();
  const std::vector<std::uint8_t> png = EncodePng(desktop.Host(frmBrivo->Handle())->Surface());
  delete frmBrivo;
  std::ofstream out(Path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  out.close();
  if (!out)
    throw std::runtime_error("cannot write " + Path);
}

int Usage() {
  std::fprintf(stderr, "usage: brivo [--render FILE.png | --exit-after-first-frame]\n");
  return 2;
}

// For the start-up benchmark: once the display has the window's first frame, say how long that
// took from Started and end the program. Timers fall due after the paint cycle, so a short one
// finds the frame soon after it went out.
void ExitAfterFirstFrame(std::chrono::steady_clock::time_point Started) {
  auto* watch = NewComponent<TTimer>(frmBrivo);
  watch->SetInterval(1);
  watch->SetOnTimer([watch, Started](TObject*) {
    const long long presented = NativeFirstPresentTime();
    if (presented < 0)
      return;
    watch->SetEnabled(false);
    const long long started =
        std::chrono::duration_cast<std::chrono::milliseconds>(Started.time_since_epoch()).count();
    std::printf("first frame presented %lld ms after start\n", presented - started);
    std::fflush(stdout);
    Application->Terminate();
  });
}

} // namespace

int main(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  try {
    if (argc == 3 && std::strcmp(argv[1], "--render") == 0) {
      RenderWindow(argv[2]);
      return 0;
    }
    const bool exitAfterFirstFrame = argc == 2 && std::strcmp(argv[1], "--exit-after-first-frame") == 0;
    if (argc != 1 && !exitAfterFirstFrame)
      return Usage();
    UseNativeBackends();
    if (!HasDesktopBackend()) {
      ReleaseNativeBackends();
      RenderWindow(DefaultRenderPath);
      std::printf("brivo: no display; window rendered to %s\n", DefaultRenderPath);
      return 0;
    }
    Application->Initialize();
    CreateMainForm();
    if (exitAfterFirstFrame)
      ExitAfterFirstFrame(started);
    Application->Run();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brivo: %s\n", e.what());
    return 1;
  }
}
