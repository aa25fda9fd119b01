// Contexts over whole windows and over the whole screen.
//
// The screen has no pixels of its own here: what a screen context draws lands in the frames of our
// top-level windows that lie under it, in z-order (each pixel on the window that shows there), as a
// real screen shows it. The context draws into a copy of the screen area our windows cover; giving
// it back writes every pixel it changed into the window showing there and presents those windows.

#include "platform/windows/WindowManager.h"

#include "platform/graphics/Scale.h"
#include "platform/windows/Gdi.h"

#include <algorithm>
#include <unordered_map>

namespace {

HWND const DesktopHandle = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x8));

struct TScreenSurface {
  TRect Area;            // screen coordinates of the pixels below
  TPixelBuffer Before;   // what our windows showed there when the context was taken
  TPixelBuffer Drawn;    // what the context draws into
};

std::unordered_map<HDC, std::unique_ptr<TScreenSurface>>& Surfaces() {
  static std::unordered_map<HDC, std::unique_ptr<TScreenSurface>> surfaces;
  return surfaces;
}

// The screen bounding all monitors (the virtual screen).
TRect VirtualScreen() {
  TRect all;
  bool first = true;
  for (const TMonitor& m : UnitMonitors()) {
    all = first ? m.Screen : UnionRect(all, m.Screen);
    first = false;
  }
  return all;
}

// A showing top-level window and the screen pixels it shows: its rectangle and shape less what the
// windows above it cover.
struct TShown {
  HWND Window;
  TRegion Screen;
};

std::vector<TShown> ShownWindows() {
  std::vector<TShown> shown;
  TRegion above;
  for (HWND h : WM().TopLevels) {
    TWnd* w = LiveWnd(h);
    if (!w || !IsShowing(*w))
      continue;
    TRegion area = VisibleArea(*w);
    area.Offset(w->Bounds.Left, w->Bounds.Top);
    TRegion mine = area.Subtract(above);
    above = above.Union(area);
    if (!mine.IsEmpty())
      shown.push_back({h, std::move(mine)});
  }
  return shown;
}

// Copies between the surface (screen coordinates, less Area's corner) and a window's frame, unit by
// unit: a window of another scale gives each unit's top-left pixel and takes the unit's pixels.
template <class F>
void ForEachPixel(const TScreenSurface& S, const TShown& Shown, const TWnd& W, F Fn) {
  const TRect frame = Bounds(W.Bounds.Left, W.Bounds.Top, W.Frame->UnitWidth(), W.Frame->UnitHeight());
  for (const TRect& r : Shown.Screen.RectsIn(IntersectRect(S.Area, frame)))
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        Fn(x - S.Area.Left, y - S.Area.Top, x - W.Bounds.Left, y - W.Bounds.Top);
}

} // namespace

HWND GetDesktopWindow() { return DesktopHandle; }

bool IsDesktopWindow(HWND Wnd) { return Wnd == DesktopHandle; }

HDC GetWindowDC(HWND Wnd) {
  if (Wnd == DesktopHandle)
    return GetScreenSurfaceDC();
  TWnd* w = LiveWnd(Wnd);
  if (!w || w->IsMessageOnly())
    return nullptr;
  TWnd* top = TopLevelOf(*w);
  if (!top)
    return nullptr;
  // Window coordinates: a top-level window's frame is the whole window.
  auto canvas = std::make_unique<TCanvas>(&FrameOf(*top));
  canvas->IntersectClipRegion(VisibleArea(*w));
  canvas->SetViewportOrigin(w->IsTopLevel() ? TPoint{} : FrameOrigin(*w));
  return RegisterWindowDC(std::move(canvas), Wnd);
}

HDC GetScreenSurfaceDC() {
  if (!HasDesktopBackend())
    return nullptr;
  auto surface = std::make_unique<TScreenSurface>();
  const std::vector<TShown> shown = ShownWindows();
  TRegion covered;
  for (const TShown& s : shown)
    covered = covered.Union(s.Screen);
  const TRect screen = VirtualScreen();
  surface->Area = covered.IsEmpty() ? TRect{} : IntersectRect(covered.BoundsRect(), screen);
  surface->Before.SetSize(surface->Area.Width(), surface->Area.Height());
  for (const TShown& s : shown) {
    const TWnd& w = *LiveWnd(s.Window);
    ForEachPixel(*surface, s, w, [&](int SX, int SY, int FX, int FY) {
      surface->Before.Set(SX, SY, w.Frame->At(ScaleEdge(FX, w.Scale), ScaleEdge(FY, w.Scale)));
    });
  }
  surface->Drawn = surface->Before;
  auto canvas = std::make_unique<TCanvas>(&surface->Drawn);
  canvas->SetViewportOrigin({-surface->Area.Left, -surface->Area.Top});
  // Nothing is drawn where no window of ours is.
  canvas->IntersectClipRegion(covered.Intersect(TRegion(screen)));
  HDC dc = RegisterWindowDC(std::move(canvas), DesktopHandle);
  Surfaces().emplace(dc, std::move(surface));
  return dc;
}

int ReleaseScreenSurfaceDC(HDC DC) {
  auto it = Surfaces().find(DC);
  if (it == Surfaces().end() || !UnregisterWindowDC(DC, DesktopHandle))
    return 0;
  const std::unique_ptr<TScreenSurface> surface = std::move(it->second);
  Surfaces().erase(it);
  // Where the windows lie now: one may have moved, or gone, since the context was taken.
  for (const TShown& s : ShownWindows()) {
    TWnd* w = LiveWnd(s.Window);
    TRect changed;
    ForEachPixel(*surface, s, *w, [&](int SX, int SY, int FX, int FY) {
      const TPixel p = surface->Drawn.At(SX, SY);
      if (p == surface->Before.At(SX, SY))
        return;
      const TRect pixels = ScaleRect(Bounds(FX, FY, 1, 1), w->Scale);
      for (int y = pixels.Top; y < pixels.Bottom; ++y)
        std::fill(w->Frame->ScanLine(y) + pixels.Left, w->Frame->ScanLine(y) + pixels.Right, p);
      changed = changed.IsEmpty() ? Bounds(FX, FY, 1, 1) : UnionRect(changed, Bounds(FX, FY, 1, 1));
    });
    if (!changed.IsEmpty())
      PresentUnits(*w, TRegion(changed).Intersect(VisibleArea(*w)));
  }
  return 1;
}
