// The adjuster's work on a real X server: the ramp it sets, the pixels it shows.

#include "tests/e2e/AdjusterOnX.h"

namespace {

TEST_F(AdjusterOnX, StartsByApplyingTheIdentityRamp) {
  EXPECT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.0f)));
  EXPECT_TRUE(ShowsLikeReference(Reference.Form().stat3, Reference.Form().stat3));
}

TEST_F(AdjusterOnX, HoldingTheTopIncreaseArrowRaisesPowerToTwo) {
  ASSERT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.0f)));
  TzykScrollBar* top = Reference.Form().ScrollBar3;
  const TPixelBuffer before = Reference.Pixels(Reference.Form().stat3);

  MoveTo(At(top->IncButton(), 8, 8));
  ASSERT_EQ(Xdotool({"mousedown", "1"}), 0);
  const bool reached = RampBecomes(Expected(1.0f, 1.0f, 2.0f));
  ASSERT_EQ(Xdotool({"mouseup", "1"}), 0);
  EXPECT_TRUE(reached);

  // The panel must now read "2.0": our own rendering of that state, and not what it showed before.
  top->SetPosition(20);
  EXPECT_TRUE(ShowsLikeReference(Reference.Form().stat3, Reference.Form().stat3));
  EXPECT_NE(Screen(Reference.Form().stat3).Pixels(), before.Pixels());
  // Held past the top, the ramp stays at the last step.
  EXPECT_EQ(Probe(), Expected(1.0f, 1.0f, 2.0f));
}

TEST_F(AdjusterOnX, ClickingTheBottomTrackLeftOfTheThumbLowersTheOffset) {
  ASSERT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.0f)));
  TzykScrollBar* bottom = Reference.Form().ScrollBar1;
  // Well left of the thumb (which starts at 29 in the track at position 10).
  Click(At(bottom->Track(), 10, 8));
  // One page at the press (10 → 8); a repeat tick before the release would page on to the point.
  bool reached = Eventually([&] {
    const TProbedRamp now = Probe();
    return now == Expected(0.8f, 1.0f, 1.0f) || now == Expected(0.2f, 1.0f, 1.0f);
  });
  EXPECT_TRUE(reached);
}

TEST_F(AdjusterOnX, TheResetButtonRestoresTheIdentity) {
  ASSERT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.0f)));
  Click(At(Reference.Form().ScrollBar2->Track(), 10, 8));
  ASSERT_TRUE(Eventually([&] { return !(Probe() == Expected(1.0f, 1.0f, 1.0f)); }));
  Click(At(Reference.Form().Button1, 30, 28));
  EXPECT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.0f)));
  EXPECT_TRUE(ShowsLikeReference(Reference.Form().stat2, Reference.Form().stat2));
}

TEST_F(AdjusterOnX, ClosingTheWindowLeavesTheLastRamp) {
  ASSERT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.0f)));
  Click(At(Reference.Form().ScrollBar1->Track(), 10, 8));
  ASSERT_TRUE(Eventually([&] { return !(Probe() == Expected(1.0f, 1.0f, 1.0f)); }));
  const TProbedRamp last = Probe();

  MoveTo(At(Reference.Form().Label3, 2, 2));
  ASSERT_EQ(Xdotool({"key", "alt+F4"}), 0);
  EXPECT_EQ(Program->Wait(), 0);
  EXPECT_EQ(Probe(), last);
}

} // namespace
