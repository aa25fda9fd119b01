#include "platform/graphics/Region.h"

#include <cmath>
#include <limits>

namespace {

bool Keep(TRegionCombine Mode, bool InA, bool InB) {
  switch (Mode) {
  case RGN_AND:
    return InA && InB;
  case RGN_OR:
    return InA || InB;
  case RGN_XOR:
    return InA != InB;
  case RGN_DIFF:
    return InA && !InB;
  case RGN_COPY:
    return InA;
  }
  return false;
}

}  // namespace

TRegion::TRegion(const TRect& R) {
  if (!R.IsEmpty())
    FBands.push_back({R.Top, R.Bottom, {{R.Left, R.Right}}});
}

TRegion TRegion::RoundRect(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight) {
  const TRect box = NormalizeRect(Rect(Left, Top, Right, Bottom));
  TRegion result;
  if (box.IsEmpty())
    return result;
  const int ew = std::min(std::abs(EllipseWidth), box.Width());
  const int eh = std::min(std::abs(EllipseHeight), box.Height());
  if (ew < 2 || eh < 2)
    return TRegion(box);
  const double a = ew / 2.0, b = eh / 2.0;
  const double topCentre = box.Top + b, bottomCentre = box.Bottom - b;
  for (int y = box.Top; y < box.Bottom; ++y) {
    const double cy = y + 0.5;
    double dy = 0;
    if (cy < topCentre)
      dy = topCentre - cy;
    else if (cy > bottomCentre)
      dy = cy - bottomCentre;
    int left = box.Left, right = box.Right;
    if (dy > 0) {
      const double t = 1.0 - (dy / b) * (dy / b);
      if (t <= 0)
        continue;
      const double dx = a * std::sqrt(t);
      // First pixel whose centre is at or right of the arc, and the mirror of it on the right.
      left = static_cast<int>(std::ceil(box.Left + a - dx - 0.5));
      right = static_cast<int>(std::floor(box.Right - a + dx - 0.5)) + 1;
      left = std::max(left, box.Left);
      right = std::min(right, box.Right);
    }
    if (left < right)
      result.AppendBand(y, y + 1, {{left, right}});
  }
  return result;
}

void TRegion::AppendBand(int Top, int Bottom, std::vector<TSpan> Spans) {
  if (Spans.empty() || Top >= Bottom)
    return;
  if (!FBands.empty() && FBands.back().Bottom == Top && FBands.back().Spans == Spans) {
    FBands.back().Bottom = Bottom;
    return;
  }
  FBands.push_back({Top, Bottom, std::move(Spans)});
}

const TRegion::TBand* TRegion::BandAt(int Y) const {
  auto it = std::upper_bound(FBands.begin(), FBands.end(), Y,
                             [](int V, const TBand& B) { return V < B.Bottom; });
  return it != FBands.end() && it->Top <= Y ? &*it : nullptr;
}

TRegion TRegion::Combine(const TRegion& Other, TRegionCombine Mode) const {
  std::vector<int> ys;
  for (const auto* r : {this, &Other})
    for (const auto& b : r->FBands) {
      ys.push_back(b.Top);
      ys.push_back(b.Bottom);
    }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  static const std::vector<TSpan> none;
  TRegion result;
  std::vector<int> xs;
  for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
    const TBand* a = BandAt(ys[i]);
    const TBand* b = Other.BandAt(ys[i]);
    const auto& sa = a ? a->Spans : none;
    const auto& sb = b ? b->Spans : none;
    xs.clear();
    for (const auto& s : sa) {
      xs.push_back(s.Left);
      xs.push_back(s.Right);
    }
    for (const auto& s : sb) {
      xs.push_back(s.Left);
      xs.push_back(s.Right);
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::vector<TSpan> spans;
    std::size_t ia = 0, ib = 0;
    for (std::size_t k = 0; k + 1 < xs.size(); ++k) {
      const int x = xs[k];
      while (ia < sa.size() && sa[ia].Right <= x)
        ++ia;
      while (ib < sb.size() && sb[ib].Right <= x)
        ++ib;
      const bool inA = ia < sa.size() && sa[ia].Left <= x;
      const bool inB = ib < sb.size() && sb[ib].Left <= x;
      if (!Keep(Mode, inA, inB))
        continue;
      if (!spans.empty() && spans.back().Right == x)
        spans.back().Right = xs[k + 1];
      else
        spans.push_back({x, xs[k + 1]});
    }
    result.AppendBand(ys[i], ys[i + 1], std::move(spans));
  }
  return result;
}

void TRegion::Offset(int DX, int DY) {
  for (auto& b : FBands) {
    b.Top += DY;
    b.Bottom += DY;
    for (auto& s : b.Spans) {
      s.Left += DX;
      s.Right += DX;
    }
  }
}

bool TRegion::Contains(TPoint P) const {
  const TBand* b = BandAt(P.Y);
  if (!b)
    return false;
  for (const auto& s : b->Spans)
    if (P.X >= s.Left && P.X < s.Right)
      return true;
  return false;
}

bool TRegion::IsRectangle() const {
  return FBands.empty() || (FBands.size() == 1 && FBands[0].Spans.size() == 1);
}

TRect TRegion::BoundsRect() const {
  if (FBands.empty())
    return {};
  int left = std::numeric_limits<int>::max(), right = std::numeric_limits<int>::min();
  for (const auto& b : FBands) {
    left = std::min(left, b.Spans.front().Left);
    right = std::max(right, b.Spans.back().Right);
  }
  return {left, FBands.front().Top, right, FBands.back().Bottom};
}

std::vector<TRect> TRegion::Rects() const {
  std::vector<TRect> rects;
  for (const auto& b : FBands)
    for (const auto& s : b.Spans)
      rects.push_back({s.Left, b.Top, s.Right, b.Bottom});
  return rects;
}

std::vector<TRect> TRegion::RectsIn(const TRect& R) const {
  std::vector<TRect> rects;
  if (R.IsEmpty())
    return rects;
  auto it = std::upper_bound(FBands.begin(), FBands.end(), R.Top,
                             [](int V, const TBand& B) { return V < B.Bottom; });
  for (; it != FBands.end() && it->Top < R.Bottom; ++it)
    for (const auto& s : it->Spans) {
      const TRect piece = IntersectRect({s.Left, it->Top, s.Right, it->Bottom}, R);
      if (!piece.IsEmpty())
        rects.push_back(piece);
    }
  return rects;
}
