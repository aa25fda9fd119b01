#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "tests/platform/graphics/PixelText.h"

#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::string>;

const TLegend Legend = {{clWhite, '.'}, {clRed, 'R'}, {clBlue, 'B'}, {clBlack, 'K'}, {clLime, 'G'}};

// A small white bitmap to draw on, and its pixels as letters.
class CanvasPixels : public testing::Test {
protected:
  void SetUp() override { Resize(8, 5); }
  void Resize(int W, int H) {
    FBitmap.SetSize(0, 0);
    FBitmap.SetSize(W, H);
  }
  TCanvas& Canvas() { return FBitmap.Canvas(); }
  Rows Pixels() const { return PixelRows(FBitmap, Legend); }
  void SolidBrush(TColor C) {
    Canvas().Brush().SetStyle(bsSolid);
    Canvas().Brush().SetColor(C);
  }

  TBitmap FBitmap;
};

TEST_F(CanvasPixels, NewPixelsOfAResizedBitmapAreWhite) {
  EXPECT_EQ(Pixels(), Rows(5, "........"));
}

TEST_F(CanvasPixels, FillRectLeavesTheRightColumnAndBottomRowOut) {
  SolidBrush(clRed);
  Canvas().FillRect(Rect(1, 1, 4, 3));
  EXPECT_EQ(Pixels(), (Rows{"........", ".RRR....", ".RRR....", "........", "........"}));
}

TEST_F(CanvasPixels, InvertedRectanglesAndClearBrushesFillNothing) {
  SolidBrush(clRed);
  Canvas().FillRect(Rect(4, 1, 1, 3));
  Canvas().FillRect(Rect(1, 3, 4, 1));
  Canvas().Brush().SetStyle(bsClear);
  Canvas().FillRect(Rect(0, 0, 8, 5));
  EXPECT_EQ(Pixels(), Rows(5, "........"));
}

TEST_F(CanvasPixels, SettingABrushColourMakesAClearBrushSolid) {
  Canvas().Brush().SetStyle(bsClear);
  Canvas().Brush().SetColor(clBlue);
  EXPECT_EQ(Canvas().Brush().Style(), bsSolid);
}

TEST_F(CanvasPixels, FrameRectPaintsTheInsideEdgeWithTheBrush) {
  SolidBrush(clBlue);
  Canvas().FrameRect(Rect(1, 0, 6, 4));
  EXPECT_EQ(Pixels(), (Rows{".BBBBB..", ".B...B..", ".B...B..", ".BBBBB..", "........"}));
}

TEST_F(CanvasPixels, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  Canvas().Pen().SetColor(clBlack);
  SolidBrush(clRed);
  Canvas().Rectangle(0, 0, 5, 4);
  EXPECT_EQ(Pixels(), (Rows{"KKKKK...", "KRRRK...", "KRRRK...", "KKKKK...", "........"}));
}

TEST_F(CanvasPixels, RectangleWithoutAPenFillsOnePixelLessRightAndDown) {
  Canvas().Pen().SetStyle(psClear);
  SolidBrush(clRed);
  Canvas().Rectangle(0, 0, 5, 4);
  EXPECT_EQ(Pixels(), (Rows{"RRRR....", "RRRR....", "RRRR....", "........", "........"}));
}

TEST_F(CanvasPixels, RoundRectOutlineFollowsTheRoundedShape) {
  Resize(6, 6);
  Canvas().Pen().SetColor(clBlack);
  SolidBrush(clRed);
  Canvas().RoundRect(0, 0, 6, 6, 4, 4);
  EXPECT_EQ(Pixels(), (Rows{".KKKK.", "KRRRRK", "KRRRRK", "KRRRRK", "KRRRRK", ".KKKK."}));
}

TEST_F(CanvasPixels, RoundRectWithAClearBrushDrawsOnlyTheOutline) {
  Resize(6, 6);
  Canvas().Pen().SetColor(clBlack);
  Canvas().Brush().SetStyle(bsClear);
  Canvas().RoundRect(0, 0, 6, 6, 4, 4);
  EXPECT_EQ(Pixels(), (Rows{".KKKK.", "K....K", "K....K", "K....K", "K....K", ".KKKK."}));
}

TEST_F(CanvasPixels, LineToPaintsUpToButNotIncludingTheEndPoint) {
  Canvas().Pen().SetColor(clBlack);
  Canvas().MoveTo(1, 1);
  Canvas().LineTo(5, 1);
  Canvas().MoveTo(6, 4);
  Canvas().LineTo(6, 1);
  EXPECT_EQ(Pixels(), (Rows{"........", ".KKKK...", "......K.", "......K.", "......K."}));
  EXPECT_EQ(Canvas().PenPos(), Point(6, 1));
}

TEST_F(CanvasPixels, DiagonalLineStopsBeforeItsEnd) {
  Canvas().Pen().SetColor(clBlack);
  Canvas().MoveTo(0, 0);
  Canvas().LineTo(4, 4);
  EXPECT_EQ(Pixels(), (Rows{"K.......", ".K......", "..K.....", "...K....", "........"}));
}

TEST_F(CanvasPixels, ClearPenMovesWithoutPainting) {
  Canvas().Pen().SetStyle(psClear);
  Canvas().MoveTo(0, 0);
  Canvas().LineTo(7, 0);
  EXPECT_EQ(Pixels(), Rows(5, "........"));
  EXPECT_EQ(Canvas().PenPos(), Point(7, 0));
}

TEST_F(CanvasPixels, FocusRectangleInvertsEveryOtherEdgePixel) {
  SolidBrush(clBlack);
  Canvas().FillRect(Rect(0, 0, 8, 5));
  Canvas().DrawFocusRect(Rect(1, 0, 6, 4));
  EXPECT_EQ(Pixels(), (Rows{"KK.K.KKK", "K.KKK.KK", "KKKKKKKK", "K.K.K.KK", "KKKKKKKK"}));
}

TEST_F(CanvasPixels, FocusRectangleDrawnTwiceRestoresThePixels) {
  SolidBrush(clRed);
  Canvas().FillRect(Rect(0, 0, 4, 5));
  const Rows before = Pixels();
  Canvas().DrawFocusRect(Rect(0, 0, 7, 5));
  EXPECT_NE(Pixels(), before);
  Canvas().DrawFocusRect(Rect(0, 0, 7, 5));
  EXPECT_EQ(Pixels(), before);
}

TEST_F(CanvasPixels, PatternBrushIsTiledFromTheBufferOriginWhateverTheViewport) {
  auto pattern = BitmapFromRows({"RB", "GK"}, Legend);
  Canvas().Brush().SetBitmap(pattern.get());
  Canvas().FillRect(Rect(1, 1, 4, 3));
  Canvas().SetViewportOrigin(Point(3, 0));
  Canvas().FillRect(Rect(2, 3, 4, 5));
  EXPECT_EQ(Pixels(), (Rows{"........", ".KGK....", ".BRB....", ".....KG.", ".....BR."}));
}

TEST_F(CanvasPixels, PixelsAreReadAndWrittenInLogicalCoordinates) {
  Canvas().SetViewportOrigin(Point(2, 1));
  Canvas().SetPixel(0, 0, clRed);
  EXPECT_EQ(Canvas().Pixel(0, 0), clRed);
  EXPECT_EQ(Canvas().Pixel(-2, -1), clWhite);
  EXPECT_EQ(Canvas().Pixel(-3, 0), clNone);
  EXPECT_EQ(Pixels()[1], "..R.....");
}

TEST_F(CanvasPixels, SystemColoursResolveWhenDrawn) {
  SolidBrush(clBtnFace);
  Canvas().FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(Canvas().Pixel(0, 0), ColorToRGB(clBtnFace));
}

// The drawing state: viewport origin, clip, save and restore.
class CanvasState : public CanvasPixels {};

TEST_F(CanvasState, ClipRectangleIsPlacedByTheViewportOriginInForceWhenSet) {
  Canvas().SetViewportOrigin(Point(2, 1));
  Canvas().IntersectClipRect(Rect(0, 0, 3, 2));
  Canvas().SetViewportOrigin(Point(0, 0));
  SolidBrush(clRed);
  Canvas().FillRect(Rect(-5, -5, 50, 50));
  EXPECT_EQ(Pixels(), (Rows{"........", "..RRR...", "..RRR...", "........", "........"}));
  EXPECT_EQ(Canvas().ClipRect(), Rect(2, 1, 5, 3));
}

TEST_F(CanvasState, ClippingOnlyNarrows) {
  Canvas().IntersectClipRect(Rect(0, 0, 4, 4));
  Canvas().IntersectClipRect(Rect(2, 1, 8, 5));
  SolidBrush(clBlue);
  Canvas().FillRect(Rect(0, 0, 8, 5));
  EXPECT_EQ(Pixels(), (Rows{"........", "..BB....", "..BB....", "..BB....", "........"}));
}

TEST_F(CanvasState, ExcludedRectangleStaysUnpainted) {
  Canvas().ExcludeClipRect(Rect(2, 1, 6, 4));
  SolidBrush(clBlue);
  Canvas().FillRect(Rect(0, 0, 8, 5));
  EXPECT_EQ(Pixels(), (Rows{"BBBBBBBB", "BB....BB", "BB....BB", "BB....BB", "BBBBBBBB"}));
}

TEST_F(CanvasState, RegionClipKeepsTheRoundedCornersOut) {
  Resize(6, 6);
  Canvas().IntersectClipRegion(TRegion::RoundRect(0, 0, 6, 6, 4, 4));
  SolidBrush(clRed);
  Canvas().FillRect(Rect(0, 0, 6, 6));
  EXPECT_EQ(Pixels(), (Rows{".RRRR.", "RRRRRR", "RRRRRR", "RRRRRR", "RRRRRR", ".RRRR."}));
}

TEST_F(CanvasState, SaveAndRestoreBringBackOriginClipAndPenPosition) {
  const int level = Canvas().Save();
  Canvas().SetViewportOrigin(Point(3, 2));
  Canvas().IntersectClipRect(Rect(0, 0, 1, 1));
  Canvas().MoveTo(5, 5);
  EXPECT_TRUE(Canvas().Restore(level));
  EXPECT_EQ(Canvas().ViewportOrigin(), Point(0, 0));
  EXPECT_EQ(Canvas().PenPos(), Point(0, 0));
  SolidBrush(clRed);
  Canvas().FillRect(Rect(0, 0, 8, 5));
  EXPECT_EQ(Pixels(), Rows(5, "RRRRRRRR"));
}

TEST_F(CanvasState, RestoringAnEarlierLevelDropsTheLaterOnes) {
  const int first = Canvas().Save();
  Canvas().SetViewportOrigin(Point(1, 1));
  Canvas().Save();
  Canvas().SetViewportOrigin(Point(2, 2));
  EXPECT_EQ(Canvas().SaveLevel(), 2);
  EXPECT_TRUE(Canvas().Restore(first));
  EXPECT_EQ(Canvas().ViewportOrigin(), Point(0, 0));
  EXPECT_EQ(Canvas().SaveLevel(), 0);
  EXPECT_FALSE(Canvas().Restore());
  EXPECT_FALSE(Canvas().Restore(3));
}

TEST_F(CanvasState, SaverRestoresWhenItGoesOutOfScope) {
  {
    TCanvasSaver saver(Canvas());
    Canvas().SetViewportOrigin(Point(-1, -1));
    Canvas().IntersectClipRect(Rect(1, 1, 2, 2));
  }
  EXPECT_EQ(Canvas().ViewportOrigin(), Point(0, 0));
  EXPECT_EQ(Canvas().ClipRect(), Rect(0, 0, 8, 5));
  EXPECT_EQ(Canvas().SaveLevel(), 0);
}

TEST_F(CanvasState, ParentPaintedThroughAShiftedOriginAndClipLandsUnderTheChild) {
  // A parent that fills its 8 x 5 client area red and draws a blue pixel at (3, 2), painted under a
  // child at (2, 1) of size 3 x 2: the child's buffer receives the parent's pixels behind it.
  Resize(3, 2);
  TCanvasSaver saver(Canvas());
  const TPoint origin = Canvas().ViewportOrigin();
  Canvas().SetViewportOrigin(Point(origin.X - 2, origin.Y - 1));
  Canvas().IntersectClipRect(Rect(0, 0, 8, 5));
  SolidBrush(clRed);
  Canvas().FillRect(Rect(0, 0, 8, 5));
  Canvas().SetPixel(3, 2, clBlue);
  EXPECT_EQ(Pixels(), (Rows{"RRR", "RBR"}));
}

// Pictures: draw, stretch, mirror, copy, transparency.
class CanvasPictures : public CanvasPixels {};

TEST_F(CanvasPictures, StretchingPicksTheNearestSourcePixel) {
  auto strip = BitmapFromRows({"RB"}, Legend);
  Canvas().StretchDraw(Rect(0, 0, 4, 1), *strip);
  Canvas().StretchDraw(Rect(0, 1, 3, 2), *strip);
  auto wide = BitmapFromRows({"RRBG"}, Legend);
  Canvas().StretchDraw(Rect(0, 2, 2, 3), *wide);
  EXPECT_EQ(Pixels()[0], "RRBB....");
  EXPECT_EQ(Pixels()[1], "RBB.....");
  EXPECT_EQ(Pixels()[2], "RG......");
}

TEST_F(CanvasPictures, StretchingIntoAnInvertedRectangleMirrors) {
  auto picture = BitmapFromRows({"RBG", "KKR"}, Legend);
  Canvas().StretchDraw(Rect(3, 0, 0, 2), *picture);
  Canvas().StretchDraw(Rect(4, 4, 7, 2), *picture);
  EXPECT_EQ(Pixels(), (Rows{"GBR.....", "RKK.....", "....KKR.", "....RBG.", "........"}));
}

TEST_F(CanvasPictures, MirroredStretchCoversTheSamePixelsAsTheUpright) {
  auto picture = BitmapFromRows({"RBGK"}, Legend);
  Canvas().StretchDraw(Rect(7, 0, 1, 1), *picture);
  EXPECT_EQ(Pixels()[0], ".KKGBBR.");
}

TEST_F(CanvasPictures, TransparentBitmapLeavesItsBottomLeftColourOut) {
  auto picture = BitmapFromRows({"RBR", "GRK"}, Legend);
  picture->SetTransparent(true);
  EXPECT_EQ(picture->TransparentColor(), clLime);
  Canvas().Draw(1, 1, *picture);
  EXPECT_EQ(Pixels(), (Rows{"........", ".RBR....", "..RK....", "........", "........"}));
}

TEST_F(CanvasPictures, FixedTransparentColourWinsOverTheCorner) {
  auto picture = BitmapFromRows({"RBR", "GRK"}, Legend);
  picture->SetTransparent(true);
  picture->SetTransparentColor(clRed);
  EXPECT_EQ(picture->TransparentMode(), tmFixed);
  Canvas().StretchDraw(Rect(0, 0, 6, 2), *picture);
  EXPECT_EQ(Pixels()[0], "..BB....");
  EXPECT_EQ(Pixels()[1], "GG..KK..");
}

TEST_F(CanvasPictures, OpaqueBitmapDrawsEveryPixel) {
  auto picture = BitmapFromRows({"RG"}, Legend);
  Canvas().Draw(6, 4, *picture);
  Canvas().Draw(-1, 0, *picture);
  EXPECT_EQ(Pixels()[0], "G.......");
  EXPECT_EQ(Pixels()[4], "......RG");
}

TEST_F(CanvasPictures, KeyColourCopyLeavesThatColourOut) {
  auto picture = BitmapFromRows({"RFB", "FFK"}, {{clRed, 'R'}, {clFuchsia, 'F'}, {clBlue, 'B'}, {clBlack, 'K'}});
  Canvas().TransparentCopy(Rect(0, 0, 3, 2), *picture, Rect(0, 0, 3, 2), clFuchsia);
  EXPECT_EQ(Pixels()[0], "R.B.....");
  EXPECT_EQ(Pixels()[1], "..K.....");
}

TEST_F(CanvasPictures, CopyRectTakesTheSourceRectangleOfAnotherCanvas) {
  auto source = BitmapFromRows({"RBGK", "KGBR"}, Legend);
  Canvas().CopyRect(Rect(4, 3, 6, 5), source->Canvas(), Rect(1, 0, 3, 2));
  EXPECT_EQ(Pixels()[3], "....BG..");
  EXPECT_EQ(Pixels()[4], "....GB..");
}

TEST_F(CanvasPictures, CopyWithinOneCanvasReadsThePixelsBeforeTheCopy) {
  Canvas().SetPixel(0, 0, clRed);
  Canvas().SetPixel(1, 0, clBlue);
  Canvas().CopyRect(Rect(1, 0, 4, 1), Canvas(), Rect(0, 0, 3, 1));
  EXPECT_EQ(Pixels()[0], "RRB.....");
}

TEST_F(CanvasPictures, DrawingIsClipped) {
  auto picture = BitmapFromRows({"RRRR", "RRRR"}, Legend);
  Canvas().IntersectClipRect(Rect(2, 0, 3, 5));
  Canvas().Draw(0, 0, *picture);
  EXPECT_EQ(Pixels()[0], "..R.....");
  EXPECT_EQ(Pixels()[2], "........");
}

TEST_F(CanvasPictures, StretchFromAnEmptySourceRectangleDrawsNothing) {
  auto picture = BitmapFromRows({"RR"}, Legend);
  Canvas().Blit(Rect(0, 0, 4, 4), picture->Pixels(), Rect(1, 0, 1, 1));
  Canvas().Blit(Rect(0, 0, 4, 4), picture->Pixels(), Rect(5, 0, 9, 1));
  EXPECT_EQ(Pixels(), Rows(5, "........"));
}

}  // namespace
