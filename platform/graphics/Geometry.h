#pragma once

#include <algorithm>

// Points and rectangles in the platform's integer coordinates. A rectangle's Right and Bottom are
// exclusive: (0, 0, 10, 10) covers pixels 0..9 in each direction.
struct TPoint {
  int X = 0;
  int Y = 0;

  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;

  friend bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  TPoint TopLeft() const { return {Left, Top}; }
  TPoint BottomRight() const { return {Right, Bottom}; }
  // Empty when it covers no pixel; inverted rectangles are empty too.
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  // The platform's point test: right and bottom edges are outside.
  bool Contains(TPoint P) const { return P.X >= Left && P.X < Right && P.Y >= Top && P.Y < Bottom; }

  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TPoint Point(int X, int Y) { return {X, Y}; }
inline TRect Rect(int Left, int Top, int Right, int Bottom) { return {Left, Top, Right, Bottom}; }
inline TRect Bounds(int Left, int Top, int Width, int Height) {
  return {Left, Top, Left + Width, Top + Height};
}

// The pixels both cover; an empty result is returned as (0, 0, 0, 0).
inline TRect IntersectRect(const TRect& A, const TRect& B) {
  TRect r{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
          std::min(A.Bottom, B.Bottom)};
  return r.IsEmpty() ? TRect{} : r;
}

// The smallest rectangle covering both; an empty one adds nothing.
inline TRect UnionRect(const TRect& A, const TRect& B) {
  if (A.IsEmpty())
    return B.IsEmpty() ? TRect{} : B;
  if (B.IsEmpty())
    return A;
  return {std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
          std::max(A.Bottom, B.Bottom)};
}

inline TRect OffsetRect(const TRect& R, int DX, int DY) {
  return {R.Left + DX, R.Top + DY, R.Right + DX, R.Bottom + DY};
}

inline TRect InflateRect(const TRect& R, int DX, int DY) {
  return {R.Left - DX, R.Top - DY, R.Right + DX, R.Bottom + DY};
}

// Swaps inverted edges so that Left <= Right and Top <= Bottom.
inline TRect NormalizeRect(const TRect& R) {
  return {std::min(R.Left, R.Right), std::min(R.Top, R.Bottom), std::max(R.Left, R.Right),
          std::max(R.Top, R.Bottom)};
}
