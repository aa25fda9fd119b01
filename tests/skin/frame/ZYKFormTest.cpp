// The skinned form on the headless desktop: what it does to its form, its border and sizes, the
// form's window procedure (hit tests, maximise), the application's keys, the menu bar, looks and
// themes, and the stored form.

#include "skin/frame/ZYKForm.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/MenuLoop.h"
#include "platform/core/StoredForm.h"
#include "platform/graphics/BmpCodec.h"
#include "platform/windows/Gdi.h"
#include "skin/foundation/ZYKPublic.h"
#include "skin/foundation/ZYKThemeFile.h"
#include "skin/menus/ZYKMainMenu.h"
#include "skin/menus/ZYKMenu.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A sizeable form at (100, 100) on a screen whose work area leaves 40 pixels at the bottom.
class FormTest : public ::testing::Test {
protected:
  FormTest() : Desktop(1024, 768, Rect(0, 0, 1024, 728)) {
    Application->Initialize();
    RegisterZYKFormClasses();
    RegisterZYKMainMenuClasses();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 300, 200);
    Form->SetCaption("Skinned");
    Desktop.SetIdleHook([this] {
      if (Step < Script.size())
        Script[Step++]();
    });
  }
  ~FormTest() override {
    Desktop.SetIdleHook(nullptr);
    delete Form;
    TzykForm::SetMenuAdviceSilenced(false);
  }

  // The skinned form in Style, 279 x 120 as the adjuster stores it.
  TzykForm* AddSkin(TzykUIStyle Style = MacOS) {
    Skin = NewComponent<TzykForm>(Form);
    Skin->SetUIStyle(Style);
    Skin->SetWidth(279);
    Skin->SetHeight(120);
    return Skin;
  }
  void Show() {
    Form->Show();
    Desktop.ProcessMessages();
  }
  TPoint OnForm(int X, int Y) const { return Form->ClientToScreen({X, Y}); }
  TColor ScreenColor(int X, int Y) {
    Desktop.ProcessMessages();
    const TPoint p = OnForm(X, Y);
    return PixelToColor(Desktop.Screenshot().At(p.X, p.Y));
  }
  LRESULT Hit(int X, int Y) {
    const TPoint p = OnForm(X, Y);
    return SendMessage(Form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
  }
  // Presses at a point of the form, moves by (DX, DY) and releases.
  void Drag(TPoint From, int DX, int DY) {
    Desktop.MouseMove(From.X, From.Y);
    Desktop.MouseDown(From.X, From.Y);
    Desktop.MouseMove(From.X + DX, From.Y + DY);
    Desktop.MouseUp(From.X + DX, From.Y + DY);
    Desktop.ProcessMessages();
  }
  // Steps run one at a time whenever a menu loop waits for input.
  void Then(std::function<void()> F) { Script.push_back(std::move(F)); }
  const std::vector<TRecordedMessageBox>& Boxes() { return Desktop.MessageBoxes().Boxes(); }

  // A main menu with "&File" (holding "&Open", Ctrl+O) and "&Edit". A skinned one finds the skinned
  // form on its own as soon as it is made, before it has items.
  template <class TMenu = TMainMenu>
  TMenu* AddMenu() {
    auto* menu = NewComponent<TMenu>(Form);
    Menu = menu;
    File = NewComponent<TMenuItem>(Form);
    File->SetCaption("&File");
    Open = NewComponent<TMenuItem>(Form);
    Open->SetCaption("&Open");
    Open->SetShortCut(ShortCut('O', {ssCtrl}));
    Open->OnClick = [this](TObject*) { ++Opens; };
    File->Add(Open);
    Edit = NewComponent<TMenuItem>(Form);
    Edit->SetCaption("&Edit");
    Edit->Add(NewComponent<TMenuItem>(Form));
    Edit->Items(0)->SetCaption("&Undo");
    Menu->Items()->Add(File);
    Menu->Items()->Add(Edit);
    return menu;
  }
  // A skinned main menu with the items above, its bar built as loading a stored form builds it.
  TzykMainMenu* AddSkinnedMenu() {
    auto* menu = AddMenu<TzykMainMenu>();
    menu->HookMenuItems();
    return menu;
  }
  // The pixels of a control as the screen shows them.
  TPixelBuffer Shown(const TControl* C) {
    Desktop.ProcessMessages();
    const TPixelBuffer shot = Desktop.Screenshot();
    const TPoint p = C->ClientToScreen({0, 0});
    TPixelBuffer out(C->Width(), C->Height());
    for (int y = 0; y < C->Height(); ++y)
      for (int x = 0; x < C->Width(); ++x)
        out.ScanLine(y)[x] = shot.At(p.X + x, p.Y + y);
    return out;
  }

  THeadlessDesktop Desktop;
  TForm* Form = nullptr;
  TzykForm* Skin = nullptr;
  TMainMenu* Menu = nullptr;
  TMenuItem* File = nullptr;
  TMenuItem* Open = nullptr;
  TMenuItem* Edit = nullptr;
  int Opens = 0;
  std::vector<std::function<void()>> Script;
  std::size_t Step = 0;
};

// ---- Construction and sizes

TEST_F(FormTest, FormLosesCaptionAndFrameAndTakesTheComponentsSizePlusTheBorder) {
  AddSkin(MacOS);
  EXPECT_EQ(Form->BorderStyle(), bsNone);
  EXPECT_EQ(GetWindowLong(Form->Handle(), GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_FALSE(Form->Scaled());
  EXPECT_EQ(Skin->SavedBorderStyle(), bsSizeable);
  ASSERT_NE(Skin->TitleBar(), nullptr);
  EXPECT_EQ(Skin->TitleBar()->Parent(), Skin);
  EXPECT_EQ(Skin->Parent(), Form);
  EXPECT_EQ(Skin->Caption(), "Skinned");
  EXPECT_EQ(Skin->Version(), "4.42");
  // The adjuster's numbers: 279 x 120 with a one-pixel border make a window of 281 x 121.
  EXPECT_EQ(Skin->BorderWidth(), 1);
  EXPECT_EQ(Form->Width(), 281);
  EXPECT_EQ(Form->Height(), 121);
  EXPECT_EQ(Skin->BoundsRect(), Bounds(1, 0, 279, 120));
}

TEST_F(FormTest, BorderIsPaintedLeftRightAndBottomAndOnTopWithTheTitleBarHidden) {
  AddSkin(MacOS);
  Show();
  const TColor border = RGB(127, 127, 127);
  EXPECT_EQ(Skin->BorderColor(), border);
  EXPECT_EQ(ScreenColor(0, 60), border);
  EXPECT_EQ(ScreenColor(280, 60), border);
  EXPECT_EQ(ScreenColor(140, 120), border);
  EXPECT_NE(ScreenColor(140, 0), border) << "the title bar covers the top";
  EXPECT_NE(ScreenColor(1, 60), border);

  Skin->SetTitleBarVisible(false);
  EXPECT_EQ(Skin->BoundsRect(), Bounds(1, 1, 279, 119));
  EXPECT_EQ(ScreenColor(140, 0), border);
  Skin->SetTitleBarVisible(true);
  EXPECT_EQ(Skin->Top(), 0);
  EXPECT_EQ(Skin->TitleBar()->Top(), 0);
}

TEST_F(FormTest, WiderBorderKeepsTheComponentsSizeAndGrowsTheForm) {
  AddSkin(MacOS);
  Skin->SetHeight(200);
  const int width = Form->Width();
  Skin->SetBorderWidth(3);
  EXPECT_EQ(Form->Height(), 204);
  EXPECT_EQ(Form->Width(), Skin->Width() + 6);
  EXPECT_EQ(Form->Width(), width + 4) << "two pixels more on either side";
  // The form grows by one and a half borders, the component is placed inside one border.
  EXPECT_EQ(Skin->BoundsRect(), Bounds(3, 0, 279, 201));
  Show();
  EXPECT_EQ(ScreenColor(2, 100), Skin->BorderColor());
  EXPECT_EQ(ScreenColor(Form->ClientWidth() - 3, 100), Skin->BorderColor());
}

TEST_F(FormTest, LooksGiveTheirBorderAndBackground) {
  AddSkin(MacOS);
  EXPECT_EQ(Skin->Color(), RGB(231, 231, 231));
  for (TzykUIStyle style : {WinXP, DeepBlue, Protein, BlueGlass}) {
    Skin->SetUIStyle(style);
    EXPECT_EQ(Skin->BorderColor(), GetBuiltInColor(style, zteFormBorderColor)) << int(style);
    EXPECT_EQ(Skin->BorderWidth(), GetBuiltInInt(style, zteFormBorderWidthInt)) << int(style);
    EXPECT_EQ(Skin->Color(), GetBuiltInColor(style, zteFormBackgroundColor)) << int(style);
    EXPECT_EQ(Skin->TitleBar()->UIStyle(), style);
    EXPECT_EQ(Skin->Width(), 279) << "the component keeps its size through a new border";
  }
}

TEST_F(FormTest, TiledLooksPaintTheirBackgroundPictureAndOthersTheirColour) {
  AddSkin(Protein);
  Show();
  TBitmap tile;
  LoadBitmapResource(tile, "PROTEIN_FORM_BACKGROUND");
  ASSERT_FALSE(tile.Empty());
  // The tiling starts at the component's corner, below the title bar.
  const int y = Skin->TitleBar()->Height() + 3;
  for (int x : {0, 1, tile.Width() + 2}) {
    const TPoint p = Skin->ClientToScreen({x, y});
    EXPECT_EQ(PixelToColor(Desktop.Screenshot().At(p.X, p.Y)),
              PixelToColor(tile.Pixels().At(x % tile.Width(), y % tile.Height())))
        << x;
  }
  Skin->SetUIStyle(WinXP);
  const TPoint p = Skin->ClientToScreen({10, Skin->Height() - 5});
  Desktop.ProcessMessages();
  EXPECT_EQ(PixelToColor(Desktop.Screenshot().At(p.X, p.Y)), Skin->Color());
}

TEST_F(FormTest, SecondSkinnedFormIsRefusedAndTheFirstStays) {
  AddSkin(MacOS);
  try {
    NewComponent<TzykForm>(Form);
    FAIL() << "a second skinned form was made";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Sorry, You can create only one TzykForm component in one form!");
  }
  int skins = 0;
  for (int i = 0; i < Form->ControlCount(); ++i)
    skins += dynamic_cast<TzykForm*>(Form->Controls(i)) != nullptr;
  EXPECT_EQ(skins, 1);
  Show();
  EXPECT_EQ(Form->Width(), 281);
}

TEST_F(FormTest, OwnerThatIsNoFormGetsAPlainPanel) {
  auto* holder = NewComponent<TPanel>(Form);
  auto* skin = NewComponent<TzykForm>(holder);
  EXPECT_EQ(skin->TitleBar(), nullptr);
  EXPECT_EQ(skin->Form(), nullptr);
  EXPECT_EQ(Form->BorderStyle(), bsSizeable);
  skin->SetWidth(50);
  EXPECT_EQ(skin->Width(), 50);
}

TEST_F(FormTest, FormPanelRefusesTheComponentAndFillsItsParentOtherwise) {
  AddSkin(MacOS);
  Skin->SetFormPanel(Skin);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Text, "Sorry, you can't select the Form assign to FormPanel property");
  EXPECT_EQ(Skin->FormPanel(), nullptr);

  auto* panel = NewComponent<TPanel>(Form);
  panel->SetParent(Skin);
  panel->SetCaption("Inside");
  Skin->SetFormPanel(panel);
  EXPECT_EQ(Skin->FormPanel(), panel);
  EXPECT_EQ(panel->Align(), alClient);
  EXPECT_EQ(panel->BevelOuter(), bvNone);
  EXPECT_EQ(panel->Caption(), "");
  delete panel;
  EXPECT_EQ(Skin->FormPanel(), nullptr);
}

TEST_F(FormTest, RemovingTheComponentFirstGivesTheFormItsProcedureBack) {
  const WNDPROC before = reinterpret_cast<WNDPROC>(GetWindowLongPtr(Form->Handle(), GWLP_WNDPROC));
  AddSkin(MacOS);
  Show();
  EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtr(Form->Handle(), GWLP_WNDPROC)), before);
  EXPECT_TRUE(static_cast<bool>(Application->OnMessage));
  delete Skin;
  Skin = nullptr;
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtr(Form->Handle(), GWLP_WNDPROC)), before);
  EXPECT_FALSE(static_cast<bool>(Application->OnMessage));
  // The form goes on taking messages that the component used to handle.
  Form->SetBounds(120, 120, 200, 150);
  Desktop.ProcessMessages();
  EXPECT_EQ(Form->Width(), 200);
}

TEST_F(FormTest, ApplicationHandlerOfSomeoneElseIsLeftInPlace) {
  int seen = 0;
  Application->OnMessage = [&](MSG&, bool&) { ++seen; };
  AddSkin(MacOS);
  Show();
  Desktop.KeyDown(VK_MENU);
  Desktop.Char(' ');
  Desktop.KeyUp(VK_MENU);
  Desktop.ProcessMessages();
  EXPECT_GT(seen, 0);
  EXPECT_EQ(Step, 0u) << "no system menu without the component's handler";
  delete Skin;
  Skin = nullptr;
  EXPECT_TRUE(static_cast<bool>(Application->OnMessage));
  Application->OnMessage = nullptr;
}

// ---- Edges and maximise

TEST_F(FormTest, SizeableFormAnswersTheFivePixelZonesCornersFirst) {
  AddSkin(MacOS);
  Show();
  const int cw = Form->ClientWidth(), ch = Form->ClientHeight();
  EXPECT_EQ(Hit(2, 2), HTTOPLEFT);
  EXPECT_EQ(Hit(cw - 2, 4), HTTOPRIGHT);
  EXPECT_EQ(Hit(cw - 1, ch - 1), HTBOTTOMRIGHT);
  EXPECT_EQ(Hit(0, ch - 4), HTBOTTOMLEFT);
  EXPECT_EQ(Hit(4, 60), HTLEFT);
  EXPECT_EQ(Hit(5, 60), HTCLIENT);
  EXPECT_EQ(Hit(100, 4), HTTOP);
  EXPECT_EQ(Hit(cw - 4, 60), HTRIGHT);
  EXPECT_EQ(Hit(cw - 5, 60), HTCLIENT);
  EXPECT_EQ(Hit(100, ch - 4), HTBOTTOM);
  EXPECT_EQ(Hit(100, ch - 5), HTCLIENT);
}

TEST_F(FormTest, SizeableFormIsResizedFromItsBorderAndTheBarsTopEdge) {
  AddSkin(MacOS);
  Show();
  Drag(OnForm(280, 120), 30, 20);
  EXPECT_EQ(Form->BoundsRect(), Bounds(100, 100, 311, 141));
  EXPECT_EQ(Skin->BoundsRect(), Bounds(1, 0, 309, 140)) << "the component follows the form";

  Drag(OnForm(0, 60), -10, 0);
  EXPECT_EQ(Form->BoundsRect(), Bounds(90, 100, 321, 141));

  Drag(OnForm(150, 2), 0, -30);
  EXPECT_EQ(Form->BoundsRect(), Bounds(90, 70, 321, 171));
  EXPECT_EQ(Skin->Height(), 170);
}

TEST_F(FormTest, SizeableFormStopsAtItsMinimumSize) {
  AddSkin(MacOS);
  Show();
  Drag(OnForm(280, 120), -250, -100);
  // 50 high at least; the title bar asks for more than 125 wide in this look.
  const int width = GetBuiltInInt(MacOS, zteFormMinWidthInt);
  ASSERT_GT(width, 125);
  EXPECT_EQ(Form->BoundsRect(), Bounds(100, 100, width, 50));
  EXPECT_EQ(Skin->BoundsRect(), Bounds(1, 0, width - 2, 49));
}

TEST_F(FormTest, SingleBorderFormCannotBeResized) {
  Form->SetBorderStyle(bsSingle);
  AddSkin(MacOS);
  Show();
  EXPECT_EQ(Skin->SavedBorderStyle(), bsSingle);
  EXPECT_EQ(Hit(280, 120), HTCLIENT);
  Drag(OnForm(280, 120), 30, 20);
  EXPECT_EQ(Form->BoundsRect(), Bounds(100, 100, 281, 121));
}

TEST_F(FormTest, MaximiseGivesTheWorkAreaLessOnePixelAndRestoreGivesTheBoundsBack) {
  AddSkin(MacOS);
  Show();
  Form->SetWindowState(wsMaximized);
  Desktop.ProcessMessages();
  EXPECT_EQ(Form->BoundsRect(), Rect(0, 0, 1024, 727));
  EXPECT_EQ(Skin->BoundsRect(), Bounds(1, 0, 1022, 726));
  EXPECT_EQ(Hit(0, 60), HTCLIENT) << "no resizing while maximised";
  EXPECT_EQ(ScreenColor(1023, 300), Skin->BorderColor());
  Form->SetWindowState(wsNormal);
  Desktop.ProcessMessages();
  EXPECT_EQ(Form->BoundsRect(), Bounds(100, 100, 281, 121));
}

TEST_F(FormTest, FormThatStartedMaximisedIsRestoredToItsBoundsFromBeforeTheComponent) {
  Form->SetWindowState(wsMaximized);
  AddSkin(MacOS);
  Show();
  EXPECT_EQ(Form->BoundsRect(), Rect(0, 0, 1024, 727));
  Form->SetWindowState(wsNormal);
  Desktop.ProcessMessages();
  EXPECT_EQ(Form->BoundsRect(), Bounds(100, 100, 300, 200));
  EXPECT_EQ(Skin->BoundsRect(), Bounds(1, 0, 298, 199));
  EXPECT_TRUE(TzykForm::MaximizedAdjusted());
}

TEST_F(FormTest, FormWithoutBorderStyleIsNotFittedToTheWorkArea) {
  Form->SetBorderStyle(bsNone);
  AddSkin(MacOS);
  Show();
  Form->SetWindowState(wsMaximized);
  Desktop.ProcessMessages();
  EXPECT_NE(Form->Height(), 727);
  EXPECT_EQ(Skin->Height(), Form->ClientHeight() - 1) << "the component still covers the form";
}

TEST_F(FormTest, ActivationReachesTheTitleBar) {
  AddSkin(MacOS);
  Show();
  EXPECT_TRUE(Skin->TitleBar()->FormActive());
  auto* other = new TForm(nullptr);
  other->SetBounds(600, 100, 100, 100);
  other->Show();
  Desktop.ProcessMessages();
  EXPECT_FALSE(Skin->TitleBar()->FormActive());
  delete other;
  Desktop.ProcessMessages();
}

// ---- Keys through the application

TEST_F(FormTest, AltSpaceOpensTheSystemMenuBelowTheTitleBar) {
  AddSkin(MacOS);
  Show();
  Then([&] {
    ASSERT_EQ(OpenMenuLevels(), 1);
    TRect r;
    GetWindowRect(MenuLevelWindow(0), &r);
    EXPECT_EQ(r.TopLeft(), TPoint(Form->Left(), Form->Top() + Skin->TitleBar()->Height()));
    Desktop.KeyDown(VK_ESCAPE);
  });
  Desktop.KeyDown(VK_MENU);
  Desktop.Char(' ');
  Desktop.KeyUp(VK_MENU);
  Desktop.ProcessMessages();
  EXPECT_EQ(Step, 1u);
  EXPECT_EQ(OpenMenuLevels(), 0);
}

TEST_F(FormTest, MenuShortcutRunsItsItemOnlyWhileTheFormIsActive) {
  AddSkin(MacOS);
  Skin->SetMenu(AddMenu());
  Show();
  auto press = [&] {
    Desktop.KeyDown(VK_CONTROL);
    Desktop.KeyDown('O');
    Desktop.KeyUp('O');
    Desktop.KeyUp(VK_CONTROL);
    Desktop.ProcessMessages();
  };
  press();
  EXPECT_EQ(Opens, 1);
  auto* other = new TForm(nullptr);
  other->SetBounds(600, 100, 100, 100);
  other->Show();
  Desktop.ProcessMessages();
  press();
  EXPECT_EQ(Opens, 1);
  delete other;
}

TEST_F(FormTest, KeysReachingTheFormRunMenuShortcutsWithoutTheApplicationHandler) {
  Application->OnMessage = [](MSG&, bool&) {};
  AddSkin(MacOS);
  Skin->SetMenu(AddMenu());
  Show();
  Desktop.KeyDown(VK_CONTROL);
  Desktop.KeyDown('O');
  Desktop.KeyUp('O');
  Desktop.KeyUp(VK_CONTROL);
  Desktop.ProcessMessages();
  EXPECT_EQ(Opens, 1);
  Application->OnMessage = nullptr;
}

TEST_F(FormTest, ShownFormHasNoNativeMenu) {
  auto* native = NewComponent<TMainMenu>(Form);
  Form->SetMenu(native);
  AddSkin(MacOS);
  Show();
  EXPECT_EQ(Form->Menu(), nullptr);
}

// ---- The menu bar

TEST_F(FormTest, MenuBarHasAButtonPerTopLevelItemAndGoesWithTheMenu) {
  AddSkin(MacOS);
  Skin->SetMenu(AddMenu());
  TToolBar* bar = Skin->MenuBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->Parent(), Skin);
  EXPECT_TRUE(bar->Flat());
  EXPECT_TRUE(bar->ShowCaptions());
  EXPECT_EQ(bar->Height(), 22);
  ASSERT_EQ(bar->ButtonCount(), 2);
  EXPECT_EQ(bar->Buttons(0)->MenuItem(), File);
  EXPECT_EQ(bar->Buttons(1)->MenuItem(), Edit);
  EXPECT_EQ(bar->Buttons(0)->Caption(), "&File");
  EXPECT_TRUE(bar->Buttons(0)->Grouped());
  EXPECT_LT(bar->Buttons(0)->Left(), bar->Buttons(1)->Left());
  Show();
  EXPECT_EQ(Skin->TitleBar()->Top(), 0);
  EXPECT_EQ(bar->Top(), Skin->TitleBar()->Height()) << "the bar stands below the title bar";

  Skin->SetMenuBarHeight(30);
  EXPECT_EQ(bar->Buttons(1)->Height(), 30);

  delete Menu;
  EXPECT_EQ(Skin->Menu(), nullptr);
  EXPECT_EQ(Skin->MenuBar(), nullptr);
}

TEST_F(FormTest, MenuBarButtonsFollowTheItemsOnRefreshAndRebuild) {
  AddSkin(MacOS);
  Skin->SetMenu(AddMenu());
  File->SetCaption("&Datei");
  Edit->SetEnabled(false);
  Skin->RefreshMenuBar();
  EXPECT_EQ(Skin->MenuBar()->Buttons(0)->Caption(), "&Datei");
  EXPECT_FALSE(Skin->MenuBar()->Buttons(1)->Enabled());
  auto* help = NewComponent<TMenuItem>(Form);
  help->SetCaption("&Help");
  Menu->Items()->Add(help);
  Skin->RebuildMenuBar();
  ASSERT_EQ(Skin->MenuBar()->ButtonCount(), 3);
  EXPECT_EQ(Skin->MenuBar()->Buttons(2)->MenuItem(), help);
  Skin->SetMenu(nullptr);
  EXPECT_EQ(Skin->MenuBar(), nullptr);
}

TEST_F(FormTest, MenuBarButtonDropsItsSubmenuDown) {
  AddSkin(DeepBlue);
  Skin->SetMenu(AddMenu());
  Show();
  TToolButton* button = Skin->MenuBar()->Buttons(0);
  const TPoint p = button->ClientToScreen({5, 5});
  Then([&] {
    ASSERT_EQ(OpenMenuLevels(), 1);
    TRect r;
    ASSERT_TRUE(MenuItemScreenRect(Open, r));
    // A dropped button is drawn selected: filled and framed, its right edge two pixels in.
    const TRect b = Bounds(button->ClientToScreen({0, 0}).X, button->ClientToScreen({0, 0}).Y, button->Width(),
                           button->Height());
    const TPixelBuffer shot = Desktop.Screenshot();
    EXPECT_EQ(PixelToColor(shot.At(b.Left, b.Top)), GetBuiltInColor(DeepBlue, zteMenuSelectedBorderColor));
    EXPECT_EQ(PixelToColor(shot.At(b.Right - 3, b.Top + 3)), GetBuiltInColor(DeepBlue, zteMenuSelectedBorderColor));
    EXPECT_EQ(PixelToColor(shot.At(b.Left + 1, b.Top + 1)), GetBuiltInColor(DeepBlue, zteMenuSelectedBackgroundColor));
    EXPECT_EQ(PixelToColor(shot.At(b.Right - 1, b.Top + 3)), Skin->MenuBar()->Color());
    Desktop.Click((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  });
  Desktop.MouseMove(p.X, p.Y);
  Desktop.Click(p.X, p.Y);
  Desktop.ProcessMessages();
  EXPECT_EQ(Step, 1u);
  EXPECT_EQ(Opens, 1);
}

TEST_F(FormTest, MacOSMenuBarShowsItsPicturesAndAHoveredButtonTheSelectionPicture) {
  AddSkin(MacOS);
  Skin->SetMenu(AddMenu());
  Show();
  TToolBar* bar = Skin->MenuBar();
  TToolButton* edit = bar->Buttons(1);
  const TPoint corner = edit->ClientToScreen({0, 0});
  Desktop.MouseMove(corner.X + 3, corner.Y + 3);
  Desktop.ProcessMessages();
  TBitmap select, back;
  LoadBitmapResource(select, "MACOS_MENU_SELECT");
  LoadBitmapResource(back, "MACOS_MENU_BAR");
  TBitmap expectSelect(edit->Width(), edit->Height());
  expectSelect.Canvas().StretchDraw(Rect(0, 0, edit->Width(), edit->Height()), select);
  TBitmap expectBack(bar->Width(), bar->Height());
  expectBack.Canvas().StretchDraw(Rect(0, 0, bar->Width(), bar->Height()), back);
  const TPixelBuffer shot = Desktop.Screenshot();
  EXPECT_EQ(shot.At(corner.X, corner.Y), expectSelect.Pixels().At(0, 0));
  EXPECT_EQ(shot.At(corner.X + edit->Width() - 1, corner.Y + edit->Height() - 1),
            expectSelect.Pixels().At(edit->Width() - 1, edit->Height() - 1));
  const TPoint right = bar->ClientToScreen({bar->Width() - 2, 1});
  EXPECT_EQ(shot.At(right.X, right.Y), expectBack.Pixels().At(bar->Width() - 2, 1)) << "the bar's own picture";
}

// ---- A skinned main menu on the bar

TEST_F(FormTest, SkinnedMainMenuKnowsItsHostUntilReplacedOrTheComponentGoes) {
  AddSkin(MacOS);
  TzykMainMenu* menu = AddSkinnedMenu();
  EXPECT_EQ(Skin->Menu(), menu) << "the menu found the skinned form on its form";
  EXPECT_EQ(menu->HostForm(), Skin);
  EXPECT_EQ(Form->Menu(), nullptr);
  TToolBar* bar = Skin->MenuBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->ButtonCount(), 2);
  // Run-time item changes reach the bar through the menu.
  File->SetCaption("&Datei");
  Edit->SetEnabled(false);
  EXPECT_EQ(bar->Buttons(0)->Caption(), "&Datei");
  EXPECT_FALSE(bar->Buttons(1)->Enabled());

  auto* other = NewComponent<TzykMainMenu>(Form);
  EXPECT_EQ(Skin->Menu(), other);
  EXPECT_EQ(other->HostForm(), Skin);
  EXPECT_EQ(menu->HostForm(), nullptr) << "the replaced menu forgets the bar";
  File->SetCaption("&File");
  EXPECT_EQ(Skin->MenuBar()->ButtonCount(), 0) << "the new, empty menu's bar";

  Skin->SetMenu(menu);
  EXPECT_EQ(other->HostForm(), nullptr);
  EXPECT_EQ(Skin->MenuBar()->ButtonCount(), 2);
  delete Skin;
  Skin = nullptr;
  EXPECT_EQ(menu->HostForm(), nullptr) << "a menu must not reach a component that is gone";
  File->SetCaption("&Again");
  menu->SetUseSystemFont(false);
  menu->HookMenuItems();
}

TEST_F(FormTest, SkinnedMainMenuTakesTheLookAndKeepsItsOwnForTheBar) {
  AddSkin(MacOS);
  TzykMainMenu* menu = AddSkinnedMenu();
  Skin->SetUIStyle(WinXP);
  EXPECT_EQ(menu->UIStyle(), WinXP);
  // A look of the menu's own, set afterwards, is the one the bar is drawn in.
  menu->SetUIStyle(MacOS);
  Show();
  TToolBar* bar = Skin->MenuBar();
  TBitmap back;
  LoadBitmapResource(back, "MACOS_MENU_BAR");
  TBitmap expectBack(bar->Width(), bar->Height());
  expectBack.Canvas().StretchDraw(Rect(0, 0, bar->Width(), bar->Height()), back);
  const TPixelBuffer shown = Shown(bar);
  EXPECT_EQ(shown.At(bar->Width() - 2, 1), expectBack.Pixels().At(bar->Width() - 2, 1));

  Skin->SetUIStyle(MacOS);
  menu->SetUIStyle(DeepBlue);
  TToolButton* edit = bar->Buttons(1);
  const TPoint corner = edit->ClientToScreen({0, 0});
  Desktop.MouseMove(corner.X + 3, corner.Y + 3);
  const TPixelBuffer hot = Shown(edit);
  EXPECT_EQ(PixelToColor(hot.At(0, 0)), GetBuiltInColor(DeepBlue, zteMenuSelectedBorderColor));
  EXPECT_EQ(PixelToColor(hot.At(1, 1)), GetBuiltInColor(DeepBlue, zteMenuSelectedBackgroundColor));
  EXPECT_EQ(PixelToColor(Shown(bar).At(bar->Width() - 2, 1)), bar->Color()) << "no MacOS picture behind";
}

TEST_F(FormTest, SkinnedMainMenusFontReachesTheBarWhenItAsks) {
  AddSkin(DeepBlue);
  TzykMainMenu* menu = AddSkinnedMenu();
  TToolBar* bar = Skin->MenuBar();
  TFont system;
  ApplySystemMenuFont(system);
  ASSERT_NE(system.Name(), "DejaVu Serif");
  menu->SetFontName("DejaVu Serif");
  menu->SetFontSize(14);
  EXPECT_NE(bar->Font()->Name(), "DejaVu Serif") << "the font fields alone change nothing";
  menu->SetUseSystemFont(false);
  EXPECT_EQ(bar->Font()->Name(), "DejaVu Serif");
  EXPECT_EQ(bar->Font()->Size(), 14);

  // An unlit button writes its caption in that font and the menu font colour, two pixels down.
  Show();
  TToolButton* file = bar->Buttons(0);
  TBitmap expected(file->Width(), file->Height());
  TCanvas& c = expected.Canvas();
  c.Brush().SetColor(bar->Color());
  c.FillRect(Rect(0, 0, file->Width(), file->Height()));
  c.Brush().SetStyle(bsClear);
  c.Font().SetName("DejaVu Serif");
  c.Font().SetSize(14);
  c.Font().SetColor(GetBuiltInColor(DeepBlue, zteMenuFontColor));
  TRect text = Rect(0, 2, file->Width(), file->Height());
  c.DrawText(file->Caption(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  EXPECT_EQ(Shown(file).Pixels(), expected.Pixels().Pixels());

  menu->SetUseSystemFont(true);
  EXPECT_EQ(bar->Font()->Name(), system.Name());
  EXPECT_NE(Shown(file).Pixels(), expected.Pixels().Pixels());
}

// ---- Themes

class FormThemeTest : public FormTest {
protected:
  FormThemeTest() : Dir(std::filesystem::temp_directory_path() / ("brivo-form-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(Dir);
  }
  ~FormThemeTest() override { std::filesystem::remove_all(Dir); }
  std::string WriteTheme(int ControlFontColor) {
    TzykThemeFileWriter writer;
    writer.AddInt("FormBorderColor", clRed);
    writer.AddInt("FormBorderWidthInt", 2);
    writer.AddInt("FormBackgroundColor", clYellow);
    writer.AddInt("ControlFontColor", ControlFontColor);
    const std::string path = (Dir / ("f" + std::to_string(ControlFontColor) + ".thm")).string();
    writer.SaveToFile(path);
    return path;
  }
  std::filesystem::path Dir;
};

TEST_F(FormThemeTest, ThemeGivesBorderAndColourAndItsControlFontColourTheDarkMenuBar) {
  AddSkin(FromThemeFile);
  Skin->SetMenu(AddMenu());
  auto* theme = NewComponent<TzykFileTheme>(Form);
  theme->SetThemeFile(WriteTheme(0x20000));
  Skin->SetFileTheme(theme);
  EXPECT_EQ(Skin->BorderColor(), clRed);
  EXPECT_EQ(Skin->BorderWidth(), 2);
  EXPECT_EQ(Skin->Color(), clYellow);
  EXPECT_EQ(Skin->TitleBar()->FileTheme(), theme);
  EXPECT_EQ(Skin->MenuBar()->Color(), RGB(59, 91, 172));

  theme->SetThemeFile(WriteTheme(5));
  Skin->SetUIStyle(FromThemeFile);
  EXPECT_EQ(Skin->MenuBar()->Color(), clYellow);
}

TEST_F(FormThemeTest, RemovingTheThemeFallsBackToDeepBlue) {
  AddSkin(FromThemeFile);
  auto* theme = NewComponent<TzykFileTheme>(Form);
  theme->SetThemeFile(WriteTheme(0));
  Skin->SetFileTheme(theme);
  delete theme;
  EXPECT_EQ(Skin->FileTheme(), nullptr);
  EXPECT_EQ(Skin->UIStyle(), DeepBlue);
  EXPECT_EQ(Skin->BorderColor(), GetBuiltInColor(DeepBlue, zteFormBorderColor));
  EXPECT_EQ(Skin->TitleBar()->UIStyle(), DeepBlue);
  EXPECT_EQ(Skin->TitleBar()->FileTheme(), nullptr);
}

TEST_F(FormThemeTest, ThemeAndLookReachASkinnedMainMenu) {
  AddSkin(MacOS);
  TzykMainMenu* menu = AddSkinnedMenu();
  auto* theme = NewComponent<TzykFileTheme>(Form);
  theme->SetThemeFile(WriteTheme(0));
  Skin->SetFileTheme(theme);
  Skin->SetUIStyle(FromThemeFile);
  EXPECT_EQ(menu->FileTheme(), theme);
  EXPECT_EQ(menu->UIStyle(), FromThemeFile);
  delete theme;
  EXPECT_EQ(menu->FileTheme(), nullptr);
  EXPECT_EQ(menu->UIStyle(), DeepBlue);
  EXPECT_EQ(Skin->UIStyle(), DeepBlue);
}

// ---- Design time and stored forms

TEST_F(FormTest, DesignTimePlainMainMenuGetsTheAdviceUnlessSilenced) {
  Form->SetName("Form1");
  Form->SetDesigning(true);
  AddSkin(MacOS);
  Skin->SetName("zykForm1");
  NewComponent<TMainMenu>(Form);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Text,
            "Strongly recommend you to use \"TzykMainMenu\" instead of \"TMainMenu\".\r\n\r\n"
            "If you still want to use TMainForm, \r\n\r\nset Form1's MENU property to NIL please.\r\n\r\n"
            "And set zykForm1's MENU property to this Menu when you finished designing the menu.");
  TzykForm::SetMenuAdviceSilenced(true);
  NewComponent<TMainMenu>(Form);
  NewComponent<TPopupMenu>(Form);
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(FormTest, PublishedPropertiesEndInTheStoredOrder) {
  const std::vector<std::string> order = {
      "TitleBarCustom", "FileTheme", "UIStyle", "UIStyleAutoUpdateSub", "BorderColor", "BorderWidth",
      "TitleBarVisible", "BiDiMode", "Color", "Caption", "FormPanel", "TitleBarButtons", "TitleBarSections",
      "TitleBarDrawAppIcon", "Font", "Menu", "MenuBarColor", "MenuBarHeight", "Height", "Width", "RoundCorner",
      "PopupMenu", "Version", "OnTitleBarCustomBtnsClick", "OnTitleBarHelpBtnClick", "OnMouseDown", "OnClick",
      "OnMouseUp"};
  const auto& props = TzykForm::StaticClassInfo().Properties();
  ASSERT_GE(props.size(), order.size());
  std::vector<std::string> tail;
  for (std::size_t i = props.size() - order.size(); i < props.size(); ++i)
    tail.push_back(props[i]->Name);
  EXPECT_EQ(tail, order);
}

TEST_F(FormTest, SkinnedFormWithTitleBarItemsAndMenuRoundTrips) {
  Form->SetName("Form1");
  AddSkin(MacOS);
  Skin->SetName("zykForm1");
  Skin->SetCaption("Stored caption");
  Skin->SetTitleBarCustom(true);
  Skin->TitleBarButtons()->Add()->SetTop(7);
  Skin->TitleBarFont()->SetSize(11);
  Skin->SetRoundCorner(4);
  Skin->SetMenu(AddMenu());
  Menu->SetName("MainMenu1");
  File->SetName("File1");
  Open->SetName("Open1");
  Edit->SetName("Edit1");
  Edit->Items(0)->SetName("Undo1");
  auto* panel = NewComponent<TPanel>(Form);
  panel->SetName("Panel1");
  panel->SetParent(Skin);
  Skin->SetFormPanel(panel);
  const std::string text = WriteStoredForm(*Form);

  auto* copy = new TForm(nullptr);
  ReadStoredForm(text, *copy);
  auto* skin = dynamic_cast<TzykForm*>(copy->FindComponent("zykForm1"));
  ASSERT_NE(skin, nullptr);
  EXPECT_EQ(skin->UIStyle(), MacOS);
  EXPECT_EQ(skin->Caption(), "Stored caption");
  EXPECT_EQ(copy->Caption(), "Stored caption");
  EXPECT_TRUE(skin->TitleBarCustom());
  ASSERT_EQ(skin->TitleBarButtons()->Count(), 5);
  EXPECT_EQ(skin->TitleBarButtons()->Items(4)->Top(), 7);
  EXPECT_EQ(skin->TitleBarFont()->Size(), 11);
  EXPECT_EQ(skin->TitleBar()->Height(), Skin->TitleBar()->Height()) << "a custom bar keeps its sections' height";
  EXPECT_EQ(skin->RoundCorner(), 4);
  EXPECT_EQ(skin->Menu(), copy->FindComponent("MainMenu1"));
  ASSERT_NE(skin->MenuBar(), nullptr);
  EXPECT_EQ(skin->MenuBar()->ButtonCount(), 2);
  EXPECT_EQ(skin->FormPanel(), copy->FindComponent("Panel1"));
  EXPECT_EQ(skin->Width(), 279);
  EXPECT_EQ(skin->Height(), 120);
  EXPECT_EQ(copy->Width(), 281);
  EXPECT_EQ(WriteStoredForm(*copy), text);
  EXPECT_TRUE(Boxes().empty());
  delete copy;
}

TEST_F(FormTest, SkinnedFormWithASkinnedMainMenuRoundTrips) {
  Form->SetName("Form1");
  AddSkin(MacOS);
  Skin->SetName("zykForm1");
  TzykMainMenu* menu = AddSkinnedMenu();
  menu->SetUIStyle(WinXP);
  Menu->SetName("MainMenu1");
  File->SetName("File1");
  Open->SetName("Open1");
  Edit->SetName("Edit1");
  Edit->Items(0)->SetName("Undo1");
  const std::string text = WriteStoredForm(*Form);

  auto* copy = new TForm(nullptr);
  ReadStoredForm(text, *copy);
  auto* skin = dynamic_cast<TzykForm*>(copy->FindComponent("zykForm1"));
  auto* read = dynamic_cast<TzykMainMenu*>(copy->FindComponent("MainMenu1"));
  ASSERT_NE(skin, nullptr);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(skin->Menu(), read);
  EXPECT_EQ(read->HostForm(), skin);
  EXPECT_EQ(read->UIStyle(), WinXP) << "the menu's stored look comes after the form's";
  ASSERT_NE(skin->MenuBar(), nullptr);
  ASSERT_EQ(skin->MenuBar()->ButtonCount(), 2);
  EXPECT_EQ(skin->MenuBar()->Buttons(1)->MenuItem(), copy->FindComponent("Edit1"));
  EXPECT_EQ(copy->Menu(), nullptr);
  EXPECT_EQ(WriteStoredForm(*copy), text);
  delete copy;
}

} // namespace
