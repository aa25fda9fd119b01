// The Windows build's brivo.exe on a real desktop: wine with its own graphics driver on a private
// Xvfb, used as a user would with xdotool. Where the controls are comes from the same window built
// on a headless desktop in this process; the window's pixels come from ImageMagick's import.

#include "tests/e2e/AdjusterOnX.h"

#include "platform/graphics/Scale.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const fs::path kWinBin = BRIVO_WIN_BIN_DIR;
const fs::path kPrefixScript = fs::path(BRIVO_SOURCE_DIR) / "tools/setup/wine-prefix.sh";

bool OnPath(const std::string& Program) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && fs::exists(fs::path(dir) / Program))
      return true;
  return false;
}

class WineDesktop : public testing::Test {
protected:
  void SetUp() override {
    if (!fs::exists(kWinBin / "brivo.exe"))
      GTEST_SKIP() << "the Windows build's " << (kWinBin / "brivo.exe").string()
                   << " is not built (cmake --build build-win --target brivo)";
    if (!OnPath("wine") || !OnPath("wineserver"))
      GTEST_SKIP() << "wine is not installed";
    ASSERT_TRUE(Server.Running()) << Server.Error();
    char pattern[] = "/tmp/brivo-wine-desktop-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Prefix = pattern;
    std::string out;
    // The script's wine programs write nowhere and read nothing, so the server and services it
    // leaves running hold none of our pipes.
    std::vector<std::string> create{kPrefixScript.string(), "create-desktop", Prefix, Server.Display()};
    if (Dpi != 96)
      create.push_back(std::to_string(Dpi));
    ASSERT_EQ(RunProcess(create, &out), 0) << out;
    ErrorsFile = Prefix + ".errors";
  }
  void TearDown() override {
    Program.reset();
    if (!Prefix.empty()) {
      std::string out;
      EXPECT_EQ(RunProcess({kPrefixScript.string(), "remove", Prefix}, &out), 0) << out;
      fs::remove(ErrorsFile);
    }
  }

  std::vector<std::string> Env() const {
    return {"DISPLAY=" + Server.Display(), "WINEPREFIX=" + Prefix, "WINEDEBUG=-all",
            "WINEDLLOVERRIDES=mscoree,mshtml="};
  }
  void StartProgram() {
    Program = std::make_unique<TChildProcess>(std::vector<std::string>{"wine", (kWinBin / "brivo.exe").string()},
                                              Env(), ErrorsFile, true);
    ASSERT_TRUE(Program->Started());
    // --sync waits until the window is shown; the test's time limit covers a window that never comes.
    std::string found;
    ASSERT_EQ(Xdotool({"search", "--sync", "--onlyvisible", "--name", "Tavolu"}, &found), 0);
    Origin = WindowOrigin();
  }
  // Where the server has the program's window now, and its size.
  TRect WindowGeometry() {
    std::string out;
    EXPECT_EQ(Xdotool({"search", "--onlyvisible", "--name", "Tavolu", "getwindowgeometry", "--shell"}, &out), 0);
    std::map<std::string, int> values{{"X", -1}, {"Y", -1}, {"WIDTH", 0}, {"HEIGHT", 0}};
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      const std::size_t eq = line.find('=');
      if (eq != std::string::npos && values.contains(line.substr(0, eq)))
        values[line.substr(0, eq)] = std::stoi(line.substr(eq + 1));
    }
    return Bounds(values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]);
  }
  TPoint WindowOrigin() { return WindowGeometry().TopLeft(); }
  int MoveTo(TPoint P) { return Xdotool({"mousemove", "--sync", std::to_string(P.X), std::to_string(P.Y)}); }

  int Xdotool(std::vector<std::string> Args, std::string* Out = nullptr) {
    Args.insert(Args.begin(), "xdotool");
    return RunProcess(Args, Out, {"DISPLAY=" + Server.Display()});
  }
  void Click(TPoint P) {
    ASSERT_EQ(Xdotool({"mousemove", "--sync", std::to_string(P.X), std::to_string(P.Y)}), 0);
    ASSERT_EQ(Xdotool({"click", "1"}), 0);
  }
  // A control's client point on the screen, at the desktop's density.
  TPoint At(const TControl* C, int X, int Y) const {
    const TPoint o = Reference.Offset(C, X, Y);
    return {Origin.X + ScaleEdge(o.X, Scale()), Origin.Y + ScaleEdge(o.Y, Scale())};
  }
  double Scale() const { return WindowScaleForDpi(Dpi); }

  // The whole screen; kept as Name.png in BRIVO_SCREENSHOT_DIR when that is set.
  TPixelBuffer ScreenShot(const std::string& Name = {}) {
    const std::string file = Prefix + ".bmp";
    EXPECT_EQ(RunProcess({"import", "-display", Server.Display(), "-window", "root", "bmp3:" + file}), 0);
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (const char* dir = std::getenv("BRIVO_SCREENSHOT_DIR"); dir && !Name.empty())
      fs::copy_file(file, fs::path(dir) / (Name + ".bmp"), fs::copy_options::overwrite_existing);
    fs::remove(file);
    TBitmap shot;
    shot.LoadFromBytes(bytes);
    return shot.Pixels();
  }
  TPixelBuffer Screen(const TControl* C, const std::string& Name = {}) {
    const TPixelBuffer shot = ScreenShot(Name);
    const TPoint p = At(C, 0, 0);
    const int width = ScaleEdge(C->Width(), Scale());
    const int height = ScaleEdge(C->Height(), Scale());
    TPixelBuffer out(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        out.ScanLine(y)[x] = shot.InBounds(p.X + x, p.Y + y) ? shot.At(p.X + x, p.Y + y) : 0;
    return out;
  }
  std::string Errors() const {
    std::ifstream in(ErrorsFile);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // What the system says of the adjuster's windows (win32-window-probe, in the same session).
  std::string WindowProbe(const std::string& Command) {
    std::string out;
    EXPECT_EQ(RunProcess({"wine", (kWinBin / "win32-window-probe.exe").string(), Command, "Tavolu"}, &out, Env()), 0);
    return out;
  }

  // Dragged by its caption, the window follows the pointer through the system's move loop. The loop
  // starts once the program has taken the press, so the pointer keeps moving (by a pixel to and
  // fro) until the window does; the window then keeps the point it was grabbed by under the pointer.
  // Then the title bar's close button (right of the caption, as the form's look places it), where
  // the window is now, ends the program.
  void DragByTheCaptionAndCloseFromTheButton() {
    const TPoint grab{Origin.X + ScaleEdge(80, Scale()), Origin.Y + ScaleEdge(12, Scale())};
    ASSERT_EQ(MoveTo(grab), 0);
    ASSERT_EQ(Xdotool({"mousedown", "1"}), 0);
    TPoint pointer;
    int step = 0;
    const bool moved = Eventually([&] {
      const int wobble = step++ % 2;
      pointer = {grab.X + 60 + wobble, grab.Y + 40 + wobble};
      return MoveTo(pointer) == 0 && WindowOrigin() != Origin;
    });
    ASSERT_EQ(Xdotool({"mouseup", "1"}), 0);
    ASSERT_TRUE(moved) << "the window did not follow a drag of its caption";
    const TPoint want{Origin.X + pointer.X - grab.X, Origin.Y + pointer.Y - grab.Y};
    TPoint now;
    EXPECT_TRUE(Eventually([&] { return (now = WindowOrigin()) == want; }))
        << "dragged from " << grab.X << ", " << grab.Y << " to " << pointer.X << ", " << pointer.Y
        << ", the window went from " << Origin.X << ", " << Origin.Y << " to " << now.X << ", " << now.Y;
    Origin = now;
    ScreenShot("wine-desktop-moved-" + std::to_string(Dpi));
    Click({Origin.X + ScaleEdge(1 + 260 + 8, Scale()), Origin.Y + ScaleEdge(4 + 8, Scale())});
    EXPECT_EQ(Program->Wait(), 0);
  }

  // The desktop's dots per inch, as the prefix is made with.
  int Dpi = 96;
  TXvfb Server;
  TReferenceWindow Reference;
  std::string Prefix;
  std::string ErrorsFile;
  std::unique_ptr<TChildProcess> Program;
  TPoint Origin;
};

// One program run for all of it: a wine prefix of its own takes far longer than the checks.
TEST_F(WineDesktop, TheWindowTakesAClickSaysWhyTheGammaIsNotSetMovesByItsCaptionAndClosesFromItsButton) {
  StartProgram();
  if (HasFatalFailure())
    return;
  const TControl* panel = Reference.Form().stat3;
  // The window is there with its value panel drawn (not the black of the empty screen).
  TPixelBuffer before;
  ASSERT_TRUE(Eventually([&] {
    before = Screen(panel);
    return std::any_of(before.Pixels().begin(), before.Pixels().end(), [](TPixel P) { return (P & 0xFFFFFF) != 0; });
  }));
  ScreenShot("wine-desktop-start");

  Click(At(Reference.Form().ScrollBar3->IncButton(), 8, 8));
  EXPECT_TRUE(Eventually([&] { return Screen(panel).Pixels() != before.Pixels(); }))
      << "the value panel did not change after the click on the arrow";
  ScreenShot("wine-desktop-after-click");

  // wine sets the gamma only through an extension Xvfb lacks: one clear line says so, and the
  // window works on regardless.
  const std::string errors = Errors();
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
  EXPECT_EQ(errors.rfind("brivo: display gamma ramp not set: display ", 0), 0u) << errors;
  EXPECT_NE(errors.find("refused the gamma ramp"), std::string::npos) << errors;

  DragByTheCaptionAndCloseFromTheButton();
}

TEST_F(WineDesktop, ASecondStartEndsAndTheFirstWindowComesBackFromAnIconToTheForeground) {
  StartProgram();
  if (HasFatalFailure())
    return;
  // One line per window: whether it is an icon, whether it is the foreground window. Another
  // program's window takes the foreground once the adjuster's is an icon.
  ASSERT_EQ(WindowProbe("minimize"), "1\n");
  TChildProcess other({"wine", "notepad"}, Env());
  ASSERT_TRUE(other.Started());
  ASSERT_TRUE(Eventually([&] { return WindowProbe("list") == "1 0\n"; }));

  const std::string againErrors = Prefix + ".again";
  TChildProcess again({"wine", (kWinBin / "brivo.exe").string()}, Env(), againErrors, true);
  ASSERT_TRUE(again.WaitForExit(60000)) << "the second start still runs";
  EXPECT_EQ(again.Wait(), 0);
  std::ifstream said(againErrors);
  EXPECT_EQ(again.Output() + std::string(std::istreambuf_iterator<char>(said), std::istreambuf_iterator<char>()), "");
  fs::remove(againErrors);
  std::string shown;
  EXPECT_TRUE(Eventually([&] { return (shown = WindowProbe("list")) == "0 1\n"; })) << shown;
  EXPECT_TRUE(Program->Running());
}

} // namespace

namespace {

// The desktop set to 200 %, where a program aware of each monitor's density (as the manifest
// declares the adjuster) is not enlarged by the system: it enlarges itself.
class WineDesktopAtDoubleDensity : public WineDesktop {
protected:
  WineDesktopAtDoubleDensity() { Dpi = 192; }
};

TEST_F(WineDesktopAtDoubleDensity, TheWindowIsTwiceAsLargeWithItsPicturesDoubledAndTakesClicksAndADragAtTheDoubledPoints) {
  StartProgram();
  if (HasFatalFailure())
    return;
  const TRect at = WindowGeometry();
  EXPECT_EQ(at.Width(), 562);
  EXPECT_EQ(at.Height(), 242);

  // The arrow's look picture, each pixel a 2 x 2 block, with the pointer away from it.
  ASSERT_EQ(MoveTo({0, 0}), 0);
  const TControl* arrow = Reference.Form().ScrollBar3->IncButton();
  const TPixelBuffer one = Reference.Pixels(arrow);
  TPixelBuffer doubled(2 * one.Width(), 2 * one.Height());
  for (int y = 0; y < doubled.Height(); ++y)
    for (int x = 0; x < doubled.Width(); ++x)
      doubled.ScanLine(y)[x] = one.At(x / 2, y / 2);
  TPixelBuffer shown;
  EXPECT_TRUE(Eventually([&] { return (shown = Screen(arrow)).Pixels() == doubled.Pixels(); }))
      << "the arrow is not its picture at scale 1 doubled";
  ScreenShot("wine-desktop-192-start");

  const TControl* panel = Reference.Form().stat3;
  const TPixelBuffer before = Screen(panel);
  ASSERT_TRUE(std::any_of(before.Pixels().begin(), before.Pixels().end(), [](TPixel P) { return (P & 0xFFFFFF) != 0; }));
  // The arrow's middle: at scale 1 a click at (8, 8) of it.
  Click(At(arrow, 8, 8));
  EXPECT_TRUE(Eventually([&] { return Screen(panel).Pixels() != before.Pixels(); }))
      << "the value panel did not change after the click on the doubled arrow";
  ScreenShot("wine-desktop-192-after-click");
  DragByTheCaptionAndCloseFromTheButton();
}

} // namespace
