// The form renderer: its steps in process, and the program as a user runs it.

#include "tools/skin-render/FormRender.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/core/Errors.h"
#include "platform/graphics/BmpCodec.h"
#include "skin/controls/ZYKButton.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/foundation/ZYKThemeFile.h"
#include "skin/frame/ZYKForm.h"
#include "skin/menus/ZYKMainMenu.h"
#include "skin/menus/ZYKPopupMenu.h"
#include "tests/support/PngSize.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

constexpr const char* DesignedForm = R"(object Form1: TForm1
  Left = 10
  Top = 10
  Width = 120
  Height = 60
  Caption = 'Designed'
  OnShow = FormShow
  object Go: TzykButton
    Left = 10
    Top = 8
    Width = 50
    Height = 30
    UIStyle = FromThemeFile
    OnClick = GoClick
  end
  object Other: TzykButton
    Left = 64
    Top = 8
    Width = 50
    Height = 30
    UIStyle = MacOS
  end
end
)";

// A theme whose button picture is three frames of plain green.
std::vector<std::uint8_t> GreenButtonTheme() {
  TzykThemeFileWriter writer;
  writer.AddPicture("ButtonImage", EncodeBmp(TPixelBuffer(30, 10, 0x00FF00)));
  return writer.Bytes();
}

class FormRenderTest : public ::testing::Test {
protected:
  THeadlessDesktop Desktop;
};

TEST_F(FormRenderTest, TheDesignersClassBecomesAFormAndEventLinesAreBlanked) {
  const std::string text = PrepareForRendering(DesignedForm);
  EXPECT_EQ(text.rfind("object Form1: TForm\n", 0), 0u) << text;
  EXPECT_EQ(text.find("FormShow"), std::string::npos);
  EXPECT_EQ(text.find("GoClick"), std::string::npos);
  EXPECT_NE(text.find("UIStyle = FromThemeFile"), std::string::npos);
  const std::string original = DesignedForm;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(original.begin(), original.end(), '\n'));
}

TEST_F(FormRenderTest, ErrorsStillNameTheLineOfTheOriginal) {
  std::string text = DesignedForm;
  text.replace(text.find("UIStyle = MacOS"), 15, "UIStyle = Sepia");
  try {
    ReadFormForRendering(text);
    FAIL() << "read";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("line 21, column 15"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("'Sepia'"), std::string::npos) << e.what();
  }
}

TEST_F(FormRenderTest, TheRootNeedNotStartTheText) {
  const auto form = ReadFormForRendering("\n\n    object Main:   TMainWindow\n  Caption = '中文'\nend\n");
  EXPECT_EQ(form->Name(), "Main");
  EXPECT_EQ(form->Caption(), "中文");
}

TEST_F(FormRenderTest, AStoredVisibleFormIsNotShownWhileItIsRead) {
  const auto form = ReadFormForRendering("object F: TForm1\n  Visible = True\nend\n");
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_EQ(RenderForm(Desktop, *form).Width(), form->Width());
}

TEST_F(FormRenderTest, AControlTooLargeToRenderIsNamed) {
  const auto form = ReadFormForRendering("object F: TForm1\n  object Huge: TPanel\n    Width = 5000\n  end\nend\n");
  try {
    RenderForm(Desktop, *form);
    FAIL() << "rendered";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "'Huge' is 5000 x 41 pixels; at most 4096 x 4096 can be rendered");
  }
  EXPECT_FALSE(form->HandleAllocated());
}

TEST_F(FormRenderTest, TheThemeGoesOnlyToComponentsThatAskForAThemeFile) {
  const auto form = ReadFormForRendering(DesignedForm);
  auto* theme = new TzykFileTheme(form.get());
  EXPECT_EQ(HandThemeToComponents(*form, *theme), 1);
  EXPECT_EQ(static_cast<TzykButton*>(form->FindComponent("Go"))->FileTheme(), theme);
  EXPECT_EQ(static_cast<TzykButton*>(form->FindComponent("Other"))->FileTheme(), nullptr);
}

TEST_F(FormRenderTest, AComponentWithTheThemeDrawsTheThemesPictures) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("brivo-render-" + std::to_string(getpid()) + ".thm");
  {
    const std::vector<std::uint8_t> bytes = GreenButtonTheme();
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  const auto form = ReadFormForRendering(DesignedForm);
  const TPixelBuffer before = RenderForm(Desktop, *form);
  auto* theme = new TzykFileTheme(form.get());
  theme->SetThemeFile(file.string());
  HandThemeToComponents(*form, *theme);
  const TPixelBuffer after = RenderForm(Desktop, *form);
  std::filesystem::remove(file);
  EXPECT_EQ(before.Width(), 120);
  EXPECT_NE(PixelToColor(before.At(35, 23)), clLime);
  EXPECT_EQ(PixelToColor(after.At(35, 23)), clLime);
  EXPECT_EQ(after.At(90, 23), before.At(90, 23)) << "the MacOS button keeps its look";
}

// ---- Menus shown open.

constexpr const char* MenuForm = R"(object Form1: TForm1
  Left = 10
  Top = 10
  Width = 120
  Height = 60
  object Other: TzykButton
    Width = 50
    Height = 30
  end
  object Icons: TImageList
  end
  object Popup1: TzykPopupMenu
    UIStyle = WinXP
    Images = Icons
    object Open1: TMenuItem
      Caption = '&Open'
      ShortCut = 16463
      Default = True
    end
    object N1: TMenuItem
      Caption = '-'
    end
    object Pinned1: TMenuItem
      Caption = '&Pinned'
      Checked = True
      ImageIndex = 0
    end
    object Hidden1: TMenuItem
      Caption = 'Hidden'
      Visible = False
    end
    object Quit1: TMenuItem
      Caption = '&Quit'
      Enabled = False
    end
  end
  object Empty1: TzykPopupMenu
    object Gone1: TMenuItem
      Caption = 'Gone'
      Visible = False
    end
  end
  object Main1: TzykMainMenu
    UIStyle = Protein
    object Edit1: TMenuItem
      Caption = '&Edit'
    end
  end
end
)";

// Item rectangles of Popup1 in WinXP: a 3 pixel frame, items 21 high, the separator 5.
constexpr int Frame = 3;
constexpr int ItemTop[] = {Frame, Frame + 21, Frame + 26, Frame + 47};

class MenuRenderTest : public ::testing::Test {
protected:
  MenuRenderTest() : Form(ReadFormForRendering(MenuForm)) {}

  TzykPopupMenu& Popup() { return *static_cast<TzykPopupMenu*>(Form->FindComponent("Popup1")); }
  // What RenderFormWithMenu raises for Menu.
  std::string Refusal(const TOpenMenu& Menu, int MaxSide = MaxRenderSide) {
    try {
      RenderFormWithMenu(Desktop, *Form, Menu, MaxSide);
    } catch (const Exception& e) {
      return e.what();
    }
    return "rendered";
  }

  THeadlessDesktop Desktop;
  std::unique_ptr<TForm> Form;
};

TEST_F(MenuRenderTest, APopupAtAPointIsCompositedOverTheFormAndTheImageCoversBoth) {
  const TPixelBuffer shot = RenderFormWithMenu(Desktop, *Form, {"Popup1", TPoint{100, 40}});
  const TPixelBuffer form = Desktop.Host(Form->Handle())->Surface();
  // The picture starts at the form's corner (10, 10) and reaches past its right and bottom edges.
  EXPECT_GT(shot.Width(), 120);
  EXPECT_GT(shot.Height(), 60);
  auto at = [&](int X, int Y) { return PixelToColor(shot.At(X - 10, Y - 10)); };
  EXPECT_EQ(shot.At(5, 5), form.At(5, 5)) << "the form left of the menu";
  EXPECT_EQ(at(100 + Frame + 5, 40 + ItemTop[0] + 10), Popup().BarColor());
  EXPECT_EQ(at(100 + Frame + 40, 40 + ItemTop[0] + 1), Popup().Color());
  EXPECT_EQ(at(100 + Frame + 40, 40 + ItemTop[1] + 2), Popup().SeparatorColor());
  EXPECT_EQ(shot.At(shot.Width() - 1, 0), Desktop.Background()) << "the desktop right of the form, above the menu";
}

TEST_F(MenuRenderTest, APopupOpensAtTheClientCentreByDefault) {
  const TPixelBuffer shot = RenderFormWithMenu(Desktop, *Form, {"Popup1"});
  const TPoint centre = Form->ClientToScreen({Form->ClientWidth() / 2, Form->ClientHeight() / 2});
  const TRect window = Desktop.Host(Form->Handle())->Bounds();
  EXPECT_EQ(PixelToColor(shot.At(centre.X - window.Left + Frame + 5, centre.Y - window.Top + Frame + 10)),
            Popup().BarColor());
  EXPECT_NE(PixelToColor(shot.At(centre.X - window.Left - 2, centre.Y - window.Top + Frame + 10)),
            Popup().BarColor()) << "the menu starts at the centre";
}

// The same popup on a desktop at scale 2: the menu window's size and place in units are those of
// scale 1, its frame, bar, separator and highlight each cover the doubled pixels.
TEST_F(MenuRenderTest, APopupAtScaleTwoIsTheMenuOfScaleOneAtTwiceTheSize) {
  const TPoint p{100, 40};
  const TPixelBuffer one = RenderFormWithMenu(Desktop, *Form, {"Popup1", p, 2});
  THeadlessDesktop twice(2048, 1536, std::nullopt, 2.0);
  const auto form = ReadFormForRendering(MenuForm);
  auto& popup = *static_cast<TzykPopupMenu*>(form->FindComponent("Popup1"));
  const TPixelBuffer two = RenderFormWithMenu(twice, *form, {"Popup1", p, 2});
  EXPECT_EQ(two.Width(), 2 * one.Width());
  EXPECT_EQ(two.Height(), 2 * one.Height());
  // Each unit of the menu (the form's corner at (10, 10)) is the 2 x 2 block at its doubled place.
  auto same = [&](int X, int Y) {
    const TPixel want = one.At(X - 10, Y - 10);
    for (int dy = 0; dy < 2; ++dy)
      for (int dx = 0; dx < 2; ++dx)
        if (two.At(2 * (X - 10) + dx, 2 * (Y - 10) + dy) != want)
          return false;
    return true;
  };
  EXPECT_EQ(PixelToColor(two.At(2 * (p.X - 10 + Frame + 5), 2 * (p.Y - 10 + ItemTop[0] + 10))), popup.BarColor());
  EXPECT_EQ(PixelToColor(two.At(2 * (p.X - 10 + Frame + 60), 2 * (p.Y - 10 + ItemTop[2] + 2))), popup.SelectedColor());
  for (const TPoint& at : {TPoint{p.X, p.Y}, TPoint{p.X + 1, p.Y + 1}, TPoint{p.X + Frame + 5, p.Y + ItemTop[0] + 10},
                           TPoint{p.X + Frame + 40, p.Y + ItemTop[1] + 2}, TPoint{p.X + Frame + 60, p.Y + ItemTop[2] + 2},
                           TPoint{p.X + Frame + 60, p.Y + ItemTop[2] + 20}})
    EXPECT_TRUE(same(at.X, at.Y)) << at.X << ", " << at.Y;
}

TEST_F(MenuRenderTest, TheHighlightedItemIsTheNthShown) {
  const TPoint p{200, 200};
  const TPixelBuffer plain = RenderFormWithMenu(Desktop, *Form, {"Popup1", p});
  const TPixelBuffer lit = RenderFormWithMenu(Desktop, *Form, {"Popup1", p, 2});
  // Both pictures start at the form's corner (10, 10).
  auto in = [&](const TPixelBuffer& Shot, int Item) {
    return PixelToColor(Shot.At(p.X - 10 + Frame + 60, p.Y - 10 + ItemTop[Item] + 2));
  };
  EXPECT_EQ(in(plain, 2), Popup().Color());
  EXPECT_EQ(in(lit, 2), Popup().SelectedColor());
  EXPECT_EQ(in(lit, 0), Popup().Color());
  EXPECT_EQ(in(lit, 3), Popup().Color()) << "the hidden item is not counted: 3 is Quit";
}

TEST_F(MenuRenderTest, SeparatorsTheMenuHidesAreNotCountedAsItems) {
  // A separator at the top and a second one in a row: line reduction hides both.
  for (int at : {0, 2}) {
    auto* line = new TMenuItem(&Popup());
    line->SetCaption("-");
    Popup().Items()->Insert(at, line);
  }
  Popup().HookMenuItems();
  const TPoint p{200, 200};
  const TPixelBuffer lit = RenderFormWithMenu(Desktop, *Form, {"Popup1", p, 2});
  auto in = [&](int Item) { return PixelToColor(lit.At(p.X - 10 + Frame + 60, p.Y - 10 + ItemTop[Item] + 2)); };
  EXPECT_EQ(in(2), Popup().SelectedColor()) << "item 2 is Pinned, the third the menu shows";
  EXPECT_EQ(in(0), Popup().Color());
  EXPECT_EQ(Refusal({"Popup1", p, 4}), "item 4 of 'Popup1' cannot be highlighted: the menu shows 4 items, 0 to 3");
  EXPECT_EQ(Refusal({"Popup1", p, 1}), "item 1 of 'Popup1' is a separator, which is never highlighted");
}

TEST_F(MenuRenderTest, FilledImageListsGiveCheckedItemsTheirImageOverTheSelectionBox) {
  TBitmap picture;
  picture.SetSize(32, 16);
  picture.Canvas().Brush().SetColor(clRed);
  picture.Canvas().FillRect(Rect(0, 0, 32, 16));
  picture.Pixels().Set(0, 0, ColorToPixel(clWhite));
  EXPECT_EQ(FillImageLists(*Form, picture), 1);
  EXPECT_EQ(static_cast<TImageList*>(Form->FindComponent("Icons"))->Count(), 2);
  EXPECT_EQ(FillImageLists(*Form, picture), 0) << "a list with images keeps them";

  const TPoint p{200, 200};
  const TPixelBuffer shot = RenderFormWithMenu(Desktop, *Form, {"Popup1", p});
  auto at = [&](int X, int Y) { return PixelToColor(shot.At(p.X - 10 + Frame + X, p.Y - 10 + ItemTop[2] + Y)); };
  EXPECT_EQ(at(2, 1), clBlack) << "the box's frame";
  EXPECT_EQ(at(4 + 8, 3 + 8), clRed) << "the image";
  EXPECT_EQ(at(4, 3), Popup().SelectedColor()) << "the image's top-left colour is left out";
}

TEST_F(MenuRenderTest, ANarrowPictureFillsNoList) {
  TBitmap picture;
  picture.SetSize(15, 16);
  EXPECT_EQ(FillImageLists(*Form, picture), 0);
  EXPECT_EQ(FillImageLists(*Form, TBitmap()), 0);
}

TEST_F(MenuRenderTest, WhatCannotBeShownOpenIsNamed) {
  EXPECT_EQ(Refusal({"Nope"}), "the form has no component named 'Nope'");
  EXPECT_EQ(Refusal({""}), "the form has no component named ''");
  EXPECT_EQ(Refusal({"Other"}), "'Other' is a TzykButton, not a popup menu or a main menu");
  EXPECT_EQ(Refusal({"Empty1"}), "'Empty1' has no items to show");
  EXPECT_EQ(Refusal({"Main1"}), "'Main1' drops nothing down: its first item '&Edit' has no sub-items");
  EXPECT_EQ(Refusal({"Popup1", std::nullopt, 4}),
            "item 4 of 'Popup1' cannot be highlighted: the menu shows 4 items, 0 to 3");
  EXPECT_EQ(Refusal({"Popup1", std::nullopt, 1}), "item 1 of 'Popup1' is a separator, which is never highlighted");
  EXPECT_EQ(Refusal({"Popup1", TPoint{1024, 5}}), "the point (1024, 5) is not on the 1024 x 768 screen");
  EXPECT_EQ(Refusal({"Popup1", TPoint{5, -1}}), "the point (5, -1) is not on the 1024 x 768 screen");
  EXPECT_FALSE(Form->HandleAllocated()) << "refused before the form is shown";
  EXPECT_EQ(OpenMenuLevels(), 0);
}

TEST_F(MenuRenderTest, AMenuTooLargeToRenderIsRefusedBeforeItsWindowIsMade) {
  Popup().SetMenuItemHeight(1 << 30);
  EXPECT_EQ(Refusal({"Popup1"}).rfind("'Popup1' opens a menu of ", 0), 0u) << Refusal({"Popup1"});
  EXPECT_TRUE(Desktop.Hosts().empty());
  Popup().SetMenuItemHeight(21);
  // The menu fits, but not beside a form as wide as the limit.
  Form->SetWidth(300);
  const std::string refusal = Refusal({"Popup1", TPoint{900, 5}}, 400);
  EXPECT_EQ(refusal.rfind("the form and 'Popup1' cover ", 0), 0u) << refusal;
  EXPECT_NE(refusal.find("at most 400 x 400 can be rendered"), std::string::npos) << refusal;
  EXPECT_EQ(OpenMenuLevels(), 0) << "the menu is closed all the same";
}

TEST_F(MenuRenderTest, APopupThatAsksForTheThemeFileOpensInItsColours) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("brivo-render-menu-" + std::to_string(getpid()) + ".thm");
  TzykThemeFileWriter writer;
  writer.AddInt("MenuBackgroundColor", clRed);
  writer.AddInt("MenuBarColor", clLime);
  writer.SaveToFile(file.string());
  Popup().SetUIStyle(FromThemeFile);
  auto* theme = new TzykFileTheme(Form.get());
  theme->SetThemeFile(file.string());
  EXPECT_EQ(HandThemeToComponents(*Form, *theme), 1);
  const TPoint p{200, 200};
  const TPixelBuffer shot = RenderFormWithMenu(Desktop, *Form, {"Popup1", p});
  std::filesystem::remove(file);
  EXPECT_EQ(PixelToColor(shot.At(p.X - 10 + Frame + 5, p.Y - 10 + ItemTop[0] + 10)), clLime);
  EXPECT_EQ(PixelToColor(shot.At(p.X - 10 + Frame + 40, p.Y - 10 + ItemTop[0] + 1)), clRed);
}

constexpr const char* SkinnedBarForm = R"(object Form1: TForm1
  Left = 50
  Top = 50
  Width = 200
  Height = 80
  object zykForm1: TzykForm
    UIStyle = WinXP
    Menu = MainMenu1
  end
  object MainMenu1: TzykMainMenu
    UIStyle = BlueGlass
    object File1: TMenuItem
      Caption = '&File'
      object Open1: TMenuItem
        Caption = '&Open'
      end
      object Save1: TMenuItem
        Caption = '&Save'
      end
    end
    object Help1: TMenuItem
      Caption = '&Help'
    end
  end
end
)";

TEST_F(MenuRenderTest, AMainMenuDropsItsFirstItemDownUnderItsButtonInTheSkinnedBar) {
  Form = ReadFormForRendering(SkinnedBarForm);
  auto* menu = static_cast<TzykMainMenu*>(Form->FindComponent("MainMenu1"));
  const TPixelBuffer shot = RenderFormWithMenu(Desktop, *Form, {"MainMenu1", std::nullopt, 1});
  const auto* skin = static_cast<TzykForm*>(Form->FindComponent("zykForm1"));
  ASSERT_NE(skin->MenuBar(), nullptr);
  const TToolButton* file = skin->MenuBar()->Buttons(0);
  const TPoint under = file->ClientToScreen({0, file->Height()});
  const TRect window = Desktop.Host(Form->Handle())->Bounds();
  auto at = [&](int X, int Y) { return PixelToColor(shot.At(under.X - window.Left + X, under.Y - window.Top + Y)); };
  EXPECT_EQ(at(Frame + 5, Frame + 10), menu->BarColor());
  EXPECT_EQ(at(Frame + 60, Frame + 21 + 2), menu->SelectedColor()) << "Save, item 1, is highlighted";
  EXPECT_EQ(at(Frame + 60, Frame + 2), menu->Color());
}

TEST_F(MenuRenderTest, AMainMenuWithAPointDropsDownThere) {
  Form = ReadFormForRendering(SkinnedBarForm);
  auto* menu = static_cast<TzykMainMenu*>(Form->FindComponent("MainMenu1"));
  const TPixelBuffer shot = RenderFormWithMenu(Desktop, *Form, {"MainMenu1", TPoint{300, 300}});
  EXPECT_EQ(PixelToColor(shot.At(300 - 50 + Frame + 5, 300 - 50 + Frame + 10)), menu->BarColor());
}

TEST_F(MenuRenderTest, APlainMainMenuDropsDownFromThePlatformsBar) {
  Form = ReadFormForRendering("object Form1: TForm1\n  Left = 20\n  Top = 20\n  Width = 100\n  Height = 40\n"
                              "  Menu = MainMenu1\n  object MainMenu1: TMainMenu\n    object File1: TMenuItem\n"
                              "      Caption = '&File'\n      object Open1: TMenuItem\n        Caption = '&Open'\n"
                              "      end\n    end\n  end\nend\n");
  const TPixelBuffer shot = RenderFormWithMenu(Desktop, *Form, {"MainMenu1", std::nullopt, 0});
  // The drop-down hangs from the bar at the window's left edge, its first item highlighted.
  EXPECT_EQ(shot.At(Frame + 10, Form->MenuBarHeight() + Frame + 2), ColorToPixel(clHighlight));
  EXPECT_GT(shot.Height(), 40) << "the drop-down reaches below the form";
}

// ---- The program.

struct TRun {
  int Status = -1;
  std::string Errors;
};

// Runs skin-render with Args (no shell) and collects what it writes to standard error.
TRun RunSkinRender(const std::vector<std::string>& Args) {
  std::vector<std::string> argv{std::string(BRIVO_BIN_DIR) + "/skin-render"};
  argv.insert(argv.end(), Args.begin(), Args.end());
  TRun run;
  run.Status = RunProcess(argv, nullptr, {}, &run.Errors);
  return run;
}

class SkinRenderProgramTest : public ::testing::Test {
protected:
  SkinRenderProgramTest()
      : Dir(std::filesystem::temp_directory_path() / ("brivo-skin-render-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(Dir);
  }
  ~SkinRenderProgramTest() override { std::filesystem::remove_all(Dir); }

  std::string Write(const std::string& Name, std::string_view Bytes) {
    std::ofstream(Dir / Name, std::ios::binary).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    return (Dir / Name).string();
  }
  std::string Out() const { return (Dir / "out.png").string(); }
  std::pair<int, int> PngSize() const { return PngFileSize(Out()); }

  std::filesystem::path Dir;
};

TEST_F(SkinRenderProgramTest, RendersTheAdjustersOwnDescription) {
  const std::string form = std::string(std::getenv("BRIVO_SOURCE_DIR")) + "/resources/forms/TfrmBrivo.txt";
  const TRun run = RunSkinRender({form, Out()});
  EXPECT_EQ(run.Status, 0) << run.Errors;
  EXPECT_EQ(PngSize(), std::make_pair(281, 121)) << "the skinned form's size and its border";
}

TEST_F(SkinRenderProgramTest, RendersAtTheScaleGivenWithTheFormsValuesAsStored) {
  const std::string form = std::string(std::getenv("BRIVO_SOURCE_DIR")) + "/resources/forms/TfrmBrivo.txt";
  TRun run = RunSkinRender({form, Out(), "--scale", "2"});
  EXPECT_EQ(run.Status, 0) << run.Errors;
  EXPECT_EQ(PngSize(), std::make_pair(562, 242));
  run = RunSkinRender({Write("f.txt", DesignedForm), Out(), "--scale", "1.75"});
  EXPECT_EQ(run.Status, 0) << run.Errors;
  EXPECT_EQ(PngSize(), std::make_pair(210, 105));
}

// The menu's point is in the form's units, on the 1024 x 768 unit screen whatever the scale.
TEST_F(SkinRenderProgramTest, APopupMenuAtAScaleOpensAtItsPointInUnits) {
  const std::string form = Write("menu.txt", MenuForm);
  TRun run = RunSkinRender({form, Out(), "--popup", "Popup1", "100", "60"});
  ASSERT_EQ(run.Status, 0) << run.Errors;
  const auto [width, height] = PngSize();
  run = RunSkinRender({form, Out(), "--popup", "Popup1", "100", "60", "--scale", "2"});
  EXPECT_EQ(run.Status, 0) << run.Errors;
  EXPECT_EQ(PngSize(), std::make_pair(2 * width, 2 * height));
  run = RunSkinRender({form, Out(), "--popup", "Popup1", "1100", "60", "--scale", "2"});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Errors.rfind("skin-render: " + form + ": the point (1100, 60) is not on the 1024 x 768 screen", 0), 0u)
      << run.Errors;
}

TEST_F(SkinRenderProgramTest, RendersADesignedFormWithATheme) {
  const std::vector<std::uint8_t> theme = GreenButtonTheme();
  const TRun run = RunSkinRender({Write("f.txt", DesignedForm), Out(), "--theme",
                                  Write("t.thm", std::string_view(reinterpret_cast<const char*>(theme.data()), theme.size()))});
  EXPECT_EQ(run.Status, 0) << run.Errors;
  EXPECT_EQ(PngSize(), std::make_pair(120, 60));
}

TEST_F(SkinRenderProgramTest, ABrokenDescriptionIsRefusedWithItsLineAndColumn) {
  const std::string form = Write("broken.txt", "object F: TForm\n  Width = 'wide'\nend\n");
  const TRun run = RunSkinRender({form, Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find(form + ": line 2, column 11: expected an integer"), std::string::npos) << run.Errors;
  EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(SkinRenderProgramTest, AnUnknownClassIsNamed) {
  const TRun run = RunSkinRender({Write("f.txt", "object F: TForm\n  object X: TzykGizmo\n  end\nend\n"), Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("line 2, column 13: unknown class 'TzykGizmo'"), std::string::npos) << run.Errors;
}

TEST_F(SkinRenderProgramTest, TextThatIsNoDescriptionIsRefused) {
  const TRun run = RunSkinRender({Write("f.txt", "\x89PNG\r\n"), Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("line 1, column 1"), std::string::npos) << run.Errors;
}

TEST_F(SkinRenderProgramTest, AMissingDescriptionOrThemeIsNamed) {
  TRun run = RunSkinRender({(Dir / "none.txt").string(), Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("none.txt: no such file"), std::string::npos) << run.Errors;
  run = RunSkinRender({Write("f.txt", DesignedForm), Out(), "--theme", (Dir / "none.thm").string()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("none.thm: no such theme file"), std::string::npos) << run.Errors;
}

TEST_F(SkinRenderProgramTest, AMalformedThemeIsRefusedNamingIt) {
  const std::string theme = Write("bad.thm", "not a theme file at all");
  const TRun run = RunSkinRender({Write("f.txt", DesignedForm), Out(), "--theme", theme});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("skin-render: " + theme + ": "), std::string::npos) << run.Errors;
  EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(SkinRenderProgramTest, WrongArgumentsAreNamedBeforeTheUsage) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{}, "no form description given"},
      {{"a.txt"}, "no PNG file to write given"},
      {{"a.txt", "b.png", "--colour", "x"}, "unknown argument '--colour'"},
      {{"a", "b", "c"}, "unknown argument 'c' (the form and the PNG are given already)"},
      {{"a", "b", "--theme"}, "--theme needs the theme file"},
      {{"a", "b", "--scale"}, "--scale needs a scale, such as 2 for a desktop at 192 dpi"},
      {{"a", "b", "--scale", "0"}, "--scale: the scale must be from 1 to 4, not 0"},
      {{"a", "b", "--scale", "4.5"}, "--scale: the scale must be from 1 to 4, not 4.5"},
      {{"a", "b", "--scale", "-2"}, "--scale: the scale must be from 1 to 4, not -2"},
      {{"a", "b", "--scale", "200%"}, "--scale: the scale must be a number such as 2 or 1.5, not '200%'"},
      {{"a", "b", "--scale", "1e1"}, "--scale: the scale must be a number such as 2 or 1.5, not '1e1'"},
  };
  for (const auto& [args, fault] : cases) {
    const TRun run = RunSkinRender(args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Errors.substr(0, run.Errors.find('\n')), "skin-render: " + fault);
    EXPECT_NE(run.Errors.find("\nusage: skin-render"), std::string::npos) << run.Errors;
  }
}

TEST_F(SkinRenderProgramTest, AnOutputThatCannotBeWrittenIsNamedWithTheFault) {
  const std::string out = (Dir / "no" / "such" / "dir.png").string();
  const TRun run = RunSkinRender({Write("f.txt", DesignedForm), out});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Errors, "skin-render: cannot write '" + out + "': the folder '" + (Dir / "no" / "such").string() +
                            "' does not exist\n");
}

TEST_F(SkinRenderProgramTest, AFormOfNoHeightIsNamedWithItsSize) {
  const std::string form = Write("flat.txt", "object Flat: TForm\n  Width = 100\n  Height = -5\nend\n");
  const TRun run = RunSkinRender({form, Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Errors, "skin-render: " + form +
                            ": 'Flat' is 100 x 0 pixels; a form needs a width and a height of at least 1 to be "
                            "rendered\n");
  EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(SkinRenderProgramTest, ADescriptionCutShortSaysTheFileEnded) {
  const std::string form = Write("cut.txt", "object F: TForm\n  object B: TzykButton\n    Left = 3\n");
  const TRun run = RunSkinRender({form, Out()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Errors, "skin-render: " + form +
                            ": line 4, column 1: the file ended inside 'object B: TzykButton' of line 2, which "
                            "needs its 'end'\n");
}

TEST_F(SkinRenderProgramTest, APopupMenuIsRenderedOpenOverTheForm) {
  const std::string form = Write("menu.txt", MenuForm);
  TRun run = RunSkinRender({form, Out(), "--popup", "Popup1", "100", "60", "--highlight", "2"});
  EXPECT_EQ(run.Status, 0) << run.Errors;
  const auto [width, height] = PngSize();
  EXPECT_GT(width, 120);
  EXPECT_GT(height, 60);
  // The same menu at the client centre of the form at (10, 10) reaches less far.
  run = RunSkinRender({form, Out(), "--popup", "Popup1"});
  EXPECT_EQ(run.Status, 0) << run.Errors;
  EXPECT_LT(PngSize().first, width);
  EXPECT_LT(PngSize().second, height);
}

TEST_F(SkinRenderProgramTest, APictureFillsTheFormsImageLists) {
  const std::vector<std::uint8_t> bmp = EncodeBmp(TPixelBuffer(32, 16, 0x00FF00));
  const std::string picture = Write("icons.bmp", std::string_view(reinterpret_cast<const char*>(bmp.data()), bmp.size()));
  TRun run = RunSkinRender({Write("menu.txt", MenuForm), Out(), "--images", picture, "--popup", "Popup1"});
  EXPECT_EQ(run.Status, 0) << run.Errors;
  std::filesystem::remove(Out());
  run = RunSkinRender({Write("plain.txt", DesignedForm), Out(), "--images", picture});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find(picture + ": the form has no empty image list that the picture fills"), std::string::npos)
      << run.Errors;
  run = RunSkinRender({Write("menu.txt", MenuForm), Out(), "--images", Write("bad.bmp", "BM not a bitmap")});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("bad.bmp: "), std::string::npos) << run.Errors;
  run = RunSkinRender({Write("menu.txt", MenuForm), Out(), "--images", (Dir / "none.bmp").string()});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Errors.find("none.bmp: no such file"), std::string::npos) << run.Errors;
  EXPECT_FALSE(std::filesystem::exists(Out()));
}

TEST_F(SkinRenderProgramTest, AMenuThatCannotBeOpenedIsNamedAndNothingIsWritten) {
  const std::string form = Write("menu.txt", MenuForm);
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--popup", "Nope"}, "the form has no component named 'Nope'"},
      {{"--popup", "Other"}, "'Other' is a TzykButton, not a popup menu or a main menu"},
      {{"--popup", "Popup1", "2000", "10"}, "the point (2000, 10) is not on the 1024 x 768 screen"},
      {{"--popup", "Popup1", "--highlight", "9"}, "item 9 of 'Popup1' cannot be highlighted"},
  };
  for (const auto& [args, fault] : cases) {
    std::vector<std::string> all{form, Out()};
    all.insert(all.end(), args.begin(), args.end());
    const TRun run = RunSkinRender(all);
    EXPECT_EQ(run.Status, 1) << fault;
    EXPECT_EQ(run.Errors.rfind("skin-render: " + form + ": " + fault, 0), 0u) << run.Errors;
    EXPECT_FALSE(std::filesystem::exists(Out()));
  }
}

TEST_F(SkinRenderProgramTest, WrongMenuArgumentsAreNamedBeforeTheUsage) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--popup"}, "--popup needs the name of a menu"},
      {{"--popup", "P", "1x", "2"}, "--popup P: X must be a whole number, not '1x'"},
      {{"--popup", "P", "10"}, "--popup P 10: Y is missing"},
      {{"--popup", "P", "10", "down"}, "--popup P 10: Y must be a whole number, not 'down'"},
      {{"--popup", "P", "99999999999", "1"}, "--popup P: X must be a whole number, not '99999999999'"},
      {{"--highlight", "1"}, "--highlight needs --popup: only an open menu has items to highlight"},
      {{"--popup", "P", "--highlight", "-1"}, "--highlight needs the number of an item (0 or more), not '-1'"},
      {{"--popup", "P", "--highlight"}, "--highlight needs the number of an item"},
      {{"--images"}, "--images needs the picture"},
  };
  for (const auto& [args, fault] : cases) {
    std::vector<std::string> all{"a.txt", "b.png"};
    all.insert(all.end(), args.begin(), args.end());
    const TRun run = RunSkinRender(all);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Errors.substr(0, run.Errors.find('\n')), "skin-render: " + fault);
    EXPECT_NE(run.Errors.find("--popup NAME [X Y]"), std::string::npos) << run.Errors;
  }
}

} // namespace

// ---- What the program keeps of its fonts between runs.

// skin-render keeps its fonts in the user's cache folder, here a folder of the test's own; the
// start-up trace says whether a run needed fontconfig.
class SkinRenderKeptFontsTest : public SkinRenderProgramTest {
protected:
  // Renders Form (the adjuster's description unless given) to Name, keeping fonts in Cache (the
  // test's folder unless given); true when the run loaded fontconfig.
  bool Render(const std::string& Name, std::vector<std::string> Environment = {}, std::string Form = {},
              const std::filesystem::path& Cache = {}) {
    Environment.push_back("XDG_CACHE_HOME=" + (Cache.empty() ? Dir : Cache).string());
    Environment.push_back("BRIVO_STARTUP_TRACE=on");
    std::string errors;
    const std::string form =
        Form.empty() ? std::string(std::getenv("BRIVO_SOURCE_DIR")) + "/resources/forms/TfrmBrivo.txt" : Form;
    EXPECT_EQ(RunProcess({std::string(BRIVO_BIN_DIR) + "/skin-render", form, (Dir / Name).string()}, nullptr,
                         Environment, &errors),
              0)
        << errors;
    EXPECT_NE(errors.find(": first frame presented"), std::string::npos) << errors;
    return errors.find("ms: fontconfig") != std::string::npos;
  }
  std::string Picture(const std::string& Name) {
    std::ifstream in(Dir / Name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::filesystem::path Kept() const { return Dir / "brivo" / "fonts-skin-render"; }
};

TEST_F(SkinRenderKeptFontsTest, TheNextRunDrawsTheSameWithoutFontconfig) {
  EXPECT_TRUE(Render("first.png"));
  ASSERT_TRUE(std::filesystem::exists(Kept()));
  EXPECT_FALSE(Render("second.png"));
  EXPECT_EQ(Picture("first.png"), Picture("second.png"));
}

// The adjuster's fonts kept, another form draws characters of them that were not kept, and in a
// face that was not kept for them: it draws what a run that kept nothing draws.
TEST_F(SkinRenderKeptFontsTest, CharactersNotKeptAreDrawnAsByARunThatKeptNothing) {
  const std::string other = Write("other.txt", R"(object Form1: TForm1
  Width = 200
  Height = 80
  Caption = 'Other'
  object Label1: TLabel
    Left = 8
    Top = 8
    Width = 180
    Height = 16
    Caption = '調整亮度 Brightness 123'
    Font.Height = -16
    Font.Name = '新細明體'
    ParentFont = False
  end
  object Label2: TLabel
    Left = 8
    Top = 40
    Width = 180
    Height = 13
    Caption = 'Hello 測試 ÄÖ'
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    ParentFont = False
  end
end
)");
  Render("adjuster.png");
  EXPECT_TRUE(Render("other.png", {}, other)) << "fontconfig finds the face for characters not kept";
  Render("fresh.png", {}, other, Dir / "nothing-kept");
  EXPECT_EQ(Picture("other.png"), Picture("fresh.png"));
}

TEST_F(SkinRenderKeptFontsTest, AKeptFileThatNoLongerHoldsIsWorkedOutAgain) {
  EXPECT_TRUE(Render("first.png"));
  std::ofstream(Kept(), std::ios::binary) << "brivo fonts 1\nglyph\tdamaged\n";
  EXPECT_TRUE(Render("damaged.png")) << "a damaged file is made anew";
  EXPECT_FALSE(Render("mended.png"));
  EXPECT_TRUE(Render("elsewhere.png", {"XDG_DATA_HOME=" + (Dir / "data").string()}))
      << "fontconfig looks for fonts where XDG_DATA_HOME says";
  for (const char* name : {"damaged.png", "mended.png", "elsewhere.png"})
    EXPECT_EQ(Picture("first.png"), Picture(name)) << name;
}

TEST_F(SkinRenderKeptFontsTest, AChangedFontconfigFileIsNoticed) {
  const std::string config = Write("fonts.conf", "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                                                 "<fontconfig><include>/etc/fonts/fonts.conf</include></fontconfig>\n");
  const std::vector<std::string> env{"FONTCONFIG_FILE=" + config};
  EXPECT_TRUE(Render("first.png", env));
  EXPECT_FALSE(Render("kept.png", env));
  std::filesystem::last_write_time(config, std::filesystem::last_write_time(config) + std::chrono::seconds(5));
  EXPECT_TRUE(Render("changed.png", env));
  EXPECT_EQ(Picture("first.png"), Picture("changed.png"));
}
