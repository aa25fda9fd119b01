// Plays a byte string as a script of user input and program calls on a small headless desktop:
// windows created, destroyed, moved, hidden, shaped and captured while the mouse, the keys and the
// clock drive them, with procedures that destroy windows, start caption drags and answer hit tests
// in the middle of dispatch. Nothing may crash, leak or touch freed memory.

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/windows/Gdi.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

class TScript {
public:
  TScript(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  bool More() const { return FPos < FSize; }
  int Next() { return FPos < FSize ? FData[FPos++] : 0; }

private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

// What a window's procedure does, chosen by the script when the window is made.
struct TBehaviour {
  int HitCode = HTCLIENT;
  bool DestroyOnClick = false;
  bool DragOnPress = false;
  bool DestroyOnTimer = false;
  bool InvalidateWhilePainting = false;
};

std::vector<HWND>* gWindows;
std::vector<TBehaviour>* gBehaviours;

const TBehaviour* BehaviourOf(HWND Wnd) {
  for (std::size_t i = 0; i < gWindows->size(); ++i)
    if ((*gWindows)[i] == Wnd)
      return &(*gBehaviours)[i];
  return nullptr;
}

LRESULT ScriptedProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  const TBehaviour* b = BehaviourOf(Wnd);
  if (!b)
    return DefWindowProc(Wnd, Msg, WParam, LParam);
  const TBehaviour behaviour = *b; // the table may grow while this runs
  switch (Msg) {
  case WM_NCHITTEST:
    return behaviour.HitCode == HTCLIENT ? DefWindowProc(Wnd, Msg, WParam, LParam) : behaviour.HitCode;
  case WM_LBUTTONDOWN:
    if (behaviour.DragOnPress) {
      ReleaseCapture();
      SendMessage(GetAncestor(Wnd, GA_ROOT), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
    return 0;
  case WM_LBUTTONUP:
    if (behaviour.DestroyOnClick)
      DestroyWindow(GetAncestor(Wnd, GA_ROOT));
    return 0;
  case WM_TIMER:
    if (behaviour.DestroyOnTimer)
      DestroyWindow(Wnd);
    return 0;
  case WM_PAINT: {
    PAINTSTRUCT ps;
    TCanvas* canvas = CanvasFromDC(BeginPaint(Wnd, &ps));
    canvas->Brush().SetColor(static_cast<TColor>(reinterpret_cast<std::uintptr_t>(Wnd) & 0xFFFFFF));
    canvas->FillRect(ps.rcPaint);
    EndPaint(Wnd, &ps);
    if (behaviour.InvalidateWhilePainting)
      InvalidateRect(Wnd, nullptr, 1);
    return 0;
  }
  default:
    return DefWindowProc(Wnd, Msg, WParam, LParam);
  }
}

HWND Pick(TScript& S, const std::vector<HWND>& Windows) {
  if (Windows.empty())
    return nullptr;
  return Windows[static_cast<std::size_t>(S.Next()) % Windows.size()];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  static const int hitCodes[] = {HTCLIENT, HTTRANSPARENT, HTCAPTION, HTLEFT, HTBOTTOMRIGHT, HTNOWHERE, HTTOP, HTERROR};
  static const int showCommands[] = {SW_HIDE, SW_SHOW, SW_SHOWNORMAL, SW_MINIMIZE, SW_MAXIMIZE, SW_RESTORE, SW_SHOWNA};
  static const WPARAM sysCommands[] = {SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE, SC_CLOSE, SC_MOVE, SC_SIZE + 1};
  THeadlessDesktop desktop(256, 256, Rect(0, 0, 256, 240));
  std::vector<HWND> windows;
  std::vector<TBehaviour> behaviours;
  gWindows = &windows;
  gBehaviours = &behaviours;
  const WNDPROC proc = WndProcFromFunction(ScriptedProcedure);
  TScript s(Data, Size);
  for (int steps = 0; s.More() && steps < 400; ++steps) {
    const int op = s.Next() % 16;
    const int x = s.Next(), y = s.Next();
    switch (op) {
    case 0:
    case 1: {
      if (windows.size() >= 24)
        break;
      const int flags = s.Next();
      TBehaviour b;
      b.HitCode = hitCodes[flags % 8];
      b.DestroyOnClick = flags & 0x08;
      b.DragOnPress = flags & 0x10;
      b.DestroyOnTimer = flags & 0x20;
      b.InvalidateWhilePainting = flags & 0x40;
      const HWND parent = op == 1 ? Pick(s, windows) : nullptr;
      const DWORD style = WS_VISIBLE | (parent ? WS_CHILD : WS_POPUP) | ((flags & 0x80) ? static_cast<DWORD>(WS_DISABLED) : 0u);
      windows.push_back(nullptr);
      behaviours.push_back(b);
      const HWND w = CreateWindowEx(0, "", style, x % 200, y % 200, s.Next() % 120 + 1, s.Next() % 120 + 1, parent, proc);
      windows.back() = w;
      break;
    }
    case 2:
      DestroyWindow(Pick(s, windows));
      break;
    case 3:
      desktop.MouseMove(x, y);
      break;
    case 4:
      desktop.MouseDown(x, y, (s.Next() & 1) ? TInputButton::Right : TInputButton::Left);
      break;
    case 5:
      desktop.MouseUp(x, y, TInputButton::Left);
      break;
    case 6:
      desktop.KeyDown(static_cast<WORD>(x));
      break;
    case 7:
      desktop.KeyUp(static_cast<WORD>(x));
      break;
    case 8:
      desktop.Char(static_cast<char32_t>(x));
      break;
    case 9:
      desktop.Advance(x);
      break;
    case 10:
      SetTimer(Pick(s, windows), static_cast<UINT_PTR>(x % 3), static_cast<UINT>(y));
      break;
    case 11:
      if (x & 1)
        SetCapture(Pick(s, windows));
      else
        ReleaseCapture();
      break;
    case 12:
      SetFocus(Pick(s, windows));
      break;
    case 13:
      ShowWindow(Pick(s, windows), showCommands[x % 7]);
      break;
    case 14:
      if (x & 1)
        SetWindowRgn(Pick(s, windows), CreateRoundRectRgn(0, 0, y % 100 + 1, y % 90 + 1, 20, 20), 1);
      else
        InvalidateRect(Pick(s, windows), nullptr, y & 1);
      break;
    default:
      if (x & 1)
        MoveWindow(Pick(s, windows), x % 200 - 20, y % 200 - 20, s.Next() % 150, s.Next() % 150, 1);
      else
        PostMessage(Pick(s, windows), WM_SYSCOMMAND, sysCommands[y % 6], 0);
      break;
    }
    desktop.ProcessMessages();
  }
  for (HWND w : windows)
    DestroyWindow(w);
  gWindows = nullptr;
  gBehaviours = nullptr;
  return 0;
}
