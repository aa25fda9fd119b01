#include "platform/backends/x11/X11GammaDevice.h"

#include "platform/backends/x11/GammaResample.h"

#include "platform/backends/x11/XHeaders.h"

#include <cstdlib>
#include <cstring>

namespace {

// Xlib reports protocol errors through a process-wide handler; while a trap is armed the first
// error is kept instead of ending the process.
int gTrappedError = 0;

int TrapError(Display*, XErrorEvent* Event) {
  if (gTrappedError == 0)
    gTrappedError = Event->error_code;
  return 0;
}

class TErrorTrap {
public:
  TErrorTrap() : FPrevious(XSetErrorHandler(TrapError)) { gTrappedError = 0; }
  ~TErrorTrap() { XSetErrorHandler(FPrevious); }
  int Error() const { return gTrappedError; }

private:
  int (*FPrevious)(Display*, XErrorEvent*);
};

std::string ErrorText(Display* Dpy, int Code) {
  char text[256] = {};
  XGetErrorText(Dpy, Code, text, sizeof text);
  return text;
}

std::string OutputOfCrtc(Display* Dpy, XRRScreenResources* Res, RRCrtc Crtc) {
  std::string name;
  XRRCrtcInfo* info = XRRGetCrtcInfo(Dpy, Res, Crtc);
  if (info == nullptr)
    return name;
  if (info->noutput > 0) {
    if (XRROutputInfo* out = XRRGetOutputInfo(Dpy, Res, info->outputs[0])) {
      name.assign(out->name, static_cast<std::size_t>(out->nameLen));
      XRRFreeOutputInfo(out);
    }
  }
  XRRFreeCrtcInfo(info);
  return name;
}

} // namespace

struct TX11GammaDevice::TImpl {
  struct TTarget {
    RRCrtc Crtc = 0;
    int Screen = 0;
    std::string Output;
    XRRCrtcGamma* Gamma = nullptr; // RandR: reused by every Apply
    std::vector<unsigned short> Red, Green, Blue; // VidMode
    std::size_t Size = 0;
  };

  Display* Dpy = nullptr;
  TMethod Method = TMethod::RandR;
  std::vector<TTarget> Targets;

  ~TImpl() {
    for (TTarget& t : Targets)
      if (t.Gamma != nullptr)
        XRRFreeGamma(t.Gamma);
    if (Dpy != nullptr)
      XCloseDisplay(Dpy);
  }

  void FindRandRTargets() {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(Dpy, &eventBase, &errorBase) || !XRRQueryVersion(Dpy, &major, &minor) ||
        (major == 1 && minor < 2))
      return;
    for (int screen = 0; screen < ScreenCount(Dpy); ++screen) {
      XRRScreenResources* res = XRRGetScreenResourcesCurrent(Dpy, RootWindow(Dpy, screen));
      if (res == nullptr)
        continue;
      for (int c = 0; c < res->ncrtc; ++c) {
        const int size = XRRGetCrtcGammaSize(Dpy, res->crtcs[c]);
        if (size <= 0)
          continue;
        TTarget t;
        t.Crtc = res->crtcs[c];
        t.Screen = screen;
        t.Output = OutputOfCrtc(Dpy, res, t.Crtc);
        t.Size = static_cast<std::size_t>(size);
        t.Gamma = XRRAllocGamma(size);
        Targets.push_back(std::move(t));
      }
      XRRFreeScreenResources(res);
    }
  }

  void FindVidModeTargets() {
    int eventBase = 0, errorBase = 0;
    if (!XF86VidModeQueryExtension(Dpy, &eventBase, &errorBase))
      return;
    for (int screen = 0; screen < ScreenCount(Dpy); ++screen) {
      int size = 0;
      if (!XF86VidModeGetGammaRampSize(Dpy, screen, &size) || size <= 0)
        continue;
      TTarget t;
      t.Screen = screen;
      t.Size = static_cast<std::size_t>(size);
      t.Red.resize(t.Size);
      t.Green.resize(t.Size);
      t.Blue.resize(t.Size);
      Targets.push_back(std::move(t));
    }
  }
};

TX11GammaDevice::TX11GammaDevice(std::unique_ptr<TImpl> Impl) : F(std::move(Impl)) {}
TX11GammaDevice::~TX11GammaDevice() = default;

std::unique_ptr<TX11GammaDevice> TX11GammaDevice::Open(const char* DisplayName, std::string& Why,
                                                       TMethod Method) {
  const char* shown = DisplayName != nullptr ? DisplayName : std::getenv("DISPLAY");
  if (shown == nullptr || *shown == '\0') {
    Why = "there is no X display (DISPLAY is not set)";
    return nullptr;
  }
  auto impl = std::make_unique<TImpl>();
  impl->Dpy = XOpenDisplay(DisplayName);
  if (impl->Dpy == nullptr) {
    Why = std::string("cannot open the X display '") + shown + "'";
    return nullptr;
  }
  TErrorTrap trap;
  if (Method != TMethod::VidMode) {
    impl->Method = TMethod::RandR;
    impl->FindRandRTargets();
  }
  if (impl->Targets.empty() && Method != TMethod::RandR) {
    impl->Method = TMethod::VidMode;
    impl->FindVidModeTargets();
  }
  XSync(impl->Dpy, False);
  if (impl->Targets.empty()) {
    switch (Method) {
    case TMethod::Any: Why = "the X server has no CRTC gamma and no XF86VidMode"; break;
    case TMethod::RandR: Why = "the X server has no CRTC gamma"; break;
    case TMethod::VidMode: Why = "the X server has no XF86VidMode gamma"; break;
    }
    return nullptr;
  }
  return std::unique_ptr<TX11GammaDevice>(new TX11GammaDevice(std::move(impl)));
}

bool TX11GammaDevice::Apply(const TGammaRamp& Ramp, std::string& Why) {
  TErrorTrap trap;
  for (TImpl::TTarget& t : F->Targets) {
    const std::vector<WORD> red = ResampleGammaChannel(Ramp.Red, t.Size);
    const std::vector<WORD> green = ResampleGammaChannel(Ramp.Green, t.Size);
    const std::vector<WORD> blue = ResampleGammaChannel(Ramp.Blue, t.Size);
    if (F->Method == TMethod::RandR) {
      std::copy(red.begin(), red.end(), t.Gamma->red);
      std::copy(green.begin(), green.end(), t.Gamma->green);
      std::copy(blue.begin(), blue.end(), t.Gamma->blue);
      XRRSetCrtcGamma(F->Dpy, t.Crtc, t.Gamma);
    } else {
      std::copy(red.begin(), red.end(), t.Red.begin());
      std::copy(green.begin(), green.end(), t.Green.begin());
      std::copy(blue.begin(), blue.end(), t.Blue.begin());
      XF86VidModeSetGammaRamp(F->Dpy, t.Screen, static_cast<int>(t.Size), t.Red.data(), t.Green.data(),
                              t.Blue.data());
    }
  }
  XSync(F->Dpy, False);
  if (trap.Error() != 0) {
    Why = "the X server refused the gamma ramp: " + ErrorText(F->Dpy, trap.Error());
    return false;
  }
  return true;
}

bool TX11GammaDevice::Read(std::vector<TX11GammaRamp>& Ramps, std::string& Why) {
  TErrorTrap trap;
  Ramps.clear();
  for (const TImpl::TTarget& t : F->Targets) {
    TX11GammaRamp r;
    r.Crtc = t.Crtc;
    r.Output = t.Output;
    r.Red.resize(t.Size);
    r.Green.resize(t.Size);
    r.Blue.resize(t.Size);
    if (F->Method == TMethod::RandR) {
      XRRCrtcGamma* g = XRRGetCrtcGamma(F->Dpy, t.Crtc);
      if (g == nullptr || static_cast<std::size_t>(g->size) != t.Size) {
        if (g != nullptr)
          XRRFreeGamma(g);
        Why = "the X server did not return the gamma ramp of CRTC " + std::to_string(t.Crtc);
        return false;
      }
      std::copy(g->red, g->red + t.Size, r.Red.begin());
      std::copy(g->green, g->green + t.Size, r.Green.begin());
      std::copy(g->blue, g->blue + t.Size, r.Blue.begin());
      XRRFreeGamma(g);
    } else if (!XF86VidModeGetGammaRamp(F->Dpy, t.Screen, static_cast<int>(t.Size), r.Red.data(),
                                        r.Green.data(), r.Blue.data())) {
      Why = "the X server did not return the gamma ramp of screen " + std::to_string(t.Screen);
      return false;
    }
    Ramps.push_back(std::move(r));
  }
  if (trap.Error() != 0) {
    Why = "the X server refused to read the gamma ramp: " + ErrorText(F->Dpy, trap.Error());
    return false;
  }
  return true;
}

TX11GammaDevice::TMethod TX11GammaDevice::Method() const { return F->Method; }

std::vector<std::size_t> TX11GammaDevice::GammaSizes() const {
  std::vector<std::size_t> sizes;
  for (const TImpl::TTarget& t : F->Targets)
    sizes.push_back(t.Size);
  return sizes;
}
