#include "platform/backends/x11/X11Translate.h"

#include "platform/backends/x11/XHeaders.h"

#include <X11/XF86keysym.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <algorithm>

WORD VirtualKeyOfKeysym(unsigned long Keysym) {
  if (Keysym >= XK_a && Keysym <= XK_z)
    return static_cast<WORD>('A' + (Keysym - XK_a));
  if (Keysym >= XK_A && Keysym <= XK_Z)
    return static_cast<WORD>('A' + (Keysym - XK_A));
  if (Keysym >= XK_0 && Keysym <= XK_9)
    return static_cast<WORD>('0' + (Keysym - XK_0));
  if (Keysym >= XK_F1 && Keysym <= XK_F24)
    return static_cast<WORD>(VK_F1 + (Keysym - XK_F1));
  if (Keysym >= XK_KP_0 && Keysym <= XK_KP_9)
    return static_cast<WORD>(0x60 + (Keysym - XK_KP_0)); // the numeric pad keys
  switch (Keysym) {
  case XK_BackSpace:
    return VK_BACK;
  case XK_Tab:
  case XK_ISO_Left_Tab:
    return VK_TAB;
  case XK_Return:
  case XK_KP_Enter:
    return VK_RETURN;
  case XK_Shift_L:
  case XK_Shift_R:
    return VK_SHIFT;
  case XK_Control_L:
  case XK_Control_R:
    return VK_CONTROL;
  case XK_Alt_L:
  case XK_Alt_R:
  case XK_Meta_L:
  case XK_Meta_R:
    return VK_MENU;
  case XK_Escape:
    return VK_ESCAPE;
  case XK_space:
    return VK_SPACE;
  case XK_Prior:
  case XK_KP_Prior:
    return VK_PRIOR;
  case XK_Next:
  case XK_KP_Next:
    return VK_NEXT;
  case XK_End:
  case XK_KP_End:
    return VK_END;
  case XK_Home:
  case XK_KP_Home:
    return VK_HOME;
  case XK_Left:
  case XK_KP_Left:
    return VK_LEFT;
  case XK_Up:
  case XK_KP_Up:
    return VK_UP;
  case XK_Right:
  case XK_KP_Right:
    return VK_RIGHT;
  case XK_Down:
  case XK_KP_Down:
    return VK_DOWN;
  case XK_Insert:
  case XK_KP_Insert:
    return VK_INSERT;
  case XK_Delete:
  case XK_KP_Delete:
    return VK_DELETE;
  default:
    return 0;
  }
}

char32_t CharOfKeysym(unsigned long Keysym) {
  // Latin-1 symbols are their own code points; symbols above 0x01000000 carry one directly.
  if ((Keysym >= 0x20 && Keysym <= 0x7E) || (Keysym >= 0xA0 && Keysym <= 0xFF))
    return static_cast<char32_t>(Keysym);
  if (Keysym >= 0x01000100 && Keysym <= 0x0110FFFF)
    return static_cast<char32_t>(Keysym - 0x01000000);
  if (Keysym >= XK_KP_0 && Keysym <= XK_KP_9)
    return static_cast<char32_t>('0' + (Keysym - XK_KP_0));
  return 0;
}

char32_t ControlCharOf(WORD VirtualKey, bool Ctrl) {
  switch (VirtualKey) {
  case VK_RETURN:
    return U'\r';
  case VK_ESCAPE:
    return 0x1B;
  case VK_TAB:
    return U'\t';
  case VK_BACK:
    return 0x08;
  default:
    break;
  }
  if (Ctrl && VirtualKey >= 'A' && VirtualKey <= 'Z')
    return static_cast<char32_t>(VirtualKey - 'A' + 1);
  return 0;
}

unsigned CursorFontShapeOf(int CursorId) {
  switch (CursorId) {
  case IDC_HAND:
    return XC_hand2;
  case IDC_IBEAM:
    return XC_xterm;
  case IDC_WAIT:
    return XC_watch;
  case IDC_CROSS:
    return XC_crosshair;
  case IDC_UPARROW:
    return XC_sb_up_arrow;
  case IDC_SIZENWSE:
    return XC_bottom_right_corner;
  case IDC_SIZENESW:
    return XC_bottom_left_corner;
  case IDC_SIZEWE:
    return XC_sb_h_double_arrow;
  case IDC_SIZENS:
    return XC_sb_v_double_arrow;
  case IDC_SIZEALL:
    return XC_fleur;
  case IDC_NO:
    return XC_X_cursor;
  default:
    return XC_left_ptr;
  }
}

TRect MoveSizeBounds(int Hit, const TRect& Start, int DX, int DY, const MINMAXINFO& Limits) {
  if (Hit == HTCAPTION)
    return OffsetRect(Start, DX, DY);
  const bool left = Hit == HTLEFT || Hit == HTTOPLEFT || Hit == HTBOTTOMLEFT;
  const bool right = Hit == HTRIGHT || Hit == HTTOPRIGHT || Hit == HTBOTTOMRIGHT;
  const bool top = Hit == HTTOP || Hit == HTTOPLEFT || Hit == HTTOPRIGHT;
  const bool bottom = Hit == HTBOTTOM || Hit == HTBOTTOMLEFT || Hit == HTBOTTOMRIGHT;
  auto width = [&](int W) { return std::clamp(W, Limits.ptMinTrackSize.X, std::max(Limits.ptMinTrackSize.X, Limits.ptMaxTrackSize.X)); };
  auto height = [&](int H) { return std::clamp(H, Limits.ptMinTrackSize.Y, std::max(Limits.ptMinTrackSize.Y, Limits.ptMaxTrackSize.Y)); };
  TRect r = Start;
  if (left)
    r.Left = Start.Right - width(Start.Width() - DX);
  else if (right)
    r.Right = Start.Left + width(Start.Width() + DX);
  if (top)
    r.Top = Start.Bottom - height(Start.Height() - DY);
  else if (bottom)
    r.Bottom = Start.Top + height(Start.Height() + DY);
  return r;
}

std::vector<TMonitor> MonitorsFrom(const std::vector<TRect>& Crtcs, int Primary, const TRect& Screen,
                                   const std::optional<TRect>& WorkArea) {
  std::vector<TRect> rects;
  for (const TRect& c : Crtcs)
    if (!c.IsEmpty() && std::find(rects.begin(), rects.end(), c) == rects.end())
      rects.push_back(c);
  if (rects.empty())
    rects.push_back(Screen);
  else if (Primary > 0 && Primary < static_cast<int>(Crtcs.size())) {
    auto it = std::find(rects.begin(), rects.end(), Crtcs[Primary]);
    if (it != rects.end())
      std::rotate(rects.begin(), it, it + 1);
  }
  std::vector<TMonitor> monitors;
  for (const TRect& r : rects) {
    TRect work = r;
    if (WorkArea) {
      const TRect cut = IntersectRect(r, *WorkArea);
      if (!cut.IsEmpty())
        work = cut;
    }
    monitors.push_back({r, work});
  }
  return monitors;
}

std::optional<TRect> WorkAreaFromProperty(std::span<const long> Values, long Desktop) {
  if (Values.size() < 4)
    return std::nullopt;
  std::size_t at = 0;
  if (Desktop > 0 && static_cast<unsigned long>(Desktop) < Values.size() / 4)
    at = static_cast<std::size_t>(Desktop) * 4;
  const long x = Values[at], y = Values[at + 1], w = Values[at + 2], h = Values[at + 3];
  auto coordinate = [](long V) { return V >= -32768 && V <= 32767; };
  auto extent = [](long V) { return V > 0 && V <= 65535; };
  if (!coordinate(x) || !coordinate(y) || !extent(w) || !extent(h))
    return std::nullopt;
  return Bounds(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h));
}
