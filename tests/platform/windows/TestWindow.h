#pragma once

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/windows/Gdi.h"
#include "platform/windows/User.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TLogged {
  HWND Wnd = nullptr;
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
};

// Messages received by the windows of a test, in order.
class TMessageLog {
public:
  void Add(const TLogged& M) { FEntries.push_back(M); }
  void Clear() { FEntries.clear(); }
  const std::vector<TLogged>& Entries() const { return FEntries; }
  // The messages among Wanted, in order, with the window they went to.
  std::vector<std::pair<HWND, UINT>> Of(std::initializer_list<UINT> Wanted) const {
    std::vector<std::pair<HWND, UINT>> out;
    for (const TLogged& e : FEntries)
      if (std::find(Wanted.begin(), Wanted.end(), e.Msg) != Wanted.end())
        out.emplace_back(e.Wnd, e.Msg);
    return out;
  }
  const TLogged* Last(UINT Msg) const {
    for (auto it = FEntries.rbegin(); it != FEntries.rend(); ++it)
      if (it->Msg == Msg)
        return &*it;
    return nullptr;
  }
  int Count(HWND Wnd, UINT Msg) const {
    return static_cast<int>(std::count_if(FEntries.begin(), FEntries.end(),
                                          [&](const TLogged& e) { return e.Wnd == Wnd && e.Msg == Msg; }));
  }

private:
  std::vector<TLogged> FEntries;
};

// A window whose procedure (an object instance, as the class library makes them) logs every
// message, lets the test answer any of them, and otherwise paints itself in one colour and leaves
// the rest to DefWindowProc.
class TTestWindow {
public:
  TTestWindow(TMessageLog& Log, HWND Parent, TRect Bounds, TColor Color = clWhite, DWORD Style = WS_VISIBLE,
              DWORD ExStyle = 0)
      : FLog(Log), FColor(Color) {
    FProc = MakeObjectInstance([this](TMessage& M) { Handle(M); });
    if (Parent && Parent != HWND_MESSAGE)
      Style |= WS_CHILD;
    FWnd = CreateWindowEx(ExStyle, "test", Style, Bounds.Left, Bounds.Top, Bounds.Width(), Bounds.Height(), Parent,
                          FProc);
  }
  ~TTestWindow() {
    if (IsWindow(FWnd))
      DestroyWindow(FWnd);
    FreeObjectInstance(FProc);
  }
  TTestWindow(const TTestWindow&) = delete;
  TTestWindow& operator=(const TTestWindow&) = delete;

  HWND operator*() const { return FWnd; }
  HWND Wnd() const { return FWnd; }
  WNDPROC Proc() const { return FProc; }
  // Answers a message instead of the default; return true when it answered.
  std::function<bool(TMessage&)> OnMessage;

private:
  void Handle(TMessage& M) {
    if (!FWnd)
      FWnd = CurrentProcedureWindow(); // the creation messages come before CreateWindowEx returns
    const HWND self = FWnd;
    FLog.Add({self, M.Msg, M.WParam, M.LParam});
    if (OnMessage && OnMessage(M))
      return;
    if (M.Msg == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(self, &ps);
      TCanvas* canvas = CanvasFromDC(dc);
      canvas->Brush().SetColor(FColor);
      TRect r;
      GetClientRect(self, &r);
      canvas->FillRect(r);
      EndPaint(self, &ps);
      return;
    }
    M.Result = DefWindowProc(self, M.Msg, M.WParam, M.LParam);
  }

  TMessageLog& FLog;
  TColor FColor;
  WNDPROC FProc = nullptr;
  HWND FWnd = nullptr;
};

// A handler that answers one message with a fixed result and leaves the others alone.
inline std::function<bool(TMessage&)> Answer(UINT Msg, LRESULT Result) {
  return [Msg, Result](TMessage& M) {
    if (M.Msg != Msg)
      return false;
    M.Result = Result;
    return true;
  };
}

// Every message-layer test runs on a fresh headless desktop (1024 x 768, work area 1024 x 728).
class HeadlessTest : public testing::Test {
protected:
  std::unique_ptr<TTestWindow> Make(HWND Parent, TRect Bounds, TColor Color = clWhite, DWORD Style = WS_VISIBLE,
                                    DWORD ExStyle = 0) {
    return std::make_unique<TTestWindow>(Log, Parent, Bounds, Color, Style, ExStyle);
  }
  TPixel ScreenPixel(int X, int Y) const { return Desktop.Screenshot().At(X, Y); }

  THeadlessDesktop Desktop;
  TMessageLog Log;
};
