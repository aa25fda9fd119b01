#include "platform/graphics/Icon.h"

#include "platform/core/ClassInfo.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/IcoCodec.h"

#include <cstdlib>
#include <istream>
#include <ostream>
#include <utility>

namespace {

THandleTable<HICON, TIconData>& IconHandles() {
  static THandleTable<HICON, TIconData> table;
  return table;
}

} // namespace

TPixelBuffer BestIconImage(const std::vector<TPixelBuffer>& Images, int Width, int Height) {
  if (Images.empty() || Width <= 0 || Height <= 0)
    return {};
  const TPixelBuffer* best = nullptr;
  for (const TPixelBuffer& b : Images) {
    if (b.Width() == Width && b.Height() == Height)
      return b;
    if (!best) {
      best = &b;
      continue;
    }
    const bool covers = b.Width() >= Width && b.Height() >= Height;
    const bool bestCovers = best->Width() >= Width && best->Height() >= Height;
    const long long area = static_cast<long long>(b.Width()) * b.Height();
    const long long bestArea = static_cast<long long>(best->Width()) * best->Height();
    if ((covers && (!bestCovers || area < bestArea)) || (!covers && !bestCovers && area > bestArea))
      best = &b;
  }
  TPixelBuffer scaled(Width, Height);
  if (best->Empty())
    return scaled;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      scaled.Set(x, y,
                 best->At(static_cast<int>(static_cast<long long>(x) * best->Width() / Width),
                          static_cast<int>(static_cast<long long>(y) * best->Height() / Height)));
  return scaled;
}

HICON CreateIconHandle(TIconData Data) { return IconHandles().Add(std::move(Data)); }
const TIconData* IconHandleData(HICON Icon) { return IconHandles().Find(Icon); }
bool DestroyIconHandle(HICON Icon) { return IconHandles().Remove(Icon); }
int OutstandingIconHandles() { return IconHandles().Count(); }

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
    ImagesChanged();
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
  ImagesChanged();
}

void TIcon::SetWidth(int) { throw EInvalidGraphic("ICO: cannot change the size of an icon"); }
void TIcon::SetHeight(int) { throw EInvalidGraphic("ICO: cannot change the size of an icon"); }

void TIcon::AddImage(const TPixelBuffer& Image) {
  FImages.push_back(Image);
  ChooseCurrent();
  ImagesChanged();
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
  TPixelBuffer image = BestIconImage(FImages, Width, Height);
  if (!image.Empty())
    copy->FImages.push_back(std::move(image));
  return copy;
}

TIcon::~TIcon() {
  if (FHandle)
    DestroyIconHandle(FHandle);
}

void TIcon::ImagesChanged() {
  if (FHandle)
    DestroyIconHandle(std::exchange(FHandle, nullptr));
  Changed();
}

HICON TIcon::Handle() const {
  if (Empty())
    return nullptr;
  if (!FHandle || !IconHandleData(FHandle))
    FHandle = CreateIconHandle({FImages[FCurrent], std::make_shared<const std::vector<TPixelBuffer>>(FImages)});
  return FHandle;
}

void TIcon::SetHandle(HICON Value) {
  const TIconData* data = IconHandleData(Value);
  if (!data || Value == FHandle)
    return;
  std::vector<TPixelBuffer> images{data->Image};
  if (FHandle)
    DestroyIconHandle(FHandle);
  FImages = std::move(images);
  FCurrent = 0;
  FHandle = Value;
  Changed();
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
  ImagesChanged();
}

void TIcon::LoadFromStream(std::istream& Stream) {
  LoadFromBytes(ReadStreamToEnd(Stream, MaxGraphicFileSize, "ICO"));
}

void TIcon::SaveToStream(std::ostream& Stream) const {
  const auto data = EncodeIco(FImages);
  Stream.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}
