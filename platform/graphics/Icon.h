#pragma once

#include "platform/graphics/Graphic.h"
#include "platform/graphics/PixelBuffer.h"

#include <span>

// An icon: one or more images of different sizes, each with opacity in the top byte of its pixels.
// It shows the image nearest to the platform's large icon size (32 x 32).
class TIcon : public TGraphic {
  BRIVO_CLASS(TIcon, TGraphic)

public:
  TIcon() { FTransparent = true; }

  std::unique_ptr<TGraphic> Clone() const override;
  // From another icon, or from nothing (the icon becomes empty).
  void Assign(const TPersistent* Source) override;
  void Assign(const TIcon& Source);

  int Width() const override { return Empty() ? 0 : FImages[FCurrent].Width(); }
  int Height() const override { return Empty() ? 0 : FImages[FCurrent].Height(); }
  // The size of an icon comes from its images; setting it throws EInvalidGraphic.
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  bool Empty() const override { return FImages.empty(); }

  int ImageCount() const { return static_cast<int>(FImages.size()); }
  const TPixelBuffer& Image(int Index) const { return FImages.at(Index); }
  const TPixelBuffer& CurrentImage() const { return FImages.at(FCurrent); }
  void AddImage(const TPixelBuffer& Image);

  // An icon of one image of Width x Height: the image of that size when there is one, otherwise the
  // nearest larger (or the largest) image scaled to it.
  std::unique_ptr<TIcon> SizedCopy(int Width, int Height) const;

  void Draw(TCanvas& Canvas, const TRect& R) const override;
  void LoadFromStream(std::istream& Stream) override;
  void SaveToStream(std::ostream& Stream) const override;
  void LoadFromBytes(std::span<const std::uint8_t> File);

private:
  void ChooseCurrent();

  std::vector<TPixelBuffer> FImages;
  int FCurrent = 0;
};
