#include "platform/backends/x11/X11Translate.h"

#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <gtest/gtest.h>

namespace {

TEST(X11Keys, LettersAndDigitsMapToTheirUpperCaseKeys) {
  EXPECT_EQ(VirtualKeyOfKeysym(XK_a), 'A');
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Z), 'Z');
  EXPECT_EQ(VirtualKeyOfKeysym(XK_0), '0');
  EXPECT_EQ(VirtualKeyOfKeysym(XK_9), '9');
}

TEST(X11Keys, DialogAndNavigationKeysKeepTheirMeaning) {
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Return), VK_RETURN);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_KP_Enter), VK_RETURN);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Escape), VK_ESCAPE);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Tab), VK_TAB);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_ISO_Left_Tab), VK_TAB); // Shift+Tab
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Left), VK_LEFT);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_KP_Down), VK_DOWN);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Alt_L), VK_MENU);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_Alt_R), VK_MENU);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_F4), VK_F4);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_F10), VK_F10);
  EXPECT_EQ(VirtualKeyOfKeysym(XK_eacute), 0);
}

TEST(X11Keys, CharactersWithoutAnInputMethod) {
  EXPECT_EQ(CharOfKeysym(XK_a), U'a');
  EXPECT_EQ(CharOfKeysym(XK_eacute), U'\u00E9');
  EXPECT_EQ(CharOfKeysym(0x01004EAE), U'\u4EAE'); // a Unicode key symbol
  EXPECT_EQ(CharOfKeysym(XK_KP_7), U'7');
  EXPECT_EQ(CharOfKeysym(XK_Return), 0u);
  EXPECT_EQ(CharOfKeysym(XK_Left), 0u);
}

TEST(X11Keys, ControlCharactersOfDialogKeysAndCtrlLetters) {
  EXPECT_EQ(ControlCharOf(VK_RETURN, false), U'\r');
  EXPECT_EQ(ControlCharOf(VK_ESCAPE, false), 0x1Bu);
  EXPECT_EQ(ControlCharOf(VK_TAB, false), U'\t');
  EXPECT_EQ(ControlCharOf(VK_BACK, false), 0x08u);
  EXPECT_EQ(ControlCharOf('A', true), 0x01u);
  EXPECT_EQ(ControlCharOf('Z', true), 0x1Au);
  EXPECT_EQ(ControlCharOf('A', false), 0u);
  EXPECT_EQ(ControlCharOf(VK_LEFT, true), 0u);
}

TEST(X11Cursors, EachCursorHasItsOwnShape) {
  EXPECT_EQ(CursorFontShapeOf(IDC_ARROW), unsigned(XC_left_ptr));
  EXPECT_EQ(CursorFontShapeOf(IDC_HAND), unsigned(XC_hand2));
  EXPECT_EQ(CursorFontShapeOf(IDC_SIZEWE), unsigned(XC_sb_h_double_arrow));
  EXPECT_EQ(CursorFontShapeOf(IDC_SIZENS), unsigned(XC_sb_v_double_arrow));
  EXPECT_EQ(CursorFontShapeOf(12345), unsigned(XC_left_ptr));
  const int ids[] = {IDC_ARROW, IDC_IBEAM, IDC_WAIT, IDC_CROSS, IDC_UPARROW, IDC_SIZENWSE,
                     IDC_SIZENESW, IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_NO, IDC_HAND};
  for (int a : ids)
    for (int b : ids)
      if (a != b) {
        EXPECT_NE(CursorFontShapeOf(a), CursorFontShapeOf(b)) << a << " " << b;
      }
}

class MoveSize : public testing::Test {
protected:
  MoveSize() {
    Limits.ptMinTrackSize = {50, 40};
    Limits.ptMaxTrackSize = {400, 300};
  }
  MINMAXINFO Limits;
  const TRect Start = Rect(100, 100, 300, 250);
};

TEST_F(MoveSize, CaptionMovesWithoutResizing) {
  EXPECT_EQ(MoveSizeBounds(HTCAPTION, Start, -30, 45, Limits), Rect(70, 145, 270, 295));
}

TEST_F(MoveSize, EachEdgeMovesOnlyItself) {
  EXPECT_EQ(MoveSizeBounds(HTLEFT, Start, 20, 99, Limits), Rect(120, 100, 300, 250));
  EXPECT_EQ(MoveSizeBounds(HTRIGHT, Start, 20, 99, Limits), Rect(100, 100, 320, 250));
  EXPECT_EQ(MoveSizeBounds(HTTOP, Start, 99, -10, Limits), Rect(100, 90, 300, 250));
  EXPECT_EQ(MoveSizeBounds(HTBOTTOM, Start, 99, 10, Limits), Rect(100, 100, 300, 260));
  EXPECT_EQ(MoveSizeBounds(HTTOPLEFT, Start, 10, 10, Limits), Rect(110, 110, 300, 250));
  EXPECT_EQ(MoveSizeBounds(HTBOTTOMRIGHT, Start, 10, 10, Limits), Rect(100, 100, 310, 260));
  EXPECT_EQ(MoveSizeBounds(HTTOPRIGHT, Start, 10, 10, Limits), Rect(100, 110, 310, 250));
  EXPECT_EQ(MoveSizeBounds(HTBOTTOMLEFT, Start, 10, 10, Limits), Rect(110, 100, 300, 260));
}

TEST_F(MoveSize, SizeStaysWithinTheLimitsAndTheOppositeEdgeStays) {
  const TRect shrunk = MoveSizeBounds(HTLEFT, Start, 500, 0, Limits);
  EXPECT_EQ(shrunk.Right, 300);
  EXPECT_EQ(shrunk.Width(), 50);
  const TRect grown = MoveSizeBounds(HTBOTTOMRIGHT, Start, 1000, 1000, Limits);
  EXPECT_EQ(grown.TopLeft(), Start.TopLeft());
  EXPECT_EQ(grown.Width(), 400);
  EXPECT_EQ(grown.Height(), 300);
  const TRect flat = MoveSizeBounds(HTTOP, Start, 0, 400, Limits);
  EXPECT_EQ(flat.Bottom, 250);
  EXPECT_EQ(flat.Height(), 40);
}

class Monitors : public testing::Test {
protected:
  const TRect Screen = Rect(0, 0, 3000, 1080);
  const TRect Left = Rect(0, 0, 1920, 1080);
  const TRect Right = Rect(1920, 0, 3000, 1080);
};

TEST_F(Monitors, NoCrtcGivesTheScreen) {
  const auto m = MonitorsFrom({}, -1, Screen, std::nullopt);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].Screen, Screen);
  EXPECT_EQ(m[0].WorkArea, Screen);
}

TEST_F(Monitors, PrimaryComesFirstAndClonesCountOnce) {
  const auto m = MonitorsFrom({Left, Right, Right}, 1, Screen, std::nullopt);
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].Screen, Right);
  EXPECT_EQ(m[1].Screen, Left);
}

TEST_F(Monitors, WorkAreaIsCutToEachMonitor) {
  // A panel along the bottom of the whole desktop.
  const auto m = MonitorsFrom({Left, Right}, 0, Screen, Rect(0, 0, 3000, 1040));
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].WorkArea, Rect(0, 0, 1920, 1040));
  EXPECT_EQ(m[1].WorkArea, Rect(1920, 0, 3000, 1040));
}

TEST_F(Monitors, WorkAreaMissingAMonitorLeavesItWhole) {
  const auto m = MonitorsFrom({Left, Right}, 0, Screen, Rect(0, 0, 1920, 1000));
  EXPECT_EQ(m[1].WorkArea, Right);
}

TEST_F(Monitors, EmptyCrtcsAreIgnored) {
  const auto m = MonitorsFrom({TRect{}, Left}, 1, Screen, std::nullopt);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].Screen, Left);
}

} // namespace

namespace {

TEST(WorkAreaProperty, PicksTheCurrentDesktopsArea) {
  const long values[] = {0, 0, 1024, 740, 0, 30, 1024, 738};
  EXPECT_EQ(WorkAreaFromProperty(values, 0), Rect(0, 0, 1024, 740));
  EXPECT_EQ(WorkAreaFromProperty(values, 1), Rect(0, 30, 1024, 768));
  EXPECT_EQ(WorkAreaFromProperty(values, 2), Rect(0, 0, 1024, 740)) << "a desktop beyond the list";
  EXPECT_EQ(WorkAreaFromProperty(values, -1), Rect(0, 0, 1024, 740));
}

TEST(WorkAreaProperty, ShortEmptyOrOutOfRangeIsIgnored) {
  const long shortList[] = {0, 0, 1024};
  EXPECT_EQ(WorkAreaFromProperty(shortList, 0), std::nullopt);
  const long empty[] = {0, 0, 0, 740};
  EXPECT_EQ(WorkAreaFromProperty(empty, 0), std::nullopt);
  const long negative[] = {0, 0, -5, 740};
  EXPECT_EQ(WorkAreaFromProperty(negative, 0), std::nullopt);
  const long huge[] = {0, 0, 1L << 40, 740};
  EXPECT_EQ(WorkAreaFromProperty(huge, 0), std::nullopt);
  const long farAway[] = {40000, 0, 100, 100};
  EXPECT_EQ(WorkAreaFromProperty(farAway, 0), std::nullopt);
}

} // namespace
