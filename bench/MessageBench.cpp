// Budget: one mouse move from one child window to the next over a 281 x 121 form with 15 children
// that repaint on enter and leave, including hit testing, the paint cycle and the present, under
// 1 ms.

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/windows/Gdi.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

struct THoverWindow {
  HWND Wnd = nullptr;
  bool Hot = false;
};

std::vector<THoverWindow>* gWindows = nullptr;

THoverWindow* Find(HWND Wnd) {
  for (THoverWindow& w : *gWindows)
    if (w.Wnd == Wnd)
      return &w;
  return nullptr;
}

LRESULT HoverProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  THoverWindow* self = Find(Wnd);
  switch (Msg) {
  case WM_MOUSEMOVE:
    if (self && !self->Hot) {
      self->Hot = true;
      InvalidateRect(Wnd, nullptr, 0);
    }
    return 0;
  case WM_MOUSELEAVE:
    if (self) {
      self->Hot = false;
      InvalidateRect(Wnd, nullptr, 0);
    }
    return 0;
  case WM_PAINT: {
    PAINTSTRUCT ps;
    TCanvas* canvas = CanvasFromDC(BeginPaint(Wnd, &ps));
    canvas->Brush().SetColor(self && self->Hot ? clYellow : clBtnFace);
    TRect r;
    GetClientRect(Wnd, &r);
    canvas->FillRect(r);
    EndPaint(Wnd, &ps);
    return 0;
  }
  default:
    return DefWindowProc(Wnd, Msg, WParam, LParam);
  }
}

void BM_MouseMoveRepaint(benchmark::State& State) {
  THeadlessDesktop desktop;
  std::vector<THoverWindow> windows;
  gWindows = &windows;
  const WNDPROC proc = WndProcFromFunction(HoverProcedure);
  windows.push_back({CreateWindowEx(0, "form", WS_VISIBLE | WS_POPUP, 100, 100, 281, 121, nullptr, proc)});
  const HWND form = windows[0].Wnd;
  std::vector<TPoint> centres;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 5; ++col) {
      const TRect b = Bounds(6 + col * 54, 6 + row * 37, 50, 33);
      windows.push_back({CreateWindowEx(0, "child", WS_VISIBLE | WS_CHILD, b.Left, b.Top, b.Width(), b.Height(),
                                        form, proc)});
      centres.push_back({100 + b.Left + 25, 100 + b.Top + 16});
    }
  desktop.ProcessMessages();
  std::size_t next = 0;
  for (auto _ : State) {
    desktop.MouseMove(centres[next].X, centres[next].Y);
    next = (next + 1) % centres.size();
  }
  if (desktop.Host(form)->Presents() < static_cast<int>(State.iterations()))
    State.SkipWithError("a move did not present a frame");
  DestroyWindow(form);
  gWindows = nullptr;
}
BENCHMARK(BM_MouseMoveRepaint)->Repetitions(10)->ReportAggregatesOnly(true);

} // namespace
