#pragma once

// What the system itself says about a native window of the Win32 desktop, in plain C++ types
// (<windows.h> clashes with the platform layer's names, so it stays inside Win32Probe.cpp). The
// handles are the system's HWNDs, as the desktop hands them out.

#include <cstdint>
#include <string>

struct TProbedStyle {
  bool Popup = false;
  bool Caption = false;
  bool ThickFrame = false;
  bool AppWindow = false;
  bool NoActivate = false;
  bool Topmost = false;
  bool ToolWindow = false;
  void* Owner = nullptr;
};

struct TProbedRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

TProbedStyle ProbeStyle(void* Wnd);
bool ProbeVisible(void* Wnd);
TProbedRect ProbeWindowRect(void* Wnd);
std::string ProbeTitle(void* Wnd);
// The pixel the window's device context holds at (X, Y) as 0x00RRGGBB; -1 when it gives none.
long ProbePixel(void* Wnd, int X, int Y);
// Paints a rectangle of the window black straight through its device context, as another window
// lying over it would leave it; ProbeSpoilAndRepaint then has the system repaint it.
void ProbeSpoil(void* Wnd, int Left, int Top, int Right, int Bottom);
void ProbeSpoilAndRepaint(void* Wnd, int Left, int Top, int Right, int Bottom);
bool ProbeExists(void* Wnd);
// 0: the window has no region; otherwise GetWindowRgn's kind (1 empty, 2 simple, 3 complex).
int ProbeRegionKind(void* Wnd);
bool ProbeRegionContains(void* Wnd, int X, int Y);
void ProbePost(void* Wnd, unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam);
std::intptr_t ProbeSend(void* Wnd, unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam);
// Moves and sizes the window as the system or the user would (SetWindowPos).
void ProbeMove(void* Wnd, int Left, int Top, int Width, int Height);
void* ProbeCapture();
void* ProbeActiveWindow();
void* ProbeForegroundWindow();
bool ProbeIconic(void* Wnd);
int ProbeScreenWidth();
int ProbeScreenHeight();
bool ProbeHasIcon(void* Wnd, bool Big);
// Tells the window it is on a monitor of Dpi now, as the system does (WM_DPICHANGED with the
// rectangle it suggests there).
void ProbeDpiChanged(void* Wnd, int Dpi, const TProbedRect& Suggested);
int ProbeSystemDpi();
// What the window answers when the system asks the size it wants at Dpi (WM_GETDPISCALEDSIZE):
// false when it leaves that to the system.
bool ProbeSizeAtDpi(void* Wnd, int Dpi, int& Width, int& Height);

// Message numbers only the native side has.
constexpr unsigned kProbeMouseActivate = 0x0021; // WM_MOUSEACTIVATE
constexpr long kProbeNoActivate = 3;             // MA_NOACTIVATE
constexpr unsigned kProbePowerBroadcast = 0x0218;
constexpr unsigned kProbeResumeAutomatic = 0x12;
constexpr unsigned kProbeSuspend = 0x04;
constexpr unsigned kProbeSessionChange = 0x02B1;
constexpr unsigned kProbeSessionUnlock = 0x8;
