#pragma once

#include "platform/graphics/Bitmap.h"

#include <functional>
#include <string>
#include <vector>

// Anti-aliased painting for the look artwork. Shapes are signed distance functions (negative
// inside, in pixels) sampled at pixel centres, so every curved edge gets its coverage from its
// distance; paints give the colour at a point. Layers keep premultiplied colour with coverage and
// are flattened into our bitmaps, then reduced to the palette their file depth allows.

struct TRGBA {
  float R = 0, G = 0, B = 0, A = 0;
};

// 0xRRGGBB, as colours are written in drawing programs.
TRGBA Hex(unsigned RGB, float Alpha = 1);
TRGBA Mix(const TRGBA& A, const TRGBA& B, float T);
TRGBA Lighten(const TRGBA& C, float T); // towards white
TRGBA Darken(const TRGBA& C, float T);  // towards black

using TShape = std::function<float(float X, float Y)>;
using TPaint = std::function<TRGBA(float X, float Y)>;

// Shapes. Rectangles take edges (right and bottom exclusive) like the platform's.
TShape Box(float Left, float Top, float Right, float Bottom, float Radius = 0);
TShape Circle(float CX, float CY, float Radius);
TShape Ellipse(float CX, float CY, float RX, float RY);
// A convex polygon, points in either winding.
TShape Polygon(std::vector<std::pair<float, float>> Points);
// A segment with round ends, Width thick.
TShape Capsule(float X0, float Y0, float X1, float Y1, float Width);
TShape Union(TShape A, TShape B);
TShape Intersect(TShape A, TShape B);
TShape Subtract(TShape A, TShape B);
// The band of Width pixels just inside the shape's edge.
TShape Outline(TShape S, float Width);
TShape Grow(TShape S, float By);
TShape Translate(TShape S, float DX, float DY);

// Paints.
TPaint Solid(const TRGBA& C);
// Colours at fractions 0..1 of the span From..To along Y (or X), interpolated linearly.
struct TStop {
  float At;
  TRGBA Color;
};
TPaint VGradient(float From, float To, std::vector<TStop> Stops);
TPaint HGradient(float From, float To, std::vector<TStop> Stops);

class TArt {
public:
  TArt(int Width, int Height);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }

  void Fill(const TShape& Shape, const TPaint& Paint, float Opacity = 1);
  void Fill(const TShape& Shape, const TRGBA& Color, float Opacity = 1) { Fill(Shape, Solid(Color), Opacity); }
  // Exact pixels, no blending (for pin-stripes and other crisp detail).
  void Set(int X, int Y, const TRGBA& Color);
  const TRGBA& At(int X, int Y) const { return FPixels[Y * FWidth + X]; }
  // Pastes another layer at (X, Y), blending it over this one.
  void Paste(const TArt& Other, int X, int Y);

  // Pixels composited over Matte. With Keyed, pixels that the art covers less than half become
  // the key colour $FF00FF; no other pixel ever gets that colour.
  TPixelBuffer Flatten(const TRGBA& Matte, bool Keyed) const;

private:
  int FWidth, FHeight;
  std::vector<TRGBA> FPixels;
};

// Reduces Pixels to at most MaxColors colours and returns the palette. The key colour and the
// Pinned colours, where the picture holds them, keep exact entries of their own; no other pixel is
// mapped to the key.
std::vector<TPixel> Quantize(TPixelBuffer& Pixels, int MaxColors, const std::vector<TPixel>& Pinned = {});

// The number of distinct colours.
int CountColors(const TPixelBuffer& Pixels);

// Writes a BMP of the given depth: 4 and 8 bits get a palette of the picture's own colours.
void WriteBmp(const std::string& Path, TPixelBuffer Pixels, int BitsPerPixel, const std::vector<TPixel>& Pinned = {});
