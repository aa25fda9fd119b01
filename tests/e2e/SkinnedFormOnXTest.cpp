// A skinned form on a private Xvfb under a real window manager (openbox, started by the test on
// that server with a 40-pixel margin at the bottom). The pointer is driven through the server with
// xdotool, so the window manager sees the same presses and motions a user would make; where the
// window is comes from the server (xwininfo, xprop), not from this program's own idea of it.

#include "platform/graphics/Color.h"
#include "skin/frame/ZYKForm.h"
#include "tests/support/OpenboxTest.h"

#include <sstream>

namespace {

constexpr TColor kMacOSBorder = 0x007F7F7F; // RGB 127, 127, 127

class SkinnedFormOnX : public TOpenboxTest {
protected:
  void SetUp() override {
    TOpenboxTest::SetUp();
    if (HasFatalFailure())
      return;
    ASSERT_EQ(WindowManagersWorkArea(), Rect(0, 0, 1024, 728)) << "what openbox publishes";
    // The adjuster's numbers: a sizeable form whose skinned form is 279 x 120 with a 1-pixel border.
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 300, 200);
    Form->SetCaption("Skinned on X");
    Skin = NewComponent<TzykForm>(Form);
    Skin->SetUIStyle(MacOS);
    Skin->SetWidth(279);
    Skin->SetHeight(120);
    Form->Show();
    ASSERT_TRUE(PollUntil([&] { return ServerGeometry() == Bounds(100, 100, 281, 121); }))
        << "the window is not where it asked to be: " << Describe(ServerGeometry());
  }
  void TearDown() override {
    // A press a failed step left down would start the next test's drag.
    if (FServer && FServer->Running())
      Xdotool({"mouseup", "1"});
    TOpenboxTest::TearDown();
  }

  int Xdotool(std::vector<std::string> Args) {
    Args.insert(Args.begin(), "xdotool");
    return RunProcess(Args, nullptr, Env());
  }
  // The numbers after the '=' of what xprop prints for one property.
  std::vector<long> Property(std::vector<std::string> Args) {
    Args.insert(Args.begin(), "xprop");
    std::string out;
    if (RunProcess(Args, &out, Env()) != 0 || out.find('=') == std::string::npos)
      return {};
    std::istringstream in(out.substr(out.find('=') + 1));
    std::vector<long> numbers;
    for (std::string field; std::getline(in, field, ',');)
      numbers.push_back(std::atol(field.c_str()));
    return numbers;
  }
  // The work area openbox publishes on the root window.
  TRect WindowManagersWorkArea() {
    const std::vector<long> n = Property({"-root", "_NET_WORKAREA"});
    return n.size() >= 4 ? Bounds(int(n[0]), int(n[1]), int(n[2]), int(n[3])) : TRect();
  }
  static std::string Describe(const TRect& R) {
    return std::to_string(R.Left) + "," + std::to_string(R.Top) + " " + std::to_string(R.Width()) + "x" +
           std::to_string(R.Height());
  }
  // The form's window where both the server and the form say it is.
  bool WindowIs(const TRect& Want) { return Form->BoundsRect() == Want && ServerGeometry() == Want; }

  // Presses the left button at From (screen), drags to To and releases there, and waits until the
  // window is at Want. The window manager takes the pointer once the form's request reaches it; a
  // motion that comes before is not its own, so the pointer goes on moving (to To and one pixel
  // beyond, by turns) until the window follows, and ends at To.
  bool Drag(TPoint From, TPoint To, const TRect& Want) {
    if (Xdotool({"mousemove", std::to_string(From.X), std::to_string(From.Y), "mousedown", "1"}) != 0)
      return false;
    if (!PumpUntil([&] { return Desktop->MoveSizeActive(); }))
      return false;
    bool followed = false;
    for (int attempt = 0; attempt < 20 && !followed; ++attempt) {
      Xdotool({"mousemove", std::to_string(To.X + 1), std::to_string(To.Y + 1)});
      Xdotool({"mousemove", std::to_string(To.X), std::to_string(To.Y)});
      followed = PollUntil([&] { return ServerGeometry() == Want; }, 500);
    }
    Xdotool({"mouseup", "1"});
    return followed && PollUntil([&] { return WindowIs(Want); });
  }
  TColor ServerColor(int X, int Y) { return PixelToColor(Desktop->Screenshot().At(X, Y)); }

  TzykForm* Skin = nullptr;
};

TEST_F(SkinnedFormOnX, WindowManagerGivesTheWindowNoDecorations) {
  // Openbox manages the window (it says how wide its frame is) and gives it no frame at all.
  ASSERT_TRUE(PollUntil([&] { return !Property({"-id", WindowId(), "_NET_FRAME_EXTENTS"}).empty(); }));
  EXPECT_EQ(Property({"-id", WindowId(), "_NET_FRAME_EXTENTS"}), (std::vector<long>{0, 0, 0, 0}));
  // What the server shows at the window's edges is the painted border, not a frame of openbox's.
  Desktop->Sync();
  ASSERT_TRUE(PollUntil([&] { return ServerColor(100, 160) == kMacOSBorder; }));
  EXPECT_EQ(ServerColor(380, 160), kMacOSBorder);
  EXPECT_EQ(ServerColor(240, 220), kMacOSBorder);
  EXPECT_NE(ServerColor(240, 100), kMacOSBorder) << "the title bar is at the window's top";
  EXPECT_NE(ServerColor(101, 160), kMacOSBorder);
}

TEST_F(SkinnedFormOnX, DragOnTheTitleBarMovesTheWindow) {
  const int y = 100 + Skin->TitleBar()->Height() / 2;
  ASSERT_GE(y, 105) << "the press must miss the bar's top edge, which resizes";
  ASSERT_TRUE(Drag({240, y}, {300, y + 50}, Bounds(160, 150, 281, 121)))
      << "window at " << Describe(ServerGeometry()) << ", form at " << Describe(Form->BoundsRect());
  EXPECT_EQ(Skin->BoundsRect(), Bounds(1, 0, 279, 120)) << "moving leaves the size alone";
}

TEST_F(SkinnedFormOnX, DragOnTheBorderResizesTheWindow) {
  // The bottom right corner of the painted border, then its left edge.
  ASSERT_TRUE(Drag({380, 220}, {420, 250}, Bounds(100, 100, 321, 151)))
      << "window at " << Describe(ServerGeometry()) << ", form at " << Describe(Form->BoundsRect());
  EXPECT_EQ(Skin->BoundsRect(), Bounds(1, 0, 319, 150)) << "the component follows the window";
  ASSERT_TRUE(Drag({100, 160}, {70, 160}, Bounds(70, 100, 351, 151)))
      << "window at " << Describe(ServerGeometry()) << ", form at " << Describe(Form->BoundsRect());
  EXPECT_EQ(Skin->Width(), 349);
  Desktop->Sync();
  EXPECT_TRUE(PollUntil([&] { return ServerColor(70 + 350, 180) == kMacOSBorder; })) << "the border moved out";
}

TEST_F(SkinnedFormOnX, MaximiseGivesTheWorkAreaTheWindowManagerReports) {
  const TRect work = WindowManagersWorkArea();
  ASSERT_EQ(work, Rect(0, 0, 1024, 728));
  TzykTitleBarButton* max = nullptr;
  for (int i = 0; i < Skin->TitleBarButtons()->Count(); ++i)
    if (Skin->TitleBarButtons()->Items(i)->ButtonType() == zykMax)
      max = Skin->TitleBarButtons()->Items(i);
  ASSERT_NE(max, nullptr);
  max->DoClick();
  // The window manager places a maximised window itself: the form does not get its work area less
  // one pixel there, and does not fight for it.
  ASSERT_TRUE(PollUntil([&] { return WindowIs(work); }))
      << "window at " << Describe(ServerGeometry()) << ", form at " << Describe(Form->BoundsRect());
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  EXPECT_EQ(Skin->BoundsRect(), Bounds(1, 0, work.Width() - 2, work.Height() - 1));
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(WindowIs(work)) << "the window stays where the window manager put it";

  max->DoClick();
  EXPECT_TRUE(PollUntil([&] { return WindowIs(Bounds(100, 100, 281, 121)); }))
      << "window at " << Describe(ServerGeometry()) << ", form at " << Describe(Form->BoundsRect());
  EXPECT_EQ(Form->WindowState(), wsNormal);
}

} // namespace
