// The X11 desktop's scale on a private Xvfb: where it comes from (GDK_SCALE, a settings manager's
// Gdk/WindowScalingFactor, the Xft.dpi resource, in that order, a bad value reported and passed
// over), and a window at scale 2 on the server: twice as large, its shape doubled, clicks, wheel
// turns and the pointer back in its units.

#include "platform/backends/x11/X11Desktop.h"
#include "platform/windows/Gdi.h"
#include "tests/platform/backends/X11Pump.h"
#include "tests/platform/windows/TestWindow.h"
#include "tests/support/Process.h"
#include "tests/support/XSettingsManager.h"
#include "tests/support/XvfbSuite.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

constexpr TColor kFormColor = 0x00804020; // 0x00BBGGRR
constexpr TColor kPanelColor = 0x0020C040;
constexpr TPixel kFormPixel = 0x204080; // 0x00RRGGBB
constexpr TPixel kPanelPixel = 0x40C020;

TXSetting Factor(std::int32_t Value) {
  TXSetting s;
  s.Name = "Gdk/WindowScalingFactor";
  s.Integer = Value;
  return s;
}

class X11Scale : public TXvfbSuite<> {
protected:
  void TearDown() override {
    Windows.clear();
    Desktop.reset();
    unsetenv("GDK_SCALE");
  }

  std::vector<std::string> Env() const { return {"DISPLAY=" + FServer->Display()}; }

  // Loads Resources into the server's resource database, as a desktop's session does with xrdb.
  void SetResources(const std::string& Resources) {
    const std::string file =
        (std::filesystem::temp_directory_path() / ("brivo-xrdb-" + FServer->Display().substr(1))).string();
    std::ofstream(file) << Resources;
    // -nocpp: the file is plain resources; the C preprocessor need not be installed.
    ASSERT_EQ(RunProcess({"xrdb", "-nocpp", "-load", file}, nullptr, Env()), 0);
    std::filesystem::remove(file);
  }

  // The scale a desktop opened now reports, and what it said on standard error as it opened.
  double ScaleOnOpen(std::string* Said = nullptr) {
    Desktop.reset();
    testing::internal::CaptureStderr();
    std::string why;
    Desktop = TX11Desktop::Open(FServer->Display().c_str(), why);
    const std::string said = testing::internal::GetCapturedStderr();
    if (Said)
      *Said = said;
    else
      EXPECT_EQ(said, "");
    EXPECT_TRUE(Desktop) << why;
    if (!Desktop)
      return 0;
    const std::vector<TMonitor> monitors = Desktop->Monitors();
    EXPECT_FALSE(monitors.empty());
    for (const TMonitor& m : monitors)
      EXPECT_EQ(m.Scale, monitors.front().Scale) << "one scale for the whole screen";
    return monitors.empty() ? 0 : monitors.front().Scale;
  }

  bool PumpUntil(const std::function<bool()>& Done) { return PumpX11Until(*Desktop, Done); }
  void Settle() { SettleX11(*Desktop); }
  TTestWindow& Make(HWND Parent, TRect Bounds, TColor Color) {
    Windows.push_back(std::make_unique<TTestWindow>(Log, Parent, Bounds, Color, WS_VISIBLE));
    return *Windows.back();
  }
  int Xdotool(std::vector<std::string> Args) {
    Args.insert(Args.begin(), "xdotool");
    return RunProcess(Args, nullptr, Env());
  }

  std::unique_ptr<TX11Desktop> Desktop;
  TMessageLog Log;
  std::vector<std::unique_ptr<TTestWindow>> Windows;
};

TEST_F(X11Scale, EachSourceIsTakenWhenNoneBeforeItSaysAnything) {
  EXPECT_EQ(ScaleOnOpen(), 1.0) << "a desktop that says nothing is at 96 dpi";
  SetResources("Xft.dpi: 144\n");
  EXPECT_EQ(ScaleOnOpen(), 1.5);
  SetResources("Xft.antialias: 1\n*dpi: 192\n");
  EXPECT_EQ(ScaleOnOpen(), 2.0) << "a resource that matches Xft.dpi counts";

  {
    TXSettingsManager manager(FServer->Display(), EncodeXSettings({Factor(3)}));
    ASSERT_TRUE(manager.Running()) << manager.Error();
    EXPECT_EQ(ScaleOnOpen(), 3.0) << "the settings manager goes before Xft.dpi";
    setenv("GDK_SCALE", "1", 1);
    EXPECT_EQ(ScaleOnOpen(), 1.0) << "GDK_SCALE goes before both";
    setenv("GDK_SCALE", "", 1);
    EXPECT_EQ(ScaleOnOpen(), 3.0) << "an empty variable is none";
  }
  {
    // A manager that publishes other settings but no factor leaves the scale to Xft.dpi.
    TXSetting dpi = Factor(196608);
    dpi.Name = "Xft/DPI";
    TXSettingsManager manager(FServer->Display(), EncodeXSettings({dpi}, true));
    ASSERT_TRUE(manager.Running()) << manager.Error();
    EXPECT_EQ(ScaleOnOpen(), 2.0);
  }
}

TEST_F(X11Scale, ABadValueIsReportedInOneLineAndTheNextSourceTaken) {
  SetResources("Xft.dpi: 192\n");
  std::string said;
  setenv("GDK_SCALE", "1.5", 1);
  EXPECT_EQ(ScaleOnOpen(&said), 2.0);
  EXPECT_EQ(said, "brivo: GDK_SCALE is '1.5', not a whole number of 1 or more; ignored\n");
  unsetenv("GDK_SCALE");

  {
    std::vector<std::uint8_t> broken = EncodeXSettings({Factor(2)});
    broken.resize(broken.size() - 1);
    TXSettingsManager manager(FServer->Display(), broken);
    ASSERT_TRUE(manager.Running()) << manager.Error();
    EXPECT_EQ(ScaleOnOpen(&said), 2.0);
    EXPECT_EQ(said, "brivo: the settings manager's settings are malformed (setting Gdk/WindowScalingFactor ends "
                    "within its integer); ignored\n");
  }
  {
    TXSettingsManager manager(FServer->Display(), EncodeXSettings({Factor(-1)}));
    ASSERT_TRUE(manager.Running()) << manager.Error();
    SetResources("Xft.dpi: lots\n");
    EXPECT_EQ(ScaleOnOpen(&said), 1.0);
    EXPECT_EQ(said, "brivo: the settings manager's Gdk/WindowScalingFactor is -1, not 1 or more; ignored\n"
                    "brivo: the resource Xft.dpi is 'lots', not a number of dots per inch such as 96 or 192; "
                    "ignored\n");
  }
}

TEST_F(X11Scale, AWindowAtScaleTwoIsTwiceAsLargeOnTheServerAndTakesInputInItsUnits) {
  setenv("GDK_SCALE", "2", 1);
  ASSERT_EQ(ScaleOnOpen(), 2.0);
  TTestWindow& below = Make(nullptr, Bounds(100, 80, 200, 150), 0x000000FF);
  TTestWindow& form = Make(nullptr, Bounds(100, 80, 200, 150), kFormColor);
  TTestWindow& panel = Make(*form, Rect(20, 20, 80, 60), kPanelColor);
  // Only the right half of the form is left.
  SetWindowRgn(*form, CreateRectRgn(100, 0, 200, 150), 1);
  Settle();
  TRect units;
  GetWindowRect(*form, &units);
  EXPECT_EQ(units, Bounds(100, 80, 200, 150)) << "the program keeps its units";

  // On the server: at (200, 160), 400 x 300, the left half cut away.
  TPixelBuffer shot = Desktop->Screenshot();
  EXPECT_EQ(shot.At(202, 162), 0xFF0000u) << "the window below shows through the cut half";
  EXPECT_EQ(shot.At(399, 300), 0xFF0000u);
  EXPECT_EQ(shot.At(400, 160), kFormPixel);
  EXPECT_EQ(shot.At(599, 459), kFormPixel);
  EXPECT_NE(shot.At(600, 459), kFormPixel);
  EXPECT_NE(shot.At(599, 460), kFormPixel);

  // A click at device pixel (2x, 2y) of the window is a click at (x, y) of its units.
  ASSERT_EQ(Xdotool({"mousemove", "--sync", std::to_string(200 + 2 * 150 + 1), std::to_string(160 + 2 * 30 + 1),
                     "click", "1"}),
            0);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(*form, WM_LBUTTONUP) == 1; }));
  const TLogged* down = Log.Last(WM_LBUTTONDOWN);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(down->Wnd, *form);
  EXPECT_EQ(GET_X_LPARAM(down->LParam), 150);
  EXPECT_EQ(GET_Y_LPARAM(down->LParam), 30);
  TPoint cursor;
  ASSERT_TRUE(GetCursorPos(&cursor));
  EXPECT_EQ(cursor, (TPoint{100 + 150, 80 + 30})) << "the pointer in the units of the window under it";
  EXPECT_EQ(Log.Count(*below, WM_LBUTTONDOWN), 0);
  // A wheel turn there names its screen point in units too.
  ASSERT_EQ(Xdotool({"click", "4"}), 0);
  ASSERT_TRUE(PumpUntil([&] { return Log.Last(WM_MOUSEWHEEL) != nullptr; }));
  EXPECT_EQ(GET_X_LPARAM(Log.Last(WM_MOUSEWHEEL)->LParam), 100 + 150);
  EXPECT_EQ(GET_Y_LPARAM(Log.Last(WM_MOUSEWHEEL)->LParam), 80 + 30);

  // The whole form again: the panel at units (20, 20)-(80, 60) takes device (240, 200)-(360, 280).
  SetWindowRgn(*form, nullptr, 1);
  Settle();
  shot = Desktop->Screenshot();
  EXPECT_EQ(shot.At(240, 200), kPanelPixel);
  EXPECT_EQ(shot.At(359, 279), kPanelPixel);
  EXPECT_EQ(shot.At(239, 200), kFormPixel);
  EXPECT_EQ(shot.At(360, 279), kFormPixel);
  ASSERT_EQ(Xdotool({"mousemove", "--sync", "359", "279", "click", "1"}), 0);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(*panel, WM_LBUTTONUP) == 1; }));
  down = Log.Last(WM_LBUTTONDOWN);
  EXPECT_EQ(down->Wnd, *panel);
  EXPECT_EQ(GET_X_LPARAM(down->LParam), 59);
  EXPECT_EQ(GET_Y_LPARAM(down->LParam), 39);

  // Unmapped and mapped behind the program's back, the window is exposed whole and answers from its
  // frame, its far corner included.
  const std::string id = std::to_string(Desktop->NativeWindow(*form));
  ASSERT_EQ(RunProcess({"xsetroot", "-solid", "black"}, nullptr, Env()), 0);
  ASSERT_EQ(Xdotool({"windowunmap", "--sync", id}), 0);
  ASSERT_EQ(Xdotool({"windowmap", "--sync", id}), 0);
  EXPECT_TRUE(PumpUntil([&] {
    const TPixelBuffer now = Desktop->Screenshot();
    return now.At(202, 162) == kFormPixel && now.At(599, 459) == kFormPixel && now.At(300, 240) == kPanelPixel;
  }));
}

} // namespace
