// The skinned title bar on the headless desktop: its buttons and sections, their look, painting
// checked on the screen's pixels, and input through the real dispatch path.

#include "skin/frame/ZYKTitleBar.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/MenuLoop.h"
#include "platform/core/Resources.h"
#include "platform/core/StoredForm.h"
#include "platform/graphics/BmpCodec.h"
#include "platform/windows/Gdi.h"
#include "skin/foundation/ZYKPublic.h"
#include "skin/foundation/ZYKThemeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string ControlBoxError = "Sorry, only one button's ButtonType property can be \"zykControlBox\"";
const std::string ClientError = "Sorry, only one section's Align property can be \"zykClient\"";

// What a skinned form is to its bar: a panel filling the form that remembers the form's border
// style from before it took the frame away.
class TTestHost : public TCustomPanel, public TzykTitleBarHost {
public:
  explicit TTestHost(TComponent* AOwner) : TCustomPanel(AOwner) { SetBevelOuter(bvNone); }
  TFormBorderStyle SavedBorderStyle() const override { return BorderStyle; }
  TFormBorderStyle BorderStyle = bsSizeable;
};

// A picture of a built-in look: whole, or frame FrameIndex of the button strip's 18.
std::unique_ptr<TBitmap> LookBitmap(TzykUIStyle Style, int Element, int FrameIndex = 0) {
  auto bitmap = std::make_unique<TBitmap>();
  GetBuiltInBitmap(Style, Element, bitmap.get(), FrameIndex ? 18 : 0, FrameIndex);
  return bitmap;
}

TPixelBuffer ButtonFrame(TzykUIStyle Style, int Index) {
  return LookBitmap(Style, zteTitleBarButtonImage, Index)->Pixels();
}

bool SamePixels(const TPicture& Picture, const TPixelBuffer& Expected) {
  const auto* bitmap = dynamic_cast<const TBitmap*>(Picture.Graphic());
  return bitmap && bitmap->Pixels() == Expected;
}

std::unique_ptr<TPicture> SolidPicture(int Width, int Height, TColor Fill) {
  auto picture = std::make_unique<TPicture>();
  TBitmap& bitmap = picture->Bitmap();
  bitmap.SetSize(Width, Height);
  bitmap.Canvas().Brush().SetColor(Fill);
  bitmap.Canvas().FillRect(Rect(0, 0, Width, Height));
  return picture;
}

// A border-less form at (100, 100), 279 wide, on a headless desktop; the bar sits either on a
// stand-in skinned form (Host) or straight on the form.
class TitleBarTest : public ::testing::Test {
protected:
  TitleBarTest() {
    Application->Initialize();
    RegisterZYKTitleBarClasses();
    Form = new TForm(nullptr);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, 279, 120);
  }
  ~TitleBarTest() override { delete Form; }

  TzykTitleBar* AddBar(TzykUIStyle Style, bool OnHost = true) {
    TWinControl* parent = Form;
    if (OnHost) {
      Host = new TTestHost(Form);
      Host->SetParent(Form);
      Host->SetAlign(alClient);
      parent = Host;
    }
    Bar = new TzykTitleBar(parent);
    Bar->SetParent(parent);
    Bar->SetUIStyle(Style);
    return Bar;
  }
  void Show() {
    Form->Show();
    Desktop.ProcessMessages();
  }
  // Removes every button but those of the given kinds, keeping their order.
  void KeepButtons(std::initializer_list<TzykTitleBarBtnType> Kinds) {
    for (int i = Bar->Buttons()->Count() - 1; i >= 0; --i)
      if (std::find(Kinds.begin(), Kinds.end(), Bar->Buttons()->Items(i)->ButtonType()) == Kinds.end())
        Bar->Buttons()->Delete(i);
  }
  int IndexOf(TzykTitleBarBtnType Kind) const {
    for (int i = 0; i < Bar->Buttons()->Count(); ++i)
      if (Bar->Buttons()->Items(i)->ButtonType() == Kind)
        return i;
    return -1;
  }
  TPoint OnBar(int X, int Y) const { return Bar->ClientToScreen({X, Y}); }
  void MoveTo(int X, int Y) {
    const TPoint p = OnBar(X, Y);
    Desktop.MouseMove(p.X, p.Y);
  }
  void ClickAt(int X, int Y) {
    MoveTo(X, Y);
    const TPoint p = OnBar(X, Y);
    Desktop.MouseDown(p.X, p.Y);
    Desktop.MouseUp(p.X, p.Y);
  }
  // What the screen shows over the bar.
  TPixelBuffer Capture() {
    Desktop.ProcessMessages();
    TBitmap bitmap(Bar->Width(), Bar->Height());
    const TPoint p = Bar->ClientToScreen({0, 0});
    bitmap.Canvas().Blit(Rect(0, 0, Bar->Width(), Bar->Height()), Desktop.Screenshot(),
                         Bounds(p.X, p.Y, Bar->Width(), Bar->Height()));
    return bitmap.Pixels();
  }
  TColor ScreenColor(int X, int Y) {
    Desktop.ProcessMessages();
    const TPoint p = OnBar(X, Y);
    return PixelToColor(Desktop.Screenshot().At(p.X, p.Y));
  }
  const std::vector<TRecordedMessageBox>& Boxes() { return Desktop.MessageBoxes().Boxes(); }

  THeadlessDesktop Desktop;
  TForm* Form = nullptr;
  TTestHost* Host = nullptr;
  TzykTitleBar* Bar = nullptr;
};

// ---- Buttons and sections

class TitleBarItemsTest : public TitleBarTest {};

TEST_F(TitleBarItemsTest, NewBarHasTheFourButtonsInOrderAndANewButtonIsAPlainCustomOne) {
  AddBar(WinXP);
  std::vector<TzykTitleBarBtnType> kinds;
  for (int i = 0; i < Bar->Buttons()->Count(); ++i)
    kinds.push_back(Bar->Buttons()->Items(i)->ButtonType());
  EXPECT_EQ(kinds, (std::vector<TzykTitleBarBtnType>{zykControlBox, zykClose, zykMax, zykMin}));

  TzykTitleBarButton* b = Bar->Buttons()->Add();
  EXPECT_TRUE(b->Visible());
  EXPECT_EQ(b->ButtonType(), zykCustom);
  EXPECT_EQ(b->Top(), 2);
  EXPECT_FALSE(b->PicNormal()->HasGraphic());
  EXPECT_FALSE(b->PicMouseOn()->HasGraphic());
  EXPECT_FALSE(b->PicMouseDown()->HasGraphic());
  b->SetUIStyle(Protein);
  EXPECT_TRUE(b->Transparent()) << "a custom button takes only its transparency from the look";
  EXPECT_EQ(b->Top(), 2);
  EXPECT_FALSE(b->PicNormal()->HasGraphic());
}

TEST_F(TitleBarItemsTest, EachKindShowsItsThreeFramesOfTheStripAndTheLooksTop) {
  AddBar(WinXP);
  struct TCase {
    TzykTitleBarBtnType Kind;
    int First;
  };
  for (const TCase c : {TCase{zykControlBox, 1}, TCase{zykHelp, 4}, TCase{zykMax, 7}, TCase{zykMin, 13},
                        TCase{zykClose, 16}}) {
    TzykTitleBarButton* b = Bar->Buttons()->Add();
    if (c.Kind == zykControlBox)
      Bar->Buttons()->Delete(IndexOf(zykControlBox));
    b->SetButtonType(c.Kind);
    b->SetUIStyle(WinXP);
    EXPECT_TRUE(SamePixels(*b->PicNormal(), ButtonFrame(WinXP, c.First))) << c.Kind;
    EXPECT_TRUE(SamePixels(*b->PicMouseOn(), ButtonFrame(WinXP, c.First + 1))) << c.Kind;
    EXPECT_TRUE(SamePixels(*b->PicMouseDown(), ButtonFrame(WinXP, c.First + 2))) << c.Kind;
    EXPECT_EQ(b->PicNormal()->Width(), 21);
    EXPECT_EQ(b->Top(), 5);
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TitleBarItemsTest, SecondControlBoxIsRefusedWithTheDialogAndNothingChanges) {
  AddBar(DeepBlue);
  Show();
  TzykTitleBarButton* close = Bar->Buttons()->Items(IndexOf(zykClose));
  const TPixelBuffer before = ButtonFrame(DeepBlue, 16);
  close->SetButtonType(zykControlBox);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Text, ControlBoxError);
  EXPECT_EQ(Boxes()[0].Type & MB_ICONERROR, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(close->ButtonType(), zykClose);
  EXPECT_TRUE(SamePixels(*close->PicNormal(), before));

  // The rule counts the button itself: the control box cannot be made the control box again.
  Bar->Buttons()->Items(IndexOf(zykControlBox))->SetButtonType(zykControlBox);
  EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(TitleBarItemsTest, SecondClientSectionIsRefusedAndAClientSectionStaysStretched) {
  AddBar(DeepBlue);
  ASSERT_EQ(Bar->Sections()->Count(), 3);
  TzykTitleBarSection* client = Bar->Sections()->Items(2);
  ASSERT_EQ(client->Align(), zykClient);
  EXPECT_TRUE(client->Stretch());
  client->SetStretch(false);
  EXPECT_TRUE(client->Stretch());

  TzykTitleBarSection* left = Bar->Sections()->Items(0);
  left->SetAlign(zykClient);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Text, ClientError);
  EXPECT_EQ(left->Align(), zykLeft);
  EXPECT_FALSE(left->Stretch());
  client->SetAlign(zykClient);
  EXPECT_EQ(Boxes().size(), 2u);

  // Once the client section is gone another may take its place, and is stretched at once.
  Bar->Sections()->Delete(2);
  left->SetAlign(zykClient);
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(left->Align(), zykClient);
  EXPECT_TRUE(left->Stretch());
}

TEST_F(TitleBarItemsTest, SectionAutoSizeTakesThePicturesWidthEvenWhenSwitchedOff) {
  AddBar(DeepBlue);
  TzykTitleBarSection* s = Bar->Sections()->Add();
  EXPECT_EQ(s->Width(), 10);
  s->SetPicture(SolidPicture(33, 5, clRed).get());
  EXPECT_EQ(s->Width(), 10) << "without AutoSize a picture leaves the width";
  s->SetWidth(7);
  s->SetAutoSize(false);
  EXPECT_EQ(s->Width(), 33);
  s->SetAutoSize(true);
  s->SetPicture(SolidPicture(12, 5, clRed).get());
  EXPECT_EQ(s->Width(), 12);
}

TEST_F(TitleBarItemsTest, AssignCopiesSettingsThenPicturesAndCopiesTheControlBoxOntoItself) {
  AddBar(WinXP);
  TzykTitleBarButton* source = Bar->Buttons()->Add();
  source->SetUIStyle(MacOS);
  source->SetPicNormal(SolidPicture(5, 6, clRed).get());
  source->SetTop(9);
  source->SetVisible(false);
  TzykTitleBarButton* target = Bar->Buttons()->Add();
  target->SetButtonType(zykClose);
  target->Assign(source);
  EXPECT_EQ(target->ButtonType(), zykCustom);
  EXPECT_EQ(target->UIStyle(), MacOS);
  EXPECT_EQ(target->Top(), 9);
  EXPECT_FALSE(target->Visible());
  EXPECT_EQ(target->PicNormal()->Width(), 5);
  EXPECT_FALSE(target->PicMouseOn()->HasGraphic()) << "the source's empty picture replaces the loaded one";

  TzykTitleBarButton* box = Bar->Buttons()->Items(IndexOf(zykControlBox));
  box->Assign(box);
  Bar->SetButtons(Bar->Buttons());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(box->ButtonType(), zykControlBox);
}

TEST_F(TitleBarItemsTest, AssignKeepsTheSourcesTopTransparencyAndSectionWidthOverTheLook) {
  AddBar(WinXP);
  // A look button moved and made opaque by hand: the look the copy takes would say Top 5.
  TzykTitleBarButton* source = Bar->Buttons()->Items(IndexOf(zykClose));
  source->SetTop(11);
  source->SetTransparent(!source->Transparent());
  TzykTitleBarButton* target = Bar->Buttons()->Add();
  target->Assign(source);
  EXPECT_EQ(target->ButtonType(), zykClose);
  EXPECT_EQ(target->Top(), 11);
  EXPECT_EQ(target->Transparent(), source->Transparent());
  EXPECT_TRUE(SamePixels(*target->PicNormal(), ButtonFrame(WinXP, 16)));

  TzykTitleBarSection* narrow = Bar->Sections()->Add();
  narrow->SetPicture(SolidPicture(40, 5, clRed).get());
  narrow->SetWidth(15);
  TzykTitleBarSection* copy = Bar->Sections()->Add();
  copy->Assign(narrow);
  EXPECT_EQ(copy->Width(), 15);
  EXPECT_EQ(copy->Picture()->Width(), 40);
  EXPECT_FALSE(copy->AutoSize());
}

TEST_F(TitleBarItemsTest, MaximiseButtonShowsRestoreFramesWhileTheFormIsMaximised) {
  AddBar(WinXP);
  Show();
  TzykTitleBarButton* max = Bar->Buttons()->Items(IndexOf(zykMax));
  EXPECT_TRUE(SamePixels(*max->PicNormal(), ButtonFrame(WinXP, 7)));
  max->DoClick();
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  EXPECT_TRUE(SamePixels(*max->PicNormal(), ButtonFrame(WinXP, 10)));
  EXPECT_TRUE(SamePixels(*max->PicMouseDown(), ButtonFrame(WinXP, 12)));
  max->DoClick();
  EXPECT_EQ(Form->WindowState(), wsNormal);
  EXPECT_TRUE(SamePixels(*max->PicNormal(), ButtonFrame(WinXP, 7)));

  Bar->SetCustom(true);
  max->DoClick();
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  EXPECT_TRUE(SamePixels(*max->PicNormal(), ButtonFrame(WinXP, 7))) << "a custom bar keeps its pictures";
}

TEST_F(TitleBarItemsTest, MaximisingOnAPlainFormFillsTheWorkAreaLessOnePixel) {
  AddBar(WinXP, false);
  Show();
  Bar->Buttons()->Items(IndexOf(zykMax))->DoClick();
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  TRect area;
  GetDesktopWorkArea(area);
  EXPECT_EQ(Form->BoundsRect(), Rect(area.Left, area.Top, area.Right, area.Bottom - 1));
}

TEST_F(TitleBarItemsTest, MinimiseOfASecondaryFormMinimisesOnlyIt) {
  AddBar(DeepBlue);
  Show();
  TForm* other = new TForm(nullptr);
  other->SetBounds(500, 100, 100, 100);
  other->Show();
  Desktop.ProcessMessages();
  Bar->Buttons()->Items(IndexOf(zykMin))->DoClick();
  Desktop.ProcessMessages();
  EXPECT_EQ(Desktop.Host(Form->Handle())->ShowState(), SW_SHOWMINIMIZED);
  EXPECT_TRUE(Desktop.Host(other->Handle())->OnScreen());
  delete other;
}

TEST_F(TitleBarItemsTest, MinimiseOfTheMainFormGoesThroughTheSystemCommand) {
  delete Form;
  TForm* main = nullptr;
  Application->CreateForm(main);
  ASSERT_EQ(Application->MainForm(), main);
  Form = main;
  Form->SetBorderStyle(bsNone);
  Form->SetBounds(100, 100, 279, 120);
  AddBar(DeepBlue);
  std::vector<WPARAM> commands;
  Form->WindowProc = [&, previous = Form->WindowProc](TMessage& M) {
    if (M.Msg == WM_SYSCOMMAND)
      commands.push_back(M.WParam);
    previous(M);
  };
  Show();
  Bar->Buttons()->Items(IndexOf(zykMin))->DoClick();
  EXPECT_EQ(commands, (std::vector<WPARAM>{SC_MINIMIZE}));
  EXPECT_EQ(Desktop.Host(Form->Handle())->ShowState(), SW_SHOWMINIMIZED);
}

// ---- The look

class TitleBarLookTest : public TitleBarTest {};

TEST_F(TitleBarLookTest, LookBuildsTheThreeSectionsAndTheBarTakesTheLeftPicturesHeight) {
  AddBar(BlueGlass);
  ASSERT_EQ(Bar->Sections()->Count(), 3);
  const TzykTitleBarSection* left = Bar->Sections()->Items(0);
  const TzykTitleBarSection* right = Bar->Sections()->Items(1);
  const TzykTitleBarSection* client = Bar->Sections()->Items(2);
  EXPECT_EQ(left->Align(), zykLeft);
  EXPECT_EQ(left->Width(), 162);
  EXPECT_EQ(right->Align(), zykRight);
  EXPECT_EQ(right->Width(), 101);
  EXPECT_EQ(client->Align(), zykClient);
  EXPECT_TRUE(client->Stretch());
  EXPECT_TRUE(SamePixels(*client->Picture(), LookBitmap(BlueGlass, zteTitleBarClientImage)->Pixels()));
  EXPECT_TRUE(Bar->AutoSize());
  EXPECT_EQ(Bar->Height(), 33);
  EXPECT_EQ(Bar->LeftBtnXOffset(), 4);
  EXPECT_EQ(Bar->RightBtnXOffset(), -3);
  EXPECT_EQ(Bar->CaptionTopOffset(), 6);
  EXPECT_EQ(Bar->ButtonPictureHeight(), 19);
  EXPECT_EQ(Bar->RoundCorner(), 11);
  EXPECT_EQ(Form->Constraints()->MinWidth(), 270);
  EXPECT_EQ(Bar->Font()->Color(), clWhite);
  Bar->SetUIStyle(MacOS);
  EXPECT_EQ(Bar->Font()->Color(), clBlack);
  EXPECT_EQ(Bar->LookBorderColor(), static_cast<TColor>(0x7F7F7F));
  EXPECT_EQ(Bar->Buttons()->Items(0)->UIStyle(), MacOS);
}

TEST_F(TitleBarLookTest, CustomBarKeepsItsItemsOffsetsAndCaptionColourThroughALookChange) {
  AddBar(MacOS);
  Bar->SetCustom(true);
  Bar->Sections()->Items(0)->SetWidth(77);
  Bar->Font()->SetColor(clRed);
  Bar->SetLeftBtnXOffset(9);
  Bar->SetUIStyle(WinXP);
  EXPECT_EQ(Bar->UIStyle(), WinXP);
  EXPECT_EQ(Bar->Sections()->Items(0)->Width(), 77);
  EXPECT_EQ(Bar->LeftBtnXOffset(), 9);
  EXPECT_EQ(Bar->Font()->Color(), clRed);
  EXPECT_EQ(Bar->Buttons()->Items(0)->UIStyle(), MacOS);
  EXPECT_EQ(Bar->Height(), 23);
}

TEST_F(TitleBarLookTest, BarWithoutSectionsCannotAutoSize) {
  AddBar(MacOS);
  Bar->Sections()->Clear();
  Bar->SetHeight(40);
  Bar->SetAutoSize(true);
  EXPECT_FALSE(Bar->AutoSize());
  EXPECT_EQ(Bar->Height(), 40);
}

class TitleBarThemeTest : public TitleBarTest {
protected:
  TitleBarThemeTest() : Dir(std::filesystem::temp_directory_path() / ("brivo-titlebar-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(Dir);
  }
  ~TitleBarThemeTest() override { std::filesystem::remove_all(Dir); }
  // A theme whose bar pictures are one colour each and whose caption colour is CaptionColor.
  std::string WriteTheme(int CaptionColor) {
    TzykThemeFileWriter writer;
    auto solid = [](int W, int H, TColor C) { return EncodeBmp(TPixelBuffer(W, H, ColorToPixel(C))); };
    writer.AddPicture("TitleBarLeftImage", solid(20, 26, clRed));
    writer.AddPicture("TitleBarRightImage", solid(20, 26, clBlue));
    writer.AddPicture("TitleBarClientImage", solid(4, 26, clLime));
    writer.AddPicture("TitleBarButtonImage", solid(18 * 15, 15, clYellow));
    writer.AddInt("TitleBarButtonTopInt", 3);
    writer.AddInt("ControlFontColor", CaptionColor);
    const std::string path = (Dir / ("t" + std::to_string(CaptionColor) + ".thm")).string();
    writer.SaveToFile(path);
    return path;
  }
  std::filesystem::path Dir;
};

TEST_F(TitleBarThemeTest, FileThemeGivesTheBarItsPicturesAndTheCaptionColourRule) {
  AddBar(FromThemeFile);
  auto* theme = new TzykFileTheme(Form);
  theme->SetThemeFile(WriteTheme(0x10000));
  Bar->Font()->SetColor(clRed);
  Bar->SetFileTheme(theme);
  EXPECT_EQ(Bar->Height(), 26);
  EXPECT_EQ(Bar->Sections()->Items(0)->Width(), 20);
  EXPECT_EQ(Bar->Buttons()->Items(IndexOf(zykClose))->PicNormal()->Width(), 15);
  EXPECT_EQ(Bar->Buttons()->Items(IndexOf(zykClose))->Top(), 3);
  EXPECT_EQ(Bar->Font()->Color(), clRed) << "a new theme leaves the caption colour alone";
  Bar->SetUIStyle(FromThemeFile);
  EXPECT_EQ(Bar->Font()->Color(), clBlack);
  theme->SetThemeFile(WriteTheme(5));
  Bar->SetUIStyle(FromThemeFile);
  EXPECT_EQ(Bar->Font()->Color(), clWhite);
}

TEST_F(TitleBarThemeTest, DestroyingTheThemeTurnsTheBarDeepBlue) {
  AddBar(FromThemeFile);
  auto* theme = new TzykFileTheme(Form);
  theme->SetThemeFile(WriteTheme(0));
  Bar->SetFileTheme(theme);
  EXPECT_EQ(Bar->SystemMenu()->FileTheme(), theme);
  EXPECT_EQ(Bar->SystemMenu()->UIStyle(), FromThemeFile);
  delete theme;
  EXPECT_EQ(Bar->FileTheme(), nullptr);
  EXPECT_EQ(Bar->SystemMenu()->FileTheme(), nullptr);
  EXPECT_EQ(Bar->SystemMenu()->UIStyle(), DeepBlue);
  EXPECT_EQ(Bar->UIStyle(), DeepBlue);
  EXPECT_EQ(Bar->Height(), 32);
  EXPECT_TRUE(SamePixels(*Bar->Buttons()->Items(IndexOf(zykClose))->PicNormal(), ButtonFrame(DeepBlue, 16)));
}

// ---- Painting

class TitleBarPaintTest : public TitleBarTest {};

// The worked layout: MacOS, 279 wide, control box and close button only.
TEST_F(TitleBarPaintTest, MacOSLayoutMatchesADirectDrawingOfThePictures) {
  AddBar(MacOS);
  KeepButtons({zykControlBox, zykClose});
  Show();
  ASSERT_EQ(Bar->Width(), 279);
  EXPECT_EQ(Bar->Height(), 23);

  TBitmap expected(279, 23);
  TCanvas& c = expected.Canvas();
  c.Draw(0, 0, *LookBitmap(MacOS, zteTitleBarLeftImage));
  c.Draw(231, 0, *LookBitmap(MacOS, zteTitleBarRightImage));
  c.StretchDraw(Rect(48, 0, 231, 23), *LookBitmap(MacOS, zteTitleBarClientImage));
  c.Draw(260, 4, *LookBitmap(MacOS, zteTitleBarButtonImage, 16));
  c.Draw(3, 4, *LookBitmap(MacOS, zteTitleBarButtonImage, 1));
  EXPECT_TRUE(Capture() == expected.Pixels());

  Bar->SetCaption("Screen");
  const TPixelBuffer shown = Capture();
  EXPECT_EQ(Bar->CaptionLeft(), 25);
  EXPECT_EQ(Bar->CaptionRoom(), 235);
  EXPECT_EQ(Bar->DrawnCaption(), "Screen");
  c.SetFont(*Bar->Font());
  c.Brush().SetStyle(bsClear);
  c.TextOut(25, (17 - c.TextHeight("Screen")) / 2 + 4, "Screen");
  EXPECT_TRUE(shown == expected.Pixels());
}

TEST_F(TitleBarPaintTest, DefaultButtonsStandCloseMaximiseMinimiseFromTheRight) {
  AddBar(WinXP);
  Show();
  // WinXP: right offset -2, frames 21 wide at top 5.
  const int w = Bar->Width();
  MoveTo(w - 1 - 2 - 22 + 10, 10);
  EXPECT_EQ(Bar->HotIndex(), IndexOf(zykClose));
  MoveTo(w - 1 - 2 - 44 + 10, 10);
  EXPECT_EQ(Bar->HotIndex(), IndexOf(zykMax));
  MoveTo(w - 1 - 2 - 66 + 10, 10);
  EXPECT_EQ(Bar->HotIndex(), IndexOf(zykMin));
  MoveTo(2 + 10, 10);
  EXPECT_EQ(Bar->HotIndex(), IndexOf(zykControlBox));
  MoveTo(140, 10);
  EXPECT_EQ(Bar->HotIndex(), -1);
}

TEST_F(TitleBarPaintTest, HoveredAndPressedButtonsShowTheirFramesAndEdgesCount) {
  AddBar(MacOS);
  KeepButtons({zykControlBox, zykClose});
  Show();
  auto closeArea = [&] {
    const TPixelBuffer shown = Capture();
    TBitmap area(17, 17);
    area.Canvas().Blit(Rect(0, 0, 17, 17), shown, Bounds(260, 4, 17, 17));
    return area.Pixels();
  };
  // The button covers (260, 4) to (277, 21), its right and bottom edges included.
  MoveTo(277, 21);
  EXPECT_EQ(Bar->HotIndex(), IndexOf(zykClose));
  EXPECT_TRUE(closeArea() == ButtonFrame(MacOS, 17));
  const TPoint p = OnBar(277, 21);
  Desktop.MouseDown(p.X, p.Y);
  EXPECT_TRUE(Bar->MousePressed());
  EXPECT_TRUE(closeArea() == ButtonFrame(MacOS, 18));
  MoveTo(278, 21);
  EXPECT_EQ(Bar->HotIndex(), -1);
  EXPECT_TRUE(closeArea() == ButtonFrame(MacOS, 16));
  const TPoint q = OnBar(278, 21);
  Desktop.MouseUp(q.X, q.Y);
  EXPECT_FALSE(Bar->MousePressed());
  EXPECT_TRUE(Form->Visible()) << "the release was on no button";
}

TEST_F(TitleBarPaintTest, CaptionIsCutCharacterByCharacterToEndInDots) {
  AddBar(MacOS);
  KeepButtons({zykControlBox, zykClose});
  Show();
  TBitmap scratch(1, 1);
  TCanvas& measure = scratch.Canvas();
  measure.SetFont(*Bar->Font());
  const std::string longCaption(80, 'W');
  Bar->SetCaption(longCaption);
  Capture();
  const std::string drawn = Bar->DrawnCaption();
  ASSERT_GE(drawn.size(), 3u);
  EXPECT_EQ(drawn.substr(drawn.size() - 3), "...");
  const std::string kept = drawn.substr(0, drawn.size() - 3);
  EXPECT_EQ(longCaption.compare(0, kept.size(), kept), 0);
  EXPECT_LE(measure.TextWidth(drawn), 235);
  EXPECT_GT(measure.TextWidth(longCaption.substr(0, kept.size() + 1) + "..."), 235);

  // Whole characters go, never part of one.
  const std::string chinese = "螢幕亮度調整螢幕亮度調整螢幕亮度調整螢幕亮度調整螢幕亮度調整";
  Bar->SetCaption(chinese);
  Capture();
  const std::string cut = Bar->DrawnCaption().substr(0, Bar->DrawnCaption().size() - 3);
  EXPECT_EQ(cut.size() % 3, 0u);
  EXPECT_EQ(chinese.compare(0, cut.size(), cut), 0);
}

TEST_F(TitleBarPaintTest, CaptionStartsAtSixWithoutControlBoxAndOffset) {
  AddBar(DeepBlue);
  KeepButtons({zykClose});
  Bar->SetCaption("x");
  Show();
  EXPECT_EQ(Bar->CaptionLeft(), 6);
  EXPECT_EQ(Bar->DrawnCaption(), "x");
  Bar->SetLeftBtnXOffset(2);
  Capture();
  EXPECT_EQ(Bar->CaptionLeft(), 2);
}

TEST_F(TitleBarPaintTest, AppIconTakesThePlaceOfTheControlBoxAndStillCountsAsIt) {
  AddBar(MacOS);
  Bar->SetDrawAppIcon(true);
  Show();
  EXPECT_EQ(Bar->CaptionLeft(), 3 + 21);
  TIcon icon;
  icon.LoadFromBytes(FindResource("MAINICON", TResourceType::Icon));
  TBitmap expected(16, 16);
  expected.Canvas().Blit(Rect(0, 0, 16, 16), LookBitmap(MacOS, zteTitleBarLeftImage)->Pixels(), Bounds(6, 4, 16, 16));
  expected.Canvas().Draw(0, 0, *icon.SizedCopy(16, 16));
  TBitmap shown(16, 16);
  shown.Canvas().Blit(Rect(0, 0, 16, 16), Capture(), Bounds(6, 4, 16, 16));
  EXPECT_TRUE(shown.Pixels() == expected.Pixels());
  MoveTo(4, 10);
  EXPECT_EQ(Bar->HotIndex(), IndexOf(zykControlBox));
}

TEST_F(TitleBarPaintTest, InactiveFormDrawsTheCaptionInTheInactiveCaptionColour) {
  AddBar(MacOS);
  KeepButtons({});
  Bar->Font()->SetColor(clRed);
  Bar->SetCaption("IIIIIIIIII");
  Show();
  auto count = [&](TColor Colour) {
    const TPixelBuffer shown = Capture();
    int n = 0;
    for (TPixel p : shown.Pixels())
      n += p == ColorToPixel(Colour);
    return n;
  };
  const int inactiveBefore = count(ColorToRGB(clInactiveCaption));
  EXPECT_GT(count(clRed), 0);
  Bar->SetFormActive(false);
  EXPECT_EQ(count(clRed), 0);
  EXPECT_GT(count(ColorToRGB(clInactiveCaption)), inactiveBefore);
}

TEST_F(TitleBarPaintTest, RightSectionWithoutRoomIsSkipped) {
  AddBar(MacOS);
  KeepButtons({});
  Bar->SetCustom(true);
  Bar->Sections()->Clear();
  TzykTitleBarSection* left = Bar->Sections()->Add();
  left->SetWidth(250);
  left->SetPicture(SolidPicture(250, 23, clRed).get());
  TzykTitleBarSection* right = Bar->Sections()->Add();
  right->SetAlign(zykRight);
  right->SetWidth(48);
  right->SetPicture(SolidPicture(48, 23, clBlue).get());
  TzykTitleBarSection* client = Bar->Sections()->Add();
  client->SetAlign(zykClient);
  client->SetPicture(SolidPicture(3, 23, clLime).get());
  Show();
  EXPECT_EQ(ScreenColor(249, 5), clRed);
  EXPECT_EQ(ScreenColor(250, 5), clLime);
  EXPECT_EQ(ScreenColor(278, 5), clLime);
  // The room left is 279 - 249 = 30 pixels: a section of exactly that width still fits.
  right->SetWidth(30);
  EXPECT_EQ(ScreenColor(250, 5), clBlue);
  EXPECT_EQ(ScreenColor(278, 5), clBlue);
}

TEST_F(TitleBarPaintTest, RoundedLookDrawsTheBorderColouredOutlineOnlyOnASkinnedForm) {
  // BlueGlass: corner 11 and a black border; one red section shows where the outline goes.
  auto redBar = [&](bool OnHost) {
    AddBar(BlueGlass, OnHost);
    KeepButtons({});
    Bar->SetCustom(true);
    Bar->Sections()->Clear();
    Bar->Sections()->Add()->SetAlign(zykClient);
    Bar->Sections()->Items(0)->SetPicture(SolidPicture(2, 2, clRed).get());
    Show();
  };
  redBar(true);
  EXPECT_EQ(ScreenColor(140, 0), clBlack);
  EXPECT_EQ(ScreenColor(140, 1), clRed);
  EXPECT_EQ(ScreenColor(0, 10), clRed) << "the sides of the outline lie outside the bar";
  Bar->SetUIStyle(WinXP);
  EXPECT_EQ(ScreenColor(140, 0), clRed) << "WinXP draws no outline";
  delete Host;
  redBar(false);
  EXPECT_EQ(ScreenColor(140, 0), clRed);
}

// ---- The window region

class TitleBarRegionTest : public TitleBarTest {
protected:
  TRegion Shape() {
    Desktop.ProcessMessages();
    const auto& shape = Desktop.Host(Form->Handle())->Shape();
    return shape ? *shape : TRegion();
  }
};

TEST_F(TitleBarRegionTest, SquareLookGivesThePlainClientRectangle) {
  AddBar(MacOS);
  Show();
  Bar->ApplyWindowRegion();
  EXPECT_EQ(Shape(), TRegion(Form->ClientRect()));
}

TEST_F(TitleBarRegionTest, RoundedLookCutsTheTopCornersOnlyAndSymmetrically) {
  AddBar(MacOS);
  Show();
  Bar->SetUIStyle(WinXP);
  const TRegion shape = Shape();
  const int w = Form->ClientWidth(), h = Form->ClientHeight();
  EXPECT_EQ(shape.BoundsRect(), Rect(0, 0, w, h));
  EXPECT_FALSE(shape.Contains({0, 0}));
  EXPECT_FALSE(shape.Contains({w - 1, 0}));
  EXPECT_TRUE(shape.Contains({w / 2, 0}));
  EXPECT_TRUE(shape.Contains({0, h - 1}));
  EXPECT_TRUE(shape.Contains({w - 1, h - 1}));
  int asymmetric = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 14; ++x)
      asymmetric += shape.Contains({x, y}) != shape.Contains({w - 1 - x, y});
  EXPECT_EQ(asymmetric, 0);
  Bar->SetRoundCorner(0);
  EXPECT_EQ(Shape(), TRegion(Form->ClientRect()));
}

TEST_F(TitleBarRegionTest, BarOnAPlainFormLeavesTheWindowUnshaped) {
  AddBar(WinXP, false);
  Show();
  Bar->ApplyWindowRegion();
  EXPECT_FALSE(Desktop.Host(Form->Handle())->Shape().has_value());
}

// ---- Input

class TitleBarInputTest : public TitleBarTest {
protected:
  TitleBarInputTest() {
    Form->OnClose = [this](TObject*, TCloseAction&) { ++Closes; };
  }
  int Closes = 0;
};

TEST_F(TitleBarInputTest, PressAndReleaseOnCloseClosesTheForm) {
  AddBar(MacOS);
  Show();
  ClickAt(268, 12);
  EXPECT_EQ(Closes, 1);
  EXPECT_FALSE(Form->Visible());
}

TEST_F(TitleBarInputTest, ReleaseAwayFromThePressedButtonDoesNothing) {
  AddBar(MacOS);
  Show();
  MoveTo(268, 12);
  const TPoint p = OnBar(268, 12);
  Desktop.MouseDown(p.X, p.Y);
  MoveTo(150, 12);
  const TPoint q = OnBar(150, 12);
  Desktop.MouseUp(q.X, q.Y);
  EXPECT_EQ(Closes, 0);

  // The move and the release arrive together, before any paint could find the pointer elsewhere.
  MoveTo(268, 12);
  Desktop.MouseDown(p.X, p.Y);
  Desktop.MouseUp(q.X, q.Y);
  EXPECT_EQ(Closes, 0);
  EXPECT_FALSE(Bar->MousePressed());
}

TEST_F(TitleBarInputTest, PressOnTheEmptyBarMovesTheWindowUnlessMaximised) {
  AddBar(MacOS);
  Show();
  MoveTo(150, 12);
  const TPoint p = OnBar(150, 12);
  Desktop.MouseDown(p.X, p.Y);
  EXPECT_TRUE(Desktop.MoveSizeActive());
  EXPECT_FALSE(Bar->MousePressed());
  Desktop.MouseMove(p.X + 30, p.Y + 20);
  Desktop.MouseUp(p.X + 30, p.Y + 20);
  EXPECT_EQ(Form->Left(), 130);
  EXPECT_EQ(Form->Top(), 120);
  EXPECT_EQ(Closes, 0);

  Form->SetWindowState(wsMaximized);
  Desktop.ProcessMessages();
  const TPoint m = OnBar(150, 12);
  Desktop.MouseMove(m.X, m.Y);
  Desktop.MouseDown(m.X, m.Y);
  EXPECT_FALSE(Desktop.MoveSizeActive());
  EXPECT_TRUE(Bar->MousePressed());
  Desktop.MouseUp(m.X, m.Y);
}

TEST_F(TitleBarInputTest, DoubleClickOnTheEmptyBarMaximisesAndRestores) {
  AddBar(MacOS);
  Show();
  ClickAt(150, 12);
  ClickAt(150, 12);
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  Desktop.Advance(1000);
  ClickAt(150, 12);
  ClickAt(150, 12);
  EXPECT_EQ(Form->WindowState(), wsNormal);
}

TEST_F(TitleBarInputTest, DoubleClickWithoutMaximiseButtonDoesNothingButAHiddenOneCounts) {
  AddBar(MacOS);
  KeepButtons({zykControlBox, zykClose, zykMin});
  Show();
  ClickAt(150, 12);
  ClickAt(150, 12);
  EXPECT_EQ(Form->WindowState(), wsNormal);
  EXPECT_EQ(Closes, 0);

  Bar->Buttons()->Add()->SetButtonType(zykMax);
  Bar->Buttons()->Items(IndexOf(zykMax))->SetVisible(false);
  Desktop.Advance(1000);
  ClickAt(150, 12);
  ClickAt(150, 12);
  EXPECT_EQ(Form->WindowState(), wsMaximized);
}

TEST_F(TitleBarInputTest, CustomAndHelpButtonsRaiseTheirEventsWithTheirIndex) {
  AddBar(MacOS);
  KeepButtons({zykClose});
  TzykTitleBarButton* help = Bar->Buttons()->Add();
  help->SetUIStyle(MacOS);
  help->SetButtonType(zykHelp);
  TzykTitleBarButton* custom = Bar->Buttons()->Add();
  custom->SetPicNormal(SolidPicture(10, 10, clRed).get());
  std::vector<std::pair<std::string, int>> events;
  Bar->OnHelpBtnClick = [&](TObject* Sender, int I) {
    EXPECT_EQ(Sender, Bar);
    events.emplace_back("help", I);
  };
  Bar->OnCustomBtnsClick = [&](TObject*, int I) { events.emplace_back("custom", I); };
  Show();
  // Close at 260, help to its left at 242, the custom button at 231.
  ClickAt(250, 10);
  ClickAt(235, 8);
  EXPECT_EQ(events, (std::vector<std::pair<std::string, int>>{{"help", 1}, {"custom", 2}}));
  EXPECT_EQ(Closes, 0);
}

TEST_F(TitleBarInputTest, TopEdgeOfASizeableFormResizesIt) {
  AddBar(MacOS);
  Show();
  auto hit = [&](int X, int Y) {
    const TPoint p = OnBar(X, Y);
    return SendMessage(Bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
  };
  EXPECT_EQ(hit(2, 2), HTTOPLEFT);
  EXPECT_EQ(hit(150, 4), HTTOP);
  EXPECT_EQ(hit(276, 0), HTTOPRIGHT);
  EXPECT_EQ(hit(150, 5), HTCLIENT);

  const TPoint p = OnBar(150, 2);
  Desktop.MouseMove(p.X, p.Y);
  Desktop.MouseDown(p.X, p.Y);
  EXPECT_TRUE(Desktop.MoveSizeActive());
  Desktop.MouseMove(p.X, p.Y - 30);
  Desktop.MouseUp(p.X, p.Y - 30);
  EXPECT_EQ(Form->Top(), 70);
  EXPECT_EQ(Form->Height(), 150);

  Host->BorderStyle = bsSingle;
  EXPECT_EQ(hit(150, 2), HTCLIENT);
  Host->BorderStyle = bsSizeable;
  Form->SetWindowState(wsMaximized);
  Desktop.ProcessMessages();
  EXPECT_EQ(hit(150, 2), HTCLIENT);
}

// ---- The system menu and a button's own menu, through the real menu loop

// Scripts run one step each time the menu loop waits for input.
class TitleBarMenuTest : public TitleBarInputTest {
protected:
  TitleBarMenuTest() {
    Desktop.SetIdleHook([this] {
      if (Step < Script.size())
        Script[Step++]();
    });
  }
  ~TitleBarMenuTest() override { Desktop.SetIdleHook(nullptr); }
  void Then(std::function<void()> F) { Script.push_back(std::move(F)); }
  TMenuItem* SystemItem(int Index) const { return Bar->SystemMenu()->Items()->Items(Index); }
  void ChooseItem(const TMenuItem* Item) {
    TRect r;
    ASSERT_TRUE(MenuItemScreenRect(Item, r)) << Item->Caption() << " is not shown";
    Desktop.Click((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  // Clicks the control box (MacOS: at (3, 4)) and lets a chosen command arrive.
  void ClickControlBox() {
    ClickAt(8, 10);
    Desktop.ProcessMessages();
  }
  // The window states the form went through, from its size messages.
  void RecordStates() {
    Form->WindowProc = [this, previous = Form->WindowProc](TMessage& M) {
      if (M.Msg == WM_SIZE)
        States.push_back(M.WParam);
      previous(M);
    };
  }

  // A popup menu of the form's with one item, OwnItem, that counts its clicks.
  TPopupMenu* AddOwnMenu() {
    auto* own = new TPopupMenu(Form);
    OwnItem = new TMenuItem(own);
    OwnItem->SetCaption("&Own");
    OwnItem->OnClick = [this](TObject*) { ++OwnClicks; };
    own->Items()->Add(OwnItem);
    return own;
  }

  std::vector<std::function<void()>> Script;
  std::size_t Step = 0;
  std::vector<WPARAM> States;
  TMenuItem* OwnItem = nullptr;
  int OwnClicks = 0;
};

TEST_F(TitleBarMenuTest, SystemMenuHasTheThreeCommandsFromTheStringTable) {
  AddBar(MacOS);
  const TzykTitleBarPopupMenu* menu = Bar->SystemMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->TitleBar(), Bar);
  EXPECT_EQ(menu->Owner(), Bar);
  EXPECT_EQ(menu->AutoHotkeys(), maManual);
  ASSERT_EQ(menu->Items()->Count(), 4);
  std::vector<std::string> captions;
  for (int i = 0; i < 4; ++i)
    captions.push_back(menu->Items()->Items(i)->Caption());
  EXPECT_EQ(captions, (std::vector<std::string>{LoadStr(65273), LoadStr(65274), "-", LoadStr(65275)}));
  EXPECT_EQ(captions[0], "Mi&nimize");
  EXPECT_EQ(menu->UIStyle(), MacOS);
  Bar->SetUIStyle(Protein);
  EXPECT_EQ(menu->UIStyle(), Protein);
}

TEST_F(TitleBarMenuTest, ControlBoxOpensItBelowTheBarWithOnlyTheBarsCommandsEnabled) {
  AddBar(MacOS);
  KeepButtons({zykControlBox, zykClose});
  Show();
  Then([&] {
    ASSERT_EQ(OpenMenuLevels(), 1);
    TRect r;
    GetWindowRect(MenuLevelWindow(0), &r);
    EXPECT_EQ(r.TopLeft(), OnBar(0, Bar->Height()));
    EXPECT_FALSE(SystemItem(TzykTitleBarPopupMenu::MinimizeItem)->Enabled());
    EXPECT_FALSE(SystemItem(TzykTitleBarPopupMenu::MaximizeItem)->Enabled());
    EXPECT_TRUE(SystemItem(TzykTitleBarPopupMenu::CloseItem)->Enabled());
    ChooseItem(SystemItem(TzykTitleBarPopupMenu::MaximizeItem));
  });
  Then([&] {
    EXPECT_EQ(OpenMenuLevels(), 1) << "a disabled command does not close the menu";
    ChooseItem(SystemItem(TzykTitleBarPopupMenu::CloseItem));
  });
  ClickControlBox();
  EXPECT_EQ(Step, 2u);
  EXPECT_EQ(Closes, 1);
  EXPECT_FALSE(Form->Visible());
  EXPECT_EQ(Form->WindowState(), wsNormal);
  EXPECT_FALSE(Bar->MousePressed());
}

TEST_F(TitleBarMenuTest, HiddenMaximiseButtonStillEnablesMaximizeRestore) {
  AddBar(MacOS);
  KeepButtons({zykControlBox, zykMax});
  Bar->Buttons()->Items(IndexOf(zykMax))->SetVisible(false);
  Show();
  Then([&] {
    EXPECT_TRUE(SystemItem(TzykTitleBarPopupMenu::MaximizeItem)->Enabled());
    EXPECT_FALSE(SystemItem(TzykTitleBarPopupMenu::CloseItem)->Enabled());
    ChooseItem(SystemItem(TzykTitleBarPopupMenu::MaximizeItem));
  });
  ClickControlBox();
  EXPECT_EQ(Form->WindowState(), wsMaximized);
}

TEST_F(TitleBarMenuTest, TwoMaximiseButtonsToggleTheFormTwice) {
  AddBar(MacOS);
  Bar->Buttons()->Add()->SetButtonType(zykMax);
  Show();
  RecordStates();
  Then([&] { ChooseItem(SystemItem(TzykTitleBarPopupMenu::MaximizeItem)); });
  ClickControlBox();
  EXPECT_EQ(Form->WindowState(), wsNormal);
  ASSERT_GE(States.size(), 2u);
  EXPECT_EQ(std::count(States.begin(), States.end(), static_cast<WPARAM>(SIZE_MAXIMIZED)), 1);
  EXPECT_EQ(States.back(), static_cast<WPARAM>(SIZE_RESTORED));
}

TEST_F(TitleBarMenuTest, MinimizeOfASecondaryFormMinimisesOnlyIt) {
  AddBar(MacOS);
  Show();
  TForm* other = new TForm(nullptr);
  other->SetBounds(500, 100, 100, 100);
  other->Show();
  Desktop.ProcessMessages();
  Then([&] {
    EXPECT_TRUE(SystemItem(TzykTitleBarPopupMenu::MinimizeItem)->Enabled());
    ChooseItem(SystemItem(TzykTitleBarPopupMenu::MinimizeItem));
  });
  ClickControlBox();
  EXPECT_EQ(Desktop.Host(Form->Handle())->ShowState(), SW_SHOWMINIMIZED);
  EXPECT_TRUE(Desktop.Host(other->Handle())->OnScreen());
  delete other;
}

TEST_F(TitleBarMenuTest, ControlBoxWithItsOwnMenuOpensThatOneAndForgetsItWhenItIsFreed) {
  AddBar(MacOS);
  TPopupMenu* own = AddOwnMenu();
  TzykTitleBarButton* box = Bar->Buttons()->Items(IndexOf(zykControlBox));
  box->SetControlBoxMenu(own);
  // Any button may hold the reference; both must be cleared.
  TzykTitleBarButton* custom = Bar->Buttons()->Add();
  custom->SetControlBoxMenu(own);
  Show();
  Then([&] {
    TRect r;
    EXPECT_FALSE(MenuItemScreenRect(SystemItem(TzykTitleBarPopupMenu::CloseItem), r));
    GetWindowRect(MenuLevelWindow(0), &r);
    EXPECT_EQ(r.TopLeft(), OnBar(0, Bar->Height()));
    ChooseItem(OwnItem);
  });
  ClickControlBox();
  EXPECT_EQ(OwnClicks, 1);
  EXPECT_EQ(Closes, 0);

  delete own;
  EXPECT_EQ(box->ControlBoxMenu(), nullptr);
  EXPECT_EQ(custom->ControlBoxMenu(), nullptr);
  Then([&] {
    TRect r;
    EXPECT_TRUE(MenuItemScreenRect(SystemItem(TzykTitleBarPopupMenu::CloseItem), r));
    Desktop.KeyDown(VK_ESCAPE);
  });
  Desktop.Advance(1000);
  ClickControlBox();
  EXPECT_EQ(Step, 2u);
  EXPECT_EQ(OpenMenuLevels(), 0);
}

TEST_F(TitleBarMenuTest, ButtonsMenuOutlivesTheBarAndStillWorks) {
  AddBar(MacOS);
  TPopupMenu* own = AddOwnMenu();
  Bar->Buttons()->Items(IndexOf(zykControlBox))->SetControlBoxMenu(own);
  Show();
  delete Bar;
  Bar = nullptr;
  Then([&] { ChooseItem(OwnItem); });
  own->Popup(200, 200);
  Desktop.ProcessMessages();
  EXPECT_EQ(OwnClicks, 1);
  delete own;
}

// ---- Stored forms

class TitleBarStoredTest : public TitleBarTest {};

TEST_F(TitleBarStoredTest, ButtonsAndSectionsWithTheirPicturesRoundTrip) {
  Form->SetName("Form1");
  AddBar(MacOS, false);
  Bar->SetName("Bar");
  Bar->SetCustom(true);
  Bar->SetCaption("Stored");
  TzykTitleBarButton* custom = Bar->Buttons()->Add();
  custom->SetPicNormal(SolidPicture(6, 4, clRed).get());
  custom->SetTop(7);
  Bar->Sections()->Items(0)->SetPicture(SolidPicture(9, 23, clBlue).get());
  auto* menu = new TPopupMenu(Form);
  menu->SetName("BoxMenu");
  Bar->Buttons()->Items(0)->SetControlBoxMenu(menu);
  const std::string text = WriteStoredForm(*Form);

  auto* copy = new TForm(nullptr);
  ReadStoredForm(text, *copy);
  auto* bar = dynamic_cast<TzykTitleBar*>(copy->FindComponent("Bar"));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->Caption(), "Stored");
  ASSERT_EQ(bar->Buttons()->Count(), 5);
  EXPECT_EQ(bar->Buttons()->Items(4)->Top(), 7);
  EXPECT_TRUE(bar->Buttons()->Items(4)->PicNormal()->Bitmap().Pixels() == custom->PicNormal()->Bitmap().Pixels());
  EXPECT_TRUE(SamePixels(*bar->Buttons()->Items(1)->PicNormal(), ButtonFrame(MacOS, 16)));
  ASSERT_EQ(bar->Sections()->Count(), 3);
  EXPECT_EQ(bar->Sections()->Items(0)->Picture()->Width(), 9);
  EXPECT_TRUE(bar->Sections()->Items(2)->Stretch());
  ASSERT_NE(copy->FindComponent("BoxMenu"), nullptr);
  EXPECT_EQ(bar->Buttons()->Items(0)->ControlBoxMenu(), copy->FindComponent("BoxMenu"));
  EXPECT_EQ(WriteStoredForm(*copy), text);
  EXPECT_TRUE(Boxes().empty());
  delete copy;
}

} // namespace
