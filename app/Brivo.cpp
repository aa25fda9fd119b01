#include "app/Unit1.h"
#include "platform/backends/Backends.h"
#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/Timer.h"
#include "platform/core/FileWrite.h"
#include "platform/core/Report.h"
#include "platform/graphics/PngCodec.h"
#include "platform/graphics/Scale.h"
#include "platform/graphics/TextEngine.h"
#include "platform/windows/Backend.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const DefaultRenderPath = "/tmp/brivo.png";

void CreateMainForm() {
  RegisterUnit1Classes();
  Application->CreateForm(frmBrivo);
}

// Shows the window on a headless desktop of its own, as it looks once shown on a desktop of that
// scale, and writes it to Path.
void RenderWindow(const std::string& Path, double Scale = 1.0) {
  THeadlessDesktop desktop(ScaleEdge(1024, Scale), ScaleEdge(768, Scale), std::nullopt, Scale);
  Application->Initialize();
  CreateMainForm();
  frmBrivo->Show();
  desktop.ProcessMessages();
  const std::vector<std::uint8_t> png = EncodePng(desktop.Host(frmBrivo->Handle())->Surface());
  delete frmBrivo;
  WriteWholeFile(Path, png);
}

int Usage(const std::string& Fault) {
  ReportLine(Fault);
  std::fprintf(stderr, "usage: brivo [--render FILE.png [--scale S] | --exit-after-first-frame]\n");
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
  SetProgramName("brivo");
  KeepFontsBetweenRuns(UserCacheFile("fonts"));
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (!args.empty() && args[0] == "--render") {
      if (args.size() == 1)
        return Usage("--render needs the name of the PNG file to write");
      double scale = 1.0;
      if (args.size() > 2) {
        if (args[2] != "--scale")
          return Usage("unknown argument '" + args[2] + "'");
        if (args.size() == 3)
          return Usage("--scale needs a scale, such as 2 for a desktop at 192 dpi");
        if (args.size() > 4)
          return Usage("unknown argument '" + args[4] + "'");
        std::string why;
        const std::optional<double> given = ParseWindowScale(args[3], why);
        if (!given)
          return Usage("--scale: " + why);
        scale = *given;
      }
      RenderWindow(args[1], scale);
      return 0;
    }
    bool exitAfterFirstFrame = false;
    for (const std::string& arg : args) {
      if (arg != "--exit-after-first-frame" || exitAfterFirstFrame)
        return Usage("unknown argument '" + arg + "'");
      exitAfterFirstFrame = true;
    }
    std::string why;
    switch (UseNativeBackends(&why)) {
    case TNativeDisplay::Opened:
      break;
    case TNativeDisplay::None:
      ReleaseNativeBackends();
      RenderWindow(DefaultRenderPath);
      std::printf("brivo: no display; window rendered to %s\n", DefaultRenderPath);
      return 0;
    case TNativeDisplay::Unreachable:
      // A display named but not there is a mistake to tell, not a reason to render somewhere else.
      ReleaseNativeBackends();
      ReportLine(why);
      return 1;
    }
    // One adjuster per desktop: two would fight over one ramp. A second start hands over to the
    // running one, which comes to the front, and ends before it touches anything.
    if (CurrentDesktopBackend().ClaimInstance("brivo") == TInstanceClaim::Running)
      return 0;
    Application->Initialize();
    CreateMainForm();
    if (exitAfterFirstFrame)
      ExitAfterFirstFrame(started);
    Application->Run();
    // Non-zero when the loop ended because the display went away.
    return Application->ExitCode();
  } catch (const std::exception& e) {
    ReportLine(e.what());
    return 1;
  }
}
