#include "platform/graphics/IcoCodec.h"

#include "platform/graphics/LittleEndian.h"

#include <string>

namespace {

// More images than any real icon holds; a larger count is a damaged directory.
constexpr unsigned MaxIconImages = 256;

unsigned U16(std::span<const std::uint8_t> D, std::size_t At) { return LoadU16(D.data() + At); }
std::uint32_t U32(std::span<const std::uint8_t> D, std::size_t At) { return LoadU32(D.data() + At); }

}  // namespace

std::vector<TDecodedImage> DecodeIco(std::span<const std::uint8_t> File) {
  if (File.size() < 6)
    throw EInvalidGraphic("ICO: file is shorter than the icon header");
  if (U16(File, 0) != 0 || (U16(File, 2) != 1 && U16(File, 2) != 2))
    throw EInvalidGraphic("ICO: not an icon file (bad header)");
  const unsigned count = U16(File, 4);
  if (count == 0)
    throw EInvalidGraphic("ICO: the file holds no image");
  if (count > MaxIconImages)
    throw EInvalidGraphic("ICO: " + std::to_string(count) + " images is more than an icon may hold");
  if (File.size() < 6 + 16 * static_cast<std::size_t>(count))
    throw EInvalidGraphic("ICO: image directory runs past the end of the file");
  std::vector<TDecodedImage> images;
  bool skippedPng = false;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
    const std::uint32_t size = U32(File, entry + 8), offset = U32(File, entry + 12);
    if (offset > File.size() || size > File.size() - offset)
      throw EInvalidGraphic("ICO: image " + std::to_string(i + 1) + " runs past the end of the file");
    const auto data = File.subspan(offset, size);
    if (data.size() >= 8 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G') {
      skippedPng = true;
      continue;
    }
    images.push_back(DecodeIconDib(data));
  }
  if (images.empty() && skippedPng)
    throw EInvalidGraphic("ICO: images stored as PNG are not supported");
  return images;
}

std::vector<std::uint8_t> EncodeIco(const std::vector<TPixelBuffer>& Images) {
  std::vector<std::uint8_t> out;
  AppendU16(out, 0);
  AppendU16(out, 1);
  AppendU16(out, static_cast<unsigned>(Images.size()));
  std::vector<std::vector<std::uint8_t>> bodies;
  for (const TPixelBuffer& image : Images) {
    const int w = image.Width(), h = image.Height();
    const std::size_t maskStride = ((w + 31) / 32) * 4;
    std::vector<std::uint8_t> body;
    AppendU32(body, 40);
    AppendU32(body, static_cast<std::uint32_t>(w));
    AppendU32(body, static_cast<std::uint32_t>(2 * h));
    AppendU16(body, 1);
    AppendU16(body, 32);
    AppendU32(body, 0);
    AppendU32(body, static_cast<std::uint32_t>((4 * w + maskStride) * h));
    for (int i = 0; i < 4; ++i)
      AppendU32(body, 0);
    for (int y = h - 1; y >= 0; --y)
      for (int x = 0; x < w; ++x)
        AppendU32(body, image.At(x, y));
    for (int y = h - 1; y >= 0; --y) {
      std::vector<std::uint8_t> row(maskStride, 0);
      for (int x = 0; x < w; ++x)
        if ((image.At(x, y) >> 24) == 0)
          row[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
      body.insert(body.end(), row.begin(), row.end());
    }
    bodies.push_back(std::move(body));
  }
  std::size_t offset = 6 + 16 * Images.size();
  for (std::size_t i = 0; i < Images.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(Images[i].Width() >= 256 ? 0 : Images[i].Width()));
    out.push_back(static_cast<std::uint8_t>(Images[i].Height() >= 256 ? 0 : Images[i].Height()));
    out.push_back(0);
    out.push_back(0);
    AppendU16(out, 1);
    AppendU16(out, 32);
    AppendU32(out, static_cast<std::uint32_t>(bodies[i].size()));
    AppendU32(out, static_cast<std::uint32_t>(offset));
    offset += bodies[i].size();
  }
  for (const auto& body : bodies)
    out.insert(out.end(), body.begin(), body.end());
  return out;
}
