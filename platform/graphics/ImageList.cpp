#include "platform/graphics/ImageList.h"

#include <algorithm>
#include <functional>

namespace {

int AddPieces(std::vector<TPixelBuffer>& Images, int W, int H, const TBitmap& Image,
              const std::function<bool(int, int)>& Masked) {
  if (W <= 0 || H <= 0 || Image.Width() < W)
    return -1;
  const int first = static_cast<int>(Images.size());
  for (int left = 0; left + W <= Image.Width(); left += W) {
    TPixelBuffer piece(W, H, 0);
    for (int y = 0; y < std::min(H, Image.Height()); ++y)
      for (int x = 0; x < W; ++x) {
        const TPixel p = Image.Pixels().At(left + x, y) & 0x00FFFFFF;
        piece.Set(x, y, Masked(left + x, y) ? p : p | 0xFF000000u);
      }
    Images.push_back(std::move(piece));
  }
  return first;
}

}  // namespace

TImageList::TImageList(int Width, int Height) : FWidth(std::max(Width, 1)), FHeight(std::max(Height, 1)) {}

void TImageList::SetWidth(int Value) {
  if (Value == FWidth || Value < 1)
    return;
  FWidth = Value;
  Clear();
}

void TImageList::SetHeight(int Value) {
  if (Value == FHeight || Value < 1)
    return;
  FHeight = Value;
  Clear();
}

int TImageList::Add(const TBitmap& Image, const TBitmap* Mask) {
  return AddPieces(FImages, FWidth, FHeight, Image, [&](int x, int y) {
    return Mask && Mask->Pixels().InBounds(x, y) && (Mask->Pixels().At(x, y) & 0x00FFFFFF) != 0;
  });
}

int TImageList::AddMasked(const TBitmap& Image, TColor MaskColor) {
  const TPixel key = ColorToPixel(MaskColor);
  return AddPieces(FImages, FWidth, FHeight, Image,
                   [&](int x, int y) { return (Image.Pixels().At(x, y) & 0x00FFFFFF) == key; });
}

void TImageList::Delete(int Index) {
  if (Index >= 0 && Index < Count())
    FImages.erase(FImages.begin() + Index);
}

void TImageList::Draw(TCanvas& Canvas, int X, int Y, int Index, bool Enabled) const {
  if (Index < 0 || Index >= Count())
    return;
  const TPixelBuffer& image = FImages[Index];
  if (Enabled) {
    Canvas.Blit(Bounds(X, Y, FWidth, FHeight), image, Rect(0, 0, FWidth, FHeight), bmAlpha);
    return;
  }
  // Greyed: each pixel's brightness, lifted halfway towards white, so the picture reads as inactive.
  TPixelBuffer grey = image;
  for (TPixel& p : grey.Pixels()) {
    const unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    const unsigned luma = (r * 299 + g * 587 + b * 114) / 1000;
    const unsigned v = (luma + 255) / 2;
    p = (p & 0xFF000000u) | v << 16 | v << 8 | v;
  }
  Canvas.Blit(Bounds(X, Y, FWidth, FHeight), grey, Rect(0, 0, FWidth, FHeight), bmAlpha);
}

bool TImageList::GetBitmap(int Index, TBitmap& Bitmap) const {
  if (Index < 0 || Index >= Count())
    return false;
  const TPixelBuffer& image = FImages[Index];
  Bitmap.SetSize(FWidth, FHeight);
  TPixel key = 0;
  for (TPixel p : image.Pixels())
    if ((p >> 24) == 0) {
      key = p & 0x00FFFFFF;
      break;
    }
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) {
      const TPixel p = image.At(x, y);
      Bitmap.Pixels().Set(x, y, (p >> 24) == 0 ? key : p & 0x00FFFFFF);
    }
  Bitmap.SetTransparentColor(PixelToColor(key));
  Bitmap.Modified();
  return true;
}
