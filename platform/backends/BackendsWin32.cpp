// The real backends of a Windows machine: the displays' gamma. There is no native desktop backend in
// this build yet: the program renders its window to a file as it does on Linux without a display.
#include "platform/backends/Backends.h"

#include "platform/backends/win32/DisplayGammaDevice.h"

#include "platform/windows/GammaDevice.h"
#include "platform/windows/Backend.h"

#include <cstdio>
#include <memory>

namespace {

const char* const NoDesktop = "this build has no Windows desktop backend";

class TStderrMessageBox final : public TMessageBoxService {
public:
  int Show(HWND, const std::string& Text, const std::string& Caption, UINT) override {
    std::fprintf(stderr, "%s: %s\n", Caption.c_str(), Text.c_str());
    return IDOK;
  }
};

class TRefusingAddressOpener final : public TAddressOpener {
public:
  bool Open(const std::string&, std::string& Why) override {
    Why = NoDesktop;
    return false;
  }
};

struct TNative {
  std::unique_ptr<TMessageBoxService> MessageBox;
  std::unique_ptr<TAddressOpener> Opener;
};

TNative& Native() {
  static TNative& native = []() -> TNative& {
    // The message layer's state is made first so that it is destroyed after ours at exit.
    ResetMessageLayer();
    (void)HasDesktopBackend();
    static TNative made;
    return made;
  }();
  return native;
}

} // namespace

TNativeDisplay UseNativeBackends(std::string* Why) {
  TNative& n = Native();
  if (!n.MessageBox) {
    n.MessageBox = std::make_unique<TStderrMessageBox>();
    n.Opener = std::make_unique<TRefusingAddressOpener>();
    InstallMessageBoxService(n.MessageBox.get());
    InstallAddressOpener(n.Opener.get());
  }
  if (Why)
    *Why = NoDesktop;
  SetGammaDeviceFactory([]() -> std::unique_ptr<TGammaDevice> {
    return std::make_unique<TDisplayGammaDevice>(OpenWin32DisplayGammaPorts);
  });
  return TNativeDisplay::None;
}

long long NativeFirstPresentTime() { return -1; }

void ReleaseNativeBackends() {
  TNative& n = Native();
  if (n.MessageBox) {
    InstallMessageBoxService(nullptr);
    InstallAddressOpener(nullptr);
    n.MessageBox.reset();
    n.Opener.reset();
  }
}
