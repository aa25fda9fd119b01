#include "platform/backends/Backends.h"

#include "platform/backends/x11/X11Desktop.h"
#include "platform/backends/x11/X11GammaDevice.h"
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
  std::unique_ptr<TX11Desktop> Desktop;
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

void UseNativeBackends() {
  TNative& n = Native();
  if (!n.Desktop) {
    std::string why;
    n.Desktop = TX11Desktop::Open(nullptr, why);
    if (!n.Desktop) {
      n.MessageBox = std::make_unique<TStderrMessageBox>();
      n.Opener = std::make_unique<TRefusingAddressOpener>(why);
      InstallMessageBoxService(n.MessageBox.get());
      InstallAddressOpener(n.Opener.get());
    }
  }
  SetGammaDeviceFactory([]() -> std::unique_ptr<TGammaDevice> {
    std::string why;
    if (auto device = TX11GammaDevice::Open(nullptr, why))
      return device;
    return std::make_unique<TUnavailableGammaDevice>(why);
  });
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
