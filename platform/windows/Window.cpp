#include "platform/graphics/Scale.h"
#include "platform/windows/GammaDevice.h"
#include "platform/windows/WindowManager.h"

#include <algorithm>
#include <map>

TPixelBuffer& FrameOf(TWnd& Top) {
  if (Top.FrameStale) {
    Top.Frame->SetScaledSize(std::max(Top.Bounds.Width(), 0), std::max(Top.Bounds.Height(), 0), Top.Scale);
    Top.FrameStale = false;
  }
  return *Top.Frame;
}

namespace {

struct TProcEntry {
  TWndMethod Method;
  TWndProcFunction Function = nullptr;
};

struct TProcTable {
  std::unordered_map<WNDPROC, std::shared_ptr<TProcEntry>> Entries;
  std::map<TWndProcFunction, WNDPROC> Functions;
  std::uintptr_t Next = 0x7000000;
};

TProcTable& Procs() {
  static TProcTable table;
  return table;
}

WNDPROC NewProcHandle(std::shared_ptr<TProcEntry> Entry) {
  TProcTable& t = Procs();
  WNDPROC handle = reinterpret_cast<WNDPROC>(t.Next);
  t.Next += 16;
  t.Entries.emplace(handle, std::move(Entry));
  return handle;
}

TWindowKind KindOf(const TWnd& W) {
  if (W.ExStyle & WS_EX_NOACTIVATE)
    return TWindowKind::Menu;
  return TWindowKind::Normal;
}

void SendSizeAndMove(HWND Wnd, bool Moved, bool Sized) {
  TWnd* w = FindWnd(Wnd);
  if (!w)
    return;
  const TRect b = w->Bounds;
  WPARAM kind = SIZE_RESTORED;
  if (w->Style & WS_MINIMIZE)
    kind = SIZE_MINIMIZED;
  else if (w->Style & WS_MAXIMIZE)
    kind = SIZE_MAXIMIZED;
  const TRect client = ClientAreaOf(*w);
  if (Sized)
    SendMessage(Wnd, WM_SIZE, kind, MAKELPARAM(client.Width(), client.Height()));
  if (Moved)
    SendMessage(Wnd, WM_MOVE, 0, MAKELPARAM(b.Left, b.Top));
}

// Moves and sizes a window without messages to it; damages what it uncovers and covers. A top-level
// window's host takes Device, when given (what the desktop reported), or the bounds scaled.
void ApplyBounds(TWnd& W, const TRect& NewBounds, bool Redraw, const TRect* Device = nullptr) {
  const TRect old = W.Bounds;
  if (old == NewBounds && (!Device || *Device == W.DeviceBounds))
    return;
  if (W.IsTopLevel()) {
    W.Bounds = NewBounds;
    const bool sized = old.Width() != NewBounds.Width() || old.Height() != NewBounds.Height();
    if (sized) {
      W.FrameStale = true;
      if (W.Visible())
        FrameOf(W);
      AddDamage(W, TRegion(Rect(0, 0, NewBounds.Width(), NewBounds.Height())), true);
    }
    W.DeviceBounds = Device ? *Device : DeviceBoundsOf(NewBounds, W.Scale);
    if (W.Host)
      W.Host->SetBounds(W.DeviceBounds);
    if (sized)
      RecalcClientArea(W.Handle);
    return;
  }
  if (W.IsMessageOnly()) {
    W.Bounds = NewBounds;
    return;
  }
  TWnd* top = TopLevelOf(W);
  if (IsShowing(W) && Redraw && top) {
    const TPoint o = FrameOrigin(W);
    AddDamage(*top, TRegion(OffsetRect(Rect(0, 0, old.Width(), old.Height()), o.X, o.Y)), true);
  }
  W.Bounds = NewBounds;
  if (IsShowing(W) && Redraw && top) {
    const TPoint o = FrameOrigin(W);
    AddDamage(*top, TRegion(OffsetRect(Rect(0, 0, NewBounds.Width(), NewBounds.Height()), o.X, o.Y)), true);
  }
}

void DamageWhole(TWnd& W) {
  if (W.IsMessageOnly())
    return;
  TWnd* top = TopLevelOf(W);
  if (!top)
    return;
  const TPoint o = W.IsTopLevel() ? TPoint{} : FrameOrigin(W);
  AddDamage(*top, TRegion(OffsetRect(Rect(0, 0, W.Bounds.Width(), W.Bounds.Height()), o.X, o.Y)), true);
}

void CollectSubtree(HWND Wnd, std::vector<HWND>& Out) {
  TWnd* w = FindWnd(Wnd, true);
  if (!w)
    return;
  Out.push_back(Wnd);
  for (HWND c : w->Children)
    CollectSubtree(c, Out);
}

const TMonitor* NearestMonitor(const std::vector<TMonitor>& Monitors, const TRect& R, DWORD Flags) {
  const TMonitor* best = nullptr;
  long long bestArea = 0;
  for (const TMonitor& m : Monitors) {
    const TRect i = IntersectRect(m.Screen, R);
    const long long area = static_cast<long long>(i.Width()) * i.Height();
    if (!i.IsEmpty() && area > bestArea) {
      best = &m;
      bestArea = area;
    }
  }
  if (best || Monitors.empty())
    return best;
  if (Flags == MONITOR_DEFAULTTONULL)
    return nullptr;
  if (Flags == MONITOR_DEFAULTTOPRIMARY)
    return &Monitors.front();
  long long bestDistance = -1;
  for (const TMonitor& m : Monitors) {
    const long long dx = std::max({m.Screen.Left - R.Right, R.Left - m.Screen.Right, 0});
    const long long dy = std::max({m.Screen.Top - R.Bottom, R.Top - m.Screen.Bottom, 0});
    const long long d = dx * dx + dy * dy;
    if (bestDistance < 0 || d < bestDistance) {
      best = &m;
      bestDistance = d;
    }
  }
  return best;
}

// The primary monitor, in screen or in its own coordinates.
BOOL DesktopRect(TRect* R, bool Client) {
  if (!R || !HasDesktopBackend())
    return 0;
  const std::vector<TMonitor> monitors = UnitMonitors();
  if (monitors.empty())
    return 0;
  const TRect screen = monitors.front().Screen;
  *R = Client ? Rect(0, 0, screen.Width(), screen.Height()) : screen;
  return 1;
}

TRect WorkAreaNear(const TRect& R) {
  const std::vector<TMonitor> monitors = UnitMonitors();
  const TMonitor* m = NearestMonitor(monitors, R, MONITOR_DEFAULTTONEAREST);
  return m ? m->WorkArea : R;
}

} // namespace

TWindowManager& WM() {
  static TWindowManager wm;
  return wm;
}

TWnd* FindWnd(HWND Wnd, bool AllowDestroying) {
  if (!Wnd)
    return nullptr;
  auto& windows = WM().Windows;
  auto it = windows.find(Wnd);
  if (it == windows.end())
    return nullptr;
  if (it->second->Destroying && !AllowDestroying)
    return nullptr;
  return it->second.get();
}

TWnd* TopLevelOf(TWnd& W) {
  TWnd* w = &W;
  while (w && !w->IsTopLevel()) {
    if (w->IsMessageOnly())
      return nullptr;
    w = FindWnd(w->Parent, true);
  }
  return w;
}

TPoint FrameOrigin(const TWnd& W) {
  TPoint p;
  const TWnd* w = &W;
  while (w && !w->IsMessageOnly()) {
    if (w->IsTopLevel()) {
      p.X += w->ClientArea.Left;
      p.Y += w->ClientArea.Top;
      break;
    }
    p.X += w->Bounds.Left;
    p.Y += w->Bounds.Top;
    w = FindWnd(w->Parent, true);
  }
  return p;
}

TPoint WindowScreenOrigin(const TWnd& W) { return W.IsTopLevel() ? W.Bounds.TopLeft() : ScreenOrigin(W); }

TRect ClientAreaOf(const TWnd& W) {
  return W.IsTopLevel() ? W.ClientArea : Rect(0, 0, W.Bounds.Width(), W.Bounds.Height());
}

bool RecalcClientArea(HWND Wnd) {
  TWnd* w = FindWnd(Wnd);
  if (!w || !w->IsTopLevel())
    return false;
  const TRect whole = Rect(0, 0, w->Bounds.Width(), w->Bounds.Height());
  TRect r = whole;
  SendMessage(Wnd, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
  if (!(w = FindWnd(Wnd)))
    return false;
  // Whatever the procedure answered, the client area lies inside the window.
  r = NormalizeRect(r);
  r = IntersectRect(r, whole);
  if (r.IsEmpty())
    r = Rect(whole.Left, whole.Top, whole.Left, whole.Top);
  const bool changed = r != w->ClientArea;
  w->ClientArea = r;
  return changed;
}

TPoint ScreenOrigin(const TWnd& W) {
  TPoint p = FrameOrigin(W);
  TWnd* top = TopLevelOf(const_cast<TWnd&>(W));
  if (top) {
    p.X += top->Bounds.Left;
    p.Y += top->Bounds.Top;
  }
  return p;
}

TRegion VisibleArea(const TWnd& W) {
  const TWnd* w = &W;
  TRegion area;
  bool first = true;
  while (w && !w->IsMessageOnly()) {
    const TPoint o = w->IsTopLevel() ? TPoint{} : FrameOrigin(*w);
    // Children stay inside their top-level window's client area.
    TRegion r(w->IsTopLevel() && w != &W ? w->ClientArea
                                         : Rect(o.X, o.Y, o.X + w->Bounds.Width(), o.Y + w->Bounds.Height()));
    if (w->Shape) {
      TRegion shape = *w->Shape;
      shape.Offset(o.X, o.Y);
      r = r.Intersect(shape);
    }
    area = first ? r : area.Intersect(r);
    first = false;
    if (w->IsTopLevel())
      break;
    w = FindWnd(w->Parent, true);
  }
  return area;
}

TRegion ClientVisibleArea(const TWnd& W) {
  if (!W.IsTopLevel())
    return VisibleArea(W);
  return VisibleArea(W).Intersect(TRegion(W.ClientArea));
}

bool IsShowing(const TWnd& W) {
  const TWnd* w = &W;
  while (w) {
    if (!w->Visible() || w->IsMessageOnly())
      return false;
    if (w->IsTopLevel())
      return (w->Style & WS_MINIMIZE) == 0;
    w = FindWnd(w->Parent, true);
  }
  return false;
}

void RestackHosts() {
  if (!HasDesktopBackend())
    return;
  std::vector<TWindowHost*> hosts;
  for (HWND h : WM().TopLevels)
    if (TWnd* w = FindWnd(h, true); w && w->Host)
      hosts.push_back(w->Host.get());
  CurrentDesktopBackend().Restack(hosts);
}

void RaiseTopLevel(HWND Wnd) {
  auto& tops = WM().TopLevels;
  auto it = std::find(tops.begin(), tops.end(), Wnd);
  if (it == tops.end() || it == tops.begin())
    return;
  tops.erase(it);
  // Menu windows stay above every form.
  auto pos = tops.begin();
  TWnd* w = FindWnd(Wnd, true);
  if (w && !(w->ExStyle & WS_EX_NOACTIVATE))
    while (pos != tops.end()) {
      TWnd* other = FindWnd(*pos, true);
      if (!other || !(other->ExStyle & WS_EX_NOACTIVATE))
        break;
      ++pos;
    }
  tops.insert(pos, Wnd);
  RestackHosts();
}

HWND CreateWindowEx(DWORD ExStyle, std::string_view WindowName, DWORD Style, int X, int Y, int Width,
                    int Height, HWND Parent, WNDPROC Proc) {
  TWindowManager& wm = WM();
  const bool messageOnly = Parent == HWND_MESSAGE;
  TWnd* parent = nullptr;
  if (Parent && !messageOnly) {
    parent = FindWnd(Parent);
    if (!parent)
      return nullptr;
  }
  if ((Style & WS_CHILD) && !parent)
    return nullptr;
  if (!parent && !messageOnly && !HasDesktopBackend())
    throw std::logic_error("no desktop backend is installed for top-level windows");

  auto w = std::make_unique<TWnd>();
  HWND handle = reinterpret_cast<HWND>(wm.NextHandle);
  wm.NextHandle += 8;
  w->Handle = handle;
  w->Style = Style & ~WS_VISIBLE;
  w->ExStyle = ExStyle;
  w->Text = std::string(WindowName);
  w->Proc = Proc;
  w->Bounds = Bounds(X, Y, std::max(Width, 0), std::max(Height, 0));
  w->RestoreBounds = w->Bounds;
  w->ClientArea = Rect(0, 0, w->Bounds.Width(), w->Bounds.Height());
  // An owned popup is still a top-level window here; owners only matter for activation.
  w->Parent = messageOnly ? HWND_MESSAGE : ((Style & WS_CHILD) ? Parent : nullptr);
  if (w->IsTopLevel()) {
    // Sized when the window is shown: a window that is built hidden, and resized as it is built,
    // gets one frame, of the size it is shown at.
    w->Frame = std::make_unique<TPixelBuffer>();
    w->FrameStale = true;
    // The scale of the monitor the window opens on (the desktop says so later if it moves on).
    const std::vector<TMonitor> monitors = UnitMonitors();
    if (const TMonitor* m = NearestMonitor(monitors, w->Bounds, MONITOR_DEFAULTTONEAREST))
      w->Scale = m->Scale;
    w->DeviceBounds = DeviceBoundsOf(w->Bounds, w->Scale);
    w->Host = CurrentDesktopBackend().CreateHost(handle, KindOf(*w), w->DeviceBounds);
    w->Host->SetTitle(w->Text);
  }
  TWnd* created = w.get();
  wm.Windows.emplace(handle, std::move(w));
  if (created->IsTopLevel()) {
    wm.TopLevels.push_back(handle);
    RestackHosts();
  } else if (parent) {
    parent->Children.insert(parent->Children.begin(), handle);
  }

  SendMessage(handle, WM_NCCREATE, 0, 0);
  if (created->IsTopLevel() && FindWnd(handle))
    RecalcClientArea(handle);
  if (!FindWnd(handle) || SendMessage(handle, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  SendSizeAndMove(handle, true, true);
  if ((Style & WS_VISIBLE) && FindWnd(handle))
    ShowWindow(handle, SW_SHOW);
  return FindWnd(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND Wnd) {
  TWnd* w = LiveWnd(Wnd);
  if (!w)
    return 0;
  TWindowManager& wm = WM();
  if (w->Visible() && IsShowing(*w) && !w->IsTopLevel())
    DamageWhole(*w);
  std::vector<HWND> subtree;
  CollectSubtree(Wnd, subtree);
  for (HWND h : subtree)
    FindWnd(h, true)->Destroying = true;
  if (w->Host)
    w->Host->SetShowState(SW_HIDE);
  const bool wasActive = wm.Active == Wnd;
  for (HWND h : subtree)
    ForgetWindowInput(h);
  // Parents hear of it before their children, and are freed after them.
  for (HWND h : subtree)
    if (FindWnd(h, true))
      SendMessage(h, WM_DESTROY, 0, 0);
  for (auto it = subtree.rbegin(); it != subtree.rend(); ++it)
    if (FindWnd(*it, true))
      SendMessage(*it, WM_NCDESTROY, 0, 0);

  w = FindWnd(Wnd, true);
  if (w && w->Parent && !w->IsMessageOnly())
    if (TWnd* parent = FindWnd(w->Parent, true))
      std::erase(parent->Children, Wnd);
  std::erase(wm.TopLevels, Wnd);
  for (HWND h : subtree) {
    ForgetWindowTimers(h);
    if (TWnd* d = FindWnd(h, true); d && d->IsTopLevel())
      DetachWindowDCs(h);
  }
  for (HWND h : subtree)
    wm.Windows.erase(h);
  RestackHosts();
  if (wasActive)
    ActivateNextTopLevel(Wnd);
  return 1;
}

BOOL IsWindow(HWND Wnd) { return IsDesktopWindow(Wnd) || FindWnd(Wnd) != nullptr; }

HWND GetParent(HWND Wnd) {
  TWnd* w = FindWnd(Wnd);
  return w && !w->IsTopLevel() && !w->IsMessageOnly() ? w->Parent : nullptr;
}

std::vector<HWND> GetChildWindows(HWND Wnd) {
  TWnd* w = FindWnd(Wnd);
  return w ? w->Children : std::vector<HWND>{};
}

HWND GetAncestor(HWND Wnd, UINT Flags) {
  TWnd* w = FindWnd(Wnd);
  if (!w)
    return nullptr;
  if (Flags == GA_PARENT)
    return GetParent(Wnd);
  TWnd* top = TopLevelOf(*w);
  return top ? top->Handle : nullptr;
}

BOOL IsChild(HWND Parent, HWND Wnd) {
  TWnd* w = FindWnd(Wnd);
  while (w && !w->IsTopLevel() && !w->IsMessageOnly()) {
    if (w->Parent == Parent)
      return 1;
    w = FindWnd(w->Parent);
  }
  return 0;
}

WNDPROC MakeObjectInstance(TWndMethod Method) {
  auto entry = std::make_shared<TProcEntry>();
  entry->Method = std::move(Method);
  return NewProcHandle(std::move(entry));
}

void FreeObjectInstance(WNDPROC Proc) {
  auto& entries = Procs().Entries;
  auto it = entries.find(Proc);
  if (it != entries.end() && !it->second->Function)
    entries.erase(it);
}

int OutstandingObjectInstances() {
  const auto& entries = Procs().Entries;
  return static_cast<int>(
      std::count_if(entries.begin(), entries.end(), [](const auto& e) { return !e.second->Function; }));
}

WNDPROC WndProcFromFunction(TWndProcFunction Function) {
  if (!Function)
    return nullptr;
  TProcTable& t = Procs();
  if (auto it = t.Functions.find(Function); it != t.Functions.end())
    return it->second;
  auto entry = std::make_shared<TProcEntry>();
  entry->Function = Function;
  WNDPROC handle = NewProcHandle(std::move(entry));
  t.Functions.emplace(Function, handle);
  return handle;
}

namespace {

struct TProcedureCall {
  explicit TProcedureCall(HWND Wnd) { Stack().push_back(Wnd); }
  ~TProcedureCall() { Stack().pop_back(); }
  static std::vector<HWND>& Stack() {
    static std::vector<HWND> stack;
    return stack;
  }
};

} // namespace

HWND CurrentProcedureWindow() {
  const auto& stack = TProcedureCall::Stack();
  return stack.empty() ? nullptr : stack.back();
}

LRESULT CallWindowProc(WNDPROC Proc, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!Proc)
    return DefWindowProc(Wnd, Msg, WParam, LParam);
  auto& entries = Procs().Entries;
  auto it = entries.find(Proc);
  if (it == entries.end())
    return 0;
  // Held for the call: the procedure may free its own instance while it runs.
  std::shared_ptr<TProcEntry> entry = it->second;
  TProcedureCall call(Wnd);
  if (entry->Function)
    return entry->Function(Wnd, Msg, WParam, LParam);
  TMessage m{Msg, WParam, LParam, 0};
  entry->Method(m);
  return m.Result;
}

LONG_PTR GetWindowLongPtr(HWND Wnd, int Index) {
  TWnd* w = FindWnd(Wnd, true);
  if (!w)
    return 0;
  switch (Index) {
  case GWLP_WNDPROC:
    return reinterpret_cast<LONG_PTR>(w->Proc);
  case GWL_STYLE:
    return static_cast<LONG_PTR>(w->Style);
  case GWL_EXSTYLE:
    return static_cast<LONG_PTR>(w->ExStyle);
  case GWL_ID:
    return w->Id;
  case GWLP_USERDATA:
    return w->UserData;
  default:
    return 0;
  }
}

LONG_PTR SetWindowLongPtr(HWND Wnd, int Index, LONG_PTR Value) {
  TWnd* w = FindWnd(Wnd, true);
  if (!w)
    return 0;
  LONG_PTR old = GetWindowLongPtr(Wnd, Index);
  switch (Index) {
  case GWLP_WNDPROC: {
    WNDPROC p = reinterpret_cast<WNDPROC>(Value);
    if (p && !Procs().Entries.contains(p))
      return 0;
    w->Proc = p;
    break;
  }
  case GWL_STYLE: {
    // Visibility, the show state and the child bit have calls of their own.
    const DWORD kept = WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_CHILD;
    const DWORD style = static_cast<DWORD>(Value);
    const bool enableChanged = ((w->Style ^ style) & WS_DISABLED) != 0;
    w->Style = (w->Style & kept) | (style & ~kept);
    if (enableChanged && !w->Enabled())
      ForgetWindowInput(Wnd);
    break;
  }
  case GWL_EXSTYLE:
    w->ExStyle = static_cast<DWORD>(Value);
    break;
  case GWL_ID:
    w->Id = Value;
    break;
  case GWLP_USERDATA:
    w->UserData = Value;
    break;
  default:
    return 0;
  }
  return old;
}

BOOL GetWindowRect(HWND Wnd, TRect* R) {
  if (IsDesktopWindow(Wnd))
    return DesktopRect(R, false);
  TWnd* w = FindWnd(Wnd);
  if (!w || !R)
    return 0;
  const TPoint o = WindowScreenOrigin(*w);
  *R = Bounds(o.X, o.Y, w->Bounds.Width(), w->Bounds.Height());
  return 1;
}

BOOL GetClientRect(HWND Wnd, TRect* R) {
  if (IsDesktopWindow(Wnd))
    return DesktopRect(R, true);
  TWnd* w = FindWnd(Wnd);
  if (!w || !R)
    return 0;
  const TRect client = ClientAreaOf(*w);
  *R = Rect(0, 0, client.Width(), client.Height());
  return 1;
}

BOOL ScreenToClient(HWND Wnd, TPoint* P) {
  TWnd* w = FindWnd(Wnd);
  if (!w || !P)
    return 0;
  const TPoint o = ScreenOrigin(*w);
  P->X -= o.X;
  P->Y -= o.Y;
  return 1;
}

BOOL ClientToScreen(HWND Wnd, TPoint* P) {
  TWnd* w = FindWnd(Wnd);
  if (!w || !P)
    return 0;
  const TPoint o = ScreenOrigin(*w);
  P->X += o.X;
  P->Y += o.Y;
  return 1;
}

namespace {

bool ContainsScreenPoint(const TWnd& W, TPoint Screen) {
  const TPoint o = WindowScreenOrigin(W);
  const TPoint local{Screen.X - o.X, Screen.Y - o.Y};
  if (!Rect(0, 0, W.Bounds.Width(), W.Bounds.Height()).Contains(local))
    return false;
  return !W.Shape || W.Shape->Contains(local);
}

HWND DeepestAt(HWND Wnd, TPoint Screen) {
  TWnd* w = FindWnd(Wnd);
  if (!w || !w->Visible() || !ContainsScreenPoint(*w, Screen))
    return nullptr;
  if (w->IsTopLevel() && !OffsetRect(w->ClientArea, w->Bounds.Left, w->Bounds.Top).Contains(Screen))
    return Wnd;
  for (HWND c : w->Children)
    if (HWND hit = DeepestAt(c, Screen))
      return hit;
  return Wnd;
}

} // namespace

HWND WindowFromPoint(TPoint Screen) {
  for (HWND top : WM().TopLevels) {
    TWnd* w = FindWnd(top);
    if (w && IsShowing(*w))
      if (HWND hit = DeepestAt(top, Screen))
        return hit;
  }
  return nullptr;
}

BOOL SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Width, int Height, UINT Flags) {
  TWnd* w = FindWnd(Wnd);
  if (!w)
    return 0;
  if (Flags & SWP_HIDEWINDOW)
    ShowWindow(Wnd, SW_HIDE);
  if (!(w = FindWnd(Wnd)))
    return 1;
  TRect target = w->Bounds;
  if (!(Flags & SWP_NOMOVE))
    target = Bounds(X, Y, target.Width(), target.Height());
  if (!(Flags & SWP_NOSIZE))
    target = Bounds(target.Left, target.Top, std::max(Width, 0), std::max(Height, 0));
  // The window manager decides where a maximised window goes: asking for other bounds would only
  // start a round of requests and refusals.
  if (w->IsTopLevel() && (w->Style & WS_MAXIMIZE) && w->DesktopMaximized)
    target = w->Bounds;
  const bool moved = target.TopLeft() != w->Bounds.TopLeft();
  bool sized = target.Width() != w->Bounds.Width() || target.Height() != w->Bounds.Height();
  ApplyBounds(*w, target, !(Flags & SWP_NOREDRAW));
  if ((Flags & SWP_FRAMECHANGED) && !sized && w->IsTopLevel()) {
    const TRect before = w->ClientArea;
    RecalcClientArea(Wnd);
    if (!(w = FindWnd(Wnd)))
      return 1;
    sized = ClientAreaOf(*w) != before;
    DamageWhole(*w);
  }
  if (!(Flags & SWP_NOZORDER)) {
    if (w->IsTopLevel()) {
      auto& tops = WM().TopLevels;
      if (InsertAfter == HWND_BOTTOM) {
        std::erase(tops, Wnd);
        tops.push_back(Wnd);
        RestackHosts();
      } else if (InsertAfter == HWND_TOP) {
        RaiseTopLevel(Wnd);
      }
    } else if (TWnd* parent = FindWnd(w->Parent)) {
      auto& sib = parent->Children;
      std::erase(sib, Wnd);
      auto pos = sib.begin();
      if (InsertAfter == HWND_BOTTOM)
        pos = sib.end();
      else if (InsertAfter != HWND_TOP) {
        auto after = std::find(sib.begin(), sib.end(), InsertAfter);
        pos = after == sib.end() ? sib.begin() : after + 1;
      }
      sib.insert(pos, Wnd);
      if (!(Flags & SWP_NOREDRAW))
        DamageWhole(*w);
    }
  }
  if (moved || sized)
    SendSizeAndMove(Wnd, moved, sized);
  if (Flags & SWP_SHOWWINDOW)
    ShowWindow(Wnd, (Flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  else if (!(Flags & SWP_NOACTIVATE) && !((Flags & SWP_NOZORDER) == 0 && InsertAfter == HWND_BOTTOM) &&
           (w = FindWnd(Wnd)) && w->IsTopLevel() && w->Visible())
    SetActiveWindow(Wnd);
  return 1;
}

BOOL MoveWindow(HWND Wnd, int X, int Y, int Width, int Height, BOOL Repaint) {
  return SetWindowPos(Wnd, nullptr, X, Y, Width, Height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (Repaint ? 0u : static_cast<UINT>(SWP_NOREDRAW)));
}

BOOL BringWindowToTop(HWND Wnd) {
  return SetWindowPos(Wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ShowWindow(HWND Wnd, int CmdShow) {
  TWnd* w = FindWnd(Wnd);
  if (!w)
    return 0;
  const bool wasVisible = w->Visible();
  const bool show = CmdShow != SW_HIDE;
  if (show != wasVisible) {
    SendMessage(Wnd, WM_SHOWWINDOW, show ? 1 : 0, 0);
    if (!(w = FindWnd(Wnd)))
      return wasVisible;
  }
  if (!w->IsTopLevel()) {
    if (show != wasVisible) {
      if (show) {
        w->Style |= WS_VISIBLE;
        DamageWhole(*w);
      } else {
        DamageWhole(*w);
        w->Style &= ~WS_VISIBLE;
        ForgetWindowInput(Wnd);
      }
    }
    return wasVisible;
  }

  const bool wasMin = w->Style & WS_MINIMIZE;
  const bool wasMax = w->Style & WS_MAXIMIZE;
  if (CmdShow != SW_SHOWMAXIMIZED && CmdShow != SW_SHOW && CmdShow != SW_SHOWNA && CmdShow != SW_SHOWNOACTIVATE)
    w->DesktopMaximized = false;
  bool activate = false;
  switch (CmdShow) {
  case SW_HIDE:
    w->Style &= ~WS_VISIBLE;
    w->Host->SetShowState(SW_HIDE);
    ForgetWindowInput(Wnd);
    if (WM().Active == Wnd)
      ActivateNextTopLevel(Wnd);
    return wasVisible;
  case SW_SHOWMINIMIZED:
  case SW_MINIMIZE:
  case SW_SHOWMINNOACTIVE:
    if (!wasMin) {
      if (!wasMax)
        w->RestoreBounds = w->Bounds;
      w->Style = (w->Style | WS_MINIMIZE | WS_VISIBLE) & ~WS_MAXIMIZE;
      w->Host->SetShowState(SW_SHOWMINIMIZED);
      ForgetWindowInput(Wnd);
      SendSizeAndMove(Wnd, false, true);
      if (WM().Active == Wnd)
        ActivateNextTopLevel(Wnd);
    }
    return wasVisible;
  case SW_SHOWMAXIMIZED: {
    if (!wasMax && !wasMin)
      w->RestoreBounds = w->Bounds;
    // The maximised place is the work area unless the window's limits say otherwise.
    const MINMAXINFO limits = UnitMinMaxInfo(Wnd);
    if (!(w = FindWnd(Wnd)))
      return wasVisible;
    w->Style = (w->Style | WS_MAXIMIZE | WS_VISIBLE) & ~WS_MINIMIZE;
    w->Host->SetShowState(SW_SHOWMAXIMIZED);
    if (!(wasMax && w->DesktopMaximized))
      ApplyBounds(*w,
                  Bounds(limits.ptMaxPosition.X, limits.ptMaxPosition.Y,
                         std::max(limits.ptMinTrackSize.X, std::min(limits.ptMaxSize.X, limits.ptMaxTrackSize.X)),
                         std::max(limits.ptMinTrackSize.Y, std::min(limits.ptMaxSize.Y, limits.ptMaxTrackSize.Y))),
                  true);
    SendSizeAndMove(Wnd, true, true);
    activate = true;
    break;
  }
  case SW_SHOWNORMAL:
  case SW_RESTORE:
    w->Style |= WS_VISIBLE;
    if (wasMin || wasMax) {
      w->Style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
      w->Host->SetShowState(SW_SHOWNORMAL);
      // A window restored from minimised goes back to maximised only when asked; here it returns
      // to its normal bounds.
      ApplyBounds(*w, w->RestoreBounds, true);
      AddDamage(*w, TRegion(Rect(0, 0, w->Bounds.Width(), w->Bounds.Height())), true);
      SendSizeAndMove(Wnd, true, true);
    } else {
      w->Host->SetShowState(SW_SHOWNORMAL);
    }
    activate = true;
    break;
  default: // SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE: the current state, shown
    w->Style |= WS_VISIBLE;
    w->Host->SetShowState(wasMin ? SW_SHOWMINIMIZED : wasMax ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    activate = CmdShow == SW_SHOW && !wasMin;
    break;
  }
  if (!(w = FindWnd(Wnd)))
    return wasVisible;
  if (w->Visible())
    FrameOf(*w);
  if (!wasVisible || wasMin)
    AddDamage(*w, TRegion(Rect(0, 0, w->Bounds.Width(), w->Bounds.Height())), true);
  if (activate && !(w->ExStyle & WS_EX_NOACTIVATE))
    SetActiveWindow(Wnd);
  else if (!wasVisible)
    RaiseTopLevel(Wnd);
  return wasVisible;
}

// Visible when it and every ancestor have WS_VISIBLE; a minimised window still counts.
BOOL IsWindowVisible(HWND Wnd) {
  for (TWnd* w = FindWnd(Wnd); w; w = w->IsTopLevel() ? nullptr : FindWnd(w->Parent)) {
    if (!w->Visible() || w->IsMessageOnly())
      return 0;
    if (w->IsTopLevel())
      return 1;
  }
  return 0;
}

BOOL IsIconic(HWND Wnd) {
  TWnd* w = FindWnd(Wnd);
  return w && (w->Style & WS_MINIMIZE) ? 1 : 0;
}

BOOL IsZoomed(HWND Wnd) {
  TWnd* w = FindWnd(Wnd);
  return w && (w->Style & WS_MAXIMIZE) ? 1 : 0;
}

BOOL EnableWindow(HWND Wnd, BOOL Enable) {
  TWnd* w = FindWnd(Wnd);
  if (!w)
    return 0;
  const bool wasDisabled = !w->Enabled();
  if (wasDisabled == !Enable)
    return wasDisabled;
  if (Enable)
    w->Style &= ~WS_DISABLED;
  else {
    w->Style |= WS_DISABLED;
    ForgetWindowInput(Wnd);
  }
  SendMessage(Wnd, WM_ENABLE, Enable ? 1 : 0, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND Wnd) {
  TWnd* w = FindWnd(Wnd);
  return w && w->Enabled() ? 1 : 0;
}

BOOL SetWindowText(HWND Wnd, std::string_view Text) {
  TWnd* w = FindWnd(Wnd);
  if (!w)
    return 0;
  w->Text = std::string(Text);
  if (w->Host)
    w->Host->SetTitle(w->Text);
  return 1;
}

std::string GetWindowText(HWND Wnd) {
  TWnd* w = FindWnd(Wnd);
  return w ? w->Text : std::string();
}

int GetWindowTextLength(HWND Wnd) { return static_cast<int>(GetWindowText(Wnd).size()); }

int SetWindowRgn(HWND Wnd, HRGN Rgn, BOOL Redraw) {
  TWnd* w = FindWnd(Wnd);
  if (!w)
    return 0;
  std::optional<TRegion> shape;
  if (Rgn) {
    shape = TakeRegionHandle(Rgn);
    if (!shape)
      return 0;
  }
  if (!w->IsTopLevel() && Redraw && IsShowing(*w))
    DamageWhole(*w);
  w->Shape = std::move(shape);
  if (w->Host) {
    const std::optional<TRegion> device = w->Shape ? std::optional(ScaleRegion(*w->Shape, w->Scale)) : std::nullopt;
    w->Host->SetShape(device ? &*device : nullptr);
  }
  if (Redraw && IsShowing(*w))
    DamageWhole(*w);
  return 1;
}

int GetWindowRgn(HWND Wnd, HRGN Rgn) {
  TWnd* w = FindWnd(Wnd);
  TRegion* target = MutableRegionOfHandle(Rgn);
  if (!w || !target || !w->Shape)
    return 0;
  *target = *w->Shape;
  return target->IsEmpty() ? 1 : (target->IsRectangle() ? 2 : 3);
}

MINMAXINFO UnitMinMaxInfo(HWND Wnd) {
  MINMAXINFO info;
  info.ptMinTrackSize = {1, 1};
  info.ptMaxTrackSize = {32767, 32767};
  TWnd* w = FindWnd(Wnd);
  if (!w)
    return info;
  const TRect work = WorkAreaNear(w->Bounds);
  info.ptMaxSize = {work.Width(), work.Height()};
  info.ptMaxPosition = work.TopLeft();
  SendMessage(Wnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  return info;
}

void HostBoundsChanged(HWND Wnd, const TRect& ScreenRect) {
  TWnd* w = FindWnd(Wnd);
  if (!w || !w->IsTopLevel() || w->DeviceBounds == ScreenRect)
    return;
  const TRect units = UnitBoundsOf(ScreenRect, w->Scale);
  const bool moved = units.TopLeft() != w->Bounds.TopLeft();
  const bool sized = units.Width() != w->Bounds.Width() || units.Height() != w->Bounds.Height();
  if (w->Style & WS_MAXIMIZE)
    w->DesktopMaximized = true;
  ApplyBounds(*w, units, true, &ScreenRect);
  if (moved || sized)
    SendSizeAndMove(Wnd, moved, sized);
}

void HostScaleChanged(HWND Wnd, double Scale, const TRect& ScreenRect) {
  TWnd* w = FindWnd(Wnd);
  if (!w || !w->IsTopLevel())
    return;
  Scale = WindowScaleFor(Scale);
  if (Scale == w->Scale) {
    HostBoundsChanged(Wnd, ScreenRect);
    return;
  }
  const TRect before = w->Bounds;
  w->Scale = Scale;
  const TRect units = UnitBoundsOf(ScreenRect, Scale);
  // Drawn anew at the new scale, whatever the bounds in units do.
  w->FrameStale = true;
  if (w->Visible())
    FrameOf(*w);
  w->Bounds = TRect{};
  ApplyBounds(*w, units, true, &ScreenRect);
  AddDamage(*w, TRegion(Rect(0, 0, units.Width(), units.Height())), true);
  if (w->Host && w->Shape) {
    const TRegion device = ScaleRegion(*w->Shape, Scale);
    w->Host->SetShape(&device);
  }
  const bool moved = units.TopLeft() != before.TopLeft();
  const bool sized = units.Width() != before.Width() || units.Height() != before.Height();
  if (moved || sized)
    SendSizeAndMove(Wnd, moved, sized);
}

void HostMoveSizeEnded(HWND Wnd) {
  if (IsWindow(Wnd))
    SendMessage(Wnd, WM_EXITSIZEMOVE, 0, 0);
}

void HostCloseRequested(HWND Wnd) {
  if (IsWindow(Wnd))
    PostMessage(Wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void HostDisplayChanged() {
  NotifyGammaDisplaysChanged();
  TWindowManager& wm = WM();
  TRect screen;
  if (HasDesktopBackend())
    if (const std::vector<TMonitor> monitors = UnitMonitors(); !monitors.empty())
      screen = monitors.front().Screen;
  const LPARAM size = MAKELPARAM(screen.Width(), screen.Height());
  // Posted, so that what a window does about it runs in the loop and not inside the backend's wait.
  // A window that has not yet taken the last notice gets no second one: it will look at the
  // displays as they are by then.
  const std::vector<HWND> topLevels = wm.TopLevels;
  for (HWND w : topLevels) {
    const bool queued = std::any_of(wm.Queue.begin(), wm.Queue.end(), [w](const TQueued& q) {
      return !q.Input && q.Msg.hwnd == w && q.Msg.message == WM_DISPLAYCHANGE;
    });
    if (!queued)
      PostMessage(w, WM_DISPLAYCHANGE, 32, size);
  }
}

void HostExposed(HWND Wnd, const TRect& R) {
  TWnd* w = FindWnd(Wnd);
  if (!w || !w->IsTopLevel())
    return;
  w->Host->Present(FrameOf(*w), TRegion(R));
}

void BeginMoveSize(HWND Wnd, int HitCode) {
  TWnd* w = FindWnd(Wnd);
  if (!w || !w->IsTopLevel() || (w->Style & (WS_MAXIMIZE | WS_MINIMIZE)))
    return;
  ReleaseCapture();
  SendMessage(Wnd, WM_ENTERSIZEMOVE, 0, 0);
  if ((w = FindWnd(Wnd)))
    w->Host->BeginMoveSize(HitCode);
}

HMONITOR MonitorFromRect(const TRect& R, DWORD Flags) {
  const std::vector<TMonitor> monitors = UnitMonitors();
  const TMonitor* m = NearestMonitor(monitors, R, Flags);
  if (!m)
    return nullptr;
  return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(m - monitors.data() + 1));
}

HMONITOR MonitorFromWindow(HWND Wnd, DWORD Flags) {
  TRect r;
  if (!GetWindowRect(Wnd, &r))
    return Flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorFromRect(Rect(0, 0, 1, 1), MONITOR_DEFAULTTOPRIMARY);
  return MonitorFromRect(r, Flags);
}

BOOL GetMonitorInfo(HMONITOR Monitor, MONITORINFO* Info) {
  const std::vector<TMonitor> monitors = UnitMonitors();
  const std::uintptr_t index = reinterpret_cast<std::uintptr_t>(Monitor);
  if (!Info || index == 0 || index > monitors.size())
    return 0;
  const TMonitor& m = monitors[index - 1];
  Info->rcMonitor = m.Screen;
  Info->rcWork = m.WorkArea;
  Info->dwFlags = index == 1 ? static_cast<DWORD>(MONITORINFOF_PRIMARY) : 0u;
  return 1;
}
