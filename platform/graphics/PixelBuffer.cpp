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

void TPixelBuffer::SetSize(int Width, int Height, TPixel Fill) { SetScaledSize(Width, Height, FGrid, Fill); }

void TPixelBuffer::SetScaledSize(int Width, int Height, const TUnitGrid& Grid, TPixel Fill) {
  Width = std::max(Width, 0);
  Height = std::max(Height, 0);
  // Checked in units first, so that no product below overflows.
  CheckBitmapSize(Width, Height, "bitmap");
  Resize(Grid.EdgeX(Width), Grid.EdgeY(Height), Fill);
  FGrid = Grid;
  FUnitWidth = Width;
  FUnitHeight = Height;
}

void TPixelBuffer::Rescale(const TUnitGrid& Grid) {
  if (Grid == FGrid)
    return;
  TPixelBuffer old = std::move(*this);
  *this = TPixelBuffer();
  SetScaledSize(old.FUnitWidth, old.FUnitHeight, Grid);
  if (old.Empty() || Empty())
    return;
  std::vector<int> columns(static_cast<std::size_t>(FWidth));
  for (int x = 0; x < FWidth; ++x)
    columns[x] = std::min(old.FGrid.EdgeX(Grid.UnitAtX(x)), old.FWidth - 1);
  for (int y = 0; y < FHeight; ++y) {
    const TPixel* src = old.ScanLine(std::min(old.FGrid.EdgeY(Grid.UnitAtY(y)), old.FHeight - 1));
    TPixel* dst = ScanLine(y);
    for (int x = 0; x < FWidth; ++x)
      dst[x] = src[columns[x]];
  }
}

void TPixelBuffer::Resize(int Width, int Height, TPixel Fill) {
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
