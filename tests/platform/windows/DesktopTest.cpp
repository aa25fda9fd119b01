#include "tests/platform/windows/TestWindow.h"

#include <cstring>

namespace {

using DesktopServices = HeadlessTest;

TEST_F(DesktopServices, WorkAreaAndMenuFontComeFromTheDesktop) {
  TRect work;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work, Rect(0, 0, 1024, 728));
  NONCLIENTMETRICS metrics;
  metrics.cbSize = 340;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0));
  EXPECT_EQ(metrics.cbSize, 340u);
  EXPECT_STREQ(metrics.lfMenuFont.lfFaceName, "\xE6\x96\xB0\xE7\xB4\xB0\xE6\x98\x8E\xE9\xAB\x94");
  EXPECT_EQ(metrics.lfMenuFont.lfHeight, -12);
  NONCLIENTMETRICS wrong;
  wrong.cbSize = 500;
  EXPECT_FALSE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &wrong, 0));
  EXPECT_FALSE(SystemParametersInfo(0x1234, 0, &work, 0));
}

TEST_F(DesktopServices, TheNearestMonitorGivesTheWorkAreaAndTheMaximisedSize) {
  Desktop.AddMonitor({Rect(1024, 0, 2304, 1024), Rect(1024, 30, 2304, 1024)});
  auto form = Make(nullptr, Bounds(1000, 100, 300, 200)); // mostly on the second monitor
  MONITORINFO info;
  ASSERT_TRUE(GetMonitorInfo(MonitorFromWindow(**form, MONITOR_DEFAULTTONEAREST), &info));
  EXPECT_EQ(info.rcWork, Rect(1024, 30, 2304, 1024));
  EXPECT_EQ(info.dwFlags, 0u);
  ShowWindow(**form, SW_MAXIMIZE);
  TRect r;
  GetWindowRect(**form, &r);
  EXPECT_EQ(r, Rect(1024, 30, 2304, 1024));
  ShowWindow(**form, SW_RESTORE);
  MoveWindow(**form, 5000, 5000, 10, 10, 1);
  EXPECT_EQ(MonitorFromWindow(**form, MONITOR_DEFAULTTONULL), nullptr);
  ASSERT_TRUE(GetMonitorInfo(MonitorFromWindow(**form, MONITOR_DEFAULTTONEAREST), &info));
  EXPECT_EQ(info.rcMonitor, Rect(1024, 0, 2304, 1024));
  ASSERT_TRUE(GetMonitorInfo(MonitorFromWindow(**form, MONITOR_DEFAULTTOPRIMARY), &info));
  EXPECT_EQ(info.dwFlags, static_cast<DWORD>(MONITORINFOF_PRIMARY));
}

TEST_F(DesktopServices, ADisplayChangeReachesEveryTopLevelWindowAndNoChild) {
  auto first = Make(nullptr, Bounds(0, 0, 100, 100));
  auto child = Make(**first, Bounds(5, 5, 20, 20));
  auto hidden = Make(nullptr, Bounds(200, 0, 100, 100), clWhite, 0);
  Desktop.ProcessMessages();
  Log.Clear();
  Desktop.DisplayChanged();
  EXPECT_EQ(Log.Count(**first, WM_DISPLAYCHANGE), 1);
  EXPECT_EQ(Log.Count(**hidden, WM_DISPLAYCHANGE), 1);
  EXPECT_EQ(Log.Count(**child, WM_DISPLAYCHANGE), 0);
  const TLogged* notice = Log.Last(WM_DISPLAYCHANGE);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->WParam, 32u);
  EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(notice->LParam)), 1024);
  EXPECT_EQ(HIWORD(static_cast<std::uintptr_t>(notice->LParam)), 768);
}

TEST_F(DesktopServices, AMessageBoxIsRecordedAndItsOwnerWaitsForIt) {
  auto form = Make(nullptr, Bounds(0, 0, 100, 100));
  EXPECT_EQ(MessageBox(**form, "Only one control box button", "Error", MB_OK | MB_ICONERROR), IDOK);
  ASSERT_EQ(Desktop.MessageBoxes().Boxes().size(), 1u);
  const TRecordedMessageBox& box = Desktop.MessageBoxes().Boxes()[0];
  EXPECT_EQ(box.Text, "Only one control box button");
  EXPECT_EQ(box.Caption, "Error");
  EXPECT_EQ(box.Type, static_cast<UINT>(MB_ICONERROR));
  EXPECT_TRUE(box.OwnerDisabled);
  EXPECT_TRUE(IsWindowEnabled(**form)) << "the owner takes input again afterwards";
}

TEST_F(DesktopServices, AddressesOpenOnlyWithTheOpenVerb) {
  auto result = [](HINSTANCE h) { return reinterpret_cast<std::intptr_t>(h); };
  EXPECT_GT(result(ShellExecute(nullptr, "open", "https://example.org/x", nullptr, nullptr, SW_SHOW)), 32);
  EXPECT_GT(result(ShellExecute(nullptr, nullptr, "mailto:a@b.c", nullptr, nullptr, SW_SHOW)), 32);
  EXPECT_EQ(result(ShellExecute(nullptr, "print", "https://example.org/y", nullptr, nullptr, SW_SHOW)),
            SE_ERR_NOASSOC);
  EXPECT_EQ(result(ShellExecute(nullptr, "open", "", nullptr, nullptr, SW_SHOW)), 2);
  Desktop.AddressOpener().RefuseWith("no browser");
  EXPECT_EQ(result(ShellExecute(nullptr, "open", "https://example.org/z", nullptr, nullptr, SW_SHOW)),
            SE_ERR_NOASSOC);
  EXPECT_EQ(Desktop.AddressOpener().Addresses(),
            (std::vector<std::string>{"https://example.org/x", "mailto:a@b.c"}));
}

TEST(NoDesktop, TopLevelWindowsNeedADesktopAndSaySo) {
  try {
    CreateWindowEx(0, "x", 0, 0, 0, 1, 1, nullptr, nullptr);
    FAIL() << "expected an error";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "no desktop backend is installed for top-level windows");
  }
  TRect r;
  EXPECT_FALSE(SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0));
}

} // namespace
