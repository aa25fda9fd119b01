#include "tests/platform/windows/TestWindow.h"

namespace {

using Pairs = std::vector<std::pair<HWND, UINT>>;

// A form at (100, 100) with two side-by-side children.
class MouseDispatch : public HeadlessTest {
protected:
  std::unique_ptr<TTestWindow> Form = Make(nullptr, Bounds(100, 100, 200, 100));
  std::unique_ptr<TTestWindow> Left = Make(**Form, Bounds(10, 10, 50, 50));
  std::unique_ptr<TTestWindow> Right = Make(**Form, Bounds(100, 10, 50, 50));
};

TEST_F(MouseDispatch, ButtonsArriveInClientCoordinatesWithKeyState) {
  Desktop.MouseDown(120, 125);
  const TLogged* down = Log.Last(WM_LBUTTONDOWN);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(down->Wnd, **Left);
  EXPECT_EQ(down->LParam, MAKELPARAM(10, 15));
  EXPECT_EQ(down->WParam, static_cast<WPARAM>(MK_LBUTTON));
  Desktop.MouseUp(121, 125);
  EXPECT_EQ(Log.Last(WM_LBUTTONUP)->WParam, 0u);
  Desktop.MouseDown(215, 115, TInputButton::Right);
  EXPECT_EQ(Log.Last(WM_RBUTTONDOWN)->Wnd, **Right);
}

TEST_F(MouseDispatch, TransparentWindowsLetThePointThrough) {
  auto cover = Make(**Form, Bounds(0, 0, 200, 100));
  cover->OnMessage = Answer(WM_NCHITTEST, HTTRANSPARENT);
  Desktop.Click(120, 125);
  EXPECT_EQ(Log.Last(WM_LBUTTONDOWN)->Wnd, **Left) << "the sibling below takes the click";
  Desktop.Click(180, 180);
  EXPECT_EQ(Log.Last(WM_LBUTTONDOWN)->Wnd, **Form) << "then the parent";
  EXPECT_EQ(Log.Count(**cover, WM_LBUTTONDOWN), 0);
}

TEST_F(MouseDispatch, DisabledAndHiddenChildrenLeaveTheClickToTheParent) {
  EnableWindow(**Left, 0);
  Desktop.Click(120, 125);
  EXPECT_EQ(Log.Last(WM_LBUTTONDOWN)->Wnd, **Form);
  EnableWindow(**Left, 1);
  ShowWindow(**Right, SW_HIDE);
  Desktop.Click(215, 115);
  EXPECT_EQ(Log.Last(WM_LBUTTONDOWN)->Wnd, **Form);
  EXPECT_EQ(Log.Count(**Right, WM_LBUTTONDOWN), 0);
}

TEST_F(MouseDispatch, AClickOutsideAWindowRegionDoesNotReachTheWindow) {
  SetWindowRgn(**Left, CreateRoundRectRgn(0, 0, 50, 50, 50, 50), 1);
  Desktop.Click(111, 111); // the corner cut off by the ellipse
  EXPECT_EQ(Log.Count(**Left, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(Log.Last(WM_LBUTTONDOWN)->Wnd, **Form);
  Desktop.Click(135, 135);
  EXPECT_EQ(Log.Last(WM_LBUTTONDOWN)->Wnd, **Left);

  auto below = Make(nullptr, Bounds(0, 0, 400, 400));
  SetWindowPos(**below, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowRgn(**Form, CreateRectRgn(0, 0, 100, 100), 1);
  Desktop.Click(250, 150); // inside the form's rectangle, outside its shape
  EXPECT_EQ(Log.Last(WM_LBUTTONDOWN)->Wnd, **below) << "the top-level window below takes it";
}

TEST_F(MouseDispatch, LeaveGoesToThePreviousWindowBeforeTheNextMove) {
  Desktop.MouseMove(120, 120);
  Desktop.MouseMove(220, 120);
  EXPECT_EQ(Log.Of({WM_MOUSEMOVE, WM_MOUSELEAVE}),
            (Pairs{{**Left, WM_MOUSEMOVE}, {**Left, WM_MOUSELEAVE}, {**Right, WM_MOUSEMOVE}}));
  Log.Clear();
  Desktop.MouseMove(600, 600); // off every window
  EXPECT_EQ(Log.Of({WM_MOUSEMOVE, WM_MOUSELEAVE}), (Pairs{{**Right, WM_MOUSELEAVE}}));
}

TEST_F(MouseDispatch, CaptureTakesEveryMoveAndTheLoserHearsOfIt) {
  Desktop.MouseDown(120, 120);
  SetCapture(**Left);
  Desktop.MouseMove(90, 95); // outside the form, left of and above it
  const TLogged* move = Log.Last(WM_MOUSEMOVE);
  EXPECT_EQ(move->Wnd, **Left);
  EXPECT_EQ(GET_X_LPARAM(move->LParam), -20);
  EXPECT_EQ(GET_Y_LPARAM(move->LParam), -15);
  EXPECT_EQ(SetCapture(**Right), **Left);
  EXPECT_EQ(Log.Last(WM_CAPTURECHANGED)->Wnd, **Left);
  EXPECT_EQ(Log.Last(WM_CAPTURECHANGED)->LParam, reinterpret_cast<LPARAM>(**Right));
  Desktop.MouseUp(90, 95);
  EXPECT_EQ(Log.Last(WM_LBUTTONUP)->Wnd, **Right);
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Log.Count(**Right, WM_CAPTURECHANGED), 1);
}

TEST_F(MouseDispatch, TwoQuickNearbyPressesMakeADoubleClick) {
  Desktop.Click(120, 120);
  Desktop.Advance(DoubleClickTime);
  Desktop.Click(121, 122);
  Desktop.Click(121, 122);
  EXPECT_EQ(Log.Of({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
            (Pairs{{**Left, WM_LBUTTONDOWN}, {**Left, WM_LBUTTONDBLCLK}, {**Left, WM_LBUTTONDOWN}}))
      << "the third press starts over";
  Log.Clear();
  Desktop.Advance(1000);
  Desktop.Click(120, 120);
  Desktop.Advance(DoubleClickTime + 1);
  Desktop.Click(120, 120);
  Desktop.Click(130, 120);
  EXPECT_EQ(Log.Count(**Left, WM_LBUTTONDBLCLK), 0) << "too late, then too far";
}

TEST_F(MouseDispatch, NonClientCodesGiveNonClientMessagesInScreenCoordinates) {
  Left->OnMessage = Answer(WM_NCHITTEST, HTCAPTION);
  Right->OnMessage = Answer(WM_NCLBUTTONDOWN, 0); // swallowed: no move loop
  Desktop.MouseMove(125, 125);
  EXPECT_EQ(Log.Last(WM_NCMOUSEMOVE)->WParam, static_cast<WPARAM>(HTCAPTION));
  EXPECT_EQ(Log.Last(WM_NCMOUSEMOVE)->LParam, MAKELPARAM(125, 125));
  EXPECT_EQ(Log.Count(**Left, WM_MOUSEMOVE), 0);
}

TEST_F(MouseDispatch, ADefaultCursorFollowsTheHitCodeAndWindowsMayChooseTheirOwn) {
  Form->OnMessage = Answer(WM_NCHITTEST, HTRIGHT);
  Desktop.MouseMove(298, 150);
  EXPECT_EQ(Desktop.CursorShape(), IDC_SIZEWE);
  Right->OnMessage = [](TMessage& M) {
    if (M.Msg != WM_SETCURSOR)
      return false;
    SetCursor(LoadCursor(nullptr, IDC_HAND));
    M.Result = 1;
    return true;
  };
  Desktop.MouseMove(215, 115);
  EXPECT_EQ(Desktop.CursorShape(), IDC_HAND);
  TPoint p;
  GetCursorPos(&p);
  EXPECT_EQ(p, (TPoint{215, 115}));
}

TEST_F(MouseDispatch, AHandlerThatDestroysItsFormEndsTheDispatchCleanly) {
  Left->OnMessage = [this](TMessage& M) {
    if (M.Msg != WM_LBUTTONUP)
      return false;
    DestroyWindow(**Form);
    return true;
  };
  Desktop.MouseDown(120, 120);
  Desktop.MouseUp(120, 120);
  EXPECT_FALSE(IsWindow(**Form));
  EXPECT_FALSE(IsWindow(**Left));
  Log.Clear();
  Desktop.MouseMove(125, 125);
  Desktop.Click(125, 125);
  Desktop.Advance(100);
  EXPECT_TRUE(Log.Entries().empty());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

using MoveAndSize = HeadlessTest;

TEST_F(MoveAndSize, ACaptionPressMovesTheFormWithThePointer) {
  auto form = Make(nullptr, Bounds(100, 100, 200, 100));
  auto titleBar = Make(**form, Bounds(0, 0, 200, 20));
  // As a skinned title bar does: give up the capture and hand the form a caption press.
  titleBar->OnMessage = [&](TMessage& M) {
    if (M.Msg != WM_LBUTTONDOWN)
      return false;
    ReleaseCapture();
    SendMessage(**form, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    return true;
  };
  Desktop.MouseDown(150, 110);
  EXPECT_TRUE(Desktop.MoveSizeActive());
  Desktop.MouseMove(170, 140);
  Desktop.MouseMove(180, 150);
  TRect r;
  GetWindowRect(**form, &r);
  EXPECT_EQ(r, Bounds(130, 140, 200, 100));
  EXPECT_EQ(Log.Last(WM_MOVE)->LParam, MAKELPARAM(130, 140));
  Desktop.MouseUp(180, 150);
  EXPECT_FALSE(Desktop.MoveSizeActive());
  EXPECT_EQ(Log.Of({WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}),
            (Pairs{{**form, WM_ENTERSIZEMOVE}, {**form, WM_EXITSIZEMOVE}}));
  EXPECT_EQ(Log.Count(**titleBar, WM_LBUTTONUP), 0) << "the move loop takes the release";
  EXPECT_EQ(GetKeyState(VK_LBUTTON), 0);
  Desktop.MouseMove(190, 150);
  EXPECT_EQ(Log.Last(WM_MOUSEMOVE)->WParam, 0u);
  EXPECT_EQ(Log.Last(WM_MOUSEMOVE)->Wnd, **titleBar);
}

TEST_F(MoveAndSize, EdgePressesResizeWithinTheWindowsLimits) {
  auto form = Make(nullptr, Bounds(100, 100, 200, 100));
  form->OnMessage = [](TMessage& M) {
    if (M.Msg == WM_GETMINMAXINFO) {
      reinterpret_cast<MINMAXINFO*>(M.LParam)->ptMinTrackSize = {150, 80};
      return true;
    }
    if (M.Msg != WM_NCHITTEST)
      return false;
    const int x = GET_X_LPARAM(M.LParam);
    M.Result = x < 105 ? HTLEFT : x >= 295 ? HTBOTTOMRIGHT : HTCLIENT;
    return true;
  };
  Desktop.MouseDown(298, 198);
  Desktop.MouseMove(318, 208);
  Desktop.MouseUp(318, 208);
  TRect r;
  GetWindowRect(**form, &r);
  EXPECT_EQ(r, Bounds(100, 100, 220, 110));
  EXPECT_EQ(Log.Last(WM_SIZE)->LParam, MAKELPARAM(220, 110));
  Desktop.MouseDown(101, 150);
  Desktop.MouseMove(200, 150); // would leave 121 pixels: held at the minimum, right edge fixed
  Desktop.MouseUp(200, 150);
  GetWindowRect(**form, &r);
  EXPECT_EQ(r, Rect(170, 100, 320, 210));
}

using KeysAndFocus = HeadlessTest;

TEST_F(KeysAndFocus, FocusMovesWithKillThenSetAndKeysFollowIt) {
  auto form = Make(nullptr, Bounds(0, 0, 200, 100));
  auto a = Make(**form, Bounds(0, 0, 50, 50));
  auto b = Make(**form, Bounds(60, 0, 50, 50));
  SetFocus(**a);
  Log.Clear();
  EXPECT_EQ(SetFocus(**b), **a);
  EXPECT_EQ(Log.Of({WM_KILLFOCUS, WM_SETFOCUS}), (Pairs{{**a, WM_KILLFOCUS}, {**b, WM_SETFOCUS}}));
  EXPECT_EQ(Log.Last(WM_KILLFOCUS)->WParam, reinterpret_cast<WPARAM>(**b));
  EXPECT_EQ(Log.Last(WM_SETFOCUS)->WParam, reinterpret_cast<WPARAM>(**a));
  Desktop.KeyDown(VK_RETURN);
  Desktop.Char(U'\r');
  Desktop.KeyUp(VK_RETURN);
  EXPECT_EQ(Log.Of({WM_KEYDOWN, WM_CHAR, WM_KEYUP}), (Pairs{{**b, WM_KEYDOWN}, {**b, WM_CHAR}, {**b, WM_KEYUP}}));
  EXPECT_EQ(Log.Last(WM_KEYDOWN)->WParam, static_cast<WPARAM>(VK_RETURN));
  ShowWindow(**b, SW_HIDE);
  EXPECT_EQ(GetFocus(), nullptr) << "a hidden window keeps no focus";
}

TEST_F(KeysAndFocus, AltCombinationsAreSystemKeysAndAltF4Closes) {
  auto form = Make(nullptr, Bounds(0, 0, 200, 100));
  SetFocus(**form);
  Desktop.KeyDown(VK_MENU);
  Desktop.Char(U' ');
  EXPECT_EQ(Log.Last(WM_SYSCHAR)->WParam, static_cast<WPARAM>(' '));
  EXPECT_TRUE(Log.Last(WM_SYSCHAR)->LParam & (LPARAM(1) << 29));
  Desktop.KeyDown(VK_F4);
  EXPECT_EQ(Log.Last(WM_SYSKEYDOWN)->WParam, static_cast<WPARAM>(VK_F4));
  EXPECT_FALSE(IsWindow(**form));
  Desktop.KeyUp(VK_MENU);
  EXPECT_EQ(GetKeyState(VK_MENU), 0);
}

TEST_F(KeysAndFocus, ClicksActivateFormsAndTheDesktopDeactivatesTheProgram) {
  auto first = Make(nullptr, Bounds(0, 0, 100, 100));
  auto second = Make(nullptr, Bounds(200, 0, 100, 100));
  EXPECT_EQ(GetActiveWindow(), **second);
  Log.Clear();
  Desktop.Click(50, 50);
  EXPECT_EQ(GetActiveWindow(), **first);
  EXPECT_EQ(Log.Of({WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_LBUTTONDOWN}),
            (Pairs{{**second, WM_NCACTIVATE},
                   {**second, WM_ACTIVATE},
                   {**first, WM_NCACTIVATE},
                   {**first, WM_ACTIVATE},
                   {**first, WM_LBUTTONDOWN}}));
  EXPECT_EQ(Desktop.Hosts().front()->Window(), **first) << "the active form comes to the top";
  Log.Clear();
  Desktop.Click(600, 600);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(Log.Count(**first, WM_ACTIVATEAPP), 1);
  EXPECT_EQ(Log.Last(WM_ACTIVATEAPP)->WParam, 0u);
  Desktop.Click(250, 50);
  EXPECT_EQ(Log.Last(WM_ACTIVATEAPP)->WParam, 1u);
}

TEST_F(KeysAndFocus, MenuWindowsTakeClicksWithoutActivation) {
  auto form = Make(nullptr, Bounds(0, 0, 300, 300));
  auto menu = Make(nullptr, Bounds(50, 50, 80, 120), clWhite, WS_VISIBLE | WS_POPUP, WS_EX_NOACTIVATE);
  EXPECT_EQ(GetActiveWindow(), **form);
  EXPECT_EQ(Desktop.Hosts().front()->Window(), **menu);
  Desktop.Click(60, 60);
  EXPECT_EQ(Log.Last(WM_LBUTTONDOWN)->Wnd, **menu);
  EXPECT_EQ(GetActiveWindow(), **form);
  Desktop.Click(250, 250);
  EXPECT_EQ(Desktop.Hosts().front()->Window(), **menu) << "menus stay above forms";
}

} // namespace
