// Menu item measuring and drawing, checked pixel by pixel on small bitmaps against direct calls of
// the canvas and against the item geometry.

#include "skin/menus/ZYKMenu.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/graphics/Bitmap.h"
#include "platform/windows/Gdi.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr int ItemWidth = 140;
constexpr int ItemHeight = 21;

// A 16 x 16 list of solid images, one per colour.
std::unique_ptr<TImageList> SolidImages(std::initializer_list<TColor> Colors) {
  auto list = std::make_unique<TImageList>(nullptr);
  for (TColor c : Colors) {
    TBitmap b(16, 16);
    b.Canvas().Brush().SetColor(c);
    b.Canvas().FillRect(Rect(0, 0, 16, 16));
    list->Add(b);
  }
  return list;
}

// Pixels of Color in R.
int Count(const TBitmap& Bitmap, const TRect& R, TColor Color) {
  int n = 0;
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x)
      n += PixelToColor(Bitmap.Pixels().At(x, y)) == Color;
  return n;
}

// Pixels in R that differ from Background: the ink of text or pictures drawn over a plain fill.
int Ink(const TBitmap& Bitmap, const TRect& R, TColor Background) {
  int n = 0;
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x)
      n += PixelToColor(Bitmap.Pixels().At(x, y)) != Background;
  return n;
}

// One item drawn onto a bitmap of its own size in a WinXP appearance with a fixed caption font.
class MenuItemDrawTest : public ::testing::Test {
protected:
  MenuItemDrawTest() {
    Application->Initialize();
    ApplyMenuLook(A, WinXP);
    A.UseSystemFont = false;
    A.FontName = "Arial";
    A.FontSize = 9;
    Item = std::make_unique<TMenuItem>(nullptr);
    Item->SetCaption("Open");
    Bitmap.SetSize(ItemWidth, ItemHeight);
    FillRectColor(Bitmap.Canvas(), Rect(0, 0, ItemWidth, ItemHeight), clFuchsia);
  }
  void Draw(bool Selected = false, const TImageList* Images = nullptr) {
    DrawMenuItem(A, Checks.get(), Images, *Item, Bitmap.Canvas(), Rect(0, 0, ItemWidth, ItemHeight), Selected);
  }
  TColor At(int X, int Y) const { return PixelToColor(Bitmap.Pixels().At(X, Y)); }
  // The caption's text box as the item draws it.
  TRect CaptionBox() const { return Rect(A.BarWidth + 4, 4, ItemWidth, ItemHeight); }
  void UseCaptionFont(TCanvas& C, TColor Color, bool Bold = false) {
    C.Font().SetName(A.FontName);
    C.Font().SetSize(A.FontSize);
    C.Font().SetCharset(A.FontCharset);
    C.Font().SetColor(Color);
    C.Font().SetStyle(Bold ? TFontStyles{fsBold} : TFontStyles{});
    C.Brush().SetStyle(bsClear);
  }

  THeadlessDesktop Desktop;
  TzykMenuAppearance A;
  std::unique_ptr<TImageList> Checks = MakeCheckImages();
  std::unique_ptr<TMenuItem> Item;
  TBitmap Bitmap;
};

TEST_F(MenuItemDrawTest, PlainItemIsStripeBackgroundCaptionAndShortcutAtTheirPlaces) {
  Item->SetShortCut(ShortCut('S', TShiftState{ssCtrl}));
  Draw();
  TBitmap expected(ItemWidth, ItemHeight);
  TCanvas& c = expected.Canvas();
  FillRectColor(c, Rect(0, 0, 26, ItemHeight), A.BarColor);
  FillRectColor(c, Rect(26, 0, ItemWidth, ItemHeight), A.Color);
  UseCaptionFont(c, A.FontColor);
  TRect box = Rect(30, 4, ItemWidth, ItemHeight);
  c.DrawText("Open", box, DT_SINGLELINE);
  c.TextOut(ItemWidth - c.TextWidth("Ctrl+S") - 16, 4, "Ctrl+S");
  EXPECT_TRUE(expected.Pixels() == Bitmap.Pixels());
  EXPECT_GT(Ink(Bitmap, Rect(ItemWidth - 60, 0, ItemWidth - 16, ItemHeight), A.Color), 0) << "the shortcut shows";
  EXPECT_EQ(Ink(Bitmap, Rect(ItemWidth - 16, 0, ItemWidth, ItemHeight), A.Color), 0);
}

TEST_F(MenuItemDrawTest, SeparatorLineSitsTwoBelowTheTopFromStripePlusFourToRightLessTwo) {
  Item->SetCaption("-");
  A.SeparatorHeight = 5;
  Draw();
  for (int x = 0; x < ItemWidth; ++x) {
    const TColor line = x >= 30 && x < ItemWidth - 2 ? A.SeparatorColor : x < 26 ? A.BarColor : A.Color;
    EXPECT_EQ(At(x, 2), line) << "x " << x;
    EXPECT_EQ(At(x, 1), x < 26 ? A.BarColor : A.Color) << "x " << x;
    EXPECT_EQ(At(x, 12), x < 26 ? A.BarColor : A.Color) << "x " << x;
  }
}

TEST_F(MenuItemDrawTest, WithoutStripeTheBackgroundAndCaptionStartAtTheLeft) {
  A.BarWidth = 0;
  Item->SetCaption("-");
  Draw();
  EXPECT_EQ(At(0, 10), A.Color);
  EXPECT_EQ(At(3, 2), A.Color);
  EXPECT_EQ(At(4, 2), A.SeparatorColor);
  Item->SetCaption("Wide");
  Draw();
  EXPECT_EQ(At(0, 10), A.Color);
  EXPECT_GT(Ink(Bitmap, Rect(4, 4, 12, ItemHeight), A.Color), 0) << "the caption starts at 4";
}

TEST_F(MenuItemDrawTest, HighlightFillsAndFramesTheWholeItemButADisabledItemStaysPlainAndGrey) {
  ASSERT_NE(A.SelectedColor, A.SelectedBorderColor);
  Draw(true);
  EXPECT_EQ(At(0, 0), A.SelectedBorderColor);
  EXPECT_EQ(At(ItemWidth - 1, ItemHeight - 1), A.SelectedBorderColor);
  EXPECT_EQ(At(1, 1), A.SelectedColor) << "the highlight covers the stripe";
  EXPECT_EQ(At(ItemWidth - 2, ItemHeight - 2), A.SelectedColor);

  Item->SetEnabled(false);
  Draw(true);
  EXPECT_EQ(At(1, 1), A.BarColor);
  EXPECT_EQ(At(ItemWidth - 2, ItemHeight - 2), A.Color);
  TBitmap expected(ItemWidth, ItemHeight);
  FillRectColor(expected.Canvas(), Rect(0, 0, 26, ItemHeight), A.BarColor);
  FillRectColor(expected.Canvas(), Rect(26, 0, ItemWidth, ItemHeight), A.Color);
  UseCaptionFont(expected.Canvas(), 0x808080);
  TRect box = CaptionBox();
  expected.Canvas().DrawText("Open", box, DT_SINGLELINE);
  EXPECT_TRUE(expected.Pixels() == Bitmap.Pixels());
}

TEST_F(MenuItemDrawTest, DefaultItemIsBoldAlsoWhenDisabled) {
  Draw();
  const int regular = Ink(Bitmap, CaptionBox(), A.Color);
  Item->SetDefault(true);
  Draw();
  const int bold = Ink(Bitmap, CaptionBox(), A.Color);
  EXPECT_GT(bold, regular);
  Item->SetEnabled(false);
  Draw();
  TBitmap expected(ItemWidth, ItemHeight);
  FillRectColor(expected.Canvas(), Rect(0, 0, ItemWidth, ItemHeight), A.Color);
  UseCaptionFont(expected.Canvas(), 0x808080, true);
  TRect box = CaptionBox();
  expected.Canvas().DrawText("Open", box, DT_SINGLELINE);
  for (int y = 0; y < ItemHeight; ++y)
    for (int x = 30; x < ItemWidth; ++x)
      ASSERT_EQ(At(x, y), PixelToColor(expected.Pixels().At(x, y))) << x << ", " << y;
}

TEST_F(MenuItemDrawTest, CheckedItemWithAValidImageShowsTheFramedBoxAndTheImageNotTheMark) {
  auto images = SolidImages({clRed, clBlue});
  Item->SetChecked(true);
  Item->SetImageIndex(1);
  Draw(false, images.get());
  EXPECT_EQ(At(2, 1), clBlack);
  EXPECT_EQ(At(20, 19), clBlack);
  EXPECT_EQ(At(21, 10), A.BarColor);
  EXPECT_EQ(At(3, 2), A.SelectedColor);
  EXPECT_EQ(At(19, 19 - 1), clBlue);
  EXPECT_EQ(Ink(Bitmap, Rect(4, 3, 20, 19), clBlue), 0) << "no check mark over the image";

  Item->SetChecked(false);
  Draw(false, images.get());
  EXPECT_EQ(At(2, 1), A.BarColor) << "the box belongs to checked items";
  EXPECT_EQ(At(10, 10), clBlue);
}

TEST_F(MenuItemDrawTest, ImageIndexAtOrPastTheCountOrWithoutAListShowsTheCheckMark) {
  // The mark as it looks drawn straight onto the stripe.
  TBitmap mark(ItemWidth, ItemHeight);
  FillRectColor(mark.Canvas(), Rect(0, 0, ItemWidth, ItemHeight), A.BarColor);
  Checks->Draw(mark.Canvas(), 4, 3, 0);
  ASSERT_GT(Ink(mark, Rect(4, 3, 20, 19), A.BarColor), 0);
  auto images = SolidImages({clRed, clBlue});
  Item->SetChecked(true);
  for (int index : {2, 7, -1}) {
    Item->SetImageIndex(index);
    Draw(false, images.get());
    for (int y = 0; y < ItemHeight; ++y)
      for (int x = 0; x < 26; ++x)
        ASSERT_EQ(At(x, y), PixelToColor(mark.Pixels().At(x, y))) << "index " << index << " at " << x << ", " << y;
  }
  Item->SetImageIndex(0);
  Draw(false, nullptr);
  EXPECT_EQ(At(10, 10), PixelToColor(mark.Pixels().At(10, 10)));
  EXPECT_EQ(At(2, 1), A.BarColor);
}

TEST_F(MenuItemDrawTest, DisabledCheckMarkIsTheListsGreyedRendering) {
  Item->SetChecked(true);
  Item->SetEnabled(false);
  Draw();
  TBitmap grey(ItemWidth, ItemHeight);
  FillRectColor(grey.Canvas(), Rect(0, 0, ItemWidth, ItemHeight), A.BarColor);
  Checks->Draw(grey.Canvas(), 4, 3, 0, false);
  for (int y = 3; y < 19; ++y)
    for (int x = 4; x < 20; ++x)
      ASSERT_EQ(At(x, y), PixelToColor(grey.Pixels().At(x, y))) << x << ", " << y;
}

// MacOS paints pictures; the colour values still give the caption its colour.
class MenuItemMacOSTest : public MenuItemDrawTest {
protected:
  MenuItemMacOSTest() {
    ApplyMenuLook(A, MacOS);
    A.UseSystemFont = false;
    // Colours that would show if the look used them for the background.
    A.BarColor = clRed;
    A.Color = clLime;
    A.SelectedColor = clBlue;
    A.SelectedBorderColor = clYellow;
    A.SeparatorColor = clRed;
    A.FontColor = clRed;
  }
  // Column X of Rect as the top Rows rows of a resource stretched over it.
  static TPixelBuffer Stretched(std::string_view Resource, int Rows, int Height) {
    TBitmap picture;
    LoadBitmapResource(picture, Resource);
    picture.SetHeight(Rows);
    TBitmap out(1, Height);
    out.Canvas().StretchDraw(Rect(0, 0, 1, Height), picture);
    return out.Pixels();
  }
  void ExpectColumn(int X, const TPixelBuffer& Column) {
    for (int y = 0; y < Column.Height(); ++y)
      EXPECT_EQ(At(X, y), PixelToColor(Column.At(0, y))) << "row " << y;
  }
};

TEST_F(MenuItemMacOSTest, LooksPicturesMakeItemHighlightAndSeparatorWithTheirRowsKept) {
  TBitmap bar;
  LoadBitmapResource(bar, "MACOS_MENU_BAR");
  ASSERT_EQ(bar.Height(), 22);
  // The rows dropped must show, or keeping them could not be told apart.
  ASSERT_FALSE(Stretched("MACOS_MENU_BAR", 20, ItemHeight) == Stretched("MACOS_MENU_BAR", 22, ItemHeight));
  ASSERT_FALSE(Stretched("MACOS_MENU_BAR", 12, ItemHeight) == Stretched("MACOS_MENU_BAR", 20, ItemHeight));
  Draw();
  ExpectColumn(1, Stretched("MACOS_MENU_BAR", 20, ItemHeight));
  ExpectColumn(ItemWidth - 1, Stretched("MACOS_MENU_BAR", 20, ItemHeight));
  Draw(true);
  ExpectColumn(1, Stretched("MACOS_MENU_SELECT", 20, ItemHeight));
  Item->SetEnabled(false);
  Draw(true);
  ExpectColumn(1, Stretched("MACOS_MENU_BAR", 20, ItemHeight));

  Item->SetCaption("-");
  FillRectColor(Bitmap.Canvas(), Rect(0, 0, ItemWidth, ItemHeight), clFuchsia);
  Draw();
  ExpectColumn(60, Stretched("MACOS_MENU_BAR", 12, ItemHeight));
  for (int x = 0; x < ItemWidth; ++x)
    ASSERT_NE(At(x, 2), clRed) << "no separator line in MacOS";
}

TEST_F(MenuItemMacOSTest, CaptionKeepsTheAppearancesColours) {
  A.SelectedFontColor = clBlue;
  Draw();
  EXPECT_GT(Count(Bitmap, CaptionBox(), clRed), 0);
  EXPECT_EQ(Count(Bitmap, CaptionBox(), clBlue), 0);
  Draw(true);
  EXPECT_GT(Count(Bitmap, CaptionBox(), clBlue), 0);
  EXPECT_EQ(Count(Bitmap, CaptionBox(), clRed), 0);
}

// Measuring, with the caption font already on the canvas.
class MenuItemMeasureTest : public MenuItemDrawTest {};

TEST_F(MenuItemMeasureTest, WidthAddsRawCaptionShortcutStripeAndForty) {
  TCanvas& c = Bitmap.Canvas();
  UseCaptionFont(c, clBlack);
  Item->SetCaption("&Save as");
  Item->SetShortCut(ShortCut('S', TShiftState{ssCtrl, ssShift}));
  int width = 0, height = 0;
  MeasureMenuItem(A, *Item, c, width, height);
  const int caption = c.TextWidth("&Save as");
  ASSERT_GT(caption, c.TextWidth("Save as")) << "the & is measured";
  EXPECT_EQ(width, caption + c.TextWidth("Shift+Ctrl+S") + 26 + 40);
  EXPECT_EQ(height, A.MenuItemHeight);
  Item->SetShortCut(0);
  MeasureMenuItem(A, *Item, c, width, height);
  EXPECT_EQ(width, caption + 66);
}

TEST_F(MenuItemMeasureTest, OnlyAnExactDashIsASeparator) {
  A.MenuItemHeight = 30;
  A.SeparatorHeight = 8;
  int width = 0, height = 0;
  for (const char* caption : {"--", "- ", " -"}) {
    Item->SetCaption(caption);
    MeasureMenuItem(A, *Item, Bitmap.Canvas(), width, height);
    EXPECT_EQ(height, 30) << "'" << caption << "'";
  }
  Item->SetCaption("-");
  MeasureMenuItem(A, *Item, Bitmap.Canvas(), width, height);
  EXPECT_EQ(height, 8);
  EXPECT_EQ(width, Bitmap.Canvas().TextWidth("-") + 66);
}

// The look's values, the check list, the system font and the hooks.
class MenuRoutinesTest : public MenuItemDrawTest {};

TEST_F(MenuRoutinesTest, LookOverwritesHeightsStripeAndTheSixColours) {
  A.MenuItemHeight = 40;
  A.BarWidth = 3;
  A.FontColor = clRed;
  ApplyMenuLook(A, Protein);
  EXPECT_EQ(A.MenuItemHeight, 21);
  EXPECT_EQ(A.SeparatorHeight, 5);
  EXPECT_EQ(A.BarWidth, 26);
  EXPECT_EQ(A.SeparatorColor, 0x848284u);
  EXPECT_EQ(A.SelectedColor, GetBuiltInColor(Protein, zteMenuSelectedBackgroundColor));
  EXPECT_EQ(A.BarColor, GetBuiltInColor(Protein, zteMenuBarColor));
  EXPECT_EQ(A.FontColor, GetBuiltInColor(Protein, zteMenuFontColor));
  ApplyMenuLook(A, MacOS);
  EXPECT_EQ(A.MenuItemHeight, 20);
  EXPECT_EQ(A.SeparatorHeight, 12);
  EXPECT_EQ(A.SeparatorColor, 0u);
  ApplyMenuLook(A, FromThemeFile);
  EXPECT_EQ(A.SelectedBorderColor, GetBuiltInColor(DeepBlue, zteMenuSelectedBorderColor))
      << "without a loaded theme the colours are DeepBlue's";
}

TEST_F(MenuRoutinesTest, CheckListHoldsTheMarkWithItsWhiteLeftOut) {
  ASSERT_EQ(Checks->Count(), 1);
  EXPECT_EQ(Checks->Width(), 16);
  TBitmap mark;
  LoadBitmapResource(mark, "MENU_CHECKED");
  TBitmap drawn(16, 16);
  FillRectColor(drawn.Canvas(), Rect(0, 0, 16, 16), clFuchsia);
  Checks->Draw(drawn.Canvas(), 0, 0, 0);
  int white = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const TColor source = PixelToColor(mark.Pixels().At(x, y));
      white += source == clWhite;
      EXPECT_EQ(PixelToColor(drawn.Pixels().At(x, y)), source == clWhite ? clFuchsia : source);
    }
  EXPECT_GT(white, 0);
}

TEST_F(MenuRoutinesTest, SystemFontIsTheDesktopsMenuFontInMenuTextColour) {
  LOGFONT lf;
  lf.lfHeight = -15;
  SetFaceName(lf, "DejaVu Sans");
  Desktop.SetMenuFont(lf);
  TFont font;
  font.SetColor(clRed);
  ApplySystemMenuFont(font);
  EXPECT_EQ(font.Name(), "DejaVu Sans");
  EXPECT_EQ(font.Height(), -15);
  EXPECT_EQ(font.Color(), clMenuText);
}

TEST_F(MenuRoutinesTest, EventsReachEverySubItemButNotThePassedItemsParent) {
  TMenuItem root(nullptr);
  auto* top = new TMenuItem(nullptr);
  auto* sub = new TMenuItem(nullptr);
  auto* subsub = new TMenuItem(nullptr);
  root.Add(top);
  top->Add(sub);
  sub->Add(subsub);
  int measured = 0;
  SetMenuItemEvents(top, [&](TObject*, TCanvas&, int&, int&) { ++measured; }, nullptr);
  EXPECT_FALSE(root.OnMeasureItem);
  int w = 0, h = 0;
  for (TMenuItem* i : {top, sub, subsub})
    i->MeasureItem(Bitmap.Canvas(), w, h);
  EXPECT_EQ(measured, 3);
}

// The flat border repainted over a window on the screen.
TEST_F(MenuRoutinesTest, FlatBorderFramesLeftInnerAndTheOtherThreeEdgesOuter) {
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(100, 100, 80, 60);
  form->SetColor(clTeal);
  form->Show();
  Desktop.ProcessMessages();
  DrawFlatMenuBorder(form->Handle(), clBlue, clRed);
  const TPixelBuffer screen = Desktop.Screenshot();
  auto at = [&](int x, int y) { return PixelToColor(screen.At(x, y)); };
  for (int y = 101; y < 159; ++y) {
    EXPECT_EQ(at(100, y), clBlue) << "left, row " << y;
    EXPECT_EQ(at(178, y), clBlue) << "inside the right edge, row " << y;
  }
  for (int x = 100; x < 180; ++x) {
    EXPECT_EQ(at(x, 100), x == 100 ? clTeal : clRed) << "top, column " << x;
    EXPECT_EQ(at(x, 159), clRed) << "bottom, column " << x;
  }
  for (int y = 100; y < 160; ++y)
    EXPECT_EQ(at(179, y), clRed) << "right, row " << y;
  EXPECT_EQ(at(101, 102), clWhite);
  EXPECT_EQ(at(177, 157), clWhite);
  EXPECT_EQ(at(140, 130), clTeal);
  EXPECT_EQ(OutstandingScreenDCs(), 0);
  delete form;
}

} // namespace
