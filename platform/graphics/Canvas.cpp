#include "platform/graphics/Canvas.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/TextEngine.h"

#include <algorithm>
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
  if (!FClip) {
    Fn(r);
    return;
  }
  if (FClip->IsRectangle()) {
    const TRect piece = IntersectRect(r, FClip->BoundsRect());
    if (!piece.IsEmpty())
      Fn(piece);
    return;
  }
  for (const TRect& piece : FClip->RectsIn(r))
    Fn(piece);
}

bool TCanvas::IsVisible(int DeviceX, int DeviceY) const {
  return FTarget && FTarget->InBounds(DeviceX, DeviceY) && (!FClip || FClip->Contains({DeviceX, DeviceY}));
}

TColor TCanvas::Pixel(int X, int Y) const {
  const int dx = X + FOrigin.X, dy = Y + FOrigin.Y;
  if (!IsVisible(dx, dy))
    return clNone;
  return PixelToColor(FTarget->At(dx, dy));
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
  PlotDevice(X + FOrigin.X, Y + FOrigin.Y, ColorToPixel(Color));
}

void TCanvas::PlotDevice(int X, int Y, TPixel P) {
  if (IsVisible(X, Y))
    FTarget->Set(X, Y, P);
}

void TCanvas::InvertDevice(int X, int Y) {
  if (IsVisible(X, Y))
    FTarget->Set(X, Y, FTarget->At(X, Y) ^ 0x00FFFFFF);
}

void TCanvas::FillDevice(const TRect& R) {
  if (FBrush.Style() == bsClear)
    return;
  const TBitmap* pattern = FBrush.Bitmap();
  if (pattern && !pattern->Empty()) {
    const TPixelBuffer& tile = pattern->Pixels();
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
  const TPixel colour = ColorToPixel(FBrush.Color());
  ForEachVisible(R, [&](const TRect& piece) {
    for (int y = piece.Top; y < piece.Bottom; ++y)
      std::fill(FTarget->ScanLine(y) + piece.Left, FTarget->ScanLine(y) + piece.Right, colour);
  });
}

void TCanvas::FillRect(const TRect& R) { FillDevice(DeviceRect(R)); }

void TCanvas::FrameRect(const TRect& R) {
  if (R.IsEmpty())
    return;
  const TRect d = DeviceRect(R);
  FillDevice({d.Left, d.Top, d.Right, d.Top + 1});
  if (d.Height() > 1)
    FillDevice({d.Left, d.Bottom - 1, d.Right, d.Bottom});
  FillDevice({d.Left, d.Top + 1, d.Left + 1, d.Bottom - 1});
  if (d.Width() > 1)
    FillDevice({d.Right - 1, d.Top + 1, d.Right, d.Bottom - 1});
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
    ForEachVisible(piece, [&](const TRect& v) {
      for (int y = v.Top; y < v.Bottom; ++y)
        for (int x = v.Left; x < v.Right; ++x)
          FTarget->Set(x, y, colour);
    });
}

void TCanvas::RoundRect(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight) {
  TRegion shape = TRegion::RoundRect(Left, Top, Right, Bottom, EllipseWidth, EllipseHeight);
  shape.Offset(FOrigin.X, FOrigin.Y);
  if (FPen.Style() == psClear) {
    for (const TRect& piece : shape.Rects())
      FillDevice(piece);
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
    FillDevice(piece);
  const TPixel colour = ColorToPixel(FPen.Color());
  for (const TRect& piece : shape.Subtract(inner).Rects())
    ForEachVisible(piece, [&](const TRect& v) {
      for (int y = v.Top; y < v.Bottom; ++y)
        std::fill(FTarget->ScanLine(y) + v.Left, FTarget->ScanLine(y) + v.Right, colour);
    });
}

void TCanvas::FillRegion(const TRegion& Region) {
  TRegion r = Region;
  r.Offset(FOrigin.X, FOrigin.Y);
  for (const TRect& piece : r.Rects())
    FillDevice(piece);
}

void TCanvas::LineTo(int X, int Y) {
  const TPoint from = FPenPos;
  FPenPos = {X, Y};
  if (FPen.Style() == psClear)
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
      for (int px = x - half; px < x - half + w; ++px) {
        if (!IsVisible(px, py))
          continue;
        switch (FPen.Mode()) {
        case pmCopy:
          FTarget->Set(px, py, colour);
          break;
        case pmNot:
          FTarget->Set(px, py, FTarget->At(px, py) ^ 0x00FFFFFF);
          break;
        case pmXor:
          FTarget->Set(px, py, FTarget->At(px, py) ^ colour);
          break;
        }
      }
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
  const TRect d = DeviceRect(NormalizeRect(R));
  if (d.IsEmpty())
    return;
  // Every other pixel of the edge, by the parity of its position on the buffer, each pixel once.
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == 0)
      InvertDevice(x, y);
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
  TRect d = DeviceRect(Dest);
  bool mirrorX = d.Right < d.Left, mirrorY = d.Bottom < d.Top;
  if (SourceRect.Right < SourceRect.Left)
    mirrorX = !mirrorX;
  if (SourceRect.Bottom < SourceRect.Top)
    mirrorY = !mirrorY;
  d = NormalizeRect(d);
  const TRect s = NormalizeRect(SourceRect);
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
  std::vector<int> columns;
  ForEachVisible(d, [&](const TRect& piece) {
    columns.resize(static_cast<std::size_t>(piece.Width()));
    for (int x = piece.Left; x < piece.Right; ++x) {
      int j = x - d.Left;
      if (mirrorX)
        j = dw - 1 - j;
      columns[x - piece.Left] = s.Left + (oneToOne ? j : NearestSource(j, dw, sw));
    }
    for (int y = piece.Top; y < piece.Bottom; ++y) {
      int i = y - d.Top;
      if (mirrorY)
        i = dh - 1 - i;
      const int sy = s.Top + (oneToOne ? i : NearestSource(i, dh, sh));
      if (sy < 0 || sy >= src->Height())
        continue;
      const TPixel* srow = src->ScanLine(sy);
      TPixel* drow = FTarget->ScanLine(y);
      if (Mode == bmOpaque && oneToOne && columns.front() >= 0 && columns.back() < src->Width()) {
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

void TCanvas::DrawTextLine(int X, int Y, std::u32string_view Line, int UnderlineIndex, const TRect* ClipTo) {
  TFontInstance& font = FontInstance();
  const int dx = X + FOrigin.X, dy = Y + FOrigin.Y;
  const int width = font.TextWidth(Line);
  const int baseline = dy + font.Ascent();
  TRect limit = Rect(dx, dy, dx + width, dy + font.CellHeight());
  TRect clip = ClipTo ? DeviceRect(*ClipTo) : Rect(-(1 << 28), -(1 << 28), 1 << 28, 1 << 28);
  if (FBrush.Style() != bsClear) {
    const TPixel back = ColorToPixel(FBrush.Color());
    ForEachVisible(IntersectRect(limit, clip), [&](const TRect& piece) {
      for (int y = piece.Top; y < piece.Bottom; ++y)
        std::fill(FTarget->ScanLine(y) + piece.Left, FTarget->ScanLine(y) + piece.Right, back);
    });
  }
  const TPixel ink = ColorToPixel(FFont.Color());
  auto bar = [&](int left, int top, int right, int thickness) {
    ForEachVisible(IntersectRect(Rect(left, top, right, top + thickness), clip), [&](const TRect& piece) {
      for (int y = piece.Top; y < piece.Bottom; ++y)
        std::fill(FTarget->ScanLine(y) + piece.Left, FTarget->ScanLine(y) + piece.Right, ink);
    });
  };
  int pen = dx;
  for (std::size_t k = 0; k < Line.size(); ++k) {
    const TGlyph& glyph = font.Glyph(Line[k]);
    const TRect box = Bounds(pen + glyph.Left, baseline - glyph.Top, glyph.Width, glyph.Height);
    if (!glyph.Coverage.empty())
      ForEachVisible(IntersectRect(box, clip), [&](const TRect& piece) {
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
      bar(pen, baseline + font.UnderlinePosition(), pen + glyph.Advance, 1);
    pen += glyph.Advance;
  }
  if (FFont.Style().Contains(fsUnderline))
    bar(dx, baseline + font.UnderlinePosition(), dx + width, font.UnderlineThickness());
  if (FFont.Style().Contains(fsStrikeOut))
    bar(dx, baseline - font.StrikeoutPosition(), dx + width, font.UnderlineThickness());
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
  const TRegion piece(DeviceRect(NormalizeRect(R)));
  FClip = FClip ? FClip->Intersect(piece) : piece;
}

void TCanvas::IntersectClipRegion(const TRegion& Region) {
  TRegion piece = Region;
  piece.Offset(FOrigin.X, FOrigin.Y);
  FClip = FClip ? FClip->Intersect(piece) : piece;
}

void TCanvas::ExcludeClipRect(const TRect& R) {
  const TRegion whole = FClip ? *FClip : TRegion(Rect(0, 0, FTarget ? FTarget->Width() : 0, FTarget ? FTarget->Height() : 0));
  FClip = whole.Subtract(TRegion(DeviceRect(NormalizeRect(R))));
}

TRect TCanvas::ClipRect() const {
  TRect box = FTarget ? Rect(0, 0, FTarget->Width(), FTarget->Height()) : TRect{};
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
  return true;
}
