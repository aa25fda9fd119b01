#include "platform/windows/Gdi.h"

#include "platform/core/Report.h"
#include "platform/core/StartupTrace.h"
#include "platform/windows/GammaDevice.h"
#include "platform/windows/WindowManager.h"

#include <algorithm>
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

int KindOf(const TRegion& R) {
  if (R.IsEmpty())
    return NULLREGION;
  return R.IsRectangle() ? SIMPLEREGION : COMPLEXREGION;
}

HRGN NewRegion(TRegion R) {
  HRGN h = reinterpret_cast<HRGN>(NewObjectHandleValue());
  Gdi().Regions.emplace(h, std::make_unique<TRegion>(std::move(R)));
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
    if (!entry.Window || IsDesktopWindow(entry.Window))
      continue;
    TWnd* w = FindWnd(entry.Window);
    TWnd* top = w ? TopLevelOf(*w) : nullptr;
    if (!w || !top || top->Handle == TopLevel)
      entry.Canvas->SetTarget(nullptr);
  }
}

HDC GetDC(HWND Wnd) {
  if (IsDesktopWindow(Wnd))
    return GetScreenSurfaceDC();
  if (Wnd)
    return GetWindowDCFor(Wnd);
  ++Gdi().ScreenDCs;
  return Register(std::make_unique<TCanvas>(), nullptr);
}

int ReleaseDC(HWND Wnd, HDC DC) {
  if (IsDesktopWindow(Wnd))
    return ReleaseScreenSurfaceDC(DC);
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

HWND WindowFromDC(HDC DC) {
  auto& dcs = Gdi().DCs;
  auto it = dcs.find(DC);
  if (it == dcs.end())
    return nullptr;
  return it->second.Window ? it->second.Window : GetDesktopWindow();
}

BOOL SetDeviceGammaRamp(HDC DC, const void* Ramp) {
  std::string why;
  if (Ramp == nullptr) {
    ReportGammaRefusal("no table was given");
    return 0;
  }
  auto& dcs = Gdi().DCs;
  auto it = dcs.find(DC);
  if (it == dcs.end() || it->second.Window != nullptr) {
    ReportGammaRefusal("the device context is not a live screen context");
    return 0;
  }
  TGammaRamp ramp;
  std::memcpy(&ramp, Ramp, sizeof ramp);
  const bool applied = CurrentGammaDevice().Apply(ramp, why);
  StartupMark("first ramp applied");
  if (!applied) {
    ReportGammaRefusal(why);
    return 0;
  }
  return 1;
}

void ReportGammaRefusal(const std::string& Why) {
  if (gRefusalReported)
    return;
  gRefusalReported = true;
  ReportLine("display gamma ramp not set: " + Why);
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
  if (Gdi().Regions.erase(static_cast<HRGN>(Object)))
    return 1;
  return DeleteFontHandle(static_cast<HFONT>(Object)) ? 1 : 0;
}

void SetFaceName(LOGFONT& Font, std::string_view Face) {
  // Room for 31 bytes and the NUL; a longer face is cut before a whole character.
  std::size_t n = std::min(Face.size(), sizeof Font.lfFaceName - 1);
  while (n > 0 && n < Face.size() && (static_cast<unsigned char>(Face[n]) & 0xC0) == 0x80)
    --n;
  std::memcpy(Font.lfFaceName, Face.data(), n);
  Font.lfFaceName[n] = 0;
}

HFONT CreateFontIndirect(const LOGFONT* Font) {
  if (!Font)
    return nullptr;
  TFontData data;
  // The face is at most 32 bytes, NUL-terminated or not.
  const char* face = Font->lfFaceName;
  data.Face.assign(face, std::find(face, face + sizeof Font->lfFaceName, '\0'));
  data.Height = Font->lfHeight;
  data.Width = Font->lfWidth;
  data.Escapement = Font->lfEscapement;
  data.Orientation = Font->lfOrientation;
  data.Weight = Font->lfWeight;
  data.Italic = Font->lfItalic != 0;
  data.Underline = Font->lfUnderline != 0;
  data.StrikeOut = Font->lfStrikeOut != 0;
  data.Charset = Font->lfCharSet;
  data.OutPrecision = Font->lfOutPrecision;
  data.ClipPrecision = Font->lfClipPrecision;
  data.Quality = Font->lfQuality;
  data.PitchAndFamily = Font->lfPitchAndFamily;
  return CreateFontHandle(data);
}

int GetObject(HGDIOBJ Object, int Size, void* Buffer) {
  const TFontData* data = FontHandleData(static_cast<HFONT>(Object));
  if (!data)
    return 0;
  if (!Buffer)
    return sizeof(LOGFONT);
  if (Size < static_cast<int>(sizeof(LOGFONT)))
    return 0;
  LOGFONT f;
  f.lfHeight = data->Height;
  f.lfWidth = data->Width;
  f.lfEscapement = data->Escapement;
  f.lfOrientation = data->Orientation;
  f.lfWeight = data->Weight;
  f.lfItalic = data->Italic ? 1 : 0;
  f.lfUnderline = data->Underline ? 1 : 0;
  f.lfStrikeOut = data->StrikeOut ? 1 : 0;
  f.lfCharSet = data->Charset;
  f.lfOutPrecision = data->OutPrecision;
  f.lfClipPrecision = data->ClipPrecision;
  f.lfQuality = data->Quality;
  f.lfPitchAndFamily = data->PitchAndFamily;
  SetFaceName(f, data->Face);
  std::memcpy(Buffer, &f, sizeof f);
  return sizeof(LOGFONT);
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
