#include "tests/platform/windows/TestWindow.h"

namespace {

using MessageQueue = HeadlessTest;

TEST_F(MessageQueue, PostedMessagesArriveInOrderAndPeekCanLeaveThemQueued) {
  auto form = Make(nullptr, Bounds(0, 0, 10, 10));
  Desktop.ProcessMessages();
  PostMessage(**form, WM_USER + 1, 1, 0);
  PostMessage(**form, WM_USER + 2, 2, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, WM_USER + 1u);
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER + 2u) << "a range filter skips what it excludes";
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER + 1u);
  EXPECT_EQ(m.hwnd, **form);
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, QuitComesAfterWhatWasPostedBeforeIt) {
  auto form = Make(nullptr, Bounds(0, 0, 10, 10));
  PostMessage(**form, WM_USER, 0, 0);
  PostQuitMessage(3);
  MSG m;
  EXPECT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
  EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(MessageQueue, MessagesForDestroyedWindowsAreDropped) {
  auto form = Make(nullptr, Bounds(0, 0, 10, 10));
  PostMessage(**form, WM_USER, 0, 0);
  DestroyWindow(**form);
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, WaitingWithNothingToComeIsAnErrorAndTheIdleHookFeedsInput) {
  auto form = Make(nullptr, Bounds(0, 0, 100, 100));
  Desktop.ProcessMessages();
  MSG m;
  EXPECT_THROW(GetMessage(&m, nullptr, 0, 0), std::runtime_error);
  Desktop.SetIdleHook([this] { Desktop.MouseDown(10, 10); });
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_LBUTTONDOWN));
}

class Timers : public HeadlessTest {
protected:
  std::unique_ptr<TTestWindow> Form = Make(nullptr, Bounds(0, 0, 10, 10));
  std::vector<std::pair<UINT_PTR, DWORD>> Ticks;

  void SetUp() override {
    Form->OnMessage = [this](TMessage& M) {
      if (M.Msg == WM_TIMER)
        Ticks.emplace_back(M.WParam, GetTickCount());
      return false;
    };
  }
};

TEST_F(Timers, TimersFireAtTheirTimesInOrderAsTheClockAdvances) {
  SetTimer(**Form, 1, 100);
  SetTimer(**Form, 2, 150);
  Desktop.Advance(350);
  EXPECT_EQ(Ticks, (std::vector<std::pair<UINT_PTR, DWORD>>{{1, 100}, {2, 150}, {1, 200}, {1, 300}, {2, 300}}));
  EXPECT_EQ(GetTickCount(), 350u);
}

TEST_F(Timers, ALateTimerGivesOneMessageNotOnePerMissedInterval) {
  SetTimer(**Form, 1, 100);
  Desktop.WaitForEvents(450); // the clock runs on while nothing is processed
  Desktop.ProcessMessages();
  EXPECT_EQ(Ticks, (std::vector<std::pair<UINT_PTR, DWORD>>{{1, 450}}));
  EXPECT_EQ(NextTimerDue(), 550) << "the next interval counts from the late message";
}

TEST_F(Timers, KillingResettingAndDestroyingStopTimers) {
  SetTimer(**Form, 1, 100);
  SetTimer(**Form, 2, 100);
  Desktop.Advance(50);
  SetTimer(**Form, 1, 100); // starts its interval again
  EXPECT_TRUE(KillTimer(**Form, 2));
  EXPECT_FALSE(KillTimer(**Form, 2));
  Desktop.Advance(60);
  EXPECT_TRUE(Ticks.empty());
  Desktop.Advance(40);
  EXPECT_EQ(Ticks, (std::vector<std::pair<UINT_PTR, DWORD>>{{1, 150}}));
  DestroyWindow(**Form);
  EXPECT_EQ(NextTimerDue(), -1);
}

TEST_F(Timers, AModalLoopKeepsTimersRunning) {
  SetTimer(**Form, 7, 100);
  EXPECT_TRUE(RunModalLoop([this] { return Ticks.size() == 3; }));
  EXPECT_EQ(GetTickCount(), 300u);
  PostQuitMessage(0);
  EXPECT_FALSE(RunModalLoop([] { return false; }));
  MSG m;
  EXPECT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) << "the quit is left for the main loop";
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(Timers, MessageOnlyWindowsServeTimersWithoutANativeWindow) {
  auto hidden = Make(HWND_MESSAGE, Bounds(0, 0, 0, 0), clWhite, 0);
  ASSERT_TRUE(IsWindow(**hidden));
  EXPECT_EQ(Desktop.Host(**hidden), nullptr);
  hidden->OnMessage = [this](TMessage& M) {
    if (M.Msg == WM_TIMER)
      Ticks.emplace_back(M.WParam, GetTickCount());
    return false;
  };
  SetTimer(**hidden, 9, 20);
  Desktop.Advance(45);
  EXPECT_EQ(Ticks.size(), 2u);
}

} // namespace
