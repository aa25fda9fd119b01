#pragma once

#include "platform/graphics/Color.h"

#include <vector>

// The largest side and area a bitmap may have. Decoders refuse larger headers before allocating.
constexpr int MaxBitmapSide = 16384;
constexpr long long MaxBitmapPixels = 32LL * 1024 * 1024;

// A rectangle of 0x00RRGGBB pixels, rows top to bottom without padding. Bitmaps and window frame
// buffers keep their pixels in one of these, and canvases draw into it.
class TPixelBuffer {
public:
  TPixelBuffer() = default;
  TPixelBuffer(int Width, int Height, TPixel Fill = 0);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }

  // Resizes keeping the top-left content; new pixels get Fill. Throws std::length_error beyond
  // MaxBitmapSide or MaxBitmapPixels; negative sizes count as 0.
  void SetSize(int Width, int Height, TPixel Fill = 0);

  TPixel* ScanLine(int Y) { return FPixels.data() + static_cast<std::size_t>(Y) * FWidth; }
  const TPixel* ScanLine(int Y) const { return FPixels.data() + static_cast<std::size_t>(Y) * FWidth; }
  TPixel At(int X, int Y) const { return ScanLine(Y)[X]; }
  void Set(int X, int Y, TPixel P) { ScanLine(Y)[X] = P; }
  bool InBounds(int X, int Y) const { return X >= 0 && Y >= 0 && X < FWidth && Y < FHeight; }

  std::vector<TPixel>& Pixels() { return FPixels; }
  const std::vector<TPixel>& Pixels() const { return FPixels; }

  friend bool operator==(const TPixelBuffer&, const TPixelBuffer&) = default;

private:
  int FWidth = 0;
  int FHeight = 0;
  std::vector<TPixel> FPixels;
};

// Throws std::length_error naming What when the size is beyond the bitmap limits.
void CheckBitmapSize(long long Width, long long Height, const char* What);
