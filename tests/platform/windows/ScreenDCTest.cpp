#include "platform/graphics/Bitmap.h"
#include "tests/platform/windows/TestWindow.h"

namespace {

constexpr TPixel White = 0xFFFFFF;
constexpr TPixel Red = 0xFF0000;

// Two white windows side by side with a gap between them; the right one shaped so that its left
// ten columns are cut away.
class ScreenDrawing : public HeadlessTest {
protected:
  void SetUp() override {
    SetWindowRgn(**Right, CreateRectRgn(10, 0, 100, 80), 1);
    Desktop.ProcessMessages();
  }
  TPixel OnWindow(const TTestWindow& W, int X, int Y) const { return Desktop.Host(*W)->Surface().At(X, Y); }
  // Draws a red frame on the screen context, in screen coordinates.
  void FrameOnScreen(const TRect& R) {
    HDC dc = GetWindowDC(GetDesktopWindow());
    ASSERT_NE(dc, nullptr);
    CanvasFromDC(dc)->Brush().SetColor(clRed);
    CanvasFromDC(dc)->FrameRect(R);
    EXPECT_EQ(ReleaseDC(GetDesktopWindow(), dc), 1);
  }

  std::unique_ptr<TTestWindow> Left = Make(nullptr, Bounds(100, 100, 100, 80), clWhite);
  std::unique_ptr<TTestWindow> Right = Make(nullptr, Bounds(250, 100, 100, 80), clWhite);
};

TEST_F(ScreenDrawing, AFrameAcrossTwoWindowsLandsInBothClippedToEach) {
  const TPixelBuffer before = Desktop.Screenshot();
  const TPixelBuffer rightBefore = Desktop.Host(**Right)->Surface();
  FrameOnScreen(Rect(150, 120, 300, 160));
  // The left window holds the frame's left edge and its share of the top and bottom edges.
  EXPECT_EQ(OnWindow(*Left, 50, 20), Red);
  EXPECT_EQ(OnWindow(*Left, 50, 59), Red);
  EXPECT_EQ(OnWindow(*Left, 99, 20), Red);
  EXPECT_EQ(OnWindow(*Left, 60, 40), White) << "inside the frame nothing changes";
  EXPECT_EQ(OnWindow(*Left, 49, 20), White);
  // The right window holds the right edge, but not inside the ten columns its shape cuts away.
  EXPECT_EQ(OnWindow(*Right, 49, 30), Red);
  EXPECT_EQ(OnWindow(*Right, 10, 20), Red);
  EXPECT_EQ(OnWindow(*Right, 9, 20), rightBefore.At(9, 20));
  EXPECT_EQ(OnWindow(*Right, 0, 59), rightBefore.At(0, 59));
  // What a screenshot shows: the frame on our windows, the desktop untouched between them.
  const TPixelBuffer after = Desktop.Screenshot();
  EXPECT_EQ(after.At(150, 140), Red);
  EXPECT_EQ(after.At(299, 140), Red);
  for (int x = 200; x < 260; ++x)
    EXPECT_EQ(after.At(x, 120), before.At(x, 120)) << "no window of ours at x " << x;
}

TEST_F(ScreenDrawing, AWindowAboveAnotherTakesWhatIsDrawnWhereItShows) {
  auto above = Make(nullptr, Bounds(140, 110, 30, 30), clBlue);
  Desktop.ProcessMessages();
  FrameOnScreen(Rect(150, 120, 300, 160));
  EXPECT_EQ(OnWindow(*above, 10, 10), Red);
  EXPECT_EQ(OnWindow(*Left, 50, 20), White) << "covered there, so left as it was";
  EXPECT_EQ(OnWindow(*Left, 50, 45), Red) << "below the upper window it shows again";
}

TEST_F(ScreenDrawing, NothingIsDrawnWhereNoWindowShows) {
  ShowWindow(**Right, SW_HIDE);
  const int presents = Desktop.Host(**Right)->Presents();
  FrameOnScreen(Rect(240, 90, 400, 200));
  EXPECT_EQ(Desktop.Host(**Right)->Presents(), presents) << "a hidden window is not drawn on";
  EXPECT_EQ(OnWindow(*Right, 49, 30), White);
  const TPixelBuffer shot = Desktop.Screenshot();
  EXPECT_EQ(shot.At(240, 100), Desktop.Background());
}

TEST_F(ScreenDrawing, ContextsKnowTheWindowTheyDrawOn) {
  HDC window = GetDC(**Left);
  HDC whole = GetWindowDC(**Left);
  HDC screen = GetDC(nullptr);
  HDC desktop = GetWindowDC(GetDesktopWindow());
  EXPECT_EQ(WindowFromDC(window), **Left);
  EXPECT_EQ(WindowFromDC(whole), **Left);
  EXPECT_EQ(WindowFromDC(screen), GetDesktopWindow());
  EXPECT_EQ(WindowFromDC(desktop), GetDesktopWindow());
  TBitmap bitmap;
  bitmap.SetSize(4, 4);
  EXPECT_EQ(WindowFromDC(DCFromCanvas(&bitmap.Canvas())), nullptr) << "an off-screen canvas";
  EXPECT_EQ(ReleaseDC(**Left, desktop), 0) << "given back against the wrong window";
  EXPECT_EQ(ReleaseDC(GetDesktopWindow(), desktop), 1);
  EXPECT_EQ(ReleaseDC(GetDesktopWindow(), desktop), 0) << "given back twice";
  EXPECT_EQ(WindowFromDC(desktop), nullptr);
  ReleaseDC(**Left, window);
  ReleaseDC(**Left, whole);
  ReleaseDC(nullptr, screen);
}

TEST_F(ScreenDrawing, AMenuWindowsPaintContextNamesTheMenuWindow) {
  HWND painted = nullptr;
  auto menu = Make(nullptr, Bounds(400, 100, 60, 40), clWhite, WS_VISIBLE, WS_EX_NOACTIVATE);
  menu->OnMessage = [&](TMessage& M) {
    if (M.Msg != WM_PAINT)
      return false;
    PAINTSTRUCT ps;
    painted = WindowFromDC(BeginPaint(**menu, &ps));
    EndPaint(**menu, &ps);
    return true;
  };
  Desktop.ProcessMessages();
  EXPECT_EQ(painted, **menu);
}

TEST_F(ScreenDrawing, TheDesktopWindowIsThePrimaryScreen) {
  TRect r;
  ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &r));
  EXPECT_EQ(r, Rect(0, 0, 1024, 768));
  ASSERT_TRUE(GetClientRect(GetDesktopWindow(), &r));
  EXPECT_EQ(r, Rect(0, 0, 1024, 768));
  EXPECT_TRUE(IsWindow(GetDesktopWindow()));
  EXPECT_EQ(SetWindowLongPtr(GetDesktopWindow(), GWLP_WNDPROC, 0), 0) << "it cannot be changed";
}

TEST_F(ScreenDrawing, AWholeWindowContextDrawsInWindowCoordinates) {
  HDC dc = GetWindowDC(**Left);
  CanvasFromDC(dc)->Brush().SetColor(clRed);
  CanvasFromDC(dc)->FillRect(Rect(0, 0, 2, 2));
  ReleaseDC(**Left, dc);
  EXPECT_EQ(Desktop.Screenshot().At(100, 100), Red);
  EXPECT_EQ(Desktop.Screenshot().At(102, 102), White);
}

} // namespace
