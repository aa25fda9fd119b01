#pragma once

// What the X11 desktop's sources share; only they include this header.

#include "platform/backends/x11/X11Desktop.h"

#include "platform/backends/x11/XHeaders.h"

#include <X11/extensions/XShm.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

constexpr int kPendingLimit = 16;
constexpr long kEventMask = ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | LeaveWindowMask | KeyPressMask | KeyReleaseMask |
                            FocusChangeMask | PropertyChangeMask;

// Milliseconds on the monotonic clock (the desktop's clock).
long long MonotonicMs();

class TX11Window;

struct TX11Desktop::TImpl {
  TX11Desktop* Owner = nullptr;
  Display* Dpy = nullptr;
  int Screen = 0;
  Window Root = 0;
  Visual* Vis = nullptr;
  int Depth = 0;
  Colormap Cmap = 0;
  // Frames go to the server as they are when the visual keeps pixels as 0x00RRGGBB words.
  bool NativeLayout = false;
  bool ShmWanted = false;
  bool ShmAsked = false;
  bool Shm = false;
  int ShmMinPixels = 0;
  bool Shape = false;
  int RandREvent = -1;
  // The input method (and the compose tables it loads) is opened when the first key comes.
  XIM Im = nullptr;
  bool ImTried = false;
  bool Lost = false;
  bool QuitPosted = false;
  bool Reported = false;
  bool DisplaysChanged = false;
  long long FirstPresent = -1;

  std::map<std::string, Atom> Atoms;
  bool Wm = false;
  bool WmMoveResize = false;
  // The window manager maximises windows itself (_NET_WM_STATE_MAXIMIZED_*) and decides their size.
  bool WmMaximize = false;
  // The window manager activates a window when asked (_NET_ACTIVE_WINDOW).
  bool WmActivate = false;
  std::vector<TX11Window*> Windows;
  std::map<int, Cursor> Cursors;
  int CursorId = IDC_ARROW;
  // Cursors (and the cursor theme and library they load) wait until the first frame is out.
  bool CursorsShown = false;
  TPoint LastPointer;
  // The last press of the left button (root coordinates), its window, and where it was let go
  // again (while PressHeld is false): a move/size loop starts from the press, however late the
  // program gets to it.
  TPoint PressAt;
  TPoint ReleaseAt;
  Window PressWindow = 0;
  bool PressHeld = false;
  HWND DialogOwner = nullptr;
  bool DialogNext = false;
  bool FocusLeft = false;
  // Windows we gave the keyboard ourselves, on the layer's behalf: their focus events are no news.
  std::vector<Window> FocusGiven;

  struct TDrag {
    TX11Window* Host = nullptr;
    int Hit = HTCAPTION;
    TPoint Start;
    TRect StartBounds;
    MINMAXINFO Limits;
  };
  std::optional<TDrag> Drag;
  TX11Window* WmMoveSize = nullptr;
  // The window whose pointer grab stands for the layer's capture.
  TX11Window* CaptureGrab = nullptr;
  // The window the layer asked to hold the pointer and keyboard for (an open menu), and whether
  // the server granted both.
  TX11Window* InputGrab = nullptr;
  bool InputGrabHeld = false;

  // The program's instance claim: the selection this desktop owns, the window that owns it, and
  // whether another start asked for the front since the layer last heard of it.
  Atom InstanceSelection = 0;
  Window InstanceOwner = 0;
  bool FrontRequested = false;

  // Device pixels per window unit, as the desktop's settings ask (ReadDesktopScale).
  double Scale = 1.0;
  mutable std::vector<TMonitor> MonitorCache;
  mutable bool MonitorsDirty = true;

  std::unique_ptr<TX11MessageBox> MessageBox;
  std::unique_ptr<TX11AddressOpener> Opener;
  std::vector<std::weak_ptr<TDescriptorWatch>> Watches;

  Atom A(const char* Name) {
    auto it = Atoms.find(Name);
    if (it != Atoms.end())
      return it->second;
    const Atom atom = XInternAtom(Dpy, Name, False);
    Atoms.emplace(Name, atom);
    return atom;
  }

  TX11Window* Find(Window W) const;
  void InternKnownAtoms();
  // The selection a settings manager of the screen owns.
  std::string XSettingsSelection() const;
  void OpenInputMethod();
  void DetectWindowManager();
  // The scale from GDK_SCALE, else the settings manager's Gdk/WindowScalingFactor, else the Xft.dpi
  // resource; a bad value in one is reported and the next is asked.
  double ReadDesktopScale();
  // The settings manager's settings as published; nothing when none runs or they are unusable
  // (which Why then says).
  std::optional<std::vector<std::uint8_t>> ReadXSettingsProperty(std::string& Why);
  std::vector<TMonitor> ReadMonitors() const;
  void Handle(XEvent& E);
  void HandleKey(TX11Window& W, XKeyEvent& E);
  void HandleButton(TX11Window& W, const XButtonEvent& E);
  // What comes to the window that owns the instance selection.
  void HandleInstance(const XEvent& E);
  void FollowDrag(TPoint Root);
  void EndDrag(bool Reported);
  void EndWmMoveSize();
  void Drain();
  void FollowCapture();
  void FollowInputGrab();
  void DropInputGrab();
  void MarkLost();
  // Says once why the program ends (one line) and ends the loop with a non-zero status.
  void EndProgram(const std::string& Why);
  void SendRootMessage(Window W, Atom Type, long D0, long D1, long D2, long D3, long D4);
  void GiveFocus(Window W, Time When);
  Cursor CursorOf(int Id);
  void ShowCursors();
  bool ShmAvailable();
};

class TX11Window final : public TWindowHost {
public:
  TX11Window(TX11Desktop::TImpl& Desktop, HWND Handle, TWindowKind Kind, const TRect& Bounds, Window Owner);
  ~TX11Window() override;

  void SetBounds(const TRect& ScreenRect) override;
  void SetShowState(int ShowCmd) override;
  void SetShape(const TRegion* Shape) override;
  void SetTitle(const std::string& Title) override;
  void SetIcon(const std::vector<TPixelBuffer>& Images) override;
  void Present(const TPixelBuffer& Frame, const TRegion& Damage) override;
  void BeginMoveSize(int HitCode) override;
  bool GrabInput(bool Grab) override;
  void BringToFront() override;

  HWND Handle() const { return FHandle; }
  Window Xid() const { return FWindow; }
  TWindowKind Kind() const { return FKind; }
  XIC Ic() const { return FIc; }
  // The window's input context, once the desktop has an input method.
  void CreateIc();
  const TRect& Bounds() const { return FBounds; }
  bool Mapped() const { return FMapped; }

  // Server-side events.
  void Configured(const XConfigureEvent& E);
  void MapChanged(bool Mapped);
  void ParentChanged(Window Parent) { FParent = Parent; }
  // Another client destroyed the X window: nothing is sent to it any more.
  void Vanished() { FVanished = true; }

private:
  void FreeShmImage();
  bool EnsureShmImage(int Width, int Height);
  // MapAsked: the window was asked to be mapped before, so the window manager may manage it already.
  void SetWmState(bool Add, Atom First, Atom Second, bool MapAsked);
  void SetInitialState(int State);
  bool Dead() const { return FDesktop.Lost || FVanished; }
  // X has no empty windows: what the server makes of bounds we ask for.
  static TRect Requested(const TRect& R) { return ::Bounds(R.Left, R.Top, std::max(R.Width(), 1), std::max(R.Height(), 1)); }
  bool Iconic() const;

  TX11Desktop::TImpl& FDesktop;
  HWND FHandle;
  TWindowKind FKind;
  Window FWindow = 0;
  Window FParent = 0;
  XIC FIc = nullptr;
  TRect FBounds;
  bool FMapped = false;
  bool FVanished = false;
  int FShowState = SW_HIDE;
  // Bounds we asked for whose notifications have not come back: those are no news to the layer.
  std::deque<TRect> FPending;
  XShmSegmentInfo FShmInfo{};
  XImage* FShmImage = nullptr;
  bool FShmBusy = false;
};
