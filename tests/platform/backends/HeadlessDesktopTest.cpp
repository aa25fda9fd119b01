#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/windows/Gdi.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Windows of these tests paint themselves in the colour kept in their user data.
LRESULT SolidProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg != WM_PAINT)
    return DefWindowProc(Wnd, Msg, WParam, LParam);
  PAINTSTRUCT ps;
  TCanvas* canvas = CanvasFromDC(BeginPaint(Wnd, &ps));
  canvas->Brush().SetColor(static_cast<TColor>(GetWindowLongPtr(Wnd, GWLP_USERDATA)));
  TRect r;
  GetClientRect(Wnd, &r);
  canvas->FillRect(r);
  EndPaint(Wnd, &ps);
  return 0;
}

HWND Solid(TRect Bounds, TColor Color, HWND Parent = nullptr) {
  const DWORD style = WS_VISIBLE | (Parent ? WS_CHILD : WS_POPUP);
  HWND w = CreateWindowEx(0, "", style, Bounds.Left, Bounds.Top, Bounds.Width(), Bounds.Height(), Parent,
                          WndProcFromFunction(SolidProcedure));
  SetWindowLongPtr(w, GWLP_USERDATA, Color);
  InvalidateRect(w, nullptr, 1);
  return w;
}

TEST(HeadlessScreen, TheWorkAreaLeavesRoomForATaskBarUnlessGivenOne) {
  {
    THeadlessDesktop desktop;
    ASSERT_EQ(desktop.Monitors().size(), 1u);
    EXPECT_EQ(desktop.Monitors()[0].Screen, Rect(0, 0, 1024, 768));
    EXPECT_EQ(desktop.Monitors()[0].WorkArea, Rect(0, 0, 1024, 728));
    EXPECT_EQ(desktop.Screenshot().Width(), 1024);
  }
  THeadlessDesktop small(640, 480, Rect(0, 30, 640, 480));
  TRect work;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work, Rect(0, 30, 640, 480));
}

TEST(HeadlessScreen, WindowsAreCompositedInZOrderWithTheirShapes) {
  THeadlessDesktop desktop(200, 100);
  HWND back = Solid(Rect(0, 0, 100, 100), clRed);
  HWND front = Solid(Rect(50, 0, 150, 100), clBlue);
  desktop.ProcessMessages();
  TPixelBuffer shot = desktop.Screenshot();
  EXPECT_EQ(shot.At(25, 50), 0xFF0000u);
  EXPECT_EQ(shot.At(75, 50), 0x0000FFu);
  EXPECT_EQ(shot.At(175, 50), desktop.Background());
  SetWindowRgn(front, CreateRectRgn(50, 0, 100, 100), 1);
  desktop.ProcessMessages();
  shot = desktop.Screenshot();
  EXPECT_EQ(shot.At(75, 50), 0xFF0000u) << "the back window shows through the front one's shape";
  EXPECT_EQ(shot.At(125, 50), 0x0000FFu);
  SetActiveWindow(back);
  EXPECT_EQ(desktop.Screenshot().At(60, 50), 0xFF0000u) << "the active window is on top";
  ShowWindow(back, SW_MINIMIZE);
  EXPECT_EQ(desktop.Screenshot().At(25, 50), desktop.Background());
  EXPECT_EQ(desktop.Host(back)->ShowState(), SW_SHOWMINIMIZED);
}

TEST(HeadlessScreen, AnAreaShotShowsWindowsBeyondTheScreenToo) {
  THeadlessDesktop desktop(200, 100);
  Solid(Rect(150, 50, 250, 150), clRed);
  Solid(Rect(-40, 10, 20, 30), clBlue);
  desktop.ProcessMessages();
  const TPixelBuffer shot = desktop.Screenshot(Rect(-50, 0, 260, 160));
  ASSERT_EQ(shot.Width(), 310);
  ASSERT_EQ(shot.Height(), 160);
  EXPECT_EQ(shot.At(240 + 50, 140), 0xFF0000u) << "the part right of and below the screen";
  EXPECT_EQ(shot.At(-35 + 50, 20), 0x0000FFu) << "the part left of the screen";
  EXPECT_EQ(shot.At(255 + 50, 20), desktop.Background());
  EXPECT_EQ(shot.At(0, 0), desktop.Background());
  EXPECT_TRUE(desktop.Screenshot(Rect(10, 10, 10, 40)).Empty());
}

TEST(HeadlessScreen, APressKeepsThePointerInItsWindowUntilRelease) {
  THeadlessDesktop desktop(300, 100);
  std::map<HWND, int> moves;
  WNDPROC counting = MakeObjectInstance([&](TMessage& M) {
    if (M.Msg == WM_MOUSEMOVE)
      ++moves[CurrentProcedureWindow()];
    M.Result = DefWindowProc(CurrentProcedureWindow(), M.Msg, M.WParam, M.LParam);
  });
  HWND a = CreateWindowEx(0, "", WS_VISIBLE, 0, 0, 100, 100, nullptr, counting);
  HWND b = CreateWindowEx(0, "", WS_VISIBLE, 200, 0, 100, 100, nullptr, counting);
  desktop.MouseDown(50, 50);
  desktop.MouseMove(250, 50);
  EXPECT_EQ(moves[b], 0) << "the other window sees nothing while the button is held";
  desktop.MouseUp(250, 50);
  desktop.MouseMove(251, 50);
  EXPECT_EQ(moves[b], 1);
  DestroyWindow(a);
  DestroyWindow(b);
  FreeObjectInstance(counting);
}

TEST(HeadlessClock, TimeAdvancesThroughEachTimerAndWhatItPostsIsHandledInTurn) {
  THeadlessDesktop desktop;
  std::vector<std::pair<std::string, DWORD>> events;
  WNDPROC proc = MakeObjectInstance([&](TMessage& M) {
    const HWND self = CurrentProcedureWindow();
    if (M.Msg == WM_TIMER) {
      events.emplace_back("tick", GetTickCount());
      PostMessage(self, WM_USER, 0, 0);
    } else if (M.Msg == WM_USER) {
      events.emplace_back("posted", GetTickCount());
    } else {
      M.Result = DefWindowProc(self, M.Msg, M.WParam, M.LParam);
    }
  });
  HWND w = CreateWindowEx(0, "", 0, 0, 0, 10, 10, nullptr, proc);
  SetTimer(w, 1, 40);
  desktop.Advance(100);
  EXPECT_EQ(events, (std::vector<std::pair<std::string, DWORD>>{
                        {"tick", 40}, {"posted", 40}, {"tick", 80}, {"posted", 80}}));
  EXPECT_EQ(desktop.Now(), 100);
  DestroyWindow(w);
  FreeObjectInstance(proc);
}

TEST(HeadlessLifetime, ADesktopTakesItsWindowsAndServicesWithIt) {
  HWND left;
  {
    THeadlessDesktop desktop;
    left = Solid(Rect(0, 0, 10, 10), clRed);
    HDC dc = GetDC(nullptr);
    TGammaRamp ramp;
    ramp.Red[255] = 0xFFFF;
    EXPECT_TRUE(SetDeviceGammaRamp(dc, &ramp));
    ReleaseDC(nullptr, dc);
    ASSERT_EQ(desktop.GammaDevice().Tables().size(), 1u);
    EXPECT_EQ(desktop.GammaDevice().Tables()[0], ramp);
  }
  EXPECT_FALSE(IsWindow(left));
  EXPECT_FALSE(HasDesktopBackend());
  EXPECT_THROW(CurrentEventSource(), std::logic_error);
  EXPECT_THROW(MessageBox(nullptr, "x", "y", MB_OK), std::logic_error);
}

// One program per desktop: a second claim of the same name stands for a second start there.
class HeadlessInstance : public testing::Test {
protected:
  THeadlessDesktop Desktop;
};

TEST_F(HeadlessInstance, ASecondStartBringsTheWindowBackFromAnIconOrFromBehindOtherPrograms) {
  ASSERT_EQ(Desktop.ClaimInstance("brivo"), TInstanceClaim::Claimed);
  HWND form = Solid(Rect(0, 0, 100, 100), clRed);
  ShowWindow(form, SW_MINIMIZE);
  Desktop.ProcessMessages();
  ASSERT_TRUE(IsIconic(form));
  ASSERT_FALSE(Desktop.Host(form)->OnScreen());

  EXPECT_EQ(Desktop.ClaimInstance("brivo"), TInstanceClaim::Running);
  EXPECT_FALSE(IsIconic(form));
  EXPECT_EQ(GetActiveWindow(), form);
  EXPECT_EQ(Desktop.Host(form)->BroughtToFront(), 1) << "in front of other programs' windows too";
  EXPECT_EQ(Desktop.Screenshot().At(50, 50), 0xFF0000u);

  // Another program took the focus, as a backend reports it.
  HostAppDeactivated();
  ASSERT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(Desktop.ClaimInstance("brivo"), TInstanceClaim::Running);
  EXPECT_EQ(GetActiveWindow(), form);
  EXPECT_EQ(Desktop.Host(form)->BroughtToFront(), 2);
  EXPECT_EQ(Desktop.ClaimInstance("gamma-probe"), TInstanceClaim::Claimed) << "another program's claim";
}

TEST_F(HeadlessInstance, TheWindowOfAModalBoxComesBeforeTheDisabledFormAndMenusAreSkipped) {
  ASSERT_EQ(Desktop.ClaimInstance("brivo"), TInstanceClaim::Claimed);
  HWND form = Solid(Rect(0, 0, 100, 100), clRed);
  HWND box = Solid(Rect(20, 20, 60, 60), clGreen);
  HWND menu = CreateWindowEx(WS_EX_NOACTIVATE | WS_EX_TOPMOST, "", WS_POPUP, 30, 30, 20, 20, nullptr,
                             WndProcFromFunction(SolidProcedure));
  ShowWindow(menu, SW_SHOWNOACTIVATE);
  EnableWindow(form, 0);
  SetActiveWindow(form);
  Desktop.ProcessMessages();
  EXPECT_EQ(Desktop.ClaimInstance("brivo"), TInstanceClaim::Running);
  EXPECT_EQ(GetActiveWindow(), box);
  EXPECT_EQ(Desktop.Host(box)->BroughtToFront(), 1);
  EXPECT_EQ(Desktop.Host(menu)->BroughtToFront(), 0);
}

TEST_F(HeadlessInstance, DesktopsSideBySideNeverSeeEachOthersClaim) {
  ASSERT_EQ(Desktop.ClaimInstance("brivo"), TInstanceClaim::Claimed);
  THeadlessDesktop beside;
  EXPECT_EQ(beside.ClaimInstance("brivo"), TInstanceClaim::Claimed);
  EXPECT_EQ(beside.ClaimInstance("brivo"), TInstanceClaim::Running);
}

} // namespace
