// The real backends of a Windows machine: the session's desktop and the displays' gamma.
#include "platform/backends/Backends.h"

#include "platform/backends/win32/DisplayGammaDevice.h"
#include "platform/backends/win32/Win32Desktop.h"

#include "platform/windows/Backend.h"
#include "platform/windows/GammaDevice.h"

#include <cstdio>
#include <memory>

namespace {

class TStderrMessageBox final : public TMessageBoxService {
public:
  int Show(HWND, const std::string& Text, const std::string& Caption, UINT) override {
    std::fprintf(stderr, "%s: %s\n", Caption.c_str(), Text.c_str());
    return IDOK;
  }
};

class TRefusingAddressOpener final : public TAddressOpener {
public:
  explicit TRefusingAddressOpener(std::string Reason) : FReason(std::move(Reason)) {}
  bool Open(const std::string&, std::string& Why) override {
    Why = FReason;
    return false;
  }

private:
  std::string FReason;
};

struct TNative {
  std::unique_ptr<TWin32Desktop> Desktop;
  std::unique_ptr<TMessageBoxService> MessageBox;
  std::unique_ptr<TAddressOpener> Opener;
};

TNative& Native() {
  static TNative& native = []() -> TNative& {
    // The message layer's state is made first so that it is destroyed after ours at exit: the
    // desktop destroys the layer's windows when it goes.
    ResetMessageLayer();
    (void)HasDesktopBackend();
    static TNative made;
    return made;
  }();
  return native;
}

} // namespace

// "No desktop" on Windows is a session that gives the program no window at all (a service without
// an interactive desktop, wine whose graphics driver has no display): the desktop's hidden window
// cannot be made. Wherever it can, the desktop is opened, whether or not anyone sees it.
TNativeDisplay UseNativeBackends(std::string* Why) {
  TNative& n = Native();
  TNativeDisplay result = TNativeDisplay::Opened;
  if (!n.Desktop && !n.MessageBox) {
    std::string why;
    n.Desktop = TWin32Desktop::Open(why);
    if (!n.Desktop) {
      result = TNativeDisplay::None;
      if (Why)
        *Why = why;
      n.MessageBox = std::make_unique<TStderrMessageBox>();
      n.Opener = std::make_unique<TRefusingAddressOpener>(why);
      InstallMessageBoxService(n.MessageBox.get());
      InstallAddressOpener(n.Opener.get());
    }
  } else if (!n.Desktop) {
    result = TNativeDisplay::None;
  }
  SetGammaDeviceFactory([]() -> std::unique_ptr<TGammaDevice> {
    return std::make_unique<TDisplayGammaDevice>(OpenWin32DisplayGammaPorts);
  });
  return result;
}

long long NativeFirstPresentTime() {
  const TNative& n = Native();
  return n.Desktop ? n.Desktop->FirstPresentTime() : -1;
}

void ReleaseNativeBackends() {
  TNative& n = Native();
  n.Desktop.reset();
  if (n.MessageBox) {
    InstallMessageBoxService(nullptr);
    InstallAddressOpener(nullptr);
    n.MessageBox.reset();
    n.Opener.reset();
  }
}
