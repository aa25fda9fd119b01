#include "skin/controls/ZYKTrackBar.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Timer.h"
#include "platform/core/StoredForm.h"
#include "platform/windows/Messages.h"
#include "platform/graphics/BmpCodec.h"
#include "skin/foundation/ZYKMgr.h"
#include "skin/foundation/ZYKPublic.h"
#include "skin/foundation/ZYKThemeFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

// A 150-wide horizontal track bar on 0..10 with the DeepBlue look, whose slider is 11 x 20: the
// bar most cases below use. Every OnChange is noted with the position it reported.
class TrackBarTest : public ::testing::Test {
protected:
  TrackBarTest() {
    Application->Initialize();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 300, 200);
    Track = NewComponent<TzykTrackBar>(Form);
    Track->SetParent(Form);
    Track->SetBounds(10, 10, 150, 30);
    Track->OnChange = [this](TObject* Sender) {
      EXPECT_EQ(Sender, Track);
      Changes.push_back(Track->Position());
    };
    Form->Show();
    Desktop.ProcessMessages();
  }
  ~TrackBarTest() override { delete Form; }

  TPoint At(int X, int Y) const { return Track->ClientToScreen({X, Y}); }
  TColor ScreenAt(const TPixelBuffer& Shot, int X, int Y) const {
    const TPoint p = At(X, Y);
    return PixelToColor(Shot.At(p.X, p.Y));
  }
  void Press(int X, int Y) {
    const TPoint p = At(X, Y);
    Desktop.MouseDown(p.X, p.Y);
  }
  void MoveTo(int X, int Y) {
    const TPoint p = At(X, Y);
    Desktop.MouseMove(p.X, p.Y);
  }
  void Release(int X, int Y) {
    const TPoint p = At(X, Y);
    Desktop.MouseUp(p.X, p.Y);
  }
  // The DeepBlue bar picture laid over the form's colour to Length, lying down.
  std::unique_ptr<TBitmap> LaidOutBar(int Length) const {
    TBitmap picture;
    GetBuiltInBitmap(DeepBlue, zteTrackBarBarImage, &picture, 0, 0);
    auto bar = std::make_unique<TBitmap>(Length, picture.Height());
    bar->Canvas().Brush().SetColor(Form->Color());
    bar->Canvas().FillRect(Rect(0, 0, Length, picture.Height()));
    DrawThreePartBar(picture, bar->Canvas(), Rect(0, 0, Length, picture.Height()), false);
    return bar;
  }
  // Client coordinates along the bottom row (horizontal) or the left column (vertical) where the
  // track shows black; the slider is hidden so that only the track's own drawing shows.
  std::vector<int> TickPlaces(bool AlongBottom, int Column = 0) {
    Track->Slider()->Hide();
    Desktop.ProcessMessages();
    const TPixelBuffer shot = Desktop.Screenshot();
    std::vector<int> places;
    const int length = AlongBottom ? Track->Width() : Track->Height();
    for (int i = 0; i < length; ++i) {
      const TPoint p = AlongBottom ? At(i, Track->Height() - 1) : At(Column, i);
      if (PixelToColor(shot.At(p.X, p.Y)) == clBlack)
        places.push_back(i);
    }
    return places;
  }

  THeadlessDesktop Desktop;
  TForm* Form = nullptr;
  TzykTrackBar* Track = nullptr;
  std::vector<int> Changes;
};

// ---- Layout, slider place and ticks

TEST_F(TrackBarTest, NewTrackBarTakesTheSlidersHeight) {
  EXPECT_EQ(Track->Height(), 20);
  EXPECT_EQ(Track->Slider()->Width(), 11);
  EXPECT_EQ(Track->Slider()->Height(), 20);
  EXPECT_TRUE(Track->Slider()->Transparent());
  EXPECT_EQ(Track->BarBitmap().Width(), 150);
  EXPECT_EQ(Track->BarBitmap().Height(), 4);
}

TEST_F(TrackBarTest, SliderSitsWhereThePositionPutsIt) {
  Track->SetPosition(5);
  EXPECT_EQ(Track->Slider()->Left(), 69);
  EXPECT_EQ(Track->Slider()->Top(), 0);
  Track->SetPosition(10);
  EXPECT_EQ(Track->Slider()->Left(), 139);
  Track->SetMin(10);
  EXPECT_EQ(Track->Slider()->Left(), 0); // Min = Max
}

TEST_F(TrackBarTest, PositionFromPointRoundsToTheNearestAndHalvesToEven) {
  EXPECT_EQ(Track->PositionFromPoint(100, 0), 7); // 95 x 10 / 139 = 6.83
  EXPECT_EQ(Track->PositionFromPoint(5, 0), 0);
  EXPECT_EQ(Track->PositionFromPoint(-200, 0), -15); // not clamped here
  // 0..139 on a 139-pixel run: X - 5 = 0.5 x 139 / 139 is no integer; use a range that halves.
  Track->SetMax(2);
  Track->SetWidth(15); // run of 4: (X - 5) x 2 / 4
  EXPECT_EQ(Track->PositionFromPoint(6, 0), 0); // 0.5 goes to 0
  EXPECT_EQ(Track->PositionFromPoint(8, 0), 2); // 1.5 goes to 2
  Track->SetMin(1);
  EXPECT_EQ(Track->PositionFromPoint(6, 0), 1); // Min is added after rounding: 0 + 1
}

TEST_F(TrackBarTest, SliderAsLongAsTheControlMapsEveryPointToZero) {
  Track->SetMin(3);
  Track->SetWidth(11);
  EXPECT_EQ(Track->PositionFromPoint(8, 0), 0);
  EXPECT_EQ(Track->PositionFromPoint(-50, 0), 0);
}

TEST_F(TrackBarTest, TicksMarkEveryValueAlongTheBottomEdge) {
  EXPECT_EQ(TickPlaces(true), (std::vector<int>{5, 18, 32, 46, 60, 74, 88, 102, 116, 130, 144}));
}

TEST_F(TrackBarTest, FrequencyThreeMarksEveryThirdValueAndMax) {
  Track->SetFrequency(3);
  // Values 0, 3, 6, 9 and 10.
  EXPECT_EQ(TickPlaces(true), (std::vector<int>{5, 46, 88, 130, 144}));
}

TEST_F(TrackBarTest, FrequencyZeroMarksOnlyTheEnds) {
  Track->SetFrequency(0);
  EXPECT_EQ(TickPlaces(true), (std::vector<int>{5, 144}));
  Track->SetShowTick(false);
  EXPECT_TRUE(TickPlaces(true).empty());
}

TEST_F(TrackBarTest, TicksAreThreePixelsHigh) {
  Track->Slider()->Hide();
  Desktop.ProcessMessages();
  const TPixelBuffer shot = Desktop.Screenshot();
  auto colour = [&](int X, int Y) { return ScreenAt(shot, X, Y); };
  EXPECT_EQ(colour(18, 17), clBlack);
  EXPECT_EQ(colour(18, 19), clBlack);
  EXPECT_NE(colour(18, 16), clBlack);
  EXPECT_NE(colour(19, 19), clBlack);
}

TEST_F(TrackBarTest, BarIsTheLooksPictureLaidOverTheColourAcrossTheMiddle) {
  const auto expected = LaidOutBar(150);
  EXPECT_EQ(Track->BarBitmap().Pixels(), expected->Pixels());
  const int thickness = expected->Height();

  Track->Slider()->Hide();
  Desktop.ProcessMessages();
  const TPixelBuffer shot = Desktop.Screenshot();
  const int top = (20 - thickness) / 2;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 150; ++x) {
      const bool bar = y >= top && y < top + thickness;
      if (bar) {
        ASSERT_EQ(ScreenAt(shot, x, y), PixelToColor(expected->Pixels().At(x, y - top))) << x << "," << y;
      } else if (y < 17) { // above the ticks
        ASSERT_EQ(ScreenAt(shot, x, y), ColorToRGB(Form->Color())) << x << "," << y;
      }
    }
}

TEST_F(TrackBarTest, SlidersKeyColourShowsTheTrackBeneath) {
  Track->SetPosition(5);
  Track->Slider()->Hide();
  Desktop.ProcessMessages();
  const TPixelBuffer bare = Desktop.Screenshot();
  Track->Slider()->Show();
  Desktop.ProcessMessages();
  const TPixelBuffer shot = Desktop.Screenshot();
  TBitmap slider;
  GetBuiltInBitmap(DeepBlue, zteTrackBarSliderImage, &slider, 0, 0);
  const TColor key = slider.TransparentColor();
  int seeThrough = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 11; ++x) {
      const TColor own = PixelToColor(slider.Pixels().At(x, y));
      if (own == key)
        ++seeThrough;
      ASSERT_EQ(ScreenAt(shot, 69 + x, y), own == key ? ScreenAt(bare, 69 + x, y) : own) << x << "," << y;
    }
  EXPECT_GT(seeThrough, 0);
}

TEST_F(TrackBarTest, ResizingLaysTheBarOutAgain) {
  Track->SetPosition(5);
  Track->SetWidth(100);
  EXPECT_EQ(Track->BarBitmap().Width(), 100);
  EXPECT_EQ(Track->Slider()->Left(), 44); // 89 x 5 div 10
  Track->SetHeight(50);
  EXPECT_EQ(Track->Height(), 20);
}

TEST_F(TrackBarTest, FocusRectangleOnlyWithTabStop) {
  const TPixelBuffer before = Desktop.Screenshot();
  Track->SetFocus();
  Desktop.ProcessMessages();
  const TPixelBuffer focused = Desktop.Screenshot();
  EXPECT_NE(ScreenAt(focused, 30, 0), ScreenAt(before, 30, 0));
  EXPECT_NE(ScreenAt(focused, 149, 5), ScreenAt(before, 149, 5)); // the slider is at the left end
  Track->SetTabStop(false);
  Track->Invalidate();
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenAt(Desktop.Screenshot(), 30, 0), ScreenAt(before, 30, 0));
}

TEST_F(TrackBarTest, TransparentTrackShowsItsParent) {
  Form->SetColor(clRed);
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenAt(Desktop.Screenshot(), 30, 1), clRed); // the colour comes from the parent
  Track->SetParentColor(false);
  Track->SetColor(clLime);
  Track->SetTransparent(true);
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenAt(Desktop.Screenshot(), 30, 1), clRed);
  Track->SetTransparent(false);
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenAt(Desktop.Screenshot(), 30, 1), clLime);
}

// ---- Setters

TEST_F(TrackBarTest, PositionIsClampedAndOnlyRealChangesAreReported) {
  Track->SetPosition(0);
  EXPECT_TRUE(Changes.empty());
  Track->SetPosition(15);
  EXPECT_EQ(Track->Position(), 10);
  Track->SetPosition(10);
  Track->SetPosition(-4);
  EXPECT_EQ(Changes, (std::vector<int>{10, 0}));
}

TEST_F(TrackBarTest, MaxBelowThePositionPullsItDownAndReportsIt) {
  Track->SetPosition(7);
  Changes.clear();
  Track->SetMax(3);
  EXPECT_EQ(Track->Position(), 3);
  EXPECT_EQ(Changes, (std::vector<int>{3}));
  Track->SetMax(-5); // below Min: becomes Min
  EXPECT_EQ(Track->Max(), 0);
  EXPECT_EQ(Track->Position(), 0);
}

TEST_F(TrackBarTest, MinAboveMaxBecomesMaxAndPushesThePosition) {
  Track->SetMin(20);
  EXPECT_EQ(Track->Min(), 10);
  EXPECT_EQ(Track->Position(), 10);
  EXPECT_EQ(Changes, (std::vector<int>{10}));
}

TEST_F(TrackBarTest, PageAndLineSizesOutsideZeroToMaxAreIgnored) {
  Track->SetPageSize(11);
  EXPECT_EQ(Track->PageSize(), 2);
  Track->SetPageSize(-1);
  EXPECT_EQ(Track->PageSize(), 2);
  Track->SetPageSize(10);
  EXPECT_EQ(Track->PageSize(), 10);
  Track->SetMin(-50);
  Track->SetLineSize(20); // compared with Max, not with the range
  EXPECT_EQ(Track->LineSize(), 1);
  Track->SetLineSize(0);
  EXPECT_EQ(Track->LineSize(), 0);
}

TEST_F(TrackBarTest, MacOSTurnsTransparentOnAndItStaysOn) {
  EXPECT_FALSE(Track->Transparent());
  Track->SetUIStyle(MacOS);
  EXPECT_TRUE(Track->Transparent());
  Track->SetUIStyle(WinXP);
  EXPECT_TRUE(Track->Transparent());
}

TEST_F(TrackBarTest, LookReplacesPicturesGivenToATrackBar) {
  TPicture big;
  big.Bitmap().SetSize(30, 30);
  Track->SetSliderImage(&big);
  EXPECT_EQ(Track->Slider()->Width(), 30);
  Track->SetBarImage(&big); // runs the look at once
  EXPECT_EQ(Track->Slider()->Width(), 11);
  EXPECT_EQ(Track->BarImage()->Height(), 4);
}

TEST_F(TrackBarTest, RemovedFileThemeFallsBackToDeepBlue) {
  auto* theme = NewComponent<TzykFileTheme>(Form);
  Track->SetUIStyle(WinXP);
  Track->SetFileTheme(theme);
  delete theme;
  EXPECT_EQ(Track->FileTheme(), nullptr);
  EXPECT_EQ(Track->UIStyle(), DeepBlue);
}

TEST_F(TrackBarTest, PicturesComeFromALoadedThemeFile) {
  const auto dir = std::filesystem::temp_directory_path() / ("brivo-trackbar-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  TzykThemeFileWriter writer;
  writer.AddPicture("TrackBarSliderImage", EncodeBmp(TPixelBuffer(9, 14)));
  writer.AddPicture("TrackBarBarImage", EncodeBmp(TPixelBuffer(6, 3)));
  const std::string path = (dir / "track.thm").string();
  writer.SaveToFile(path);

  auto* theme = NewComponent<TzykFileTheme>(Form);
  Track->SetFileTheme(theme);
  Track->SetUIStyle(FromThemeFile);
  EXPECT_EQ(Track->Slider()->Width(), 11); // nothing loaded yet: DeepBlue
  theme->SetThemeFile(path);               // gives itself to the form's skinned components again
  EXPECT_EQ(Track->Slider()->Width(), 9);
  EXPECT_EQ(Track->Height(), 14);
  EXPECT_EQ(Track->BarImage()->Height(), 3);
  std::filesystem::remove_all(dir);
}

// ---- Paging with the mouse

TEST_F(TrackBarTest, PressPagesTowardThePointerAndTheTimerStopsUnderIt) {
  Track->SetPosition(5);
  Changes.clear();
  Press(140, 10);
  EXPECT_EQ(Track->Position(), 7); // 5 + 2, below the 10 under the pointer
  Desktop.Advance(100);
  EXPECT_EQ(Track->Position(), 10);
  Desktop.Advance(300);
  EXPECT_NE(Track->PageTimer(), nullptr);
  Release(140, 10);
  EXPECT_EQ(Track->PageTimer(), nullptr);
  EXPECT_EQ(Changes, (std::vector<int>{7, 10}));
}

TEST_F(TrackBarTest, EachTickStepsThreePagesButNeverPastThePointer) {
  Track->SetMax(100);
  Track->SetPosition(5);
  Changes.clear();
  Press(140, 10); // (140 - 5) x 100 / 139 = 97.1: 97 under the pointer
  Desktop.Advance(99);
  EXPECT_EQ(Changes, (std::vector<int>{7}));
  Desktop.Advance(1);
  Desktop.Advance(100);
  Desktop.Advance(100);
  EXPECT_EQ(Changes, (std::vector<int>{7, 13, 19, 25}));
  Desktop.Advance(2000);
  EXPECT_EQ(Track->Position(), 97);
  Release(140, 10);
}

TEST_F(TrackBarTest, PressLeftOfTheSliderPagesDown) {
  Track->SetPosition(8);
  Changes.clear();
  Press(20, 10); // (20 - 5) x 10 / 139 = 1.08: 1 under the pointer
  EXPECT_EQ(Track->Position(), 6);
  Desktop.Advance(100);
  EXPECT_EQ(Track->Position(), 1);
  Release(20, 10);
  EXPECT_EQ(Changes, (std::vector<int>{6, 1}));
}

TEST_F(TrackBarTest, LeavingTheControlStopsPagingForGood) {
  Track->SetMax(100);
  Press(140, 10);
  EXPECT_EQ(Track->Position(), 2);
  MoveTo(140, -1);
  EXPECT_EQ(Track->PageTimer(), nullptr);
  MoveTo(140, 10);
  Desktop.Advance(500);
  EXPECT_EQ(Track->Position(), 2);
  Release(140, 10);
}

TEST_F(TrackBarTest, FarEdgeStillCountsAsInside) {
  Track->SetMax(100);
  Press(140, 10);
  MoveTo(150, 20);
  EXPECT_NE(Track->PageTimer(), nullptr);
  Release(150, 20);
}

TEST_F(TrackBarTest, PressOnTheBarTakesTheFocus) {
  auto* other = NewComponent<TzykTrackBar>(Form);
  other->SetParent(Form);
  other->SetBounds(10, 100, 150, 20);
  other->SetFocus();
  Press(140, 10);
  Release(140, 10);
  EXPECT_TRUE(Track->Focused());
}

// ---- Dragging and keys

TEST_F(TrackBarTest, DraggedSlidersCentreFollowsThePointer) {
  Track->SetPosition(5);
  Changes.clear();
  std::vector<TPoint> downs;
  Track->OnMouseDown = [&](TObject* Sender, TMouseButton, TShiftState, int X, int Y) {
    EXPECT_EQ(Sender, Track);
    downs.push_back({X, Y});
  };
  Press(71, 3); // on the slider, left of its centre
  EXPECT_TRUE(Track->Dragging());
  EXPECT_EQ(downs, (std::vector<TPoint>{{71, 3}}));
  EXPECT_TRUE(Changes.empty());
  MoveTo(100, 10);
  EXPECT_EQ(Track->Position(), 7);
  EXPECT_EQ(Track->Slider()->Left(), 97); // centre 102, under the pointer as near as 7 gets
  MoveTo(400, 60); // far outside: clamped, and the capture keeps the moves coming
  EXPECT_EQ(Track->Position(), 10);
  Release(400, 60);
  EXPECT_FALSE(Track->Dragging());
  EXPECT_EQ(Changes, (std::vector<int>{7, 10}));
  MoveTo(20, 10);
  EXPECT_EQ(Track->Position(), 10);
}

TEST_F(TrackBarTest, KeysStepAfterAPressOnTheSlider) {
  Track->SetPosition(5);
  Changes.clear();
  Press(75, 10);
  Release(75, 10);
  ASSERT_TRUE(Track->Focused());
  for (WORD key : {VK_RIGHT, VK_NEXT, VK_LEFT, VK_UP, VK_DOWN, VK_PRIOR, VK_END, VK_HOME, VK_RETURN}) {
    Desktop.KeyDown(key);
    Desktop.KeyUp(key);
  }
  EXPECT_EQ(Changes, (std::vector<int>{6, 8, 7, 6, 7, 5, 10, 0}));
}

// ---- Vertical

class VerticalTrackBarTest : public TrackBarTest {
protected:
  VerticalTrackBarTest() {
    Track->SetOrientation(zykVertical);
    Track->SetHeight(150);
  }
};

TEST_F(VerticalTrackBarTest, ShowsTheUprightSliderWhichIsNotTransparent) {
  EXPECT_EQ(Track->Slider()->Width(), 18);
  EXPECT_EQ(Track->Slider()->Height(), 11);
  EXPECT_EQ(Track->Width(), 18);
  EXPECT_FALSE(Track->Slider()->Transparent());
  // Built lying down over the colour, then stood up counter-clockwise.
  const auto expected = LaidOutBar(150);
  RotateBitmapLeft(*expected);
  EXPECT_EQ(Track->BarBitmap().Pixels(), expected->Pixels());
  Track->SetPosition(5);
  EXPECT_EQ(Track->Slider()->Left(), 0);
  EXPECT_EQ(Track->Slider()->Top(), 69);
}

TEST_F(VerticalTrackBarTest, TicksOnBothSides) {
  const std::vector<int> expected{5, 18, 32, 46, 60, 74, 88, 102, 116, 130, 144};
  EXPECT_EQ(TickPlaces(false, 0), expected);
  EXPECT_EQ(TickPlaces(false, 2), expected);
  EXPECT_EQ(TickPlaces(false, 17), expected);
  EXPECT_TRUE(TickPlaces(false, 4).empty());
}

TEST_F(VerticalTrackBarTest, EachTickStepsOnePage) {
  Track->SetMax(100);
  Track->SetPosition(5);
  Changes.clear();
  Press(9, 140);
  Desktop.Advance(300);
  EXPECT_EQ(Changes, (std::vector<int>{7, 9, 11, 13}));
  Release(9, 140);
}

// ---- The scroll bar's track

TEST_F(TrackBarTest, ScrollTrackKeepsThePicturesItIsGiven) {
  auto* track = NewComponent<TzykScrollTrackBar>(Form);
  track->SetParent(Form);
  EXPECT_FALSE(track->SliderImage()->HasGraphic());
  TPicture empty;
  track->SetBarImage(&empty);
  TPicture thumb;
  thumb.Bitmap().SetSize(6, 16);
  track->SetSliderImage(&thumb);
  track->UpdateSliderSize();
  EXPECT_EQ(track->Slider()->Width(), 6);
  EXPECT_EQ(track->Slider()->Height(), 16);
  EXPECT_FALSE(track->Slider()->Transparent());
  track->SetBounds(17, 0, 64, 16);
  EXPECT_EQ(track->Height(), 16);
  EXPECT_EQ(track->Slider()->Width(), 6);
  EXPECT_TRUE(track->BarBitmap().Empty());
  track->SetMax(20);
  track->SetPosition(10);
  EXPECT_EQ(track->Slider()->Left(), 29);
}

// ---- Stored forms

TEST_F(TrackBarTest, StoredFormWritesThePropertiesInTheirOrderAndReadsThemBack) {
  RegisterZYKTrackBarClasses();
  Track->SetName("Track1");
  Track->SetMax(20);
  Track->SetPosition(12);
  Track->SetOrientation(zykVertical);
  const std::string text = WriteStoredForm(*Form);
  std::vector<std::size_t> places;
  for (const char* name : {"Orientation = zykVertical", "UIStyle = DeepBlue", "Max = 20", "Min = 0", "Position = 12",
                           "PageSize = 2", "LineSize = 1", "ShowTick = True", "Transparent = False",
                           "Frequency = 1", "TabStop = True"})
    places.push_back(text.find(name));
  for (std::size_t i = 0; i < places.size(); ++i)
    ASSERT_NE(places[i], std::string::npos) << i << "\n" << text;
  EXPECT_TRUE(std::is_sorted(places.begin(), places.end())) << text;

  // The slider belongs to the track bar, not to the form: it is not written and not read.
  EXPECT_EQ(text.find("TzykImagePanel"), std::string::npos);
  TForm copy(nullptr);
  ReadStoredForm(text, copy);
  auto* read = dynamic_cast<TzykTrackBar*>(copy.FindComponent("Track1"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->ControlCount(), 1);
  EXPECT_EQ(read->Orientation(), zykVertical);
  EXPECT_EQ(read->Max(), 20);
  EXPECT_EQ(read->Position(), 12);
}
