#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Scale.h"
#include "platform/graphics/TextEngine.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <tuple>

namespace {

// ---- Mapping units to device pixels

class ScaleMapping : public testing::TestWithParam<double> {};

TEST_P(ScaleMapping, EveryDevicePixelBelongsToExactlyOneUnit) {
  const double s = GetParam();
  for (int d = -40; d < 80; ++d) {
    const int u = UnitAt(d, s);
    EXPECT_LE(ScaleEdge(u, s), d) << d;
    EXPECT_GT(ScaleEdge(u + 1, s), d) << d;
  }
}

TEST_P(ScaleMapping, EveryUnitCoversAtLeastOnePixel) {
  const double s = GetParam();
  for (int u = -30; u < 60; ++u)
    EXPECT_GE(ScaleEdge(u + 1, s) - ScaleEdge(u, s), 1) << u;
}

TEST_P(ScaleMapping, UnscalingADeviceRectangleCoversIt) {
  const double s = GetParam();
  for (int l = -5; l < 12; ++l)
    for (int w = 1; w < 9; ++w) {
      const TRect device = Bounds(l, 3, w, 5);
      const TRect units = UnscaleRect(device, s);
      const TRect back = ScaleRect(units, s);
      EXPECT_EQ(IntersectRect(back, device), device);
      // And no unit more than needed.
      EXPECT_GT(ScaleEdge(units.Left + 1, s), device.Left);
      EXPECT_LT(ScaleEdge(units.Right - 1, s), device.Right);
    }
}

TEST_P(ScaleMapping, RegionsScaleEdgeByEdgeWithoutGaps) {
  const double s = GetParam();
  const TRegion a(Rect(0, 0, 7, 3)), b(Rect(7, 0, 9, 3));
  const TRegion both = ScaleRegion(a, s).Union(ScaleRegion(b, s));
  EXPECT_EQ(both, ScaleRegion(a.Union(b), s));
  EXPECT_TRUE(ScaleRegion(a, s).Intersect(ScaleRegion(b, s)).IsEmpty());
  EXPECT_EQ(UnscaleRegion(ScaleRegion(a, s), s), a);
}

TEST_P(ScaleMapping, UnitsCoveringALengthAreTheFewestThatReachIt) {
  const double s = GetParam();
  for (int d = 1; d < 50; ++d) {
    const int n = UnitsCovering(d, s);
    EXPECT_GE(ScaleEdge(n, s), d);
    EXPECT_LT(ScaleEdge(n - 1, s), d);
  }
}

INSTANTIATE_TEST_SUITE_P(Scales, ScaleMapping, testing::Values(1.0, 1.25, 1.5, 1.75, 2.0, 3.0));

TEST(WindowScale, DesktopSettingsRoundToTheNearestQuarterWithinLimits) {
  EXPECT_EQ(WindowScaleForDpi(96), 1.0);
  EXPECT_EQ(WindowScaleForDpi(192), 2.0);
  EXPECT_EQ(WindowScaleForDpi(144), 1.5);
  EXPECT_EQ(WindowScaleForDpi(120), 1.25);
  EXPECT_EQ(WindowScaleForDpi(100), 1.0);
  EXPECT_EQ(WindowScaleForDpi(110), 1.25);
  EXPECT_EQ(WindowScaleForDpi(48), 1.0);
  EXPECT_EQ(WindowScaleForDpi(1200), MaxWindowScale);
  EXPECT_EQ(WindowScaleFor(std::numeric_limits<double>::quiet_NaN()), 1.0);
}

// ---- Drawing at a scale is the drawing at scale 1, enlarged (text aside)

constexpr int W = 23, H = 17;

TPixelBuffer Drawn(double Scale, const std::function<void(TCanvas&)>& Paint) {
  TPixelBuffer buffer;
  buffer.SetScaledSize(W, H, Scale, 0x00FFFFFF);
  TCanvas canvas(&buffer);
  Paint(canvas);
  return buffer;
}

TPixelBuffer Enlarged(TPixelBuffer Buffer, double Scale) {
  Buffer.Rescale(Scale);
  return Buffer;
}

// A picture of four colours with a magenta key pixel, for the block transfers.
const TBitmap& Picture() {
  static const auto picture = [] {
    auto b = std::make_unique<TBitmap>(5, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x)
        b->Pixels().Set(x, y, static_cast<TPixel>(0x102030 * (x + 1) + 0x050000 * y));
    b->Pixels().Set(2, 1, 0x00FF00FF);
    return b;
  }();
  return *picture;
}

using TScript = std::pair<const char*, std::function<void(TCanvas&)>>;

const std::vector<TScript>& Scripts() {
  static const std::vector<TScript> scripts = {
      {"fills and frames",
       [](TCanvas& c) {
         c.Brush().SetColor(clRed);
         c.FillRect(Rect(1, 1, 9, 6));
         c.Brush().SetColor(clBlue);
         c.FrameRect(Rect(3, 2, 20, 15));
         c.SetPixel(21, 16, clLime);
       }},
      {"rectangle and round rectangle with a pen",
       [](TCanvas& c) {
         c.Pen().SetColor(clNavy);
         c.Brush().SetColor(clYellow);
         c.Rectangle(1, 1, 10, 8);
         c.RoundRect(8, 4, 22, 16, 7, 6);
         c.Pen().SetStyle(psClear);
         c.RoundRect(0, 9, 7, 16, 5, 5);
       }},
      {"lines of every width and mode",
       [](TCanvas& c) {
         c.Pen().SetColor(clMaroon);
         c.MoveTo(0, 0);
         c.LineTo(22, 9);
         c.Pen().SetWidth(3);
         c.LineTo(4, 16);
         c.Pen().SetWidth(1);
         c.Pen().SetMode(pmNot);
         c.MoveTo(0, 12);
         c.LineTo(22, 12);
         c.Pen().SetMode(pmXor);
         c.Pen().SetColor(clTeal);
         c.LineTo(22, 0);
       }},
      {"focus rectangle and region",
       [](TCanvas& c) {
         c.Brush().SetColor(clOlive);
         c.FillRegion(TRegion::RoundRect(2, 2, 15, 14, 8, 8).Subtract(TRegion(Rect(5, 5, 9, 9))));
         c.DrawFocusRect(Rect(1, 3, 20, 15));
       }},
      {"pattern brush tiled from the origin",
       [](TCanvas& c) {
         c.Brush().SetBitmap(const_cast<TBitmap*>(&Picture()));
         c.FillRect(Rect(2, 1, 21, 16));
         c.Brush().SetBitmap(nullptr);
       }},
      {"clip and origin",
       [](TCanvas& c) {
         c.SetViewportOrigin({3, 2});
         c.IntersectClipRect(Rect(0, 0, 12, 9));
         c.ExcludeClipRect(Rect(4, 3, 7, 5));
         c.IntersectClipRegion(TRegion::RoundRect(-2, -1, 14, 12, 6, 6));
         c.Brush().SetColor(clPurple);
         c.FillRect(Rect(-3, -2, 20, 15));
         c.Restore(c.Save());
         c.Brush().SetColor(clGreen);
         c.FillRect(Rect(8, 0, 9, 20));
       }},
      {"pictures copied, stretched, mirrored and keyed",
       [](TCanvas& c) {
         const TBitmap& p = Picture();
         c.Blit(Bounds(1, 1, 5, 4), p.Pixels(), Rect(0, 0, 5, 4));
         c.Blit(Bounds(7, 1, 11, 7), p.Pixels(), Rect(0, 0, 5, 4));
         c.Blit(Rect(6, 15, 1, 9), p.Pixels(), Rect(0, 0, 5, 4));
         c.Blit(Bounds(12, 9, 10, 8), p.Pixels(), Rect(1, 1, 5, 4), bmKeyColor, 0x00FF00FF);
         c.CopyRect(Bounds(17, 0, 5, 4), c, Rect(1, 1, 6, 5));
       }},
  };
  return scripts;
}

class ScaledDrawing : public testing::TestWithParam<std::tuple<double, int>> {};

TEST_P(ScaledDrawing, IsTheDrawingAtScaleOneEnlarged) {
  const auto [scale, index] = GetParam();
  const TScript& script = Scripts()[static_cast<std::size_t>(index)];
  const TPixelBuffer one = Drawn(1.0, script.second);
  const TPixelBuffer scaled = Drawn(scale, script.second);
  ASSERT_EQ(scaled.Width(), ScaleEdge(W, scale));
  EXPECT_TRUE(scaled == Enlarged(one, scale)) << script.first << " at " << scale;
}

INSTANTIATE_TEST_SUITE_P(EveryPrimitive, ScaledDrawing,
                         testing::Combine(testing::Values(2.0, 3.0, 1.5, 1.25),
                                          testing::Range(0, static_cast<int>(Scripts().size()))));

// ---- Text at a scale

class ScaledText : public testing::Test {
protected:
  static TPixelBuffer Text(double Scale, const std::string& S) {
    return Drawn(Scale, [&](TCanvas& c) {
      c.Font().SetName("新細明體");
      c.Font().SetHeight(-13);
      c.Font().SetColor(clBlack);
      c.Brush().SetStyle(bsClear);
      c.TextOut(1, 1, S);
    });
  }
  // The rows that have ink (darker than mid grey).
  static std::pair<int, int> InkRows(const TPixelBuffer& B) {
    int top = B.Height(), bottom = -1;
    for (int y = 0; y < B.Height(); ++y)
      for (int x = 0; x < B.Width(); ++x)
        if ((B.At(x, y) & 0xFF) < 0x80) {
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    return {top, bottom + 1};
  }
};

TEST_F(ScaledText, IsDrawnAtTwiceTheHeightAndNotEnlarged) {
  const TPixelBuffer one = Text(1.0, "伽瑪");
  const TPixelBuffer two = Text(2.0, "伽瑪");
  const auto [top1, bottom1] = InkRows(one);
  const auto [top2, bottom2] = InkRows(two);
  ASSERT_GT(bottom1 - top1, 8);
  EXPECT_NEAR(bottom2 - top2, 2 * (bottom1 - top1), 2);
  EXPECT_FALSE(two == Enlarged(one, 2.0));
}

TEST_F(ScaledText, TakesTheRoomItTakesAtScaleOne) {
  TPixelBuffer buffer;
  buffer.SetScaledSize(40, 20, 2.0);
  TCanvas scaled(&buffer);
  TBitmap plain(40, 20);
  for (TCanvas* c : {&scaled, &plain.Canvas()}) {
    c->Font().SetName("Arial");
    c->Font().SetHeight(-12);
  }
  EXPECT_EQ(scaled.TextWidth("1.0 Tavolu"), plain.Canvas().TextWidth("1.0 Tavolu"));
  EXPECT_EQ(scaled.TextHeight("1"), plain.Canvas().TextHeight("1"));
  TRect r1 = Rect(0, 0, 30, 10), r2 = r1;
  scaled.DrawText("a b c d e f g", r1, DT_CALCRECT | DT_WORDBREAK);
  plain.Canvas().DrawText("a b c d e f g", r2, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(r1, r2);
}

TEST_F(ScaledText, StaysInsideItsClipRectangle) {
  const TPixelBuffer two = Drawn(2.0, [](TCanvas& c) {
    c.Font().SetHeight(-16);
    c.Font().SetColor(clBlack);
    c.Brush().SetStyle(bsClear);
    c.TextRect(Rect(2, 2, 9, 12), 0, 0, "WWWW");
  });
  for (int y = 0; y < two.Height(); ++y)
    for (int x = 0; x < two.Width(); ++x) {
      if (!Rect(4, 4, 18, 24).Contains({x, y})) {
        ASSERT_EQ(two.At(x, y), 0x00FFFFFFu) << x << "," << y;
      }
    }
}

TEST(ScaleFontHeight, KeepsTheKindOfHeightAndRoundsThePixels) {
  EXPECT_EQ(ScaleFontHeight(-11, 2.0), -22);
  EXPECT_EQ(ScaleFontHeight(13, 1.5), 20);
  EXPECT_EQ(ScaleFontHeight(0, 2.0), -26);
  EXPECT_EQ(ScaleFontHeight(-11, 1.0), -11);
}

// ---- Off-screen bitmaps follow the scale of the window being painted

class FollowingBitmap : public testing::Test {
protected:
  void SetUp() override {
    FBitmap.SetSize(12, 8);
    FBitmap.Canvas().Brush().SetColor(clRed);
    FBitmap.Canvas().FillRect(Rect(0, 0, 6, 8));
    FBitmap.Canvas().Font().SetColor(clBlack);
    FBitmap.Canvas().Brush().SetStyle(bsClear);
  }
  TBitmap FBitmap;
};

TEST_F(FollowingBitmap, TakesThePaintScaleWhenTextIsDrawnKeepingItsSizeAndPicture) {
  const TPixelBuffer before = FBitmap.Pixels();
  {
    const TPaintScaleScope painting(2.0, TPaintScaleScope::Exactly);
    FBitmap.Canvas().TextOut(7, 0, "x");
  }
  EXPECT_EQ(FBitmap.Pixels().Scale(), 2.0);
  EXPECT_EQ(FBitmap.Width(), 12);
  EXPECT_EQ(FBitmap.Pixels().Width(), 24);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 12; ++x)
      ASSERT_EQ(FBitmap.Pixels().At(x, y), before.At(x / 2, y / 2)) << x << "," << y;
  EXPECT_EQ(FBitmap.TransparentColor(), clRed);
}

TEST_F(FollowingBitmap, StaysAtScaleOneOutsidePaintingAndWithoutText) {
  FBitmap.Canvas().TextOut(7, 0, "x");
  {
    const TPaintScaleScope painting(2.0, TPaintScaleScope::Exactly);
    FBitmap.Canvas().FillRect(Rect(0, 0, 3, 3));
    FBitmap.Canvas().Draw(0, 0, Picture());
  }
  EXPECT_EQ(FBitmap.Pixels().Scale(), 1.0);
}

TEST_F(FollowingBitmap, AFinerPictureDrawnInItMakesItFollowToo) {
  TPixelBuffer fine;
  fine.SetScaledSize(4, 4, 2.0, 0x00123456);
  const TPaintScaleScope painting(2.0, TPaintScaleScope::Exactly);
  const TPaintScaleScope nested(1.0, TPaintScaleScope::AtLeast);
  EXPECT_EQ(CurrentPaintScale(), 2.0);
  FBitmap.Canvas().Blit(Bounds(8, 4, 4, 4), fine, Rect(0, 0, 4, 4));
  EXPECT_EQ(FBitmap.Pixels().Scale(), 2.0);
  EXPECT_EQ(FBitmap.Pixels().At(23, 15), 0x00123456u);
}

// At a fractional scale a unit covers one or two pixels by where it lies in the window. A control's
// bitmap painted for its place has the window's pattern there, so that what it shows, text
// included, is what drawing straight onto the window at that place shows.
TEST(ABitmapPaintedForItsPlace, ShowsWhatDrawingStraightThereShowsAtFractionalScales) {
  auto paint = [](TCanvas& C) {
    C.Brush().SetColor(clWhite);
    C.FillRect(Rect(0, 0, 30, 16));
    C.Font().SetName("新細明體");
    C.Font().SetHeight(-13);
    C.Font().SetColor(clBlack);
    C.Brush().SetStyle(bsClear);
    C.TextOut(2, 1, "預設值");
    C.Brush().SetColor(clNavy);
    C.FrameRect(Rect(0, 0, 30, 16));
  };
  for (const double scale : {1.25, 1.5, 1.75})
    for (const TPoint place : {TPoint{0, 0}, TPoint{1, 0}, TPoint{3, 1}, TPoint{6, 2}, TPoint{7, 3}}) {
      TPixelBuffer straight, copied;
      for (TPixelBuffer* window : {&straight, &copied})
        window->SetScaledSize(40, 22, scale, 0x00808080);
      TCanvas onStraight(&straight);
      onStraight.SetViewportOrigin(place);
      onStraight.IntersectClipRect(Rect(0, 0, 30, 16));
      paint(onStraight);

      TCanvas onCopied(&copied);
      onCopied.SetViewportOrigin(place);
      const TPaintScaleScope painting(copied.Grid().Shifted(place), TPaintScaleScope::Exactly);
      TBitmap bitmap(30, 16);
      paint(bitmap.Canvas());
      onCopied.Draw(0, 0, bitmap);
      EXPECT_TRUE(copied == straight) << "at " << scale << ", painted for (" << place.X << ", " << place.Y << ")";
    }
}

TEST_F(FollowingBitmap, StartsAtScaleOneAgainOnceEmptied) {
  {
    const TPaintScaleScope painting(2.0, TPaintScaleScope::Exactly);
    FBitmap.Canvas().TextOut(0, 0, "x");
  }
  FBitmap.Assign(nullptr);
  FBitmap.SetSize(5, 5);
  EXPECT_EQ(FBitmap.Pixels().Scale(), 1.0);
  EXPECT_EQ(FBitmap.Pixels().Width(), 5);
}

} // namespace
