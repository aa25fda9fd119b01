// Between the layer's window units and the desktop's device pixels: what a backend reports comes
// in here, and what the layer tells a host goes out through here.

#include "platform/windows/WindowManager.h"

#include "platform/graphics/Scale.h"

#include <cmath>

namespace {

int RoundedUnits(int Device, double Scale) {
  return Scale == 1.0 ? Device : static_cast<int>(std::lround(Device / Scale));
}

// The top-level window that shows Device (a screen point in device pixels), topmost first.
TWnd* TopLevelAtDevicePoint(TPoint Device) {
  for (HWND h : WM().TopLevels)
    if (TWnd* w = LiveWnd(h); w && IsShowing(*w) && w->DeviceBounds.Contains(Device))
      return w;
  return nullptr;
}

} // namespace

TRect DeviceBoundsOf(const TRect& Bounds, double Scale) {
  if (Scale == 1.0)
    return Bounds;
  return ::Bounds(ScaleEdge(Bounds.Left, Scale), ScaleEdge(Bounds.Top, Scale), ScaleEdge(Bounds.Width(), Scale),
                  ScaleEdge(Bounds.Height(), Scale));
}

TRect UnitBoundsOf(const TRect& Device, double Scale) {
  if (Scale == 1.0)
    return Device;
  return Bounds(RoundedUnits(Device.Left, Scale), RoundedUnits(Device.Top, Scale),
                UnitsCovering(Device.Width(), Scale), UnitsCovering(Device.Height(), Scale));
}

std::vector<TMonitor> UnitMonitors() {
  std::vector<TMonitor> monitors = CurrentDesktopBackend().Monitors();
  for (TMonitor& m : monitors) {
    m.Scale = WindowScaleFor(m.Scale);
    if (m.Scale == 1.0)
      continue;
    // The work area keeps its place inside the screen: both edges of each are rounded alike.
    const TRect screen = UnitBoundsOf(m.Screen, m.Scale);
    const TRect work = m.WorkArea;
    m.WorkArea = Rect(RoundedUnits(work.Left, m.Scale), RoundedUnits(work.Top, m.Scale),
                      RoundedUnits(work.Right, m.Scale), RoundedUnits(work.Bottom, m.Scale));
    m.WorkArea = IntersectRect(m.WorkArea, screen);
    m.Screen = screen;
  }
  return monitors;
}

TPoint ScreenPointInUnits(TPoint Device) {
  if (const TWnd* w = TopLevelAtDevicePoint(Device); w && w->Scale != 1.0)
    return {w->Bounds.Left + UnitAt(Device.X - w->DeviceBounds.Left, w->Scale),
            w->Bounds.Top + UnitAt(Device.Y - w->DeviceBounds.Top, w->Scale)};
  double scale = 0;
  for (const TMonitor& m : CurrentDesktopBackend().Monitors())
    if (scale == 0 || m.Screen.Contains(Device))
      scale = WindowScaleFor(m.Scale);
  if (scale == 0 || scale == 1.0)
    return Device;
  return {RoundedUnits(Device.X, scale), RoundedUnits(Device.Y, scale)};
}

TPoint UnitCursorPos() { return ScreenPointInUnits(CurrentDesktopBackend().CursorPos()); }

void PresentUnits(TWnd& Top, const TRegion& Units) {
  Top.Host->Present(FrameOf(Top), ScaleRegion(Units, Top.Scale));
}

MINMAXINFO QueryMinMaxInfo(HWND Wnd) {
  MINMAXINFO info = UnitMinMaxInfo(Wnd);
  const TWnd* w = FindWnd(Wnd);
  const double scale = w ? w->Scale : 1.0;
  if (scale == 1.0)
    return info;
  // Sizes within the largest a window may have, so that scaling cannot overflow.
  auto size = [scale](TPoint P) {
    return TPoint{ScaleEdge(std::min(P.X, 32767), scale), ScaleEdge(std::min(P.Y, 32767), scale)};
  };
  info.ptMaxSize = size(info.ptMaxSize);
  info.ptMinTrackSize = size(info.ptMinTrackSize);
  info.ptMaxTrackSize = size(info.ptMaxTrackSize);
  info.ptMaxPosition = {ScaleEdge(info.ptMaxPosition.X, scale), ScaleEdge(info.ptMaxPosition.Y, scale)};
  return info;
}
