#include "platform/windows/Gdi.h"

#include "platform/windows/GammaDevice.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

namespace {

// Screen contexts are plain tokens: a context names the screen, and the set tells live ones from
// released or forged ones.
struct TScreenDCs {
  std::set<HDC> Live;
  std::uintptr_t Next = 1;
};

TScreenDCs& ScreenDCs() {
  static TScreenDCs dcs;
  return dcs;
}

bool gRefusalReported = false;

void ReportRefusal(const std::string& Why) {
  if (gRefusalReported)
    return;
  gRefusalReported = true;
  std::fprintf(stderr, "display gamma ramp not set: %s\n", Why.c_str());
}

} // namespace

HDC GetDC(HWND Wnd) {
  if (Wnd != nullptr)
    return nullptr; // window contexts belong to the message layer's paint cycle
  TScreenDCs& dcs = ScreenDCs();
  HDC dc = reinterpret_cast<HDC>(dcs.Next++);
  dcs.Live.insert(dc);
  return dc;
}

int ReleaseDC(HWND Wnd, HDC DC) {
  if (Wnd != nullptr)
    return 0;
  return ScreenDCs().Live.erase(DC) == 1 ? 1 : 0;
}

int OutstandingScreenDCs() { return static_cast<int>(ScreenDCs().Live.size()); }

BOOL SetDeviceGammaRamp(HDC DC, const void* Ramp) {
  std::string why;
  if (Ramp == nullptr) {
    ReportRefusal("no table was given");
    return 0;
  }
  if (ScreenDCs().Live.count(DC) == 0) {
    ReportRefusal("the device context is not a live screen context");
    return 0;
  }
  TGammaRamp ramp;
  std::memcpy(&ramp, Ramp, sizeof ramp);
  if (!CurrentGammaDevice().Apply(ramp, why)) {
    ReportRefusal(why);
    return 0;
  }
  return 1;
}

void ResetGammaRefusalNotice() { gRefusalReported = false; }
