// The Windows build's brivo.exe on a real desktop: wine with its own graphics driver on a private
// Xvfb, used as a user would with xdotool. Where the controls are comes from the same window built
// on a headless desktop in this process; the window's pixels come from ImageMagick's import.

#include "tests/e2e/AdjusterOnX.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    ASSERT_EQ(RunProcess({kPrefixScript.string(), "create-desktop", Prefix, Server.Display()}, &out), 0) << out;
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
  // Where the server has the program's window now.
  TPoint WindowOrigin() {
    std::string out;
    EXPECT_EQ(Xdotool({"search", "--onlyvisible", "--name", "Tavolu", "getwindowgeometry", "--shell"}, &out), 0);
    TPoint at{-1, -1};
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("X=", 0) == 0)
        at.X = std::stoi(line.substr(2));
      else if (line.rfind("Y=", 0) == 0)
        at.Y = std::stoi(line.substr(2));
    }
    return at;
  }
  int MoveTo(TPoint P) { return Xdotool({"mousemove", "--sync", std::to_string(P.X), std::to_string(P.Y)}); }

  int Xdotool(std::vector<std::string> Args, std::string* Out = nullptr) {
    Args.insert(Args.begin(), "xdotool");
    return RunProcess(Args, Out, {"DISPLAY=" + Server.Display()});
  }
  void Click(TPoint P) {
    ASSERT_EQ(Xdotool({"mousemove", "--sync", std::to_string(P.X), std::to_string(P.Y)}), 0);
    ASSERT_EQ(Xdotool({"click", "1"}), 0);
  }
  TPoint At(const TControl* C, int X, int Y) const {
    const TPoint o = Reference.Offset(C, X, Y);
    return {Origin.X + o.X, Origin.Y + o.Y};
  }

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
    TPixelBuffer out(C->Width(), C->Height());
    for (int y = 0; y < C->Height(); ++y)
      for (int x = 0; x < C->Width(); ++x)
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

  // Dragged by its caption, the window follows the pointer through the system's move loop. The loop
  // starts once the program has taken the press, so the pointer keeps moving (by a pixel to and
  // fro) until the window does; the window then keeps the point it was grabbed by under the pointer.
  const TPoint grab{Origin.X + 80, Origin.Y + 12};
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
  ScreenShot("wine-desktop-moved");

  // The title bar's close button, right of the caption (as the form's look places it), where the
  // window is now.
  Click({Origin.X + 1 + 260 + 8, Origin.Y + 4 + 8});
  EXPECT_EQ(Program->Wait(), 0);
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
