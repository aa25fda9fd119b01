#include "tests/platform/windows/TestWindow.h"

namespace {

using Pairs = std::vector<std::pair<HWND, UINT>>;

// A form with a panel holding a button that sticks out of it, and a second panel.
class PaintCycle : public HeadlessTest {
protected:
  void SetUp() override {
    Desktop.ProcessMessages();
    Log.Clear();
  }
  std::unique_ptr<TTestWindow> Form = Make(nullptr, Bounds(100, 100, 200, 100), clWhite);
  std::unique_ptr<TTestWindow> Panel = Make(**Form, Bounds(10, 10, 50, 50), clBlue);
  std::unique_ptr<TTestWindow> Button = Make(**Panel, Bounds(30, 30, 40, 40), clRed);
  std::unique_ptr<TTestWindow> Other = Make(**Form, Bounds(120, 10, 50, 50), clLime);
};

TEST_F(PaintCycle, ParentsPaintBeforeChildrenAndChildrenAreClippedToThem) {
  InvalidateRect(**Form, nullptr, 1);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log.Of({WM_PAINT}), (Pairs{{**Form, WM_PAINT}, {**Panel, WM_PAINT}, {**Button, WM_PAINT}, {**Other, WM_PAINT}}));
  EXPECT_EQ(ScreenPixel(105, 105), 0xFFFFFFu);
  EXPECT_EQ(ScreenPixel(115, 115), 0x0000FFu);
  EXPECT_EQ(ScreenPixel(145, 145), 0xFF0000u) << "the button inside its panel";
  EXPECT_EQ(ScreenPixel(165, 165), 0xFFFFFFu) << "the button outside its panel is clipped";
  EXPECT_EQ(ScreenPixel(225, 115), 0x00FF00u);
  EXPECT_EQ(ScreenPixel(99, 99), Desktop.Background());
}

TEST_F(PaintCycle, DamageIsMergedAndPresentedOncePerCycleSkippingUndamagedWindows) {
  const int presents = Desktop.Host(**Form)->Presents();
  InvalidateRect(**Button, nullptr, 0);
  InvalidateRect(**Other, nullptr, 0);
  EXPECT_TRUE(Log.Of({WM_PAINT}).empty()) << "invalidation only records damage";
  Desktop.ProcessMessages();
  EXPECT_EQ(Desktop.Host(**Form)->Presents(), presents + 1);
  const TRegion presented = Desktop.Host(**Form)->LastPresented();
  EXPECT_EQ(presented, TRegion(Rect(40, 40, 60, 60)).Union(TRegion(Bounds(120, 10, 50, 50))))
      << "the button's damage stops at its panel";
  // The form and the panel lie under the damage and are painted beneath it; the other panel's
  // siblings are not.
  EXPECT_EQ(Log.Of({WM_PAINT}), (Pairs{{**Form, WM_PAINT}, {**Panel, WM_PAINT}, {**Button, WM_PAINT}, {**Other, WM_PAINT}}));
  Log.Clear();
  InvalidateRect(**Other, nullptr, 0);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log.Of({WM_PAINT}), (Pairs{{**Form, WM_PAINT}, {**Other, WM_PAINT}}));
}

TEST_F(PaintCycle, EraseComesOnlyWhenAskedAndPaintSeesItsUpdateArea) {
  TRect paintRect;
  Other->OnMessage = [&](TMessage& M) {
    if (M.Msg != WM_PAINT)
      return false;
    PAINTSTRUCT ps;
    BeginPaint(**Other, &ps);
    paintRect = ps.rcPaint;
    EndPaint(**Other, &ps);
    return true;
  };
  const TRect part = Rect(5, 5, 20, 15);
  InvalidateRect(**Other, &part, 0);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log.Count(**Other, WM_ERASEBKGND), 0);
  EXPECT_EQ(paintRect, part);
  InvalidateRect(**Other, &part, 1);
  Desktop.ProcessMessages();
  EXPECT_EQ(Log.Count(**Other, WM_ERASEBKGND), 1);
  const TLogged* erase = Log.Last(WM_ERASEBKGND);
  EXPECT_NE(erase->WParam, 0u) << "the erase message carries the paint context";
}

TEST_F(PaintCycle, DamageMadeWhilePaintingWaitsForTheNextCycle) {
  int paints = 0;
  Other->OnMessage = [&](TMessage& M) {
    if (M.Msg == WM_PAINT && ++paints == 1)
      InvalidateRect(**Other, nullptr, 0);
    return false;
  };
  InvalidateRect(**Other, nullptr, 0);
  UpdateWindow(**Other);
  EXPECT_EQ(paints, 1) << "UpdateWindow paints at once, once";
  TRect pending;
  EXPECT_TRUE(GetUpdateRect(**Other, &pending, 0));
  EXPECT_EQ(pending, Rect(0, 0, 50, 50));
  Desktop.ProcessMessages();
  EXPECT_EQ(paints, 2);
  EXPECT_FALSE(GetUpdateRect(**Other, &pending, 0));
}

TEST_F(PaintCycle, ValidatedAreasAreNotPainted) {
  InvalidateRect(**Other, nullptr, 0);
  ValidateRect(**Other, nullptr);
  Desktop.ProcessMessages();
  EXPECT_TRUE(Log.Of({WM_PAINT}).empty());
}

TEST_F(PaintCycle, WindowContextsDrawOutsideTheCycleAndShowOnRelease) {
  HDC dc = GetDC(**Other);
  ASSERT_NE(dc, nullptr);
  TCanvas* canvas = CanvasFromDC(dc);
  canvas->Brush().SetColor(clYellow);
  canvas->FillRect(Rect(-100, -100, 500, 500));
  EXPECT_EQ(ScreenPixel(225, 115), 0x00FF00u) << "nothing shows before the release";
  EXPECT_EQ(ReleaseDC(**Other, dc), 1);
  EXPECT_EQ(ScreenPixel(225, 115), 0xFFFF00u);
  EXPECT_EQ(ScreenPixel(215, 115), 0xFFFFFFu) << "drawing stays inside the window";
  EXPECT_EQ(ReleaseDC(**Other, dc), 0);
}

// A window that draws on another window's context while the cycle paints (a frame's border drawn as
// its background is erased) adds to the cycle's frame: the display gets the whole frame once, not a
// piece of it first.
TEST_F(PaintCycle, AContextReleasedWhileTheCyclePaintsGoesOutWithTheCyclesFrame) {
  Other->OnMessage = [&](TMessage& M) {
    if (M.Msg == WM_PAINT) {
      HDC dc = GetDC(**Panel);
      CanvasFromDC(dc)->Brush().SetColor(clYellow);
      CanvasFromDC(dc)->FillRect(Rect(0, 0, 50, 50));
      ReleaseDC(**Panel, dc);
      EXPECT_EQ(ScreenPixel(115, 115), 0x0000FFu) << "shown before the cycle ended";
    }
    return false;
  };
  const int presents = Desktop.Host(**Form)->Presents();
  InvalidateRect(**Other, nullptr, 0);
  Desktop.ProcessMessages();
  EXPECT_EQ(Desktop.Host(**Form)->Presents(), presents + 1);
  EXPECT_EQ(ScreenPixel(115, 115), 0xFFFF00u) << "the drawing outside the damage went out with the frame";
  EXPECT_EQ(ScreenPixel(225, 115), 0x00FF00u);
  Other->OnMessage = nullptr;
  HDC dc = GetDC(**Panel);
  CanvasFromDC(dc)->Brush().SetColor(clRed);
  CanvasFromDC(dc)->FillRect(Rect(0, 0, 50, 50));
  ReleaseDC(**Panel, dc);
  EXPECT_EQ(ScreenPixel(115, 115), 0xFF0000u) << "outside a cycle the release shows it at once";
}

TEST_F(PaintCycle, AContextOfAWindowThatClipsItsChildrenLeavesThemAlone) {
  auto form = Make(nullptr, Bounds(400, 100, 200, 100), clWhite, WS_VISIBLE | WS_CLIPCHILDREN);
  auto panel = Make(**form, Bounds(10, 10, 50, 50), clBlue);
  Desktop.ProcessMessages();
  for (HWND w : {**form, **Form}) {
    HDC dc = GetDC(w);
    ASSERT_NE(dc, nullptr);
    CanvasFromDC(dc)->Brush().SetColor(clYellow);
    CanvasFromDC(dc)->FillRect(Rect(0, 0, 200, 100));
    ReleaseDC(w, dc);
  }
  EXPECT_EQ(ScreenPixel(405, 105), 0xFFFF00u);
  EXPECT_EQ(ScreenPixel(415, 115), 0x0000FFu) << "drawn over a child of a window that clips children";
  EXPECT_EQ(ScreenPixel(115, 115), 0xFFFF00u) << "a window without the style draws over its children";
}

TEST_F(PaintCycle, ShapedWindowsShowOnlyInsideTheirRegionAndHitOnlyThere) {
  SetWindowRgn(**Form, CreateRoundRectRgn(0, 0, 200, 100, 40, 40), 1);
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenPixel(100, 100), Desktop.Background());
  EXPECT_EQ(ScreenPixel(150, 170), 0xFFFFFFu);
  EXPECT_EQ(WindowFromPoint({100, 100}), nullptr);
  EXPECT_EQ(SetWindowRgn(**Form, nullptr, 1), 1);
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenPixel(100, 100), 0xFFFFFFu);
}

TEST_F(PaintCycle, ChildrenMovingAndHidingRepaintWhatTheyUncover) {
  MoveWindow(**Other, 140, 10, 50, 50, 1);
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenPixel(225, 115), 0xFFFFFFu);
  EXPECT_EQ(ScreenPixel(245, 115), 0x00FF00u);
  ShowWindow(**Panel, SW_HIDE);
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenPixel(115, 115), 0xFFFFFFu);
  DestroyWindow(**Other);
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenPixel(245, 115), 0xFFFFFFu);
}

TEST_F(PaintCycle, AChildCanPaintItsParentBehindItselfThroughItsOwnContext) {
  // The parent paints into a context it is handed, as a see-through child asks it to.
  Panel->OnMessage = [&](TMessage& M) {
    if (M.Msg != WM_PAINT || M.WParam == 0)
      return false;
    HDC dc = reinterpret_cast<HDC>(M.WParam);
    TRect r;
    GetClientRect(**Panel, &r);
    CanvasFromDC(dc)->Brush().SetColor(clAqua);
    CanvasFromDC(dc)->FillRect(r);
    return true;
  };
  TPixelBuffer redPixels(2, 2, 0xFF0000);
  TCanvas red(&redPixels);
  Button->OnMessage = [&](TMessage& M) {
    if (M.Msg != WM_PAINT)
      return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(**Button, &ps);
    const int saved = SaveDC(dc);
    TPoint origin;
    GetViewportOrgEx(dc, &origin);
    SetViewportOrgEx(dc, origin.X - 30, origin.Y - 30, nullptr); // the button sits at (30, 30)
    EXPECT_EQ(IntersectClipRect(dc, 30, 30, 50, 50), SIMPLEREGION);
    SendMessage(**Panel, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    RestoreDC(dc, saved);
    BitBlt(dc, 0, 0, 2, 2, DCFromCanvas(&red), 0, 0, SRCCOPY);
    EndPaint(**Button, &ps);
    return true;
  };
  InvalidateRect(**Form, nullptr, 1);
  Desktop.ProcessMessages();
  EXPECT_EQ(ScreenPixel(140, 140), 0xFF0000u) << "the block transfer";
  EXPECT_EQ(ScreenPixel(145, 145), 0x00FFFFu) << "the parent's picture behind the button";
  EXPECT_EQ(ScreenPixel(135, 135), 0x0000FFu) << "the parent's own painting outside the button is untouched";
  EXPECT_EQ(ScreenPixel(165, 165), 0xFFFFFFu);
}

using Regions = testing::Test;

TEST_F(Regions, CombiningGivesTheKindOfTheResult) {
  const int before = OutstandingRegions();
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(5, 0, 15, 10);
  HRGN dest = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(dest, a, b, RGN_OR), SIMPLEREGION);
  TRect box;
  EXPECT_EQ(GetRgnBox(dest, &box), SIMPLEREGION);
  EXPECT_EQ(box, Rect(0, 0, 15, 10));
  EXPECT_EQ(CombineRgn(dest, a, b, RGN_XOR), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(dest, 7, 5));
  EXPECT_TRUE(PtInRegion(dest, 12, 5));
  EXPECT_EQ(CombineRgn(dest, a, a, RGN_DIFF), NULLREGION);
  EXPECT_EQ(CombineRgn(dest, a, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_EQ(CombineRgn(dest, a, b, 99), ERROR);
  EXPECT_EQ(CombineRgn(dest, a, nullptr, RGN_AND), ERROR);
  EXPECT_EQ(OffsetRgn(dest, 3, 4), SIMPLEREGION);
  EXPECT_TRUE(PtInRegion(dest, 3, 4));
  for (HRGN r : {a, b, dest})
    EXPECT_TRUE(DeleteObject(r));
  EXPECT_FALSE(DeleteObject(a));
  EXPECT_EQ(OutstandingRegions(), before);
}

TEST_F(PaintCycle, AWindowTakesOverItsRegion) {
  const int before = OutstandingRegions();
  HRGN shape = CreateRectRgn(0, 0, 10, 10);
  ASSERT_EQ(SetWindowRgn(**Other, shape, 0), 1);
  EXPECT_EQ(OutstandingRegions(), before);
  EXPECT_FALSE(DeleteObject(shape)) << "the window owns it now";
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(**Other, copy), SIMPLEREGION);
  TRect box;
  GetRgnBox(copy, &box);
  EXPECT_EQ(box, Rect(0, 0, 10, 10));
  DeleteObject(copy);
  EXPECT_EQ(SetWindowRgn(**Other, shape, 0), 0) << "a handle given away is no longer valid";
}

TEST(ScreenContext, TheScreenContextIsACanvasWithoutPixels) {
  const int before = OutstandingScreenDCs();
  HDC dc = GetDC(nullptr);
  ASSERT_TRUE(IsLiveDC(dc));
  TCanvas* canvas = CanvasFromDC(dc);
  EXPECT_EQ(canvas->Target(), nullptr);
  canvas->FillRect(Rect(0, 0, 10, 10)); // draws nowhere, harmlessly
  EXPECT_EQ(OutstandingScreenDCs(), before + 1);
  EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
  EXPECT_FALSE(IsLiveDC(dc));
  EXPECT_EQ(OutstandingScreenDCs(), before);
}

} // namespace
