#include "platform/graphics/Bitmap.h"

#include "platform/core/ClassInfo.h"
#include "platform/graphics/BmpCodec.h"

#include <istream>
#include <ostream>
#include <sstream>

namespace {

int BitsOf(TPixelFormat Format) {
  static constexpr int bits[] = {1, 4, 8, 16, 24, 32};
  return bits[Format];
}

TPixelFormat FormatOf(int Bits) {
  switch (Bits) {
  case 1:
    return pf1bit;
  case 4:
    return pf4bit;
  case 8:
    return pf8bit;
  case 16:
    return pf16bit;
  case 32:
    return pf32bit;
  default:
    return pf24bit;
  }
}

}  // namespace

const TClassInfo& TBitmap::StaticClassInfo() {
  static const TClassInfo Info = TClassBuilder<TBitmap>().Binary("Data", &TBitmap::Data, &TBitmap::SetData).Build();
  return Info;
}

TBitmap::TBitmap() : FCanvas(std::make_unique<TCanvas>(&FPixels)) { FCanvas->SetFollowsPaintScale(true); }

TBitmap::TBitmap(int Width, int Height) : TBitmap() { SetSize(Width, Height); }

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(*this);
  return copy;
}

void TBitmap::Assign(const TPersistent* Source) {
  if (Source == nullptr) {
    SetSize(0, 0);
    return;
  }
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(Source)) {
    Assign(*bitmap);
    return;
  }
  TGraphic::Assign(Source);
}

void TBitmap::Assign(const TBitmap& Source) {
  if (&Source == this)
    return;
  FPixels = Source.FPixels;
  FTransparent = Source.FTransparent;
  FTransparentColor = Source.FTransparentColor;
  FTransparentMode = Source.FTransparentMode;
  FPixelFormat = Source.FPixelFormat;
  FPalette = Source.FPalette;
  Changed();
}

void TBitmap::SetSize(int Width, int Height) {
  if (Width == this->Width() && Height == this->Height())
    return;
  if (FPixels.Empty() || Width <= 0 || Height <= 0)
    FPixels.SetScaledSize(Width, Height, 1.0, 0x00FFFFFF);
  else
    FPixels.SetSize(Width, Height, 0x00FFFFFF);
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentMode == tmFixed)
    return FTransparentColor;
  if (Empty())
    return clDefault;
  return PixelToColor(FPixels.At(0, FPixels.Height() - 1));
}

void TBitmap::SetTransparentColor(TColor Value) {
  FTransparentColor = Value;
  FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (Value == FTransparentMode)
    return;
  FTransparentMode = Value;
  if (Value == tmAuto)
    FTransparentColor = clDefault;
  Changed();
}

void TBitmap::Draw(TCanvas& Canvas, const TRect& R) const {
  const TRect source = Rect(0, 0, Width(), Height());
  if (FTransparent)
    Canvas.Blit(R, FPixels, source, bmKeyColor, ColorToPixel(TransparentColor()));
  else
    Canvas.Blit(R, FPixels, source);
}

void TBitmap::LoadFromBytes(std::span<const std::uint8_t> File) {
  TDecodedImage image = DecodeBmp(File);
  FPixels = std::move(image.Pixels);
  FPalette = std::move(image.Palette);
  FPixelFormat = FormatOf(image.BitsPerPixel);
  Changed();
}

void TBitmap::AssignImage(const TBitmap& Source) {
  if (&Source == this)
    return;
  FPixels = Source.FPixels;
  FPalette = Source.FPalette;
  FPixelFormat = Source.FPixelFormat;
  Changed();
}

std::vector<std::uint8_t> TBitmap::SaveToBytes() const {
  if (Empty())
    return {};
  TBmpWriteOptions options;
  options.BitsPerPixel = BitsOf(FPixelFormat);
  options.Palette = FPalette;
  return EncodeBmp(FPixels, options);
}

void TBitmap::LoadFromStream(std::istream& Stream) {
  const auto data = ReadStreamToEnd(Stream, MaxGraphicFileSize, "BMP");
  LoadFromBytes(data);
}

void TBitmap::SaveToStream(std::ostream& Stream) const {
  const auto data = SaveToBytes();
  Stream.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void TBitmap::ReadData(std::istream& Stream) {
  std::uint8_t size[4] = {};
  if (!Stream.read(reinterpret_cast<char*>(size), 4))
    throw EInvalidGraphic("BMP: stored bitmap has no length");
  const std::uint32_t length = size[0] | size[1] << 8 | size[2] << 16 | static_cast<std::uint32_t>(size[3]) << 24;
  if (length > MaxGraphicFileSize)
    throw EInvalidGraphic("BMP: stored bitmap length is larger than the limit");
  if (length == 0) {
    FPixels.SetScaledSize(0, 0, 1.0);
    Changed();
    return;
  }
  LoadFromBytes(ReadStreamBytes(Stream, length, "BMP"));
}

void TBitmap::WriteData(std::ostream& Stream) const {
  const auto data = SaveToBytes();
  const auto n = static_cast<std::uint32_t>(data.size());
  const char size[4] = {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                        static_cast<char>(n >> 24)};
  Stream.write(size, 4);
  Stream.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

std::vector<std::uint8_t> TBitmap::Data() const {
  if (Empty())
    return {};
  std::ostringstream out(std::ios::binary);
  WriteData(out);
  const std::string bytes = out.str();
  return {bytes.begin(), bytes.end()};
}

void TBitmap::SetData(const std::vector<std::uint8_t>& Value) {
  if (Value.empty()) {
    SetSize(0, 0);
    return;
  }
  std::istringstream in(std::string(Value.begin(), Value.end()), std::ios::binary);
  ReadData(in);
}
