// The X11 desktop on a private Xvfb with no window manager: real windows, real input from xdotool,
// and what the server shows read back from the root window.

#include "platform/backends/x11/X11AddressOpener.h"
#include "platform/backends/x11/X11Desktop.h"
#include "platform/backends/x11/X11MessageBox.h"
#include "platform/core/Resources.h"
#include "platform/graphics/IcoCodec.h"
#include "platform/graphics/PngCodec.h"
#include "platform/windows/Gdi.h"
#include "tests/platform/backends/X11Pump.h"
#include "tests/platform/windows/TestWindow.h"
#include "tests/support/Process.h"
#include "tests/support/XvfbSuite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

namespace {

constexpr TColor kFormColor = 0x00804020;  // 0x00BBGGRR
constexpr TColor kPanelColor = 0x0020C040;
constexpr TPixel kFormPixel = 0x204080;    // 0x00RRGGBB
constexpr TPixel kPanelPixel = 0x40C020;

class X11Desktop : public TXvfbSuite<testing::TestWithParam<bool>> {
protected:

  void SetUp() override {
    TXvfbSuite::SetUp();
    if (HasFatalFailure())
      return;
    std::string why;
    // Frames of every size through the shared segment, or none.
    Desktop = TX11Desktop::Open(FServer->Display().c_str(), why, {GetParam(), 0});
    ASSERT_TRUE(Desktop) << why;
  }
  void TearDown() override {
    Windows.clear();
    Desktop.reset();
  }

  TTestWindow& Make(HWND Parent, TRect Bounds, TColor Color, DWORD Style = WS_VISIBLE) {
    Windows.push_back(std::make_unique<TTestWindow>(Log, Parent, Bounds, Color, Style));
    return *Windows.back();
  }
  // A form at Bounds with a panel inset by 20 pixels from its left and top, 60 x 40.
  std::pair<HWND, HWND> MakeForm(TRect Bounds) {
    TTestWindow& form = Make(nullptr, Bounds, kFormColor);
    TTestWindow& panel = Make(*form, Rect(20, 20, 80, 60), kPanelColor);
    return {*form, *panel};
  }

  bool PumpUntil(const std::function<bool()>& Done) { return PumpX11Until(*Desktop, Done); }
  void Settle() { SettleX11(*Desktop); }

  int Xdotool(std::vector<std::string> Args, std::string* Out = nullptr) {
    Args.insert(Args.begin(), "xdotool");
    return RunProcess(Args, Out, {"DISPLAY=" + FServer->Display()});
  }
  void Click(int X, int Y) {
    ASSERT_EQ(Xdotool({"mousemove", std::to_string(X), std::to_string(Y), "click", "1"}), 0);
  }
  TPixel ScreenPixel(int X, int Y) { return Desktop->Screenshot().At(X, Y); }

  std::unique_ptr<TX11Desktop> Desktop;
  TMessageLog Log;
  std::vector<std::unique_ptr<TTestWindow>> Windows;
};

TEST_P(X11Desktop, FormWithPanelShowsOnTheScreen) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  EXPECT_NE(Desktop->NativeWindow(form), 0u);
  EXPECT_EQ(Desktop->NativeWindow(panel), 0u); // children are drawn into their form's frame
  const TPixelBuffer shot = Desktop->Screenshot();
  EXPECT_EQ(shot.At(105, 85), kFormPixel);
  EXPECT_EQ(shot.At(299, 229), kFormPixel);
  EXPECT_EQ(shot.At(120, 100), kPanelPixel);
  EXPECT_EQ(shot.At(179, 139), kPanelPixel);
  EXPECT_EQ(shot.At(180, 140), kFormPixel);
  EXPECT_NE(shot.At(300, 230), kFormPixel);
  if (const char* dir = std::getenv("BRIVO_SCREENSHOT_DIR")) {
    const std::vector<std::uint8_t> png = EncodePng(shot);
    std::ofstream(std::string(dir) + "/x11-form.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  }
}

TEST_P(X11Desktop, RealClickReachesThePanel) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  Click(130, 110);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_LBUTTONUP) == 1; }));
  EXPECT_EQ(Log.Count(panel, WM_LBUTTONDOWN), 1);
  EXPECT_EQ(Log.Count(form, WM_LBUTTONDOWN), 0);
  const TLogged* down = Log.Last(WM_LBUTTONDOWN);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(GET_X_LPARAM(down->LParam), 10); // panel coordinates
  EXPECT_EQ(GET_Y_LPARAM(down->LParam), 10);
  EXPECT_EQ(GetActiveWindow(), form);
}

TEST_P(X11Desktop, OnlyTheDamagedAreaIsSentAndExposureIsAnsweredFromTheFrame) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  // Unmapped and mapped again behind our back, the window shows the black root until we answer
  // the exposure; the exposure stays unread while the layer repaints only the panel.
  const std::string id = std::to_string(Desktop->NativeWindow(form));
  ASSERT_EQ(RunProcess({"xsetroot", "-solid", "black"}, nullptr, {"DISPLAY=" + FServer->Display()}), 0);
  ASSERT_EQ(Xdotool({"windowunmap", "--sync", id}), 0);
  ASSERT_EQ(Xdotool({"windowmap", "--sync", id}), 0);
  InvalidateRect(panel, nullptr, 0);
  ProcessPendingMessages();
  Desktop->Sync();
  TPixelBuffer shot = Desktop->Screenshot();
  EXPECT_EQ(shot.At(130, 110), kPanelPixel);
  EXPECT_EQ(shot.At(110, 90), 0u) << "nothing outside the damage was sent";
  ASSERT_TRUE(PumpUntil([&] { return ScreenPixel(110, 90) == kFormPixel; }));
  EXPECT_EQ(ScreenPixel(299, 229), kFormPixel);
}

TEST_P(X11Desktop, ShapedWindowIsNotHitOutsideItsRegion) {
  TTestWindow& below = Make(nullptr, Bounds(300, 300, 200, 200), 0x000000FF);
  const auto [form, panel] = MakeForm(Bounds(300, 300, 200, 200));
  // Only the right half of the form is left.
  SetWindowRgn(form, CreateRectRgn(100, 0, 200, 200), 1);
  Settle();
  EXPECT_EQ(ScreenPixel(350, 350), 0xFF0000u) << "the window below shows through";
  EXPECT_EQ(ScreenPixel(450, 350), kFormPixel);
  Click(350, 350);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(*below, WM_LBUTTONUP) == 1; }));
  EXPECT_EQ(Log.Count(form, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(Log.Count(panel, WM_LBUTTONDOWN), 0);
  // The click raised the window below; bring the shaped one back over it.
  BringWindowToTop(form);
  Settle();
  Click(450, 350);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(form, WM_LBUTTONUP) == 1; }));
  // A rectangular window again takes every point of its bounds.
  SetWindowRgn(form, nullptr, 1);
  BringWindowToTop(form);
  Settle();
  Click(330, 330);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_LBUTTONUP) == 1; }));
}

TEST_P(X11Desktop, CaptureTakesPressesOutsideEveryWindow) {
  const auto [form, panel] = MakeForm(Bounds(100, 100, 200, 150));
  TTestWindow& other = Make(nullptr, Bounds(800, 600, 100, 100), kPanelColor);
  SetActiveWindow(form);
  SetCapture(panel);
  Settle();
  Click(850, 650);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_LBUTTONUP) == 1; }));
  EXPECT_EQ(Log.Count(*other, WM_LBUTTONDOWN), 0);
  const TLogged* down = Log.Last(WM_LBUTTONDOWN);
  EXPECT_EQ(GET_X_LPARAM(down->LParam), 850 - 120); // panel coordinates, far outside it
  EXPECT_EQ(GET_Y_LPARAM(down->LParam), 650 - 120);
  Click(1000, 20); // on no window at all
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_LBUTTONUP) == 2; }));
  ReleaseCapture();
  Settle();
  Click(850, 650);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(*other, WM_LBUTTONUP) == 1; }));
  EXPECT_EQ(Log.Count(panel, WM_LBUTTONDOWN), 2);
}

TEST_P(X11Desktop, CaptionDragMovesTheWindow) {
  ASSERT_FALSE(Desktop->WindowManagerRunning());
  TTestWindow& form = Make(nullptr, Bounds(100, 100, 200, 120), kFormColor);
  form.OnMessage = [](TMessage& M) {
    if (M.Msg != WM_NCHITTEST)
      return false;
    TRect r;
    GetWindowRect(CurrentProcedureWindow(), &r);
    M.Result = GET_Y_LPARAM(M.LParam) < r.Top + 20 ? HTCAPTION : HTCLIENT;
    return true;
  };
  Settle();
  ASSERT_EQ(Xdotool({"mousemove", "150", "110", "mousedown", "1"}), 0);
  ASSERT_TRUE(PumpUntil([&] { return Desktop->MoveSizeActive(); }));
  ASSERT_EQ(Xdotool({"mousemove", "250", "170"}), 0);
  ASSERT_TRUE(PumpUntil([&] {
    TRect r;
    GetWindowRect(*form, &r);
    return r.TopLeft() == TPoint{200, 160};
  }));
  ASSERT_EQ(Xdotool({"mouseup", "1"}), 0);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(*form, WM_EXITSIZEMOVE) == 1; }));
  EXPECT_FALSE(Desktop->MoveSizeActive());
  EXPECT_EQ(GetKeyState(VK_LBUTTON), 0) << "the release ended the drag";
  Settle();
  EXPECT_EQ(ScreenPixel(205, 165), kFormPixel);
  EXPECT_EQ(ScreenPixel(399, 279), kFormPixel);
  EXPECT_NE(ScreenPixel(150, 130), kFormPixel);
  // The server agrees on where the window is.
  std::string out;
  ASSERT_EQ(Xdotool({"getwindowgeometry", std::to_string(Desktop->NativeWindow(*form))}, &out), 0);
  EXPECT_NE(out.find("Position: 200,160"), std::string::npos) << out;
}

// A program that gets to the press late, when the pointer has gone on or the button is up again,
// still moves the window by the whole drag from where the button went down.
TEST_P(X11Desktop, ADragThePressIsHandledLateForStillMovesByTheWholeDrag) {
  TTestWindow& form = Make(nullptr, Bounds(100, 100, 200, 120), kFormColor);
  form.OnMessage = [](TMessage& M) {
    if (M.Msg != WM_NCHITTEST)
      return false;
    M.Result = HTCAPTION;
    return true;
  };
  Settle();
  const auto at = [&] {
    TRect r;
    GetWindowRect(*form, &r);
    return r.TopLeft();
  };
  ASSERT_EQ(Xdotool({"mousemove", "150", "110", "mousedown", "1", "mousemove", "250", "170"}), 0);
  ASSERT_TRUE(PumpUntil([&] { return Desktop->MoveSizeActive(); }));
  ASSERT_TRUE(PumpUntil([&] { return at() == TPoint{200, 160}; })) << "at " << at().X << ", " << at().Y;
  ASSERT_EQ(Xdotool({"mousemove", "260", "175", "mouseup", "1"}), 0);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(*form, WM_EXITSIZEMOVE) == 1; }));
  EXPECT_EQ(at(), (TPoint{210, 165}));

  // Pressed, dragged and let go before the program hears of the press at all.
  ASSERT_EQ(Xdotool({"mousemove", "220", "170", "mousedown", "1", "mousemove", "240", "200", "mouseup", "1"}), 0);
  Desktop->Sync();
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(*form, WM_EXITSIZEMOVE) == 2; }));
  EXPECT_EQ(at(), (TPoint{230, 195}));
  EXPECT_FALSE(Desktop->MoveSizeActive());
  Settle();
  std::string out;
  ASSERT_EQ(Xdotool({"getwindowgeometry", std::to_string(Desktop->NativeWindow(*form))}, &out), 0);
  EXPECT_NE(out.find("Position: 230,195"), std::string::npos) << out;
}

TEST_P(X11Desktop, EdgeDragResizesWithinTheLimits) {
  TTestWindow& form = Make(nullptr, Bounds(100, 100, 200, 120), kFormColor);
  form.OnMessage = [](TMessage& M) {
    if (M.Msg == WM_NCHITTEST) {
      M.Result = HTBOTTOMRIGHT;
      return true;
    }
    if (M.Msg == WM_GETMINMAXINFO) {
      reinterpret_cast<MINMAXINFO*>(M.LParam)->ptMaxTrackSize = {260, 400};
      return true;
    }
    return false;
  };
  Settle();
  ASSERT_EQ(Xdotool({"mousemove", "290", "210", "mousedown", "1"}), 0);
  ASSERT_TRUE(PumpUntil([&] { return Desktop->MoveSizeActive(); }));
  ASSERT_EQ(Xdotool({"mousemove", "400", "250", "mouseup", "1"}), 0);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(*form, WM_EXITSIZEMOVE) == 1; }));
  TRect r;
  GetWindowRect(*form, &r);
  EXPECT_EQ(r, Rect(100, 100, 360, 260));
  Settle();
  EXPECT_EQ(ScreenPixel(355, 255), kFormPixel) << "the grown part is painted";
}

TEST_P(X11Desktop, UnicodeTitleRoundTrips) {
  const std::string title = "\xE8\xBC\x9D\xE5\xBA\xA6 Brightness \xE2\x9C\x93";
  TTestWindow& form = Make(nullptr, Bounds(10, 10, 50, 50), kFormColor);
  SetWindowText(*form, title);
  Settle();
  std::string out;
  ASSERT_EQ(RunProcess({"xprop", "-id", std::to_string(Desktop->NativeWindow(*form)), "-notype", "_NET_WM_NAME"},
                       &out, {"DISPLAY=" + FServer->Display(), "LC_ALL=C.UTF-8"}),
            0);
  EXPECT_EQ(out, "_NET_WM_NAME = \"" + title + "\"\n");
  out.clear();
  ASSERT_EQ(Xdotool({"getwindowname", std::to_string(Desktop->NativeWindow(*form))}, &out), 0);
  EXPECT_EQ(out, title + "\n");
}

TEST_P(X11Desktop, TheMenuFontIsTheDesktopsDefaultSansFontAtNinetySixDotsPerInch) {
  std::string out;
  ASSERT_EQ(RunProcess({"fc-match", "-f", "%{family[0]}\n%{size}\n", "sans-serif"}, &out), 0);
  const auto newline = out.find('\n');
  ASSERT_NE(newline, std::string::npos);
  const std::string family = out.substr(0, newline);
  const double points = std::stod(out.substr(newline + 1));
  NONCLIENTMETRICS metrics;
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0));
  EXPECT_EQ(metrics.lfMenuFont.lfFaceName, family);
  EXPECT_EQ(metrics.lfMenuFont.lfHeight, -std::lround(points * 96 / 72));
  EXPECT_EQ(metrics.lfMenuFont.lfWeight, 400);
}

TEST_P(X11Desktop, AWindowsIconIsShownWithItsSixteenThirtyTwoAndFortyEightPixelImages) {
  TTestWindow& form = Make(nullptr, Bounds(10, 10, 50, 50), kFormColor);
  const HICON icon = static_cast<HICON>(LoadImage(HInstance, "MAINICON", IMAGE_ICON, 16, 16, 0));
  ASSERT_NE(icon, nullptr);
  SendMessage(*form, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  DestroyIcon(icon); // the window keeps what it shows
  Desktop->Sync();
  auto read = [&] {
    std::string out;
    EXPECT_EQ(RunProcess({"xprop", "-id", std::to_string(Desktop->NativeWindow(*form)), "-notype", "-f",
                          "_NET_WM_ICON", "32c", " = $0+\n", "_NET_WM_ICON"},
                         &out, {"DISPLAY=" + FServer->Display()}),
              0);
    return out;
  };
  // What the server holds: width, height and the pixels of each image, in turn.
  std::vector<unsigned long> expected;
  for (const TDecodedImage& image : DecodeIco(FindResource("MAINICON", TResourceType::Icon))) {
    expected.push_back(static_cast<unsigned long>(image.Pixels.Width()));
    expected.push_back(static_cast<unsigned long>(image.Pixels.Height()));
    for (TPixel p : image.Pixels.Pixels())
      expected.push_back(p);
  }
  std::string text = read();
  const std::string prefix = "_NET_WM_ICON = ";
  ASSERT_EQ(text.rfind(prefix, 0), 0u) << text;
  std::vector<unsigned long> values;
  for (std::size_t at = prefix.size(); at < text.size() && text[at] != '\n';) {
    std::size_t used = 0;
    values.push_back(std::stoul(text.substr(at), &used));
    at += used;
    while (at < text.size() && (text[at] == ',' || text[at] == ' '))
      ++at;
  }
  ASSERT_GE(values.size(), 2u);
  EXPECT_EQ(values[0], 16u);
  EXPECT_EQ(values, expected) << "the icon resource holds the 16, 32 and 48 pixel images in that order";

  SendMessage(*form, WM_SETICON, ICON_BIG, 0);
  Desktop->Sync();
  EXPECT_EQ(read().find(prefix), std::string::npos) << "no icon any more";
}

TEST_P(X11Desktop, TypedKeysArriveAsKeysAndCharacters) {
  TTestWindow& form = Make(nullptr, Bounds(100, 100, 100, 100), kFormColor);
  Settle();
  ASSERT_EQ(GetFocus(), *form);
  EXPECT_FALSE(Desktop->InputMethodOpen()) << "nothing was typed yet";
  // A key of its own for the accented letter, as a keyboard that has one; xdotool would otherwise
  // map a spare key for a moment, gone again before we read the event.
  // The broken bar sits on the third level of the standard keyboard's extra key: a character beyond
  // ASCII that a real key types.
  ASSERT_EQ(Xdotool({"type", "aZ"}), 0);
  ASSERT_EQ(Xdotool({"key", "brokenbar"}), 0);
  ASSERT_EQ(Xdotool({"key", "Return", "Escape", "Tab", "Left", "alt+f"}), 0);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(*form, WM_SYSCHAR) == 1 && Log.Count(*form, WM_KEYUP) >= 3; }));
  std::u32string chars;
  std::vector<WPARAM> keys;
  for (const TLogged& e : Log.Entries()) {
    if (e.Msg == WM_CHAR)
      chars.push_back(static_cast<char32_t>(e.WParam));
    if (e.Msg == WM_KEYDOWN)
      keys.push_back(e.WParam);
  }
  EXPECT_TRUE(Desktop->InputMethodOpen()) << "the first key opened it";
  EXPECT_EQ(chars, U"aZ\u00A6\r\x1B\t") << "the key that opened the input method is typed too";
  for (WPARAM k : {WPARAM('A'), WPARAM(VK_RETURN), WPARAM(VK_ESCAPE), WPARAM(VK_TAB), WPARAM(VK_LEFT)})
    EXPECT_NE(std::find(keys.begin(), keys.end(), k), keys.end()) << k;
  const TLogged* sys = Log.Last(WM_SYSCHAR);
  EXPECT_EQ(sys->WParam, WPARAM('f'));
  EXPECT_NE(Log.Count(*form, WM_SYSKEYDOWN), 0) << "Alt+F is a system key";
  EXPECT_EQ(GetKeyState(VK_MENU), 0) << "Alt is up again";
}

TEST_P(X11Desktop, WheelGoesToTheFocusedWindow) {
  const auto [form, panel] = MakeForm(Bounds(100, 100, 200, 150));
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == form; }));
  SetFocus(panel);
  ASSERT_EQ(Xdotool({"mousemove", "200", "200", "click", "4", "click", "5"}), 0);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_MOUSEWHEEL) == 2; }));
  std::vector<short> deltas;
  for (const TLogged& e : Log.Entries())
    if (e.Msg == WM_MOUSEWHEEL) {
      deltas.push_back(static_cast<short>(HIWORD(e.WParam)));
      EXPECT_EQ(GET_X_LPARAM(e.LParam), 200);
    }
  EXPECT_EQ(deltas, (std::vector<short>{120, -120}));
}

TEST_P(X11Desktop, TimersFireFromTheSameWait) {
  TTestWindow& form = Make(nullptr, Bounds(10, 10, 20, 20), kFormColor, 0);
  SetTimer(*form, 7, 20);
  MSG m;
  int ticks = 0;
  while (ticks < 3 && GetMessage(&m, nullptr, 0, 0)) {
    if (m.message == WM_TIMER && m.hwnd == *form && m.wParam == 7)
      ++ticks;
    DispatchMessage(&m);
  }
  EXPECT_EQ(ticks, 3);
}

TEST_P(X11Desktop, MinimiseAndRestoreWithoutAWindowManager) {
  const auto [form, panel] = MakeForm(Bounds(100, 100, 200, 150));
  Settle();
  ShowWindow(form, SW_MINIMIZE);
  Settle();
  EXPECT_NE(ScreenPixel(105, 105), kFormPixel);
  ShowWindow(form, SW_RESTORE);
  ASSERT_TRUE(PumpUntil([&] { return ScreenPixel(105, 105) == kFormPixel; }));
  ShowWindow(form, SW_MAXIMIZE);
  Settle();
  EXPECT_EQ(ScreenPixel(1, 1), kFormPixel);
  EXPECT_EQ(ScreenPixel(1020, 760), kFormPixel);
}

TEST_P(X11Desktop, WorkAreaFollowsTheRootHint) {
  const std::vector<std::string> env = {"DISPLAY=" + FServer->Display()};
  std::vector<TMonitor> m = Desktop->Monitors();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].Screen, Rect(0, 0, 1024, 768));
  EXPECT_EQ(m[0].WorkArea, Rect(0, 0, 1024, 768));
  ASSERT_EQ(RunProcess({"xprop", "-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA", "0,24,1024,704"},
                       nullptr, env),
            0);
  Desktop->Sync();
  ASSERT_TRUE(PumpUntil([&] { return Desktop->Monitors()[0].WorkArea == Rect(0, 24, 1024, 728); }));
  TRect work;
  EXPECT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work, Rect(0, 24, 1024, 728));
  ASSERT_EQ(RunProcess({"xprop", "-root", "-remove", "_NET_WORKAREA"}, nullptr, env), 0);
  ASSERT_TRUE(PumpUntil([&] { return Desktop->Monitors()[0].WorkArea == Rect(0, 0, 1024, 768); }));
}

TEST_P(X11Desktop, CursorFollowsTheLayer) {
  TTestWindow& form = Make(nullptr, Bounds(100, 100, 100, 100), kFormColor);
  Settle();
  ASSERT_EQ(Xdotool({"mousemove", "150", "150"}), 0);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(*form, WM_MOUSEMOVE) > 0; }));
  TPoint p;
  ASSERT_TRUE(GetCursorPos(&p));
  EXPECT_EQ(p, (TPoint{150, 150}));
  SetCursor(LoadCursor(nullptr, IDC_HAND));
  Desktop->Sync(); // the server took the font cursor without complaint
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
}

TEST_P(X11Desktop, MessageBoxIsAModalWindowClosedByItsButton) {
  const auto [form, panel] = MakeForm(Bounds(200, 200, 400, 300));
  Settle();
  TX11MessageBox& boxes = Desktop->MessageBoxes();
  TPixelBuffer seen;
  TRect boxRect;
  bool ownerEnabled = true;
  // The user acts while the box's own loop runs: a timer of the form presses OK for real.
  TTestWindow& helper = Make(nullptr, Rect(0, 0, 1, 1), kFormColor, 0);
  helper.OnMessage = [&](TMessage& M) {
    if (M.Msg != WM_TIMER || !boxes.Box() || !IsWindowVisible(boxes.Box()))
      return false;
    KillTimer(*helper, 1);
    ProcessPendingMessages();
    Desktop->Sync();
    GetWindowRect(boxes.Box(), &boxRect);
    seen = Desktop->Screenshot();
    ownerEnabled = IsWindowEnabled(form);
    const TRect b = boxes.ButtonRect();
    Click(boxRect.Left + b.Left + b.Width() / 2, boxRect.Top + b.Top + b.Height() / 2);
    return true;
  };
  SetTimer(*helper, 1, 30);
  EXPECT_EQ(MessageBox(form, "Something to say", "Notice", MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(boxes.Box(), nullptr);
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(form));
  ASSERT_FALSE(seen.Empty());
  // Centred on the owner, with dark text on the light face.
  EXPECT_NEAR(boxRect.Left + boxRect.Width() / 2, 400, 1);
  int dark = 0;
  for (int y = boxRect.Top; y < boxRect.Bottom; ++y)
    for (int x = boxRect.Left; x < boxRect.Right; ++x)
      dark += (seen.At(x, y) & 0xFF) < 0x40 ? 1 : 0;
  EXPECT_GT(dark, 20);
  EXPECT_EQ(seen.At(boxRect.Left + 3, boxRect.Top + 3), 0xF0F0F0u);
}

INSTANTIATE_TEST_SUITE_P(Presentation, X11Desktop, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& I) { return I.param ? "Shm" : "PlainImages"; });

TEST(X11DesktopOpen, AnUnknownDisplayIsRefusedWithAReason) {
  std::string why;
  EXPECT_EQ(TX11Desktop::Open(":987", why), nullptr);
  EXPECT_NE(why.find(":987"), std::string::npos) << why;
}

TEST(X11DesktopLost, ServerGoingAwayEndsTheLoopWithAMessage) {
  auto server = std::make_unique<TXvfb>();
  ASSERT_TRUE(server->Running()) << server->Error();
  std::string why;
  auto desktop = TX11Desktop::Open(server->Display().c_str(), why);
  ASSERT_TRUE(desktop) << why;
  TMessageLog log;
  auto form = std::make_unique<TTestWindow>(log, nullptr, Bounds(10, 10, 50, 50), kFormColor);
  ProcessPendingMessages();
  desktop->Sync();
  const std::string display = server->Display();
  server.reset();
  testing::internal::CaptureStderr();
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0))
    DispatchMessage(&m);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(desktop->ConnectionLost());
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(m.wParam, 1u) << "the program's status says it did not end as asked";
  EXPECT_EQ(said, "brivo: the connection to the X server " + display + " was lost; ending\n");
  // The program can still tidy up: windows go, the desktop closes.
  const HWND handle = **form;
  form.reset();
  EXPECT_FALSE(IsWindow(handle));
  desktop.reset();
}

// Another client (xdotool windowclose) destroys a window of ours: the program cannot go on.
TEST_P(X11Desktop, AWindowDestroyedByAnotherClientEndsTheLoopWithOneLine) {
  auto [form, panel] = MakeForm(Bounds(40, 40, 120, 90));
  Settle();
  const std::string xid = std::to_string(Desktop->NativeWindow(form));
  ASSERT_EQ(Xdotool({"windowclose", xid}), 0);
  testing::internal::CaptureStderr();
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0))
    DispatchMessage(&m);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(m.wParam, 1u);
  EXPECT_EQ(said, "brivo: another program destroyed the window on the X server " + FServer->Display() +
                      "; ending\n");
  EXPECT_FALSE(Desktop->ConnectionLost());
  Windows.clear(); // the layer's windows go without touching the X window that is gone
  Desktop->Sync();
}

// A change of the screen's mode through XRandR (another client's xrandr) reaches every window of
// the layer as WM_DISPLAYCHANGE, with the screen's new size.
TEST(X11DesktopDisplays, AModeChangeIsADisplayChange) {
  TXvfb server;
  ASSERT_TRUE(server.Running()) << server.Error();
  std::string why;
  auto desktop = TX11Desktop::Open(server.Display().c_str(), why);
  ASSERT_TRUE(desktop) << why;
  TMessageLog log;
  TTestWindow form(log, nullptr, Bounds(10, 10, 50, 50), kFormColor);
  ProcessPendingMessages();
  const std::vector<std::string> env{"DISPLAY=" + server.Display()};
  ASSERT_EQ(RunProcess({"xrandr", "--newmode", "m640", "25", "640", "656", "752", "800", "480", "490", "492", "525"},
                       nullptr, env),
            0);
  ASSERT_EQ(RunProcess({"xrandr", "--addmode", "screen", "m640"}, nullptr, env), 0);
  ASSERT_EQ(RunProcess({"xrandr", "--output", "screen", "--mode", "m640"}, nullptr, env), 0);
  const long long end = desktop->Now() + 5000;
  auto size = [&] {
    const TLogged* notice = log.Last(WM_DISPLAYCHANGE);
    return notice ? std::make_pair(LOWORD(static_cast<std::uintptr_t>(notice->LParam)),
                                   HIWORD(static_cast<std::uintptr_t>(notice->LParam)))
                  : std::make_pair(WORD{0}, WORD{0});
  };
  while (size() != std::make_pair(WORD{640}, WORD{480}) && desktop->Now() < end) {
    desktop->WaitForEvents(end);
    ProcessPendingMessages();
  }
  EXPECT_EQ(size(), std::make_pair(WORD{640}, WORD{480}));
}

TEST(AddressOpener, AFailingOpenerIsToldInOneLineAndItsOwnOutputGoesNowhere) {
  std::vector<std::string> lines;
  // ls names the missing file on its standard error and ends with status 2.
  TX11AddressOpener opener("ls", [&](const std::string& Line) { lines.push_back(Line); });
  std::string why;
  testing::internal::CaptureStderr();
  ASSERT_TRUE(opener.Open("/no/such/address", why)) << why;
  ASSERT_EQ(opener.WaitForChildren(5000), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(lines, std::vector<std::string>{"cannot open /no/such/address: ls failed (exit status 2)"});
}

TEST(AddressOpener, AnOpenerThatCannotBeStartedIsToldInOneLine) {
  std::vector<std::string> lines;
  TX11AddressOpener opener("no-such-opener-here", [&](const std::string& Line) { lines.push_back(Line); });
  std::string why;
  EXPECT_FALSE(opener.Open("https://example.org/", why));
  EXPECT_EQ(lines, std::vector<std::string>{"cannot open https://example.org/: cannot start no-such-opener-here: "
                                            "No such file or directory"});
}

TEST(AddressOpener, StartsTheOpenerWithTheAddressAndReapsIt) {
  const std::string marker = testing::TempDir() + "opened-address";
  std::remove(marker.c_str());
  TX11AddressOpener opener("touch");
  std::string why;
  ASSERT_TRUE(opener.Open(marker, why)) << why;
  ASSERT_EQ(opener.WaitForChildren(5000), 0);
  EXPECT_TRUE(std::ifstream(marker).good()) << "the opener got the address as its argument";
  std::remove(marker.c_str());
}

TEST(AddressOpener, AMissingOpenerOrAnOptionLikeAddressIsRefused) {
  TX11AddressOpener missing("no-such-opener-here");
  std::string why;
  EXPECT_FALSE(missing.Open("https://example.org/", why));
  EXPECT_NE(why.find("no-such-opener-here"), std::string::npos) << why;
  TX11AddressOpener opener("true");
  EXPECT_FALSE(opener.Open("--help", why));
  EXPECT_NE(why.find("--help"), std::string::npos) << why;
  EXPECT_FALSE(opener.Open("", why));
}

} // namespace
