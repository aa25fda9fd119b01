#include "platform/graphics/ImageList.h"

#include "platform/core/ClassInfo.h"
#include "platform/graphics/Scale.h"

#include <algorithm>
#include <functional>

namespace {

// Images are kept at scale 1: a bitmap of another scale gives each unit's top-left pixel.
TPixel UnitPixel(const TPixelBuffer& Image, int X, int Y) {
  return Image.At(Image.Grid().EdgeX(X), Image.Grid().EdgeY(Y));
}

int AddPieces(std::vector<TPixelBuffer>& Images, int W, int H, const TBitmap& Image,
              const std::function<bool(int, int)>& Masked) {
  if (W <= 0 || H <= 0 || Image.Width() < W)
    return -1;
  const int first = static_cast<int>(Images.size());
  for (int left = 0; left + W <= Image.Width(); left += W) {
    TPixelBuffer piece(W, H, 0);
    for (int y = 0; y < std::min(H, Image.Height()); ++y)
      for (int x = 0; x < W; ++x) {
        const TPixel p = UnitPixel(Image.Pixels(), left + x, y) & 0x00FFFFFF;
        piece.Set(x, y, Masked(left + x, y) ? p : p | 0xFF000000u);
      }
    Images.push_back(std::move(piece));
  }
  return first;
}

}  // namespace

const TClassInfo& TImageList::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TImageList>()
                                     .Integer("Height", &TImageList::Height, &TImageList::SetHeight)
                                     .Default(16)
                                     .Integer("Width", &TImageList::Width, &TImageList::SetWidth)
                                     .Default(16)
                                     .Event("OnChange", &TImageList::OnChange)
                                     .Build();
  return Info;
}

TImageList::TImageList(TComponent* AOwner, int Width, int Height)
    : TComponent(AOwner), FWidth(std::max(Width, 1)), FHeight(std::max(Height, 1)) {}

void TImageList::Changed() {
  if (OnChange)
    OnChange(this);
}

void TImageList::Clear() {
  FImages.clear();
  Changed();
}

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
  const int first = AddPieces(FImages, FWidth, FHeight, Image, [&](int x, int y) {
    return Mask && x < Mask->Width() && y < Mask->Height() && (UnitPixel(Mask->Pixels(), x, y) & 0x00FFFFFF) != 0;
  });
  if (first >= 0)
    Changed();
  return first;
}

int TImageList::AddMasked(const TBitmap& Image, TColor MaskColor) {
  const TPixel key = ColorToPixel(MaskColor);
  const int first = AddPieces(FImages, FWidth, FHeight, Image,
                              [&](int x, int y) { return (UnitPixel(Image.Pixels(), x, y) & 0x00FFFFFF) == key; });
  if (first >= 0)
    Changed();
  return first;
}

void TImageList::Delete(int Index) {
  if (Index < 0 || Index >= Count())
    return;
  FImages.erase(FImages.begin() + Index);
  Changed();
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
  if (Bitmap.Pixels().Scale() != 1.0)
    Bitmap.SetSize(0, 0);
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
