#include "tests/platform/windows/TestWindow.h"

namespace {

using WindowLifetime = HeadlessTest;

TEST_F(WindowLifetime, CreationSendsCreateThenSizeAndMove) {
  auto form = Make(nullptr, Bounds(100, 50, 200, 120));
  EXPECT_EQ(Log.Of({WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}),
            (std::vector<std::pair<HWND, UINT>>{{**form, WM_NCCREATE},
                                               {**form, WM_CREATE},
                                               {**form, WM_SIZE},
                                               {**form, WM_MOVE},
                                               {**form, WM_SHOWWINDOW}}));
  EXPECT_EQ(Log.Last(WM_SIZE)->LParam, MAKELPARAM(200, 120));
  ASSERT_NE(Desktop.Host(**form), nullptr);
  EXPECT_EQ(Desktop.Host(**form)->Bounds(), Bounds(100, 50, 200, 120));
}

TEST_F(WindowLifetime, CreateAnsweredWithMinusOneFails) {
  TMessageLog log;
  WNDPROC proc = MakeObjectInstance([](TMessage& M) { M.Result = M.Msg == WM_CREATE ? -1 : 0; });
  EXPECT_EQ(CreateWindowEx(0, "refused", WS_VISIBLE, 0, 0, 10, 10, nullptr, proc), nullptr);
  EXPECT_TRUE(Desktop.Hosts().empty());
  FreeObjectInstance(proc);
}

TEST_F(WindowLifetime, DestroyTellsParentsFirstAndFreesChildrenFirst) {
  auto form = Make(nullptr, Bounds(0, 0, 100, 100));
  auto child = Make(**form, Bounds(10, 10, 50, 50));
  auto grandchild = Make(**child, Bounds(1, 1, 5, 5));
  Log.Clear();
  const HWND f = **form, c = **child, g = **grandchild;
  EXPECT_TRUE(DestroyWindow(f));
  EXPECT_EQ(Log.Of({WM_DESTROY, WM_NCDESTROY}),
            (std::vector<std::pair<HWND, UINT>>{
                {f, WM_DESTROY}, {c, WM_DESTROY}, {g, WM_DESTROY}, {g, WM_NCDESTROY}, {c, WM_NCDESTROY}, {f, WM_NCDESTROY}}));
  EXPECT_FALSE(IsWindow(f));
  EXPECT_FALSE(IsWindow(g));
  EXPECT_FALSE(DestroyWindow(f)) << "a second destroy must be refused";
  EXPECT_EQ(Desktop.Host(f), nullptr);
}

TEST_F(WindowLifetime, StaleAndForgedHandlesAreRefusedEverywhere) {
  HWND stale;
  {
    auto form = Make(nullptr, Bounds(0, 0, 10, 10));
    stale = **form;
  }
  const HWND forged = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0xDEADBEE0));
  for (HWND h : {stale, forged}) {
    TRect r{1, 2, 3, 4};
    TPoint p{5, 6};
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(SendMessage(h, WM_USER, 1, 2), 0);
    EXPECT_FALSE(PostMessage(h, WM_USER, 1, 2));
    EXPECT_FALSE(GetWindowRect(h, &r));
    EXPECT_EQ(r, (TRect{1, 2, 3, 4}));
    EXPECT_FALSE(ScreenToClient(h, &p));
    EXPECT_EQ(SetWindowLongPtr(h, GWL_STYLE, 0), 0);
    EXPECT_EQ(SetTimer(h, 1, 100), 0u);
    EXPECT_EQ(SetFocus(h), nullptr);
    EXPECT_EQ(SetCapture(h), nullptr);
    EXPECT_FALSE(InvalidateRect(h, nullptr, 1));
    EXPECT_EQ(GetDC(h), nullptr);
  }
}

TEST_F(WindowLifetime, TextIsKeptAsUtf8AndShownAsTheTitle) {
  auto form = Make(nullptr, Bounds(0, 0, 10, 10));
  const std::string caption = "\xE8\xA6\x96\xE7\xAA\x97 brightness";
  EXPECT_TRUE(SetWindowText(**form, caption));
  EXPECT_EQ(GetWindowText(**form), caption);
  EXPECT_EQ(GetWindowTextLength(**form), static_cast<int>(caption.size()));
  EXPECT_EQ(Desktop.Host(**form)->Title(), caption);
}

using WindowGeometry = HeadlessTest;

TEST_F(WindowGeometry, ChildCoordinatesConvertThroughEveryAncestor) {
  auto form = Make(nullptr, Bounds(100, 200, 300, 300));
  auto panel = Make(**form, Bounds(10, 20, 100, 100));
  auto button = Make(**panel, Bounds(5, 6, 30, 20));
  TRect r;
  ASSERT_TRUE(GetWindowRect(**button, &r));
  EXPECT_EQ(r, Bounds(115, 226, 30, 20));
  ASSERT_TRUE(GetClientRect(**button, &r));
  EXPECT_EQ(r, Rect(0, 0, 30, 20));
  TPoint p{120, 230};
  ASSERT_TRUE(ScreenToClient(**button, &p));
  EXPECT_EQ(p, (TPoint{5, 4}));
  ASSERT_TRUE(ClientToScreen(**button, &p));
  EXPECT_EQ(p, (TPoint{120, 230}));
  EXPECT_EQ(WindowFromPoint({120, 230}), **button);
  EXPECT_EQ(WindowFromPoint({111, 221}), **panel);
  EXPECT_EQ(WindowFromPoint({5, 5}), nullptr);
}

TEST_F(WindowGeometry, MoveWindowReportsOnlyWhatChanged) {
  auto form = Make(nullptr, Bounds(0, 0, 300, 300));
  auto child = Make(**form, Bounds(10, 10, 50, 50));
  Log.Clear();
  MoveWindow(**child, 20, 10, 50, 50, 1);
  EXPECT_EQ(Log.Count(**child, WM_MOVE), 1);
  EXPECT_EQ(Log.Count(**child, WM_SIZE), 0);
  EXPECT_EQ(Log.Last(WM_MOVE)->LParam, MAKELPARAM(20, 10));
  MoveWindow(**child, 20, 10, 60, 40, 1);
  EXPECT_EQ(Log.Count(**child, WM_SIZE), 1);
  EXPECT_EQ(Log.Count(**child, WM_MOVE), 1);
  MoveWindow(**form, 40, 30, 300, 300, 1);
  EXPECT_EQ(Desktop.Host(**form)->Bounds(), Bounds(40, 30, 300, 300));
}

TEST_F(WindowGeometry, SiblingOrderDecidesWhichChildIsHit) {
  auto form = Make(nullptr, Bounds(0, 0, 100, 100));
  auto a = Make(**form, Bounds(0, 0, 50, 50));
  auto b = Make(**form, Bounds(0, 0, 50, 50));
  EXPECT_EQ(WindowFromPoint({10, 10}), **b) << "the newest child is on top";
  SetWindowPos(**b, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(WindowFromPoint({10, 10}), **a);
  ShowWindow(**a, SW_HIDE);
  EXPECT_EQ(WindowFromPoint({10, 10}), **b);
}

TEST_F(WindowGeometry, StyleChangesKeepTheShowState) {
  auto form = Make(nullptr, Bounds(0, 0, 100, 100), clWhite, WS_VISIBLE | WS_CAPTION | WS_THICKFRAME);
  const LONG_PTR style = GetWindowLong(**form, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_EQ(SetWindowLong(**form, GWL_STYLE, style & ~WS_CAPTION & ~WS_VISIBLE), style);
  EXPECT_FALSE(GetWindowLong(**form, GWL_STYLE) & WS_CAPTION);
  EXPECT_TRUE(IsWindowVisible(**form)) << "visibility changes only through ShowWindow";
  RECT client;
  GetClientRect(**form, &client);
  EXPECT_EQ(client, Rect(0, 0, 100, 100));
}

using ShowStates = HeadlessTest;

TEST_F(ShowStates, MaximiseFillsTheWorkAreaAndRestoreGoesBack) {
  auto form = Make(nullptr, Bounds(100, 100, 200, 150));
  Log.Clear();
  ShowWindow(**form, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(**form));
  TRect r;
  GetWindowRect(**form, &r);
  EXPECT_EQ(r, Rect(0, 0, 1024, 728)) << "the task bar stays uncovered";
  EXPECT_EQ(Log.Last(WM_SIZE)->WParam, static_cast<WPARAM>(SIZE_MAXIMIZED));
  ShowWindow(**form, SW_RESTORE);
  GetWindowRect(**form, &r);
  EXPECT_EQ(r, Bounds(100, 100, 200, 150));
  EXPECT_EQ(Log.Last(WM_SIZE)->WParam, static_cast<WPARAM>(SIZE_RESTORED));
  EXPECT_EQ(Log.Count(**form, WM_SHOWWINDOW), 0) << "the window stayed visible throughout";
}

TEST_F(ShowStates, MinimiseHidesFromTheScreenAndSystemCommandsDriveTheStates) {
  auto form = Make(nullptr, Bounds(100, 100, 200, 150), clRed);
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenPixel(150, 150), 0xFF0000u);
  SendMessage(**form, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(**form));
  EXPECT_EQ(Log.Last(WM_SIZE)->WParam, static_cast<WPARAM>(SIZE_MINIMIZED));
  EXPECT_EQ(ScreenPixel(150, 150), Desktop.Background());
  SendMessage(**form, WM_SYSCOMMAND, SC_RESTORE, 0);
  Desktop.ProcessMessages();
  EXPECT_FALSE(IsIconic(**form));
  EXPECT_EQ(ScreenPixel(150, 150), 0xFF0000u);
  SendMessage(**form, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(**form));
  SendMessage(**form, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(Log.Count(**form, WM_CLOSE), 1);
  EXPECT_FALSE(IsWindow(**form)) << "WM_CLOSE left to the default destroys the window";
}

TEST_F(ShowStates, HidingReportsTheVisibilityChange) {
  auto form = Make(nullptr, Bounds(0, 0, 50, 50));
  auto child = Make(**form, Bounds(0, 0, 10, 10));
  EXPECT_TRUE(ShowWindow(**child, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(**child));
  EXPECT_EQ(Log.Last(WM_SHOWWINDOW)->WParam, 0u);
  EXPECT_FALSE(ShowWindow(**child, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(**child));
  ShowWindow(**form, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(**child)) << "a child of a hidden window is not visible";
}

using Procedures = HeadlessTest;

LRESULT PlainProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_USER)
    return 77;
  return DefWindowProc(Wnd, Msg, WParam, LParam);
}

TEST_F(Procedures, ReplacementSeesMessagesFirstAndChainsToThePrevious) {
  auto form = Make(nullptr, Bounds(0, 0, 50, 50));
  std::vector<std::string> order;
  WNDPROC previous = nullptr;
  WNDPROC replacement = MakeObjectInstance([&](TMessage& M) {
    order.push_back("new");
    M.Result = CallWindowProc(previous, **form, M.Msg, M.WParam, M.LParam) + 1;
  });
  form->OnMessage = [&](TMessage& M) {
    if (M.Msg != WM_USER)
      return false;
    order.push_back("old");
    M.Result = 10;
    return true;
  };
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(**form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(replacement)));
  EXPECT_EQ(previous, form->Proc());
  EXPECT_EQ(SendMessage(**form, WM_USER, 0, 0), 11);
  EXPECT_EQ(order, (std::vector<std::string>{"new", "old"}));
  SetWindowLongPtr(**form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  EXPECT_EQ(SendMessage(**form, WM_USER, 0, 0), 10);
  FreeObjectInstance(replacement);
}

TEST_F(Procedures, UnknownProceduresAreRefusedAndPlainFunctionsServe) {
  auto form = Make(nullptr, Bounds(0, 0, 50, 50));
  EXPECT_EQ(SetWindowLongPtr(**form, GWLP_WNDPROC, 0x1234560), 0);
  EXPECT_EQ(GetWindowLongPtr(**form, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(form->Proc()));
  WNDPROC plain = WndProcFromFunction(PlainProcedure);
  EXPECT_EQ(plain, WndProcFromFunction(PlainProcedure)) << "one handle per function";
  SetWindowLongPtr(**form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(plain));
  EXPECT_EQ(SendMessage(**form, WM_USER, 0, 0), 77);
  EXPECT_EQ(SendMessage(**form, WM_NCHITTEST, 0, MAKELPARAM(5, 5)), HTCLIENT);
  SetWindowLongPtr(**form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(form->Proc()));
}

TEST_F(Procedures, AProcedureMayFreeItselfWhileItRuns) {
  auto form = Make(nullptr, Bounds(0, 0, 50, 50));
  WNDPROC self = nullptr;
  int calls = 0;
  self = MakeObjectInstance([&](TMessage& M) {
    ++calls;
    SetWindowLongPtr(**form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(form->Proc()));
    FreeObjectInstance(self);
    M.Result = 5;
  });
  SetWindowLongPtr(**form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self));
  EXPECT_EQ(SendMessage(**form, WM_USER, 0, 0), 5);
  EXPECT_EQ(CallWindowProc(self, **form, WM_USER, 0, 0), 0) << "a freed procedure is never called";
  EXPECT_EQ(calls, 1);
}

} // namespace
