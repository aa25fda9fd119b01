#include "platform/backends/x11/X11MessageBox.h"

#include "platform/backends/x11/X11Desktop.h"
#include "platform/windows/Gdi.h"
#include "platform/windows/User.h"

#include <algorithm>

namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr TColor kFace = 0xF0F0F0;
constexpr TColor kText = 0x000000;
constexpr TColor kButtonFace = 0xE1E1E1;
constexpr TColor kButtonEdge = 0x7A7A7A;

void UseBoxFont(TCanvas& Canvas) {
  Canvas.Font().SetName("Tahoma");
  Canvas.Font().SetHeight(-12);
}

TSize MeasureText(const std::string& Text) {
  TPixelBuffer scratch(1, 1);
  TCanvas canvas(&scratch);
  UseBoxFont(canvas);
  TRect r = Rect(0, 0, 600, 0);
  canvas.DrawText(Text.empty() ? " " : Text, r, DT_CALCRECT | DT_NOPREFIX);
  return {r.Width(), r.Height()};
}

} // namespace

int TX11MessageBox::Show(HWND Owner, const std::string& Text, const std::string& Caption, UINT) {
  const TSize text = MeasureText(Text);
  const int width = std::max(text.cx + 2 * kMargin, kButtonWidth + 2 * kMargin + 80);
  const int height = kMargin + text.cy + kMargin + kButtonHeight + 12;
  TRect around;
  if (!Owner || !GetWindowRect(GetAncestor(Owner, GA_ROOT), &around))
    SystemParametersInfo(SPI_GETWORKAREA, 0, &around, 0);
  const int left = around.Left + (around.Width() - width) / 2;
  const int top = around.Top + (around.Height() - height) / 2;
  FButton = Bounds((width - kButtonWidth) / 2, height - 12 - kButtonHeight, kButtonWidth, kButtonHeight);

  bool done = false;
  bool pressed = false;
  const TRect textRect = Rect(kMargin, kMargin, width - kMargin, kMargin + text.cy);
  auto paint = [&](HWND Wnd) {
    PAINTSTRUCT ps;
    TCanvas& c = *CanvasFromDC(BeginPaint(Wnd, &ps));
    c.Brush().SetColor(kFace);
    c.FillRect(Rect(0, 0, width, height));
    c.Brush().SetColor(kButtonEdge);
    c.FrameRect(Rect(0, 0, width, height));
    UseBoxFont(c);
    c.Font().SetColor(kText);
    c.Brush().SetStyle(bsClear);
    TRect r = textRect;
    c.DrawText(Text, r, DT_NOPREFIX | DT_CENTER);
    c.Brush().SetColor(pressed ? kButtonEdge : kButtonFace);
    c.FillRect(FButton);
    c.Brush().SetColor(kButtonEdge);
    c.FrameRect(FButton);
    c.Brush().SetStyle(bsClear);
    TRect b = FButton;
    c.DrawText("OK", b, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EndPaint(Wnd, &ps);
  };
  WNDPROC proc = MakeObjectInstance([&](TMessage& M) {
    const HWND wnd = CurrentProcedureWindow();
    switch (M.Msg) {
    case WM_PAINT:
      paint(wnd);
      return;
    case WM_LBUTTONDOWN:
      pressed = FButton.Contains({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
      if (pressed) {
        SetCapture(wnd);
        InvalidateRect(wnd, &FButton, 0);
      }
      return;
    case WM_LBUTTONUP:
      if (pressed) {
        ReleaseCapture();
        pressed = false;
        done = FButton.Contains({GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
        InvalidateRect(wnd, &FButton, 0);
      }
      return;
    case WM_KEYDOWN:
      done = M.WParam == VK_RETURN || M.WParam == VK_ESCAPE || M.WParam == VK_SPACE;
      return;
    case WM_CLOSE:
      done = true;
      return;
    default:
      M.Result = DefWindowProc(wnd, M.Msg, M.WParam, M.LParam);
      return;
    }
  });
  FDesktop.ExpectDialog(Owner);
  FBox = CreateWindowEx(0, Caption, WS_POPUP, left, top, width, height, nullptr, proc);
  if (FBox) {
    ShowWindow(FBox, SW_SHOWNORMAL);
    RunModalLoop([&] { return done || !IsWindow(FBox); });
    DestroyWindow(FBox);
  }
  FBox = nullptr;
  FreeObjectInstance(proc);
  return IDOK;
}
