#include "platform/graphics/Canvas.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/TextEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

TPixel Blend(TPixel Dst, TPixel Src, unsigned Alpha) {
  auto channel = [&](int shift) {
    const int d = static_cast<int>((Dst >> shift) & 0xFF), s = static_cast<int>((Src >> shift) & 0xFF);
    return static_cast<TPixel>(d + ((s - d) * static_cast<int>(Alpha) + (s > d ? 127 : -127)) / 255) << shift;
  };
  return channel(16) | channel(8) | channel(0);
}

int FloorMod(int A, int B) {
  const int m = A % B;
  return m < 0 ? m + B : m;
}

// Source index for destination offset I of N cells covering a source span of S pixels: the source
// pixel under the destination pixel's centre.
int NearestSource(int I, int N, int S) {
  return static_cast<int>(((2LL * I + 1) * S) / (2LL * N));
}

}  // namespace

template <class F>
void TCanvas::ForEachVisible(const TRect& R, F Fn) const {
  if (!FTarget)
    return;
  const TRect r = IntersectRect(R, Rect(0, 0, FTarget->Width(), FTarget->Height()));
  if (r.IsEmpty())
    return;
  const TRegion* clip = DeviceClip();
  if (!clip) {
    Fn(r);
    return;
  }
  if (clip->IsRectangle()) {
    const TRect piece = IntersectRect(r, clip->BoundsRect());
    if (!piece.IsEmpty())
      Fn(piece);
    return;
  }
  for (const TRect& piece : clip->RectsIn(r))
    Fn(piece);
}

const TRegion* TCanvas::DeviceClip() const {
  if (!FClip)
    return nullptr;
  const TUnitGrid& grid = Grid();
  if (grid.Scale == 1.0)
    return &*FClip;
  if (FDeviceClipStale || FDeviceClipGrid != grid) {
    FDeviceClip = grid.DeviceRegion(*FClip);
    FDeviceClipGrid = grid;
    FDeviceClipStale = false;
  }
  return &FDeviceClip;
}

bool TCanvas::IsVisible(int DeviceX, int DeviceY) const {
  if (!FTarget || !FTarget->InBounds(DeviceX, DeviceY))
    return false;
  const TRegion* clip = DeviceClip();
  return !clip || clip->Contains({DeviceX, DeviceY});
}

void TCanvas::FollowPaintScale() {
  if (!FFollowsPaintScale || !FTarget)
    return;
  // Never to a coarser scale: the bitmap may be drawn at a larger one later on.
  const TUnitGrid& painted = CurrentPaintGrid();
  if (painted.Scale < FTarget->Scale() || painted == FTarget->Grid())
    return;
  FTarget->Rescale(painted);
  ClipChanged();
}

TColor TCanvas::Pixel(int X, int Y) const {
  const int dx = Grid().EdgeX(X + FOrigin.X), dy = Grid().EdgeY(Y + FOrigin.Y);
  if (!IsVisible(dx, dy))
    return clNone;
  return PixelToColor(FTarget->At(dx, dy));
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
  PlotUnit(X + FOrigin.X, Y + FOrigin.Y, ColorToPixel(Color));
}

void TCanvas::PlotUnit(int X, int Y, TPixel P) {
  if (Grid().Scale != 1.0) {
    FillDevice(DevicePixels(Bounds(X, Y, 1, 1)), P);
    return;
  }
  if (IsVisible(X, Y))
    FTarget->Set(X, Y, P);
}

void TCanvas::InvertUnit(int X, int Y) {
  if (Grid().Scale != 1.0) {
    ForEachVisible(DevicePixels(Bounds(X, Y, 1, 1)), [&](const TRect& piece) {
      for (int y = piece.Top; y < piece.Bottom; ++y)
        for (int x = piece.Left; x < piece.Right; ++x)
          FTarget->Set(x, y, FTarget->At(x, y) ^ 0x00FFFFFF);
    });
    return;
  }
  if (IsVisible(X, Y))
    FTarget->Set(X, Y, FTarget->At(X, Y) ^ 0x00FFFFFF);
}

void TCanvas::PenUnit(int X, int Y, TPixel P) {
  auto paint = [&](int x, int y) {
    switch (FPen.Mode()) {
    case pmCopy:
      FTarget->Set(x, y, P);
      break;
    case pmNot:
      FTarget->Set(x, y, FTarget->At(x, y) ^ 0x00FFFFFF);
      break;
    case pmXor:
      FTarget->Set(x, y, FTarget->At(x, y) ^ P);
      break;
    }
  };
  if (Grid().Scale == 1.0) {
    if (IsVisible(X, Y))
      paint(X, Y);
    return;
  }
  ForEachVisible(DevicePixels(Bounds(X, Y, 1, 1)), [&](const TRect& piece) {
    for (int y = piece.Top; y < piece.Bottom; ++y)
      for (int x = piece.Left; x < piece.Right; ++x)
        paint(x, y);
  });
}

void TCanvas::FillDevice(const TRect& R, TPixel Colour) {
  ForEachVisible(R, [&](const TRect& piece) {
    for (int y = piece.Top; y < piece.Bottom; ++y)
      std::fill(FTarget->ScanLine(y) + piece.Left, FTarget->ScanLine(y) + piece.Right, Colour);
  });
}

void TCanvas::FillDevice(const TRect& R) {
  if (FBrush.Style() == bsClear)
    return;
  const TBitmap* pattern = FBrush.Bitmap();
  if (pattern && !pattern->Empty()) {
    const TPixelBuffer& tile = pattern->Pixels();
    const TUnitGrid& grid = Grid();
    // At one whole-number scale the pattern's pixels tile the pixels, as its units tile the units.
    if (tile.Scale() == grid.Scale && ScalePeriod(grid.Scale) == 1) {
      ForEachVisible(R, [&](const TRect& piece) {
        for (int y = piece.Top; y < piece.Bottom; ++y) {
          const TPixel* src = tile.ScanLine(FloorMod(y, tile.Height()));
          TPixel* dst = FTarget->ScanLine(y);
          for (int x = piece.Left; x < piece.Right; ++x)
            dst[x] = src[FloorMod(x, tile.Width())];
        }
      });
      return;
    }
    // Each unit shows the pattern's unit at its place: the pattern tiled over units, enlarged.
    std::vector<int> columns;
    ForEachVisible(R, [&](const TRect& piece) {
      columns.resize(static_cast<std::size_t>(piece.Width()));
      for (int x = piece.Left; x < piece.Right; ++x)
        columns[x - piece.Left] =
            std::min(tile.Grid().EdgeX(FloorMod(grid.UnitAtX(x), tile.UnitWidth())), tile.Width() - 1);
      for (int y = piece.Top; y < piece.Bottom; ++y) {
        const TPixel* src =
            tile.ScanLine(std::min(tile.Grid().EdgeY(FloorMod(grid.UnitAtY(y), tile.UnitHeight())), tile.Height() - 1));
        TPixel* dst = FTarget->ScanLine(y);
        for (int x = piece.Left; x < piece.Right; ++x)
          dst[x] = src[columns[x - piece.Left]];
      }
    });
    return;
  }
  FillDevice(R, ColorToPixel(FBrush.Color()));
}

void TCanvas::FillRect(const TRect& R) { FillDevice(DeviceRect(R)); }

void TCanvas::FrameRect(const TRect& R) {
  if (R.IsEmpty())
    return;
  const TRect d = OffsetRect(R, FOrigin.X, FOrigin.Y);
  FillDevice(DevicePixels({d.Left, d.Top, d.Right, d.Top + 1}));
  if (d.Height() > 1)
    FillDevice(DevicePixels({d.Left, d.Bottom - 1, d.Right, d.Bottom}));
  FillDevice(DevicePixels({d.Left, d.Top + 1, d.Left + 1, d.Bottom - 1}));
  if (d.Width() > 1)
    FillDevice(DevicePixels({d.Right - 1, d.Top + 1, d.Right, d.Bottom - 1}));
}

void TCanvas::Rectangle(int Left, int Top, int Right, int Bottom) {
  const TRect r = NormalizeRect(Rect(Left, Top, Right, Bottom));
  if (FPen.Style() == psClear) {
    // Without a pen the platform fills one pixel less to the right and bottom.
    FillRect({r.Left, r.Top, r.Right - 1, r.Bottom - 1});
    return;
  }
  FillRect(InflateRect(r, -1, -1));
  TRegion outline = TRegion(r).Subtract(TRegion(InflateRect(r, -1, -1)));
  outline.Offset(FOrigin.X, FOrigin.Y);
  const TPixel colour = ColorToPixel(FPen.Color());
  for (const TRect& piece : outline.Rects())
    FillDevice(DevicePixels(piece), colour);
}

void TCanvas::RoundRect(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight) {
  TRegion shape = TRegion::RoundRect(Left, Top, Right, Bottom, EllipseWidth, EllipseHeight);
  shape.Offset(FOrigin.X, FOrigin.Y);
  if (FPen.Style() == psClear) {
    for (const TRect& piece : shape.Rects())
      FillDevice(DevicePixels(piece));
    return;
  }
  // The outline is every pixel of the shape with a side neighbour outside it.
  TRegion inner = shape;
  for (const TPoint step : {Point(1, 0), Point(-1, 0), Point(0, 1), Point(0, -1)}) {
    TRegion moved = shape;
    moved.Offset(step.X, step.Y);
    inner = inner.Intersect(moved);
  }
  for (const TRect& piece : inner.Rects())
    FillDevice(DevicePixels(piece));
  const TPixel colour = ColorToPixel(FPen.Color());
  for (const TRect& piece : shape.Subtract(inner).Rects())
    FillDevice(DevicePixels(piece), colour);
}

void TCanvas::FillRegion(const TRegion& Region) {
  TRegion r = Region;
  r.Offset(FOrigin.X, FOrigin.Y);
  for (const TRect& piece : r.Rects())
    FillDevice(DevicePixels(piece));
}

void TCanvas::LineTo(int X, int Y) {
  const TPoint from = FPenPos;
  FPenPos = {X, Y};
  if (FPen.Style() == psClear || !FTarget)
    return;
  int x = from.X + FOrigin.X, y = from.Y + FOrigin.Y;
  const int x1 = X + FOrigin.X, y1 = Y + FOrigin.Y;
  const int dx = std::abs(x1 - x), dy = -std::abs(y1 - y);
  const int sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
  const TPixel colour = ColorToPixel(FPen.Color());
  const int w = FPen.Width(), half = (w - 1) / 2;
  int err = dx + dy;
  while (x != x1 || y != y1) {
    for (int py = y - half; py < y - half + w; ++py)
      for (int px = x - half; px < x - half + w; ++px)
        PenUnit(px, py, colour);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

void TCanvas::DrawFocusRect(const TRect& R) {
  const TRect d = OffsetRect(NormalizeRect(R), FOrigin.X, FOrigin.Y);
  if (d.IsEmpty())
    return;
  // Every other pixel of the edge, by the parity of its position on the buffer, each pixel once.
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0)
      InvertUnit(x, y);
  };
  for (int x = d.Left; x < d.Right; ++x) {
    dot(x, d.Top);
    if (d.Bottom - 1 > d.Top)
      dot(x, d.Bottom - 1);
  }
  for (int y = d.Top + 1; y < d.Bottom - 1; ++y) {
    dot(d.Left, y);
    if (d.Right - 1 > d.Left)
      dot(d.Right - 1, y);
  }
}

void TCanvas::Draw(int X, int Y, const TGraphic& Graphic) {
  if (!Graphic.Empty())
    Graphic.Draw(*this, Bounds(X, Y, Graphic.Width(), Graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& R, const TGraphic& Graphic) {
  if (!Graphic.Empty())
    Graphic.Draw(*this, R);
}

void TCanvas::CopyRect(const TRect& Dest, const TCanvas& Source, const TRect& SourceRect) {
  if (!Source.FTarget)
    return;
  Blit(Dest, *Source.FTarget, OffsetRect(SourceRect, Source.FOrigin.X, Source.FOrigin.Y));
}

void TCanvas::TransparentCopy(const TRect& Dest, const TBitmap& Source, const TRect& SourceRect, TColor KeyColor) {
  Blit(Dest, Source.Pixels(), SourceRect, bmKeyColor, ColorToPixel(KeyColor));
}

void TCanvas::Blit(const TRect& Dest, const TPixelBuffer& Source, const TRect& SourceRect, TBlitMode Mode,
                   TPixel Key) {
  if (!FTarget || Source.Empty())
    return;
  if (Source.Scale() > Grid().Scale && &Source != FTarget)
    FollowPaintScale();
  const TUnitGrid &grid = Grid(), &sourceGrid = Source.Grid();
  TRect d = OffsetRect(Dest, FOrigin.X, FOrigin.Y);
  TRect s = SourceRect;
  // Between buffers of one whole-number scale pixels map to pixels, and so they do at a fractional
  // scale for a copy between places whose units lie alike on their pixels (a control's bitmap on
  // its window). Otherwise units map to units, as the picture drawn at scale 1 and enlarged: a
  // destination pixel takes the source unit under its unit, at the same place inside the unit
  // where both units have it, else the unit's top-left pixel.
  const bool byPixels =
      grid.Scale == sourceGrid.Scale &&
      (ScalePeriod(grid.Scale) == 1 ||
       (d.Width() == s.Width() && d.Height() == s.Height() && d.Width() > 0 && d.Height() > 0 &&
        grid.Shifted(d.TopLeft()) == sourceGrid.Shifted(s.TopLeft())));
  if (byPixels) {
    d = grid.DeviceRect(d);
    s = sourceGrid.DeviceRect(s);
  }
  bool mirrorX = d.Right < d.Left, mirrorY = d.Bottom < d.Top;
  if (s.Right < s.Left)
    mirrorX = !mirrorX;
  if (s.Bottom < s.Top)
    mirrorY = !mirrorY;
  d = NormalizeRect(d);
  s = NormalizeRect(s);
  if (d.IsEmpty() || s.IsEmpty())
    return;
  // Copying within one buffer reads from a snapshot, so overlapping rectangles stay correct.
  TPixelBuffer snapshot;
  const TPixelBuffer* src = &Source;
  if (&Source == FTarget) {
    snapshot = Source;
    src = &snapshot;
  }
  const int dw = d.Width(), dh = d.Height(), sw = s.Width(), sh = s.Height();
  const bool oneToOne = dw == sw && dh == sh && !mirrorX && !mirrorY;
  // The source pixel for destination pixel P along one axis (Low: d's first pixel or unit).
  auto sourceOf = [&](bool X, int P, int Low, int Length, int SourceLow, int SourceLength, bool Mirror) {
    if (byPixels) {
      int j = P - Low;
      if (Mirror)
        j = Length - 1 - j;
      return SourceLow + (oneToOne ? j : NearestSource(j, Length, SourceLength));
    }
    auto edge = [X](const TUnitGrid& G, int U) { return X ? G.EdgeX(U) : G.EdgeY(U); };
    const int unit = X ? grid.UnitAtX(P) : grid.UnitAtY(P);
    int j = unit - Low;
    if (Mirror)
      j = Length - 1 - j;
    const int at = SourceLow + (oneToOne ? j : NearestSource(j, Length, SourceLength));
    const int first = edge(sourceGrid, at);
    if (!oneToOne)
      return first;
    return std::min(first + P - edge(grid, unit), edge(sourceGrid, at + 1) - 1);
  };
  const TRect area = byPixels ? d : DevicePixels(d);
  std::vector<int> columns;
  ForEachVisible(area, [&](const TRect& piece) {
    columns.resize(static_cast<std::size_t>(piece.Width()));
    for (int x = piece.Left; x < piece.Right; ++x)
      columns[x - piece.Left] = sourceOf(true, x, d.Left, dw, s.Left, sw, mirrorX);
    for (int y = piece.Top; y < piece.Bottom; ++y) {
      const int sy = sourceOf(false, y, d.Top, dh, s.Top, sh, mirrorY);
      if (sy < 0 || sy >= src->Height())
        continue;
      const TPixel* srow = src->ScanLine(sy);
      TPixel* drow = FTarget->ScanLine(y);
      if (Mode == bmOpaque && oneToOne && byPixels && columns.front() >= 0 && columns.back() < src->Width()) {
        std::copy_n(srow + columns.front(), piece.Width(), drow + piece.Left);
        continue;
      }
      for (int x = piece.Left; x < piece.Right; ++x) {
        const int sx = columns[x - piece.Left];
        if (sx < 0 || sx >= src->Width())
          continue;
        const TPixel p = srow[sx];
        switch (Mode) {
        case bmOpaque:
          drow[x] = p & 0x00FFFFFF;
          break;
        case bmKeyColor:
          if ((p & 0x00FFFFFF) != (Key & 0x00FFFFFF))
            drow[x] = p & 0x00FFFFFF;
          break;
        case bmAlpha: {
          const unsigned alpha = p >> 24;
          if (alpha == 255)
            drow[x] = p & 0x00FFFFFF;
          else if (alpha != 0)
            drow[x] = Blend(drow[x], p, alpha);
          break;
        }
        }
      }
    }
  });
}

TFontInstance& TCanvas::FontInstance() {
  if (!FFontInstance || !FInstanceFont.SameAs(FFont)) {
    FFontInstance = FindFontInstance(FFont);
    FInstanceFont.Assign(FFont);
  }
  return *FFontInstance;
}

TFontInstance& TCanvas::ScaledFontInstance(double Scale) {
  if (!FScaledFontInstance || FScaledInstanceScale != Scale || !FScaledInstanceFont.SameAs(FFont)) {
    TFont scaled;
    scaled.Assign(FFont);
    scaled.SetHeight(ScaleFontHeight(FFont.Height(), Scale));
    FScaledFontInstance = FindFontInstance(scaled);
    FScaledInstanceFont.Assign(FFont);
    FScaledInstanceScale = Scale;
  }
  return *FScaledFontInstance;
}

// The line is laid out in units by the font (pen positions, baseline, bars); at another scale the
// glyphs come from the scaled font, each put where its unit pen position lands.
void TCanvas::DrawTextLine(int X, int Y, std::u32string_view Line, int UnderlineIndex, const TRect* ClipTo) {
  FollowPaintScale();
  TFontInstance& font = FontInstance();
  const TUnitGrid& grid = Grid();
  TFontInstance& glyphs = grid.Scale == 1.0 ? font : ScaledFontInstance(grid.Scale);
  const int ux = X + FOrigin.X, uy = Y + FOrigin.Y;
  const int width = font.TextWidth(Line);
  const int baseline = uy + font.Ascent();
  const int deviceBaseline = grid.EdgeY(baseline);
  const TRect limit = Rect(ux, uy, ux + width, uy + font.CellHeight());
  const TRect clip = ClipTo ? OffsetRect(*ClipTo, FOrigin.X, FOrigin.Y) : Rect(-(1 << 26), -(1 << 26), 1 << 26, 1 << 26);
  const TRect deviceClip = DevicePixels(clip);
  if (FBrush.Style() != bsClear)
    FillDevice(DevicePixels(IntersectRect(limit, clip)), ColorToPixel(FBrush.Color()));
  const TPixel ink = ColorToPixel(FFont.Color());
  auto bar = [&](int left, int top, int right, int thickness) {
    FillDevice(DevicePixels(IntersectRect(Rect(left, top, right, top + thickness), clip)), ink);
  };
  int pen = ux;
  for (std::size_t k = 0; k < Line.size(); ++k) {
    const int advance = font.Glyph(Line[k]).Advance;
    const TGlyph& glyph = glyphs.Glyph(Line[k]);
    const TRect box =
        Bounds(grid.EdgeX(pen) + glyph.Left, deviceBaseline - glyph.Top, glyph.Width, glyph.Height);
    if (!glyph.Coverage.empty())
      ForEachVisible(IntersectRect(box, deviceClip), [&](const TRect& piece) {
        for (int y = piece.Top; y < piece.Bottom; ++y) {
          const std::uint8_t* cover = glyph.Coverage.data() + static_cast<std::size_t>(y - box.Top) * glyph.Width;
          TPixel* row = FTarget->ScanLine(y);
          for (int x = piece.Left; x < piece.Right; ++x) {
            const unsigned c = cover[x - box.Left];
            if (c == 255)
              row[x] = ink;
            else if (c != 0)
              row[x] = Blend(row[x], ink, c);
          }
        }
      });
    if (static_cast<int>(k) == UnderlineIndex)
      bar(pen, baseline + font.UnderlinePosition(), pen + advance, 1);
    pen += advance;
  }
  if (FFont.Style().Contains(fsUnderline))
    bar(ux, baseline + font.UnderlinePosition(), ux + width, font.UnderlineThickness());
  if (FFont.Style().Contains(fsStrikeOut))
    bar(ux, baseline - font.StrikeoutPosition(), ux + width, font.UnderlineThickness());
}

void TCanvas::TextOut(int X, int Y, std::string_view Text) {
  const std::u32string line = DecodeUtf8(Text);
  DrawTextLine(X, Y, line, -1, nullptr);
  FPenPos = {X + FontInstance().TextWidth(line), Y};
}

void TCanvas::TextRect(const TRect& R, int X, int Y, std::string_view Text) {
  DrawTextLine(X, Y, DecodeUtf8(Text), -1, &R);
}

int TCanvas::TextWidth(std::string_view Text) { return FontInstance().TextWidth(DecodeUtf8(Text)); }

int TCanvas::TextHeight(std::string_view) { return FontInstance().CellHeight(); }

TSize TCanvas::TextExtent(std::string_view Text) { return {TextWidth(Text), TextHeight(Text)}; }

int TCanvas::DrawText(std::string_view Text, TRect& R, unsigned Flags) {
  struct TLine {
    std::u32string Chars;
    int Underline = -1;
  };
  std::vector<TLine> lines(1);
  const std::u32string chars = DecodeUtf8(Text);
  const bool single = (Flags & DT_SINGLELINE) != 0;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    char32_t c = chars[i];
    if (!single && (c == U'\r' || c == U'\n')) {
      if (c == U'\r' && i + 1 < chars.size() && chars[i + 1] == U'\n')
        ++i;
      lines.emplace_back();
      continue;
    }
    if (c == U'&' && !(Flags & DT_NOPREFIX)) {
      if (i + 1 >= chars.size())
        continue;
      c = chars[++i];
      if (c != U'&')
        lines.back().Underline = static_cast<int>(lines.back().Chars.size());
    }
    lines.back().Chars.push_back(c);
  }
  TFontInstance& font = FontInstance();
  if ((Flags & DT_WORDBREAK) && !single) {
    // Lines longer than R break after their last space that fits; a word wider than R stays whole.
    std::vector<TLine> wrapped;
    for (TLine& line : lines) {
      std::size_t start = 0;
      while (true) {
        std::size_t breakAt = std::u32string::npos, end = start;
        int width = 0;
        for (; end < line.Chars.size(); ++end) {
          width += font.Glyph(line.Chars[end]).Advance;
          if (width > R.Width() && breakAt != std::u32string::npos)
            break;
          if (line.Chars[end] == U' ')
            breakAt = end;
        }
        const bool last = end == line.Chars.size();
        const std::size_t stop = last ? end : breakAt;
        TLine piece{line.Chars.substr(start, stop - start), -1};
        if (line.Underline >= static_cast<int>(start) && line.Underline < static_cast<int>(stop))
          piece.Underline = line.Underline - static_cast<int>(start);
        wrapped.push_back(std::move(piece));
        if (last)
          break;
        start = breakAt + 1;
      }
    }
    lines = std::move(wrapped);
  }
  const int lineHeight = font.CellHeight();
  const int total = lineHeight * static_cast<int>(lines.size());
  if (Flags & DT_CALCRECT) {
    int widest = 0;
    for (const auto& line : lines)
      widest = std::max(widest, font.TextWidth(line.Chars));
    R.Right = R.Left + widest;
    R.Bottom = R.Top + total;
    return total;
  }
  int y = R.Top;
  if (single && (Flags & DT_VCENTER))
    y = R.Top + (R.Height() - lineHeight) / 2;
  else if (single && (Flags & DT_BOTTOM))
    y = R.Bottom - lineHeight;
  const TRect* clip = (Flags & DT_NOCLIP) ? nullptr : &R;
  for (const auto& line : lines) {
    const int width = font.TextWidth(line.Chars);
    int x = R.Left;
    if (Flags & DT_CENTER)
      x = R.Left + (R.Width() - width) / 2;
    else if (Flags & DT_RIGHT)
      x = R.Right - width;
    DrawTextLine(x, y, line.Chars, line.Underline, clip);
    y += lineHeight;
  }
  return total;
}

TPoint TCanvas::SetViewportOrigin(TPoint Origin) {
  const TPoint previous = FOrigin;
  FOrigin = Origin;
  return previous;
}

void TCanvas::IntersectClipRect(const TRect& R) {
  const TRegion piece(OffsetRect(NormalizeRect(R), FOrigin.X, FOrigin.Y));
  FClip = FClip ? FClip->Intersect(piece) : piece;
  ClipChanged();
}

void TCanvas::IntersectClipRegion(const TRegion& Region) {
  TRegion piece = Region;
  piece.Offset(FOrigin.X, FOrigin.Y);
  FClip = FClip ? FClip->Intersect(piece) : piece;
  ClipChanged();
}

void TCanvas::ExcludeClipRect(const TRect& R) {
  const TRegion whole =
      FClip ? *FClip : TRegion(Rect(0, 0, FTarget ? FTarget->UnitWidth() : 0, FTarget ? FTarget->UnitHeight() : 0));
  FClip = whole.Subtract(TRegion(OffsetRect(NormalizeRect(R), FOrigin.X, FOrigin.Y)));
  ClipChanged();
}

TRect TCanvas::ClipRect() const {
  TRect box = FTarget ? Rect(0, 0, FTarget->UnitWidth(), FTarget->UnitHeight()) : TRect{};
  if (FClip)
    box = IntersectRect(box, FClip->BoundsRect());
  return box.IsEmpty() ? TRect{} : OffsetRect(box, -FOrigin.X, -FOrigin.Y);
}

int TCanvas::Save() {
  FSaved.push_back({FOrigin, FClip, FPenPos});
  return static_cast<int>(FSaved.size());
}

bool TCanvas::Restore(int Level) {
  if (Level < 0)
    Level = static_cast<int>(FSaved.size()) + 1 + Level;
  if (Level < 1 || Level > static_cast<int>(FSaved.size()))
    return false;
  TState state = std::move(FSaved[Level - 1]);
  FSaved.resize(Level - 1);
  FOrigin = state.Origin;
  FClip = std::move(state.Clip);
  FPenPos = state.PenPos;
  ClipChanged();
  return true;
}
