#include "ControlsFixture.h"

#include "platform/controls/Timer.h"

using ::testing::ElementsAre;

namespace {

using InputTest = ControlsTest;

TEST_F(InputTest, PressAndReleaseOverAControlClickIt) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(10, 10, 60, 30));
  ShowForm();
  Desktop.Click(At(p).X, At(p).Y);
  EXPECT_THAT(Log, ElementsAre("Panel:enter", "Panel:click"));
}

TEST_F(InputTest, ReleaseOutsideGivesNoClickAndTheMovesStayCaptured) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(10, 10, 60, 30));
  std::vector<TPoint> moves;
  p->OnMouseMove = [&](TObject*, TShiftState, int X, int Y) { moves.push_back({X, Y}); };
  ShowForm();
  Desktop.MouseDown(At(p).X, At(p).Y);
  Desktop.MouseMove(At(p).X + 100, At(p).Y);
  Desktop.MouseUp(At(p).X + 100, At(p).Y);
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back().X, 102) << "the captured panel hears moves outside it, in its own coordinates";
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Panel:click"), 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(InputTest, GraphicControlsGetClicksAndCaptureThroughTheirParent) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(10, 10, 200, 60));
  TLabel* l = AddLabel(p, "Label", Bounds(20, 20, 50, 15));
  std::vector<TPoint> ups;
  l->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int X, int Y) { ups.push_back({X, Y}); };
  ShowForm();
  Desktop.Click(At(l).X, At(l).Y);
  Desktop.Advance(1000); // not a double click
  Desktop.MouseDown(At(l).X, At(l).Y);
  Desktop.MouseUp(At(l).X + 80, At(l).Y);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Label:click"), 1);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Panel:click"), 0);
  ASSERT_EQ(ups.size(), 2u);
  EXPECT_EQ(ups[1].X, 82) << "the release outside went to the label that took the press";
}

TEST_F(InputTest, AQuickSecondPressIsADoubleClickOnlyWithTheStyleFlag) {
  TPanel* with = AddPanel(Form, "With", Bounds(10, 10, 60, 30));
  TPanel* without = AddPanel(Form, "Without", Bounds(100, 10, 60, 30));
  without->SetControlStyle(without->ControlStyle() - TControlStyle{csDoubleClicks});
  ShowForm();
  Desktop.Click(At(with).X, At(with).Y);
  Desktop.Click(At(with).X, At(with).Y);
  Desktop.Click(At(without).X, At(without).Y);
  Desktop.Click(At(without).X, At(without).Y);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "With:click"), 1);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "With:dblclick"), 1);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Without:click"), 2);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Without:dblclick"), 0);
}

TEST_F(InputTest, EnterAndLeaveFollowThePointerOverWindowedAndGraphicControls) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(10, 10, 120, 60));
  TLabel* l = AddLabel(p, "Label", Bounds(60, 20, 40, 15));
  Form->SetName("Form");
  Watch(Form);
  ShowForm();
  Desktop.MouseMove(At(p).X, At(p).Y);
  Desktop.MouseMove(At(l).X, At(l).Y);
  Desktop.MouseMove(At(l).X + 1, At(l).Y);
  Desktop.MouseMove(At(p).X, At(p).Y);
  Desktop.MouseMove(At(Form, 200, 100).X, At(Form, 200, 100).Y);
  Desktop.MouseMove(900, 700);
  EXPECT_THAT(Log, ElementsAre("Panel:enter", "Panel:leave", "Label:enter", "Label:leave", "Panel:enter",
                               "Panel:leave", "Form:enter", "Form:leave"));
}

TEST_F(InputTest, DraggingOffAPressedControlMakesItLeave) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(10, 10, 60, 30));
  ShowForm();
  Desktop.MouseDown(At(p).X, At(p).Y);
  Desktop.MouseMove(At(p).X + 150, At(p).Y);
  EXPECT_THAT(Log, ElementsAre("Panel:enter", "Panel:leave"));
  Desktop.MouseUp(At(p).X + 150, At(p).Y);
}

TEST_F(InputTest, AControlsCursorShowsOverIt) {
  TLabel* l = AddLabel(Form, "Link", Bounds(10, 10, 60, 15));
  l->SetCursor(crHandPoint);
  ShowForm();
  Desktop.MouseMove(At(l).X, At(l).Y);
  EXPECT_EQ(Desktop.CursorShape(), IDC_HAND);
  Desktop.MouseMove(At(Form, 200, 100).X, At(Form, 200, 100).Y);
  EXPECT_EQ(Desktop.CursorShape(), IDC_ARROW);
  Screen->SetCursor(crHourGlass);
  Desktop.MouseMove(At(l).X, At(l).Y);
  EXPECT_EQ(Desktop.CursorShape(), IDC_WAIT) << "the screen's cursor wins over the control's";
  Screen->SetCursor(crDefault);
}

TEST_F(InputTest, AClickHandlerMayFreeTheForm) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(10, 10, 60, 30));
  int ups = 0;
  p->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
  p->OnClick = [&](TObject*) {
    delete Form;
    Form = nullptr;
  };
  ShowForm();
  Desktop.Click(At(p).X, At(p).Y);
  EXPECT_EQ(Form, nullptr);
  EXPECT_EQ(ups, 0) << "nothing reaches the freed panel after its click";
  Desktop.MouseMove(10, 10);
}

TEST_F(InputTest, ReplacedWindowProcedureSeesTheFormsMessagesAndChains) {
  TPanel* p = AddPanel(Form, "Panel", Bounds(10, 10, 60, 30));
  ShowForm();
  static WNDPROC previous = nullptr;
  static int sizes = 0;
  sizes = 0;
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(
      Form->Handle(), GWLP_WNDPROC,
      reinterpret_cast<LONG_PTR>(WndProcFromFunction([](HWND W, UINT M, WPARAM WP, LPARAM LP) -> LRESULT {
        if (M == WM_SIZE)
          ++sizes;
        return CallWindowProc(previous, W, M, WP, LP);
      }))));
  EXPECT_EQ(previous, Form->ObjectInstance());
  Form->SetWidth(300);
  EXPECT_EQ(sizes, 1);
  Desktop.Click(At(p).X, At(p).Y);
  EXPECT_EQ(std::count(Log.begin(), Log.end(), "Panel:click"), 1);
}

class TKeyPanel : public TPanel {
public:
  explicit TKeyPanel(TComponent* AOwner) : TPanel(AOwner) { SetTabStop(true); }
  LRESULT DialogCode = 0;
  bool Default = false;
  std::vector<WORD> Keys;
  int DefaultClicks = 0;

protected:
  void WndProc(TMessage& M) override {
    if (M.Msg == WM_GETDLGCODE) {
      M.Result = DialogCode;
      return;
    }
    if (M.Msg == CM_DIALOGKEY && M.WParam == VK_RETURN && Default) {
      ++DefaultClicks;
      M.Result = 1;
      return;
    }
    TPanel::WndProc(M);
  }
  void KeyDown(WORD& Key, TShiftState Shift) override {
    Keys.push_back(Key);
    TPanel::KeyDown(Key, Shift);
  }
};

class FocusTest : public ControlsTest {
protected:
  TKeyPanel* AddKeyPanel(const std::string& Name, int X) {
    auto* p = NewComponent<TKeyPanel>(Form);
    p->SetName(Name);
    p->SetBounds(X, 10, 40, 30);
    p->SetParent(Form);
    Watch(p);
    return p;
  }
};

TEST_F(FocusTest, TabMovesTheFocusInTabOrderSkippingWhatCannotTakeIt) {
  TKeyPanel* a = AddKeyPanel("A", 10);
  TKeyPanel* b = AddKeyPanel("B", 60);
  TKeyPanel* c = AddKeyPanel("C", 110);
  TKeyPanel* d = AddKeyPanel("D", 160);
  c->SetTabOrder(0); // C, A, B, D
  d->SetTabStop(false);
  b->SetVisible(false);
  EXPECT_EQ(a->TabOrder(), 1);
  ShowForm();
  c->SetFocus();
  EXPECT_TRUE(c->Focused());
  Desktop.KeyDown(VK_TAB);
  Desktop.KeyUp(VK_TAB);
  EXPECT_TRUE(a->Focused());
  Desktop.KeyDown(VK_TAB);
  EXPECT_TRUE(c->Focused()) << "B is hidden and D no tab stop: the order wraps to C";
  Desktop.KeyDown(VK_SHIFT);
  Desktop.KeyDown(VK_TAB);
  Desktop.KeyUp(VK_SHIFT);
  EXPECT_TRUE(a->Focused());
  EXPECT_THAT(Log, ElementsAre("C:focus", "C:unfocus", "A:focus", "A:unfocus", "C:focus", "C:unfocus", "A:focus"));
  EXPECT_EQ(Form->ActiveControl(), a);
  EXPECT_EQ(Screen->ActiveControl(), a);
}

TEST_F(FocusTest, ArrowsMoveAmongSiblingsUnlessTheControlWantsThem) {
  TKeyPanel* a = AddKeyPanel("A", 10);
  TKeyPanel* b = AddKeyPanel("B", 60);
  b->SetTabStop(false);
  ShowForm();
  a->SetFocus();
  Desktop.KeyDown(VK_RIGHT);
  EXPECT_TRUE(b->Focused()) << "arrows ignore TabStop";
  b->DialogCode = DLGC_WANTARROWS;
  Desktop.KeyDown(VK_LEFT);
  EXPECT_TRUE(b->Focused());
  EXPECT_THAT(b->Keys, ElementsAre(VK_LEFT));
}

TEST_F(FocusTest, EnterIsOfferedToEveryControlAsADialogKey) {
  TKeyPanel* a = AddKeyPanel("A", 10);
  TKeyPanel* ok = AddKeyPanel("Ok", 60);
  ok->Default = true;
  ShowForm();
  a->SetFocus();
  Desktop.KeyDown(VK_RETURN);
  EXPECT_EQ(ok->DefaultClicks, 1);
  EXPECT_TRUE(a->Keys.empty()) << "a handled dialog key does not reach the focused control";
  a->DialogCode = DLGC_WANTALLKEYS;
  Desktop.KeyDown(VK_RETURN);
  EXPECT_EQ(ok->DefaultClicks, 1);
  EXPECT_THAT(a->Keys, ElementsAre(VK_RETURN));
}

TEST_F(FocusTest, AltAndAnAccessKeyFocusTheLabelsControl) {
  TKeyPanel* a = AddKeyPanel("A", 10);
  TKeyPanel* b = AddKeyPanel("B", 60);
  TLabel* l = AddLabel(Form, "Label", Bounds(10, 60, 60, 15));
  l->SetCaption("&Name");
  l->SetFocusControl(b);
  ShowForm();
  a->SetFocus();
  Desktop.KeyDown(VK_MENU);
  Desktop.Char(U'x');
  EXPECT_TRUE(a->Focused());
  Desktop.Char(U'N');
  Desktop.KeyUp(VK_MENU);
  EXPECT_TRUE(b->Focused());
  delete b;
  EXPECT_EQ(l->FocusControl(), nullptr) << "the label forgets a control that goes";
}

TEST_F(FocusTest, TheActiveControlGetsTheFocusWhenTheFormShows) {
  AddKeyPanel("A", 10);
  TKeyPanel* b = AddKeyPanel("B", 60);
  EXPECT_THROW(b->SetFocus(), EComponentError) << "a control on a hidden form cannot take the focus";
  bool focusedInShow = true;
  Form->OnShow = [&](TObject*) {
    b->SetFocus();
    focusedInShow = b->Focused();
  };
  ShowForm();
  EXPECT_FALSE(focusedInShow) << "the window gets the focus once it shows";
  EXPECT_TRUE(Form->Active());
  EXPECT_TRUE(b->Focused());
  b->SetVisible(false);
  EXPECT_EQ(Form->ActiveControl(), nullptr);
  EXPECT_FALSE(b->Focused());
}

TEST_F(FocusTest, KeysReachTheFocusedControlsEvents) {
  TKeyPanel* a = AddKeyPanel("A", 10);
  std::u32string typed;
  std::vector<WORD> released;
  a->OnKeyPress = [&](TObject*, char32_t& C) { typed += C; };
  a->OnKeyUp = [&](TObject*, WORD& K, TShiftState) { released.push_back(K); };
  ShowForm();
  a->SetFocus();
  Desktop.KeyDown('Q');
  Desktop.Char(U'q');
  Desktop.KeyUp('Q');
  EXPECT_THAT(a->Keys, ElementsAre(WORD('Q')));
  EXPECT_EQ(typed, U"q");
  EXPECT_THAT(released, ElementsAre(WORD('Q')));
}

class TimerTest : public ControlsTest {};

TEST_F(TimerTest, TicksFollowTheVirtualClock) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(100);
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  Desktop.Advance(99);
  EXPECT_EQ(ticks, 0);
  Desktop.Advance(251);
  EXPECT_EQ(ticks, 3);
  timer.SetEnabled(false);
  Desktop.Advance(500);
  EXPECT_EQ(ticks, 3);
  timer.SetEnabled(true);
  timer.SetInterval(0);
  Desktop.Advance(500);
  EXPECT_EQ(ticks, 3) << "an interval of 0 never ticks";
}

TEST_F(TimerTest, AHandlerMayFreeItsTimer) {
  auto* timer = new TTimer(nullptr);
  int ticks = 0;
  timer->SetInterval(50);
  timer->SetOnTimer([&](TObject* Sender) {
    ++ticks;
    delete static_cast<TTimer*>(Sender);
  });
  Desktop.Advance(500);
  EXPECT_EQ(ticks, 1);
}

TEST_F(TimerTest, AnErrorInAHandlerShowsTheErrorBox) {
  TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.SetOnTimer([&](TObject*) {
    timer.SetEnabled(false);
    throw std::runtime_error("Disk full");
  });
  Desktop.Advance(20);
  ASSERT_EQ(Desktop.MessageBoxes().Boxes().size(), 1u);
  EXPECT_EQ(Desktop.MessageBoxes().Boxes()[0].Text, "Disk full.");
  EXPECT_EQ(Desktop.MessageBoxes().Boxes()[0].Type, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

} // namespace
