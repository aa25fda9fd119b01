// The adjuster on an X server whose desktop asks for 200 % (Xft.dpi: 192, loaded with xrdb as a
// session does), bare and under openbox: the real window twice the size, a click on the doubled top
// arrow stepping the ramp, the window dragged by its doubled title bar and resized by its doubled
// border; and GDK_SCALE going before the resource.

#include "tests/e2e/AdjusterOnX.h"

namespace {

const TProbedRamp Identity = Expected(1.0f, 1.0f, 1.0f);

class HighDensityOnX : public AdjusterOnDesktops {
protected:
  void BeforeProgram() override {
    const std::string file =
        (std::filesystem::temp_directory_path() / ("brivo-e2e-xrdb-" + Server.Display().substr(1))).string();
    std::ofstream(file) << "Xft.dpi: 192\n";
    // -nocpp: plain resources, no need of the C preprocessor.
    const int loaded = RunProcess({"xrdb", "-nocpp", "-merge", file}, nullptr, {"DISPLAY=" + Server.Display()});
    std::filesystem::remove(file);
    ASSERT_EQ(loaded, 0) << "xrdb could not load the resources";
    AdjusterOnDesktops::BeforeProgram();
  }
  std::vector<std::string> Env() const override {
    std::vector<std::string> env = AdjusterOnDesktops::Env();
    env.insert(env.end(), ExtraEnv.begin(), ExtraEnv.end());
    return env;
  }

  // A point of the window given in its units, on the screen: each unit is two device pixels.
  TPoint InWindow(int X, int Y) const { return {Origin.X + 2 * X, Origin.Y + 2 * Y}; }
  // The device pixel at the middle of a unit of a control (client offset X, Y in units).
  TPoint AtDoubled(const TControl* C, int X, int Y) const {
    const TPoint o = Reference.Offset(C, X, Y);
    return {Origin.X + 2 * o.X + 1, Origin.Y + 2 * o.Y + 1};
  }

  std::vector<std::string> ExtraEnv;
};

TEST_P(HighDensityOnX, TheWindowIsTwiceAsLargeAClickOnTheDoubledTopArrowStepsTheRampAndGdkScaleGoesFirst) {
  ASSERT_TRUE(RampBecomes(Identity));
  const TRect shown = Geometry();
  EXPECT_EQ(shown.Width(), 562);
  EXPECT_EQ(shown.Height(), 242);
  Click(AtDoubled(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  EXPECT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.1f)));
  EXPECT_EQ(Errors(), "") << "the resource is good: nothing to say about it";

  // GDK_SCALE goes before the resource.
  Program.reset();
  ExtraEnv = {"GDK_SCALE=1"};
  StartProgram();
  EXPECT_TRUE(Eventually([&] { return Geometry().Width() == 281 && Geometry().Height() == 121; }))
      << "now " << Geometry().Width() << " x " << Geometry().Height();
}

TEST_P(HighDensityOnX, ADragOnTheDoubledTitleBarMovesTheWindowByTheDrag) {
  ASSERT_TRUE(RampBecomes(Identity));
  const TRect before = Geometry();
  ASSERT_EQ(before.Width(), 562);
  const TPoint grip = InWindow(150, 12);
  Drag(grip, {grip.X + 60, grip.Y + 40});
  EXPECT_TRUE(GeometryBecomes(Bounds(before.Left + 60, before.Top + 40, 562, 242)))
      << "now at " << Geometry().Left << ", " << Geometry().Top << ", " << Geometry().Width() << " x "
      << Geometry().Height();
  // Still whole where it went: a click on its doubled arrow steps the ramp.
  Origin = Geometry().TopLeft();
  Click(AtDoubled(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  EXPECT_TRUE(RampBecomes(Expected(1.0f, 1.0f, 1.1f)));
}

TEST_P(HighDensityOnX, ADragOnTheDoubledBottomRightCornerOfTheBorderResizesTheWindow) {
  ASSERT_TRUE(RampBecomes(Identity));
  const TRect before = Geometry();
  // The last device pixel of the window, within the corner's last unit.
  const TPoint corner = {Origin.X + 561, Origin.Y + 241};
  Drag(corner, {corner.X + 40, corner.Y + 30});
  EXPECT_TRUE(GeometryBecomes(Bounds(before.Left, before.Top, 602, 272)))
      << "now " << Geometry().Width() << " x " << Geometry().Height();
}

INSTANTIATE_TEST_SUITE_P(Desktops, HighDensityOnX, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& I) { return I.param ? "Openbox" : "Bare"; });

} // namespace
