#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/graphics/PixelBuffer.h"
#include "platform/graphics/Region.h"
#include "platform/windows/User.h"

#include <memory>
#include <string>
#include <vector>

// What the message layer needs from a desktop, one interface per concern. A backend installs its
// objects once per process; the message layer talks to nothing else. The installed objects are not
// owned by the layer and must stay alive until they are uninstalled (installed as nullptr).
//
// A backend speaks the desktop's device pixels everywhere (bounds, shapes, frames, damage, input,
// monitors, the cursor, size limits); the layer works in window units (pixels at 96 dpi) and maps
// between the two by each top-level window's scale, which it takes from the monitor a window opens
// on (TMonitor::Scale) and later from HostScaleChanged.

// The kinds of native top-level windows.
enum class TWindowKind {
  Normal,  // forms
  Menu,    // popup menu windows: never activated, above the others, no task bar entry
  Dialog,  // message boxes
};

// One native top-level window. Its frame (client = window, the frame drawing is the backend's
// business) shows what Present hands it.
class TWindowHost {
public:
  virtual ~TWindowHost() = default;

  virtual void SetBounds(const TRect& ScreenRect) = 0;
  // SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED or SW_SHOWMAXIMIZED.
  virtual void SetShowState(int ShowCmd) = 0;
  // Shape in window coordinates; nullptr makes the window rectangular again.
  virtual void SetShape(const TRegion* Shape) = 0;
  virtual void SetTitle(const std::string& Title) = 0;
  // The images the desktop shows for the window (16, 32 and 48 pixels square); none: no icon.
  virtual void SetIcon(const std::vector<TPixelBuffer>& Images) = 0;
  // Shows the frame's pixels inside Damage (window coordinates).
  virtual void Present(const TPixelBuffer& Frame, const TRegion& Damage) = 0;
  // Moves (HTCAPTION) or resizes (HTLEFT..HTBOTTOMRIGHT) the window with the pointer until the
  // button is released. Returns at once; the backend reports the new bounds with
  // HostBoundsChanged and the end with HostMoveSizeEnded.
  virtual void BeginMoveSize(int HitCode) = 0;
  // Holds (Grab) or lets go of every pointer and key event of the screen for this window, as an
  // open menu does, so that a press on another program's window comes here. Returns whether the
  // grab is held; a backend may take a moment (it keeps trying while asked to hold it).
  virtual bool GrabInput(bool Grab) = 0;
  // Puts the shown window above every other program's windows and gives it the keyboard, as the
  // user choosing it on the desktop would (SetForegroundWindow).
  virtual void BringToFront() = 0;
};

// What a program learns when it claims to be the one running instance of itself on a desktop.
enum class TInstanceClaim {
  Claimed, // this process is the one now
  Running, // another process is; it was asked to bring its window to the front
};

struct TMonitor {
  TRect Screen;
  TRect WorkArea;
  // Device pixels per window unit of the windows shown there (2 for a desktop at 192 dpi).
  double Scale = 1.0;
};

class TDesktopBackend {
public:
  virtual ~TDesktopBackend() = default;

  virtual std::unique_ptr<TWindowHost> CreateHost(HWND Window, TWindowKind Kind, const TRect& Bounds) = 0;
  // The native windows in z-order, topmost first (after a window was raised or lowered).
  virtual void Restack(const std::vector<TWindowHost*>& TopToBottom) = 0;
  // The first monitor is the primary one.
  virtual std::vector<TMonitor> Monitors() const = 0;
  virtual TPoint CursorPos() const = 0;
  // An IDC_ value.
  virtual void SetCursorShape(int CursorId) = 0;
  virtual LOGFONT MenuFont() const = 0;
  // Claims the one instance of Program on this desktop (an X display's screen, a Windows session, a
  // headless desktop object). The claim lasts as long as the desktop and ends with the process,
  // however it ends. While this process holds it, a later claim elsewhere reaches it as
  // HostFrontRequested.
  virtual TInstanceClaim ClaimInstance(const std::string& Program) = 0;
};

// The clock and the wait for input.
class TEventSource {
public:
  virtual ~TEventSource() = default;

  // Milliseconds on a clock that never goes back.
  virtual long long Now() const = 0;
  // Waits until input was reported or the clock reaches Until (-1: no deadline). The backend reports
  // input from inside this call with the Post… functions below.
  virtual void WaitForEvents(long long Until) = 0;
};

class TMessageBoxService {
public:
  virtual ~TMessageBoxService() = default;

  // Shows a modal box and returns the button pressed (IDOK). RunModalLoop keeps the program alive
  // while a backend waits for the user.
  virtual int Show(HWND Owner, const std::string& Text, const std::string& Caption, UINT Type) = 0;
};

class TAddressOpener {
public:
  virtual ~TAddressOpener() = default;

  // Hands the address to the user's default handler; false with Why when nothing took it.
  virtual bool Open(const std::string& Address, std::string& Why) = 0;
};

void InstallDesktopBackend(TDesktopBackend* Backend);
void InstallEventSource(TEventSource* Source);
void InstallMessageBoxService(TMessageBoxService* Service);
void InstallAddressOpener(TAddressOpener* Opener);
// What a desktop installs as it opens: the layer starts afresh (ResetMessageLayer) and takes all
// four services. RemoveDesktopServices, as the desktop goes, resets the layer again and leaves no
// service installed.
void InstallDesktopServices(TDesktopBackend& Desktop, TEventSource& Events, TMessageBoxService& MessageBoxes,
                            TAddressOpener& Opener);
void RemoveDesktopServices();
// The installed objects; each throws std::logic_error naming the missing backend when none is.
TDesktopBackend& CurrentDesktopBackend();
TEventSource& CurrentEventSource();
TMessageBoxService& CurrentMessageBoxService();
TAddressOpener& CurrentAddressOpener();
bool HasDesktopBackend();

// Input, as the backend reports it: mouse positions in the top-level window's coordinates.
enum class TInputKind { MouseMove, MouseDown, MouseUp, KeyDown, KeyUp, Char };
enum class TInputButton { Left, Right, Middle };

struct TInputEvent {
  TInputKind Kind = TInputKind::MouseMove;
  HWND Window = nullptr;  // the top-level window under the pointer (mouse events)
  TPoint Pos;
  TInputButton Button = TInputButton::Left;
  WORD Key = 0;           // virtual key (KeyDown, KeyUp)
  char32_t Char = 0;      // character (Char)
};

// Queues input; it is translated into window messages when the loop takes it.
void PostInputEvent(const TInputEvent& Event);
// The window manager or a move/size loop changed a native window's bounds.
void HostBoundsChanged(HWND Window, const TRect& ScreenRect);
void HostMoveSizeEnded(HWND Window);
// The user asked to close the window (the frame's close button).
void HostCloseRequested(HWND Window);
// Another program took the focus, or the user came back to one of ours.
void HostAppDeactivated();
void HostActivated(HWND Window);
// The displays changed: a monitor came or went or was turned on, a mode or the screen's size changed,
// or (where the system says so) the machine resumed or the session was unlocked, any of which may
// have reset the display's gamma. The gamma device is told (it looks at the displays afresh) and
// every top-level window is sent WM_DISPLAYCHANGE (wParam: bits per pixel, lParam: the primary
// screen's width and height). Call it once per burst of changes; never on a timer.
//
// The X11 backend calls it for XRandR screen, CRTC and output changes. The Windows backend is to
// call it for its native WM_DISPLAYCHANGE, for WM_POWERBROADCAST with PBT_APMRESUMEAUTOMATIC (and
// PBT_APMRESUMESUSPEND), and for WM_WTSSESSION_CHANGE with WTS_SESSION_UNLOCK (after registering
// its window with WTSRegisterSessionNotification); it must not forward the native message itself.
void HostDisplayChanged();
// Another start of the program asked this one, which holds its instance claim, to come to the
// front: the topmost window that can be active is restored when minimised, raised above every
// other program's windows and activated.
void HostFrontRequested();
// Part of the native window must be shown again (nothing is lost: the frame is kept).
void HostExposed(HWND Window, const TRect& Rect);
// The size limits the window accepts (WM_GETMINMAXINFO).
MINMAXINFO QueryMinMaxInfo(HWND Window);
// The window now shows at another scale (it moved to a monitor of another density): it takes
// ScreenRect, the desktop's suggestion for its bounds at that scale, and is drawn anew.
void HostScaleChanged(HWND Window, double Scale, const TRect& ScreenRect);
// A point of the screen in the layer's screen coordinates (for a backend that reports one itself,
// such as the pointer of a wheel turn).
TPoint ScreenPointInUnits(TPoint Device);
// Forgets queued messages, a posted quit, pressed keys and buttons and the application's active
// state: for a backend that starts afresh (each headless desktop of a test).
void ResetMessageLayer();
