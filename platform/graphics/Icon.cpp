#include "platform/graphics/Icon.h"

#include "platform/core/ClassInfo.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/IcoCodec.h"

#include <cstdlib>
#include <istream>
#include <ostream>

std::unique_ptr<TGraphic> TIcon::Clone() const {
  auto copy = std::make_unique<TIcon>();
  copy->Assign(*this);
  return copy;
}

const TClassInfo& TIcon::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TIcon>().Build();
  return Info;
}

void TIcon::Assign(const TPersistent* Source) {
  if (Source == nullptr) {
    FImages.clear();
    FCurrent = 0;
    Changed();
    return;
  }
  if (const auto* icon = dynamic_cast<const TIcon*>(Source)) {
    Assign(*icon);
    return;
  }
  TGraphic::Assign(Source);
}

void TIcon::Assign(const TIcon& Source) {
  if (&Source == this)
    return;
  FImages = Source.FImages;
  FCurrent = Source.FCurrent;
  Changed();
}

void TIcon::SetWidth(int) { throw EInvalidGraphic("ICO: cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphic("ICO: cannot change the size of an icon"); }

void TIcon::AddImage(const TPixelBuffer& Image) {
  FImages.push_back(Image);
  ChooseCurrent();
  Changed();
}

void TIcon::ChooseCurrent() {
  FCurrent = 0;
  auto distance = [](const TPixelBuffer& b) { return std::abs(b.Width() - 32) + std::abs(b.Height() - 32); };
  for (int i = 1; i < ImageCount(); ++i)
    if (distance(FImages[i]) < distance(FImages[FCurrent]))
      FCurrent = i;
}

std::unique_ptr<TIcon> TIcon::SizedCopy(int Width, int Height) const {
  auto copy = std::make_unique<TIcon>();
  if (Empty() || Width <= 0 || Height <= 0)
    return copy;
  int best = -1;
  for (int i = 0; i < ImageCount(); ++i) {
    const TPixelBuffer& b = FImages[i];
    if (b.Width() == Width && b.Height() == Height) {
      best = i;
      break;
    }
    const bool covers = b.Width() >= Width && b.Height() >= Height;
    if (best < 0) {
      best = i;
      continue;
    }
    const TPixelBuffer& c = FImages[best];
    const bool bestCovers = c.Width() >= Width && c.Height() >= Height;
    if ((covers && (!bestCovers || b.Width() * b.Height() < c.Width() * c.Height())) ||
        (!covers && !bestCovers && b.Width() * b.Height() > c.Width() * c.Height()))
      best = i;
  }
  const TPixelBuffer& source = FImages[best];
  TPixelBuffer scaled(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      scaled.Set(x, y, source.At(x * source.Width() / Width, y * source.Height() / Height));
  copy->FImages.push_back(std::move(scaled));
  return copy;
}

void TIcon::Draw(TCanvas& Canvas, const TRect& R) const {
  if (!Empty())
    Canvas.Blit(R, FImages[FCurrent], Rect(0, 0, Width(), Height()), bmAlpha);
}

void TIcon::LoadFromBytes(std::span<const std::uint8_t> File) {
  std::vector<TDecodedImage> images = DecodeIco(File);
  FImages.clear();
  for (auto& image : images)
    FImages.push_back(std::move(image.Pixels));
  ChooseCurrent();
  Changed();
}

void TIcon::LoadFromStream(std::istream& Stream) {
  LoadFromBytes(ReadStreamToEnd(Stream, MaxGraphicFileSize, "ICO"));
}

void TIcon::SaveToStream(std::ostream& Stream) const {
  const auto data = EncodeIco(FImages);
  Stream.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}
