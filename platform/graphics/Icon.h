#pragma once

#include "platform/graphics/Graphic.h"
#include "platform/graphics/Handles.h"
#include "platform/graphics/PixelBuffer.h"

#include <memory>
#include <span>
#include <vector>

// The image of Images that suits Width x Height best: one of that size, otherwise the smallest that
// is larger both ways, otherwise the largest, scaled to the size (nearest neighbour). Empty for no
// images or a size under 1.
TPixelBuffer BestIconImage(const std::vector<TPixelBuffer>& Images, int Width, int Height);

// What an icon handle carries: its image, and every image of the icon it was made from, so that a
// copy can go back to them (the platform's copy "from the resource").
struct TIconData {
  TPixelBuffer Image;
  std::shared_ptr<const std::vector<TPixelBuffer>> Source;
};

// The icon handle table; a handle lives until DestroyIconHandle (the platform's DestroyIcon) or, for
// a handle a TIcon took or made, until that icon changes or goes.
HICON CreateIconHandle(TIconData Data);
// What a live handle carries; nullptr for a stale or unknown one.
const TIconData* IconHandleData(HICON Icon);
bool DestroyIconHandle(HICON Icon);
int OutstandingIconHandles();

// An icon: one or more images of different sizes, each with opacity in the top byte of its pixels.
// It shows the image nearest to the platform's large icon size (32 x 32).
class TIcon : public TGraphic {
  BRIVO_CLASS(TIcon, TGraphic)

public:
  TIcon() { FTransparent = true; }
  ~TIcon() override;

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

  // A handle of the icon, owned by it (made on first use, let go when the icon changes or goes): its
  // current image, with all its images to copy from.
  HICON Handle() const;
  // Takes the handle's image as the icon's only image; the icon owns the handle from then on and
  // Handle() gives it back until the icon changes. A stale or unknown handle is refused and the
  // icon left as it was.
  void SetHandle(HICON Value);

  void Draw(TCanvas& Canvas, const TRect& R) const override;
  void LoadFromStream(std::istream& Stream) override;
  void SaveToStream(std::ostream& Stream) const override;
  void LoadFromBytes(std::span<const std::uint8_t> File);

private:
  void ChooseCurrent();
  // Lets the handle go and tells OnChange.
  void ImagesChanged();

  mutable HICON FHandle = nullptr;
  std::vector<TPixelBuffer> FImages;
  int FCurrent = 0;
};
