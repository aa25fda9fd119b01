#include "platform/windows/WindowManager.h"

namespace {

// SC_SIZE carries the edge as WMSZ_LEFT..WMSZ_BOTTOMRIGHT, in the order of HTLEFT..HTBOTTOMRIGHT.
constexpr int EdgeToHit = static_cast<int>(HTLEFT) - static_cast<int>(WMSZ_LEFT);

int CursorForHit(int Hit) {
  switch (Hit) {
  case HTLEFT:
  case HTRIGHT:
    return IDC_SIZEWE;
  case HTTOP:
  case HTBOTTOM:
    return IDC_SIZENS;
  case HTTOPLEFT:
  case HTBOTTOMRIGHT:
    return IDC_SIZENWSE;
  case HTTOPRIGHT:
  case HTBOTTOMLEFT:
    return IDC_SIZENESW;
  default:
    return IDC_ARROW;
  }
}

LRESULT HitTest(HWND Wnd, LPARAM LParam) {
  TWnd* w = LiveWnd(Wnd);
  if (!w)
    return HTNOWHERE;
  const TPoint o = WindowScreenOrigin(*w);
  const TPoint local{GET_X_LPARAM(LParam) - o.X, GET_Y_LPARAM(LParam) - o.Y};
  if (!Rect(0, 0, w->Bounds.Width(), w->Bounds.Height()).Contains(local))
    return HTNOWHERE;
  if (w->Shape && !w->Shape->Contains(local))
    return HTNOWHERE;
  return ClientAreaOf(*w).Contains(local) ? HTCLIENT : HTBORDER;
}

LRESULT SysCommand(HWND Wnd, WPARAM Command) {
  switch (Command & 0xFFF0) {
  case SC_MOVE:
    BeginMoveSize(Wnd, HTCAPTION);
    break;
  case SC_SIZE: {
    const WPARAM edge = Command & 0x000F;
    if (edge >= WMSZ_LEFT && edge <= WMSZ_BOTTOMRIGHT)
      BeginMoveSize(Wnd, static_cast<int>(edge) + EdgeToHit);
    break;
  }
  case SC_MINIMIZE:
    ShowWindow(Wnd, SW_MINIMIZE);
    break;
  case SC_MAXIMIZE:
    ShowWindow(Wnd, SW_MAXIMIZE);
    break;
  case SC_RESTORE:
    ShowWindow(Wnd, SW_RESTORE);
    break;
  case SC_CLOSE:
    SendMessage(Wnd, WM_CLOSE, 0, 0);
    break;
  default:
    break;
  }
  return 0;
}

} // namespace

LRESULT DefWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWnd* w = LiveWnd(Wnd);
  if (!w)
    return 0;
  switch (Msg) {
  case WM_NCCREATE:
    return 1;
  case WM_NCHITTEST:
    return HitTest(Wnd, LParam);
  case WM_PAINT: {
    PAINTSTRUCT ps;
    BeginPaint(Wnd, &ps);
    EndPaint(Wnd, &ps);
    return 0;
  }
  case WM_ERASEBKGND:
    return 0;
  case WM_SETCURSOR: {
    // The parent may choose the cursor for its children first.
    if (!w->IsTopLevel() && !w->IsMessageOnly() && SendMessage(w->Parent, WM_SETCURSOR, WParam, LParam))
      return 1;
    SetCursor(LoadCursor(nullptr, CursorForHit(static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(LParam))))));
    return 1;
  }
  case WM_NCLBUTTONDOWN:
    if (WParam == HTCAPTION)
      SendMessage(Wnd, WM_SYSCOMMAND, SC_MOVE | static_cast<WPARAM>(HTCAPTION), LParam);
    else if (WParam >= HTLEFT && WParam <= HTBOTTOMRIGHT)
      SendMessage(Wnd, WM_SYSCOMMAND, SC_SIZE | (WParam - EdgeToHit), LParam);
    return 0;
  case WM_NCLBUTTONDBLCLK:
    if (WParam == HTCAPTION && w->IsTopLevel())
      SendMessage(Wnd, WM_SYSCOMMAND, (w->Style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, LParam);
    return 0;
  case WM_SYSCOMMAND:
    return SysCommand(Wnd, WParam);
  case WM_CLOSE:
    DestroyWindow(Wnd);
    return 0;
  case WM_SYSKEYDOWN:
    // Armed here rather than when the key is read, so that an Alt press a menu loop took for
    // itself (the one that closes the menu) does not open the menu again when it is released.
    if ((WParam == VK_MENU || WParam == VK_F10) && !(LParam & (LPARAM(1) << 30)))
      WM().AltAlone = true;
    if (WParam == VK_F4 && (LParam & (LPARAM(1) << 29)))
      if (TWnd* top = TopLevelOf(*w))
        SendMessage(top->Handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  case WM_SYSKEYUP:
    // Alt (or F10) pressed and released alone asks the window for its menu.
    if ((WParam == VK_MENU || WParam == VK_F10) && WM().AltAlone) {
      WM().AltAlone = false;
      if (TWnd* top = TopLevelOf(*w))
        SendMessage(top->Handle, WM_SYSCOMMAND, SC_KEYMENU, 0);
    }
    return 0;
  case WM_SYSCHAR:
    // Alt with a character: the menu item of that access key (and no menu when Alt goes up).
    WM().AltAlone = false;
    if (TWnd* top = TopLevelOf(*w))
      SendMessage(top->Handle, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(WParam));
    return 0;
  case WM_RBUTTONUP: {
    TPoint p{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
    ClientToScreen(Wnd, &p);
    SendMessage(Wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Wnd), MAKELPARAM(p.X, p.Y));
    return 0;
  }
  case WM_CONTEXTMENU:
    // A window that shows no context menu of its own leaves it to its parent.
    if (!w->IsTopLevel() && !w->IsMessageOnly())
      return SendMessage(w->Parent, WM_CONTEXTMENU, WParam, LParam);
    return 0;
  case WM_ACTIVATE:
    if (LOWORD(WParam) != WA_INACTIVE) {
      HWND focus = GetFocus();
      if (!focus || (focus != Wnd && !IsChild(Wnd, focus)))
        SetFocus(Wnd);
    }
    return 0;
  case WM_NCACTIVATE:
  case WM_MOUSEACTIVATE:
    return 1;
  case WM_GETTEXTLENGTH:
    return static_cast<LRESULT>(w->Text.size());
  default:
    return 0;
  }
}
