#include "platform/windows/Gdi.h"

#include "platform/core/Report.h"
#include "platform/windows/GammaDevice.h"
#include "platform/windows/WindowManager.h"

#include <cstring>
#include <string>
#include <unordered_map>

namespace {

struct TDCEntry {
  std::unique_ptr<TCanvas> Canvas;
  HWND Window = nullptr; // nullptr: the screen
};

struct TGdiState {
  std::unordered_map<HDC, TDCEntry> DCs;
  std::unordered_map<HRGN, std::unique_ptr<TRegion>> Regions;
  std::uintptr_t NextRegion = 0x3000000;
  int ScreenDCs = 0;
};

TGdiState& Gdi() {
  static TGdiState state;
  return state;
}

HDC Register(std::unique_ptr<TCanvas> Canvas, HWND Wnd) {
  HDC dc = DCFromCanvas(Canvas.get());
  Gdi().DCs.emplace(dc, TDCEntry{std::move(Canvas), Wnd});
  return dc;
}

bool gRefusalReported = false;

void ReportRefusal(const std::string& Why) {
  if (gRefusalReported)
    return;
  gRefusalReported = true;
  ReportLine("display gamma ramp not set: " + Why);
}

int KindOf(const TRegion& R) {
  if (R.IsEmpty())
    return NULLREGION;
  return R.IsRectangle() ? SIMPLEREGION : COMPLEXREGION;
}

HRGN NewRegion(TRegion R) {
  TGdiState& g = Gdi();
  HRGN h = reinterpret_cast<HRGN>(g.NextRegion);
  g.NextRegion += 8;
  g.Regions.emplace(h, std::make_unique<TRegion>(std::move(R)));
  return h;
}

} // namespace

HDC RegisterWindowDC(std::unique_ptr<TCanvas> Canvas, HWND Wnd) { return Register(std::move(Canvas), Wnd); }

bool UnregisterWindowDC(HDC DC, HWND Wnd) {
  auto& dcs = Gdi().DCs;
  auto it = dcs.find(DC);
  if (it == dcs.end() || it->second.Window == nullptr || it->second.Window != Wnd)
    return false;
  dcs.erase(it);
  return true;
}

void DetachWindowDCs(HWND TopLevel) {
  for (auto& [dc, entry] : Gdi().DCs) {
    if (!entry.Window)
      continue;
    TWnd* w = FindWnd(entry.Window);
    TWnd* top = w ? TopLevelOf(*w) : nullptr;
    if (!w || !top || top->Handle == TopLevel)
      entry.Canvas->SetTarget(nullptr);
  }
}

HDC GetDC(HWND Wnd) {
  if (Wnd)
    return GetWindowDCFor(Wnd);
  ++Gdi().ScreenDCs;
  return Register(std::make_unique<TCanvas>(), nullptr);
}

int ReleaseDC(HWND Wnd, HDC DC) {
  if (Wnd)
    return ReleaseWindowDC(Wnd, DC);
  auto& dcs = Gdi().DCs;
  auto it = dcs.find(DC);
  if (it == dcs.end() || it->second.Window != nullptr)
    return 0;
  dcs.erase(it);
  --Gdi().ScreenDCs;
  return 1;
}

int OutstandingScreenDCs() { return Gdi().ScreenDCs; }

bool IsLiveDC(HDC DC) { return Gdi().DCs.contains(DC); }

BOOL SetDeviceGammaRamp(HDC DC, const void* Ramp) {
  std::string why;
  if (Ramp == nullptr) {
    ReportRefusal("no table was given");
    return 0;
  }
  auto& dcs = Gdi().DCs;
  auto it = dcs.find(DC);
  if (it == dcs.end() || it->second.Window != nullptr) {
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

const TRegion* RegionOfHandle(HRGN Rgn) { return MutableRegionOfHandle(Rgn); }

TRegion* MutableRegionOfHandle(HRGN Rgn) {
  auto& regions = Gdi().Regions;
  auto it = regions.find(Rgn);
  return it == regions.end() ? nullptr : it->second.get();
}

std::optional<TRegion> TakeRegionHandle(HRGN Rgn) {
  auto& regions = Gdi().Regions;
  auto it = regions.find(Rgn);
  if (it == regions.end())
    return std::nullopt;
  TRegion r = std::move(*it->second);
  regions.erase(it);
  return r;
}

HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom) {
  return NewRegion(TRegion(NormalizeRect(Rect(Left, Top, Right, Bottom))));
}

HRGN CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight) {
  const TRect r = NormalizeRect(Rect(Left, Top, Right, Bottom));
  return NewRegion(TRegion::RoundRect(r.Left, r.Top, r.Right, r.Bottom, EllipseWidth, EllipseHeight));
}

int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode) {
  TRegion* dest = MutableRegionOfHandle(Dest);
  const TRegion* a = RegionOfHandle(Src1);
  if (!dest || !a)
    return ERROR;
  if (Mode == RGN_COPY) {
    *dest = *a;
    return KindOf(*dest);
  }
  const TRegion* b = RegionOfHandle(Src2);
  if (!b || (Mode != RGN_AND && Mode != RGN_OR && Mode != RGN_XOR && Mode != RGN_DIFF))
    return ERROR;
  *dest = a->Combine(*b, static_cast<TRegionCombine>(Mode));
  return KindOf(*dest);
}

int OffsetRgn(HRGN Rgn, int DX, int DY) {
  TRegion* r = MutableRegionOfHandle(Rgn);
  if (!r)
    return ERROR;
  r->Offset(DX, DY);
  return KindOf(*r);
}

int GetRgnBox(HRGN Rgn, TRect* Box) {
  const TRegion* r = RegionOfHandle(Rgn);
  if (!r || !Box)
    return ERROR;
  *Box = r->IsEmpty() ? TRect{} : r->BoundsRect();
  return KindOf(*r);
}

BOOL PtInRegion(HRGN Rgn, int X, int Y) {
  const TRegion* r = RegionOfHandle(Rgn);
  return r && r->Contains({X, Y}) ? 1 : 0;
}

BOOL DeleteObject(HGDIOBJ Object) {
  return Gdi().Regions.erase(static_cast<HRGN>(Object)) ? 1 : 0;
}

int OutstandingRegions() { return static_cast<int>(Gdi().Regions.size()); }

int SaveDC(HDC DC) { return DC ? CanvasFromDC(DC)->Save() : 0; }

BOOL RestoreDC(HDC DC, int Level) { return DC && CanvasFromDC(DC)->Restore(Level) ? 1 : 0; }

BOOL GetViewportOrgEx(HDC DC, TPoint* Origin) {
  if (!DC || !Origin)
    return 0;
  *Origin = CanvasFromDC(DC)->ViewportOrigin();
  return 1;
}

BOOL SetViewportOrgEx(HDC DC, int X, int Y, TPoint* Previous) {
  if (!DC)
    return 0;
  const TPoint old = CanvasFromDC(DC)->SetViewportOrigin({X, Y});
  if (Previous)
    *Previous = old;
  return 1;
}

int IntersectClipRect(HDC DC, int Left, int Top, int Right, int Bottom) {
  if (!DC)
    return ERROR;
  TCanvas* canvas = CanvasFromDC(DC);
  canvas->IntersectClipRect(Rect(Left, Top, Right, Bottom));
  TRect box;
  return GetClipBox(DC, &box);
}

int GetClipBox(HDC DC, TRect* Box) {
  if (!DC || !Box)
    return ERROR;
  *Box = CanvasFromDC(DC)->ClipRect();
  return Box->IsEmpty() ? NULLREGION : SIMPLEREGION;
}

BOOL BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Source, int SourceX, int SourceY, std::uint32_t Rop) {
  if (!Dest || !Source || Rop != SRCCOPY || Width <= 0 || Height <= 0)
    return 0;
  CanvasFromDC(Dest)->CopyRect(Bounds(X, Y, Width, Height), *CanvasFromDC(Source),
                               Bounds(SourceX, SourceY, Width, Height));
  return 1;
}
