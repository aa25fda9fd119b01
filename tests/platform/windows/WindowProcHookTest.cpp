#include "platform/windows/WindowProcHook.h"
#include "tests/platform/windows/TestWindow.h"

namespace {

// A window that answers WM_USER with 10; hooks add to the answer so the chain shows in the result.
class WindowProcHooks : public HeadlessTest {
protected:
  void SetUp() override {
    Form = Make(nullptr, Bounds(0, 0, 50, 50));
    Baseline = OutstandingObjectInstances();
    Form->OnMessage = Answer(WM_USER, 10);
    Original = Form->Proc();
  }
  // A handler adding Step to whatever the procedure it replaced answers to WM_USER.
  TWndMethod Adding(TWindowProcHook& Hook, int Step, std::vector<int>* Calls = nullptr) {
    return [&Hook, Step, Calls](TMessage& M) {
      Hook.CallPrevious(M);
      if (M.Msg == WM_USER) {
        M.Result += Step;
        if (Calls)
          Calls->push_back(Step);
      }
    };
  }
  LRESULT User() { return SendMessage(**Form, WM_USER, 0, 0); }
  WNDPROC Installed() { return reinterpret_cast<WNDPROC>(GetWindowLongPtr(**Form, GWLP_WNDPROC)); }

  int Baseline = 0;
  std::unique_ptr<TTestWindow> Form;
  WNDPROC Original = nullptr;
};

TEST_F(WindowProcHooks, AHookSeesMessagesFirstAndPutsThePreviousProcedureBackWhenItGoes) {
  {
    TWindowProcHook hook;
    ASSERT_TRUE(hook.Install(**Form, Adding(hook, 1)));
    EXPECT_EQ(hook.Previous(), Original);
    EXPECT_EQ(Installed(), hook.Procedure());
    EXPECT_EQ(User(), 11);
  }
  EXPECT_EQ(Installed(), Original);
  EXPECT_EQ(User(), 10);
  EXPECT_EQ(OutstandingObjectInstances(), Baseline);
}

TEST_F(WindowProcHooks, TheOlderOfTwoHooksGoingFirstKeepsTheNewerOneWorking) {
  std::vector<int> calls;
  auto older = std::make_unique<TWindowProcHook>();
  older->Install(**Form, Adding(*older, 1, &calls));
  TWindowProcHook newer;
  newer.Install(**Form, Adding(newer, 100, &calls));
  EXPECT_EQ(User(), 111);

  older.reset();
  EXPECT_EQ(Installed(), newer.Procedure()) << "the newer hook stays installed";
  calls.clear();
  EXPECT_EQ(User(), 110) << "the removed hook only passes the message on";
  EXPECT_EQ(calls, (std::vector<int>{100}));

  newer.Remove();
  EXPECT_EQ(User(), 10);
  EXPECT_EQ(Installed(), Original) << "the pass-through left the chain at the first message it saw installed";
  EXPECT_EQ(OutstandingObjectInstances(), Baseline);
}

TEST_F(WindowProcHooks, APlainReplacementAboveAHookKeepsItsChainWhenTheHookGoes) {
  auto hook = std::make_unique<TWindowProcHook>();
  hook->Install(**Form, Adding(*hook, 1));
  WNDPROC below = Installed();
  WNDPROC plain = MakeObjectInstance(
      [&](TMessage& M) { M.Result = CallWindowProc(below, **Form, M.Msg, M.WParam, M.LParam) + 1000; });
  SetWindowLongPtr(**Form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(plain));
  hook.reset();
  EXPECT_EQ(User(), 1010);
  // The plain replacement restores what it replaced, the pass-through, which then leaves too.
  SetWindowLongPtr(**Form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(below));
  FreeObjectInstance(plain);
  EXPECT_EQ(User(), 10);
  EXPECT_EQ(Installed(), Original);
  EXPECT_EQ(OutstandingObjectInstances(), Baseline);
}

TEST_F(WindowProcHooks, ACallThroughAFreedProcedureIsRefused) {
  int calls = 0;
  WNDPROC freed = MakeObjectInstance([&](TMessage& M) {
    ++calls;
    M.Result = 1;
  });
  FreeObjectInstance(freed);
  EXPECT_EQ(CallWindowProc(freed, **Form, WM_USER, 0, 0), 0);
  EXPECT_EQ(SetWindowLongPtr(**Form, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(freed)), 0);
  EXPECT_EQ(Installed(), Original);
  // A chain that still names it loses the message instead of calling it.
  TWindowProcHook hook;
  hook.Install(**Form, [&](TMessage& M) { M.Result = CallWindowProc(freed, **Form, M.Msg, M.WParam, M.LParam); });
  EXPECT_EQ(User(), 0);
  EXPECT_EQ(calls, 0);
}

TEST_F(WindowProcHooks, AHookMayRemoveItselfFromItsOwnHandler) {
  TWindowProcHook hook;
  int calls = 0;
  hook.Install(**Form, [&](TMessage& M) {
    ++calls;
    hook.CallPrevious(M);
    if (M.Msg == WM_USER)
      hook.Remove();
  });
  EXPECT_EQ(User(), 10);
  EXPECT_FALSE(hook.Installed());
  EXPECT_EQ(User(), 10);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(OutstandingObjectInstances(), Baseline);
}

TEST_F(WindowProcHooks, AWindowDestroyedUnderItsHooksLeavesNothingBehind) {
  auto lower = std::make_unique<TWindowProcHook>();
  lower->Install(**Form, Adding(*lower, 1));
  TWindowProcHook upper;
  upper.Install(**Form, Adding(upper, 100));
  lower.reset(); // a pass-through now, until the window goes
  std::vector<UINT> seen;
  Form->OnMessage = [&](TMessage& M) {
    seen.push_back(M.Msg);
    return false;
  };
  const HWND gone = **Form;
  DestroyWindow(gone);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), static_cast<UINT>(WM_NCDESTROY)), 1)
      << "the last message still reached the window's own procedure";
  upper.Remove();
  EXPECT_FALSE(upper.Installed());
  EXPECT_EQ(upper.CallPrevious(WM_USER, 0, 0), 0);
  EXPECT_FALSE(upper.Install(gone, [](TMessage&) {})) << "a stale handle is refused";
  EXPECT_EQ(OutstandingObjectInstances(), Baseline) << "both hooks' procedures are freed";
}

} // namespace
