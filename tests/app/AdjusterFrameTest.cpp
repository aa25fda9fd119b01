// The adjuster window's skinned frame on the headless desktop: its size and place, where every
// control stands, the title bar as the window draws it, the border and background, the focused
// reset button, the icon, and what the user's mouse does with the frame.

#include "app/Unit1.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/windows/Gdi.h"
#include "skin/foundation/ZYKThemes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr TPixel Grey127 = 0x7F7F7F;

class AdjusterFrameTest : public ::testing::Test {
protected:
  AdjusterFrameTest() {
    Application->Initialize();
    RegisterUnit1Classes();
    Window = new TfrmBrivo(nullptr);
    Window->Show();
    Desktop.ProcessMessages();
  }
  ~AdjusterFrameTest() override {
    delete Window;
    Application->SetActive(false);
  }

  TzykTitleBar* Bar() const { return Window->zykForm1->TitleBar(); }
  // The window's own pixels (its frame buffer), at window coordinates.
  const TPixelBuffer& Surface() const { return Desktop.Host(Window->Handle())->Surface(); }
  // Screen point of a point of the window.
  TPoint OnScreen(int X, int Y) const { return {Window->Left() + X, Window->Top() + Y}; }

  THeadlessDesktop Desktop;
  TfrmBrivo* Window = nullptr;
};

TEST_F(AdjusterFrameTest, TheWindowIsTheSkinnedFormAndItsBorderWithoutANativeFrame) {
  EXPECT_EQ(Window->Width(), 281);
  EXPECT_EQ(Window->Height(), 121);
  EXPECT_EQ(Window->ClientWidth(), 281) << "no native frame takes any of it";
  EXPECT_EQ(Window->ClientHeight(), 121);
  EXPECT_EQ(Window->BorderStyle(), bsNone);
  EXPECT_EQ(GetWindowLong(Window->Handle(), GWL_STYLE) & WS_CAPTION, 0);
  const TRect shown = Desktop.Host(Window->Handle())->Bounds();
  EXPECT_EQ(shown.Width(), 281);
  EXPECT_EQ(shown.Height(), 121);
  EXPECT_EQ(Window->zykForm1->BoundsRect(), Bounds(1, 0, 279, 120));
  EXPECT_EQ(Window->Constraints()->MinHeight(), 50);
  EXPECT_EQ(Window->Constraints()->MinWidth(), 130) << "the MacOS title bar's minimum";
}

TEST_F(AdjusterFrameTest, ItIsCentredOnTheDesktop) {
  TRect work;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(Window->Left(), work.Left + (work.Width() - 281) / 2);
  EXPECT_EQ(Window->Top(), work.Top + (work.Height() - 121) / 2);
  EXPECT_EQ(Desktop.Host(Window->Handle())->Bounds(), Window->BoundsRect());
}

TEST_F(AdjusterFrameTest, EveryControlStandsOnTheSkinnedFormWhereTheLayoutPutsIt) {
  struct TPlace {
    TControl* Control;
    TRect Bounds;
  };
  const std::vector<TPlace> table = {
      {Window->Label9, Bounds(8, 28, 32, 16)},     {Window->ScrollBar3, Bounds(46, 28, 99, 16)},
      {Window->stat3, Bounds(155, 28, 40, 15)},    {Window->Label8, Bounds(8, 49, 32, 16)},
      {Window->ScrollBar2, Bounds(47, 48, 98, 16)}, {Window->stat2, Bounds(155, 48, 40, 15)},
      {Window->Label1, Bounds(8, 70, 32, 16)},     {Window->ScrollBar1, Bounds(47, 68, 98, 16)},
      {Window->stat1, Bounds(155, 68, 40, 15)},    {Window->Button1, Bounds(204, 29, 65, 57)},
      {Window->Label2, Bounds(48, 88, 193, 13)},   {Window->Label3, Bounds(160, 104, 89, 13)}};
  for (const TPlace& place : table) {
    EXPECT_EQ(place.Control->Parent(), Window->zykForm1) << place.Control->Name();
    EXPECT_EQ(place.Control->BoundsRect(), place.Bounds) << place.Control->Name();
    // On the screen the skinned form's own place (1, 0) in the window comes in.
    const TPoint at = place.Control->ClientToScreen({0, 0});
    EXPECT_EQ(at, OnScreen(1 + place.Bounds.Left, place.Bounds.Top)) << place.Control->Name();
  }
  EXPECT_EQ(Window->zykURLLabel1->Parent(), Window->zykForm1);
  EXPECT_EQ(Window->zykURLLabel1->Left(), 32);
  EXPECT_EQ(Window->zykURLLabel1->Top(), 104);
  EXPECT_EQ(Window->stat3->TabOrder(), 3);
  EXPECT_EQ(Window->stat2->TabOrder(), 2);
  EXPECT_EQ(Window->stat1->TabOrder(), 7);
  EXPECT_EQ(Window->Button1->TabOrder(), 4);
  for (TzykScrollBar* bar : {Window->ScrollBar1, Window->ScrollBar2, Window->ScrollBar3}) {
    EXPECT_EQ(bar->Height(), 16);
    EXPECT_EQ(bar->DecButton()->Width(), 17) << bar->Name();
    EXPECT_EQ(bar->DecButton()->Height(), 16);
    EXPECT_EQ(bar->IncButton()->Width(), 17);
  }
}

TEST_F(AdjusterFrameTest, TheSkinnedFormKeepsItsStoredSettings) {
  TzykForm& frame = *Window->zykForm1;
  EXPECT_EQ(frame.UIStyle(), MacOS);
  EXPECT_FALSE(frame.UIStyleAutoUpdateSub());
  EXPECT_FALSE(frame.TitleBarCustom());
  EXPECT_EQ(frame.BorderColor(), 8355711);
  EXPECT_EQ(frame.BorderWidth(), 1);
  EXPECT_EQ(frame.Color(), 15198183);
  EXPECT_EQ(frame.Caption(), "Tavolu螢幕調整程式");
  EXPECT_EQ(Window->Caption(), "Tavolu螢幕調整程式");
  EXPECT_FALSE(frame.TitleBarDrawAppIcon());
  EXPECT_EQ(frame.TitleBarFont()->Name(), "新細明體");
  EXPECT_EQ(frame.TitleBarFont()->Height(), -16);
  EXPECT_EQ(frame.TitleBarFont()->Color(), clNavy) << "the stored colour wins over the look's black";
  EXPECT_EQ(frame.TitleBarFont()->Style(), TFontStyles{fsBold});
  EXPECT_EQ(frame.TitleBarFont()->Charset(), ANSI_CHARSET);
  EXPECT_EQ(frame.MenuBarColor(), 15198183);
  EXPECT_EQ(frame.MenuBarHeight(), 22);
  EXPECT_EQ(frame.RoundCorner(), 0);
  EXPECT_EQ(frame.Menu(), nullptr);
  ASSERT_EQ(frame.TitleBarButtons()->Count(), 2) << "no maximise or minimise button";
  EXPECT_EQ(frame.TitleBarButtons()->Items(0)->ButtonType(), zykControlBox);
  EXPECT_EQ(frame.TitleBarButtons()->Items(1)->ButtonType(), zykClose);
  ASSERT_EQ(frame.TitleBarSections()->Count(), 3);
  EXPECT_EQ(frame.TitleBarSections()->Items(0)->Align(), zykLeft);
  EXPECT_EQ(frame.TitleBarSections()->Items(1)->Align(), zykRight);
  EXPECT_EQ(frame.TitleBarSections()->Items(2)->Align(), zykClient);
  EXPECT_TRUE(frame.TitleBarSections()->Items(2)->Stretch());
}

// What the description stores for the bar must be what the MacOS look gives a new bar, picture by
// picture, so that the look and the stored window cannot drift apart.
TEST_F(AdjusterFrameTest, TheStoredButtonsAndSectionsAreThoseOfTheMacOSLook) {
  auto* scratch = new TForm(nullptr);
  auto* fresh = NewComponent<TzykForm>(scratch);
  fresh->SetUIStyle(MacOS);
  TzykTitleBarButtons& lookButtons = *fresh->TitleBarButtons();
  auto lookButton = [&](TzykTitleBarBtnType Kind) -> TzykTitleBarButton* {
    for (int i = 0; i < lookButtons.Count(); ++i)
      if (lookButtons.Items(i)->ButtonType() == Kind)
        return lookButtons.Items(i);
    return nullptr;
  };
  for (int i = 0; i < 2; ++i) {
    TzykTitleBarButton& stored = *Window->zykForm1->TitleBarButtons()->Items(i);
    TzykTitleBarButton* look = lookButton(stored.ButtonType());
    ASSERT_NE(look, nullptr);
    EXPECT_EQ(stored.UIStyle(), MacOS);
    EXPECT_TRUE(stored.Visible());
    EXPECT_EQ(stored.Top(), look->Top());
    EXPECT_EQ(stored.Top(), 4);
    EXPECT_EQ(stored.Transparent(), look->Transparent());
    for (auto pic : {&TzykTitleBarButton::PicNormal, &TzykTitleBarButton::PicMouseOn, &TzykTitleBarButton::PicMouseDown}) {
      TBitmap& mine = (stored.*pic)()->Bitmap();
      EXPECT_EQ(mine.Width(), 17);
      EXPECT_EQ(mine.Height(), 17);
      EXPECT_EQ(mine.Pixels(), (look->*pic)()->Bitmap().Pixels()) << "button " << i;
    }
  }
  const int widths[] = {48, 48, 49};
  for (int i = 0; i < 3; ++i) {
    TzykTitleBarSection& stored = *Window->zykForm1->TitleBarSections()->Items(i);
    TzykTitleBarSection& look = *fresh->TitleBarSections()->Items(i);
    EXPECT_EQ(stored.Align(), look.Align());
    EXPECT_EQ(stored.AutoSize(), look.AutoSize());
    EXPECT_EQ(stored.Width(), look.Width());
    EXPECT_EQ(stored.Stretch(), look.Stretch());
    TBitmap& mine = stored.Picture()->Bitmap();
    EXPECT_EQ(mine.Width(), widths[i]) << "section " << i;
    EXPECT_EQ(mine.Height(), 23);
    EXPECT_EQ(mine.Pixels(), look.Picture()->Bitmap().Pixels()) << "section " << i;
  }
  delete scratch;
}

// The title bar of the real window, pixel by pixel, against the bar drawn by hand from its own
// pictures and font at the places the layout gives: sections, control box at (3, 4), close at
// (260, 4), the caption from x 25 with its top at (17 - text height) div 2 + 4.
TEST_F(AdjusterFrameTest, TheTitleBarIsLaidOutAsTheMacOSLookLaysOutA279PixelBar) {
  TzykTitleBar& bar = *Bar();
  ASSERT_EQ(bar.BoundsRect(), Bounds(0, 0, 279, 23));
  TzykTitleBarSections& sections = *bar.Sections();
  TzykTitleBarButtons& buttons = *bar.Buttons();
  TBitmap expected(279, 23);
  TCanvas& canvas = expected.Canvas();
  canvas.Draw(0, 0, sections.Items(0)->Picture()->Bitmap());
  canvas.Draw(231, 0, sections.Items(1)->Picture()->Bitmap());
  canvas.StretchDraw(Rect(48, 0, 231, 23), sections.Items(2)->Picture()->Bitmap());
  canvas.Draw(3, 4, buttons.Items(0)->PicNormal()->Bitmap());
  canvas.Draw(260, 4, buttons.Items(1)->PicNormal()->Bitmap());
  canvas.Font().Assign(bar.Font());
  canvas.Brush().SetStyle(bsClear);
  const int textHeight = canvas.TextHeight(bar.Caption());
  ASSERT_LE(canvas.TextWidth(bar.Caption()), 235) << "the caption fits the 235 pixels it may take";
  canvas.TextOut(25, (17 - textHeight) / 2 + 4, bar.Caption());

  // The pointer away from the bar, so no button is lit.
  Desktop.MouseMove(0, 0);
  Desktop.ProcessMessages();
  const TPixelBuffer& shown = Surface();
  int wrong = 0;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 279; ++x) {
      const TPixel got = shown.At(1 + x, y) & 0xFFFFFF, want = expected.Pixels().At(x, y) & 0xFFFFFF;
      if (got != want && ++wrong <= 5)
        ADD_FAILURE() << "bar pixel (" << x << ", " << y << ") is " << std::hex << got << ", drawn by hand " << want;
    }
  EXPECT_EQ(wrong, 0);
  bool navy = false;
  for (int y = 0; y < 23; ++y)
    for (int x = 25; x < 260; ++x)
      navy = navy || (shown.At(1 + x, y) & 0xFFFFFF) == 0x000080;
  EXPECT_TRUE(navy) << "the caption is navy";
}

TEST_F(AdjusterFrameTest, AOneGreyPixelBorderRunsLeftRightAndAlongTheBottom) {
  const TPixelBuffer& shown = Surface();
  for (int y = 0; y < 121; ++y) {
    EXPECT_EQ(shown.At(0, y) & 0xFFFFFF, Grey127) << "left, row " << y;
    EXPECT_EQ(shown.At(280, y) & 0xFFFFFF, Grey127) << "right, row " << y;
  }
  for (int x = 0; x < 281; ++x)
    EXPECT_EQ(shown.At(x, 120) & 0xFFFFFF, Grey127) << "bottom, column " << x;
  EXPECT_NE(shown.At(1, 119) & 0xFFFFFF, Grey127) << "one pixel wide";
}

TEST_F(AdjusterFrameTest, TheMacOSBackgroundIsTiledBehindTheControls) {
  TBitmap tile;
  LoadBitmapResource(tile, "MACOS_FORM_BACKGROUND");
  ASSERT_FALSE(tile.Empty());
  const TPixelBuffer& shown = Surface();
  // Strips that no control covers: below the title bar and along the bottom of the form.
  for (int y : {23, 24, 25, 26, 27, 118, 119})
    for (int x = 0; x < 279; ++x)
      ASSERT_EQ(shown.At(1 + x, y) & 0xFFFFFF, tile.Pixels().At(x % tile.Width(), y % tile.Height()) & 0xFFFFFF)
          << "form point (" << x << ", " << y << ")";
}

// A repaint of a small part, off the tile grid, tiles that part as the whole surface tiles it.
TEST_F(AdjusterFrameTest, APartOfTheBackgroundPaintedAloneKeepsThePatternInPlace) {
  TBitmap tile;
  LoadBitmapResource(tile, "MACOS_FORM_BACKGROUND");
  ASSERT_FALSE(tile.Empty());
  // Scribble over the form's surface first, so that only a repaint can bring the pattern back.
  TPixelBuffer& surface = const_cast<TPixelBuffer&>(Surface());
  const TRect part = Rect(5, 105, 29, 120); // in the skinned form, left of the link line
  for (int y = part.Top; y < part.Bottom; ++y)
    for (int x = part.Left; x < part.Right; ++x)
      surface.Set(1 + x, y, 0x00FF00);
  InvalidateRect(Window->zykForm1->Handle(), &part, 1);
  Desktop.ProcessMessages();
  for (int y = part.Top; y < part.Bottom; ++y)
    for (int x = part.Left; x < part.Right; ++x)
      ASSERT_EQ(Surface().At(1 + x, y) & 0xFFFFFF, tile.Pixels().At(x % tile.Width(), y % tile.Height()) & 0xFFFFFF)
          << "form point (" << x << ", " << y << ")";
}

// Dark pixels in the reset button's caption, which the MacOS look draws bold while focused.
int CaptionInk(const TPixelBuffer& Screen, const TControl* Button) {
  const TPoint at = Button->ClientToScreen({0, 0});
  int ink = 0;
  for (int y = 10; y < Button->Height() - 10; ++y)
    for (int x = 6; x < Button->Width() - 6; ++x) {
      const TPixel p = Screen.At(at.X + x, at.Y + y);
      ink += ((p >> 16 & 255) + (p >> 8 & 255) + (p & 255)) < 3 * 96;
    }
  return ink;
}

TEST_F(AdjusterFrameTest, TheResetButtonHasTheFocusFromTheStartAndShowsItsCaptionBold) {
  EXPECT_TRUE(Window->Button1->Focused());
  EXPECT_EQ(Window->ActiveControl(), Window->Button1);
  EXPECT_TRUE(Window->Button1->TabStop());
  for (TWinControl* other : std::vector<TWinControl*>{Window->ScrollBar1, Window->ScrollBar2, Window->ScrollBar3,
                                                      Window->stat1, Window->stat2, Window->stat3})
    EXPECT_FALSE(other->TabStop()) << other->Name() << ": the reset button is the only tab stop";
  const int focused = CaptionInk(Desktop.Screenshot(), Window->Button1);
  Window->SetActiveControl(nullptr);
  Desktop.ProcessMessages();
  ASSERT_FALSE(Window->Button1->Focused());
  const int plain = CaptionInk(Desktop.Screenshot(), Window->Button1);
  EXPECT_GT(plain, 0);
  EXPECT_GT(focused, plain + plain / 5) << "a bold caption has clearly more ink";
}

TEST_F(AdjusterFrameTest, TheWindowsIconIsTheProgramsIcon) {
  ASSERT_FALSE(Application->Icon()->Empty());
  auto* plain = new TForm(nullptr);
  plain->Show();
  Desktop.ProcessMessages();
  const std::vector<TPixelBuffer> programs = Desktop.Host(plain->Handle())->Icon();
  delete plain;
  ASSERT_FALSE(programs.empty());
  EXPECT_EQ(Desktop.Host(Window->Handle())->Icon(), programs);
}

class AdjusterFrameMouseTest : public AdjusterFrameTest {};

TEST_F(AdjusterFrameMouseTest, ADragOnTheCaptionMovesTheWindowByTheDrag) {
  const TRect before = Window->BoundsRect();
  const TPoint grip = OnScreen(150, 12);
  Desktop.MouseDown(grip.X, grip.Y);
  Desktop.MouseMove(grip.X - 40, grip.Y + 25);
  Desktop.MouseUp(grip.X - 40, grip.Y + 25);
  EXPECT_EQ(Window->BoundsRect(), Bounds(before.Left - 40, before.Top + 25, 281, 121));
  EXPECT_EQ(Window->zykForm1->BoundsRect(), Bounds(1, 0, 279, 120));
}

TEST_F(AdjusterFrameMouseTest, ADragOnTheBottomRightCornerResizesIt) {
  const TRect before = Window->BoundsRect();
  const TPoint corner = OnScreen(280, 120);
  Desktop.MouseDown(corner.X, corner.Y);
  Desktop.MouseMove(corner.X + 30, corner.Y + 20);
  Desktop.MouseUp(corner.X + 30, corner.Y + 20);
  EXPECT_EQ(Window->BoundsRect(), Bounds(before.Left, before.Top, 311, 141));
  EXPECT_EQ(Window->zykForm1->BoundsRect(), Bounds(1, 0, 309, 140)) << "the skinned form follows";
  EXPECT_EQ(Bar()->Width(), 309);
  EXPECT_EQ(Surface().At(310, 140) & 0xFFFFFF, Grey127) << "the border is drawn at the new edge";
}

TEST_F(AdjusterFrameMouseTest, ADoubleClickOnTheCaptionChangesNothing) {
  const TRect before = Window->BoundsRect();
  const TPoint caption = OnScreen(150, 12);
  Desktop.Click(caption.X, caption.Y);
  Desktop.Click(caption.X, caption.Y);
  Desktop.ProcessMessages();
  EXPECT_EQ(Window->WindowState(), wsNormal);
  EXPECT_EQ(Window->BoundsRect(), before);
  EXPECT_TRUE(Window->Visible());
  EXPECT_FALSE(Application->Terminated());
}

TEST_F(AdjusterFrameMouseTest, AClickOnTheCloseButtonClosesTheWindowAndLeavesTheRamp) {
  Window->ScrollBar3->SetPosition(15);
  const std::size_t sent = Desktop.GammaDevice().Tables().size();
  const TPoint close = OnScreen(1 + 260 + 8, 4 + 8);
  Desktop.Click(close.X, close.Y);
  Desktop.ProcessMessages();
  EXPECT_FALSE(Window->Visible());
  EXPECT_EQ(Desktop.GammaDevice().Tables().size(), sent) << "nothing is sent when the window closes";
}

} // namespace
