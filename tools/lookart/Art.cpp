#include "tools/lookart/Art.h"

#include "platform/graphics/BmpCodec.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <stdexcept>

TRGBA Hex(unsigned RGB, float Alpha) {
  return {((RGB >> 16) & 0xFF) / 255.0f, ((RGB >> 8) & 0xFF) / 255.0f, (RGB & 0xFF) / 255.0f, Alpha};
}

TRGBA Mix(const TRGBA& A, const TRGBA& B, float T) {
  return {A.R + (B.R - A.R) * T, A.G + (B.G - A.G) * T, A.B + (B.B - A.B) * T, A.A + (B.A - A.A) * T};
}

TRGBA Lighten(const TRGBA& C, float T) { return Mix(C, {1, 1, 1, C.A}, T); }
TRGBA Darken(const TRGBA& C, float T) { return Mix(C, {0, 0, 0, C.A}, T); }

TShape Box(float Left, float Top, float Right, float Bottom, float Radius) {
  const float cx = (Left + Right) / 2, cy = (Top + Bottom) / 2;
  const float hx = (Right - Left) / 2, hy = (Bottom - Top) / 2;
  Radius = std::min({Radius, hx, hy});
  return [=](float X, float Y) {
    const float qx = std::abs(X - cx) - hx + Radius, qy = std::abs(Y - cy) - hy + Radius;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - Radius;
  };
}

TShape Circle(float CX, float CY, float Radius) {
  return [=](float X, float Y) { return std::hypot(X - CX, Y - CY) - Radius; };
}

TShape Ellipse(float CX, float CY, float RX, float RY) {
  return [=](float X, float Y) {
    const float nx = (X - CX) / RX, ny = (Y - CY) / RY;
    const float k = std::hypot(nx, ny);
    // Distance scaled by the gradient length, good enough for edge coverage.
    const float gx = nx / RX, gy = ny / RY;
    const float g = std::hypot(gx, gy);
    return g > 0 ? (k - 1) * k / g : -std::min(RX, RY);
  };
}

TShape Polygon(std::vector<std::pair<float, float>> Points) {
  float area = 0;
  for (std::size_t i = 0; i < Points.size(); ++i) {
    const auto& [x0, y0] = Points[i];
    const auto& [x1, y1] = Points[(i + 1) % Points.size()];
    area += x0 * y1 - x1 * y0;
  }
  if (area < 0)
    std::reverse(Points.begin(), Points.end());
  return [Points](float X, float Y) {
    float d = -1e9f;
    for (std::size_t i = 0; i < Points.size(); ++i) {
      const auto& [x0, y0] = Points[i];
      const auto& [x1, y1] = Points[(i + 1) % Points.size()];
      const float ex = x1 - x0, ey = y1 - y0, len = std::hypot(ex, ey);
      // The points turn clockwise on screen (y down), so the inside is to the right of each edge.
      d = std::max(d, ((X - x0) * ey - (Y - y0) * ex) / len);
    }
    return d;
  };
}

TShape Capsule(float X0, float Y0, float X1, float Y1, float Width) {
  return [=](float X, float Y) {
    const float ex = X1 - X0, ey = Y1 - Y0, len2 = ex * ex + ey * ey;
    const float t = len2 > 0 ? std::clamp(((X - X0) * ex + (Y - Y0) * ey) / len2, 0.0f, 1.0f) : 0;
    return std::hypot(X - X0 - ex * t, Y - Y0 - ey * t) - Width / 2;
  };
}

TShape Union(TShape A, TShape B) {
  return [=](float X, float Y) { return std::min(A(X, Y), B(X, Y)); };
}
TShape Intersect(TShape A, TShape B) {
  return [=](float X, float Y) { return std::max(A(X, Y), B(X, Y)); };
}
TShape Subtract(TShape A, TShape B) {
  return [=](float X, float Y) { return std::max(A(X, Y), -B(X, Y)); };
}
TShape Outline(TShape S, float Width) { return Subtract(S, Grow(S, -Width)); }
TShape Grow(TShape S, float By) {
  return [=](float X, float Y) { return S(X, Y) - By; };
}
TShape Translate(TShape S, float DX, float DY) {
  return [=](float X, float Y) { return S(X - DX, Y - DY); };
}

TPaint Solid(const TRGBA& C) {
  return [C](float, float) { return C; };
}

namespace {

TRGBA AtStop(const std::vector<TStop>& Stops, float T) {
  if (T <= Stops.front().At)
    return Stops.front().Color;
  for (std::size_t i = 1; i < Stops.size(); ++i)
    if (T <= Stops[i].At) {
      const float span = Stops[i].At - Stops[i - 1].At;
      return Mix(Stops[i - 1].Color, Stops[i].Color, span > 0 ? (T - Stops[i - 1].At) / span : 1);
    }
  return Stops.back().Color;
}

} // namespace

TPaint VGradient(float From, float To, std::vector<TStop> Stops) {
  return [=](float, float Y) { return AtStop(Stops, (Y - From) / (To - From)); };
}

TPaint HGradient(float From, float To, std::vector<TStop> Stops) {
  return [=](float X, float) { return AtStop(Stops, (X - From) / (To - From)); };
}

TArt::TArt(int Width, int Height)
    : FWidth(Width), FHeight(Height), FPixels(static_cast<std::size_t>(Width) * Height) {}

void TArt::Fill(const TShape& Shape, const TPaint& Paint, float Opacity) {
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      const float coverage = std::clamp(0.5f - Shape(px, py), 0.0f, 1.0f);
      if (coverage <= 0)
        continue;
      const TRGBA c = Paint(px, py);
      const float a = std::clamp(c.A * coverage * Opacity, 0.0f, 1.0f);
      TRGBA& d = FPixels[y * FWidth + x];
      d = {c.R * a + d.R * (1 - a), c.G * a + d.G * (1 - a), c.B * a + d.B * (1 - a), a + d.A * (1 - a)};
    }
}

void TArt::Set(int X, int Y, const TRGBA& Color) {
  if (X >= 0 && Y >= 0 && X < FWidth && Y < FHeight)
    FPixels[Y * FWidth + X] = {Color.R * Color.A, Color.G * Color.A, Color.B * Color.A, Color.A};
}

void TArt::Paste(const TArt& Other, int X, int Y) {
  for (int y = 0; y < Other.FHeight; ++y)
    for (int x = 0; x < Other.FWidth; ++x) {
      const int tx = X + x, ty = Y + y;
      if (tx < 0 || ty < 0 || tx >= FWidth || ty >= FHeight)
        continue;
      const TRGBA& s = Other.At(x, y);
      TRGBA& d = FPixels[ty * FWidth + tx];
      d = {s.R + d.R * (1 - s.A), s.G + d.G * (1 - s.A), s.B + d.B * (1 - s.A), s.A + d.A * (1 - s.A)};
    }
}

namespace {

constexpr TPixel KeyPixel = 0xFF00FF;

int Channel(float V) { return static_cast<int>(std::lround(std::clamp(V, 0.0f, 1.0f) * 255)); }

} // namespace

TPixelBuffer TArt::Flatten(const TRGBA& Matte, bool Keyed) const {
  TPixelBuffer out(FWidth, FHeight);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) {
      const TRGBA& p = At(x, y);
      if (Keyed && p.A < 0.5f) {
        out.Set(x, y, KeyPixel);
        continue;
      }
      const float rest = 1 - p.A;
      TPixel q = static_cast<TPixel>(Channel(p.R + Matte.R * rest) << 16 | Channel(p.G + Matte.G * rest) << 8 |
                                     Channel(p.B + Matte.B * rest));
      if (q == KeyPixel)
        q = 0xFE00FF;
      out.Set(x, y, q);
    }
  return out;
}

namespace {

struct TEntry {
  TPixel Color;
  int Count;
};

int Ch(TPixel P, int Axis) { return static_cast<int>((P >> (16 - 8 * Axis)) & 0xFF); }

long Distance(TPixel A, TPixel B) {
  static constexpr int Weights[3] = {3, 4, 2};
  long d = 0;
  for (int axis = 0; axis < 3; ++axis) {
    const long c = Ch(A, axis) - Ch(B, axis);
    d += Weights[axis] * c * c;
  }
  return d;
}

TPixel Mean(const std::vector<TEntry>& Entries) {
  double sum[3] = {}, total = 0;
  for (const TEntry& e : Entries) {
    for (int axis = 0; axis < 3; ++axis)
      sum[axis] += Ch(e.Color, axis) * static_cast<double>(e.Count);
    total += e.Count;
  }
  TPixel p = 0;
  for (int axis = 0; axis < 3; ++axis)
    p |= static_cast<TPixel>(std::lround(sum[axis] / total)) << (16 - 8 * axis);
  return p == KeyPixel ? 0xFE00FF : p;
}

// Median cut over the colours, then a few rounds of moving each entry to the mean of what it serves.
std::vector<TPixel> ChoosePalette(const std::vector<TEntry>& Colors, int Count) {
  std::vector<std::vector<TEntry>> boxes{Colors};
  while (static_cast<int>(boxes.size()) < Count) {
    int best = -1, bestAxis = 0;
    long bestScore = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].size() < 2)
        continue;
      for (int axis = 0; axis < 3; ++axis) {
        const auto [lo, hi] = std::minmax_element(boxes[i].begin(), boxes[i].end(), [axis](const TEntry& a, const TEntry& b) {
          return Ch(a.Color, axis) < Ch(b.Color, axis);
        });
        long pixels = 0;
        for (const TEntry& e : boxes[i])
          pixels += e.Count;
        const long range = Ch(hi->Color, axis) - Ch(lo->Color, axis);
        const long score = range * range * static_cast<long>(std::sqrt(static_cast<double>(pixels)) + 1);
        if (score > bestScore) {
          bestScore = score;
          best = static_cast<int>(i);
          bestAxis = axis;
        }
      }
    }
    if (best < 0)
      break;
    auto box = std::move(boxes[best]);
    std::sort(box.begin(), box.end(),
              [bestAxis](const TEntry& a, const TEntry& b) { return Ch(a.Color, bestAxis) < Ch(b.Color, bestAxis); });
    long total = 0, half = 0;
    for (const TEntry& e : box)
      total += e.Count;
    std::size_t cut = 1;
    for (std::size_t i = 0; i + 1 < box.size(); ++i) {
      half += box[i].Count;
      cut = i + 1;
      if (half * 2 >= total)
        break;
    }
    boxes[best].assign(box.begin(), box.begin() + static_cast<long>(cut));
    boxes.emplace_back(box.begin() + static_cast<long>(cut), box.end());
  }
  std::vector<TPixel> palette;
  for (const auto& box : boxes)
    palette.push_back(Mean(box));
  for (int round = 0; round < 6; ++round) {
    std::vector<std::vector<TEntry>> served(palette.size());
    for (const TEntry& e : Colors) {
      std::size_t nearest = 0;
      for (std::size_t i = 1; i < palette.size(); ++i)
        if (Distance(e.Color, palette[i]) < Distance(e.Color, palette[nearest]))
          nearest = i;
      served[nearest].push_back(e);
    }
    for (std::size_t i = 0; i < palette.size(); ++i)
      if (!served[i].empty())
        palette[i] = Mean(served[i]);
  }
  return palette;
}

} // namespace

std::vector<TPixel> Quantize(TPixelBuffer& Pixels, int MaxColors, const std::vector<TPixel>& Pinned) {
  std::map<TPixel, int> counts;
  for (TPixel p : Pixels.Pixels())
    ++counts[p & 0xFFFFFF];
  const bool keyed = counts.erase(KeyPixel) > 0;
  std::vector<TPixel> fixed;
  for (TPixel p : Pinned)
    if (counts.count(p) > 0 && p != KeyPixel)
      fixed.push_back(p);
  const int room = MaxColors - (keyed ? 1 : 0) - static_cast<int>(fixed.size());
  std::vector<TEntry> colors;
  for (const auto& [color, count] : counts)
    colors.push_back({color, count});
  std::vector<TPixel> palette;
  if (static_cast<int>(colors.size()) <= MaxColors - (keyed ? 1 : 0)) {
    for (const TEntry& e : colors)
      palette.push_back(e.Color);
  } else {
    std::erase_if(colors, [&](const TEntry& e) { return std::find(fixed.begin(), fixed.end(), e.Color) != fixed.end(); });
    palette = ChoosePalette(colors, room);
    palette.insert(palette.end(), fixed.begin(), fixed.end());
    std::map<TPixel, TPixel> mapped;
    for (TPixel p : fixed)
      mapped[p] = p;
    for (const TEntry& e : colors) {
      TPixel nearest = palette.front();
      for (TPixel p : palette)
        if (Distance(e.Color, p) < Distance(e.Color, nearest))
          nearest = p;
      mapped[e.Color] = nearest;
    }
    for (TPixel& p : Pixels.Pixels())
      if ((p & 0xFFFFFF) != KeyPixel)
        p = mapped[p & 0xFFFFFF];
    std::sort(palette.begin(), palette.end());
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
  }
  if (keyed)
    palette.push_back(KeyPixel);
  return palette;
}

int CountColors(const TPixelBuffer& Pixels) {
  std::vector<TPixel> all(Pixels.Pixels());
  for (TPixel& p : all)
    p &= 0xFFFFFF;
  std::sort(all.begin(), all.end());
  return static_cast<int>(std::unique(all.begin(), all.end()) - all.begin());
}

void WriteBmp(const std::string& Path, TPixelBuffer Pixels, int BitsPerPixel, const std::vector<TPixel>& Pinned) {
  TBmpWriteOptions options;
  options.BitsPerPixel = BitsPerPixel;
  if (BitsPerPixel <= 8)
    options.Palette = Quantize(Pixels, 1 << BitsPerPixel, Pinned);
  const std::vector<std::uint8_t> file = EncodeBmp(Pixels, options);
  std::ofstream out(Path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out)
    throw std::runtime_error("cannot write " + Path);
}
