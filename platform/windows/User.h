#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/windows/Messages.h"
#include "platform/windows/Types.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The window manager of the message layer: window handles, procedures, the message queue, timers,
// input state, geometry and painting. Every call takes a handle and checks it against the handle
// table first, so a stale or forged handle is refused (returns 0/false) and never dereferenced.

using UINT_PTR = std::uintptr_t;
using LONG = std::int32_t;
using BYTE = std::uint8_t;
using SHORT = std::int16_t;

using RECT = TRect;
using POINT = TPoint;

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  TPoint pt;
};

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = 0;
  TRect rcPaint;
};

struct MINMAXINFO {
  TPoint ptReserved;
  TPoint ptMaxSize;
  TPoint ptMaxPosition;
  TPoint ptMinTrackSize;
  TPoint ptMaxTrackSize;
};

// A plain function can serve as a window procedure once it has a handle (WndProcFromFunction).
using TWndProcFunction = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
// The class library's way to route a window's messages to an object's method.
using TWndMethod = std::function<void(TMessage&)>;

// The parent of a window that only receives messages (timers, notifications): never shown, never
// hit, no native window.
inline HWND const HWND_MESSAGE = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-3));
inline HWND const HWND_TOP = nullptr;
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(static_cast<std::intptr_t>(1));

enum : DWORD {
  // A window that never becomes the active window (menu windows).
  WS_EX_NOACTIVATE = 0x08000000,
  WS_EX_TOPMOST = 0x00000008,
};

enum : UINT {
  SWP_NOSIZE = 0x0001,
  SWP_NOMOVE = 0x0002,
  SWP_NOZORDER = 0x0004,
  SWP_NOREDRAW = 0x0008,
  SWP_NOACTIVATE = 0x0010,
  SWP_FRAMECHANGED = 0x0020,
  SWP_SHOWWINDOW = 0x0040,
  SWP_HIDEWINDOW = 0x0080,
};

enum : UINT { PM_NOREMOVE = 0x0000, PM_REMOVE = 0x0001 };

// Cursor resources (LoadCursor with no instance).
enum : int {
  IDC_ARROW = 32512,
  IDC_IBEAM = 32513,
  IDC_WAIT = 32514,
  IDC_CROSS = 32515,
  IDC_UPARROW = 32516,
  IDC_SIZENWSE = 32642,
  IDC_SIZENESW = 32643,
  IDC_SIZEWE = 32644,
  IDC_SIZENS = 32645,
  IDC_SIZEALL = 32646,
  IDC_NO = 32648,
  IDC_HAND = 32649,
};

// The window edge codes of SC_SIZE (the low four bits of the command).
enum : WPARAM {
  WMSZ_LEFT = 1,
  WMSZ_RIGHT = 2,
  WMSZ_TOP = 3,
  WMSZ_TOPLEFT = 4,
  WMSZ_TOPRIGHT = 5,
  WMSZ_BOTTOM = 6,
  WMSZ_BOTTOMLEFT = 7,
  WMSZ_BOTTOMRIGHT = 8,
};

// Two presses closer than this in time (ms) and distance (pixels each way) make a double click.
constexpr DWORD DoubleClickTime = 500;
constexpr int DoubleClickDistance = 2;
// The shortest timer interval; shorter requests are raised to it.
constexpr UINT MinimumTimerInterval = 10;

// Windows. A window without WS_CHILD and without a parent is top-level and gets a native window from
// the desktop backend; a child is drawn into its top-level window's frame. Coordinates of a child
// are in its parent's client area, of a top-level window on the screen. WM_NCCREATE and WM_CREATE
// are sent before CreateWindowEx returns (a WM_CREATE answer of -1 fails the creation), then
// WM_SIZE and WM_MOVE, and a WS_VISIBLE window is shown.
//
// A top-level window may keep a non-client area (a menu bar strip): its procedure answers
// WM_NCCALCSIZE, whose LParam is a TRect* holding the window's rectangle in window coordinates, by
// narrowing it to the client area; it is asked again whenever the size changes and after
// SetWindowPos with SWP_FRAMECHANGED. Client coordinates, GetClientRect, WM_SIZE, WM_PAINT and child
// windows are the client area's; the rest is painted in WM_NCPAINT, whose WParam is an HDC over the
// whole window (window coordinates) clipped to the damage there, and hit-tested as the procedure
// answers WM_NCHITTEST.
HWND CreateWindowEx(DWORD ExStyle, std::string_view WindowName, DWORD Style, int X, int Y, int Width,
                    int Height, HWND Parent, WNDPROC Proc);
BOOL DestroyWindow(HWND Wnd);
BOOL IsWindow(HWND Wnd);
HWND GetParent(HWND Wnd);
// Children in z-order, topmost first.
std::vector<HWND> GetChildWindows(HWND Wnd);
enum : UINT { GA_PARENT = 1, GA_ROOT = 2 };
// GA_PARENT: the parent (nullptr for a top-level window); GA_ROOT: the top-level window.
HWND GetAncestor(HWND Wnd, UINT Flags);
BOOL IsChild(HWND Parent, HWND Wnd);

// Window procedures.
WNDPROC MakeObjectInstance(TWndMethod Method);
void FreeObjectInstance(WNDPROC Proc);
WNDPROC WndProcFromFunction(TWndProcFunction Function);
LRESULT CallWindowProc(WNDPROC Proc, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// The window of the innermost procedure call under way: an object instance learns its window's
// handle this way from WM_NCCREATE on, before CreateWindowEx returns it.
HWND CurrentProcedureWindow();
LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// GWLP_WNDPROC (a WNDPROC; an unknown value is refused and 0 returned), GWL_STYLE, GWL_EXSTYLE,
// GWL_ID, GWLP_USERDATA. Setters return the previous value.
LONG_PTR GetWindowLongPtr(HWND Wnd, int Index);
LONG_PTR SetWindowLongPtr(HWND Wnd, int Index, LONG_PTR Value);
inline LONG_PTR GetWindowLong(HWND Wnd, int Index) { return GetWindowLongPtr(Wnd, Index); }
inline LONG_PTR SetWindowLong(HWND Wnd, int Index, LONG_PTR Value) { return SetWindowLongPtr(Wnd, Index, Value); }

// Messages and the queue. Posted messages and input are delivered in the order they arrived; when
// nothing is queued the damaged windows are painted, then due timers give WM_TIMER.
LRESULT SendMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
BOOL PostMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
void PostQuitMessage(int ExitCode);
// Waits on the backend until a message is there; returns 0 for WM_QUIT. The window and range filters
// apply to posted messages and timers; input and painting are only taken without a filter.
BOOL GetMessage(MSG* Msg, HWND Wnd, UINT FilterMin, UINT FilterMax);
BOOL PeekMessage(MSG* Msg, HWND Wnd, UINT FilterMin, UINT FilterMax, UINT RemoveMsg);
LRESULT DispatchMessage(const MSG* Msg);
// Translation of key presses into characters is the backend's (it reports characters itself).
inline BOOL TranslateMessage(const MSG*) { return 0; }
// A hook every loop of the layer calls before it dispatches a message it took (the application's
// OnMessage): answering true means the message was handled and is not dispatched.
using TMessageFilter = std::function<bool(MSG&)>;
void SetMessageFilter(TMessageFilter Filter);
// Runs the hook on Msg; false when there is none or it left the message to be dispatched.
bool FilterMessage(MSG& Msg);
// Delivers every queued message and paints, without waiting. Returns false once WM_QUIT was taken
// (the quit is left posted for the caller's own loop).
bool ProcessPendingMessages();
// Runs a nested message loop (message boxes, menus) until Finished answers true or WM_QUIT arrives;
// timers keep running. Returns false when it ended because of WM_QUIT, which stays posted.
bool RunModalLoop(const std::function<bool()>& Finished);
// Forgets queued messages and a posted quit (a new desktop starts with an empty queue).
void DiscardQueuedMessages();

// Timers.
UINT_PTR SetTimer(HWND Wnd, UINT_PTR IDEvent, UINT Elapse);
BOOL KillTimer(HWND Wnd, UINT_PTR IDEvent);
// The time on the backend's clock (ms), and when the next timer falls due (-1 when none runs).
DWORD GetTickCount();
long long NextTimerDue();

// Input state.
HWND SetCapture(HWND Wnd);
BOOL ReleaseCapture();
HWND GetCapture();
// Gives a top-level window every pointer and key event of the screen (an open menu: a press on
// another program's window must reach it) until ReleaseInputGrab. Returns whether the backend holds
// the grab; 0 for a window that is not a live top-level one.
BOOL GrabInput(HWND Wnd);
void ReleaseInputGrab();
HWND GetInputGrab();
HWND SetFocus(HWND Wnd);
HWND GetFocus();
HWND SetActiveWindow(HWND Wnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND Wnd);
// High bit set while the key is down (keys and mouse buttons as reported by the backend).
SHORT GetKeyState(int VirtKey);
BOOL GetCursorPos(TPoint* Point);
HCURSOR LoadCursor(HINSTANCE Instance, int CursorName);
HCURSOR SetCursor(HCURSOR Cursor);
HCURSOR GetCursor();

// Geometry and showing.
BOOL GetWindowRect(HWND Wnd, TRect* Rect);
BOOL GetClientRect(HWND Wnd, TRect* Rect);
BOOL ScreenToClient(HWND Wnd, TPoint* Point);
BOOL ClientToScreen(HWND Wnd, TPoint* Point);
HWND WindowFromPoint(TPoint ScreenPoint);
BOOL MoveWindow(HWND Wnd, int X, int Y, int Width, int Height, BOOL Repaint);
BOOL SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Width, int Height, UINT Flags);
BOOL BringWindowToTop(HWND Wnd);
// Returns whether the window was visible before.
BOOL ShowWindow(HWND Wnd, int CmdShow);
BOOL IsWindowVisible(HWND Wnd);
BOOL IsIconic(HWND Wnd);
BOOL IsZoomed(HWND Wnd);
// Returns whether the window was disabled before.
BOOL EnableWindow(HWND Wnd, BOOL Enable);
BOOL IsWindowEnabled(HWND Wnd);
BOOL SetWindowText(HWND Wnd, std::string_view Text);
std::string GetWindowText(HWND Wnd);
int GetWindowTextLength(HWND Wnd);
// Takes ownership of the region (window coordinates; 0 removes the shape). The region's handle is
// no longer valid afterwards.
int SetWindowRgn(HWND Wnd, HRGN Rgn, BOOL Redraw);
// Copies the window's shape into Rgn; returns 0 (ERROR) when the window has none.
int GetWindowRgn(HWND Wnd, HRGN Rgn);

// Painting. Invalidation only records damage; the paint cycle runs when the queue is empty.
BOOL InvalidateRect(HWND Wnd, const TRect* Rect, BOOL Erase);
BOOL InvalidateRgn(HWND Wnd, HRGN Rgn, BOOL Erase);
BOOL ValidateRect(HWND Wnd, const TRect* Rect);
BOOL UpdateWindow(HWND Wnd);
// Whether the window has damage waiting for the next paint cycle (Rect: its bounds, client
// coordinates).
BOOL GetUpdateRect(HWND Wnd, TRect* Rect, BOOL Erase);
// Repaints the non-client area of a top-level window (its menu bar strip) in the next paint cycle.
BOOL DrawMenuBar(HWND Wnd);
HDC BeginPaint(HWND Wnd, PAINTSTRUCT* Paint);
BOOL EndPaint(HWND Wnd, const PAINTSTRUCT* Paint);

// The desktop.
enum : UINT { MONITOR_DEFAULTTONULL = 0, MONITOR_DEFAULTTOPRIMARY = 1, MONITOR_DEFAULTTONEAREST = 2 };
struct MONITORINFO {
  DWORD cbSize = sizeof(MONITORINFO);
  TRect rcMonitor;
  TRect rcWork;
  DWORD dwFlags = 0;
};
enum : DWORD { MONITORINFOF_PRIMARY = 1 };
HMONITOR MonitorFromWindow(HWND Wnd, DWORD Flags);
HMONITOR MonitorFromRect(const TRect& Rect, DWORD Flags);
BOOL GetMonitorInfo(HMONITOR Monitor, MONITORINFO* Info);

// The platform's font record, laid out as the original's byte for byte (the face name in UTF-8).
struct LOGFONT {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[32] = {};
};
static_assert(sizeof(LOGFONT) == 60);

struct NONCLIENTMETRICS {
  UINT cbSize = 0;
  int iBorderWidth = 0;
  int iScrollWidth = 0;
  int iScrollHeight = 0;
  int iCaptionWidth = 0;
  int iCaptionHeight = 0;
  LOGFONT lfCaptionFont;
  int iSmCaptionWidth = 0;
  int iSmCaptionHeight = 0;
  LOGFONT lfSmCaptionFont;
  int iMenuWidth = 0;
  int iMenuHeight = 0;
  LOGFONT lfMenuFont;
  LOGFONT lfStatusFont;
  LOGFONT lfMessageFont;
};
static_assert(sizeof(NONCLIENTMETRICS) == 340, "callers pass the original record size");

// SPI_GETWORKAREA (Param: TRect*, the primary monitor's work area) and SPI_GETNONCLIENTMETRICS
// (Param: NONCLIENTMETRICS* whose cbSize is 340). Other actions fail.
BOOL SystemParametersInfo(UINT Action, UINT UIParam, void* Param, UINT WinIni);

enum : UINT {
  MB_OK = 0x00,
  MB_ICONERROR = 0x10,
  MB_ICONHAND = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
};
enum : int { IDOK = 1, IDCANCEL = 2 };
// A modal box with an OK button; the owner is disabled while it shows. Returns the button pressed.
int MessageBox(HWND Owner, std::string_view Text, std::string_view Caption, UINT Type);

// Opens an address with the user's default handler ("open" or no verb). Returns a value above 32 on
// success, SE_ERR_NOASSOC for another verb or when no handler took the address.
enum : std::intptr_t { SE_ERR_NOASSOC = 31 };
HINSTANCE ShellExecute(HWND Owner, const char* Operation, const char* File, const char* Parameters,
                       const char* Directory, int ShowCmd);
