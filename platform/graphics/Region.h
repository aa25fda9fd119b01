#pragma once

#include "platform/graphics/Geometry.h"

#include <vector>

enum TRegionCombine { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };

// A set of pixels kept as horizontal bands, each band a sorted list of disjoint spans. Bands do not
// overlap, and two touching bands never carry the same spans, so equal pixel sets compare equal.
class TRegion {
public:
  TRegion() = default;
  explicit TRegion(const TRect& R);

  // The platform's rounded rectangle: (Left, Top)-(Right, Bottom) with right and bottom edges
  // excluded, each corner cut by a quarter of an ellipse EllipseWidth x EllipseHeight. A pixel
  // belongs to the region when its centre lies inside the shape. Ellipse sizes beyond the rectangle
  // are clamped to it; a size under 2 leaves the corner square.
  static TRegion RoundRect(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight);

  TRegion Combine(const TRegion& Other, TRegionCombine Mode) const;
  TRegion Union(const TRegion& Other) const { return Combine(Other, RGN_OR); }
  TRegion Intersect(const TRegion& Other) const { return Combine(Other, RGN_AND); }
  TRegion Subtract(const TRegion& Other) const { return Combine(Other, RGN_DIFF); }
  TRegion Xor(const TRegion& Other) const { return Combine(Other, RGN_XOR); }

  void Offset(int DX, int DY);
  // The region with every edge moved through EdgeX and EdgeY, which must be strictly increasing (so
  // bands and spans keep their order and none vanishes): a region scaled to device pixels.
  template <class FX, class FY>
  TRegion MappedEdges(FX EdgeX, FY EdgeY) const {
    TRegion out = *this;
    for (auto& b : out.FBands) {
      b.Top = EdgeY(b.Top);
      b.Bottom = EdgeY(b.Bottom);
      for (auto& s : b.Spans) {
        s.Left = EdgeX(s.Left);
        s.Right = EdgeX(s.Right);
      }
    }
    return out;
  }
  bool IsEmpty() const { return FBands.empty(); }
  bool Contains(TPoint P) const;
  // Whether the region is exactly one rectangle (or empty).
  bool IsRectangle() const;
  TRect BoundsRect() const;
  // The region as disjoint rectangles, top to bottom, left to right.
  std::vector<TRect> Rects() const;
  // The rectangles of the region that meet R, each cut to R; cheaper than Rects() for drawing.
  std::vector<TRect> RectsIn(const TRect& R) const;

  friend bool operator==(const TRegion&, const TRegion&) = default;

private:
  struct TSpan {
    int Left, Right;
    friend bool operator==(const TSpan&, const TSpan&) = default;
  };
  struct TBand {
    int Top, Bottom;
    std::vector<TSpan> Spans;
    friend bool operator==(const TBand&, const TBand&) = default;
  };

  void AppendBand(int Top, int Bottom, std::vector<TSpan> Spans);
  const TBand* BandAt(int Y) const;

  std::vector<TBand> FBands;
};
