#include "platform/backends/headless/HeadlessDesktop.h"

#include "platform/graphics/Scale.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

THeadlessWindow::THeadlessWindow(THeadlessDesktop& Desktop, HWND Window, TWindowKind Kind, const TRect& Bounds)
    : FDesktop(Desktop), FWindow(Window), FKind(Kind), FBounds(Bounds),
      FSurface(std::max(Bounds.Width(), 0), std::max(Bounds.Height(), 0)) {}

THeadlessWindow::~THeadlessWindow() { FDesktop.Forget(this); }

void THeadlessWindow::SetBounds(const TRect& ScreenRect) {
  FBounds = ScreenRect;
  FSurface.SetSize(std::max(ScreenRect.Width(), 0), std::max(ScreenRect.Height(), 0));
}

void THeadlessWindow::SetShape(const TRegion* Shape) {
  if (Shape)
    FShape = *Shape;
  else
    FShape.reset();
}

void THeadlessWindow::Present(const TPixelBuffer& Frame, const TRegion& Damage) {
  ++FPresents;
  FLastDamage = Damage;
  const TRect area = Rect(0, 0, std::min(Frame.Width(), FSurface.Width()), std::min(Frame.Height(), FSurface.Height()));
  for (const TRect& r : Damage.RectsIn(area))
    for (int y = r.Top; y < r.Bottom; ++y)
      std::copy(Frame.ScanLine(y) + r.Left, Frame.ScanLine(y) + r.Right, FSurface.ScanLine(y) + r.Left);
}

void THeadlessWindow::BeginMoveSize(int HitCode) { FDesktop.StartDrag(FWindow, HitCode); }

bool THeadlessWindow::Covers(TPoint Screen) const {
  if (!OnScreen() || !FBounds.Contains(Screen))
    return false;
  return !FShape || FShape->Contains({Screen.X - FBounds.Left, Screen.Y - FBounds.Top});
}

THeadlessDesktop::THeadlessDesktop(int ScreenWidth, int ScreenHeight, std::optional<TRect> WorkArea, double Scale) {
  const TRect screen = Rect(0, 0, ScreenWidth, ScreenHeight);
  Scale = WindowScaleFor(Scale);
  // A task bar along the bottom by default, so work-area code meets a work area unlike the screen.
  const int taskBar = ScaleEdge(40, Scale);
  FMonitors.push_back({screen, WorkArea.value_or(Rect(0, 0, ScreenWidth, std::max(ScreenHeight - taskBar, 0))), Scale});
  FMenuFont.lfHeight = -12;
  FMenuFont.lfWeight = 400;
  FMenuFont.lfCharSet = 136; // the Traditional Chinese character set
  std::strcpy(FMenuFont.lfFaceName, "\xE6\x96\xB0\xE7\xB4\xB0\xE6\x98\x8E\xE9\xAB\x94");
  auto gamma = std::make_unique<TRecordingGammaDevice>();
  FGamma = gamma.get();
  InstallGammaDevice(std::move(gamma));
  InstallDesktopServices(*this, *this, FMessageBoxes, FOpener);
}

THeadlessDesktop::~THeadlessDesktop() {
  while (!FHosts.empty()) {
    const HWND w = FHosts.front()->Window();
    DestroyWindow(w);
    if (!FHosts.empty() && FHosts.front()->Window() == w)
      break; // not ours to destroy; the layer keeps it
  }
  RemoveDesktopServices();
  InstallGammaDevice(nullptr);
}

std::unique_ptr<TWindowHost> THeadlessDesktop::CreateHost(HWND Window, TWindowKind Kind, const TRect& Bounds) {
  auto host = std::make_unique<THeadlessWindow>(*this, Window, Kind, Bounds);
  FHosts.push_back(host.get());
  return host;
}

TInstanceClaim THeadlessDesktop::ClaimInstance(const std::string& Program) {
  if (std::find(FClaims.begin(), FClaims.end(), Program) == FClaims.end()) {
    FClaims.push_back(Program);
    return TInstanceClaim::Claimed;
  }
  HostFrontRequested();
  Deliver();
  return TInstanceClaim::Running;
}

void THeadlessDesktop::Restack(const std::vector<TWindowHost*>& TopToBottom) {
  std::vector<THeadlessWindow*> order;
  for (TWindowHost* h : TopToBottom)
    if (auto it = std::find(FHosts.begin(), FHosts.end(), h); it != FHosts.end())
      order.push_back(*it);
  for (THeadlessWindow* h : FHosts)
    if (std::find(order.begin(), order.end(), h) == order.end())
      order.push_back(h);
  FHosts = std::move(order);
}

void THeadlessDesktop::Forget(THeadlessWindow* Host) {
  std::erase(FHosts, Host);
  if (FDrag && FDrag->Window == Host->Window())
    FDrag.reset();
}

const THeadlessWindow* THeadlessDesktop::Host(HWND Window) const {
  for (const THeadlessWindow* h : FHosts)
    if (h->Window() == Window)
      return h;
  return nullptr;
}

THeadlessWindow* THeadlessDesktop::HostAt(TPoint Screen) const {
  for (THeadlessWindow* h : FHosts)
    if (h->Covers(Screen))
      return h;
  return nullptr;
}

void THeadlessDesktop::WaitForEvents(long long Until) {
  if (FIdleHook) {
    FWaiting = true;
    FPostedWhileWaiting = false;
    FIdleHook();
    FWaiting = false;
    if (FPostedWhileWaiting)
      return;
  }
  if (Until < 0)
    throw std::runtime_error("headless desktop: the program waits for input that no test sends");
  FNow = std::max(FNow, Until);
}

void THeadlessDesktop::ProcessMessages() { ProcessPendingMessages(); }

void THeadlessDesktop::Deliver() {
  if (FWaiting)
    FPostedWhileWaiting = true;
  else
    ProcessPendingMessages();
}

void THeadlessDesktop::Advance(long long Milliseconds) {
  const long long target = FNow + std::max(Milliseconds, 0LL);
  if (!ProcessPendingMessages()) {
    FNow = target;
    return;
  }
  for (;;) {
    const long long due = NextTimerDue();
    if (due < 0 || due > target)
      break;
    FNow = std::max(FNow, due);
    if (!ProcessPendingMessages())
      break;
  }
  FNow = target;
  ProcessPendingMessages();
}

void THeadlessDesktop::PostMouse(TInputKind Kind, int X, int Y, TInputButton Button) {
  FCursor = {X, Y};
  if (FDrag) {
    if (Kind == TInputKind::MouseUp) {
      const HWND w = FDrag->Window;
      FDrag.reset();
      FButtonsDown = 0;
      FGrab = nullptr;
      // The move loop takes the release: no window hears of it, but the button is up.
      PostInputEvent({TInputKind::MouseUp, nullptr, {}, Button, 0, 0});
      HostMoveSizeEnded(w);
    } else {
      FollowDrag();
    }
    Deliver();
    return;
  }
  HWND target = nullptr;
  const THeadlessWindow* host = nullptr;
  if (HWND capture = GetCapture())
    target = GetAncestor(capture, GA_ROOT);
  else if (FGrab && Host(FGrab))
    target = FGrab;
  else if ((host = HostAt(FCursor)))
    target = host->Window();
  if (Kind == TInputKind::MouseDown) {
    ++FButtonsDown;
    if (!FGrab)
      FGrab = target;
  } else if (Kind == TInputKind::MouseUp && FButtonsDown > 0 && --FButtonsDown == 0) {
    FGrab = nullptr;
  }
  // The window the pointer left hears of it through a move outside its bounds.
  if (FPointerWindow && FPointerWindow != target && Host(FPointerWindow)) {
    const TRect b = Host(FPointerWindow)->Bounds();
    PostInputEvent({TInputKind::MouseMove, FPointerWindow, {X - b.Left, Y - b.Top}, Button, 0, 0});
  }
  FPointerWindow = target;
  if (!target) {
    if (Kind == TInputKind::MouseDown)
      HostAppDeactivated();
    Deliver();
    return;
  }
  const TRect b = Host(target)->Bounds();
  PostInputEvent({Kind, target, {X - b.Left, Y - b.Top}, Button, 0, 0});
  Deliver();
}

void THeadlessDesktop::MouseMove(int X, int Y) { PostMouse(TInputKind::MouseMove, X, Y, TInputButton::Left); }

void THeadlessDesktop::MouseDown(int X, int Y, TInputButton Button) { PostMouse(TInputKind::MouseDown, X, Y, Button); }

void THeadlessDesktop::MouseUp(int X, int Y, TInputButton Button) { PostMouse(TInputKind::MouseUp, X, Y, Button); }

void THeadlessDesktop::Click(int X, int Y, TInputButton Button) {
  MouseDown(X, Y, Button);
  MouseUp(X, Y, Button);
}

void THeadlessDesktop::KeyDown(WORD Key) {
  PostInputEvent({TInputKind::KeyDown, nullptr, {}, TInputButton::Left, Key, 0});
  Deliver();
}

void THeadlessDesktop::KeyUp(WORD Key) {
  PostInputEvent({TInputKind::KeyUp, nullptr, {}, TInputButton::Left, Key, 0});
  Deliver();
}

void THeadlessDesktop::Char(char32_t C) {
  PostInputEvent({TInputKind::Char, nullptr, {}, TInputButton::Left, 0, C});
  Deliver();
}

void THeadlessDesktop::DisplayChanged() {
  HostDisplayChanged();
  Deliver();
}

void THeadlessDesktop::StartDrag(HWND Window, int Hit) {
  const THeadlessWindow* host = Host(Window);
  if (!host)
    return;
  FDrag = TDrag{Window, Hit, FCursor, host->Bounds(), QueryMinMaxInfo(Window)};
}

// Moves or resizes the dragged window after the pointer, keeping the edges that are not dragged
// in place and the size within the window's limits.
void THeadlessDesktop::FollowDrag() {
  const TDrag& d = *FDrag;
  const int dx = FCursor.X - d.Start.X;
  const int dy = FCursor.Y - d.Start.Y;
  TRect r = d.StartBounds;
  if (d.Hit == HTCAPTION) {
    r = OffsetRect(r, dx, dy);
  } else {
    const bool left = d.Hit == HTLEFT || d.Hit == HTTOPLEFT || d.Hit == HTBOTTOMLEFT;
    const bool right = d.Hit == HTRIGHT || d.Hit == HTTOPRIGHT || d.Hit == HTBOTTOMRIGHT;
    const bool top = d.Hit == HTTOP || d.Hit == HTTOPLEFT || d.Hit == HTTOPRIGHT;
    const bool bottom = d.Hit == HTBOTTOM || d.Hit == HTBOTTOMLEFT || d.Hit == HTBOTTOMRIGHT;
    auto clampSize = [](int Size, int Min, int Max) { return std::clamp(Size, Min, std::max(Min, Max)); };
    if (left)
      r.Left = r.Right - clampSize(r.Width() - dx, d.Limits.ptMinTrackSize.X, d.Limits.ptMaxTrackSize.X);
    if (right)
      r.Right = r.Left + clampSize(r.Width() + dx, d.Limits.ptMinTrackSize.X, d.Limits.ptMaxTrackSize.X);
    if (top)
      r.Top = r.Bottom - clampSize(r.Height() - dy, d.Limits.ptMinTrackSize.Y, d.Limits.ptMaxTrackSize.Y);
    if (bottom)
      r.Bottom = r.Top + clampSize(r.Height() + dy, d.Limits.ptMinTrackSize.Y, d.Limits.ptMaxTrackSize.Y);
  }
  HostBoundsChanged(d.Window, r);
}

TPixelBuffer THeadlessDesktop::Screenshot() const {
  TRect all = FMonitors.front().Screen;
  for (const TMonitor& m : FMonitors)
    all = UnionRect(all, m.Screen);
  return Screenshot(all);
}

TPixelBuffer THeadlessDesktop::Screenshot(const TRect& Area) const {
  TPixelBuffer shot(std::max(Area.Width(), 0), std::max(Area.Height(), 0), FBackground);
  for (auto it = FHosts.rbegin(); it != FHosts.rend(); ++it) {
    const THeadlessWindow& h = **it;
    if (!h.OnScreen())
      continue;
    TRegion shown(Rect(0, 0, h.Bounds().Width(), h.Bounds().Height()));
    if (h.Shape())
      shown = shown.Intersect(*h.Shape());
    shown.Offset(h.Bounds().Left - Area.Left, h.Bounds().Top - Area.Top);
    for (const TRect& r : shown.RectsIn(Rect(0, 0, shot.Width(), shot.Height()))) {
      const int sx = r.Left - (h.Bounds().Left - Area.Left);
      for (int y = r.Top; y < r.Bottom; ++y) {
        const int sy = y - (h.Bounds().Top - Area.Top);
        if (sy < 0 || sy >= h.Surface().Height())
          continue;
        const int width = std::min(r.Width(), h.Surface().Width() - sx);
        if (width > 0)
          std::copy(h.Surface().ScanLine(sy) + sx, h.Surface().ScanLine(sy) + sx + width, shot.ScanLine(y) + r.Left);
      }
    }
  }
  return shot;
}
