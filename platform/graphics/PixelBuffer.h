#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Scale.h"

#include <vector>

// The largest side and area a bitmap may have. Decoders refuse larger headers before allocating.
constexpr int MaxBitmapSide = 16384;
constexpr long long MaxBitmapPixels = 32LL * 1024 * 1024;

// A rectangle of 0x00RRGGBB pixels, rows top to bottom without padding. Bitmaps and window frame
// buffers keep their pixels in one of these, and canvases draw into it.
//
// A buffer covers a size in window units on a grid of device pixels (Scale.h): a window frame at
// its window's scale, a bitmap at 1 unless it followed a window's grid while it was painted into.
// Width, Height and the pixel accessors count device pixels; at scale 1 (every buffer made with a
// size) units and pixels are the same.
class TPixelBuffer {
public:
  TPixelBuffer() = default;
  TPixelBuffer(int Width, int Height, TPixel Fill = 0);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  double Scale() const { return FGrid.Scale; }
  const TUnitGrid& Grid() const { return FGrid; }
  // The size in window units.
  int UnitWidth() const { return FUnitWidth; }
  int UnitHeight() const { return FUnitHeight; }

  // Resizes to Width x Height units on the buffer's grid, keeping the top-left pixels; new pixels
  // get Fill. Throws std::length_error beyond MaxBitmapSide or MaxBitmapPixels (device pixels);
  // negative sizes count as 0.
  void SetSize(int Width, int Height, TPixel Fill = 0);
  // The same on another grid: the pixels kept are not resampled (a frame repainted whole).
  void SetScaledSize(int Width, int Height, const TUnitGrid& Grid, TPixel Fill = 0);
  // Goes to another grid keeping the picture: each unit's pixels take the colour of the unit's
  // first pixel before (nearest neighbour).
  void Rescale(const TUnitGrid& Grid);

  TPixel* ScanLine(int Y) { return FPixels.data() + static_cast<std::size_t>(Y) * FWidth; }
  const TPixel* ScanLine(int Y) const { return FPixels.data() + static_cast<std::size_t>(Y) * FWidth; }
  TPixel At(int X, int Y) const { return ScanLine(Y)[X]; }
  void Set(int X, int Y, TPixel P) { ScanLine(Y)[X] = P; }
  bool InBounds(int X, int Y) const { return X >= 0 && Y >= 0 && X < FWidth && Y < FHeight; }

  std::vector<TPixel>& Pixels() { return FPixels; }
  const std::vector<TPixel>& Pixels() const { return FPixels; }

  friend bool operator==(const TPixelBuffer&, const TPixelBuffer&) = default;

private:
  void Resize(int Width, int Height, TPixel Fill);

  int FWidth = 0;
  int FHeight = 0;
  std::vector<TPixel> FPixels;
  TUnitGrid FGrid;
  int FUnitWidth = 0;
  int FUnitHeight = 0;
};

// Throws std::length_error naming What when the size is beyond the bitmap limits.
void CheckBitmapSize(long long Width, long long Height, const char* What);
