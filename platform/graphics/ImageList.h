#pragma once

#include "platform/core/Component.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/PixelBuffer.h"

#include <vector>

// Images of one size cut side by side from bitmaps, each with a mask of the pixels it leaves out.
class TImageList : public TComponent {
  BRIVO_CLASS(TImageList, TComponent)

public:
  explicit TImageList(TComponent* AOwner) : TComponent(AOwner) {}
  TImageList(TComponent* AOwner, int Width, int Height);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Changing the size clears the list.
  void SetWidth(int Value);
  void SetHeight(int Value);
  int Count() const { return static_cast<int>(FImages.size()); }

  // Cuts Image into Width-wide pieces and adds each; pixels set in Mask (any non-black pixel)
  // are left out when drawing. Returns the index of the first added image, -1 when none fit.
  int Add(const TBitmap& Image, const TBitmap* Mask = nullptr);
  // As Add, with the pixels of MaskColor left out.
  int AddMasked(const TBitmap& Image, TColor MaskColor);
  void Delete(int Index);
  void Clear();

  // Draws image Index with its top-left at (X, Y); disabled images are drawn greyed. An index out
  // of range draws nothing.
  void Draw(TCanvas& Canvas, int X, int Y, int Index, bool Enabled = true) const;
  // Copies image Index into Bitmap (masked pixels become Bitmap's transparent colour, which is set
  // to the colour they had); returns false for an index out of range.
  bool GetBitmap(int Index, TBitmap& Bitmap) const;

  // Told after images are added or removed, or the size changes.
  TNotifyEvent OnChange;

private:
  void Changed();

  int FWidth = 16;
  int FHeight = 16;
  // Each image keeps its pixels with opacity in the top byte: 0 for masked pixels, 255 for others.
  std::vector<TPixelBuffer> FImages;
};
