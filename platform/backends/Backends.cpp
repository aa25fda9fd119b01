#include "platform/backends/Backends.h"

#include "platform/backends/GammaSession.h"
#include "platform/backends/x11/X11Desktop.h"
#include "platform/backends/x11/X11GammaDevice.h"
#include "platform/core/Report.h"
#include "platform/windows/GammaDevice.h"

#include <cstdio>
#include <cstdlib>
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

// The X display's gamma for the program: a display that takes no ramp at start is asked again when
// the displays change (a monitor with gamma may have come), and a doubt about it is told once.
class TNativeGammaDevice final : public TGammaDevice {
public:
  TNativeGammaDevice() { Open(); }

  bool Apply(const TGammaRamp& Ramp, std::string& Why) override {
    if (!FDevice) {
      Why = FRefusal;
      return false;
    }
    return FDevice->Apply(Ramp, Why);
  }
  void DisplaysChanged() override {
    if (FDevice)
      FDevice->DisplaysChanged();
    else
      Open();
  }

private:
  void Open() {
    FDevice = TX11GammaDevice::Open(nullptr, FRefusal);
    if (FDevice && !FDevice->Note().empty() && !FNoted) {
      FNoted = true;
      ReportLine("note: " + FDevice->Note());
    }
  }

  std::unique_ptr<TX11GammaDevice> FDevice;
  std::string FRefusal;
  bool FNoted = false;
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

TNativeDisplay UseNativeBackends(std::string* Why) {
  TNative& n = Native();
  TNativeDisplay result = TNativeDisplay::Opened;
  if (!n.Desktop) {
    std::string why;
    n.Desktop = TX11Desktop::Open(nullptr, why);
    if (!n.Desktop) {
      const char* display = std::getenv("DISPLAY");
      result = display != nullptr && *display != '\0' ? TNativeDisplay::Unreachable : TNativeDisplay::None;
      if (Why)
        *Why = why;
      n.MessageBox = std::make_unique<TStderrMessageBox>();
      n.Opener = std::make_unique<TRefusingAddressOpener>(why);
      InstallMessageBoxService(n.MessageBox.get());
      InstallAddressOpener(n.Opener.get());
    }
  }
  SetGammaDeviceFactory([]() -> std::unique_ptr<TGammaDevice> {
    // A Wayland session's compositor decides, whatever X server the window is on.
    const TGammaSession session = ChooseGammaSession();
    if (!session.Note.empty())
      ReportLine("note: " + session.Note);
    std::weak_ptr<TDescriptorWatch> watch;
    if (auto device = OpenWaylandGammaDevice(session, &watch)) {
      if (Native().Desktop && !watch.expired())
        Native().Desktop->Watch(watch);
      return device;
    }
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
      return std::make_unique<TUnavailableGammaDevice>("there is no X display (DISPLAY is not set)");
    return std::make_unique<TNativeGammaDevice>();
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
