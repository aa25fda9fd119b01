// The skinned popup and main menus: their look, their hooks on items, the main menu's images and
// its requests to the form that shows it, and menus read from a stored form painted through the
// real menu loop on the headless desktop.

#include "skin/menus/ZYKMainMenu.h"
#include "skin/menus/ZYKPopupMenu.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/core/StoredForm.h"
#include "platform/windows/User.h"
#include "skin/foundation/ZYKThemeFile.h"
#include "platform/graphics/BmpCodec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class SkinnedMenuTest : public ::testing::Test {
protected:
  SkinnedMenuTest() {
    Application->Initialize();
    RegisterZYKPopupMenuClasses();
    RegisterZYKMainMenuClasses();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 200, 150);
  }
  ~SkinnedMenuTest() override {
    Desktop.SetIdleHook(nullptr);
    delete Form;
  }
  // What an item paints on a bitmap of its own, through the handlers it was given.
  TColor PaintedAt(TMenuItem& Item, int X, int Y) {
    TBitmap b(100, 21);
    Item.DrawItem(b.Canvas(), Rect(0, 0, 100, 21), false);
    return PixelToColor(b.Pixels().At(X, Y));
  }

  THeadlessDesktop Desktop;
  TForm* Form = nullptr;
};

TEST_F(SkinnedMenuTest, OwnerDrawReadsTrueWhateverIsWrittenAndIsStored) {
  auto* menu = NewComponent<TzykPopupMenu>(Form);
  menu->SetName("Menu1");
  menu->SetOwnerDraw(false);
  SetOrdProp(*menu, "OwnerDraw", 0);
  EXPECT_TRUE(menu->OwnerDraw());
  EXPECT_TRUE(static_cast<TMenu*>(menu)->OwnerDraw()) << "the menu loop asks the items to draw themselves";
  const std::string text = WriteStoredForm(*Form);
  EXPECT_NE(text.find("OwnerDraw = True"), std::string::npos) << text;
  EXPECT_NE(text.find("UseSystemFont = True"), std::string::npos);
}

TEST_F(SkinnedMenuTest, HeightsFollowTheLookAndMacOSIgnoresWrites) {
  auto* menu = NewComponent<TzykPopupMenu>(Form);
  EXPECT_EQ(menu->UIStyle(), DeepBlue) << "a form without a skinned form";
  menu->SetUIStyle(WinXP);
  menu->SetMenuItemHeight(30);
  EXPECT_EQ(menu->MenuItemHeight(), 30);
  menu->SetUIStyle(WinXP);
  EXPECT_EQ(menu->MenuItemHeight(), 21);
  menu->SetUIStyle(MacOS);
  menu->SetSeparatorHeight(8);
  menu->SetMenuItemHeight(40);
  EXPECT_EQ(menu->SeparatorHeight(), 12);
  EXPECT_EQ(menu->MenuItemHeight(), 20);
  EXPECT_EQ(menu->SeparatorColor(), 0u);
}

TEST_F(SkinnedMenuTest, LookChangeOverwritesTheUsersColours) {
  auto* menu = NewComponent<TzykPopupMenu>(Form);
  menu->SetColor(clRed);
  menu->SetSelectedFontColor(clRed);
  menu->SetBarWidth(3);
  menu->SetUIStyle(BlueGlass);
  EXPECT_EQ(menu->Color(), GetBuiltInColor(BlueGlass, zteMenuBackgroundColor));
  EXPECT_EQ(menu->SelectedFontColor(), GetBuiltInColor(BlueGlass, zteMenuSelectedFontColor));
  EXPECT_EQ(menu->BarWidth(), 26);
}

TEST_F(SkinnedMenuTest, RemovingTheFileThemeGivesDeepBlueColours) {
  const auto dir = std::filesystem::temp_directory_path() / ("brivo-menus-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  TzykThemeFileWriter writer;
  writer.AddInt("MenuBackgroundColor", clRed);
  writer.AddInt("MenuSelectedBackgroundColor", clLime);
  writer.SaveToFile((dir / "menu.thm").string());
  auto* theme = NewComponent<TzykFileTheme>(Form);
  theme->SetThemeFile((dir / "menu.thm").string());
  auto* menu = NewComponent<TzykPopupMenu>(Form);
  menu->SetUIStyle(FromThemeFile);
  menu->SetFileTheme(theme);
  EXPECT_EQ(menu->Color(), clRed);
  EXPECT_EQ(menu->SelectedColor(), clLime);
  delete theme;
  EXPECT_EQ(menu->FileTheme(), nullptr);
  EXPECT_EQ(menu->UIStyle(), DeepBlue);
  EXPECT_EQ(menu->Color(), GetBuiltInColor(DeepBlue, zteMenuBackgroundColor));
  EXPECT_EQ(menu->SelectedColor(), GetBuiltInColor(DeepBlue, zteMenuSelectedBackgroundColor));
  std::filesystem::remove_all(dir);
}

TEST_F(SkinnedMenuTest, ItemOfTheFormIsHookedByTheFirstSkinnedMenuInTheFormsList) {
  auto* first = NewComponent<TzykPopupMenu>(Form);
  auto* second = NewComponent<TzykPopupMenu>(Form);
  for (auto [menu, colour] : {std::pair{first, clRed}, std::pair{second, clBlue}}) {
    menu->SetBarWidth(0);
    menu->SetColor(colour);
  }
  auto* item = NewComponent<TMenuItem>(Form);
  item->SetCaption("x");
  second->Items()->Add(item);
  EXPECT_EQ(PaintedAt(*item, 60, 10), clRed);

  auto* own = NewComponent<TMenuItem>(second);
  second->Items()->Add(own);
  EXPECT_EQ(PaintedAt(*own, 60, 10), clBlue);

  // An item of nobody's is hooked only when the menu hooks its items again.
  auto* loose = new TMenuItem(nullptr);
  second->Items()->Add(loose);
  EXPECT_FALSE(loose->OnDrawItem);
  second->HookMenuItems();
  EXPECT_EQ(PaintedAt(*loose, 60, 10), clBlue);
  EXPECT_EQ(PaintedAt(*item, 60, 10), clBlue) << "hooking again takes every top-level item";

  // The item outlives the menu whose handlers it carries: it falls back to the platform's drawing.
  auto* kept = NewComponent<TMenuItem>(Form);
  delete first;
  EXPECT_NE(PaintedAt(*kept, 60, 10), clRed);
  delete kept;
}

TEST_F(SkinnedMenuTest, AllPopupMenusShareOneCheckListAndEachMainMenuHasItsOwn) {
  auto* a = NewComponent<TzykPopupMenu>(Form);
  auto* b = NewComponent<TzykPopupMenu>(nullptr);
  EXPECT_EQ(a->CheckImages(), b->CheckImages());
  auto* m = NewComponent<TzykMainMenu>(Form);
  auto* n = NewComponent<TzykMainMenu>(nullptr);
  EXPECT_NE(m->CheckImages(), n->CheckImages());
  EXPECT_NE(m->CheckImages(), a->CheckImages());
  delete b;
  delete n;
}

// ---- The main menu

TEST_F(SkinnedMenuTest, MainMenuImagesRoundTripKeepsCheckMarksDrawing) {
  auto* menu = NewComponent<TzykMainMenu>(Form);
  EXPECT_EQ(menu->Images(), nullptr);
  EXPECT_EQ(static_cast<TMenu*>(menu)->Images(), menu->CheckImages());
  auto* item = NewComponent<TMenuItem>(menu);
  item->SetCaption("Check");
  item->SetChecked(true);
  item->SetImageIndex(0);
  menu->Items()->Add(item);
  menu->SetBarWidth(26);
  const TColor withMark = PaintedAt(*item, 10, 10);
  EXPECT_NE(withMark, menu->SelectedColor()) << "no user list: the check mark, not the image box";

  TImageList user(nullptr);
  TBitmap red(16, 16);
  red.Canvas().Brush().SetColor(clRed);
  red.Canvas().FillRect(Rect(0, 0, 16, 16));
  user.Add(red);
  menu->SetImages(&user);
  EXPECT_EQ(menu->Images(), &user);
  EXPECT_EQ(PaintedAt(*item, 10, 10), clRed);
  EXPECT_EQ(PaintedAt(*item, 3, 2), menu->SelectedColor());
  menu->SetImages(nullptr);
  EXPECT_EQ(menu->Images(), nullptr);
  EXPECT_EQ(static_cast<TMenu*>(menu)->Images(), menu->CheckImages());
  EXPECT_EQ(PaintedAt(*item, 10, 10), withMark);
}

TEST_F(SkinnedMenuTest, MainMenuTakesTheFormsNativeMenuAway) {
  auto* native = NewComponent<TMainMenu>(Form);
  Form->SetMenu(native);
  NewComponent<TzykMainMenu>(Form);
  EXPECT_EQ(Form->Menu(), nullptr);
}

// A skinned form as the main menu sees it: it counts the requests.
class THost : public TzykMenuBarHost {
public:
  void RebuildMenuBar() override { ++Rebuilds; }
  void RefreshMenuBar() override { ++Refreshes; }
  void ApplyMenuBarFont() override { ++Fonts; }
  int Rebuilds = 0, Refreshes = 0, Fonts = 0;
};

class MainMenuHostTest : public SkinnedMenuTest {
protected:
  MainMenuHostTest() {
    Menu = NewComponent<TzykMainMenu>(Form);
    File = NewComponent<TMenuItem>(Form);
    File->SetCaption("&File");
    Menu->Items()->Add(File);
    Menu->SetHostForm(&Host);
  }
  TzykMainMenu* Menu = nullptr;
  TMenuItem* File = nullptr;
  THost Host;
};

TEST_F(MainMenuHostTest, RunTimeChangesRefreshTheBarAndOnlyDesignTimeRebuildsIt) {
  EXPECT_EQ(Menu->HostForm(), &Host);
  File->SetCaption("&Edit");
  File->SetEnabled(false);
  EXPECT_EQ(Host.Refreshes, 2);
  Menu->Items()->Add(new TMenuItem(nullptr));
  EXPECT_EQ(Host.Rebuilds, 0) << "a new top-level item at run time adds no button";
  Menu->SetDesigning(true);
  File->SetCaption("&View");
  EXPECT_EQ(Host.Rebuilds, 1);
  Menu->HookMenuItems();
  EXPECT_EQ(Host.Rebuilds, 2);
  Menu->SetHostForm(nullptr);
  File->SetCaption("&Help");
  Menu->HookMenuItems();
  EXPECT_EQ(Host.Rebuilds, 2);
}

TEST_F(MainMenuHostTest, OnlyUseSystemFontAsksForTheBarFont) {
  Menu->SetFontName("Arial");
  Menu->SetFontSize(12);
  EXPECT_EQ(Host.Fonts, 0);
  Menu->SetUseSystemFont(false);
  EXPECT_EQ(Host.Fonts, 1);
  EXPECT_FALSE(Menu->UseSystemFont());
}

TEST_F(MainMenuHostTest, MenuOfNoFormDoesNotRefreshItsHost) {
  auto* loose = NewComponent<TzykMainMenu>(nullptr);
  THost other;
  loose->SetHostForm(&other);
  auto* item = new TMenuItem(nullptr);
  loose->Items()->Add(item);
  item->SetCaption("x");
  EXPECT_EQ(other.Refreshes, 0);
  loose->HookMenuItems();
  EXPECT_EQ(other.Rebuilds, 1);
  delete loose;
}

// ---- Stored forms through the real menu loop

const char* StoredMenus = R"(object Form1: TForm
  Left = 100
  Top = 100
  Width = 200
  Height = 150
  object Popup1: TzykPopupMenu
    OwnerDraw = True
    UIStyle = WinXP
    BarWidth = 10
    Color = clYellow
    FlatMenu = True
    object Open1: TMenuItem
      Caption = '&Open'
    end
    object N1: TMenuItem
      Caption = '-'
    end
    object Quit1: TMenuItem
      Caption = '&Quit'
      Checked = True
    end
  end
  object Main1: TzykMainMenu
    UIStyle = MacOS
    object File1: TMenuItem
      Caption = '&File'
    end
  end
end
)";

TEST_F(SkinnedMenuTest, StoredMenusAreHookedAndPaintedThroughTheMenuLoop) {
  delete Form;
  Form = new TForm(nullptr);
  ReadStoredForm(StoredMenus, *Form);
  auto* popup = dynamic_cast<TzykPopupMenu*>(Form->FindComponent("Popup1"));
  auto* main = dynamic_cast<TzykMainMenu*>(Form->FindComponent("Main1"));
  ASSERT_NE(popup, nullptr);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(popup->UIStyle(), WinXP);
  EXPECT_EQ(popup->Color(), clYellow) << "stored after the look";
  EXPECT_EQ(main->MenuItemHeight(), 20);
  EXPECT_TRUE(main->Items()->Items(0)->OnDrawItem);
  Form->Show();
  Desktop.ProcessMessages();

  TPixelBuffer shot;
  TRect window, open, line;
  Desktop.SetIdleHook([&] {
    if (OpenMenuLevels() != 1 || !shot.Empty())
      return;
    GetWindowRect(MenuLevelWindow(0), &window);
    MenuItemScreenRect(popup->Items()->Items(0), open);
    MenuItemScreenRect(popup->Items()->Items(1), line);
    shot = Desktop.Screenshot();
    Desktop.KeyDown(VK_ESCAPE);
  });
  popup->Popup(300, 300);
  ASSERT_FALSE(shot.Empty());
  auto at = [&](int x, int y) { return PixelToColor(shot.At(x, y)); };
  EXPECT_EQ(open.Height(), 21);
  EXPECT_EQ(line.Height(), 5);
  EXPECT_EQ(at(open.Left + 5, open.Top + 10), popup->BarColor());
  EXPECT_EQ(at(open.Left + 12, open.Top + 1), clYellow);
  EXPECT_EQ(at(line.Left + 20, line.Top + 2), popup->SeparatorColor());
  // The flat border: black at the left, the look's form background over the other edges.
  EXPECT_EQ(at(window.Left, window.Top + 5), clBlack);
  EXPECT_EQ(at(window.Right - 1, window.Top + 5), GetBuiltInColor(WinXP, zteFormBackgroundColor));
  EXPECT_EQ(at(window.Left + 5, window.Bottom - 1), GetBuiltInColor(WinXP, zteFormBackgroundColor));
  EXPECT_EQ(at(window.Left + 1, window.Top + 5), clWhite);
}

} // namespace
