// The adjuster window on headless desktops of a high density: the same window, every unit shown by
// Scale x Scale device pixels, its pictures enlarged, its text drawn at the larger size, and input
// at the device's points reaching what it reaches at scale 1.

#include "app/Unit1.h"

#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/controls/Application.h"
#include "platform/controls/MenuLoop.h"
#include "platform/graphics/Scale.h"
#include "skin/frame/ZYKTitleBar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace {

// The window shown on a desktop of its own, 1024 x 768 units large.
class TShownAdjuster {
public:
  explicit TShownAdjuster(double Scale, const std::function<void(TfrmBrivo&)>& BeforeShow = nullptr)
      : Desktop(ScaleEdge(1024, Scale), ScaleEdge(768, Scale), std::nullopt, Scale) {
    Application->Initialize();
    RegisterUnit1Classes();
    Window = new TfrmBrivo(nullptr);
    if (BeforeShow)
      BeforeShow(*Window);
    Window->Show();
    Desktop.ProcessMessages();
  }
  ~TShownAdjuster() {
    Desktop.SetIdleHook(nullptr);
    delete Window;
    Application->SetActive(false);
  }
  const THeadlessWindow& Host() const { return *Desktop.Host(Window->Handle()); }
  const TPixelBuffer& Surface() const { return Host().Surface(); }
  // A control's rectangle in the window's units.
  TRect InWindow(const TControl* C) const {
    const TPoint p = C->ClientToScreen({0, 0});
    return Bounds(p.X - Window->Left(), p.Y - Window->Top(), C->Width(), C->Height());
  }
  // The device point of a control's client point.
  TPoint DevicePoint(const TControl* C, int X, int Y) const {
    const TRect r = InWindow(C);
    const double s = Desktop.Scale();
    return {Host().Bounds().Left + ScaleEdge(r.Left + X, s), Host().Bounds().Top + ScaleEdge(r.Top + Y, s)};
  }
  TPoint DeviceCentre(const TControl* C) const { return DevicePoint(C, C->Width() / 2, C->Height() / 2); }

  THeadlessDesktop Desktop;
  TfrmBrivo* Window = nullptr;
};

TPixelBuffer Crop(const TPixelBuffer& From, const TRect& R) {
  TPixelBuffer out(R.Width(), R.Height());
  for (int y = 0; y < R.Height(); ++y)
    for (int x = 0; x < R.Width(); ++x)
      out.Set(x, y, From.At(R.Left + x, R.Top + y));
  return out;
}

class AdjusterAtScale : public testing::Test {
protected:
  // The window at scale 1, shown once for the whole suite.
  static void SetUpTestSuite() {
    const TShownAdjuster one(1.0);
    OneX = std::make_unique<TPixelBuffer>(one.Surface());
  }
  static void TearDownTestSuite() { OneX.reset(); }

  // The scale-1 window's pixels as they would look at Scale, enlarged.
  static TPixelBuffer Enlarged(double Scale) {
    TPixelBuffer b = *OneX;
    b.Rescale(Scale);
    return b;
  }
  // Whether the window at Scale shows the units R as the scale-1 window enlarged.
  static bool ShowsEnlarged(const TShownAdjuster& At, const TRect& R) {
    const double s = At.Desktop.Scale();
    const TRect device = ScaleRect(R, s);
    return Crop(At.Surface(), device) == Crop(Enlarged(s), device);
  }

  static std::unique_ptr<TPixelBuffer> OneX;
};

std::unique_ptr<TPixelBuffer> AdjusterAtScale::OneX;

TEST_F(AdjusterAtScale, TheWindowIsTwiceAsLargeOnTheDeviceAndTheSameInUnits) {
  const TShownAdjuster two(2.0);
  EXPECT_EQ(two.Host().Bounds().Width(), 562);
  EXPECT_EQ(two.Host().Bounds().Height(), 242);
  EXPECT_EQ(two.Surface().Width(), 562);
  EXPECT_EQ(two.Window->Width(), 281);
  EXPECT_EQ(two.Window->Height(), 121);
  EXPECT_EQ(two.Window->ScrollBar3->BoundsRect(), Bounds(46, 28, 99, 16));
  // Centred on the work area as at scale 1: the device position is the unit position doubled.
  EXPECT_EQ(two.Host().Bounds().TopLeft(), Point(2 * two.Window->Left(), 2 * two.Window->Top()));
}

TEST_F(AdjusterAtScale, SlidersAndTitleBarPicturesAreTheirPixelsEnlarged) {
  for (const double scale : {2.0, 1.5}) {
    const TShownAdjuster at(scale);
    for (const TControl* bar : {static_cast<TControl*>(at.Window->ScrollBar1), static_cast<TControl*>(at.Window->ScrollBar2),
                                static_cast<TControl*>(at.Window->ScrollBar3)})
      EXPECT_TRUE(ShowsEnlarged(at, at.InWindow(bar))) << bar->Name() << " at " << scale;
    // The title bar's pictures at both ends, with the control box and the close button on them (the
    // caption begins 5 units after the control box).
    const TRect bar = at.InWindow(at.Window->zykForm1->TitleBar());
    EXPECT_TRUE(ShowsEnlarged(at, Bounds(bar.Left, bar.Top, 22, bar.Height()))) << scale;
    EXPECT_TRUE(ShowsEnlarged(at, Rect(bar.Right - 48, bar.Top, bar.Right, bar.Bottom))) << scale;
  }
}

// The places where text is drawn, in the window's units: there a scaled window differs from the
// scale-1 window enlarged (the text is drawn anew at the size); everywhere else it must not.
std::vector<TRect> TextBoxes(const TShownAdjuster& At) {
  const TfrmBrivo& w = *At.Window;
  std::vector<TRect> boxes;
  for (const TControl* c : std::vector<const TControl*>{w.Label9, w.Label8, w.Label1, w.Label2, w.Label3,
                                                        w.zykURLLabel1, w.stat1, w.stat2, w.stat3})
    boxes.push_back(At.InWindow(c));
  // Inside the button's rounded edge; the caption between the control box and the close button.
  const TRect button = At.InWindow(w.Button1);
  boxes.push_back(Rect(button.Left + 8, button.Top + 8, button.Right - 8, button.Bottom - 8));
  const TRect bar = At.InWindow(w.zykForm1->TitleBar());
  boxes.push_back(Rect(bar.Left + 24, bar.Top + 1, bar.Left + 259, bar.Bottom - 1));
  return boxes;
}

// At fractional scales a unit covers one or two device pixels: the window still shows every unit
// of the scale-1 window (nothing cut off at its right or bottom edge) and every device pixel
// outside text belongs to the piece of its unit (no gap or seam between pictures, borders and
// controls).
TEST_F(AdjusterAtScale, AtFractionalScalesEveryPixelOutsideTextIsItsUnitsPixel) {
  for (const double scale : {1.25, 1.5, 1.75}) {
    const TShownAdjuster at(scale);
    const TPixelBuffer enlarged = Enlarged(scale);
    ASSERT_EQ(at.Surface().Width(), ScaleEdge(281, scale)) << scale;
    ASSERT_EQ(at.Surface().Height(), ScaleEdge(121, scale)) << scale;
    ASSERT_EQ(enlarged.Width(), at.Surface().Width());
    std::vector<TRect> text;
    for (const TRect& units : TextBoxes(at))
      text.push_back(ScaleRect(units, scale));
    int differing = 0, inText = 0;
    for (int y = 0; y < enlarged.Height(); ++y)
      for (int x = 0; x < enlarged.Width(); ++x) {
        const bool isText = std::any_of(text.begin(), text.end(), [&](const TRect& R) { return R.Contains({x, y}); });
        const bool differs = at.Surface().At(x, y) != enlarged.At(x, y);
        if (isText)
          inText += differs;
        else if (differs && ++differing <= 5)
          ADD_FAILURE() << "at " << scale << ", device pixel (" << x << ", " << y << ") of unit ("
                        << UnitAt(x, scale) << ", " << UnitAt(y, scale) << ") differs";
      }
    EXPECT_EQ(differing, 0) << scale;
    EXPECT_GT(inText, 100) << "the text at " << scale << " is drawn at the size, not enlarged";
  }
}

// The skin's setting errors go to the platform's message box; on the headless desktop the box is
// recorded, owned by the window and leaving it as it was, whatever the scale.
TEST_F(AdjusterAtScale, AMessageBoxAtScaleTwoIsOwnedByTheWindowAndLeavesItAsItWas) {
  TShownAdjuster two(2.0);
  const TPixelBuffer before = two.Surface();
  TzykTitleBarButtons& buttons = *two.Window->zykForm1->TitleBar()->Buttons();
  TzykTitleBarButton* second = nullptr;
  for (int i = 0; i < buttons.Count() && !second; ++i)
    if (buttons.Items(i)->ButtonType() != zykControlBox)
      second = buttons.Items(i);
  ASSERT_NE(second, nullptr);
  second->SetButtonType(zykControlBox);
  two.Desktop.ProcessMessages();
  const auto& boxes = two.Desktop.MessageBoxes().Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Owner, two.Window->Handle());
  EXPECT_EQ(boxes[0].Text, "Sorry, only one button's ButtonType property can be \"zykControlBox\"");
  EXPECT_TRUE(boxes[0].OwnerDisabled) << "the box is modal to the window";
  EXPECT_TRUE(IsWindowEnabled(two.Window->Handle()));
  EXPECT_EQ(two.Host().Bounds(), Bounds(two.Host().Bounds().Left, two.Host().Bounds().Top, 562, 242));
  EXPECT_EQ(two.Surface(), before);
}

TEST_F(AdjusterAtScale, TextIsDrawnAtTwiceTheHeightNotEnlarged) {
  const TShownAdjuster two(2.0);
  const TRect label = two.InWindow(two.Window->Label9);
  const TPixelBuffer sharp = Crop(two.Surface(), ScaleRect(label, 2.0));
  EXPECT_FALSE(sharp == Crop(Enlarged(2.0), ScaleRect(label, 2.0)));
  // The red ink of "亮度": rows at scale 1 and at scale 2.
  auto inkRows = [](const TPixelBuffer& B) {
    int top = B.Height(), bottom = 0;
    for (int y = 0; y < B.Height(); ++y)
      for (int x = 0; x < B.Width(); ++x)
        if (static_cast<int>((B.At(x, y) >> 16) & 0xFF) - static_cast<int>(B.At(x, y) & 0xFF) > 0x60) {
          top = std::min(top, y);
          bottom = std::max(bottom, y + 1);
        }
    return bottom - top;
  };
  const int one = inkRows(Crop(*OneX, label));
  ASSERT_GT(one, 8);
  EXPECT_NEAR(inkRows(sharp), 2 * one, 2);
}

TEST_F(AdjusterAtScale, PressesAtDevicePointsHitWhatTheirUnitsHit) {
  TShownAdjuster two(2.0);
  TfrmBrivo& w = *two.Window;
  const TPoint arrow = two.DeviceCentre(w.ScrollBar3->IncButton());
  two.Desktop.Click(arrow.X, arrow.Y);
  two.Desktop.Advance(150);
  EXPECT_EQ(w.ScrollBar3->Position(), 11);
  EXPECT_EQ(w.stat3->Caption(), "1.1");
  const TPoint track = two.DevicePoint(w.ScrollBar1->Track(), 2, 8);
  two.Desktop.Click(track.X, track.Y);
  EXPECT_EQ(w.ScrollBar1->Position(), 8);
  // The last device pixel of the reset button still belongs to it; the one after it does not.
  const TPoint edge = two.DevicePoint(w.Button1, w.Button1->Width() - 1, 20);
  two.Desktop.Click(edge.X + 1, edge.Y);
  EXPECT_EQ(w.ScrollBar3->Position(), 10);
  EXPECT_EQ(two.Desktop.GammaDevice().Tables().back(), BuildGammaRamp(1.0f, 1.0f, 1.0f));
}

TEST_F(AdjusterAtScale, TheSystemMenuOpensAtTheScaleAndTakesADoubledClick) {
  TRect oneX;
  {
    TShownAdjuster one(1.0);
    one.Desktop.SetIdleHook([&] {
      GetWindowRect(MenuLevelWindow(0), &oneX);
      one.Desktop.KeyDown(VK_ESCAPE);
    });
    const TPoint box = one.DevicePoint(one.Window->zykForm1->TitleBar(), 8, 10);
    one.Desktop.Click(box.X, box.Y);
  }
  ASSERT_FALSE(oneX.IsEmpty());
  TShownAdjuster two(2.0);
  int step = 0;
  two.Desktop.SetIdleHook([&] {
    if (step++ > 0)
      return;
    ASSERT_EQ(OpenMenuLevels(), 1);
    const HWND menu = MenuLevelWindow(0);
    TRect units;
    GetWindowRect(menu, &units);
    EXPECT_EQ(units.Width(), oneX.Width());
    EXPECT_EQ(units.Height(), oneX.Height());
    EXPECT_EQ(two.Desktop.Host(menu)->Bounds(), Bounds(2 * units.Left, 2 * units.Top, 2 * units.Width(), 2 * units.Height()));
    const TMenuItem* close = two.Window->zykForm1->TitleBar()->SystemMenu()->Items()->Items(TzykTitleBarPopupMenu::CloseItem);
    TRect item;
    ASSERT_TRUE(MenuItemScreenRect(close, item));
    two.Desktop.Click(2 * item.Left + item.Width(), 2 * item.Top + item.Height());
  });
  const TPoint box = two.DevicePoint(two.Window->zykForm1->TitleBar(), 8, 10);
  two.Desktop.Click(box.X, box.Y);
  two.Desktop.ProcessMessages();
  EXPECT_FALSE(two.Window->Visible()) << "Close, chosen at its doubled place, closed the window";
}

TEST_F(AdjusterAtScale, ARoundedTitleBarShapesTheWindowWithItsRegionDoubled) {
  auto rounded = [](TfrmBrivo& W) { W.zykForm1->SetRoundCorner(9); };
  std::optional<TRegion> oneX;
  {
    const TShownAdjuster one(1.0, rounded);
    oneX = one.Host().Shape();
  }
  ASSERT_TRUE(oneX && !oneX->IsRectangle());
  const TShownAdjuster two(2.0, rounded);
  ASSERT_TRUE(two.Host().Shape());
  EXPECT_EQ(*two.Host().Shape(), ScaleRegion(*oneX, 2.0));
}

TEST_F(AdjusterAtScale, TheDoubledBorderAndCaptionResizeAndMoveTheWindow) {
  TShownAdjuster two(2.0);
  const TRect start = two.Host().Bounds();
  // The bottom border's lower device row, dragged 21 device pixels down: the window grows by the
  // units that cover them.
  const int x = start.Left + 200, y = start.Bottom - 1;
  two.Desktop.MouseDown(x, y);
  two.Desktop.MouseMove(x, y + 21);
  two.Desktop.MouseUp(x, y + 21);
  EXPECT_EQ(two.Host().Bounds().Height(), 242 + 21);
  EXPECT_EQ(two.Window->Height(), 121 + 11);
  EXPECT_EQ(two.Surface().Height(), 242 + 21);
  // The caption, dragged by (30, 40) device pixels: the window follows the pointer on the device.
  const TPoint caption = two.DevicePoint(two.Window->zykForm1->TitleBar(), 140, 12);
  two.Desktop.MouseDown(caption.X, caption.Y);
  two.Desktop.MouseMove(caption.X + 30, caption.Y + 40);
  two.Desktop.MouseUp(caption.X + 30, caption.Y + 40);
  EXPECT_EQ(two.Host().Bounds().TopLeft(), Point(start.Left + 30, start.Top + 40));
  EXPECT_EQ(two.Window->Left(), (start.Left + 30) / 2);
}

} // namespace
