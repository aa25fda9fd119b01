#include "platform/backends/win32/Win32Native.h"

#include "platform/graphics/GdiFace.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <windowsx.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

const wchar_t* const kWindowClass = L"BrivoWindow";
const wchar_t* const kHiddenClass = L"BrivoDesktop";

// What a later start posts to the hidden window of the desktop that holds the instance claim.
UINT FrontRequestMessage() {
  static const UINT message = RegisterWindowMessageW(L"BrivoFrontRequest");
  return message;
}

// What the native windows told, kept until the wait hands it to the layer: the system sends many of
// its messages while the layer itself is inside a call to a window (showing, moving, destroying it),
// and the layer hears of them only from its wait, as from every other backend.
struct TEvent {
  enum TType { Mouse, Wheel, Key, Char, Bounds, Dpi, Minimized, MoveSizeEnded, Close, Activated, Deactivated };
  explicit TEvent(TType T, std::uintptr_t W = 0) : Type(T), Tag(W) {}
  TType Type;
  std::uintptr_t Tag = 0;
  TNativeMouse What = TNativeMouse::Move;
  int A = 0, B = 0, C = 0, D = 0;
  unsigned U = 0;
  char32_t Ch = 0;
  bool WithRect = false; // A..D hold a rectangle
};

int ButtonOf(UINT Msg) {
  switch (Msg) {
  case WM_RBUTTONDOWN:
  case WM_RBUTTONUP:
    return 1;
  case WM_MBUTTONDOWN:
  case WM_MBUTTONUP:
    return 2;
  default:
    return 0;
  }
}

TNativeRect FromRect(const RECT& R) { return {R.left, R.top, R.right, R.bottom}; }

// A call of a system library looked up by name (nullptr where the system lacks it). Through the
// generic function type, which every function pointer converts to and back.
template <class F>
F LookUp(HMODULE Library, const char* Name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(Library, Name)));
}

// The calls that tell one window's or monitor's density, which older systems lack (they have one
// density for the whole desktop): looked up once, nullptr where missing.
struct TDpiCalls {
  UINT(WINAPI* ForWindow)(HWND) = nullptr;
  HRESULT(WINAPI* ForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;
  BOOL(WINAPI* ParametersForDpi)(UINT, UINT, void*, UINT, UINT) = nullptr;

  TDpiCalls() {
    if (HMODULE user = GetModuleHandleW(L"user32.dll")) {
      ForWindow = LookUp<decltype(ForWindow)>(user, "GetDpiForWindow");
      ParametersForDpi = LookUp<decltype(ParametersForDpi)>(user, "SystemParametersInfoForDpi");
    }
    // The library stays loaded for the process: the call is kept.
    if (HMODULE shell = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
      ForMonitor = LookUp<decltype(ForMonitor)>(shell, "GetDpiForMonitor");
  }
};

const TDpiCalls& DpiCalls() {
  static const TDpiCalls calls;
  return calls;
}

// The one density of a desktop that has no other (the screen's logical dots per inch).
int SystemDpi() {
  int dpi = 0;
  if (HDC screen = GetDC(nullptr)) {
    dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? dpi : kNativeBaseDpi;
}

int MonitorDpi(HMONITOR Monitor) {
  UINT x = 0, y = 0;
  // MDT_EFFECTIVE_DPI (0): the density the user chose for the monitor, which windows follow.
  if (DpiCalls().ForMonitor && SUCCEEDED(DpiCalls().ForMonitor(Monitor, 0, &x, &y)) && x > 0)
    return static_cast<int>(x);
  return SystemDpi();
}

int WindowDpi(HWND Wnd) {
  if (DpiCalls().ForWindow)
    if (const UINT dpi = DpiCalls().ForWindow(Wnd); dpi > 0)
      return static_cast<int>(dpi);
  return SystemDpi();
}

// Shows Rect of a top-down 32-bit frame Width pixels wide.
void Blit(HDC Dc, const std::uint32_t* Pixels, int Width, const TNativeRect& R) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = Width;
  bmi.bmiHeader.biHeight = -R.Height(); // the rows from R.Top down, as one top-down bitmap
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(Dc, R.Left, R.Top, static_cast<DWORD>(R.Width()), static_cast<DWORD>(R.Height()), R.Left, 0, 0,
                    static_cast<UINT>(R.Height()), Pixels + static_cast<std::ptrdiff_t>(R.Top) * Width, &bmi,
                    DIB_RGB_COLORS);
}

HICON MakeIcon(const TNativeImage& Image) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = Image.Width;
  bmi.bmiHeader.biHeight = -Image.Height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!color)
    return nullptr;
  std::memcpy(bits, Image.Pixels, static_cast<std::size_t>(Image.Width) * static_cast<std::size_t>(Image.Height) * 4);
  // With a colour bitmap that has opacity the mask is not used for drawing, but it must be there:
  // all clear (rows of whole 16-bit words).
  const std::size_t stride = static_cast<std::size_t>((Image.Width + 15) / 16) * 2;
  std::vector<unsigned char> zeros(stride * static_cast<std::size_t>(Image.Height), 0);
  HBITMAP mask = CreateBitmap(Image.Width, Image.Height, 1, 1, zeros.data());
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = mask;
  info.hbmColor = color;
  HICON icon = mask ? CreateIconIndirect(&info) : nullptr;
  DeleteObject(color);
  if (mask)
    DeleteObject(mask);
  return icon;
}

// The image whose side is nearest Side (the larger one of two as near).
const TNativeImage* Nearest(const std::vector<TNativeImage>& Images, int Side) {
  const TNativeImage* best = nullptr;
  for (const TNativeImage& i : Images) {
    if (i.Width <= 0 || i.Height <= 0 || !i.Pixels)
      continue;
    if (!best || std::abs(i.Width - Side) < std::abs(best->Width - Side) ||
        (std::abs(i.Width - Side) == std::abs(best->Width - Side) && i.Width > best->Width))
      best = &i;
  }
  return best;
}

std::string ShellExecuteFailure(INT_PTR Code) {
  switch (Code) {
  case 0:
  case SE_ERR_OOM:
    return "the system ran out of memory";
  case SE_ERR_FNF:
    return "nothing is at that address (file not found)";
  case SE_ERR_PNF:
    return "nothing is at that address (path not found)";
  case SE_ERR_ACCESSDENIED:
    return "access to it was denied";
  case SE_ERR_SHARE:
    return "it is in use by another program";
  case SE_ERR_ASSOCINCOMPLETE:
  case SE_ERR_NOASSOC:
    return "no program is set to open that kind of address";
  case SE_ERR_DDETIMEOUT:
  case SE_ERR_DDEFAIL:
  case SE_ERR_DDEBUSY:
    return "the program that opens it did not answer";
  case SE_ERR_DLLNOTFOUND:
    return "a library the opening program needs is missing";
  default:
    return "the system could not open it (code " + std::to_string(Code) + ")";
  }
}

LRESULT CALLBACK WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
LRESULT CALLBACK HiddenProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

} // namespace

struct TNativeWindow::TState {
  TNativeDesktop::TState& Desktop;
  HWND Wnd = nullptr;
  std::uintptr_t Tag = 0;
  TNativeKind Kind = TNativeKind::Normal;
  // Where the window is as far as the layer knows: our own requests are no news to it.
  TNativeRect Bounds;
  int ShowState = SW_HIDE;
  bool Minimized = false;
  // The last frame, for repainting what the system uncovers.
  std::vector<std::uint32_t> Kept;
  int KeptWidth = 0;
  int KeptHeight = 0;
  HICON BigIcon = nullptr;
  HICON SmallIcon = nullptr;

  TState(TNativeDesktop::TState& D) : Desktop(D) {}
  LRESULT Handle(UINT Msg, WPARAM WParam, LPARAM LParam);
  void PaintKept(HDC Dc, const TNativeRect& Area) const;
};

struct TNativeDesktop::TState {
  TNativeSink& Sink;
  HINSTANCE Instance = nullptr;
  HWND Hidden = nullptr;
  bool SessionNotices = false;
  // The instance claim held, and a request for the front not yet handed on.
  HANDLE InstanceMutex = nullptr;
  bool FrontRequested = false;
  std::vector<TNativeWindow::TState*> Windows;
  std::vector<TEvent> Pending;
  bool DisplaysChanged = false;
  int CursorId = 32512; // IDC_ARROW
  long long FirstPresent = -1;
  TUtf16Decoder Chars;
  // Buttons held (bit 0 left, 1 right, 2 middle) and the window that took the first press.
  unsigned Buttons = 0;
  HWND ButtonWindow = nullptr;
  HWND Grab = nullptr;
  HWND LayerCapture = nullptr;
  HWND Tracking = nullptr;
  // Where on the screen the left button went down last.
  POINT Press{};
  int MoveSizeLoops = 0;

  explicit TState(TNativeSink& S) : Sink(S) {}
  TNativeWindow::TState* Find(HWND W) const {
    for (TNativeWindow::TState* w : Windows)
      if (w->Wnd == W)
        return w;
    return nullptr;
  }
  void Post(const TEvent& E) { Pending.push_back(E); }
  // Hands what was kept to the layer; true when there was something.
  bool Deliver();
  // The capture the pointer needs now: an open menu's grab, a held button, the layer's capture.
  void FollowCapture();
  // The window of ours under a screen point (honouring window shapes), or Fallback.
  TNativeWindow::TState* Under(POINT Screen, TNativeWindow::TState* Fallback) const;
  void ReportMouse(TNativeWindow::TState& W, TNativeMouse What, int Button, POINT Client);
  long long Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
};

namespace {

LRESULT CALLBACK WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(LParam);
    auto* state = static_cast<TNativeWindow::TState*>(create->lpCreateParams);
    state->Wnd = Wnd;
    SetWindowLongPtrW(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  }
  auto* state = reinterpret_cast<TNativeWindow::TState*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
  if (!state)
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
  if (Msg == WM_NCDESTROY) {
    SetWindowLongPtrW(Wnd, GWLP_USERDATA, 0);
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
  }
  return state->Handle(Msg, WParam, LParam);
}

// Notices of a display change, a resume or an unlock: any of them may have reset the gamma. The
// layer hears of a burst once, after the messages of the round are handled.
bool DisplayNotice(TNativeDesktop::TState& D, UINT Msg, WPARAM WParam, LRESULT& Result) {
  switch (Msg) {
  case WM_DISPLAYCHANGE:
    D.DisplaysChanged = true;
    Result = 0;
    return true;
  case WM_POWERBROADCAST:
    if (WParam == PBT_APMRESUMEAUTOMATIC || WParam == PBT_APMRESUMESUSPEND)
      D.DisplaysChanged = true;
    Result = TRUE;
    return true;
  case WM_WTSSESSION_CHANGE:
    if (WParam == WTS_SESSION_UNLOCK)
      D.DisplaysChanged = true;
    Result = 0;
    return true;
  default:
    return false;
  }
}

LRESULT CALLBACK HiddenProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_NCCREATE)
    SetWindowLongPtrW(Wnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams));
  auto* desktop = reinterpret_cast<TNativeDesktop::TState*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
  LRESULT result = 0;
  if (desktop && DisplayNotice(*desktop, Msg, WParam, result))
    return result;
  if (desktop && Msg == FrontRequestMessage() && Msg != 0) {
    // Only the holder answers: a desktop that lost the race for the claim takes no requests.
    if (desktop->InstanceMutex)
      desktop->FrontRequested = true;
    return 0;
  }
  if (Msg == WM_CLOSE)
    return 0; // only the desktop ends its window
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

} // namespace

bool TNativeDesktop::TState::Deliver() {
  bool any = false;
  if (DisplaysChanged) {
    DisplaysChanged = false;
    Sink.DisplayChanged();
    any = true;
  }
  if (FrontRequested) {
    FrontRequested = false;
    Sink.FrontRequested();
    any = true;
  }
  if (Pending.empty())
    return any;
  std::vector<TEvent> events;
  events.swap(Pending);
  for (const TEvent& e : events) {
    switch (e.Type) {
    case TEvent::Mouse:
      Sink.Mouse(e.Tag, e.What, e.A, e.B, e.C);
      break;
    case TEvent::Wheel:
      Sink.Wheel(e.Tag, e.A, e.U, e.B, e.C);
      break;
    case TEvent::Key:
      Sink.Key(e.A != 0, e.U);
      break;
    case TEvent::Char:
      Sink.Char(e.Ch);
      break;
    case TEvent::Bounds:
      Sink.BoundsChanged(e.Tag, {e.A, e.B, e.C, e.D});
      break;
    case TEvent::Dpi: {
      const TNativeRect suggested{e.A, e.B, e.C, e.D};
      Sink.DpiChanged(e.Tag, static_cast<int>(e.U), e.WithRect ? &suggested : nullptr);
      break;
    }
    case TEvent::Minimized:
      Sink.Minimized(e.Tag, e.A != 0);
      break;
    case TEvent::MoveSizeEnded:
      Sink.MoveSizeEnded(e.Tag);
      break;
    case TEvent::Close:
      Sink.CloseRequested(e.Tag);
      break;
    case TEvent::Activated:
      Sink.Activated(e.Tag);
      break;
    case TEvent::Deactivated:
      Sink.AppDeactivated();
      break;
    }
  }
  return true;
}

void TNativeDesktop::TState::FollowCapture() {
  if (MoveSizeLoops > 0)
    return; // the system's loop holds the pointer
  HWND want = Grab ? Grab : Buttons ? ButtonWindow : LayerCapture;
  const HWND now = GetCapture();
  if (want && now != want)
    SetCapture(want);
  else if (!want && now && Find(now))
    ReleaseCapture();
}

TNativeWindow::TState* TNativeDesktop::TState::Under(POINT Screen, TNativeWindow::TState* Fallback) const {
  if (HWND under = WindowFromPoint(Screen))
    if (TNativeWindow::TState* w = Find(GetAncestor(under, GA_ROOT)))
      return w;
  return Fallback;
}

void TNativeDesktop::TState::ReportMouse(TNativeWindow::TState& W, TNativeMouse What, int Button, POINT Client) {
  POINT screen = Client;
  ClientToScreen(W.Wnd, &screen);
  TNativeWindow::TState* target = Under(screen, &W);
  RECT r{};
  GetWindowRect(target->Wnd, &r);
  TEvent e(TEvent::Mouse, target->Tag);
  e.What = What;
  e.A = Button;
  e.B = screen.x - r.left;
  e.C = screen.y - r.top;
  Post(e);
}

void TNativeWindow::TState::PaintKept(HDC Dc, const TNativeRect& Area) const {
  const TNativeRect r{std::max(Area.Left, 0), std::max(Area.Top, 0), std::min(Area.Right, KeptWidth),
                      std::min(Area.Bottom, KeptHeight)};
  if (r.Width() > 0 && r.Height() > 0)
    Blit(Dc, Kept.data(), KeptWidth, r);
}

LRESULT TNativeWindow::TState::Handle(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TNativeDesktop::TState& d = Desktop;
  LRESULT result = 0;
  if (DisplayNotice(d, Msg, WParam, result))
    return result;
  switch (Msg) {
  case WM_MOUSEMOVE: {
    if (d.Tracking != Wnd) {
      TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Wnd, 0};
      if (TrackMouseEvent(&track))
        d.Tracking = Wnd;
    }
    d.ReportMouse(*this, TNativeMouse::Move, 0, {GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)});
    return 0;
  }
  case WM_MOUSELEAVE: {
    d.Tracking = nullptr;
    // The pointer left for a window not ours: a move outside our bounds tells the layer.
    POINT p{};
    if (d.Buttons == 0 && GetCursorPos(&p) && !d.Find(GetAncestor(WindowFromPoint(p), GA_ROOT))) {
      RECT r{};
      GetWindowRect(Wnd, &r);
      TEvent e(TEvent::Mouse, Tag);
      e.B = p.x - r.left;
      e.C = p.y - r.top;
      d.Post(e);
    }
    return 0;
  }
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN: {
    const int button = ButtonOf(Msg);
    if (d.Buttons == 0)
      d.ButtonWindow = Wnd;
    if (button == 0) {
      d.Press = {GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
      ClientToScreen(Wnd, &d.Press);
    }
    d.Buttons |= 1u << button;
    d.FollowCapture();
    d.ReportMouse(*this, TNativeMouse::Down, button, {GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)});
    return 0;
  }
  case WM_LBUTTONUP:
  case WM_RBUTTONUP:
  case WM_MBUTTONUP: {
    const int button = ButtonOf(Msg);
    d.Buttons &= ~(1u << button);
    if (d.Buttons == 0)
      d.ButtonWindow = nullptr;
    d.ReportMouse(*this, TNativeMouse::Up, button, {GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)});
    d.FollowCapture();
    return 0;
  }
  case WM_MOUSEWHEEL: {
    const POINT screen{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
    TEvent e(TEvent::Wheel, d.Under(screen, this)->Tag);
    e.A = GET_WHEEL_DELTA_WPARAM(WParam);
    e.U = GET_KEYSTATE_WPARAM(WParam);
    e.B = screen.x;
    e.C = screen.y;
    d.Post(e);
    return 0;
  }
  case WM_CAPTURECHANGED:
    if (reinterpret_cast<HWND>(LParam) != nullptr && !d.Find(reinterpret_cast<HWND>(LParam))) {
      // Another program took the pointer: the buttons it sees go up there.
      d.Buttons = 0;
      d.ButtonWindow = nullptr;
    }
    return 0;
  case WM_SETCURSOR:
    if (LOWORD(LParam) == HTCLIENT) {
      SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(d.CursorId)));
      return TRUE;
    }
    break;
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
  case WM_KEYUP:
  case WM_SYSKEYUP: {
    // Characters typed through SendInput come as VK_PACKET keys: the character is what counts.
    if (WParam == VK_PACKET)
      return 0;
    TEvent e(TEvent::Key);
    e.A = Msg == WM_KEYDOWN || Msg == WM_SYSKEYDOWN;
    e.U = static_cast<unsigned>(WParam);
    d.Post(e);
    // Not to DefWindowProc: Alt and F10 would open a system menu the layer draws itself.
    return 0;
  }
  case WM_CHAR:
  case WM_SYSCHAR: {
    char32_t stray = 0;
    const char32_t c = d.Chars.Feed(static_cast<char16_t>(WParam), stray);
    for (char32_t ch : {stray, c})
      if (ch) {
        TEvent e(TEvent::Char);
        e.Ch = ch;
        d.Post(e);
      }
    return 0;
  }
  case WM_DEADCHAR:
  case WM_SYSDEADCHAR:
    return 0;
  case WM_MOUSEACTIVATE:
    if (Kind == TNativeKind::Menu)
      return MA_NOACTIVATE;
    break;
  case WM_ACTIVATE:
    if (LOWORD(WParam) != WA_INACTIVE && HIWORD(WParam) == 0 && Kind != TNativeKind::Menu)
      d.Post(TEvent(TEvent::Activated, Tag));
    break;
  case WM_ACTIVATEAPP:
    if (!WParam)
      d.Post(TEvent(TEvent::Deactivated));
    break;
  case WM_GETMINMAXINFO: {
    const TNativeMinMax m = d.Sink.MinMax(Tag);
    auto* info = reinterpret_cast<MINMAXINFO*>(LParam);
    info->ptMinTrackSize = {m.MinTrackWidth, m.MinTrackHeight};
    info->ptMaxTrackSize = {m.MaxTrackWidth, m.MaxTrackHeight};
    info->ptMaxSize = {m.MaxWidth, m.MaxHeight};
    info->ptMaxPosition = {m.MaxLeft, m.MaxTop};
    return 0;
  }
  case WM_WINDOWPOSCHANGED: {
    const bool iconic = IsIconic(Wnd) != FALSE;
    if (iconic != Minimized) {
      Minimized = iconic;
      ShowState = iconic ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
      TEvent e(TEvent::Minimized, Tag);
      e.A = iconic;
      d.Post(e);
    }
    if (iconic)
      return 0; // an icon's place is none of the layer's business
    RECT r{};
    GetWindowRect(Wnd, &r);
    const TNativeRect now = FromRect(r);
    if (now != Bounds) {
      Bounds = now;
      TEvent e(TEvent::Bounds, Tag);
      e.A = now.Left;
      e.B = now.Top;
      e.C = now.Right;
      e.D = now.Bottom;
      d.Post(e);
    }
    return 0;
  }
  case WM_GETDPISCALEDSIZE: {
    // The system would scale the size in pixels, which at a fractional density can be a pixel off
    // the size the layer gives the window's units there.
    auto* size = reinterpret_cast<SIZE*>(LParam);
    int width = 0, height = 0;
    if (!d.Sink.SizeAtDpi(Tag, LOWORD(WParam), width, height))
      return FALSE;
    size->cx = width;
    size->cy = height;
    return TRUE;
  }
  case WM_DPICHANGED: {
    // Moved onto a monitor of another density. The window takes the system's rectangle for it
    // there at once (a move loop in progress goes on with it); the layer hears of the rectangle
    // with the density, and not again as a move of its own.
    const RECT suggested = *reinterpret_cast<const RECT*>(LParam);
    Bounds = FromRect(suggested);
    TEvent e(TEvent::Dpi, Tag);
    e.U = LOWORD(WParam);
    e.A = suggested.left;
    e.B = suggested.top;
    e.C = suggested.right;
    e.D = suggested.bottom;
    e.WithRect = true;
    d.Post(e);
    SetWindowPos(Wnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    return 0;
  }
  case WM_ENTERSIZEMOVE:
    ++d.MoveSizeLoops;
    return 0;
  case WM_EXITSIZEMOVE:
    if (d.MoveSizeLoops > 0)
      --d.MoveSizeLoops;
    d.Post(TEvent(TEvent::MoveSizeEnded, Tag));
    return 0;
  case WM_CLOSE:
    d.Post(TEvent(TEvent::Close, Tag));
    return 0;
  case WM_ERASEBKGND:
    return 1;
  case WM_PAINT: {
    PAINTSTRUCT ps;
    if (HDC dc = BeginPaint(Wnd, &ps)) {
      PaintKept(dc, FromRect(ps.rcPaint));
      EndPaint(Wnd, &ps);
    }
    return 0;
  }
  default:
    break;
  }
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

// --- TNativeWindow ---

TNativeWindow::TNativeWindow(std::unique_ptr<TState> State) : F(std::move(State)) {}

TNativeWindow::~TNativeWindow() {
  TNativeDesktop::TState& d = F->Desktop;
  std::erase(d.Windows, F.get());
  std::erase_if(d.Pending, [this](const TEvent& E) { return E.Tag == F->Tag && E.Tag != 0; });
  if (F->Wnd == d.ButtonWindow)
    d.Buttons = 0;
  for (HWND* h : {&d.Grab, &d.ButtonWindow, &d.LayerCapture, &d.Tracking})
    if (*h == F->Wnd)
      *h = nullptr;
  // What the system sends a window on its way out is no news for the layer, which let it go.
  SetWindowLongPtrW(F->Wnd, GWLP_USERDATA, 0);
  DestroyWindow(F->Wnd);
  if (F->BigIcon)
    DestroyIcon(F->BigIcon);
  if (F->SmallIcon)
    DestroyIcon(F->SmallIcon);
}

void* TNativeWindow::Handle() const { return F->Wnd; }
std::uintptr_t TNativeWindow::Tag() const { return F->Tag; }
TNativeRect TNativeWindow::Bounds() const { return F->Bounds; }

void TNativeWindow::SetBounds(const TNativeRect& Screen) {
  if (Screen == F->Bounds)
    return;
  F->Bounds = Screen;
  if (IsIconic(F->Wnd)) {
    // Where the window comes back to.
    WINDOWPLACEMENT place{};
    place.length = sizeof(place);
    GetWindowPlacement(F->Wnd, &place);
    place.rcNormalPosition = {Screen.Left, Screen.Top, Screen.Right, Screen.Bottom};
    SetWindowPlacement(F->Wnd, &place);
    return;
  }
  SetWindowPos(F->Wnd, nullptr, Screen.Left, Screen.Top, Screen.Width(), Screen.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void TNativeWindow::SetShowState(int ShowCmd) {
  if (ShowCmd == F->ShowState)
    return;
  F->ShowState = ShowCmd;
  HWND w = F->Wnd;
  switch (ShowCmd) {
  case SW_HIDE:
    ShowWindow(w, SW_HIDE);
    break;
  case SW_SHOWMINIMIZED:
    F->Minimized = true;
    ShowWindow(w, SW_SHOWMINIMIZED);
    break;
  case SW_SHOWMAXIMIZED:
    F->Minimized = false;
    ShowWindow(w, SW_SHOWMAXIMIZED);
    break;
  default:
    F->Minimized = false;
    if (F->Kind == TNativeKind::Menu) {
      ShowWindow(w, SW_SHOWNOACTIVATE);
      SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
      ShowWindow(w, IsIconic(w) || IsZoomed(w) ? SW_RESTORE : SW_SHOWNORMAL);
    }
    break;
  }
}

void TNativeWindow::SetShape(const std::vector<TNativeRect>* Rects) {
  if (!Rects) {
    SetWindowRgn(F->Wnd, nullptr, TRUE);
    return;
  }
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (!region)
    return;
  for (const TNativeRect& r : *Rects) {
    HRGN part = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
    if (!part)
      continue;
    CombineRgn(region, region, part, RGN_OR);
    DeleteObject(part);
  }
  // The system owns the region once it took it; only a refused one is still ours to free.
  if (!SetWindowRgn(F->Wnd, region, TRUE))
    DeleteObject(region);
}

void TNativeWindow::SetTitle(const std::string& Utf8) { SetWindowTextW(F->Wnd, WideFromUtf8(Utf8).c_str()); }

void TNativeWindow::SetIcon(const std::vector<TNativeImage>& Images) {
  const TNativeImage* big = Nearest(Images, GetSystemMetrics(SM_CXICON));
  const TNativeImage* small = Nearest(Images, GetSystemMetrics(SM_CXSMICON));
  HICON bigIcon = big ? MakeIcon(*big) : nullptr;
  HICON smallIcon = small ? MakeIcon(*small) : nullptr;
  SendMessageW(F->Wnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
  SendMessageW(F->Wnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
  // The window no longer shows the old ones.
  if (F->BigIcon)
    DestroyIcon(F->BigIcon);
  if (F->SmallIcon)
    DestroyIcon(F->SmallIcon);
  F->BigIcon = bigIcon;
  F->SmallIcon = smallIcon;
}

void TNativeWindow::Present(const std::uint32_t* Pixels, int Width, int Height, const std::vector<TNativeRect>& Rects) {
  if (Width <= 0 || Height <= 0 || !Pixels)
    return;
  TState& f = *F;
  if (f.KeptWidth != Width || f.KeptHeight != Height) {
    // A new size: what the old frame had where both meet stays until the layer sends it anew.
    std::vector<std::uint32_t> kept(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), 0);
    for (int y = 0; y < std::min(Height, f.KeptHeight); ++y)
      std::copy_n(f.Kept.data() + static_cast<std::ptrdiff_t>(y) * f.KeptWidth, std::min(Width, f.KeptWidth),
                  kept.data() + static_cast<std::ptrdiff_t>(y) * Width);
    f.Kept.swap(kept);
    f.KeptWidth = Width;
    f.KeptHeight = Height;
  }
  std::vector<TNativeRect> shown;
  for (const TNativeRect& in : Rects) {
    const TNativeRect r{std::max(in.Left, 0), std::max(in.Top, 0), std::min(in.Right, Width),
                        std::min(in.Bottom, Height)};
    if (r.Width() <= 0 || r.Height() <= 0)
      continue;
    for (int y = r.Top; y < r.Bottom; ++y)
      std::copy_n(Pixels + static_cast<std::ptrdiff_t>(y) * Width + r.Left, r.Width(),
                  f.Kept.data() + static_cast<std::ptrdiff_t>(y) * Width + r.Left);
    shown.push_back(r);
  }
  if (shown.empty())
    return;
  if (HDC dc = GetDC(f.Wnd)) {
    for (const TNativeRect& r : shown)
      f.PaintKept(dc, r);
    ReleaseDC(f.Wnd, dc);
  }
  if (f.Desktop.FirstPresent < 0)
    f.Desktop.FirstPresent = f.Desktop.Now();
}

void TNativeWindow::BeginMoveSize(int HitCode) {
  TNativeDesktop::TState& d = F->Desktop;
  const unsigned command = MoveSizeCommandOf(HitCode);
  // The button may already be up (a quick click): then there is nothing to follow, and the
  // system's loop would wait for the next press.
  if (command == 0 || GetKeyState(VK_LBUTTON) >= 0) {
    d.Post(TEvent(TEvent::MoveSizeEnded, F->Tag));
    return;
  }
  POINT p{};
  GetCursorPos(&p);
  // The system's loop follows the pointer from where it is when the loop starts; a pointer that
  // moved on since the press (the program was busy) is caught up with first, so the window stays
  // where it was grabbed under the pointer.
  if (HitCode == 2 /* HTCAPTION */ && (p.x != d.Press.x || p.y != d.Press.y)) {
    RECT r{};
    GetWindowRect(F->Wnd, &r);
    SetWindowPos(F->Wnd, nullptr, r.left + p.x - d.Press.x, r.top + p.y - d.Press.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ReleaseCapture();
  // The loop takes the release: no window hears of it, but the button is up.
  d.Buttons = 0;
  d.ButtonWindow = nullptr;
  SendMessageW(F->Wnd, WM_SYSCOMMAND, command, MAKELPARAM(p.x, p.y));
  TEvent up(TEvent::Mouse);
  up.What = TNativeMouse::Up;
  d.Post(up);
}

void TNativeWindow::BringToFront() {
  if (IsIconic(F->Wnd))
    ShowWindow(F->Wnd, SW_RESTORE);
  SetForegroundWindow(F->Wnd);
}

bool TNativeWindow::GrabInput(bool Grab) {
  TNativeDesktop::TState& d = F->Desktop;
  if (!Grab) {
    if (d.Grab == F->Wnd) {
      d.Grab = nullptr;
      d.FollowCapture();
    }
    return true;
  }
  d.Grab = F->Wnd;
  d.FollowCapture();
  return GetCapture() == F->Wnd;
}

// --- TNativeDesktop ---

TNativeDesktop::TNativeDesktop(std::unique_ptr<TState> State) : F(std::move(State)) {}

std::unique_ptr<TNativeDesktop> TNativeDesktop::Open(TNativeSink& Sink, std::string& Why) {
  auto state = std::make_unique<TState>(Sink);
  state->Instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = state->Instance;
  cls.hIcon = LoadIconW(state->Instance, L"MAINICON");
  cls.lpszClassName = kWindowClass;
  // A second desktop of the same process finds the classes there already.
  if (!RegisterClassExW(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    Why = "the system refused the window class (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  cls.lpfnWndProc = HiddenProc;
  cls.hIcon = nullptr;
  cls.lpszClassName = kHiddenClass;
  if (!RegisterClassExW(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    Why = "the system refused the window class (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  // A top-level window that is never shown: display notices go to top-level windows only, and
  // whether it can be made says whether this session has a desktop at all.
  state->Hidden = CreateWindowExW(WS_EX_TOOLWINDOW, kHiddenClass, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  state->Instance, state.get());
  if (!state->Hidden) {
    Why = "the system gives this program no windows (CreateWindowExW failed with error " +
          std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  state->SessionNotices = WTSRegisterSessionNotification(state->Hidden, NOTIFY_FOR_THIS_SESSION) != FALSE;
  return std::unique_ptr<TNativeDesktop>(new TNativeDesktop(std::move(state)));
}

TNativeDesktop::~TNativeDesktop() {
  if (F->SessionNotices)
    WTSUnRegisterSessionNotification(F->Hidden);
  DestroyWindow(F->Hidden);
  if (F->InstanceMutex)
    CloseHandle(F->InstanceMutex);
}

std::unique_ptr<TNativeWindow> TNativeDesktop::MakeWindow(TNativeKind Kind, const TNativeRect& Screen,
                                                          std::uintptr_t Tag, TNativeWindow* Owner) {
  auto state = std::make_unique<TNativeWindow::TState>(*F);
  state->Tag = Tag;
  state->Kind = Kind;
  state->Bounds = Screen;
  // The layer draws every window's frame itself: all are pop-ups, client = window.
  DWORD style = WS_POPUP | WS_CLIPCHILDREN;
  DWORD ex = 0;
  HWND owner = nullptr;
  switch (Kind) {
  case TNativeKind::Normal:
    // A task bar entry, and the system menu's minimise from it.
    style |= WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    ex |= WS_EX_APPWINDOW;
    break;
  case TNativeKind::Menu:
    ex |= WS_EX_NOACTIVATE | WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    break;
  case TNativeKind::Dialog:
    // Owned windows have no task bar entry of their own.
    owner = Owner ? static_cast<HWND>(Owner->Handle()) : nullptr;
    style |= WS_SYSMENU;
    break;
  }
  TNativeWindow::TState* raw = state.get();
  const HWND w = CreateWindowExW(ex, kWindowClass, L"", style, Screen.Left, Screen.Top, Screen.Width(),
                                 Screen.Height(), owner, nullptr, F->Instance, raw);
  if (!w)
    return nullptr;
  F->Windows.push_back(raw);
  // The layer chose the window's scale by the monitor it meant it for; the window's own says.
  TEvent dpi(TEvent::Dpi, Tag);
  dpi.U = static_cast<unsigned>(WindowDpi(w));
  F->Post(dpi);
  return std::unique_ptr<TNativeWindow>(new TNativeWindow(std::move(state)));
}

void TNativeDesktop::Restack(const std::vector<TNativeWindow*>& TopToBottom) {
  std::vector<TNativeWindow*> order = TopToBottom;
  // A topmost window put below an ordinary one would lose its place above them.
  std::stable_partition(order.begin(), order.end(),
                        [](const TNativeWindow* W) { return W->F->Kind == TNativeKind::Menu; });
  if (order.empty())
    return;
  HDWP defer = BeginDeferWindowPos(static_cast<int>(order.size()));
  HWND after = HWND_TOP;
  for (TNativeWindow* w : order) {
    if (!defer)
      break;
    defer = DeferWindowPos(defer, w->F->Wnd, after, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    after = w->F->Wnd;
  }
  if (defer)
    EndDeferWindowPos(defer);
}

namespace {

BOOL CALLBACK AddMonitor(HMONITOR Monitor, HDC, LPRECT, LPARAM Data) {
  auto& out = *reinterpret_cast<std::vector<std::pair<bool, TNativeMonitor>>*>(Data);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoW(Monitor, &info))
    out.push_back({(info.dwFlags & MONITORINFOF_PRIMARY) != 0,
                   {FromRect(info.rcMonitor), FromRect(info.rcWork), MonitorDpi(Monitor)}});
  return TRUE;
}

} // namespace

std::vector<TNativeMonitor> TNativeDesktop::Monitors() const {
  std::vector<std::pair<bool, TNativeMonitor>> found;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&found));
  std::stable_partition(found.begin(), found.end(), [](const auto& M) { return M.first; });
  std::vector<TNativeMonitor> out;
  for (const auto& m : found)
    out.push_back(m.second);
  if (out.empty()) {
    const TNativeRect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    out.push_back({screen, screen, SystemDpi()});
  }
  return out;
}

bool TNativeDesktop::CursorPos(int& X, int& Y) const {
  POINT p{};
  if (!GetCursorPos(&p))
    return false;
  X = p.x;
  Y = p.y;
  return true;
}

void TNativeDesktop::SetCursorShape(int CursorId) {
  F->CursorId = CursorId;
  // Shown at once when the pointer is over one of ours (or held by one); otherwise on arrival.
  POINT p{};
  const HWND capture = GetCapture();
  if ((capture && F->Find(capture)) || (GetCursorPos(&p) && F->Find(GetAncestor(WindowFromPoint(p), GA_ROOT))))
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(CursorId)));
}

bool TNativeDesktop::MenuFont(TNativeFont& Font) const {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  // A program aware of the density gets the font at the system's; the layer scales it itself.
  int dpi = kNativeBaseDpi;
  if (!DpiCalls().ParametersForDpi ||
      !DpiCalls().ParametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, kNativeBaseDpi)) {
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
      return false;
    dpi = SystemDpi();
  }
  const LOGFONTW& f = metrics.lfMenuFont;
  Font.Face = Utf8FromWide(f.lfFaceName);
  Font.Height = MulDiv(f.lfHeight, kNativeBaseDpi, dpi);
  Font.Weight = f.lfWeight;
  Font.Italic = f.lfItalic != 0;
  Font.CharSet = f.lfCharSet;
  return !Font.Face.empty();
}

long long TNativeDesktop::Now() const { return F->Now(); }

void TNativeDesktop::Wait(long long Until) {
  TState& f = *F;
  for (;;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT)
        continue; // the layer keeps its own quit; nothing of ours posts one
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    const bool reported = f.Deliver();
    f.FollowCapture();
    if (reported)
      return;
    const long long now = f.Now();
    if (Until >= 0 && now >= Until)
      return;
    const DWORD timeout = Until < 0 ? INFINITE : static_cast<DWORD>(std::min(Until - now, 0x7FFFFFFFLL));
    // Wakes for messages already in the queue too (MWMO_INPUTAVAILABLE), not only new ones.
    MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void TNativeDesktop::FollowCapture(TNativeWindow* Window) {
  F->LayerCapture = Window ? Window->F->Wnd : nullptr;
  F->FollowCapture();
}

int TNativeDesktop::ShowMessageBox(TNativeWindow* Owner, const std::string& Text, const std::string& Caption,
                                   unsigned Type) {
  const HWND owner = Owner ? Owner->F->Wnd : nullptr;
  const int pressed = MessageBoxW(owner, WideFromUtf8(Text).c_str(), WideFromUtf8(Caption).c_str(), Type);
  // The box's own loop took the release of whatever was held.
  F->Buttons = 0;
  F->ButtonWindow = nullptr;
  return pressed;
}

bool TNativeDesktop::OpenAddress(const std::string& Address, std::string& Why) {
  if (Address.empty()) {
    Why = "the address is empty";
    return false;
  }
  if (std::any_of(Address.begin(), Address.end(), [](char C) { return static_cast<unsigned char>(C) < 0x20; })) {
    Why = "the address has control characters in it";
    return false;
  }
  const auto code = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", WideFromUtf8(Address).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (code > 32)
    return true;
  Why = "cannot open '" + Address + "': " + ShellExecuteFailure(code);
  return false;
}

bool TNativeDesktop::ClaimInstance(const std::string& Name) {
  TState& f = *F;
  if (f.InstanceMutex) {
    // This desktop holds the claim already: the second start is this process's own.
    f.Sink.FrontRequested();
    return false;
  }
  const std::wstring name = WideFromUtf8(Name);
  // Named before the mutex is made, so that a start that finds the mutex finds the window too.
  SetWindowTextW(f.Hidden, name.c_str());
  // "Local\": one instance per session. The rest of the name may hold no backslash.
  std::wstring mutexName = L"Local\\" + name + L".instance";
  std::replace(mutexName.begin() + 6, mutexName.end(), L'\\', L'_');
  HANDLE mutex = CreateMutexW(nullptr, FALSE, mutexName.c_str());
  const DWORD error = GetLastError();
  if (mutex && error != ERROR_ALREADY_EXISTS) {
    f.InstanceMutex = mutex;
    return true;
  }
  if (mutex)
    CloseHandle(mutex);
  SetWindowTextW(f.Hidden, L"");
  // Access denied: the mutex is there, made by a process this one may not open. Anything else: the
  // system made no mutex at all, and the program runs rather than leave the user nothing.
  if (!mutex && error != ERROR_ACCESS_DENIED)
    return true;
  // Every hidden window of that name: two starts racing for the claim both named theirs for a
  // moment, and only the holder answers.
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kHiddenClass, name.c_str())) != nullptr;) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    // The system gives the foreground to the program the user started last (this one); it may
    // pass that on.
    AllowSetForegroundWindow(process);
    PostMessageW(w, FrontRequestMessage(), 0, 0);
  }
  return false;
}

long long TNativeDesktop::FirstPresentTime() const { return F->FirstPresent; }
void* TNativeDesktop::HiddenWindow() const { return F->Hidden; }
