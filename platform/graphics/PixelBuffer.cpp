#include "platform/graphics/PixelBuffer.h"

#include <algorithm>
#include <stdexcept>
#include <string>

void CheckBitmapSize(long long Width, long long Height, const char* What) {
  if (Width > MaxBitmapSide || Height > MaxBitmapSide || Width * Height > MaxBitmapPixels)
    throw std::length_error(std::string(What) + ": " + std::to_string(Width) + " x " +
                            std::to_string(Height) + " pixels is larger than the bitmap limit");
}

TPixelBuffer::TPixelBuffer(int Width, int Height, TPixel Fill) { SetSize(Width, Height, Fill); }

void TPixelBuffer::SetSize(int Width, int Height, TPixel Fill) {
  Width = std::max(Width, 0);
  Height = std::max(Height, 0);
  if (Width == FWidth && Height == FHeight)
    return;
  CheckBitmapSize(Width, Height, "bitmap");
  if (Width == 0 || Height == 0) {
    FPixels.clear();
    FWidth = Width;
    FHeight = Height;
    return;
  }
  std::vector<TPixel> pixels(static_cast<std::size_t>(Width) * Height, Fill);
  const int keepW = std::min(Width, FWidth), keepH = std::min(Height, FHeight);
  for (int y = 0; y < keepH; ++y)
    std::copy_n(ScanLine(y), keepW, pixels.data() + static_cast<std::size_t>(y) * Width);
  FPixels.swap(pixels);
  FWidth = Width;
  FHeight = Height;
}
