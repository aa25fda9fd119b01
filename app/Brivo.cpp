#include "app/Unit1.h"
#include "platform/backends/Backends.h"
#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/graphics/PngCodec.h"
#include "skin/controls/ZYKControls.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

namespace {

const char* const DefaultRenderPath = "/tmp/brivo.png";

void CreateMainForm() {
  RegisterSkinControlClasses();
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
  std::fprintf(stderr, "usage: brivo [--render FILE.png]\n");
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 3 && std::strcmp(argv[1], "--render") == 0) {
      RenderWindow(argv[2]);
      return 0;
    }
    if (argc != 1)
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
    Application->Run();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brivo: %s\n", e.what());
    return 1;
  }
}
