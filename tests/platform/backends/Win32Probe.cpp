#include "tests/platform/backends/Win32Probe.h"

#include "platform/graphics/GdiFace.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {
HWND H(void* Wnd) { return static_cast<HWND>(Wnd); }
} // namespace

TProbedStyle ProbeStyle(void* Wnd) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(H(Wnd), GWL_STYLE));
  const auto ex = static_cast<DWORD>(GetWindowLongPtrW(H(Wnd), GWL_EXSTYLE));
  TProbedStyle s;
  s.Popup = (style & WS_POPUP) != 0;
  s.Caption = (style & WS_CAPTION) == WS_CAPTION;
  s.ThickFrame = (style & WS_THICKFRAME) != 0;
  s.AppWindow = (ex & WS_EX_APPWINDOW) != 0;
  s.NoActivate = (ex & WS_EX_NOACTIVATE) != 0;
  s.Topmost = (ex & WS_EX_TOPMOST) != 0;
  s.ToolWindow = (ex & WS_EX_TOOLWINDOW) != 0;
  s.Owner = GetWindow(H(Wnd), GW_OWNER);
  return s;
}

bool ProbeVisible(void* Wnd) { return IsWindowVisible(H(Wnd)) != FALSE; }

TProbedRect ProbeWindowRect(void* Wnd) {
  RECT r{};
  GetWindowRect(H(Wnd), &r);
  return {r.left, r.top, r.right, r.bottom};
}

std::string ProbeTitle(void* Wnd) {
  wchar_t text[256] = {};
  GetWindowTextW(H(Wnd), text, 256);
  return Utf8FromWide(text);
}

long ProbePixel(void* Wnd, int X, int Y) {
  HDC dc = GetDC(H(Wnd));
  if (!dc)
    return -1;
  const COLORREF c = GetPixel(dc, X, Y);
  ReleaseDC(H(Wnd), dc);
  if (c == CLR_INVALID)
    return -1;
  return static_cast<long>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
}

void ProbeSpoil(void* Wnd, int Left, int Top, int Right, int Bottom) {
  RECT r{Left, Top, Right, Bottom};
  if (HDC dc = GetDC(H(Wnd))) {
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(H(Wnd), dc);
  }
}

void ProbeSpoilAndRepaint(void* Wnd, int Left, int Top, int Right, int Bottom) {
  ProbeSpoil(Wnd, Left, Top, Right, Bottom);
  RECT r{Left, Top, Right, Bottom};
  RedrawWindow(H(Wnd), &r, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool ProbeExists(void* Wnd) { return IsWindow(H(Wnd)) != FALSE; }

int ProbeRegionKind(void* Wnd) {
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  const int kind = GetWindowRgn(H(Wnd), rgn);
  DeleteObject(rgn);
  return kind == ERROR ? 0 : kind;
}

bool ProbeRegionContains(void* Wnd, int X, int Y) {
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  const bool inside = GetWindowRgn(H(Wnd), rgn) != ERROR && PtInRegion(rgn, X, Y);
  DeleteObject(rgn);
  return inside;
}

void ProbePost(void* Wnd, unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam) {
  PostMessageW(H(Wnd), Msg, WParam, LParam);
}

std::intptr_t ProbeSend(void* Wnd, unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam) {
  return SendMessageW(H(Wnd), Msg, WParam, LParam);
}

void ProbeMove(void* Wnd, int Left, int Top, int Width, int Height) {
  SetWindowPos(H(Wnd), nullptr, Left, Top, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void* ProbeCapture() { return GetCapture(); }
void* ProbeActiveWindow() { return GetActiveWindow(); }
void* ProbeForegroundWindow() { return GetForegroundWindow(); }
bool ProbeIconic(void* Wnd) { return IsIconic(H(Wnd)) != FALSE; }
int ProbeScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ProbeScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

bool ProbeHasIcon(void* Wnd, bool Big) {
  return SendMessageW(H(Wnd), WM_GETICON, Big ? ICON_BIG : ICON_SMALL, 0) != 0;
}

void ProbeDpiChanged(void* Wnd, int Dpi, const TProbedRect& Suggested) {
  RECT r{Suggested.Left, Suggested.Top, Suggested.Right, Suggested.Bottom};
  SendMessageW(H(Wnd), WM_DPICHANGED, MAKEWPARAM(Dpi, Dpi), reinterpret_cast<LPARAM>(&r));
}

int ProbeSystemDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  return dpi;
}

bool ProbeSizeAtDpi(void* Wnd, int Dpi, int& Width, int& Height) {
  SIZE size{Width, Height};
  const bool answered = SendMessageW(H(Wnd), WM_GETDPISCALEDSIZE, static_cast<WPARAM>(Dpi), reinterpret_cast<LPARAM>(&size)) != 0;
  Width = size.cx;
  Height = size.cy;
  return answered;
}
