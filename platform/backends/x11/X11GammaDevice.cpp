#include "platform/backends/x11/X11GammaDevice.h"

#include "platform/backends/GammaResample.h"
#include "platform/backends/x11/X11Connect.h"

#include "platform/backends/x11/XHeaders.h"

#include <algorithm>
#include <cctype>
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

bool ContainsWayland(const std::string& Text) {
  std::string lower = Text;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char C) { return std::tolower(C); });
  return lower.find("wayland") != std::string::npos;
}

bool AnyPositive(const std::vector<std::size_t>& Sizes) {
  return std::any_of(Sizes.begin(), Sizes.end(), [](std::size_t S) { return S > 0; });
}

// What keeps RandR from setting a ramp, as the end of "the X server ...".
std::string RandRShortfall(const TX11GammaFacts& Facts) {
  if (!Facts.RandR12)
    return "has no XRandR 1.2";
  if (Facts.CrtcGammaSizes.empty())
    return "has no CRTC";
  if (Facts.CrtcGammaSizes.size() == 1)
    return "has one CRTC, with a gamma size of 0";
  return "has " + std::to_string(Facts.CrtcGammaSizes.size()) + " CRTCs, each with a gamma size of 0";
}

std::string VidModeShortfall(const TX11GammaFacts& Facts) {
  return Facts.VidMode ? "an XF86VidMode gamma size of 0" : "no XF86VidMode";
}

// A CRTC with a gamma ramp, and the output it drives.
struct TGammaCrtc {
  int Screen = 0;
  RRCrtc Crtc = 0;
  std::size_t Size = 0;
  std::string Output;
};

// Everything the server says that decides about gamma: a few round trips. With Crtcs, also the
// CRTCs that have a gamma ramp, so that the device need not ask for them again.
TX11GammaFacts GatherFacts(Display* Dpy, std::vector<TGammaCrtc>* Crtcs = nullptr) {
  TX11GammaFacts facts;
  facts.Vendor = ServerVendor(Dpy) != nullptr ? ServerVendor(Dpy) : "";
  int opcode = 0, eventBase = 0, errorBase = 0, major = 0, minor = 0;
  facts.XWaylandExtension = XQueryExtension(Dpy, "XWAYLAND", &opcode, &eventBase, &errorBase);
  facts.RandR12 = XRRQueryExtension(Dpy, &eventBase, &errorBase) && XRRQueryVersion(Dpy, &major, &minor) &&
                  (major > 1 || (major == 1 && minor >= 2));
  for (int screen = 0; facts.RandR12 && screen < ScreenCount(Dpy); ++screen) {
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(Dpy, RootWindow(Dpy, screen));
    if (res == nullptr)
      continue;
    for (int o = 0; o < res->noutput; ++o)
      if (XRROutputInfo* out = XRRGetOutputInfo(Dpy, res, res->outputs[o])) {
        facts.OutputNames.emplace_back(out->name, static_cast<std::size_t>(out->nameLen));
        XRRFreeOutputInfo(out);
      }
    for (int c = 0; c < res->ncrtc; ++c) {
      const auto size = static_cast<std::size_t>(std::max(XRRGetCrtcGammaSize(Dpy, res->crtcs[c]), 0));
      facts.CrtcGammaSizes.push_back(size);
      if (Crtcs && size > 0)
        Crtcs->push_back({screen, res->crtcs[c], size, OutputOfCrtc(Dpy, res, res->crtcs[c])});
    }
    XRRFreeScreenResources(res);
  }
  facts.VidMode = XF86VidModeQueryExtension(Dpy, &eventBase, &errorBase);
  for (int screen = 0; facts.VidMode && screen < ScreenCount(Dpy); ++screen) {
    int size = 0;
    if (!XF86VidModeGetGammaRampSize(Dpy, screen, &size))
      size = 0;
    facts.VidModeGammaSizes.push_back(static_cast<std::size_t>(std::max(size, 0)));
  }
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  facts.WaylandDisplaySet = wayland != nullptr && *wayland != '\0';
  return facts;
}

} // namespace

TX11GammaVerdict ClassifyX11Gamma(const TX11GammaFacts& Facts, TX11GammaMethod Wanted) {
  TX11GammaVerdict verdict;
  // Such a server answers every gamma request as if it had shown the ramp.
  std::string evidence;
  if (Facts.XWaylandExtension)
    evidence = "it has the XWAYLAND extension";
  else if (auto it = std::find_if(Facts.OutputNames.begin(), Facts.OutputNames.end(),
                                  [](const std::string& N) { return N.starts_with("XWAYLAND"); });
           it != Facts.OutputNames.end())
    evidence = "its output " + *it;
  else if (ContainsWayland(Facts.Vendor))
    evidence = "its vendor is '" + Facts.Vendor + "'";
  if (!evidence.empty()) {
    verdict.Refusal = "the X server is a Wayland compositor's compatibility server (Xwayland: " + evidence +
                      "), which takes gamma ramps and shows none";
    return verdict;
  }
  const bool randr = Facts.RandR12 && AnyPositive(Facts.CrtcGammaSizes);
  const bool vidMode = Facts.VidMode && AnyPositive(Facts.VidModeGammaSizes);
  if (Wanted != TX11GammaMethod::VidMode && randr)
    verdict.Method = TX11GammaMethod::RandR;
  else if (Wanted != TX11GammaMethod::RandR && vidMode)
    verdict.Method = TX11GammaMethod::VidMode;
  else if (Wanted == TX11GammaMethod::RandR)
    verdict.Refusal = "the X server " + RandRShortfall(Facts);
  else if (Wanted == TX11GammaMethod::VidMode)
    verdict.Refusal = "the X server has " + VidModeShortfall(Facts);
  else
    verdict.Refusal = "the X server " + RandRShortfall(Facts) + " and " + VidModeShortfall(Facts);
  if (verdict.Refusal.empty() && Facts.WaylandDisplaySet)
    verdict.Note = "WAYLAND_DISPLAY is set: if this X server is a Wayland compositor's compatibility server, "
                   "it takes the ramp and shows none";
  return verdict;
}

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
  TMethod Wanted = TMethod::Any;
  TMethod Method = TMethod::RandR;
  std::vector<TTarget> Targets;
  std::string Note;
  std::string Refusal; // why the last look at the displays found no ramp to set
  bool Stale = false;
  bool Lost = false;

  ~TImpl() {
    FreeTargets();
    if (Dpy != nullptr)
      XCloseDisplay(Dpy);
  }

  void FreeTargets() {
    for (TTarget& t : Targets)
      if (t.Gamma != nullptr)
        XRRFreeGamma(t.Gamma);
    Targets.clear();
  }

  void FindRandRTargets(const std::vector<TGammaCrtc>& Crtcs) {
    for (const TGammaCrtc& crtc : Crtcs) {
      TTarget t;
      t.Crtc = crtc.Crtc;
      t.Screen = crtc.Screen;
      t.Output = crtc.Output;
      t.Size = crtc.Size;
      t.Gamma = XRRAllocGamma(static_cast<int>(crtc.Size));
      Targets.push_back(std::move(t));
    }
  }

  void FindVidModeTargets() {
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

  // Looks at the server afresh; false with Why when it takes no ramp (now).
  bool FindTargets(std::string& Why) {
    TErrorTrap trap;
    FreeTargets();
    std::vector<TGammaCrtc> crtcs;
    const TX11GammaVerdict verdict = ClassifyX11Gamma(GatherFacts(Dpy, &crtcs), Wanted);
    if (!verdict.Refusal.empty()) {
      Why = verdict.Refusal;
      return false;
    }
    Method = verdict.Method;
    Note = verdict.Note;
    // Every request so far had its answer: any error came with it, before the trap ends.
    if (Method == TMethod::RandR)
      FindRandRTargets(crtcs);
    else
      FindVidModeTargets();
    if (Targets.empty()) {
      Why = "the X server offers no gamma ramp";
      return false;
    }
    return true;
  }
};

namespace {

// The connection of a device broke (the server ended): the device stops using it and says so when
// asked for a ramp, instead of Xlib ending the program. The desktop's own connection tells the user.
void GammaConnectionBroke(Display*, void* Data) { static_cast<TX11GammaDevice::TImpl*>(Data)->Lost = true; }

} // namespace

TX11GammaDevice::TX11GammaDevice(std::unique_ptr<TImpl> Impl) : F(std::move(Impl)) {}
TX11GammaDevice::~TX11GammaDevice() = default;

std::unique_ptr<TX11GammaDevice> TX11GammaDevice::Open(const char* DisplayName, std::string& Why,
                                                       TMethod Method) {
  auto impl = std::make_unique<TImpl>();
  impl->Dpy = OpenX11Display(DisplayName, Why);
  if (impl->Dpy == nullptr)
    return nullptr;
  XSetIOErrorExitHandler(impl->Dpy, GammaConnectionBroke, impl.get());
  impl->Wanted = Method;
  if (!impl->FindTargets(Why))
    return nullptr;
  return std::unique_ptr<TX11GammaDevice>(new TX11GammaDevice(std::move(impl)));
}

bool TX11GammaDevice::Survey(const char* DisplayName, TX11GammaSurvey& Out, std::string& Why) {
  Display* dpy = OpenX11Display(DisplayName, Why);
  if (dpy == nullptr)
    return false;
  Out = {};
  {
    TErrorTrap trap;
    const TX11GammaFacts facts = GatherFacts(dpy);
    Out.Verdict = ClassifyX11Gamma(facts, TMethod::Any);
    const bool randr = Out.Verdict.Refusal.empty() && Out.Verdict.Method == TMethod::RandR;
    for (int screen = 0; facts.RandR12 && screen < ScreenCount(dpy); ++screen) {
      XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, RootWindow(dpy, screen));
      if (res == nullptr)
        continue;
      for (int o = 0; o < res->noutput; ++o) {
        XRROutputInfo* info = XRRGetOutputInfo(dpy, res, res->outputs[o]);
        if (info == nullptr)
          continue;
        TX11GammaOutput out;
        out.Name.assign(info->name, static_cast<std::size_t>(info->nameLen));
        out.Crtc = info->crtc;
        if (info->crtc != 0)
          out.GammaSize = static_cast<std::size_t>(std::max(XRRGetCrtcGammaSize(dpy, info->crtc), 0));
        out.Settable = randr && out.Crtc != 0 && out.GammaSize > 0;
        Out.Outputs.push_back(std::move(out));
        XRRFreeOutputInfo(info);
      }
      XRRFreeScreenResources(res);
    }
    if (Out.Verdict.Refusal.empty() && Out.Verdict.Method == TMethod::VidMode)
      for (int screen = 0; screen < ScreenCount(dpy); ++screen) {
        TX11GammaOutput out;
        out.Name = "screen " + std::to_string(screen);
        if (screen < static_cast<int>(facts.VidModeGammaSizes.size()))
          out.GammaSize = facts.VidModeGammaSizes[static_cast<std::size_t>(screen)];
        out.Settable = out.GammaSize > 0;
        Out.Outputs.push_back(std::move(out));
      }
    XSync(dpy, False);
  }
  XCloseDisplay(dpy);
  return true;
}

void TX11GammaDevice::DisplaysChanged() { F->Stale = true; }

bool TX11GammaDevice::Apply(const TGammaRamp& Ramp, std::string& Why) {
  if (F->Lost) {
    Why = "the connection to the X server was lost";
    return false;
  }
  if (F->Stale) {
    // The answer holds until the displays change again: a display that takes no ramp now is not
    // asked again with every table.
    F->Stale = false;
    F->Refusal.clear();
    F->FindTargets(F->Refusal);
  }
  if (!F->Refusal.empty()) {
    Why = F->Refusal;
    return false;
  }
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
  if (F->Lost) {
    Why = "the connection to the X server was lost";
    return false;
  }
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

const std::string& TX11GammaDevice::Note() const { return F->Note; }
