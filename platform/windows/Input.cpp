#include "platform/windows/WindowManager.h"

#include <algorithm>
#include <cstdlib>

namespace {

struct THit {
  HWND Window = nullptr;
  int Code = HTNOWHERE;
};

bool Contains(const TWnd& W, TPoint Screen) {
  const TPoint o = WindowScreenOrigin(W);
  const TPoint local{Screen.X - o.X, Screen.Y - o.Y};
  return Rect(0, 0, W.Bounds.Width(), W.Bounds.Height()).Contains(local) &&
         (!W.Shape || W.Shape->Contains(local));
}

// Walks the windows under the point from the topmost and deepest up, asking each for its hit code;
// a window answering HTTRANSPARENT lets the point through to the window below it. Disabled and
// hidden windows take no input, and neither do their children.
bool HitTestTree(HWND Wnd, TPoint Screen, THit& Hit) {
  TWnd* w = LiveWnd(Wnd);
  if (!w || !w->Visible() || !w->Enabled() || !Contains(*w, Screen))
    return false;
  // Children lie in the client area; the non-client area is the window's own.
  const bool inClient = !w->IsTopLevel() || OffsetRect(w->ClientArea, w->Bounds.Left, w->Bounds.Top).Contains(Screen);
  const std::vector<HWND> children = inClient ? w->Children : std::vector<HWND>{};
  for (HWND c : children)
    if (HitTestTree(c, Screen, Hit))
      return true;
  if (!LiveWnd(Wnd))
    return false;
  const int code = static_cast<int>(SendMessage(Wnd, WM_NCHITTEST, 0, MAKELPARAM(Screen.X, Screen.Y)));
  if (code == HTTRANSPARENT || !LiveWnd(Wnd))
    return false;
  Hit = {Wnd, code};
  return true;
}

int VirtualKeyOf(TInputButton B) {
  switch (B) {
  case TInputButton::Right:
    return VK_RBUTTON;
  case TInputButton::Middle:
    return 0x04;
  default:
    return VK_LBUTTON;
  }
}

WPARAM MouseKeyState() {
  WPARAM k = 0;
  if (GetKeyState(VK_LBUTTON) < 0)
    k |= MK_LBUTTON;
  if (GetKeyState(VK_RBUTTON) < 0)
    k |= MK_RBUTTON;
  if (GetKeyState(0x04) < 0)
    k |= MK_MBUTTON;
  if (GetKeyState(VK_SHIFT) < 0)
    k |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0)
    k |= MK_CONTROL;
  return k;
}

// The client message of a button action; the non-client one is WM_NC… = client - 0x160.
UINT ClientButtonMessage(TInputKind Kind, TInputButton B, bool Double) {
  UINT base = WM_LBUTTONDOWN;
  if (B == TInputButton::Right)
    base = WM_RBUTTONDOWN;
  else if (B == TInputButton::Middle)
    base = WM_MBUTTONDOWN;
  if (Kind == TInputKind::MouseUp)
    return base + 1;
  return Double ? base + 2 : base;
}

UINT NonClientMessage(UINT ClientMessage) {
  if (ClientMessage == WM_MOUSEMOVE)
    return WM_NCMOUSEMOVE;
  if (ClientMessage >= WM_MBUTTONDOWN)
    return 0; // no middle-button non-client messages are needed
  return ClientMessage - (WM_LBUTTONDOWN - WM_NCLBUTTONDOWN);
}

bool IsDoubleClick(HWND Target, UINT Button, TPoint Screen) {
  TClickState& last = WM().LastClick;
  const long long now = Now();
  const bool isDouble = !last.WasDouble && last.Window == Target && last.Button == Button &&
                        now - last.Time <= static_cast<long long>(DoubleClickTime) &&
                        std::abs(Screen.X - last.Screen.X) <= DoubleClickDistance &&
                        std::abs(Screen.Y - last.Screen.Y) <= DoubleClickDistance;
  last = {Target, Button, now, Screen, isDouble};
  return isDouble;
}

void SetHover(HWND NewHover) {
  TWindowManager& wm = WM();
  if (wm.Hover == NewHover)
    return;
  const HWND old = wm.Hover;
  wm.Hover = NewHover;
  if (LiveWnd(old))
    SendMessage(old, WM_MOUSELEAVE, 0, 0);
}

bool TranslateMouse(const TInputEvent& E, MSG& Out) {
  TWindowManager& wm = WM();
  if (E.Kind == TInputKind::MouseDown) {
    wm.KeysDown[VirtualKeyOf(E.Button)] = true;
    wm.AltAlone = false;
  }
  else if (E.Kind == TInputKind::MouseUp)
    wm.KeysDown[VirtualKeyOf(E.Button)] = false;

  TWnd* top = LiveWnd(E.Window);
  if (!top || !top->IsTopLevel())
    return false;
  const TPoint screen{top->Bounds.Left + E.Pos.X, top->Bounds.Top + E.Pos.Y};

  THit under;
  if (IsShowing(*top) && !HitTestTree(E.Window, screen, under))
    under = {};
  SetHover(under.Window);

  THit target = under;
  if (LiveWnd(wm.Capture))
    target = {wm.Capture, HTCLIENT};
  if (!LiveWnd(target.Window) || target.Code == HTERROR)
    return false;

  UINT message = WM_MOUSEMOVE;
  if (E.Kind != TInputKind::MouseMove) {
    const bool isDouble = E.Kind == TInputKind::MouseDown &&
                          IsDoubleClick(target.Window, static_cast<UINT>(E.Button), screen);
    message = ClientButtonMessage(E.Kind, E.Button, isDouble);
  }
  if (!LiveWnd(wm.Capture)) {
    SendMessage(target.Window, WM_SETCURSOR, reinterpret_cast<WPARAM>(target.Window),
                MAKELPARAM(target.Code, static_cast<int>(message)));
    if (!LiveWnd(target.Window))
      return false;
  }
  if (E.Kind == TInputKind::MouseDown) {
    TWnd* t = LiveWnd(target.Window);
    TWnd* targetTop = t ? TopLevelOf(*t) : nullptr;
    if (targetTop && !(targetTop->ExStyle & WS_EX_NOACTIVATE) && wm.Active != targetTop->Handle)
      SetActiveWindow(targetTop->Handle);
    if (!LiveWnd(target.Window))
      return false;
  }

  if (target.Code == HTCLIENT) {
    TWnd* t = LiveWnd(target.Window);
    const TPoint o = ScreenOrigin(*t);
    Out = MSG{target.Window, message, MouseKeyState(), MAKELPARAM(screen.X - o.X, screen.Y - o.Y),
              GetTickCount(), screen};
    return true;
  }
  const UINT nc = NonClientMessage(message);
  if (!nc)
    return false;
  Out = MSG{target.Window, nc, static_cast<WPARAM>(target.Code), MAKELPARAM(screen.X, screen.Y), GetTickCount(),
            screen};
  return true;
}

bool TranslateKey(const TInputEvent& E, MSG& Out) {
  TWindowManager& wm = WM();
  const bool wasDown = wm.KeysDown[E.Key];
  if (E.Kind == TInputKind::KeyDown)
    wm.KeysDown[E.Key] = true;
  else if (E.Kind == TInputKind::KeyUp)
    wm.KeysDown[E.Key] = false;
  // Any other key between Alt's press and its release makes it a chord, not a menu request.
  if (E.Kind == TInputKind::KeyDown && E.Key != VK_MENU && E.Key != VK_F10)
    wm.AltAlone = false;
  const bool alt = GetKeyState(VK_MENU) < 0;
  // Keys go to the focus; with nothing focused or active, to the window holding the capture (an
  // open menu of a program that lost the focus still takes its keys through the grab).
  HWND target = LiveWnd(wm.Focus)    ? wm.Focus
                : LiveWnd(wm.Active) ? wm.Active
                : LiveWnd(wm.Capture) ? wm.Capture
                                      : nullptr;
  if (!target)
    return false;
  // Repeat count 1; bit 29 says Alt is held, bit 30 that the key was down, bit 31 a release.
  LPARAM flags = 1;
  if (alt)
    flags |= LPARAM(1) << 29;
  UINT message = 0;
  WPARAM wparam = E.Key;
  switch (E.Kind) {
  case TInputKind::KeyDown:
    if (wasDown)
      flags |= LPARAM(1) << 30;
    message = alt || E.Key == VK_F10 ? WM_SYSKEYDOWN : WM_KEYDOWN;
    break;
  case TInputKind::KeyUp:
    flags |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
    message = alt || E.Key == VK_MENU || E.Key == VK_F10 ? WM_SYSKEYUP : WM_KEYUP;
    break;
  default:
    message = alt ? WM_SYSCHAR : WM_CHAR;
    wparam = E.Char;
    break;
  }
  Out = MSG{target, message, wparam, flags, GetTickCount(), {}};
  GetCursorPos(&Out.pt);
  return true;
}

void SendActivation(HWND Wnd, bool Active, HWND Other) {
  if (!LiveWnd(Wnd))
    return;
  SendMessage(Wnd, WM_NCACTIVATE, Active ? 1 : 0, 0);
  if (LiveWnd(Wnd))
    SendMessage(Wnd, WM_ACTIVATE, Active ? WA_ACTIVE : WA_INACTIVE, reinterpret_cast<LPARAM>(Other));
}

void SendActivateApp(bool Active) {
  const std::vector<HWND> tops = WM().TopLevels;
  for (HWND h : tops)
    if (LiveWnd(h))
      SendMessage(h, WM_ACTIVATEAPP, Active ? 1 : 0, 0);
}

} // namespace

bool TranslateInput(const TInputEvent& Event, MSG& Out) {
  switch (Event.Kind) {
  case TInputKind::MouseMove:
  case TInputKind::MouseDown:
  case TInputKind::MouseUp:
    return TranslateMouse(Event, Out);
  default:
    return TranslateKey(Event, Out);
  }
}

SHORT GetKeyState(int VirtKey) {
  auto& keys = WM().KeysDown;
  auto it = keys.find(VirtKey);
  return it != keys.end() && it->second ? static_cast<SHORT>(0x8000) : 0;
}

HWND SetCapture(HWND Wnd) {
  TWindowManager& wm = WM();
  if (!LiveWnd(Wnd))
    return nullptr;
  const HWND old = wm.Capture;
  wm.Capture = Wnd;
  if (old != Wnd && LiveWnd(old))
    SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(Wnd));
  return old;
}

BOOL ReleaseCapture() {
  TWindowManager& wm = WM();
  const HWND old = wm.Capture;
  wm.Capture = nullptr;
  if (LiveWnd(old))
    SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return 1;
}

HWND GetCapture() { return LiveWnd(WM().Capture) ? WM().Capture : nullptr; }

BOOL GrabInput(HWND Wnd) {
  TWindowManager& wm = WM();
  TWnd* w = LiveWnd(Wnd);
  if (!w || !w->IsTopLevel() || !w->Host)
    return 0;
  if (wm.Grab && wm.Grab != Wnd)
    ReleaseInputGrab();
  wm.Grab = Wnd;
  return w->Host->GrabInput(true) ? 1 : 0;
}

void ReleaseInputGrab() {
  TWindowManager& wm = WM();
  const HWND old = wm.Grab;
  wm.Grab = nullptr;
  if (TWnd* w = FindWnd(old); w && w->Host)
    w->Host->GrabInput(false);
}

HWND GetInputGrab() { return LiveWnd(WM().Grab) ? WM().Grab : nullptr; }

HWND SetFocus(HWND Wnd) {
  TWindowManager& wm = WM();
  TWnd* w = nullptr;
  if (Wnd) {
    w = LiveWnd(Wnd);
    if (!w || w->IsMessageOnly())
      return nullptr;
    TWnd* top = TopLevelOf(*w);
    if (top && wm.Active != top->Handle && !(top->ExStyle & WS_EX_NOACTIVATE)) {
      SetActiveWindow(top->Handle);
      if (!LiveWnd(Wnd))
        return nullptr;
    }
  }
  const HWND old = LiveWnd(wm.Focus) ? wm.Focus : nullptr;
  if (old == Wnd)
    return old;
  wm.Focus = Wnd;
  if (old)
    SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(Wnd), 0);
  if (Wnd && wm.Focus == Wnd && LiveWnd(Wnd))
    SendMessage(Wnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() { return LiveWnd(WM().Focus) ? WM().Focus : nullptr; }

HWND SetActiveWindow(HWND Wnd) {
  TWindowManager& wm = WM();
  TWnd* w = LiveWnd(Wnd);
  if (Wnd && (!w || !w->IsTopLevel() || (w->ExStyle & WS_EX_NOACTIVATE)))
    return nullptr;
  const HWND old = LiveWnd(wm.Active) ? wm.Active : nullptr;
  if (Wnd)
    RaiseTopLevel(Wnd);
  if (old == Wnd && wm.AppActive)
    return old;
  wm.Active = Wnd;
  if (old && old != Wnd)
    SendActivation(old, false, Wnd);
  if (!Wnd) {
    SetFocus(nullptr);
    return old;
  }
  if (!wm.AppActive) {
    wm.AppActive = true;
    SendActivateApp(true);
  }
  if (wm.Active == Wnd)
    SendActivation(Wnd, true, old);
  return old;
}

HWND GetActiveWindow() { return LiveWnd(WM().Active) ? WM().Active : nullptr; }

BOOL SetForegroundWindow(HWND Wnd) {
  if (!SetActiveWindow(Wnd) && GetActiveWindow() != Wnd)
    return 0;
  // Active among the program's own windows, and now in front of the other programs' too.
  if (TWnd* w = LiveWnd(Wnd); w && w->Host && IsShowing(*w))
    w->Host->BringToFront();
  return 1;
}

void HostFrontRequested() {
  // The topmost window that can take the focus: a message box before the form it belongs to.
  HWND target = nullptr;
  for (HWND h : WM().TopLevels)
    if (TWnd* w = LiveWnd(h); w && w->Visible() && w->Enabled() && !(w->ExStyle & WS_EX_NOACTIVATE)) {
      target = h;
      break;
    }
  if (!target)
    return;
  if (IsIconic(target))
    ShowWindow(target, SW_RESTORE);
  if (LiveWnd(target))
    SetForegroundWindow(target);
}

void HostActivated(HWND Wnd) {
  if (LiveWnd(Wnd))
    SetActiveWindow(Wnd);
}

void HostAppDeactivated() {
  TWindowManager& wm = WM();
  if (!wm.AppActive)
    return;
  const HWND old = LiveWnd(wm.Active) ? wm.Active : nullptr;
  wm.Active = nullptr;
  wm.AppActive = false;
  if (old)
    SendActivation(old, false, nullptr);
  SendActivateApp(false);
  SetFocus(nullptr);
}

void ActivateNextTopLevel(HWND Leaving) {
  TWindowManager& wm = WM();
  for (HWND h : wm.TopLevels) {
    TWnd* w = LiveWnd(h);
    if (h != Leaving && w && IsShowing(*w) && !(w->ExStyle & WS_EX_NOACTIVATE)) {
      SetActiveWindow(h);
      return;
    }
  }
  // No window takes over: the one leaving still hears that it is no longer active, as it would
  // from the one that took over, so that it gives its focus back when it is active again.
  const bool wasActive = wm.Active == Leaving;
  wm.Active = nullptr;
  if (wasActive)
    SendActivation(Leaving, false, nullptr);
  SetFocus(nullptr);
}

// A window that goes away, hides or is disabled drops the focus, capture and hover it held, without
// messages to it (it can no longer take them).
void ForgetWindowInput(HWND Wnd) {
  TWindowManager& wm = WM();
  auto within = [Wnd](HWND h) {
    for (TWnd* w = FindWnd(h); w; w = w->IsTopLevel() || w->IsMessageOnly() ? nullptr : FindWnd(w->Parent))
      if (w->Handle == Wnd)
        return true;
    return false;
  };
  if (wm.Capture && within(wm.Capture))
    wm.Capture = nullptr;
  if (wm.Hover && within(wm.Hover))
    wm.Hover = nullptr;
  if (wm.Focus && within(wm.Focus))
    wm.Focus = nullptr;
  if (wm.LastClick.Window && within(wm.LastClick.Window))
    wm.LastClick = {};
  if (wm.Grab == Wnd) {
    if (TWnd* w = FindWnd(Wnd); w && w->Host)
      w->Host->GrabInput(false);
    wm.Grab = nullptr;
  }
}

BOOL GetCursorPos(TPoint* P) {
  if (!P || !HasDesktopBackend())
    return 0;
  *P = UnitCursorPos();
  return 1;
}

HCURSOR LoadCursor(HINSTANCE, int CursorName) {
  switch (CursorName) {
  case IDC_ARROW:
  case IDC_IBEAM:
  case IDC_WAIT:
  case IDC_CROSS:
  case IDC_UPARROW:
  case IDC_SIZENWSE:
  case IDC_SIZENESW:
  case IDC_SIZEWE:
  case IDC_SIZENS:
  case IDC_SIZEALL:
  case IDC_NO:
  case IDC_HAND:
    return reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(CursorName));
  default:
    return nullptr;
  }
}

HCURSOR SetCursor(HCURSOR Cursor) {
  TWindowManager& wm = WM();
  const HCURSOR old = wm.Cursor;
  wm.Cursor = Cursor;
  if (Cursor != old && HasDesktopBackend())
    CurrentDesktopBackend().SetCursorShape(static_cast<int>(reinterpret_cast<std::uintptr_t>(Cursor)));
  return old;
}

HCURSOR GetCursor() { return WM().Cursor; }
