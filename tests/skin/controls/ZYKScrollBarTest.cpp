// The skinned scroll bar on the headless desktop, set up as the adjuster window's sliders: WinXP,
// 0..20 at 10, SmallChange 1, LargeChange and PageSize 2, LineButton 0, 98 pixels wide. Input goes
// through the real dispatch path and time through the virtual clock.

#include "skin/controls/ZYKScrollBar.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/core/StoredForm.h"
#include "platform/windows/Messages.h"
#include "platform/graphics/BmpCodec.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/foundation/ZYKThemeFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A form whose published method the bars' OnChange is bound to by name.
class TScrollBarTestForm : public TForm {
  BRIVO_CLASS(TScrollBarTestForm, TForm)

public:
  explicit TScrollBarTestForm(TComponent* AOwner) : TForm(AOwner) {}
  void BarChange(TObject* Sender) { Senders.push_back(Sender); }
  std::vector<TObject*> Senders;
};

} // namespace

const TClassInfo& TScrollBarTestForm::StaticClassInfo() {
  static const TClassInfo Info =
      TClassBuilder<TScrollBarTestForm>().Method("BarChange", &TScrollBarTestForm::BarChange).Build();
  return Info;
}

namespace {

class ScrollBarTest : public ::testing::Test {
protected:
  ScrollBarTest() {
    Application->Initialize();
    RegisterZYKScrollBarClasses();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 300, 300);
    Bar = AddBar(98);
    Form->Show();
    Desktop.ProcessMessages();
  }
  ~ScrollBarTest() override { delete Form; }

  // A bar with the adjuster's settings, written in the order a stored form writes them.
  TzykScrollBar* AddBar(int Width, int Top = 10) {
    auto* bar = new TzykScrollBar(Form);
    bar->SetParent(Form);
    bar->SetBounds(10, Top, Width, 16);
    bar->SetLineButton(0);
    bar->SetUIStyle(WinXP);
    bar->SetMax(20);
    bar->SetMin(0);
    bar->SetPosition(10);
    bar->SetSmallChange(1);
    bar->SetLargeChange(2);
    bar->SetPageSize(2);
    bar->SetOnChange([this, bar](TObject* Sender) {
      EXPECT_EQ(Sender, bar->Track());
      Changes.push_back(bar->Position());
    });
    return bar;
  }

  TzykImagePanel* Thumb() const { return Bar->Track()->Slider(); }
  TPoint At(const TControl* C, int X, int Y) const { return C->ClientToScreen({X, Y}); }
  void Press(const TControl* C, int X, int Y) {
    const TPoint p = At(C, X, Y);
    Desktop.MouseMove(p.X, p.Y);
    Desktop.MouseDown(p.X, p.Y);
  }
  void Release(const TControl* C, int X, int Y) {
    const TPoint p = At(C, X, Y);
    Desktop.MouseUp(p.X, p.Y);
  }
  void Key(WORD K) {
    Desktop.KeyDown(K);
    Desktop.KeyUp(K);
  }
  // What the screen shows over a control.
  std::unique_ptr<TBitmap> Capture(const TControl* C) {
    Desktop.ProcessMessages();
    auto bitmap = std::make_unique<TBitmap>(C->Width(), C->Height());
    const TPoint p = At(C, 0, 0);
    bitmap->Canvas().Blit(Rect(0, 0, C->Width(), C->Height()), Desktop.Screenshot(),
                          Bounds(p.X, p.Y, C->Width(), C->Height()));
    return bitmap;
  }

  THeadlessDesktop Desktop;
  TForm* Form = nullptr;
  TzykScrollBar* Bar = nullptr;
  std::vector<int> Changes;
};

TColor Pixel(const TBitmap& B, int X, int Y) { return PixelToColor(B.Pixels().At(X, Y)); }

// The colours found in row Y of a bitmap.
std::set<TColor> RowColours(const TBitmap& B, int Y) {
  std::set<TColor> colours;
  for (int x = 0; x < B.Width(); ++x)
    colours.insert(Pixel(B, x, Y));
  return colours;
}

} // namespace

// ---- Layout

TEST_F(ScrollBarTest, ArrowsTrackAndThumbTakeTheirWorkedSizes) {
  EXPECT_EQ(Bar->DecButton()->BoundsRect(), Rect(0, 0, 17, 16));
  EXPECT_EQ(Bar->IncButton()->BoundsRect(), Rect(81, 0, 98, 16));
  EXPECT_EQ(Bar->Height(), 16);
  EXPECT_EQ(Bar->Track()->Left(), 17);
  EXPECT_EQ(Bar->Track()->Top(), 0);
  EXPECT_EQ(Bar->Track()->Width(), 64);
  EXPECT_EQ(Bar->Track()->Height(), 16);
  EXPECT_EQ(Bar->FirstPiece().Width(), 7);
  EXPECT_EQ(Bar->FirstPiece().Height(), 16);
  EXPECT_EQ(Thumb()->Width(), 6); // 64 x 10 % : PageSize 2 is below the floor
  EXPECT_EQ(Thumb()->Height(), 16);
  EXPECT_EQ(Thumb()->Left(), 29);
  EXPECT_EQ(Thumb()->Top(), 0);
  EXPECT_EQ(Bar->Color(), static_cast<TColor>(0xF9F9F9));
  EXPECT_EQ(Bar->Track()->Color(), static_cast<TColor>(0xF9F9F9));
  EXPECT_TRUE(Bar->Track()->BarImage()->Bitmap().Empty());
}

TEST_F(ScrollBarTest, ThumbOfNoLengthKeepsItsThickness) {
  Bar->SetWidth(40); // a 6-pixel track: 10 % of it is no pixel at all
  EXPECT_EQ(Thumb()->Width(), 0);
  EXPECT_EQ(Thumb()->Height(), 16);
  EXPECT_EQ(Bar->Track()->Height(), 16);
}

TEST_F(ScrollBarTest, ThumbWalksTheTrackWithThePosition) {
  TzykScrollBar* wide = AddBar(99, 40);
  ASSERT_EQ(wide->Track()->Width(), 65);
  ASSERT_EQ(wide->IncButton()->Left(), 82);
  const std::vector<int> expected64{0, 2, 5, 8, 11, 14, 17, 20, 23, 26, 29, 31, 34, 37, 40, 43, 46, 49, 52, 55, 58};
  const std::vector<int> expected65{0, 2, 5, 8, 11, 14, 17, 20, 23, 26, 29, 32, 35, 38, 41, 44, 47, 50, 53, 56, 59};
  std::vector<int> lefts64, lefts65;
  for (int p = 0; p <= 20; ++p) {
    Bar->SetPosition(p);
    wide->SetPosition(p);
    lefts64.push_back(Thumb()->Left());
    lefts65.push_back(wide->Track()->Slider()->Left());
  }
  EXPECT_EQ(lefts64, expected64);
  EXPECT_EQ(lefts65, expected65);
}

TEST_F(ScrollBarTest, NewBarIsLaidOutForTheOwnersLookOnZeroToHundred) {
  auto* bar = new TzykScrollBar(Form);
  EXPECT_EQ(bar->UIStyle(), DeepBlue); // the owner form has no skinned form
  EXPECT_EQ(bar->Color(), static_cast<TColor>(0xF5F5F5));
  EXPECT_EQ(bar->Height(), 16); // 185 until the first layout put the arrows' height in
  EXPECT_EQ(bar->Track()->Width(), 185 - 32);
  EXPECT_EQ(bar->Max(), 100);
  EXPECT_FALSE(bar->Track()->ShowTick());
}

TEST_F(ScrollBarTest, ZeroSizeHidesTheBarAndTheNextLayoutShowsIt) {
  Bar->SetWidth(0);
  EXPECT_FALSE(Bar->Visible());
  Bar->SetWidth(98);
  EXPECT_TRUE(Bar->Visible());
  Bar->Hide();
  Bar->SetUIStyle(MacOS);
  EXPECT_TRUE(Bar->Visible());
}

TEST_F(ScrollBarTest, ResizeLaysTheChildrenOutAgain) {
  Bar->SetWidth(150);
  EXPECT_EQ(Bar->Track()->Width(), 116);
  EXPECT_EQ(Bar->IncButton()->Left(), 133);
  EXPECT_EQ(Thumb()->Width(), 11);
}

// ---- The thumb

TEST_F(ScrollBarTest, ShortThumbIsItsMirroredMiddleOnly) {
  const auto shot = Capture(Thumb());
  const TBitmap& thumb = *shot;
  // The caps' rounded ends differ from the middle, so a cap showing would be seen.
  ASSERT_NE(RowColours(Bar->FirstPiece(), 1), RowColours(Bar->MiddlePiece(), 1));
  for (int y = 0; y < thumb.Height(); ++y) {
    const std::set<TColor> middle = RowColours(Bar->MiddlePiece(), y);
    for (int x = 0; x < thumb.Width(); ++x)
      EXPECT_TRUE(middle.contains(Pixel(thumb, x, y))) << x << "," << y;
  }
}

TEST_F(ScrollBarTest, LongThumbHasItsCapsAtBothEnds) {
  Bar->SetMax(100);
  Bar->SetPageSize(50);
  ASSERT_EQ(Thumb()->Width(), 32); // half the track
  Bar->SetPosition(0);
  const auto shot = Capture(Thumb());
  const TBitmap& thumb = *shot;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 7; ++x) {
      EXPECT_EQ(Pixel(thumb, x, y), Pixel(Bar->FirstPiece(), x, y)) << x << "," << y;
      EXPECT_EQ(Pixel(thumb, 25 + x, y), Pixel(Bar->LastPiece(), x, y)) << x << "," << y;
    }
    EXPECT_EQ(Pixel(thumb, 16, y), Pixel(Bar->MiddlePiece(), 3, y));
  }
}

TEST_F(ScrollBarTest, PageSizeActsAsAPercentageOfTheTrack) {
  Bar->SetMax(200);
  const std::vector<std::pair<int, int>> cases{{9, 6}, {10, 6}, {25, 16}, {100, 64}, {101, 6}, {0, 6}};
  for (auto [page, length] : cases) {
    Bar->SetPageSize(page);
    EXPECT_EQ(Thumb()->Width(), length) << page;
  }
}

TEST_F(ScrollBarTest, LargeChangePagesButLeavesTheThumbUntilTheNextBuild) {
  Bar->SetMax(100);
  Bar->SetLargeChange(50);
  EXPECT_EQ(Bar->PageSize(), 50);
  EXPECT_EQ(Thumb()->Width(), 6);
  Bar->SetWidth(99);
  EXPECT_EQ(Thumb()->Width(), 32);
}

TEST_F(ScrollBarTest, LineButtonFixesTheThumbLengthFromEighteenUp) {
  Bar->SetLineButton(5);
  EXPECT_EQ(Bar->LineButton(), 18);
  EXPECT_EQ(Thumb()->Width(), 18);
  Bar->SetLineButton(65); // longer than the 64 between the arrows
  EXPECT_EQ(Bar->LineButton(), 18);
  Bar->SetLineButton(64);
  EXPECT_EQ(Thumb()->Width(), 64);
  Bar->SetLineButton(-3); // back to the proportional thumb
  EXPECT_EQ(Bar->LineButton(), -3);
  EXPECT_EQ(Thumb()->Width(), 6);
}

// ---- Values

TEST_F(ScrollBarTest, PositionIsClampedRepeatsRaiseNothingAndPageSizeAboveMaxIsIgnored) {
  Bar->SetPageSize(30);
  EXPECT_EQ(Bar->PageSize(), 2);
  Bar->SetPosition(25);
  EXPECT_EQ(Bar->Position(), 20);
  Bar->SetPosition(20);
  Bar->SetPosition(-1);
  EXPECT_EQ(Changes, (std::vector<int>{20, 0}));
}

TEST_F(ScrollBarTest, MinEqualToMaxKeepsTheThumbAtTheStart) {
  Bar->SetMin(20);
  EXPECT_EQ(Bar->Position(), 20);
  EXPECT_EQ(Thumb()->Left(), 0);
  Bar->SetPosition(3);
  EXPECT_EQ(Thumb()->Left(), 0);
}

// ---- Mouse and keys

TEST_F(ScrollBarTest, PressInTheTrackPagesOnceThenThreePagesPerTickUpToThePointer) {
  Press(Bar->Track(), 50, 8);
  EXPECT_EQ(Changes, (std::vector<int>{12}));
  Desktop.Advance(100);
  EXPECT_EQ(Changes, (std::vector<int>{12, 16}));
  EXPECT_EQ(Thumb()->Left(), 46);
  Desktop.Advance(100);
  Desktop.Advance(100);
  EXPECT_EQ(Changes, (std::vector<int>{12, 16}));
  Release(Bar->Track(), 50, 8);
}

TEST_F(ScrollBarTest, HoldingTheIncreaseArrowStepsEveryTickUpToMax) {
  Press(Bar->IncButton(), 8, 8);
  EXPECT_TRUE(Changes.empty());
  Desktop.Advance(100);
  EXPECT_EQ(Bar->Position(), 11);
  Desktop.Advance(100);
  EXPECT_EQ(Bar->Position(), 12);
  Desktop.Advance(800);
  EXPECT_EQ(Bar->Position(), 20);
  Desktop.Advance(500);
  Release(Bar->IncButton(), 8, 8);
  EXPECT_EQ(Changes, (std::vector<int>{11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
}

TEST_F(ScrollBarTest, ClickShorterThanATickStepsOnceAtTheRelease) {
  Press(Bar->IncButton(), 8, 8);
  Desktop.Advance(99);
  EXPECT_TRUE(Changes.empty()) << "nothing at the press";
  Release(Bar->IncButton(), 8, 8);
  EXPECT_EQ(Changes, (std::vector<int>{11}));
  Desktop.Advance(300);
  EXPECT_EQ(Changes, (std::vector<int>{11}));
}

TEST_F(ScrollBarTest, EveryQuickClickCountsAndStopsAtTheEnds) {
  for (int i = 0; i < 3; ++i) {
    Press(Bar->DecButton(), 8, 8);
    Desktop.Advance(20);
    Release(Bar->DecButton(), 8, 8);
    Desktop.Advance(20);
  }
  EXPECT_EQ(Changes, (std::vector<int>{9, 8, 7}));
  // Quick clicks one after another are no double click: each steps.
  for (int i = 0; i < 300; ++i) {
    Press(Bar->IncButton(), 8, 8);
    Release(Bar->IncButton(), 8, 8);
  }
  EXPECT_EQ(Bar->Position(), 20);
  EXPECT_EQ(Changes.size(), 3u + 13u);
}

TEST_F(ScrollBarTest, APressHeldPastTheFirstTickGivesNoStepAtTheRelease) {
  Press(Bar->IncButton(), 8, 8);
  Desktop.Advance(150);
  Release(Bar->IncButton(), 8, 8);
  Desktop.Advance(300);
  EXPECT_EQ(Changes, (std::vector<int>{11}));
}

TEST_F(ScrollBarTest, APressDraggedOffTheArrowStepsNothing) {
  Press(Bar->IncButton(), 8, 8);
  const TPoint away = At(Bar->Track(), 30, 8);
  Desktop.MouseMove(away.X, away.Y);
  Desktop.MouseUp(away.X, away.Y);
  // A click of the arrow's own that no press started (a program's) does not step either.
  Bar->IncButton()->Click();
  Desktop.Advance(300);
  EXPECT_TRUE(Changes.empty());
}

TEST_F(ScrollBarTest, DecreaseArrowStepsBySmallChange) {
  Bar->SetSmallChange(4);
  Press(Bar->DecButton(), 8, 8);
  Desktop.Advance(300);
  Release(Bar->DecButton(), 8, 8);
  EXPECT_EQ(Changes, (std::vector<int>{6, 2, 0}));
}

TEST_F(ScrollBarTest, KeysStepTheTrackAfterAPressOnTheThumb) {
  Bar->SetSmallChange(5); // the keys step by the track's LineSize
  Press(Thumb(), 3, 8);
  Release(Thumb(), 3, 8);
  ASSERT_TRUE(Bar->Track()->Focused());
  EXPECT_TRUE(Changes.empty());
  Key(VK_RIGHT);
  EXPECT_EQ(Bar->Position(), 11);
  Key(VK_NEXT);
  EXPECT_EQ(Bar->Position(), 13);
  Key(VK_END);
  EXPECT_EQ(Bar->Position(), 20);
  Key(VK_HOME);
  EXPECT_EQ(Bar->Position(), 0);
  EXPECT_EQ(Changes, (std::vector<int>{11, 13, 20, 0}));
}

// ---- Looks and colour

TEST_F(ScrollBarTest, ColourWrittenLaterReachesTheTrackOnly) {
  Bar->SetColor(clRed);
  EXPECT_EQ(Bar->Track()->Color(), clRed);
  EXPECT_NE(Bar->IncButton()->Color(), clRed);
  Bar->SetUIStyle(WinXP);
  EXPECT_EQ(Bar->Track()->Color(), static_cast<TColor>(0xF9F9F9));
}

TEST_F(ScrollBarTest, RemovedFileThemeFallsBackToDeepBlue) {
  auto* theme = new TzykFileTheme(Form);
  Bar->SetFileTheme(theme);
  EXPECT_EQ(Bar->Color(), static_cast<TColor>(0xF9F9F9));
  Bar->SetUIStyle(FromThemeFile); // no file loaded: DeepBlue's values
  EXPECT_EQ(Bar->Color(), static_cast<TColor>(0xF5F5F5));
  Bar->SetUIStyle(WinXP);
  delete theme;
  EXPECT_EQ(Bar->FileTheme(), nullptr);
  EXPECT_EQ(Bar->UIStyle(), DeepBlue);
  EXPECT_EQ(Bar->Color(), static_cast<TColor>(0xF5F5F5));
}

// A strip of Count frames, each Width x Height in one colour of Colours.
std::vector<std::uint8_t> Strip(int Width, int Height, const std::vector<TColor>& Colours) {
  TPixelBuffer pixels(Width * static_cast<int>(Colours.size()), Height);
  for (int x = 0; x < pixels.Width(); ++x)
    for (int y = 0; y < Height; ++y)
      pixels.Set(x, y, ColorToPixel(Colours[x / Width]));
  return EncodeBmp(pixels);
}

TEST_F(ScrollBarTest, LoadedFileThemeGivesColourArrowsAndThumb) {
  const auto dir = std::filesystem::temp_directory_path() / ("brivo-scrollbar-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "bar.thm").string();
  const std::vector<TColor> arrows{clRed, clLime, clBlue, clYellow, clAqua, clFuchsia};
  TzykThemeFileWriter writer;
  writer.AddInt("ScrollBarBackgroundColor", clNavy);
  writer.AddPicture("ScrollBarButtonImage", Strip(10, 12, arrows));
  writer.AddPicture("ScrollBarSliderImage", Strip(5, 12, {clMaroon, clGreen, clOlive}));
  writer.SaveToFile(path);
  auto* theme = new TzykFileTheme(Form);
  theme->SetThemeFile(path);
  std::filesystem::remove_all(dir);
  ASSERT_TRUE(theme->IsLoaded());

  Bar->SetFileTheme(theme);
  Bar->SetUIStyle(FromThemeFile);
  EXPECT_EQ(Bar->Color(), clNavy);
  EXPECT_EQ(Bar->Track()->Color(), clNavy);
  // The 10 x 12 frames lie down: 12 wide, 10 high.
  EXPECT_EQ(Bar->DecButton()->BoundsRect(), Rect(0, 0, 12, 10));
  EXPECT_EQ(Bar->Height(), 10);
  EXPECT_EQ(Bar->Track()->Width(), 74);
  auto colour = [](TPicture* P) { return PixelToColor(P->Bitmap().Pixels().At(0, 0)); };
  const std::vector<TColor> pictures{colour(Bar->DecButton()->PicNormal()),   colour(Bar->DecButton()->PicMouseOn()),
                                     colour(Bar->DecButton()->PicMouseDown()), colour(Bar->IncButton()->PicNormal()),
                                     colour(Bar->IncButton()->PicMouseOn()),   colour(Bar->IncButton()->PicMouseDown())};
  EXPECT_EQ(pictures, arrows);
  EXPECT_FALSE(Bar->DecButton()->PicDisabled()->HasGraphic());
  EXPECT_EQ(Pixel(Bar->FirstPiece(), 0, 0), clMaroon);
  EXPECT_EQ(Pixel(Bar->LastPiece(), 4, 11), clOlive);
  EXPECT_EQ(Thumb()->Height(), 12);
  EXPECT_EQ(Thumb()->Width(), 7);
}

TEST_F(ScrollBarTest, OtherLooksSizeTheArrowsFromTheirPictures) {
  Bar->SetUIStyle(MacOS);
  EXPECT_EQ(Bar->DecButton()->Width(), 22);
  EXPECT_EQ(Bar->Height(), 16);
  EXPECT_EQ(Bar->Track()->Width(), 98 - 44);
  EXPECT_EQ(Bar->FirstPiece().Width(), 11);
  Bar->SetUIStyle(BlueGlass);
  EXPECT_EQ(Bar->DecButton()->Height(), 17);
  EXPECT_EQ(Bar->Height(), 17);
}

// ---- Vertical

class VerticalScrollBarTest : public ScrollBarTest {
protected:
  VerticalScrollBarTest() {
    Bar->SetOrientation(zykVertical);
    Bar->SetHeight(120);
  }
};

TEST_F(VerticalScrollBarTest, ArrowsAtTopAndBottomAndATrackOnePixelShort) {
  EXPECT_EQ(Bar->Width(), 16);
  EXPECT_EQ(Bar->DecButton()->BoundsRect(), Rect(0, 0, 16, 17));
  EXPECT_EQ(Bar->IncButton()->BoundsRect(), Rect(0, 103, 16, 120));
  EXPECT_EQ(Bar->Track()->Top(), 17);
  EXPECT_EQ(Bar->Track()->Height(), 85);
  EXPECT_EQ(Bar->Track()->Width(), 16);
  EXPECT_EQ(Bar->FirstPiece().Width(), 16);
  EXPECT_EQ(Bar->FirstPiece().Height(), 7);
  EXPECT_EQ(Thumb()->Width(), 16);
  EXPECT_EQ(Thumb()->Height(), 8);
  Bar->SetPosition(10);
  Bar->SetPosition(20);
  EXPECT_EQ(Thumb()->Top(), 77);
}

TEST_F(VerticalScrollBarTest, EachTickPagesOnce) {
  Bar->SetMax(100);
  Bar->SetPosition(10);
  Changes.clear();
  Press(Bar->Track(), 8, 80);
  Desktop.Advance(300);
  Release(Bar->Track(), 8, 80);
  EXPECT_EQ(Changes, (std::vector<int>{12, 14, 16, 18}));
}

TEST_F(VerticalScrollBarTest, TurningBackRestoresTheHorizontalPictures) {
  Bar->SetOrientation(zykHorizontal);
  Bar->SetWidth(98);
  EXPECT_EQ(Bar->DecButton()->BoundsRect(), Rect(0, 0, 17, 16));
  EXPECT_EQ(Bar->FirstPiece().Width(), 7);
  EXPECT_EQ(Bar->FirstPiece().Height(), 16);
  EXPECT_EQ(Bar->Track()->Width(), 64);
}

TEST_F(VerticalScrollBarTest, TooShortForTheArrowsLeavesAnEmptyTrack) {
  Bar->SetHeight(20);
  EXPECT_EQ(Bar->Track()->Height(), 0);
  EXPECT_EQ(Thumb()->Height(), 0);
  Bar->SetLineButton(1); // the room is negative
  EXPECT_EQ(Bar->LineButton(), 0);
}

// ---- The arrows' pictures point away from the track

namespace {

// Where an arrow's dark ink lies: for each line across the arrow's axis, how many ink pixels it
// holds. An arrow's tip is a single pixel or two, its base the widest line.
std::vector<int> InkSpans(const TBitmap& Arrow, bool Horizontal) {
  int darkest = 255 * 3;
  auto level = [&](int X, int Y) {
    const TColor c = Pixel(Arrow, X, Y);
    return static_cast<int>(GetRValue(c)) + GetGValue(c) + GetBValue(c);
  };
  // The face's border lies on the edges; the glyph sits inside it.
  const int inset = 3;
  for (int y = inset; y < Arrow.Height() - inset; ++y)
    for (int x = inset; x < Arrow.Width() - inset; ++x)
      darkest = std::min(darkest, level(x, y));
  const int along = Horizontal ? Arrow.Width() : Arrow.Height();
  const int across = Horizontal ? Arrow.Height() : Arrow.Width();
  std::vector<int> spans;
  for (int i = inset; i < along - inset; ++i) {
    int ink = 0;
    for (int j = inset; j < across - inset; ++j)
      ink += level(Horizontal ? i : j, Horizontal ? j : i) <= darkest + 60;
    if (ink > 0)
      spans.push_back(ink);
  }
  return spans;
}

// +1 when the arrow's base is at the far end of the axis (it points to the start: left or up),
// -1 when it points to the end.
int PointsToStart(const std::vector<int>& Spans) {
  if (Spans.size() < 2)
    return 0;
  return Spans.back() > Spans.front() ? 1 : Spans.back() < Spans.front() ? -1 : 0;
}

} // namespace

TEST_F(ScrollBarTest, HorizontalArrowsPointLeftAndRight) {
  const std::vector<int> dec = InkSpans(*Capture(Bar->DecButton()), true);
  const std::vector<int> inc = InkSpans(*Capture(Bar->IncButton()), true);
  EXPECT_EQ(PointsToStart(dec), 1) << ::testing::PrintToString(dec);
  EXPECT_EQ(PointsToStart(inc), -1) << ::testing::PrintToString(inc);
}

TEST_F(VerticalScrollBarTest, VerticalArrowsPointUpAndDown) {
  const std::vector<int> dec = InkSpans(*Capture(Bar->DecButton()), false);
  const std::vector<int> inc = InkSpans(*Capture(Bar->IncButton()), false);
  EXPECT_EQ(PointsToStart(dec), 1) << ::testing::PrintToString(dec);
  EXPECT_EQ(PointsToStart(inc), -1) << ::testing::PrintToString(inc);
}

// ---- Stored forms

TEST_F(ScrollBarTest, StoredFormHoldsTheBarsPropertiesInTheirOrderAndReadsBack) {
  Bar->SetName("Bar1");
  Bar->SetPosition(13);
  const std::string text = WriteStoredForm(*Form);
  const std::string bar = text.substr(text.find("object Bar1"));
  std::vector<std::size_t> places;
  for (const char* line : {"LineButton = 0", "Orientation = zykHorizontal", "UIStyle = WinXP", "Max = 20",
                           "Min = 0", "Position = 13", "SmallChange = 1", "LargeChange = 2", "PageSize = 2",
                           "Color = 16382457"})
    places.push_back(bar.find(line));
  for (std::size_t i = 0; i < places.size(); ++i)
    ASSERT_NE(places[i], std::string::npos) << i << "\n" << text;
  EXPECT_TRUE(std::is_sorted(places.begin(), places.end())) << text;
  EXPECT_EQ(text.find("FileTheme"), std::string::npos) << text;
  // The children belong to the bar: they are neither written nor read.
  EXPECT_EQ(text.find("TzykImageButton"), std::string::npos) << text;
  EXPECT_EQ(text.find("TzykScrollTrackBar"), std::string::npos) << text;

  TForm copy(nullptr);
  ReadStoredForm(text, copy);
  auto* read = dynamic_cast<TzykScrollBar*>(copy.FindComponent("Bar1"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->ControlCount(), 3);
  EXPECT_EQ(read->UIStyle(), WinXP);
  EXPECT_EQ(read->Max(), 20);
  EXPECT_EQ(read->Position(), 13);
  EXPECT_EQ(read->Track()->Width(), 64);
  EXPECT_EQ(read->Track()->Slider()->Left(), 37); // 58 x 13 div 20
  EXPECT_EQ(WriteStoredForm(copy), text);
}

TEST_F(ScrollBarTest, StoredFileThemeIsWrittenWhenSet) {
  auto* theme = new TzykFileTheme(Form);
  theme->SetName("Theme1");
  Bar->SetName("Bar1");
  Bar->SetFileTheme(theme);
  const std::string text = WriteStoredForm(*Form);
  EXPECT_NE(text.find("FileTheme = Theme1"), std::string::npos) << text;
  EXPECT_LT(text.find("FileTheme = Theme1"), text.find("LineButton"));
}

TEST_F(ScrollBarTest, VerticalBarReadFromAStoredFormKeepsItsHeight) {
  const std::string text = "object Form2: TForm\n"
                           "  object Bar2: TzykScrollBar\n"
                           "    Left = 0\n    Top = 0\n    Width = 16\n    Height = 120\n"
                           "    LineButton = 0\n    Orientation = zykVertical\n    UIStyle = WinXP\n"
                           "  end\n"
                           "end\n";
  TForm copy(nullptr);
  ReadStoredForm(text, copy);
  auto* read = dynamic_cast<TzykScrollBar*>(copy.FindComponent("Bar2"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->BoundsRect(), Rect(0, 0, 16, 120));
  EXPECT_EQ(read->Track()->Height(), 85);
  EXPECT_EQ(read->Track()->Slider()->Height(), 8);
}

TEST_F(ScrollBarTest, ColourStoredAfterTheLookWins) {
  const std::string text = "object Form2: TForm\n"
                           "  object Bar2: TzykScrollBar\n"
                           "    Left = 0\n    Top = 0\n    Width = 98\n    Height = 16\n"
                           "    LineButton = 0\n    Orientation = zykHorizontal\n    UIStyle = WinXP\n"
                           "    Max = 20\n    Min = 0\n    Position = 10\n    SmallChange = 1\n"
                           "    LargeChange = 2\n    PageSize = 2\n    Color = clRed\n"
                           "  end\n"
                           "end\n";
  TForm copy(nullptr);
  ReadStoredForm(text, copy);
  auto* read = dynamic_cast<TzykScrollBar*>(copy.FindComponent("Bar2"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Color(), clRed);
  EXPECT_EQ(read->Track()->Color(), clRed);
  EXPECT_EQ(read->Track()->Slider()->Left(), 29);
}

TEST_F(ScrollBarTest, StoredOnChangeIsBoundToTheFormAndHearsTheTrack) {
  const std::string text = "object Form3: TScrollBarTestForm\n"
                           "  object Bar3: TzykScrollBar\n"
                           "    Left = 0\n    Top = 0\n    Width = 98\n    Height = 16\n"
                           "    UIStyle = WinXP\n    Max = 20\n    Min = 0\n    Position = 10\n"
                           "    OnChange = BarChange\n"
                           "  end\n"
                           "end\n";
  TScrollBarTestForm form(nullptr);
  ReadStoredForm(text, form);
  auto* read = dynamic_cast<TzykScrollBar*>(form.FindComponent("Bar3"));
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(form.Senders.empty()) << "the position read before the handler is not reported";
  read->SetPosition(11);
  EXPECT_EQ(form.Senders, (std::vector<TObject*>{read->Track()}));
  EXPECT_NE(WriteStoredForm(form).find("OnChange = BarChange"), std::string::npos);
}
