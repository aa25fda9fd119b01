#pragma once

// The message layer's own state, shared by its sources; nothing outside platform/windows includes
// this header.

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Region.h"
#include "platform/windows/Backend.h"
#include "platform/windows/User.h"

#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

struct TWnd {
  HWND Handle = nullptr;
  HWND Parent = nullptr;            // nullptr for top-level windows, HWND_MESSAGE for message windows
  std::vector<HWND> Children;       // topmost first
  DWORD Style = 0;
  DWORD ExStyle = 0;
  TRect Bounds;                     // parent client coordinates; screen for top-level windows
  TRect RestoreBounds;              // bounds before minimising or maximising
  std::string Text;
  WNDPROC Proc = nullptr;
  LONG_PTR Id = 0;
  LONG_PTR UserData = 0;
  std::optional<TRegion> Shape;     // window coordinates
  // Top-level windows: the client area in window coordinates (WM_NCCALCSIZE); the rest is the
  // non-client area.
  TRect ClientArea;
  bool Destroying = false;
  // A maximised window the desktop itself placed (a window manager's maximised size): its bounds
  // are the desktop's until it is restored.
  bool DesktopMaximized = false;
  HICON BigIcon = nullptr;          // as WM_SETICON last gave them (the desktop has copies)
  HICON SmallIcon = nullptr;

  // Top-level windows only.
  std::unique_ptr<TWindowHost> Host;
  // Device pixels per unit (Scale.h), and the bounds the host has in device pixels.
  double Scale = 1.0;
  TRect DeviceBounds;
  // Use FrameOf: a hidden window's frame is sized when it is first needed.
  std::unique_ptr<TPixelBuffer> Frame;
  bool FrameStale = false;
  TRegion Damage;                   // frame coordinates
  TRegion EraseDamage;
  // While a paint cycle runs: what was drawn on window contexts meanwhile, presented with the cycle.
  std::optional<TRegion> CycleDrawn;

  // Set by the paint cycle for the window being painted (frame coordinates).
  std::optional<TRegion> PaintUpdate;
  bool ErasePending = false;

  bool IsTopLevel() const { return Parent == nullptr; }
  bool IsMessageOnly() const { return Parent == HWND_MESSAGE; }
  bool Visible() const { return (Style & WS_VISIBLE) != 0; }
  bool Enabled() const { return (Style & WS_DISABLED) == 0; }
};

struct TTimer {
  HWND Window = nullptr;
  UINT_PTR Id = 0;
  UINT Interval = 0;
  long long Due = 0;
};

struct TQueued {
  MSG Msg;
  std::optional<TInputEvent> Input;
};

struct TClickState {
  HWND Window = nullptr;
  UINT Button = 0;
  long long Time = 0;
  TPoint Screen;
  bool WasDouble = false;
};

struct TWindowManager {
  std::unordered_map<HWND, std::unique_ptr<TWnd>> Windows;
  std::vector<HWND> TopLevels;      // z-order, topmost first
  std::uintptr_t NextHandle = 0x10000;

  HWND Focus = nullptr;
  HWND Capture = nullptr;
  HWND Active = nullptr;
  HWND Hover = nullptr;
  HWND Grab = nullptr;              // the top-level window holding the input grab
  bool AltAlone = false;            // Alt went down and nothing else happened since
  bool AppActive = false;
  HCURSOR Cursor = nullptr;
  std::unordered_map<int, bool> KeysDown;
  TClickState LastClick;

  std::deque<TQueued> Queue;
  bool QuitPosted = false;
  int QuitCode = 0;
  std::vector<TTimer> Timers;
};

TWindowManager& WM();
// The window behind a handle, or nullptr for a stale or forged one. A window being destroyed is
// still found (it receives WM_DESTROY) unless AllowDestroying is false.
TWnd* FindWnd(HWND Wnd, bool AllowDestroying = true);
// A window that is neither gone nor being destroyed: the ones input and painting go to.
inline TWnd* LiveWnd(HWND Wnd) { return FindWnd(Wnd, false); }
bool HasDamage();
TWnd* TopLevelOf(TWnd& W);
// Where the window's client origin lies in its top-level window's frame.
TPoint FrameOrigin(const TWnd& W);
// The top-level window's frame, at the window's size.
TPixelBuffer& FrameOf(TWnd& Top);
// Where the window's client origin lies on the screen.
TPoint ScreenOrigin(const TWnd& W);
// Where the window's own top-left corner lies on the screen (the same as ScreenOrigin but for a
// top-level window with a non-client area).
TPoint WindowScreenOrigin(const TWnd& W);
// The client area in window coordinates.
TRect ClientAreaOf(const TWnd& W);
// Asks a top-level window for its client area again (WM_NCCALCSIZE); true when it changed.
bool RecalcClientArea(HWND Wnd);
// The part of the frame the window can draw to: its rectangle and shape cut by every ancestor's
// (and by their client areas).
TRegion VisibleArea(const TWnd& W);
// VisibleArea cut to the window's own client area.
TRegion ClientVisibleArea(const TWnd& W);
// Whether the window and all its ancestors are visible.
bool IsShowing(const TWnd& W);

// Between the layer's window units and the backend's device pixels.
// A top-level window's device bounds: its origin and its size, each scaled.
TRect DeviceBoundsOf(const TRect& Bounds, double Scale);
// Device bounds in units: the origin rounded, the size in the fewest units that cover it.
TRect UnitBoundsOf(const TRect& Device, double Scale);
// The backend's monitors in units, each by its own scale.
std::vector<TMonitor> UnitMonitors();
// The cursor position in units: through the top-level window under it (so that it agrees with the
// input that window gets), else through the monitor it is on.
TPoint UnitCursorPos();
// Shows the units of a top-level window's frame that changed.
void PresentUnits(TWnd& Top, const TRegion& Units);
// The window's limits in units (QueryMinMaxInfo gives them to the backend in device pixels).
MINMAXINFO UnitMinMaxInfo(HWND Wnd);

long long Now();
void RaiseTopLevel(HWND Wnd);
void RestackHosts();
// Frees what the window leaves behind in the input state and queue (called while destroying it).
void ForgetWindowInput(HWND Wnd);
void ForgetWindowTimers(HWND Wnd);
void ActivateNextTopLevel(HWND Leaving);
void BeginMoveSize(HWND Wnd, int HitCode);

// Painting.
void AddDamage(TWnd& W, const TRegion& FrameArea, bool Erase);
bool RunPaintCycles();
void PaintTopLevel(HWND TopLevel);
// GetDC and ReleaseDC of a window (the screen's are the GDI part's own).
HDC GetWindowDCFor(HWND Wnd);
int ReleaseWindowDC(HWND Wnd, HDC DC);
// Detaches device contexts drawing into the frame of a window being destroyed.
void DetachWindowDCs(HWND TopLevel);
// The desktop window's handle (no TWnd stands behind it) and its contexts, which draw onto the
// top-level windows under what they draw (ScreenDC.cpp).
bool IsDesktopWindow(HWND Wnd);
HDC GetScreenSurfaceDC();
int ReleaseScreenSurfaceDC(HDC DC);

// Device contexts and regions kept by the GDI part.
HDC RegisterWindowDC(std::unique_ptr<TCanvas> Canvas, HWND Wnd);
// Removes the context; false when it is not a live context of that window.
bool UnregisterWindowDC(HDC DC, HWND Wnd);
const TRegion* RegionOfHandle(HRGN Rgn);
TRegion* MutableRegionOfHandle(HRGN Rgn);
std::optional<TRegion> TakeRegionHandle(HRGN Rgn);

// WM_SETICON and WM_GETICON of the default procedure (Icons.cpp).
LRESULT SetWindowIcon(TWnd& W, WPARAM Kind, HICON Icon);
LRESULT WindowIcon(const TWnd& W, WPARAM Kind);

// Input translation: turns a queued input event into the message to dispatch, sending what must
// come first (hit tests, mouse leave, cursor). Returns false when nothing is to be dispatched.
bool TranslateInput(const TInputEvent& Event, MSG& Out);
