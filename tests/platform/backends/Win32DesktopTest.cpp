// The Win32 desktop on the machine the tests run on (under wine: the null graphics driver, no
// display): real native windows, native messages posted to them, and what the system says about
// the windows read back with its own calls.

#include "platform/backends/win32/Win32Desktop.h"
#include "platform/backends/win32/Win32Native.h"
#include "platform/windows/Gdi.h"
#include "tests/platform/backends/Win32Probe.h"
#include "tests/platform/windows/TestWindow.h"

#include <gtest/gtest.h>

namespace {

constexpr TColor kFormColor = 0x00804020; // 0x00BBGGRR
constexpr TColor kPanelColor = 0x0020C040;
constexpr long kFormPixel = 0x204080;     // 0x00RRGGBB
constexpr long kPanelPixel = 0x40C020;

std::intptr_t Point(int X, int Y) { return static_cast<std::intptr_t>(MAKELPARAM(X, Y)); }

class Win32Desktop : public testing::Test {
protected:
  void SetUp() override {
    std::string why;
    Desktop = TWin32Desktop::Open(why);
    ASSERT_TRUE(Desktop) << why;
  }
  void TearDown() override {
    Windows.clear();
    Desktop.reset();
  }

  TTestWindow& Make(HWND Parent, TRect Bounds, TColor Color, DWORD Style = WS_VISIBLE, DWORD ExStyle = 0) {
    Windows.push_back(std::make_unique<TTestWindow>(Log, Parent, Bounds, Color, Style, ExStyle));
    return *Windows.back();
  }
  // A form at Bounds with a panel inset by 20 pixels from its left and top, 60 x 40.
  std::pair<HWND, HWND> MakeForm(TRect Bounds) {
    TTestWindow& form = Make(nullptr, Bounds, kFormColor);
    TTestWindow& panel = Make(*form, Rect(20, 20, 80, 60), kPanelColor);
    return {*form, *panel};
  }
  void* Native(HWND W) const { return Desktop->NativeWindow(W); }

  // Hands the layer what the native windows said, and lets it paint.
  void Settle() {
    ProcessPendingMessages();
    Desktop->WaitForEvents(Desktop->Now());
    ProcessPendingMessages();
  }
  // Waits for native news (at most 5 s) and has the layer take it.
  bool PumpUntil(const std::function<bool()>& Done) {
    const long long end = Desktop->Now() + 5000;
    for (;;) {
      ProcessPendingMessages();
      if (Done())
        return true;
      if (Desktop->Now() >= end)
        return false;
      Desktop->WaitForEvents(end);
    }
  }

  std::unique_ptr<TWin32Desktop> Desktop;
  TMessageLog Log;
  std::vector<std::unique_ptr<TTestWindow>> Windows;
};

// A desktop of a second start of the program, made in this process: what it hears is not asked.
class TUnheardSink : public TNativeSink {
public:
  void Mouse(std::uintptr_t, TNativeMouse, int, int, int) override {}
  void Wheel(std::uintptr_t, int, unsigned, int, int) override {}
  void Key(bool, unsigned) override {}
  void Char(char32_t) override {}
  void BoundsChanged(std::uintptr_t, const TNativeRect&) override {}
  void Minimized(std::uintptr_t, bool) override {}
  void MoveSizeEnded(std::uintptr_t) override {}
  void CloseRequested(std::uintptr_t) override {}
  void Activated(std::uintptr_t) override {}
  void AppDeactivated() override {}
  void DisplayChanged() override {}
  void FrontRequested() override {}
  TNativeMinMax MinMax(std::uintptr_t) override { return {}; }
  void DpiChanged(std::uintptr_t, int, const TNativeRect*) override {}
  bool SizeAtDpi(std::uintptr_t, int, int&, int&) override { return false; }
};

// What the native windows tell of their density.
class TDpiSink final : public TUnheardSink {
public:
  void DpiChanged(std::uintptr_t Tag, int Dpi, const TNativeRect* Suggested) override {
    Reports.push_back({Tag, Dpi, Suggested != nullptr});
  }
  struct TReport {
    std::uintptr_t Tag;
    int Dpi;
    bool Suggested;
    bool operator==(const TReport&) const = default;
  };
  std::vector<TReport> Reports;
};

TEST_F(Win32Desktop, ASecondStartBringsTheFormBackFromAnIconIntoTheForeground) {
  const std::string program = "brivo-front-test";
  ASSERT_EQ(Desktop->ClaimInstance(program), TInstanceClaim::Claimed);
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  ShowWindow(form, SW_MINIMIZE);
  Settle();
  ASSERT_TRUE(ProbeIconic(Native(form)));

  TUnheardSink sink;
  std::string why;
  const std::unique_ptr<TNativeDesktop> second = TNativeDesktop::Open(sink, why);
  ASSERT_TRUE(second) << why;
  EXPECT_FALSE(second->ClaimInstance(program));
  EXPECT_TRUE(PumpUntil([&] { return !IsIconic(form) && GetActiveWindow() == form; }));
  EXPECT_FALSE(ProbeIconic(Native(form)));
  EXPECT_EQ(ProbeForegroundWindow(), Native(form));
}

TEST_F(Win32Desktop, TheClaimEndsWithTheDesktopThatHeldIt) {
  const std::string program = "brivo-claim-test";
  ASSERT_EQ(Desktop->ClaimInstance(program), TInstanceClaim::Claimed);
  Desktop.reset();
  TUnheardSink sink;
  std::string why;
  const std::unique_ptr<TNativeDesktop> next = TNativeDesktop::Open(sink, why);
  ASSERT_TRUE(next) << why;
  EXPECT_TRUE(next->ClaimInstance(program));
  const std::unique_ptr<TNativeDesktop> after = TNativeDesktop::Open(sink, why);
  ASSERT_TRUE(after) << why;
  EXPECT_FALSE(after->ClaimInstance(program));
}

TEST_F(Win32Desktop, AFormIsAPopupWithATaskBarEntryWhereTheLayerPutIt) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  ASSERT_NE(Native(form), nullptr);
  EXPECT_EQ(Native(panel), nullptr); // children are drawn into their form's frame
  const TProbedStyle s = ProbeStyle(Native(form));
  EXPECT_TRUE(s.Popup);
  EXPECT_FALSE(s.Caption);    // the layer draws the caption itself
  EXPECT_FALSE(s.ThickFrame); // client = window
  EXPECT_TRUE(s.AppWindow);
  EXPECT_FALSE(s.NoActivate);
  EXPECT_FALSE(s.ToolWindow);
  EXPECT_TRUE(ProbeVisible(Native(form)));
  const TProbedRect r = ProbeWindowRect(Native(form));
  EXPECT_EQ(r.Left, 100);
  EXPECT_EQ(r.Top, 80);
  EXPECT_EQ(r.Right, 300);
  EXPECT_EQ(r.Bottom, 230);
}

TEST_F(Win32Desktop, AMenuWindowIsTopmostNeverActivatedAndOffTheTaskBar) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  TTestWindow& menu = Make(nullptr, Bounds(150, 120, 80, 60), kPanelColor, WS_POPUP, WS_EX_NOACTIVATE);
  ShowWindow(*menu, SW_SHOWNOACTIVATE);
  Settle();
  void* native = Native(*menu);
  ASSERT_NE(native, nullptr);
  const TProbedStyle s = ProbeStyle(native);
  EXPECT_TRUE(s.Popup);
  EXPECT_TRUE(s.NoActivate);
  EXPECT_TRUE(s.Topmost);
  EXPECT_TRUE(s.ToolWindow);
  EXPECT_FALSE(s.AppWindow);
  EXPECT_TRUE(ProbeVisible(native));
  EXPECT_NE(ProbeActiveWindow(), native);
  // A press on it does not activate it either.
  EXPECT_EQ(ProbeSend(native, kProbeMouseActivate, reinterpret_cast<std::uintptr_t>(native), 0), kProbeNoActivate);
  EXPECT_EQ(GetActiveWindow(), form);
}

TEST_F(Win32Desktop, ADialogBelongsToTheActiveWindow) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  ASSERT_EQ(GetActiveWindow(), form);
  const HWND tag = reinterpret_cast<HWND>(std::uintptr_t{0x7001});
  const std::unique_ptr<TWindowHost> box = Desktop->CreateHost(tag, TWindowKind::Dialog, Bounds(120, 100, 100, 60));
  void* native = Native(tag);
  ASSERT_NE(native, nullptr);
  const TProbedStyle s = ProbeStyle(native);
  EXPECT_TRUE(s.Popup);
  EXPECT_EQ(s.Owner, Native(form));
  EXPECT_FALSE(s.AppWindow);
}

TEST_F(Win32Desktop, TheIconsAreTheImagesAndNoImagesTakeThemAway) {
  const HWND tag = reinterpret_cast<HWND>(std::uintptr_t{0x7002});
  const std::unique_ptr<TWindowHost> host = Desktop->CreateHost(tag, TWindowKind::Normal, Bounds(10, 10, 60, 60));
  void* native = Native(tag);
  ASSERT_NE(native, nullptr);
  EXPECT_FALSE(ProbeHasIcon(native, true));
  host->SetIcon({TPixelBuffer(16, 16, 0xFF2040C0u), TPixelBuffer(32, 32, 0xFFC04020u)});
  EXPECT_TRUE(ProbeHasIcon(native, true));
  EXPECT_TRUE(ProbeHasIcon(native, false));
  host->SetIcon({});
  EXPECT_FALSE(ProbeHasIcon(native, true));
  EXPECT_FALSE(ProbeHasIcon(native, false));
}

TEST_F(Win32Desktop, TheFramesPixelsAreOnTheWindowAndComeBackFromTheKeptFrame) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  void* native = Native(form);
  EXPECT_EQ(ProbePixel(native, 5, 5), kFormPixel);
  EXPECT_EQ(ProbePixel(native, 199, 149), kFormPixel);
  EXPECT_EQ(ProbePixel(native, 20, 20), kPanelPixel);
  EXPECT_EQ(ProbePixel(native, 79, 59), kPanelPixel);
  EXPECT_EQ(ProbePixel(native, 80, 60), kFormPixel);

  // Spoilt and repainted by the system, the window shows its frame again without the layer
  // painting anything.
  Log.Clear();
  ProbeSpoilAndRepaint(native, 0, 0, 100, 100);
  ProcessPendingMessages();
  EXPECT_EQ(ProbePixel(native, 5, 5), kFormPixel);
  EXPECT_EQ(ProbePixel(native, 30, 30), kPanelPixel);
  EXPECT_EQ(Log.Count(form, WM_PAINT) + Log.Count(panel, WM_PAINT), 0);
}

TEST_F(Win32Desktop, OnlyTheDamageIsShown) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  void* native = Native(form);
  ProbeSpoil(native, 0, 0, 200, 150);
  ASSERT_EQ(ProbePixel(native, 30, 30), 0);
  InvalidateRect(panel, nullptr, 0);
  ProcessPendingMessages();
  EXPECT_EQ(ProbePixel(native, 30, 30), kPanelPixel);
  EXPECT_EQ(ProbePixel(native, 5, 5), 0);
}

TEST_F(Win32Desktop, TheShapeBecomesTheWindowRegionAndGoesAgain) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  void* native = Native(form);
  EXPECT_EQ(ProbeRegionKind(native), 0);
  SetWindowRgn(form, CreateRoundRectRgn(0, 0, 201, 151, 40, 40), 1);
  Settle();
  EXPECT_EQ(ProbeRegionKind(native), 3);
  EXPECT_TRUE(ProbeRegionContains(native, 100, 75));
  EXPECT_TRUE(ProbeRegionContains(native, 20, 0));
  EXPECT_FALSE(ProbeRegionContains(native, 0, 0));
  EXPECT_FALSE(ProbeRegionContains(native, 199, 149));
  EXPECT_TRUE(ProbeRegionContains(native, 190, 75));
  SetWindowRgn(form, nullptr, 1);
  Settle();
  EXPECT_EQ(ProbeRegionKind(native), 0);
}

TEST_F(Win32Desktop, AnEmptyShapeHidesEveryPixelInsteadOfNone) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  SetWindowRgn(form, CreateRectRgn(0, 0, 0, 0), 1);
  Settle();
  EXPECT_EQ(ProbeRegionKind(Native(form)), 1);
  EXPECT_FALSE(ProbeRegionContains(Native(form), 100, 75));
}

TEST_F(Win32Desktop, TheTitleIsTheLayersTextInUtf16) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  SetWindowText(form, "Tavolu\xE8\x9E\xA2\xE5\xB9\x95 \xF0\x9F\x98\x80");
  Settle();
  EXPECT_EQ(ProbeTitle(Native(form)), "Tavolu\xE8\x9E\xA2\xE5\xB9\x95 \xF0\x9F\x98\x80");
}

TEST_F(Win32Desktop, APressAndReleaseReachThePanelInItsCoordinatesWithTheCaptureBetween) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  void* native = Native(form);
  ProbePost(native, WM_LBUTTONDOWN, 0x0001, Point(30, 25));
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_LBUTTONDOWN) == 1; }));
  EXPECT_EQ(ProbeCapture(), native);
  const TLogged* down = Log.Last(WM_LBUTTONDOWN);
  EXPECT_EQ(GET_X_LPARAM(down->LParam), 10);
  EXPECT_EQ(GET_Y_LPARAM(down->LParam), 5);
  EXPECT_EQ(Log.Count(form, WM_LBUTTONDOWN), 0);
  ProbePost(native, WM_LBUTTONUP, 0, Point(30, 25));
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_LBUTTONUP) == 1; }));
  EXPECT_EQ(ProbeCapture(), nullptr);
}

TEST_F(Win32Desktop, ThePointerGoesToTheWindowUnderItNotTheOneTheSystemSentItTo) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  TTestWindow& other = Make(nullptr, Bounds(400, 80, 100, 100), kPanelColor);
  Settle();
  // A move reported to the form (as to the window holding the capture) at a point over the other
  // form: the layer hears of it over the other form, in its coordinates.
  ProbePost(Native(form), WM_MOUSEMOVE, 0, Point(330, 40));
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(*other, WM_MOUSEMOVE) == 1; }));
  const TLogged* move = Log.Last(WM_MOUSEMOVE);
  EXPECT_EQ(move->Wnd, *other);
  EXPECT_EQ(GET_X_LPARAM(move->LParam), 30);
  EXPECT_EQ(GET_Y_LPARAM(move->LParam), 40);
  EXPECT_EQ(Log.Count(form, WM_MOUSEMOVE), 0);
}

TEST_F(Win32Desktop, KeysAreVirtualKeysAndASurrogatePairIsOneCharacter) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  SetFocus(panel);
  void* native = Native(form);
  // The system makes the key's character itself.
  ProbePost(native, WM_KEYDOWN, 'A', 0x001E0001);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_CHAR) == 1; }));
  ProbePost(native, WM_CHAR, 0xD83D, 1);
  ProbePost(native, WM_CHAR, 0xDE00, 1);
  ProbePost(native, WM_KEYUP, 'A', static_cast<std::intptr_t>(0xC01E0001u));
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_KEYUP) == 1; }));
  EXPECT_EQ(Log.Count(panel, WM_KEYDOWN), 1);
  EXPECT_EQ(Log.Last(WM_KEYDOWN)->WParam, WPARAM('A'));
  std::vector<WPARAM> chars;
  for (const TLogged& e : Log.Entries())
    if (e.Msg == WM_CHAR && e.Wnd == panel)
      chars.push_back(e.WParam);
  EXPECT_EQ(chars, (std::vector<WPARAM>{'a', 0x1F600}));
}

TEST_F(Win32Desktop, AnAltKeyIsTheLayersAndOpensNoSystemMenu) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  SetFocus(panel);
  void* native = Native(form);
  ProbePost(native, WM_SYSKEYDOWN, VK_MENU, 0x20380001);
  ProbePost(native, WM_SYSKEYUP, VK_MENU, static_cast<std::intptr_t>(0xC0380001u));
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_SYSKEYUP) == 1; }));
  EXPECT_EQ(Log.Count(panel, WM_SYSKEYDOWN), 1);
  EXPECT_EQ(Log.Last(WM_SYSKEYUP)->WParam, WPARAM(VK_MENU));
  EXPECT_EQ(ProbeCapture(), nullptr); // no native menu loop took the pointer
}

TEST_F(Win32Desktop, TheWaitEndsAtTheDeadlineWithoutInputAndAtOnceWithIt) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  // A message that tells the layer nothing does not end the wait.
  ProbePost(Native(form), 0 /* WM_NULL */, 0, 0);
  long long deadline = Desktop->Now() + 60;
  Desktop->WaitForEvents(deadline);
  EXPECT_GE(Desktop->Now(), deadline);

  SetFocus(panel);
  ProbePost(Native(form), WM_CHAR, 'x', 1);
  deadline = Desktop->Now() + 20000;
  Desktop->WaitForEvents(deadline);
  EXPECT_LT(Desktop->Now(), deadline);
  ProcessPendingMessages();
  EXPECT_EQ(Log.Count(panel, WM_CHAR), 1);
}

TEST_F(Win32Desktop, BoundsTheSystemGivesAreReportedAndOurOwnAreNot) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  void* native = Native(form);
  SetWindowPos(form, nullptr, 150, 90, 220, 160, SWP_NOZORDER | SWP_NOACTIVATE);
  Settle();
  TProbedRect r = ProbeWindowRect(native);
  EXPECT_EQ(r.Left, 150);
  EXPECT_EQ(r.Bottom, 250);
  Log.Clear();
  Settle();
  EXPECT_EQ(Log.Count(form, WM_MOVE), 0); // our own move is no news

  ProbeMove(native, 40, 30, 250, 170);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(form, WM_SIZE) == 1; }));
  TRect layer;
  GetWindowRect(form, &layer);
  EXPECT_EQ(layer, Bounds(40, 30, 250, 170));
  r = ProbeWindowRect(native);
  EXPECT_EQ(r.Right, 290);
}

TEST_F(Win32Desktop, TheEndOfTheSystemsMoveLoopAndACloseRequestReachTheLayer) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  void* native = Native(form);
  ProbeSend(native, WM_EXITSIZEMOVE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(form, WM_EXITSIZEMOVE) == 1; }));
  ProbePost(native, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] {
    const TLogged* c = Log.Last(WM_SYSCOMMAND);
    return c && c->Wnd == form && (c->WParam & 0xFFF0) == SC_CLOSE;
  }));
  // The layer decides what a close request does: by default the window goes, the native one too.
  EXPECT_FALSE(IsWindow(form));
  EXPECT_FALSE(ProbeExists(native));
}

TEST_F(Win32Desktop, AMoveWithTheButtonAlreadyUpEndsAtOnce) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  SendMessage(form, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(110, 90));
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(form, WM_EXITSIZEMOVE) == 1; }));
  EXPECT_EQ(Log.Count(form, WM_ENTERSIZEMOVE), 1);
  const TProbedRect r = ProbeWindowRect(Native(form));
  EXPECT_EQ(r.Left, 100);
  EXPECT_EQ(r.Top, 80);
}

TEST_F(Win32Desktop, ABurstOfDisplayNoticesIsOneDisplayChange) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  void* hidden = Desktop->HiddenWindow();
  ProbePost(hidden, WM_DISPLAYCHANGE, 32, Point(1024, 768));
  ProbePost(hidden, kProbePowerBroadcast, kProbeResumeAutomatic, 0);
  ProbePost(hidden, kProbeSessionChange, kProbeSessionUnlock, 0);
  ProbePost(Native(form), WM_DISPLAYCHANGE, 32, Point(1024, 768));
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(form, WM_DISPLAYCHANGE) >= 1; }));
  Settle();
  EXPECT_EQ(Log.Count(form, WM_DISPLAYCHANGE), 1);
  // A notice of going to sleep is none.
  Log.Clear();
  ProbePost(hidden, kProbePowerBroadcast, kProbeSuspend, 0);
  const long long deadline = Desktop->Now() + 50;
  Desktop->WaitForEvents(deadline);
  ProcessPendingMessages();
  EXPECT_EQ(Log.Count(form, WM_DISPLAYCHANGE), 0);
}

TEST_F(Win32Desktop, TheMonitorsAreTheSystemsWithThePrimaryFirst) {
  const std::vector<TMonitor> monitors = Desktop->Monitors();
  ASSERT_FALSE(monitors.empty());
  EXPECT_EQ(monitors.front().Screen, Rect(0, 0, ProbeScreenWidth(), ProbeScreenHeight()));
  EXPECT_TRUE(IntersectRect(monitors.front().Screen, monitors.front().WorkArea) == monitors.front().WorkArea);
  EXPECT_EQ(monitors.front().Scale, ProbeSystemDpi() / 96.0);
  EXPECT_FALSE(Desktop->MenuFont().lfFaceName[0] == '\0');
}

// Moved onto a monitor of another density, the window takes the rectangle the system suggests and
// is drawn at that scale: its pixels, its region and the input on it all in the new density.
TEST_F(Win32Desktop, AWindowMovedToAMonitorOfAnotherDensityTakesTheSuggestedRectangleAndItsScale) {
  ASSERT_EQ(ProbeSystemDpi(), 96) << "the test starts at the plain density";
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  SetWindowRgn(form, CreateRoundRectRgn(0, 0, 201, 151, 40, 40), 1);
  Settle();
  void* native = Native(form);
  Log.Clear();

  ProbeDpiChanged(native, 192, {100, 80, 500, 380});
  TProbedRect r = ProbeWindowRect(native);
  EXPECT_EQ(r.Left, 100);
  EXPECT_EQ(r.Top, 80);
  EXPECT_EQ(r.Right, 500);
  EXPECT_EQ(r.Bottom, 380);
  // The layer keeps the window's size in units; its place is the suggested one, in units.
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(form, WM_MOVE) == 1; }));
  Settle();
  TRect units;
  GetWindowRect(form, &units);
  EXPECT_EQ(units, Bounds(50, 40, 200, 150));
  EXPECT_EQ(Log.Count(form, WM_SIZE), 0);
  r = ProbeWindowRect(native);
  EXPECT_EQ(r.Right, 500); // and the window stays where the system put it
  EXPECT_EQ(r.Bottom, 380);

  // Each unit is two pixels each way: the panel's edges double.
  EXPECT_EQ(ProbePixel(native, 39, 60), kFormPixel);
  EXPECT_EQ(ProbePixel(native, 40, 40), kPanelPixel);
  EXPECT_EQ(ProbePixel(native, 159, 119), kPanelPixel);
  EXPECT_EQ(ProbePixel(native, 160, 119), kFormPixel);
  EXPECT_EQ(ProbePixel(native, 159, 120), kFormPixel);
  EXPECT_EQ(ProbePixel(native, 200, 290), kFormPixel);
  // The rounded region too.
  EXPECT_TRUE(ProbeRegionContains(native, 200, 150));
  EXPECT_TRUE(ProbeRegionContains(native, 380, 150));
  EXPECT_TRUE(ProbeRegionContains(native, 40, 0));
  EXPECT_FALSE(ProbeRegionContains(native, 2, 2));
  EXPECT_FALSE(ProbeRegionContains(native, 396, 296));
  EXPECT_TRUE(ProbeRegionContains(native, 200, 301)); // the 151st unit row, doubled
  EXPECT_FALSE(ProbeRegionContains(native, 200, 302));

  // A press at the doubled point reaches the panel where a press at scale 1 would.
  ProbePost(native, WM_LBUTTONDOWN, 0x0001, Point(61, 51));
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_LBUTTONDOWN) == 1; }));
  const TLogged* down = Log.Last(WM_LBUTTONDOWN);
  EXPECT_EQ(GET_X_LPARAM(down->LParam), 10);
  EXPECT_EQ(GET_Y_LPARAM(down->LParam), 5);
  ProbePost(native, WM_LBUTTONUP, 0, Point(61, 51));
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_LBUTTONUP) == 1; }));
  // A wheel turn comes with a point of the screen: the layer's, in units.
  SetFocus(panel);
  ProbePost(native, WM_MOUSEWHEEL, static_cast<std::uintptr_t>(120) << 16, Point(160, 120));
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(panel, WM_MOUSEWHEEL) == 1; }));
  const TLogged* wheel = Log.Last(WM_MOUSEWHEEL);
  EXPECT_EQ(GET_X_LPARAM(wheel->LParam), 80);
  EXPECT_EQ(GET_Y_LPARAM(wheel->LParam), 60);

  // Back on a monitor of the plain density, everything is as before.
  ProbeDpiChanged(native, 96, {100, 80, 300, 230});
  ASSERT_TRUE(PumpUntil([&] { return Log.Count(form, WM_MOVE) == 2; }));
  Settle();
  GetWindowRect(form, &units);
  EXPECT_EQ(units, Bounds(100, 80, 200, 150));
  r = ProbeWindowRect(native);
  EXPECT_EQ(r.Right, 300);
  EXPECT_EQ(r.Bottom, 230);
  EXPECT_EQ(ProbePixel(native, 20, 20), kPanelPixel);
  EXPECT_EQ(ProbePixel(native, 80, 60), kFormPixel);
  EXPECT_TRUE(ProbeRegionContains(native, 190, 75));
  EXPECT_FALSE(ProbeRegionContains(native, 199, 149));
}

TEST_F(Win32Desktop, AWindowSaysTheSizeItWillHaveAtAnotherDensityInWholeUnits) {
  const auto [form, panel] = MakeForm(Bounds(100, 80, 200, 150));
  Settle();
  int width = 0, height = 0;
  ASSERT_TRUE(ProbeSizeAtDpi(Native(form), 144, width, height));
  EXPECT_EQ(width, 300);
  EXPECT_EQ(height, 225);
  ASSERT_TRUE(ProbeSizeAtDpi(Native(form), 192, width, height));
  EXPECT_EQ(width, 400);
  EXPECT_EQ(height, 300);
  // A host the layer has no window for leaves it to the system.
  const HWND tag = reinterpret_cast<HWND>(std::uintptr_t{0x7003});
  const std::unique_ptr<TWindowHost> host = Desktop->CreateHost(tag, TWindowKind::Normal, Bounds(10, 10, 60, 60));
  width = height = 1;
  EXPECT_FALSE(ProbeSizeAtDpi(Native(tag), 192, width, height));
  EXPECT_EQ(width, 1);
}

TEST(Win32NativeDesktop, AWindowTellsTheDensityItIsMadeAtAndAMoveToAnotherWithItsRectangle) {
  TDpiSink sink;
  std::string why;
  const std::unique_ptr<TNativeDesktop> desktop = TNativeDesktop::Open(sink, why);
  ASSERT_TRUE(desktop) << why;
  const std::unique_ptr<TNativeWindow> window = desktop->MakeWindow(TNativeKind::Normal, {10, 10, 70, 70}, 0x51, nullptr);
  ASSERT_TRUE(window);
  desktop->Wait(desktop->Now());
  using TReport = TDpiSink::TReport;
  EXPECT_EQ(sink.Reports, (std::vector<TReport>{{0x51, ProbeSystemDpi(), false}}));
  ProbeDpiChanged(window->Handle(), 144, {10, 10, 100, 100});
  desktop->Wait(desktop->Now());
  EXPECT_EQ(sink.Reports.back(), (TReport{0x51, 144, true}));
  EXPECT_EQ(window->Bounds(), (TNativeRect{10, 10, 100, 100}));
}

TEST_F(Win32Desktop, AnAddressThatLeadsNowhereIsRefusedWithTheReason) {
  std::string why;
  EXPECT_FALSE(Desktop->AddressOpener().Open("C:\\brivo-test\\no-such-folder\\nothing.brivo-none", why));
  EXPECT_NE(why.find("not found"), std::string::npos) << why;
  EXPECT_FALSE(Desktop->AddressOpener().Open("", why));
  EXPECT_EQ(why, "the address is empty");
}

TEST(Win32DesktopLife, ClosingTheDesktopDestroysItsWindowsAndUninstallsIt) {
  std::string why;
  auto desktop = TWin32Desktop::Open(why);
  ASSERT_TRUE(desktop) << why;
  EXPECT_TRUE(HasDesktopBackend());
  TMessageLog log;
  auto form = std::make_unique<TTestWindow>(log, nullptr, Bounds(10, 10, 50, 50), kFormColor);
  const HWND w = **form;
  void* native = desktop->NativeWindow(w);
  ASSERT_NE(native, nullptr);
  desktop.reset();
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(HasDesktopBackend());
  EXPECT_FALSE(ProbeExists(native));
}

} // namespace
