#pragma once

#include "platform/backends/headless/RecordingGammaDevice.h"
#include "platform/backends/headless/RecordingServices.h"
#include "platform/windows/Backend.h"

#include <functional>
#include <optional>
#include <vector>

class THeadlessDesktop;

// A native window of the headless desktop: keeps its bounds, show state, shape and the pixels last
// presented, so a screenshot shows what a screen would.
class THeadlessWindow final : public TWindowHost {
public:
  THeadlessWindow(THeadlessDesktop& Desktop, HWND Window, TWindowKind Kind, const TRect& Bounds);
  ~THeadlessWindow() override;

  void SetBounds(const TRect& ScreenRect) override;
  void SetShowState(int ShowCmd) override { FShowState = ShowCmd; }
  void SetShape(const TRegion* Shape) override;
  void SetTitle(const std::string& Title) override { FTitle = Title; }
  void SetIcon(const std::vector<TPixelBuffer>& Images) override { FIcon = Images; }
  void Present(const TPixelBuffer& Frame, const TRegion& Damage) override;
  void BeginMoveSize(int HitCode) override;
  // Every pointer event of this desktop is the program's anyway: the grab is always held.
  bool GrabInput(bool) override { return true; }
  // There are no other programs' windows to go in front of: only counted.
  void BringToFront() override { ++FBroughtToFront; }

  HWND Window() const { return FWindow; }
  TWindowKind Kind() const { return FKind; }
  const TRect& Bounds() const { return FBounds; }
  int ShowState() const { return FShowState; }
  bool OnScreen() const { return FShowState == SW_SHOWNORMAL || FShowState == SW_SHOWMAXIMIZED; }
  const std::optional<TRegion>& Shape() const { return FShape; }
  const std::string& Title() const { return FTitle; }
  // The images the window's icon shows, as the message layer gave them.
  const std::vector<TPixelBuffer>& Icon() const { return FIcon; }
  // What the window shows, in window coordinates.
  const TPixelBuffer& Surface() const { return FSurface; }
  int Presents() const { return FPresents; }
  // How often the layer asked for the window to be put in front of other programs' windows.
  int BroughtToFront() const { return FBroughtToFront; }
  const TRegion& LastPresented() const { return FLastDamage; }
  // Whether a screen point falls on the window (inside its bounds and shape, and shown).
  bool Covers(TPoint Screen) const;

private:
  THeadlessDesktop& FDesktop;
  HWND FWindow;
  TWindowKind FKind;
  TRect FBounds;
  int FShowState = SW_HIDE;
  std::optional<TRegion> FShape;
  std::string FTitle;
  std::vector<TPixelBuffer> FIcon;
  TPixelBuffer FSurface;
  int FPresents = 0;
  int FBroughtToFront = 0;
  TRegion FLastDamage;
};

// The virtual desktop that tests drive: a screen with a work area smaller than it, native windows
// composited in z-order with their shapes, a clock that moves only when told, injected mouse and
// keys, and recording gamma, message-box and address services. Constructing one installs it as the
// process's backend; destroying it destroys the windows left and uninstalls it.
//
// Like a real desktop it counts device pixels (the screen's size, window bounds, input points,
// screenshots) and shows windows at Scale device pixels per window unit, as a desktop set to
// Scale x 96 dpi does.
class THeadlessDesktop final : public TDesktopBackend, public TEventSource {
public:
  // The work area leaves a task bar 40 units high along the bottom unless one is given.
  explicit THeadlessDesktop(int ScreenWidth = 1024, int ScreenHeight = 768,
                            std::optional<TRect> WorkArea = std::nullopt, double Scale = 1.0);
  ~THeadlessDesktop() override;
  THeadlessDesktop(const THeadlessDesktop&) = delete;
  THeadlessDesktop& operator=(const THeadlessDesktop&) = delete;

  // TDesktopBackend
  std::unique_ptr<TWindowHost> CreateHost(HWND Window, TWindowKind Kind, const TRect& Bounds) override;
  void Restack(const std::vector<TWindowHost*>& TopToBottom) override;
  std::vector<TMonitor> Monitors() const override { return FMonitors; }
  TPoint CursorPos() const override { return FCursor; }
  void SetCursorShape(int CursorId) override { FCursorShape = CursorId; }
  LOGFONT MenuFont() const override { return FMenuFont; }
  // The claim holds for this desktop object only, so that desktops of tests side by side never
  // meet. A second claim of the same program stands for a second start on this desktop: its
  // request to come to the front is delivered before the call returns.
  TInstanceClaim ClaimInstance(const std::string& Program) override;

  // TEventSource
  long long Now() const override { return FNow; }
  // A nested loop waiting with a deadline sees the clock jump to it; one waiting for input gets it
  // from the idle hook, and without one the wait is an error (no test would ever send it).
  void WaitForEvents(long long Until) override;

  // Lets time pass: due timers fire at their times, in order, and the queue is processed as they do.
  void Advance(long long Milliseconds);
  // Delivers everything queued and paints, without letting time pass.
  void ProcessMessages();

  // Input at screen points. Each call delivers its messages before it returns.
  void MouseMove(int X, int Y);
  void MouseDown(int X, int Y, TInputButton Button = TInputButton::Left);
  void MouseUp(int X, int Y, TInputButton Button = TInputButton::Left);
  void Click(int X, int Y, TInputButton Button = TInputButton::Left);
  void KeyDown(WORD Key);
  void KeyUp(WORD Key);
  void Char(char32_t C);
  // The displays changed (a monitor plugged in, a mode change): the gamma device and every window
  // hear of it, as from a real desktop; the messages are delivered before it returns.
  void DisplayChanged();
  // Called when a nested loop waits for input; it injects what the user does next.
  void SetIdleHook(std::function<void()> Hook) { FIdleHook = std::move(Hook); }

  // The whole screen as it looks now.
  TPixelBuffer Screenshot() const;
  // The windows over Area (screen coordinates), including their parts off every monitor; the
  // background where no window lies.
  TPixelBuffer Screenshot(const TRect& Area) const;
  TPixel Background() const { return FBackground; }
  const THeadlessWindow* Host(HWND Window) const;
  // Native windows, topmost first.
  const std::vector<THeadlessWindow*>& Hosts() const { return FHosts; }
  int CursorShape() const { return FCursorShape; }
  bool MoveSizeActive() const { return FDrag.has_value(); }

  void AddMonitor(const TMonitor& Monitor) { FMonitors.push_back(Monitor); }
  double Scale() const { return FMonitors.front().Scale; }
  void SetMenuFont(const LOGFONT& Font) { FMenuFont = Font; }

  TRecordingGammaDevice& GammaDevice() { return *FGamma; }
  TRecordingMessageBox& MessageBoxes() { return FMessageBoxes; }
  TRecordingAddressOpener& AddressOpener() { return FOpener; }

private:
  friend class THeadlessWindow;

  struct TDrag {
    HWND Window = nullptr;
    int Hit = HTCAPTION;
    TPoint Start;
    TRect StartBounds;
    MINMAXINFO Limits;
  };

  THeadlessWindow* HostAt(TPoint Screen) const;
  void PostMouse(TInputKind Kind, int X, int Y, TInputButton Button);
  void Deliver();
  void Forget(THeadlessWindow* Host);
  void StartDrag(HWND Window, int Hit);
  void FollowDrag();

  std::vector<TMonitor> FMonitors;
  std::vector<THeadlessWindow*> FHosts;
  TPixel FBackground = 0x3A6EA5;
  TPoint FCursor;
  int FCursorShape = IDC_ARROW;
  LOGFONT FMenuFont;
  long long FNow = 0;
  std::function<void()> FIdleHook;
  bool FWaiting = false;
  bool FPostedWhileWaiting = false;
  // The window that got the last press keeps the pointer until every button is up, as on a real
  // display; and the window last reported under the pointer hears when it leaves.
  HWND FGrab = nullptr;
  int FButtonsDown = 0;
  HWND FPointerWindow = nullptr;
  std::optional<TDrag> FDrag;
  TRecordingGammaDevice* FGamma = nullptr;
  std::vector<std::string> FClaims;
  TRecordingMessageBox FMessageBoxes;
  TRecordingAddressOpener FOpener;
};
