#include "ControlsFixture.h"

#include "platform/controls/MenuLoop.h"
#include "platform/controls/ToolBar.h"
#include "platform/controls/Timer.h"
#include "platform/core/StoredForm.h"
#include "platform/graphics/Bitmap.h"

#include <functional>

namespace {

// A shown form with a popup menu: Open (Ctrl+O), Recent > One, Two (Ctrl+T), a separator, a
// disabled item and Exit. Scripts run one step each time the menu loop waits for input.
class MenuTest : public ControlsTest {
protected:
  MenuTest() {
    Menu = new TPopupMenu(Form);
    Open = AddItem(Menu->Items(), "&Open", "open");
    Open->SetShortCut(ShortCut('O', {ssCtrl}));
    Recent = AddItem(Menu->Items(), "&Recent", "recent");
    One = AddItem(Recent, "&One", "one");
    Two = AddItem(Recent, "&Two", "two");
    Two->SetShortCut(ShortCut('T', {ssCtrl}));
    AddItem(Menu->Items(), "-", "line");
    Disabled = AddItem(Menu->Items(), "&Disabled", "disabled");
    Disabled->SetEnabled(false);
    Exit = AddItem(Menu->Items(), "E&xit", "exit");
    ShowForm();
    Desktop.SetIdleHook([this] {
      if (Step < Script.size())
        Script[Step++]();
    });
  }

  TMenuItem* AddItem(TMenuItem* Parent, const std::string& Caption, const std::string& Name) {
    auto* item = new TMenuItem(Form);
    item->SetCaption(Caption);
    item->OnClick = [this, Name](TObject*) {
      Log.push_back(Name + ":click");
      for (const THeadlessWindow* h : Desktop.Hosts())
        if (h->Kind() == TWindowKind::Menu)
          Log.push_back("menu window still there");
    };
    Parent->Add(item);
    return item;
  }
  TPoint Centre(const TMenuItem* Item) {
    TRect r;
    EXPECT_TRUE(MenuItemScreenRect(Item, r)) << Item->Caption() << " is not shown";
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void ClickItem(const TMenuItem* Item) {
    const TPoint p = Centre(Item);
    Desktop.Click(p.X, p.Y);
  }
  void Then(std::function<void()> F) { Script.push_back(std::move(F)); }
  // Pops the menu up at (200, 150) and lets the chosen command arrive.
  void PopupAndSettle(int X = 200, int Y = 150) {
    Menu->Popup(X, Y);
    EXPECT_EQ(OpenMenuLevels(), 0);
    Desktop.ProcessMessages();
  }
  int MenuHosts() const {
    int n = 0;
    for (const THeadlessWindow* h : Desktop.Hosts())
      n += h->Kind() == TWindowKind::Menu && h->OnScreen();
    return n;
  }

  TPopupMenu* Menu = nullptr;
  TMenuItem *Open, *Recent, *One, *Two, *Disabled, *Exit;
  std::vector<std::function<void()>> Script;
  std::size_t Step = 0;
};

TEST(ShortCutTest, TextsFollowTheModifierOrderAndKeyNames) {
  EXPECT_EQ(ShortCutToText(ShortCut('O', {ssCtrl})), "Ctrl+O");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_F1 + 4, {ssAlt, ssShift, ssCtrl})), "Shift+Ctrl+Alt+F5");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, {})), "Del");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_BACK, {ssAlt})), "Alt+BkSp");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_PRIOR, {})), "PgUp");
  EXPECT_EQ(ShortCutToText(ShortCut(VK_RETURN, {})), "Enter");
  EXPECT_EQ(ShortCutToText(0), "");
  EXPECT_EQ(TextToShortCut("ctrl+shift+ins"), ShortCut(VK_INSERT, {ssCtrl, ssShift}));
  EXPECT_EQ(TextToShortCut("Esc"), VK_ESCAPE);
  EXPECT_EQ(TextToShortCut("Ctrl+Nothing"), 0);
  for (TShortCut s : {ShortCut('Z', {ssShift}), ShortCut(VK_SPACE, {ssCtrl, ssAlt}), ShortCut(VK_DOWN, {})})
    EXPECT_EQ(TextToShortCut(ShortCutToText(s)), s);
}

TEST_F(MenuTest, IsShortCutFindsSubItemsAndSkipsDisabledBranches) {
  Desktop.KeyDown(VK_CONTROL);
  TWMKey key = KeyMessage(WM_KEYDOWN, 'T', 1);
  EXPECT_TRUE(Menu->IsShortCut(key));
  EXPECT_EQ(Log, std::vector<std::string>{"two:click"});
  Recent->SetEnabled(false);
  EXPECT_FALSE(Menu->IsShortCut(key));
  TWMKey plain = KeyMessage(WM_KEYDOWN, 'O', 1);
  Desktop.KeyUp(VK_CONTROL);
  EXPECT_FALSE(Menu->IsShortCut(plain));
  EXPECT_EQ(Log.size(), 1u);
}

TEST_F(MenuTest, ClickChoosesAndTheClickComesAfterTheMenuIsGone) {
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 1);
    EXPECT_EQ(MenuHosts(), 1);
    ClickItem(Open);
  });
  Menu->Popup(200, 150);
  EXPECT_TRUE(Log.empty());
  EXPECT_EQ(MenuHosts(), 0);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log, std::vector<std::string>{"open:click"});
}

TEST_F(MenuTest, SubMenuOpensAfterTheDelayAndItsItemIsChosen) {
  Then([&] {
    const TPoint p = Centre(Recent);
    Desktop.MouseMove(p.X, p.Y);
  });
  Then([&] { EXPECT_EQ(OpenMenuLevels(), 1) << "opened before the delay"; });
  Then([&] {
    ASSERT_EQ(OpenMenuLevels(), 2);
    ClickItem(Two);
  });
  PopupAndSettle();
  EXPECT_EQ(Log, std::vector<std::string>{"two:click"});
}

TEST_F(MenuTest, KeysMoveOpenAndChoose) {
  Then([&] {
    Desktop.KeyDown(VK_DOWN);
    Desktop.KeyDown(VK_DOWN);
    Desktop.KeyDown(VK_RIGHT);
  });
  Then([&] {
    ASSERT_EQ(OpenMenuLevels(), 2);
    EXPECT_EQ(MenuLevelSelection(1), One);
    Desktop.KeyDown(VK_DOWN);
    Desktop.KeyDown(VK_RETURN);
  });
  PopupAndSettle();
  EXPECT_EQ(Log, std::vector<std::string>{"two:click"});
}

TEST_F(MenuTest, UpWrapsAndSkipsTheSeparator) {
  Then([&] {
    Desktop.KeyDown(VK_UP);
    Desktop.KeyDown(VK_UP);
    Desktop.KeyDown(VK_UP);
  });
  Then([&] {
    EXPECT_EQ(MenuLevelSelection(0), Recent);
    Desktop.KeyDown(VK_ESCAPE);
  });
  PopupAndSettle();
  EXPECT_TRUE(Log.empty());
}

TEST_F(MenuTest, AccessKeyChooses) {
  Then([&] { Desktop.Char('x'); });
  PopupAndSettle();
  EXPECT_EQ(Log, std::vector<std::string>{"exit:click"});
}

TEST_F(MenuTest, EscapeClosesOneLevel) {
  Then([&] {
    Desktop.KeyDown(VK_DOWN);
    Desktop.KeyDown(VK_DOWN);
    Desktop.KeyDown(VK_RIGHT);
  });
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 2);
    Desktop.KeyDown(VK_ESCAPE);
  });
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 1);
    EXPECT_EQ(MenuLevelSelection(0), Recent);
    Desktop.KeyDown(VK_ESCAPE);
  });
  PopupAndSettle();
  EXPECT_TRUE(Log.empty());
}

TEST_F(MenuTest, LeftClosesTheSubMenuAndTheFormStaysActive) {
  Then([&] {
    Desktop.KeyDown(VK_DOWN);
    Desktop.KeyDown(VK_DOWN);
    Desktop.KeyDown(VK_RIGHT);
  });
  Then([&] {
    ASSERT_EQ(OpenMenuLevels(), 2);
    EXPECT_EQ(GetActiveWindow(), Form->Handle()) << "a menu window took the activation";
    Desktop.KeyDown(VK_LEFT);
  });
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 1);
    EXPECT_EQ(MenuLevelSelection(0), Recent);
    Desktop.KeyDown(VK_LEFT);
  });
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 1) << "Left on the first level of a popup menu closed it";
    Desktop.KeyDown(VK_UP);
    Desktop.KeyDown(VK_RETURN);
  });
  PopupAndSettle();
  EXPECT_EQ(Log, std::vector<std::string>{"open:click"});
}

TEST_F(MenuTest, APressOutsideClosesAndReachesNothing) {
  TPanel* panel = AddPanel(Form, "Panel", Bounds(150, 10, 60, 40));
  panel->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { Log.push_back("Panel:down"); };
  Desktop.ProcessMessages();
  Then([&] { Desktop.Click(At(panel).X, At(panel).Y); });
  PopupAndSettle(20, 400);
  EXPECT_TRUE(Log.empty());
}

TEST_F(MenuTest, ADisabledItemCannotBeChosen) {
  Then([&] {
    ClickItem(Disabled);
    Desktop.KeyDown(VK_RETURN);
  });
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 1);
    Desktop.Char('d');
    Desktop.KeyDown(VK_ESCAPE);
  });
  PopupAndSettle();
  EXPECT_TRUE(Log.empty());
}

TEST_F(MenuTest, PlacementStaysInTheWorkAreaAndFlipsAtTheEdges) {
  Then([&] {
    TRect r;
    GetWindowRect(MenuLevelWindow(0), &r);
    EXPECT_EQ(r.Right, 1020) << "flipped to the left of the point";
    EXPECT_EQ(r.Bottom, 720) << "flipped above the point";
    Desktop.KeyDown(VK_DOWN);
    Desktop.KeyDown(VK_DOWN);
    Desktop.KeyDown(VK_RIGHT);
  });
  Then([&] {
    TRect parent, sub;
    GetWindowRect(MenuLevelWindow(0), &parent);
    GetWindowRect(MenuLevelWindow(1), &sub);
    EXPECT_LE(sub.Right, parent.Left + 3) << "the sub-menu opens to the left";
    EXPECT_LE(sub.Bottom, 728);
    Desktop.KeyDown(VK_ESCAPE);
    Desktop.KeyDown(VK_ESCAPE);
  });
  PopupAndSettle(1020, 720);
  Then([&] {
    TRect r;
    GetWindowRect(MenuLevelWindow(0), &r);
    EXPECT_EQ(r.TopLeft(), (TPoint{0, 0}));
    Desktop.KeyDown(VK_ESCAPE);
  });
  PopupAndSettle(-50, -50);
}

TEST_F(MenuTest, OwnerDrawnItemsGetTheirRectAndStateAndShowWhatTheyDraw) {
  Menu->SetOwnerDraw(true);
  std::vector<std::pair<TRect, bool>> drawn;
  for (TMenuItem* item : {Open, Recent, Disabled, Exit}) {
    item->OnMeasureItem = [](TObject*, TCanvas&, int& W, int& H) {
      W = 100;
      H = 20;
    };
    item->OnDrawItem = [&](TObject*, TCanvas& C, const TRect& R, bool Selected) {
      drawn.emplace_back(R, Selected);
      C.Brush().SetColor(Selected ? clRed : clBlue);
      C.FillRect(R);
    };
  }
  Then([&] {
    TRect r;
    ASSERT_TRUE(MenuItemScreenRect(Open, r));
    EXPECT_EQ(r.Width(), 100);
    EXPECT_EQ(r.Height(), 20);
    drawn.clear();
    Desktop.MouseMove(r.Left + 5, r.Top + 5);
  });
  Then([&] {
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().first, Rect(3, 3, 103, 23));
    EXPECT_TRUE(drawn.back().second);
    EXPECT_EQ(ScreenColor(Centre(Open)), clRed);
    EXPECT_EQ(ScreenColor(Centre(Exit)), clBlue);
    Desktop.KeyDown(VK_ESCAPE);
  });
  PopupAndSettle();
}

TEST_F(MenuTest, ItemsMeasuredHugeOpenAMenuNoLargerThanTheWorkArea) {
  Menu->SetOwnerDraw(true);
  // Each asks for more than any screen; their heights together overflow an int.
  for (TMenuItem* item : {Open, Recent, Disabled, Exit})
    item->OnMeasureItem = [](TObject*, TCanvas&, int& W, int& H) {
      W = 1 << 30;
      H = 1 << 30;
    };
  TRect work;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  Then([&] {
    TRect menu, item;
    ASSERT_TRUE(GetWindowRect(MenuLevelWindow(0), &menu));
    EXPECT_EQ(menu, work);
    ASSERT_TRUE(MenuItemScreenRect(Open, item));
    EXPECT_EQ(item, Rect(3, 3, work.Right - 3, work.Bottom - 3)) << "the first item fills the menu";
    EXPECT_FALSE(MenuItemScreenRect(Exit, item)) << "past the menu's end";
    Desktop.KeyDown(VK_UP);
  });
  Then([&] {
    EXPECT_EQ(MenuLevelSelection(0), Open) << "Up wraps to the last item shown";
    Desktop.KeyDown(VK_ESCAPE);
  });
  PopupAndSettle(400, 300);
  EXPECT_EQ(Step, 2u);
}

TEST_F(MenuTest, TimersRunAndOnMessageSeesNothingWhileTheMenuIsOpen) {
  int ticks = 0;
  std::vector<UINT> offered;
  Application->OnMessage = [&](MSG& M, bool&) { offered.push_back(M.message); };
  HWND w = CreateWindowEx(0, "", 0, 0, 0, 0, 0, HWND_MESSAGE, WndProcFromFunction(DefWindowProc));
  SetTimer(w, 7, 50);
  Then([&] { Desktop.KeyDown(VK_DOWN); });
  Then([&] {}); // the clock moves on to the timer
  Then([&] { Desktop.KeyDown(VK_ESCAPE); });
  Desktop.Advance(0);
  offered.clear();
  const long long before = Desktop.Now();
  Menu->Popup(200, 150);
  Application->OnMessage = nullptr;
  ticks = Desktop.Now() > before ? 1 : 0;
  EXPECT_EQ(ticks, 1) << "the loop waited on the timer";
  EXPECT_TRUE(offered.empty());
  DestroyWindow(w);
}

TEST_F(MenuTest, ARightClickOpensTheControlsPopupMenu) {
  TPanel* panel = AddPanel(Form, "Panel", Bounds(10, 10, 60, 40));
  panel->OnMouseEnter = panel->OnMouseLeave = nullptr;
  panel->SetPopupMenu(Menu);
  int popups = 0;
  Menu->OnPopup = [&](TObject*) { ++popups; };
  Then([&] {
    EXPECT_EQ(Menu->PopupComponent(), panel);
    TRect r;
    GetWindowRect(MenuLevelWindow(0), &r);
    EXPECT_EQ(r.TopLeft(), At(panel, 5, 6));
    ClickItem(Exit);
  });
  const TPoint p = At(panel, 5, 6);
  Desktop.Click(p.X, p.Y, TInputButton::Right);
  Desktop.ProcessMessages();
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(Log, std::vector<std::string>{"exit:click"});

  panel->OnContextPopup = [](TObject*, TPoint, bool& Handled) { Handled = true; };
  Desktop.Click(p.X, p.Y, TInputButton::Right);
  EXPECT_EQ(popups, 1);
}

// A form with a main menu: File (New, Quit) and Edit (Copy).
class MainMenuTest : public MenuTest {
protected:
  MainMenuTest() {
    Main = new TMainMenu(Form);
    File = AddItem(Main->Items(), "&File", "file");
    New = AddItem(File, "&New", "new");
    AddItem(File, "&Quit", "quit");
    Edit = AddItem(Main->Items(), "&Edit", "edit");
    Copy = AddItem(Edit, "&Copy", "copy");
    Copy->SetShortCut(ShortCut('C', {ssCtrl}));
  }
  TMainMenu* Main;
  TMenuItem *File, *New, *Edit, *Copy;
};

TEST_F(MainMenuTest, TheMenuBarStripTakesTheTopOfTheWindow) {
  const int before = Form->ClientHeight();
  Form->SetMenu(Main);
  const int bar = Form->MenuBarHeight();
  EXPECT_GT(bar, 0);
  EXPECT_EQ(Form->ClientHeight(), before - bar);
  TPanel* panel = AddPanel(Form, "Panel", Bounds(0, 0, 40, 20));
  Desktop.ProcessMessages();
  EXPECT_EQ(panel->ClientToScreen({0, 0}), (TPoint{100, 100 + bar}));
  EXPECT_EQ(ScreenColor({102, 100 + bar / 2}), ColorToRGB(clMenuBar)) << "the strip is painted";
  Form->SetMenu(nullptr);
  EXPECT_EQ(Form->ClientHeight(), before);
}

TEST_F(MainMenuTest, ClickOnTheBarDropsDownAndAltLetterOpensByKeyboard) {
  Form->SetMenu(Main);
  Desktop.ProcessMessages();
  Then([&] {
    ASSERT_EQ(OpenMenuLevels(), 1);
    EXPECT_TRUE(MenuItemScreenRect(New, *std::make_unique<TRect>()));
    ClickItem(New);
  });
  Desktop.Click(105, 105);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log, std::vector<std::string>{"new:click"});

  Log.clear();
  Then([&] {
    EXPECT_EQ(MenuLevelSelection(0), Copy);
    Desktop.KeyDown(VK_RETURN);
  });
  Desktop.KeyDown(VK_MENU);
  Desktop.Char('e');
  Desktop.KeyUp(VK_MENU);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log, std::vector<std::string>{"copy:click"});
}

TEST_F(MainMenuTest, TheFormRunsItsMenusShortcutsOnKeyDown) {
  Form->SetMenu(Main);
  Desktop.KeyDown(VK_CONTROL);
  Desktop.KeyDown('C');
  Desktop.KeyUp('C');
  Desktop.KeyUp(VK_CONTROL);
  EXPECT_EQ(Log, std::vector<std::string>{"copy:click"});
}

TEST_F(MainMenuTest, AToolBarOfMenuButtonsDropsDownAndSwitchesMenus) {
  auto* bar = new TToolBar(Form);
  bar->SetParent(Form);
  bar->SetShowCaptions(true);
  bar->SetFlat(true);
  // Last item first, each at Left 0: the bar ends up in menu order.
  for (int i = Main->Items()->Count() - 1; i >= 0; --i) {
    auto* b = new TToolButton(Form);
    b->SetParent(bar);
    b->SetAutoSize(true);
    b->SetMenuItem(Main->Items()->Items(i));
  }
  ASSERT_EQ(bar->ButtonCount(), 2);
  EXPECT_EQ(bar->Buttons(0)->MenuItem(), File);
  EXPECT_EQ(bar->Buttons(0)->Caption(), "&File");
  EXPECT_LT(bar->Buttons(0)->Left(), bar->Buttons(1)->Left());
  std::vector<TCustomDrawState> states;
  bar->OnCustomDrawButton = [&](TToolBar*, TToolButton* B, TCustomDrawState S, bool&) {
    if (B == bar->Buttons(1))
      states.push_back(S);
  };
  Desktop.ProcessMessages();
  TToolButton* edit = bar->Buttons(1);
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 1);
    EXPECT_TRUE(MenuItemScreenRect(New, *std::make_unique<TRect>()));
    states.clear();
    Desktop.MouseMove(At(edit).X, At(edit).Y);
  });
  Then([&] {
    EXPECT_EQ(bar->MenuButton(), edit);
    TRect r;
    EXPECT_FALSE(MenuItemScreenRect(New, r));
    ASSERT_TRUE(MenuItemScreenRect(Copy, r));
    EXPECT_EQ(r.Top, edit->ClientToScreen({0, edit->Height()}).Y + 3) << "under the button";
    ASSERT_FALSE(states.empty());
    EXPECT_TRUE(states.back().Contains(cdsSelected));
    ClickItem(Copy);
  });
  Desktop.MouseDown(At(bar->Buttons(0)).X, At(bar->Buttons(0)).Y);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log, std::vector<std::string>{"copy:click"});
  EXPECT_EQ(bar->MenuButton(), nullptr);
}

class TMenuForm : public TForm {
  BRIVO_CLASS(TMenuForm, TForm)

public:
  explicit TMenuForm(TComponent* AOwner) : TForm(AOwner) {}
};

} // namespace

const TClassInfo& TMenuForm::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TMenuForm>().Build();
  return Info;
}

namespace {

TEST_F(MainMenuTest, StoredFormsKeepMenusWithNestedItems) {
  Form->SetName("Stored");
  File->SetName("mnuFile");
  New->SetName("mnuNew");
  Edit->SetName("mnuEdit");
  Copy->SetName("mnuCopy");
  Main->SetName("MainMenu1");
  Menu->SetName("PopupMenu1");
  for (int i = 0; i < Form->ComponentCount(); ++i)
    if (auto* item = dynamic_cast<TMenuItem*>(Form->Components(i)); item && item->Name().empty())
      item->SetName("N" + std::to_string(i));
  Form->SetMenu(Main);
  const std::string text = WriteStoredForm(*Form);
  ASSERT_NE(text.find("    object mnuNew: TMenuItem"), std::string::npos) << text;
  ASSERT_NE(text.find("ShortCut = 16451"), std::string::npos) << text;

  auto* copy = new TMenuForm(nullptr);
  std::string asMenuForm = text;
  asMenuForm.replace(asMenuForm.find("TForm"), 5, "TMenuForm");
  RegisterClass(TMenuForm::StaticClassInfo());
  ReadStoredForm(asMenuForm, *copy);
  ASSERT_NE(copy->Menu(), nullptr);
  TMenuItem* file = copy->Menu()->Items()->Items(0);
  EXPECT_EQ(file->Caption(), "&File");
  ASSERT_EQ(file->Count(), 2);
  EXPECT_EQ(file->Items(0)->Name(), "mnuNew");
  EXPECT_EQ(copy->Menu()->Items()->Items(1)->Items(0)->ShortCut(), ShortCut('C', {ssCtrl}));
  std::string back = WriteStoredForm(*copy);
  back.replace(back.find("TMenuForm"), 9, "TForm");
  EXPECT_EQ(back, text);
  delete copy;
}

TEST_F(MenuTest, ItemsReportChangesAndRadioItemsStayExclusive) {
  std::vector<std::pair<TMenuItem*, bool>> changes;
  Menu->OnChange = [&](TObject*, TMenuItem* Source, bool Rebuild) { changes.emplace_back(Source, Rebuild); };
  One->SetCaption("Uno");
  Two->SetEnabled(false);
  auto* three = new TMenuItem(nullptr);
  Recent->Add(three);
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[0], (std::pair<TMenuItem*, bool>{One, true}));
  EXPECT_EQ(changes[1], (std::pair<TMenuItem*, bool>{Two, false}));
  EXPECT_TRUE(changes[2].second);
  for (TMenuItem* i : {One, Two, three})
    i->SetRadioItem(true);
  One->SetChecked(true);
  three->SetChecked(true);
  EXPECT_FALSE(One->Checked());
  EXPECT_THROW(One->Add(Recent), EMenuError);
  EXPECT_EQ(three->GetParentMenu(), Menu);
  delete Recent; // frees its sub-items, whoever owns them
  EXPECT_EQ(Menu->Items()->IndexOf(Recent), -1);
  EXPECT_EQ(Menu->Items()->Count(), 4);
  Menu->OnChange = nullptr;
}

TEST_F(MenuTest, TheCharacterOfTheKeyThatClosesTheMenuStaysInTheMenu) {
  std::u32string typed;
  Form->SetKeyPreview(true);
  Form->OnKeyPress = [&](TObject*, char32_t& Key) { typed += Key; };
  Then([&] {
    Desktop.KeyDown(VK_DOWN);
    Desktop.KeyDown(VK_RETURN);
    Desktop.Char(U'\r');
  });
  PopupAndSettle();
  EXPECT_EQ(Log, std::vector<std::string>{"open:click"});
  Then([&] {
    Desktop.KeyDown(VK_ESCAPE);
    Desktop.Char(0x1B);
  });
  PopupAndSettle();
  EXPECT_TRUE(typed.empty());
  Desktop.Char(U'\r');
  EXPECT_EQ(typed, U"\r") << "with the menu closed the form has its keys again";
}

TEST_F(MenuTest, APressOnAnItemWithSubItemsOpensThemAtOnce) {
  Then([&] {
    const TPoint p = Centre(Recent);
    Desktop.MouseDown(p.X, p.Y);
  });
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 2);
    const TPoint p = Centre(Recent);
    Desktop.MouseUp(p.X, p.Y);
  });
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 2) << "releasing on the parent item chooses nothing";
    ClickItem(One);
  });
  PopupAndSettle();
  EXPECT_EQ(Log, std::vector<std::string>{"one:click"});
}

TEST_F(MenuTest, TheRightButtonChoosesOnlyWhenTheMenuTracksIt) {
  Menu->SetTrackButton(tbLeftButton);
  Then([&] {
    const TPoint p = Centre(Open);
    Desktop.Click(p.X, p.Y, TInputButton::Right);
  });
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 1);
    Desktop.KeyDown(VK_ESCAPE);
  });
  PopupAndSettle();
  EXPECT_TRUE(Log.empty());
  Menu->SetTrackButton(tbRightButton);
  Then([&] {
    const TPoint p = Centre(Open);
    Desktop.Click(p.X, p.Y, TInputButton::Right);
  });
  PopupAndSettle();
  EXPECT_EQ(Log, std::vector<std::string>{"open:click"});
}

TEST_F(MenuTest, AlignmentPutsTheMenusCornerOrMiddleAtThePoint) {
  TRect r;
  auto escape = [&] {
    GetWindowRect(MenuLevelWindow(0), &r);
    Desktop.KeyDown(VK_ESCAPE);
  };
  Menu->SetAlignment(paRight);
  Then(escape);
  PopupAndSettle(400, 150);
  EXPECT_EQ(r.Right, 400);
  EXPECT_EQ(r.Top, 150);
  Menu->SetAlignment(paCenter);
  Then(escape);
  PopupAndSettle(400, 150);
  EXPECT_NEAR((r.Left + r.Right) / 2, 400, 1);
}

TEST_F(MenuTest, RedundantSeparatorsAreHiddenAndItemsWithoutAnAccessKeyGetOne) {
  auto* plain = new TPopupMenu(Form);
  std::vector<TMenuItem*> items;
  for (const char* caption : {"-", "Alpha", "-", "-", "Beta", "-"})
    items.push_back(AddItem(plain->Items(), caption, caption));
  Then([&] {
    TRect r;
    EXPECT_FALSE(MenuItemScreenRect(items[0], r)) << "a separator at the top";
    EXPECT_TRUE(MenuItemScreenRect(items[2], r));
    EXPECT_FALSE(MenuItemScreenRect(items[3], r)) << "the second of two in a row";
    EXPECT_FALSE(MenuItemScreenRect(items[5], r)) << "a separator at the bottom";
    Desktop.Char('b');
  });
  plain->Popup(200, 150);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log, std::vector<std::string>{"Beta:click"});

  plain->SetAutoHotkeys(maManual);
  plain->SetAutoLineReduction(maManual);
  Then([&] {
    TRect r;
    EXPECT_TRUE(MenuItemScreenRect(items[0], r));
    Desktop.Char('b');
  });
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 1) << "no access key of its own";
    Desktop.KeyDown(VK_ESCAPE);
  });
  plain->Popup(200, 150);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log.size(), 1u);
}

TEST_F(MenuTest, AnItemFreedWhileTheMenuIsOpenIsLeftOut) {
  Then([&] {
    delete Disabled;
    delete Recent;
    Desktop.MouseMove(Centre(Open).X, Centre(Open).Y + 19);
    Desktop.KeyDown(VK_DOWN);
    Desktop.KeyDown(VK_DOWN);
  });
  Then([&] {
    EXPECT_EQ(MenuLevelSelection(0), Exit);
    ClickItem(Exit);
  });
  PopupAndSettle();
  EXPECT_EQ(Log, std::vector<std::string>{"exit:click"});
}

TEST_F(MenuTest, AMenuFreedWhileItIsOpenClosesIt) {
  TTimer timer(nullptr);
  timer.SetInterval(50);
  timer.SetOnTimer([&](TObject*) {
    timer.SetEnabled(false);
    delete Menu;
    Menu = nullptr;
  });
  Then([&] { EXPECT_EQ(OpenMenuLevels(), 1); });
  Menu->Popup(200, 150);
  EXPECT_EQ(Menu, nullptr);
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_EQ(MenuHosts(), 0);
}

TEST_F(MenuTest, AMenuThatOwnsItsItemsFreesThemWithItself) {
  auto* own = new TPopupMenu(Form);
  auto* first = new TMenuItem(own);
  auto* sub = new TMenuItem(own);
  auto* loose = new TMenuItem(nullptr);
  own->Items()->Add(first);
  first->Add(sub);
  own->Items()->Add(loose);
  const UINT command = loose->Command();
  int changes = 0;
  own->OnChange = [&](TObject*, TMenuItem*, bool) { ++changes; };
  const int formComponents = Form->ComponentCount();
  delete own;
  EXPECT_EQ(Form->ComponentCount(), formComponents - 1);
  EXPECT_EQ(FindMenuItemByCommand(command), nullptr);
  EXPECT_EQ(changes, 0) << "a menu on its way out reports no changes";
}

TEST_F(MenuTest, TheShortCutsOfAPopupMenuOnTheWayToTheFormRunOnKeyDown) {
  Form->SetPopupMenu(Menu);
  Desktop.KeyDown(VK_CONTROL);
  Desktop.KeyDown('O');
  Desktop.KeyUp('O');
  Desktop.KeyUp(VK_CONTROL);
  EXPECT_EQ(Log, std::vector<std::string>{"open:click"});
}

TEST_F(MenuTest, AGraphicControlWithoutAMenuLeavesTheRightClickToItsParent) {
  TLabel* label = AddLabel(Form, "Label", Bounds(10, 10, 60, 20));
  label->OnMouseEnter = label->OnMouseLeave = nullptr;
  Form->SetPopupMenu(Menu);
  Desktop.ProcessMessages();
  Then([&] {
    EXPECT_EQ(Menu->PopupComponent(), Form);
    ClickItem(Exit);
  });
  Desktop.Click(At(label).X, At(label).Y, TInputButton::Right);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log, std::vector<std::string>{"exit:click"});
}

TEST_F(MainMenuTest, AltHighlightsTheBarAndAltAgainLeavesItForGood) {
  Form->SetMenu(Main);
  Desktop.ProcessMessages();
  int waits = 0;
  Then([&] {
    ++waits;
    EXPECT_TRUE(MenuLoopActive());
    EXPECT_EQ(OpenMenuLevels(), 0) << "only the bar is highlighted";
    Desktop.KeyDown(VK_MENU);
    Desktop.KeyUp(VK_MENU);
  });
  Then([&] {
    ++waits;
    Desktop.KeyDown(VK_ESCAPE);
  });
  Desktop.KeyDown(VK_MENU);
  Desktop.KeyUp(VK_MENU);
  Desktop.ProcessMessages();
  EXPECT_EQ(waits, 1) << "releasing the Alt that closed the bar opened it again";
  EXPECT_FALSE(MenuLoopActive());
}

TEST_F(MainMenuTest, KeysMoveAlongTheBarAndEscapeStepsBackToIt) {
  Form->SetMenu(Main);
  Desktop.ProcessMessages();
  Then([&] {
    ASSERT_EQ(OpenMenuLevels(), 1);
    EXPECT_EQ(MenuLevelSelection(0), New);
    Desktop.KeyDown(VK_RIGHT);
  });
  Then([&] {
    ASSERT_EQ(OpenMenuLevels(), 1);
    EXPECT_EQ(MenuLevelSelection(0), Copy);
    Desktop.KeyDown(VK_RIGHT); // past the last place: back to the first
  });
  Then([&] {
    EXPECT_EQ(MenuLevelSelection(0), New);
    Desktop.KeyDown(VK_ESCAPE);
  });
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 0);
    EXPECT_TRUE(MenuLoopActive()) << "the bar stays highlighted";
    Desktop.KeyDown(VK_DOWN);
  });
  Then([&] {
    EXPECT_EQ(MenuLevelSelection(0), New);
    Desktop.KeyDown(VK_ESCAPE);
    Desktop.KeyDown(VK_ESCAPE);
  });
  Desktop.KeyDown(VK_MENU);
  Desktop.KeyDown('F');
  Desktop.Char('f');
  Desktop.KeyUp('F');
  Desktop.KeyUp(VK_MENU);
  Desktop.ProcessMessages();
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_TRUE(Log.empty());
}

TEST_F(MainMenuTest, HoveringAlongTheStripSwitchesItsDropDowns) {
  Form->SetMenu(Main);
  Desktop.ProcessMessages();
  // The second place of the strip starts where the first, measured as the strip measures it, ends.
  TBitmap scratch;
  scratch.SetSize(1, 1);
  TFont font;
  GetMenuFont(font);
  scratch.Canvas().SetFont(font);
  const int fileWidth = MeasureMenuItemDefault(scratch.Canvas(), *File, nullptr, true).cx;
  const int y = 100 + Form->MenuBarHeight() / 2;
  Then([&] { Desktop.MouseMove(100 + fileWidth + 3, y); });
  Then([&] {
    TRect r;
    EXPECT_FALSE(MenuItemScreenRect(New, r));
    ASSERT_TRUE(MenuItemScreenRect(Copy, r));
    EXPECT_EQ(r.Left - 3, 100 + fileWidth) << "the drop-down hangs under its place, inside its frame";
    ClickItem(Copy);
  });
  Desktop.Click(102, y);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log, std::vector<std::string>{"copy:click"});
}

} // namespace

namespace {

// The platform's own item drawing, on a bitmap of one item's size.
class DefaultItemDrawingTest : public ::testing::Test {
protected:
  static constexpr int W = 200, H = 20;
  DefaultItemDrawingTest() {
    Item.SetCaption("&Open");
    Bitmap.SetSize(W, H);
  }
  void Draw(const TMenuItem& I, bool Selected = false) {
    TCanvas& c = Bitmap.Canvas();
    GetMenuFont(c.Font());
    DrawMenuItemDefault(c, I, Rect(0, 0, W, H), Selected, nullptr);
  }
  TColor At(int X, int Y) { return Bitmap.Canvas().Pixel(X, Y); }
  // Pixels of the strip [X0, X1) that differ from the colour Bg.
  int Marks(int X0, int X1, TColor Bg) {
    int n = 0;
    for (int y = 0; y < H; ++y)
      for (int x = X0; x < X1; ++x)
        n += At(x, y) != ColorToRGB(Bg);
    return n;
  }
  int Count(int X0, int X1, TColor C) {
    int n = 0;
    for (int y = 0; y < H; ++y)
      for (int x = X0; x < X1; ++x)
        n += At(x, y) == ColorToRGB(C);
    return n;
  }

  TMenuItem Item{nullptr};
  TBitmap Bitmap;
};

TEST_F(DefaultItemDrawingTest, CheckAndRadioMarksSitLeftOfTheCaption) {
  Draw(Item);
  EXPECT_EQ(Marks(0, 20, clMenu), 0) << "an unchecked item marks its check column";
  EXPECT_GT(Marks(20, W, clMenu), 0) << "no caption";
  Item.SetChecked(true);
  Draw(Item);
  const int check = Marks(0, 20, clMenu);
  EXPECT_GT(check, 0);
  TBitmap checkPicture;
  checkPicture.Assign(Bitmap);
  Item.SetRadioItem(true);
  Draw(Item);
  EXPECT_GT(Marks(0, 20, clMenu), 0);
  int differing = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < 20; ++x)
      differing += checkPicture.Canvas().Pixel(x, y) != At(x, y);
  EXPECT_GT(differing, 0) << "the radio mark looks like the check mark";
}

TEST_F(DefaultItemDrawingTest, DisabledItemsAreGreyAndTheSelectionIsHighlighted) {
  Draw(Item);
  EXPECT_GT(Count(20, W, clMenuText), 0);
  Item.SetEnabled(false);
  Draw(Item);
  EXPECT_GT(Count(20, W, clGrayText), 0);
  EXPECT_EQ(Count(0, W, clMenuText), 0) << "a disabled caption in the normal text colour";
  Item.SetEnabled(true);
  Draw(Item, true);
  EXPECT_EQ(At(0, 0), ColorToRGB(clHighlight));
  EXPECT_EQ(At(W - 1, H - 1), ColorToRGB(clHighlight));
  EXPECT_GT(Count(20, W, clHighlightText), 0);
  EXPECT_EQ(Count(0, W, clMenuText), 0);
}

TEST_F(DefaultItemDrawingTest, ShortCutAtTheRightAndTheArrowOnlyForSubItems) {
  Draw(Item);
  EXPECT_EQ(Marks(W / 2, W, clMenu), 0);
  Item.SetShortCut(ShortCut('O', {ssCtrl}));
  Draw(Item);
  EXPECT_GT(Marks(W / 2, W - 16, clMenu), 0) << "no shortcut text at the right";
  EXPECT_EQ(Marks(W - 16, W, clMenu), 0) << "an arrow without sub-items";
  auto* sub = new TMenuItem(nullptr);
  sub->SetCaption("Sub");
  Item.Add(sub);
  Draw(Item);
  EXPECT_GT(Marks(W - 16, W, clMenu), 0) << "no sub-menu arrow";
}

TEST_F(DefaultItemDrawingTest, ASeparatorIsAShadowAndALightLineAcrossTheMiddle) {
  Item.SetCaption("-");
  Draw(Item, true);
  const int y = H / 2 - 1;
  for (int x = 1; x < W - 1; ++x) {
    ASSERT_EQ(At(x, y), ColorToRGB(clBtnShadow)) << x;
    ASSERT_EQ(At(x, y + 1), ColorToRGB(clBtnHighlight)) << x;
  }
  EXPECT_EQ(At(0, y), ColorToRGB(clMenu));
  EXPECT_EQ(At(W - 1, y), ColorToRGB(clMenu));
  EXPECT_EQ(At(W / 2, 0), ColorToRGB(clMenu)) << "a separator is never highlighted";
}

} // namespace
