// The skinned buttons on the headless desktop: input through the real dispatch path, time by the
// virtual clock, drawing checked on the screen's pixels.

#include "skin/controls/ZYKButton.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/core/StoredForm.h"
#include "platform/graphics/ImageList.h"
#include "platform/windows/Messages.h"
#include "platform/graphics/BmpCodec.h"
#include "skin/foundation/ZYKPublic.h"
#include "skin/foundation/ZYKThemeFile.h"
#include "tests/platform/graphics/PixelText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>
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
  auto* b = NewComponent<TzykImageButton>(Form);
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
  EXPECT_FALSE(IsPublishedProp(*b, "FileTheme"));
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

// ---- The push button

// Draws what a push button in Style should show at Width x Height in state Frame (1 normal, 2 hovered,
// 3 pressed), over Background, straight from the drawing routines.
std::unique_ptr<TBitmap> ExpectedFace(TzykUIStyle Style, int Frame, int Width, int Height, TColor Background) {
  auto face = std::make_unique<TBitmap>(Width, Height);
  face->Canvas().Brush().SetColor(Background);
  face->Canvas().FillRect(Rect(0, 0, Width, Height));
  TBitmap picture;
  GetBuiltInBitmap(Style, zteButtonImage, &picture, 3, Frame);
  DrawNineSliceFace(picture, face->Canvas(), Rect(0, 0, Width, Height), GetBuiltInBool(Style, zteButtonTransparentBool));
  return face;
}

// Draws Caption centred in the face, as a button does, moved by (DX, DY).
void DrawCentred(TBitmap& Face, const TFont& Font, const std::string& Caption, TColor Color, int DX = 0, int DY = 0) {
  TCanvas& c = Face.Canvas();
  c.Brush().SetStyle(bsClear);
  c.SetFont(Font);
  c.Font().SetColor(Color);
  TRect r = Rect(DX, DY, Face.Width() + DX, Face.Height() + DY);
  c.DrawText(Caption, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

class PushButtonTest : public ButtonTest {
protected:
  TzykButton* AddButton(TzykUIStyle Style, const TRect& Bounds, const std::string& Name = "") {
    auto* b = Add<TzykButton>(Bounds, Name);
    b->SetUIStyle(Style);
    return b;
  }
  static bool SamePixels(const TBitmap& A, const TBitmap& B) { return A.Pixels() == B.Pixels(); }
};

TEST_F(PushButtonTest, ResHandleReadsZeroWhateverIsWritten) {
  TzykButton b(Form);
  SetOrdProp(b, "ResHandle", 1234);
  EXPECT_EQ(GetOrdProp(b, "ResHandle"), 0);
}

TEST_F(PushButtonTest, AutoSizeTakesOneFrameOfTheBuiltInPicture) {
  TzykButton* b = AddButton(WinXP, Bounds(10, 10, 80, 27));
  b->SetAutoSize(true);
  EXPECT_EQ(b->Width(), 18);
  EXPECT_EQ(b->Height(), 21);
  b->SetUIStyle(FromThemeFile);
  b->SetAutoSize(true);
  EXPECT_EQ(b->Width(), 24) << "no picture: 74 x 21, a third of it wide";
  EXPECT_EQ(b->Height(), 21);
  b->SetUIStyle(MacOS);
  b->SetAutoSize(true);
  EXPECT_EQ(b->Width(), 84);
  EXPECT_EQ(b->Height(), 23);
}

TEST_F(PushButtonTest, TheLookDecidesTransparencyUntilAStoredValueFollows) {
  TzykButton* b = AddButton(MacOS, Bounds(10, 10, 80, 27), "Ok");
  EXPECT_TRUE(b->Transparent());
  b->SetUIStyle(WinXP);
  EXPECT_FALSE(b->Transparent());
  b->SetUIStyle(BlueGlass);
  EXPECT_TRUE(b->Transparent());

  TForm stored(nullptr);
  ReadStoredForm("object Host: TForm\n"
                 "  object Ok: TzykButton\n"
                 "    UIStyle = MacOS\n"
                 "    Transparent = False\n"
                 "  end\n"
                 "end\n",
                 stored);
  auto* read = dynamic_cast<TzykButton*>(stored.FindComponent("Ok"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->UIStyle(), MacOS);
  EXPECT_FALSE(read->Transparent());
}

TEST_F(PushButtonTest, CaptionAndTextAreOneString) {
  TzykButton* b = AddButton(WinXP, Bounds(10, 10, 80, 27));
  b->SetCaption("&Go");
  EXPECT_EQ(b->Text(), "&Go");
  b->SetText("Stop");
  EXPECT_EQ(b->Caption(), "Stop");
}

TEST_F(PushButtonTest, ClickHandsTheModalResultToTheForm) {
  TzykButton* ok = AddButton(WinXP, Bounds(10, 10, 80, 27));
  TzykButton* plain = AddButton(WinXP, Bounds(100, 10, 80, 27));
  ok->SetModalResult(mrOk);
  ShowForm();
  const TPoint p = At(ok);
  Desktop.Click(p.X, p.Y);
  EXPECT_EQ(Form->ModalResult(), mrOk);
  plain->Click();
  EXPECT_EQ(Form->ModalResult(), mrNone) << "a button without a result clears the form's";
}

TEST_F(PushButtonTest, ClickTakesTheFocusOnlyWithTabStop) {
  TzykButton* a = AddButton(WinXP, Bounds(10, 10, 80, 27));
  TzykButton* b = AddButton(WinXP, Bounds(100, 10, 80, 27));
  b->SetTabStop(false);
  ShowForm();
  a->Click();
  EXPECT_TRUE(a->Focused());
  const TPoint p = At(b);
  Desktop.Click(p.X, p.Y);
  EXPECT_EQ(Clicks, 2);
  EXPECT_TRUE(a->Focused());
}

TEST_F(PushButtonTest, DeletingTheFileThemeFallsBackToDeepBlue) {
  auto* theme = new TzykFileTheme(nullptr);
  TzykButton* b = AddButton(MacOS, Bounds(10, 10, 80, 27));
  b->SetFileTheme(theme);
  EXPECT_TRUE(b->Transparent());
  delete theme;
  EXPECT_EQ(b->FileTheme(), nullptr);
  EXPECT_EQ(b->UIStyle(), DeepBlue);
  EXPECT_FALSE(b->Transparent());
}

// ---- Keys

class ButtonKeysTest : public PushButtonTest {
protected:
  ButtonKeysTest() {
    Other = AddButton(WinXP, Bounds(10, 10, 80, 27));
    Other->OnClick = [this](TObject*) { ++OtherClicks; };
    Button = AddButton(WinXP, Bounds(100, 10, 80, 27));
    ShowForm();
  }
  void Type(WORD Key) {
    Desktop.KeyDown(Key);
    Desktop.KeyUp(Key);
  }
  void TypeHolding(WORD Modifier, WORD Key) {
    Desktop.KeyDown(Modifier);
    Type(Key);
    Desktop.KeyUp(Modifier);
  }
  TzykButton* Other = nullptr;
  TzykButton* Button = nullptr;
  int OtherClicks = 0;
};

TEST_F(ButtonKeysTest, SpaceShowsThePressWithoutRepeatingAndClicksOnRelease) {
  Button->SetFocus();
  Desktop.KeyDown(VK_SPACE);
  EXPECT_TRUE(Button->IsMouseDown());
  EXPECT_EQ(Button->RepeatTimer(), nullptr);
  EXPECT_EQ(Clicks, 0);
  Desktop.Advance(300);
  Desktop.KeyUp(VK_SPACE);
  EXPECT_FALSE(Button->IsMouseDown());
  EXPECT_EQ(Clicks, 1);
}

TEST_F(ButtonKeysTest, EnterOnTheFocusedButtonBehavesLikeSpace) {
  Button->SetFocus();
  Desktop.KeyDown(VK_RETURN);
  EXPECT_TRUE(Button->IsMouseDown());
  Desktop.KeyUp(VK_RETURN);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(ButtonKeysTest, KeysDoNothingOnADisabledButton) {
  Button->SetFocus();
  Button->SetEnabled(false);
  Type(VK_SPACE);
  EXPECT_FALSE(Button->IsMouseDown());
  EXPECT_EQ(Clicks, 0);
}

TEST_F(ButtonKeysTest, DefaultButtonTakesEnterFromAnywhereOnTheForm) {
  Button->SetDefault(true);
  Other->SetFocus();
  Type(VK_RETURN);
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(OtherClicks, 0);
  EXPECT_TRUE(Button->Focused()) << "the click takes the focus";
}

TEST_F(ButtonKeysTest, DefaultButtonIgnoresEnterWithShiftCtrlOrAlt) {
  Button->SetDefault(true);
  Other->SetFocus();
  TypeHolding(VK_SHIFT, VK_RETURN);
  TypeHolding(VK_CONTROL, VK_RETURN);
  TypeHolding(VK_MENU, VK_RETURN);
  EXPECT_EQ(Clicks, 0);
}

TEST_F(ButtonKeysTest, CancelButtonTakesEscape) {
  Button->SetCancel(true);
  Other->SetFocus();
  Type(VK_ESCAPE);
  EXPECT_EQ(Clicks, 1);
  Other->SetFocus();
  TypeHolding(VK_CONTROL, VK_ESCAPE);
  EXPECT_EQ(Clicks, 1);
  Type(VK_RETURN);
  EXPECT_EQ(Clicks, 1) << "a cancel button is no default button";
}

TEST_F(ButtonKeysTest, HiddenOrDisabledDefaultButtonLetsEnterPass) {
  Button->SetDefault(true);
  Button->SetEnabled(false);
  Other->SetFocus();
  Type(VK_RETURN);
  EXPECT_EQ(Clicks, 0);
  EXPECT_EQ(OtherClicks, 1) << "the focused button takes its own Enter";
}

TEST_F(ButtonKeysTest, AccessKeyWithAltClicksAnEnabledButton) {
  Button->SetCaption("&Reset");
  Other->SetFocus();
  Desktop.KeyDown(VK_MENU);
  Desktop.Char(U'x');
  EXPECT_EQ(Clicks, 0);
  Desktop.Char(U'r');
  Desktop.KeyUp(VK_MENU);
  EXPECT_EQ(Clicks, 1);
  Button->SetEnabled(false);
  Desktop.KeyDown(VK_MENU);
  Desktop.Char(U'R');
  Desktop.KeyUp(VK_MENU);
  EXPECT_EQ(Clicks, 1);
}

// ---- Drawing

class ButtonPaintTest : public PushButtonTest {};

TEST_F(ButtonPaintTest, MacOSFaceIsTheNineSliceOfEachFrameOverTheParent) {
  TzykButton* b = AddButton(MacOS, Bounds(204, 29, 65, 57));
  ASSERT_TRUE(b->Transparent());
  ShowForm();
  EXPECT_TRUE(SamePixels(*Capture(b), *ExpectedFace(MacOS, 1, 65, 57, clTeal)));
  const TPoint p = At(b, 30, 30);
  Desktop.MouseMove(p.X, p.Y);
  EXPECT_TRUE(SamePixels(*Capture(b), *ExpectedFace(MacOS, 2, 65, 57, clTeal)));
  Desktop.MouseDown(p.X, p.Y);
  EXPECT_TRUE(SamePixels(*Capture(b), *ExpectedFace(MacOS, 3, 65, 57, clTeal)));
  Desktop.MouseUp(p.X, p.Y);
  // The corners' key colour let the form through.
  EXPECT_EQ(ScreenColor(b, 0, 0), clTeal);
}

TEST_F(ButtonPaintTest, CaptionIsCentredAndMovesWithThePress) {
  TzykButton* b = AddButton(MacOS, Bounds(204, 29, 65, 57));
  b->SetCaption("Reset");
  b->Font()->SetColor(clNavy);
  ShowForm();
  auto expected = ExpectedFace(MacOS, 1, 65, 57, clTeal);
  DrawCentred(*expected, *b->Font(), "Reset", clNavy);
  EXPECT_TRUE(SamePixels(*Capture(b), *expected));
  const TPoint p = At(b, 30, 30);
  Desktop.MouseMove(p.X, p.Y);
  Desktop.MouseDown(p.X, p.Y);
  expected = ExpectedFace(MacOS, 3, 65, 57, clTeal);
  DrawCentred(*expected, *b->Font(), "Reset", clNavy, 1, 1);
  EXPECT_TRUE(SamePixels(*Capture(b), *expected));
  Desktop.MouseUp(p.X, p.Y);
}

TEST_F(ButtonPaintTest, DisabledCaptionIsEngravedWhiteBelowGreyOnTop) {
  TzykButton* b = AddButton(WinXP, Bounds(20, 20, 80, 27));
  b->SetCaption("Reset");
  b->SetEnabled(false);
  ShowForm();
  auto expected = ExpectedFace(WinXP, 1, 80, 27, clTeal);
  DrawCentred(*expected, *b->Font(), "Reset", clWhite, 1, 1);
  DrawCentred(*expected, *b->Font(), "Reset", clGray);
  const auto shown = Capture(b);
  EXPECT_TRUE(SamePixels(*shown, *expected));
  // Somewhere the grey stroke has the white one just below and to the right of it.
  bool engraved = false;
  for (int y = 0; y + 1 < shown->Height(); ++y)
    for (int x = 0; x + 1 < shown->Width(); ++x)
      engraved = engraved || (PixelToColor(shown->Pixels().At(x, y)) == clGray &&
                              PixelToColor(shown->Pixels().At(x + 1, y + 1)) == clWhite);
  EXPECT_TRUE(engraved);
}

TEST_F(ButtonPaintTest, BlankCaptionIsNotDrawn) {
  TzykButton* blank = AddButton(WinXP, Bounds(10, 10, 80, 27));
  TzykButton* none = AddButton(WinXP, Bounds(10, 60, 80, 27));
  blank->SetCaption(" \t ");
  blank->SetEnabled(false);
  none->SetEnabled(false);
  ShowForm();
  EXPECT_TRUE(SamePixels(*Capture(blank), *Capture(none)));
}

TEST_F(ButtonPaintTest, BaseButtonDrawsOneFrameAtItsSizeGreyedWhenDisabled) {
  auto* b = Add<TzykCustomButton>(Bounds(10, 10, 30, 30));
  b->SetUIStyle(WinXP);
  ShowForm();
  TBitmap frame;
  GetBuiltInBitmap(WinXP, zteButtonImage, &frame, 3, 1);
  EXPECT_EQ(ScreenColor(b, 9, 10), frame.Canvas().Pixel(9, 10));
  EXPECT_EQ(ScreenColor(b, 25, 25), clTeal) << "an 18 x 21 frame, not stretched";
  b->SetEnabled(false);
  EXPECT_NE(ScreenColor(b, 9, 10), frame.Canvas().Pixel(9, 10));
}

class FocusMarkTest : public PushButtonTest {
protected:
  // The same button twice, one to focus and one that stays without the focus; the form has a
  // third control to hold the focus otherwise.
  void Build(TzykUIStyle Style) {
    Holder = AddButton(Style, Bounds(200, 150, 20, 20));
    Marked = AddButton(Style, Bounds(10, 10, 80, 27));
    Plain = AddButton(Style, Bounds(10, 60, 80, 27));
    Marked->SetCaption("Reset");
    Plain->SetCaption("Reset");
    ShowForm();
    Holder->SetFocus();
  }
  TzykButton* Holder = nullptr;
  TzykButton* Marked = nullptr;
  TzykButton* Plain = nullptr;
};

TEST_F(FocusMarkTest, MacOSAndBlueGlassMarkTheFocusWithABoldCaptionOnly) {
  for (TzykUIStyle style : {MacOS, BlueGlass}) {
    Build(style);
    Plain->Font()->SetStyle({fsBold});
    const auto boldUnfocused = Capture(Plain);
    Plain->Font()->SetStyle({});
    Marked->SetFocus();
    EXPECT_TRUE(SamePixels(*Capture(Marked), *boldUnfocused)) << TzykUIStyleInfo().Name(style);
    Holder->SetFocus();
    EXPECT_TRUE(SamePixels(*Capture(Marked), *Capture(Plain))) << "the bold is gone with the focus";
    delete Holder;
    delete Marked;
    delete Plain;
  }
}

TEST_F(FocusMarkTest, OtherLooksDrawTheDottedRectangleInsideTheMargin) {
  Build(WinXP);
  auto expected = Capture(Plain);
  expected->Canvas().DrawFocusRect(Rect(2, 2, 78, 25));
  Marked->SetFocus();
  EXPECT_TRUE(SamePixels(*Capture(Marked), *expected));
  Marked->SetFocusedRectMargin(5);
  expected = Capture(Plain);
  expected->Canvas().DrawFocusRect(Rect(5, 5, 75, 22));
  EXPECT_TRUE(SamePixels(*Capture(Marked), *expected));
}

TEST_F(FocusMarkTest, WithoutTabStopNoMarkIsDrawn) {
  Build(WinXP);
  Marked->SetTabStop(false);
  Marked->SetFocus();
  ASSERT_TRUE(Marked->Focused());
  EXPECT_TRUE(SamePixels(*Capture(Marked), *Capture(Plain)));
}

// Fails to fetch its normal picture.
class TBrokenButton : public TzykCustomButton {
  BRIVO_CLASS(TBrokenButton, TzykCustomButton)

public:
  using TzykCustomButton::TzykCustomButton;

protected:
  void PaintButtonNormal(TBitmap&) override { throw EInvalidGraphic("BMP: no picture"); }
};

const TClassInfo& TBrokenButton::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TBrokenButton>().Build();
  return Info;
}

TEST_F(ButtonPaintTest, PictureThatCannotBeFetchedPaintsAnEmpty74By21Picture) {
  auto* b = Add<TBrokenButton>(Bounds(10, 10, 100, 40));
  ShowForm();
  EXPECT_EQ(ScreenColor(b, 0, 0), clWhite);
  EXPECT_EQ(ScreenColor(b, 73, 20), clWhite);
  EXPECT_EQ(ScreenColor(b, 74, 5), clTeal);
  EXPECT_EQ(ScreenColor(b, 5, 21), clTeal);
}

// ---- The glyph

// Exposes where the glyph landed: the bounding box of the glyph's red pixels on the screen.
class GlyphTest : public PushButtonTest {
protected:
  GlyphTest() {
    Button = AddButton(WinXP, Bounds(10, 10, 80, 27));
    ShowForm();
  }
  void SetGlyph(const std::vector<std::string>& Rows) { Button->SetGlyph(BitmapFromRows(Rows, Legend).get()); }
  // A W x H glyph: red with a fuchsia top-left pixel, the colour it leaves out.
  void SetSolidGlyph(int W, int H) { Button->SetGlyph(&SolidPicture(W, H, clRed)->Bitmap()); }
  TRect Found(TColor Colour) {
    const auto shot = Capture(Button);
    TRect box = Rect(shot->Width(), shot->Height(), -1, -1);
    for (int y = 0; y < shot->Height(); ++y)
      for (int x = 0; x < shot->Width(); ++x)
        if (PixelToColor(shot->Pixels().At(x, y)) == Colour)
          box = Rect(std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1));
    return box;
  }
  int CaptionHeight() {
    TCanvas measure;
    measure.SetFont(*Button->Font());
    return measure.TextHeight("");
  }
  TzykButton* Button = nullptr;
};

TEST_F(GlyphTest, LeftAndRightCentreGlyphAndCaptionTogether) {
  SetSolidGlyph(16, 16);
  // Without a caption the block is the glyph and the spacing: (80 - 20) div 2 = 30 from the left.
  EXPECT_EQ(Found(clRed), Rect(30, 5, 46, 21));
  EXPECT_NE(ScreenColor(Button, 30, 5), clRed) << "the glyph's top-left colour is see-through";
  EXPECT_EQ(Button->TextOrigin(), (TPoint{50, (27 - CaptionHeight()) / 2}));
  Button->SetLayout(blGlyphRight);
  EXPECT_EQ(Found(clRed), Rect(34, 5, 50, 21));
  EXPECT_EQ(Button->TextOrigin().X, 30);
}

TEST_F(GlyphTest, TopAndBottomStackGlyphAndCaption) {
  SetSolidGlyph(16, 16);
  const int th = CaptionHeight();
  Button->SetHeight(27 + th + 4);
  const int h = Button->Height();
  Button->SetLayout(blGlyphTop);
  EXPECT_EQ(Found(clRed).Right, 48) << "(80 - 16) div 2 = 32";
  EXPECT_EQ(Found(clRed).Bottom, (h - (th + 16 + 4)) / 2 + 16);
  EXPECT_EQ(Button->TextOrigin(), (TPoint{40, (h - (th + 16 + 4)) / 2 + 20}));
  Button->SetLayout(blGlyphBottom);
  const int gy = (h + th + 4 - 16) / 2;
  EXPECT_EQ(Found(clRed).Bottom, gy + 16);
  EXPECT_EQ(Button->TextOrigin().Y, gy - th - 4);
}

TEST_F(GlyphTest, ContentWiderThanTheButtonCentresTruncatingTowardZero) {
  SetSolidGlyph(16, 16);
  Button->SetCaption("WWWWWWWW");
  TCanvas measure;
  measure.SetFont(*Button->Font());
  const int tw = measure.TextWidth("WWWWWWWW");
  Button->SetWidth(tw + 16 + 4 - 5); // the block is 5 pixels wider than the button
  EXPECT_EQ(Found(clRed).Right, -2 + 16) << "-5 div 2 is -2, not -3";
  EXPECT_EQ(Button->TextOrigin().X, -2 + 16 + 4);
}

TEST_F(GlyphTest, PressMovesTheGlyphAndTheCaptionByOnePixel) {
  SetSolidGlyph(16, 16);
  Button->SetCaption("Go");
  const TRect glyph = Found(clRed);
  const TPoint text = Button->TextOrigin();
  const TPoint p = At(Button, 5, 5);
  Desktop.MouseMove(p.X, p.Y);
  Desktop.MouseDown(p.X, p.Y);
  EXPECT_EQ(Found(clRed), OffsetRect(glyph, 1, 1));
  EXPECT_EQ(Button->TextOrigin(), (TPoint{text.X + 1, text.Y + 1}));
  Desktop.MouseUp(p.X, p.Y);
}

TEST_F(GlyphTest, TwoImageGlyphShowsItsSecondImageWhenDisabledNeverGreyed) {
  std::vector<std::string> rows(16, std::string(16, 'R') + std::string(16, 'B'));
  rows[0][0] = 'K';
  SetGlyph(rows);
  EXPECT_EQ(Found(clRed).Right, 46);
  EXPECT_EQ(Found(clBlue).Right, -1) << "16 x 16 images: the second is hidden";
  Button->SetEnabled(false);
  EXPECT_EQ(Found(clBlue), Rect(30, 5, 46, 21));
  EXPECT_EQ(Found(clRed).Right, -1);
}

TEST_F(GlyphTest, OneImageGlyphIsGreyedWhenDisabled) {
  SetSolidGlyph(16, 16);
  Button->SetEnabled(false);
  EXPECT_EQ(Found(clRed).Right, -1);
  EXPECT_NE(ScreenColor(Button, 38, 12), ExpectedFace(WinXP, 1, 80, 27, clTeal)->Canvas().Pixel(38, 12));
}

TEST_F(GlyphTest, DisabledCaptionBesideAGlyphIsEngravedFromTheTextOrigin) {
  SetSolidGlyph(16, 16);
  Button->SetCaption("Go");
  Button->SetEnabled(false);
  const auto shown = Capture(Button);
  const TPoint o = Button->TextOrigin();
  auto expected = ExpectedFace(WinXP, 1, 80, 27, clTeal);
  expected->Canvas().SetFont(*Button->Font());
  expected->Canvas().Brush().SetStyle(bsClear);
  for (auto [dx, colour] : {std::pair{1, clWhite}, std::pair{0, clGray}}) {
    expected->Canvas().Font().SetColor(colour);
    TRect r = Rect(o.X + dx, o.Y + dx, 80, 27);
    expected->Canvas().DrawText("Go", r, DT_SINGLELINE);
  }
  // Compare right of the glyph, where only face and caption are.
  for (int y = 0; y < 27; ++y)
    for (int x = o.X - 1; x < 80; ++x)
      ASSERT_EQ(shown->Pixels().At(x, y), expected->Pixels().At(x, y)) << x << "," << y;
}

TEST_F(GlyphTest, CaptionBesideAGlyphIsNeverBold) {
  auto* mac = AddButton(MacOS, Bounds(10, 60, 80, 27));
  mac->SetCaption("Reset");
  mac->SetGlyph(&SolidPicture(16, 16, clRed)->Bitmap());
  auto* twin = AddButton(MacOS, Bounds(100, 60, 80, 27));
  twin->SetCaption("Reset");
  twin->SetGlyph(&SolidPicture(16, 16, clRed)->Bitmap());
  mac->SetFocus();
  EXPECT_TRUE(SamePixels(*Capture(mac), *Capture(twin)));
}

// The hook an action link would call with its image list and index.
class TActionButton : public TzykButton {
  BRIVO_CLASS(TActionButton, TzykButton)

public:
  using TzykButton::TzykButton;
  using TzykButton::ActionImageChanged;
};

const TClassInfo& TActionButton::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TActionButton>().Build();
  return Info;
}

TEST_F(GlyphTest, ActionImageBecomesTheGlyphOnlyWhenThereIsNone) {
  TActionButton b(Form);
  TImageList images(nullptr, 4, 4);
  images.Add(*BitmapFromRows({"RRRRBBBB", "RRRRBBBB", "RRRRBBBB", "RRRRBBBB"}, Legend));
  b.ActionImageChanged(&images, 2);
  EXPECT_TRUE(b.Glyph()->Empty()) << "index out of range";
  b.ActionImageChanged(&images, 1);
  EXPECT_EQ(PixelRows(*b.Glyph(), Legend), (std::vector<std::string>(4, "BBBB")));
  b.ActionImageChanged(&images, 0);
  EXPECT_EQ(PixelRows(*b.Glyph(), Legend), (std::vector<std::string>(4, "BBBB"))) << "an existing glyph stays";
}

// ---- Looks from a theme file

class ButtonThemeFileTest : public PushButtonTest {
protected:
  ButtonThemeFileTest()
      : Dir(std::filesystem::temp_directory_path() / ("brivo-button-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(Dir);
  }
  ~ButtonThemeFileTest() override { std::filesystem::remove_all(Dir); }
  // Three 3 x 3 frames: red, lime, blue.
  std::string WriteTheme(const std::string& Name, bool Transparent) {
    TPixelBuffer frames(9, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 9; ++x)
        frames.Set(x, y, ColorToPixel(x < 3 ? clRed : x < 6 ? clLime : clBlue));
    TzykThemeFileWriter writer;
    writer.AddPicture("ButtonImage", EncodeBmp(frames));
    writer.AddFlag("ButtonTransparentBool", Transparent ? 1 : 0);
    const std::string path = (Dir / Name).string();
    writer.SaveToFile(path);
    return path;
  }
  std::filesystem::path Dir;
};

TEST_F(ButtonThemeFileTest, FromThemeFileDrawsTheThemesFramesAndTakesItsTransparency) {
  auto* theme = NewComponent<TzykFileTheme>(Form);
  theme->SetThemeFile(WriteTheme("one.thm", true));
  TzykButton* b = AddButton(FromThemeFile, Bounds(10, 10, 80, 27));
  b->SetFileTheme(theme);
  EXPECT_TRUE(b->Transparent());
  ShowForm();
  EXPECT_EQ(ScreenColor(b, 40, 13), clRed);
  const TPoint p = At(b, 40, 13);
  Desktop.MouseMove(p.X, p.Y);
  EXPECT_EQ(ScreenColor(b, 40, 13), clLime);
  Desktop.MouseDown(p.X, p.Y);
  EXPECT_EQ(ScreenColor(b, 40, 13), clBlue);
  Desktop.MouseUp(p.X, p.Y);
  theme->SetThemeFile(WriteTheme("two.thm", false));
  EXPECT_FALSE(b->Transparent()) << "a new file reaches the button through its FileTheme setter";
}

TEST_F(ButtonThemeFileTest, WithoutALoadedThemeFromThemeFileFallsBackToDeepBlue) {
  TzykButton* b = AddButton(FromThemeFile, Bounds(10, 10, 80, 27));
  ShowForm();
  EXPECT_TRUE(SamePixels(*Capture(b), *ExpectedFace(DeepBlue, 1, 80, 27, clTeal)));
}

// ---- Stored forms

class StoredButtonTest : public PushButtonTest {};

TEST_F(StoredButtonTest, WrittenButtonsReadBackAndWriteTheSameText) {
  Form->SetName("Host");
  TzykButton* b = AddButton(MacOS, Bounds(204, 29, 65, 57), "Button1");
  b->SetCaption("Reset");
  b->Font()->SetHeight(-13);
  b->SetModalResult(mrOk);
  b->SetGlyph(&SolidPicture(4, 2, clRed)->Bitmap());
  b->SetTabOrder(0);
  auto* arrow = Add<TzykImageButton>(Bounds(10, 10, 16, 17), "Arrow");
  arrow->SetPicNormal(SolidPicture(3, 2, clBlue).get());
  arrow->SetPicMouseDown(SolidPicture(3, 2, clLime).get());
  arrow->SetTabStop(false);
  arrow->SetMouseContinuouslyDownInterval(50);
  const std::string text = WriteStoredForm(*Form);
  for (const char* line : {"UIStyle = MacOS", "Transparent = True", "ModalResult = 1", "FocusedRectMargin = 2",
                           "Layout = blGlyphLeft", "Spacing = 4", "MouseContinuouslyDownInterval = 100",
                           "ResHandle = 0", "AutoSize = False", "Glyph.Data = {", "PicNormal.Data = {",
                           "TabStop = False", "MouseContinuouslyDownInterval = 50"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  EXPECT_EQ(text.find("Cancel"), std::string::npos) << "Cancel and Default are left out at False";
  EXPECT_EQ(text.find("PicMouseOn"), std::string::npos);

  TForm copy(nullptr);
  copy.SetName("Host");
  ReadStoredForm(text, copy);
  EXPECT_EQ(WriteStoredForm(copy), text);
  auto* read = static_cast<TzykButton*>(copy.FindComponent("Button1"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Caption(), "Reset");
  EXPECT_EQ(read->Glyph()->Width(), 4);
  auto* readArrow = static_cast<TzykImageButton*>(copy.FindComponent("Arrow"));
  ASSERT_NE(readArrow, nullptr);
  EXPECT_TRUE(readArrow->PicMouseDown()->HasGraphic());
}

} // namespace
