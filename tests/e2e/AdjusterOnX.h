#pragma once

// The adjuster on a real X server, used as a user would: xdotool moves the pointer and presses the
// buttons, gamma-probe reads the ramp back from the server, ImageMagick's import takes screenshots.
// Where the controls are comes from the same window built on the headless desktop in this process;
// what a value panel should show comes from that window too, so a screenshot is compared with our
// own rendering of the expected state.

#include "app/Unit1.h"
#include "platform/backends/headless/HeadlessDesktop.h"
#include "platform/backends/x11/X11GammaDevice.h"
#include "platform/controls/Application.h"
#include "platform/graphics/Bitmap.h"
#include "tests/support/Openbox.h"
#include "tests/support/Process.h"
#include "tests/support/Xvfb.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>


inline const std::string kBin = BRIVO_BIN_DIR;
constexpr auto kPatience = std::chrono::seconds(10);

// Green and blue channels of a ramp as gamma-probe prints them (Xvfb garbles the start of red, so
// red is compared from entry 16 on).
struct TProbedRamp {
  std::vector<long> Red, Green, Blue;
  bool operator==(const TProbedRamp&) const = default;
};

inline std::vector<long> Numbers(const std::string& Line) {
  std::istringstream in(Line.substr(Line.find(':') + 1));
  return {std::istream_iterator<long>(in), std::istream_iterator<long>()};
}

// A program's output line by line.
inline std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> lines;
  std::istringstream in(Text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// A ramp as gamma-probe shows it.
inline TProbedRamp Probed(const TGammaRamp& Ramp) {
  TProbedRamp r;
  for (int i = 0; i < 256; ++i) {
    if (i >= 16)
      r.Red.push_back(Ramp.Red[i]);
    r.Green.push_back(Ramp.Green[i]);
    r.Blue.push_back(Ramp.Blue[i]);
  }
  return r;
}

// The ramp of the sliders at Offset, Contrast and Power.
inline TProbedRamp Expected(float Offset, float Contrast, float Power) {
  return Probed(BuildGammaRamp(Offset, Contrast, Power));
}

// Waits for a condition that another process brings about, by asking again until it holds or the
// patience runs out. Each question is a round trip to the X server, so this never spins idle.
inline bool Eventually(const std::function<bool()>& Condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  do {
    if (Condition())
      return true;
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

// Where the window's controls are, and what its value panels look like, from the window built on a
// headless desktop: the X window shows the same frame buffer.
class TReferenceWindow {
public:
  TReferenceWindow() {
    Application->Initialize();
    RegisterUnit1Classes();
    FForm = new TfrmBrivo(nullptr);
    FForm->Show();
    FDesktop.ProcessMessages();
  }
  ~TReferenceWindow() {
    delete FForm;
    Application->SetActive(false);
  }
  TfrmBrivo& Form() { return *FForm; }
  THeadlessDesktop& Desktop() { return FDesktop; }
  // Offset of a control's client point from the window's top-left corner.
  TPoint Offset(const TControl* C, int X, int Y) const {
    const TPoint p = C->ClientToScreen({X, Y});
    return {p.X - FForm->Left(), p.Y - FForm->Top()};
  }
  // The control's pixels as the window shows them now.
  TPixelBuffer Pixels(const TControl* C) {
    FDesktop.ProcessMessages();
    const TPixelBuffer screen = FDesktop.Screenshot();
    const TPoint p = C->ClientToScreen({0, 0});
    TPixelBuffer out(C->Width(), C->Height());
    for (int y = 0; y < C->Height(); ++y)
      for (int x = 0; x < C->Width(); ++x)
        out.ScanLine(y)[x] = screen.At(p.X + x, p.Y + y);
    return out;
  }

private:
  THeadlessDesktop FDesktop;
  TfrmBrivo* FForm = nullptr;
};

class AdjusterOnX : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Server.Running()) << Server.Error();
    BeforeProgram();
    if (HasFatalFailure())
      return;
    // Start from a ramp that is clearly not the identity, so the start-up's reset shows.
    std::string why;
    auto device = TX11GammaDevice::Open(Server.Display().c_str(), why);
    ASSERT_TRUE(device) << why;
    ASSERT_TRUE(device->Apply(TGammaRamp{}, why)) << why;
    device.reset();

    // Display numbers are not shared by live servers, so the name is the test's own.
    ErrorsFile =
        (std::filesystem::temp_directory_path() / ("brivo-e2e-errors-" + Server.Display().substr(1) + ".txt")).string();
    StartProgram();
  }

  // Starts the adjuster (again) and finds its window.
  void StartProgram() {
    Window.clear();
    Program = std::make_unique<TChildProcess>(std::vector<std::string>{kBin + "/brivo"}, Env(), ErrorsFile);
    ASSERT_TRUE(Program->Started());
    // --sync waits until the window is mapped; the test's time limit covers a window that never comes.
    std::string out;
    ASSERT_TRUE(Search({"--sync", "--onlyvisible", "--name", "Tavolu", "getwindowgeometry", "--shell"}, out)) << out;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("WINDOW=", 0) == 0)
        Window = line.substr(7);
      else if (line.rfind("X=", 0) == 0)
        Origin.X = std::stoi(line.substr(2));
      else if (line.rfind("Y=", 0) == 0)
        Origin.Y = std::stoi(line.substr(2));
    }
    ASSERT_FALSE(Window.empty()) << out;
  }

  // What a test needs on the server before the program starts (a window manager).
  virtual void BeforeProgram() {}

  void TearDown() override {
    Program.reset();
    std::filesystem::remove(ErrorsFile);
  }

  virtual std::vector<std::string> Env() const { return {"DISPLAY=" + Server.Display()}; }

  // What the program wrote to its standard error so far.
  std::string Errors() const {
    std::ifstream in(ErrorsFile);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  int Xdotool(std::vector<std::string> Args, std::string* Out = nullptr) {
    Args.insert(Args.begin(), "xdotool");
    return RunProcess(Args, Out, Env());
  }

  // xdotool search (with --sync it waits until a window matches), and what xdotool printed (its
  // error when it failed). The search walks the whole window tree and ends with BadWindow when a
  // window goes away under it (a window manager's frame, another program's window), so such a
  // search is made again.
  bool Search(std::vector<std::string> Args, std::string& Out) {
    Args.insert(Args.begin(), {"xdotool", "search"});
    int status = -1;
    std::string errors;
    Eventually([&] {
      Out.clear();
      errors.clear();
      status = RunProcess(Args, &Out, Env(), &errors);
      return status == 0 || errors.find("BadWindow") == std::string::npos;
    });
    if (status != 0)
      Out = errors;
    return status == 0;
  }

  TProbedRamp Probe() {
    std::string out;
    EXPECT_EQ(RunProcess({kBin + "/gamma-probe", "--display", Server.Display()}, &out), 0);
    // The first CRTC's ramp, after the list of outputs.
    std::istringstream lines(out);
    std::string red, green, blue;
    for (std::string line; std::getline(lines, line);)
      for (auto [prefix, channel] : {std::pair{"red:", &red}, {"green:", &green}, {"blue:", &blue}})
        if (line.starts_with(prefix) && channel->empty())
          *channel = line;
    TProbedRamp r{Numbers(red), Numbers(green), Numbers(blue)};
    if (r.Red.size() >= 16)
      r.Red.erase(r.Red.begin(), r.Red.begin() + 16);
    return r;
  }

  bool RampBecomes(const TProbedRamp& Want) {
    return Eventually([&] { return Probe() == Want; });
  }

  // A screen point of a control of the running window, at client offset (X, Y).
  TPoint At(const TControl* C, int X, int Y) const {
    const TPoint o = Reference.Offset(C, X, Y);
    return {Origin.X + o.X, Origin.Y + o.Y};
  }
  void MoveTo(TPoint P) {
    ASSERT_EQ(Xdotool({"mousemove", "--sync", std::to_string(P.X), std::to_string(P.Y)}), 0);
  }
  void Click(TPoint P) {
    MoveTo(P);
    ASSERT_EQ(Xdotool({"click", "1"}), 0);
  }

  // The X server's whole screen now.
  TPixelBuffer ScreenShot() {
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("brivo-e2e-" + std::to_string(Program->Pid()) + ".bmp")).string();
    EXPECT_EQ(RunProcess({"import", "-display", Server.Display(), "-window", "root", "bmp3:" + file}), 0);
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::filesystem::remove(file);
    TBitmap shot;
    shot.LoadFromBytes(bytes);
    return shot.Pixels();
  }

  // The control's pixels on the X server's screen now.
  TPixelBuffer Screen(const TControl* C) {
    const TPixelBuffer shot = ScreenShot();
    const TPoint p = At(C, 0, 0);
    TPixelBuffer out(C->Width(), C->Height());
    for (int y = 0; y < C->Height(); ++y)
      for (int x = 0; x < C->Width(); ++x)
        out.ScanLine(y)[x] = shot.At(p.X + x, p.Y + y);
    return out;
  }

  bool ShowsLikeReference(const TControl* OnScreen, const TControl* InReference) {
    const TPixelBuffer want = Reference.Pixels(InReference);
    return Eventually([&] { return Screen(OnScreen).Pixels() == want.Pixels(); });
  }

  TXvfb Server;
  TReferenceWindow Reference;
  std::unique_ptr<TChildProcess> Program;
  std::string ErrorsFile;
  std::string Window;
  TPoint Origin;
};

// The adjuster bare on the server (false) or under a real window manager (openbox, true), with what
// tests of its window's place and size need.
class AdjusterOnDesktops : public AdjusterOnX, public ::testing::WithParamInterface<bool> {
protected:
  void BeforeProgram() override {
    if (!GetParam())
      return;
    Manager = std::make_unique<TOpenbox>(Server.Display());
    ASSERT_TRUE(Manager->WaitUntilManaging(10000)) << Manager->Error();
  }
  void TearDown() override {
    AdjusterOnX::TearDown();
    Manager.reset();
  }

  // The window's place and size on the server now.
  TRect Geometry() {
    std::string out;
    Xdotool({"getwindowgeometry", "--shell", Window}, &out);
    std::istringstream lines(out);
    int x = -1, y = -1, w = -1, h = -1;
    for (std::string line; std::getline(lines, line);) {
      for (auto [prefix, field] : {std::pair{"X=", &x}, {"Y=", &y}, {"WIDTH=", &w}, {"HEIGHT=", &h}})
        if (line.rfind(prefix, 0) == 0)
          *field = std::stoi(line.substr(std::string(prefix).size()));
    }
    return Bounds(x, y, w, h);
  }
  bool GeometryBecomes(const TRect& Want) {
    return Eventually([&] { return Geometry() == Want; });
  }
  // Presses the left button at From, moves in steps to To and lets go there.
  void Drag(TPoint From, TPoint To) {
    MoveTo(From);
    ASSERT_EQ(Xdotool({"mousedown", "1"}), 0);
    for (int step = 1; step <= 4; ++step)
      MoveTo({From.X + (To.X - From.X) * step / 4, From.Y + (To.Y - From.Y) * step / 4});
    ASSERT_EQ(Xdotool({"mouseup", "1"}), 0);
  }

  std::unique_ptr<TOpenbox> Manager;
};
