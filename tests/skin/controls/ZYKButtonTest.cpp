// The skinned buttons on the headless desktop: input through the real dispatch path, time by the
// virtual clock, drawing checked on the screen's pixels.

#include "skin/controls/ZYKButton.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/core/StoredForm.h"
#include "platform/graphics/ImageList.h"
#include "platform/windows/Messages.h"
#include "skin/foundation/ZYKPublic.h"
#include "tests/platform/graphics/PixelText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const TLegend Legend = {{clRed, 'R'}, {clBlue, 'B'}, {clLime, 'G'}, {clYellow, 'Y'}, {clFuchsia, 'K'}};

// A picture of one colour with its top-left pixel in another, the colour a see-through picture
// leaves out.
std::unique_ptr<TPicture> SolidPicture(int Width, int Height, TColor Fill, TColor Corner = clFuchsia) {
  auto picture = std::make_unique<TPicture>();
  TBitmap& bitmap = picture->Bitmap();
  bitmap.SetSize(Width, Height);
  bitmap.Canvas().Brush().SetColor(Fill);
  bitmap.Canvas().FillRect(Rect(0, 0, Width, Height));
  bitmap.Pixels().Set(0, 0, ColorToPixel(Corner));
  return picture;
}

// A form at (100, 100) in a known colour on a headless desktop.
class ButtonTest : public ::testing::Test {
protected:
  ButtonTest() {
    Application->Initialize();
    RegisterZYKButtonClasses();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 300, 200);
    Form->SetColor(clTeal);
  }
  ~ButtonTest() override { delete Form; }

  template <class B>
  B* Add(const TRect& Bounds, const std::string& Name = "") {
    auto* b = new B(Form);
    if (!Name.empty())
      b->SetName(Name);
    b->SetBoundsRect(Bounds);
    b->SetParent(Form);
    b->OnClick = [this](TObject*) { ++Clicks; };
    return b;
  }
  TzykImageButton* AddImageButton(const TRect& Bounds) {
    auto* b = Add<TzykImageButton>(Bounds);
    b->OnMouseContinuouslyDown = [this](TObject*) { ++Repeats; };
    return b;
  }
  void ShowForm() {
    Form->Show();
    Desktop.ProcessMessages();
  }
  TPoint At(const TControl* C, int X = 3, int Y = 3) const { return C->ClientToScreen({X, Y}); }
  void Press(const TControl* C) {
    const TPoint p = At(C);
    Desktop.MouseMove(p.X, p.Y);
    Desktop.MouseDown(p.X, p.Y);
  }
  void Release(const TControl* C) {
    const TPoint p = At(C);
    Desktop.MouseUp(p.X, p.Y);
  }
  // What the screen shows over the control.
  std::unique_ptr<TBitmap> Capture(const TControl* C) {
    Desktop.ProcessMessages();
    auto bitmap = std::make_unique<TBitmap>(C->Width(), C->Height());
    const TPoint p = C->ClientToScreen({0, 0});
    bitmap->Canvas().Blit(Rect(0, 0, C->Width(), C->Height()), Desktop.Screenshot(), Bounds(p.X, p.Y, C->Width(), C->Height()));
    return bitmap;
  }
  TColor ScreenColor(const TControl* C, int X, int Y) {
    Desktop.ProcessMessages();
    const TPoint p = C->ClientToScreen({X, Y});
    return PixelToColor(Desktop.Screenshot().At(p.X, p.Y));
  }

  THeadlessDesktop Desktop;
  TForm* Form = nullptr;
  int Clicks = 0;
  int Repeats = 0;
};

// ---- The repeat timer

class RepeatTest : public ButtonTest {
protected:
  RepeatTest() {
    Button = AddImageButton(Bounds(20, 20, 30, 20));
    ShowForm();
  }
  TzykImageButton* Button = nullptr;
};

TEST_F(RepeatTest, HeldForThreeAndAHalfIntervalsRepeatsThreeTimesThenClicksOnRelease) {
  Press(Button);
  EXPECT_TRUE(Button->IsMouseDown());
  EXPECT_EQ(Repeats, 0) << "nothing at the press itself";
  Desktop.Advance(99);
  EXPECT_EQ(Repeats, 0);
  Desktop.Advance(251);
  EXPECT_EQ(Repeats, 3);
  Release(Button);
  EXPECT_EQ(Clicks, 1);
  EXPECT_FALSE(Button->IsMouseDown());
  EXPECT_EQ(Button->RepeatTimer(), nullptr);
  Desktop.Advance(500);
  EXPECT_EQ(Repeats, 3) << "the click stopped the timer";
}

TEST_F(RepeatTest, PressShorterThanTheIntervalOnlyClicks) {
  Press(Button);
  Desktop.Advance(60);
  Release(Button);
  Desktop.Advance(300);
  EXPECT_EQ(Repeats, 0);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(RepeatTest, IntervalIsReadAtThePress) {
  Button->SetMouseContinuouslyDownInterval(40);
  Press(Button);
  Desktop.Advance(130);
  EXPECT_EQ(Repeats, 3);
  Release(Button);
}

TEST_F(RepeatTest, ZeroOrNegativeIntervalMakesATimerThatNeverTicks) {
  Button->SetMouseContinuouslyDownInterval(-5);
  Press(Button);
  ASSERT_NE(Button->RepeatTimer(), nullptr);
  EXPECT_EQ(Button->RepeatTimer()->Interval(), 0u);
  Desktop.Advance(1000);
  EXPECT_EQ(Repeats, 0);
  Release(Button);
}

TEST_F(RepeatTest, LeavingWhileHeldStopsTheRepeatAndTheReleaseDoesNotClick) {
  int exits = 0;
  Button->OnMouseExit = [&](TObject*) { ++exits; };
  Press(Button);
  Desktop.Advance(150);
  EXPECT_EQ(Repeats, 1);
  const TPoint outside = At(Button, 60, 60);
  Desktop.MouseMove(outside.X, outside.Y);
  EXPECT_EQ(exits, 1);
  EXPECT_FALSE(Button->IsMouseDown());
  EXPECT_FALSE(Button->IsMouseOn());
  EXPECT_EQ(Button->RepeatTimer(), nullptr);
  Desktop.Advance(500);
  EXPECT_EQ(Repeats, 1);
  Desktop.MouseUp(outside.X, outside.Y);
  EXPECT_EQ(Clicks, 0);
}

TEST_F(RepeatTest, OnlyTheLeftButtonPresses) {
  std::vector<TMouseButton> downs;
  Button->OnMouseDown = [&](TObject*, TMouseButton B, TShiftState, int, int) { downs.push_back(B); };
  const TPoint p = At(Button);
  Desktop.MouseMove(p.X, p.Y);
  Desktop.MouseDown(p.X, p.Y, TInputButton::Right);
  EXPECT_FALSE(Button->IsMouseDown());
  EXPECT_EQ(Button->RepeatTimer(), nullptr);
  Desktop.MouseUp(p.X, p.Y, TInputButton::Right);
  EXPECT_EQ(downs, (std::vector<TMouseButton>{mbRight}));
  EXPECT_EQ(Clicks, 0);
}

TEST_F(RepeatTest, QuickSecondPressClicksAgain) {
  Press(Button);
  Release(Button);
  Press(Button);
  Release(Button);
  EXPECT_EQ(Clicks, 2);
}

// ---- The image button

class ImageButtonTest : public ButtonTest {};

TEST_F(ImageButtonTest, OnlyPicNormalIsShownInEveryState) {
  auto* b = AddImageButton(Bounds(20, 20, 10, 8));
  b->SetPicNormal(SolidPicture(10, 8, clRed).get());
  ShowForm();
  EXPECT_EQ(ScreenColor(b, 5, 4), clRed);
  const TPoint p = At(b);
  Desktop.MouseMove(p.X, p.Y);
  EXPECT_TRUE(b->IsMouseOn());
  EXPECT_EQ(ScreenColor(b, 5, 4), clRed);
  Desktop.MouseDown(p.X, p.Y);
  EXPECT_EQ(ScreenColor(b, 5, 4), clRed);
  Desktop.MouseUp(p.X, p.Y);
  b->SetEnabled(false);
  EXPECT_EQ(ScreenColor(b, 5, 4), clRed);
}

TEST_F(ImageButtonTest, EachStateShowsItsOwnPicture) {
  auto* b = AddImageButton(Bounds(20, 20, 10, 8));
  b->SetPicNormal(SolidPicture(10, 8, clRed).get());
  b->SetPicMouseOn(SolidPicture(10, 8, clBlue).get());
  b->SetPicMouseDown(SolidPicture(10, 8, clLime).get());
  b->SetPicDisabled(SolidPicture(10, 8, clYellow).get());
  ShowForm();
  EXPECT_EQ(ScreenColor(b, 5, 4), clRed);
  const TPoint p = At(b);
  Desktop.MouseMove(p.X, p.Y);
  EXPECT_EQ(ScreenColor(b, 5, 4), clBlue);
  Desktop.MouseDown(p.X, p.Y);
  EXPECT_EQ(ScreenColor(b, 5, 4), clLime);
  Desktop.MouseUp(p.X, p.Y);
  EXPECT_EQ(ScreenColor(b, 5, 4), clBlue) << "after the click the pointer is still over it";
  b->SetEnabled(false);
  EXPECT_EQ(ScreenColor(b, 5, 4), clYellow) << "disabled wins over hovered";
}

TEST_F(ImageButtonTest, WithoutPicturesTheButtonShowsItsColour) {
  auto* b = AddImageButton(Bounds(20, 20, 10, 8));
  ShowForm();
  EXPECT_EQ(ScreenColor(b, 5, 4), clTeal) << "ParentColor";
}

TEST_F(ImageButtonTest, AutoSizeTakesPicNormalsSizeOnceItHasAParent) {
  auto* b = new TzykImageButton(Form);
  b->SetBounds(0, 0, 50, 50);
  b->SetAutoSize(true);
  b->SetPicNormal(SolidPicture(17, 16, clRed).get());
  EXPECT_EQ(b->Width(), 50) << "no parent yet";
  b->SetParent(Form);
  EXPECT_EQ(b->Width(), 17);
  EXPECT_EQ(b->Height(), 16);
  b->SetPicNormal(SolidPicture(9, 12, clRed).get());
  EXPECT_EQ(b->Width(), 9);
  EXPECT_EQ(b->Height(), 12);
  b->SetPicMouseOn(SolidPicture(30, 30, clRed).get());
  EXPECT_EQ(b->Width(), 9) << "only PicNormal sizes the button";
}

TEST_F(ImageButtonTest, AutoSizeOffKeepsTheBounds) {
  auto* b = AddImageButton(Bounds(20, 20, 40, 30));
  b->SetPicNormal(SolidPicture(17, 16, clRed).get());
  EXPECT_EQ(b->Width(), 40);
  b->SetAutoSize(true);
  EXPECT_EQ(b->Width(), 17);
}

TEST_F(ImageButtonTest, OpaqueUnlessTransparentThenTheCornerColourShowsTheParent) {
  auto* b = AddImageButton(Bounds(20, 20, 10, 8));
  b->SetPicNormal(SolidPicture(10, 8, clRed, clLime).get());
  ShowForm();
  EXPECT_EQ(ScreenColor(b, 0, 0), clLime);
  b->SetTransparent(true);
  EXPECT_EQ(ScreenColor(b, 0, 0), clTeal);
  EXPECT_EQ(ScreenColor(b, 5, 4), clRed);
}

TEST_F(ImageButtonTest, StretchCoversTheControl) {
  auto* b = AddImageButton(Bounds(20, 20, 20, 16));
  b->SetPicNormal(SolidPicture(10, 8, clRed).get());
  ShowForm();
  EXPECT_EQ(ScreenColor(b, 15, 12), clTeal);
  b->SetStretch(true);
  EXPECT_EQ(ScreenColor(b, 15, 12), clRed);
}

TEST_F(ImageButtonTest, UIStyleAlwaysReadsFromThemeFileAndIsStoredSo) {
  auto* b = AddImageButton(Bounds(20, 20, 10, 8));
  b->SetName("Arrow");
  b->SetUIStyle(WinXP);
  EXPECT_EQ(b->UIStyle(), FromThemeFile);
  EXPECT_EQ(GetEnumProp(*b, "UIStyle"), "FromThemeFile");
  Form->SetName("Host");
  EXPECT_NE(WriteStoredForm(*Form).find("UIStyle = FromThemeFile"), std::string::npos);
}

TEST_F(ImageButtonTest, DrawsTheFocusRectangleOnlyWhenAskedTo) {
  auto* b = AddImageButton(Bounds(20, 20, 20, 16));
  b->SetPicNormal(SolidPicture(20, 16, clRed).get());
  ShowForm();
  b->SetFocus();
  EXPECT_EQ(ScreenColor(b, 2, 2), clRed);
  b->SetDrawFocused(true);
  EXPECT_NE(ScreenColor(b, 2, 2), clRed);
  EXPECT_EQ(ScreenColor(b, 1, 1), clRed);
}

} // namespace
