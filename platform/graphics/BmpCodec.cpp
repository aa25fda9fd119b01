#include "platform/graphics/BmpCodec.h"

#include "platform/graphics/LittleEndian.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <string>
#include <unordered_map>

namespace {

// Run-length data can describe many pixels per byte (a row end or a jump covers any number), so a
// small file may hold a large sparse image; beyond this size it must have at least one byte per
// RlePixelsPerByte pixels.
constexpr long long MaxSparseRlePixels = 1024LL * 1024;
constexpr long long RlePixelsPerByte = 256;

constexpr std::uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;

// Bounds-checked little-endian reads; every failure names the format and what ran out.
class TReader {
public:
  TReader(std::span<const std::uint8_t> Data, const char* Format) : FData(Data), FFormat(Format) {}

  [[noreturn]] void Fail(const std::string& Why) const { throw EInvalidGraphic(std::string(FFormat) + ": " + Why); }

  void Need(std::size_t Offset, std::size_t Count, const char* What) const {
    if (Offset > FData.size() || Count > FData.size() - Offset)
      Fail(std::string(What) + " runs past the end of the file");
  }
  std::uint8_t U8(std::size_t Offset) const {
    Need(Offset, 1, "header");
    return FData[Offset];
  }
  std::uint16_t U16(std::size_t Offset) const {
    Need(Offset, 2, "header");
    return static_cast<std::uint16_t>(LoadU16(FData.data() + Offset));
  }
  std::uint32_t U32(std::size_t Offset) const {
    Need(Offset, 4, "header");
    return LoadU32(FData.data() + Offset);
  }
  std::int32_t S32(std::size_t Offset) const { return static_cast<std::int32_t>(U32(Offset)); }
  std::size_t Size() const { return FData.size(); }
  const std::uint8_t* At(std::size_t Offset) const { return FData.data() + Offset; }

private:
  std::span<const std::uint8_t> FData;
  const char* FFormat;
};

// One colour channel described by a bit mask, widened or narrowed to 8 bits.
struct TChannel {
  std::uint32_t Mask = 0;
  int Shift = 0;
  int Bits = 0;

  explicit TChannel(std::uint32_t M = 0) : Mask(M) {
    if (M == 0)
      return;
    Shift = std::countr_zero(M);
    Bits = std::bit_width(M >> Shift);
  }
  std::uint32_t Extract(std::uint32_t V) const {
    if (Bits == 0)
      return 0;
    const std::uint32_t x = (V & Mask) >> Shift;
    if (Bits >= 8)
      return x >> (Bits - 8);
    // Scales so that full intensity stays 255.
    const std::uint32_t top = (1u << Bits) - 1;
    return (x * 255 + top / 2) / top;
  }
};

struct TDib {
  std::size_t HeaderSize = 0;
  long long Width = 0;
  long long Height = 0;  // rows of colour data
  bool TopDown = false;
  int Bpp = 0;
  std::uint32_t Compression = BI_RGB;
  std::array<std::uint32_t, 4> Masks{};
  std::vector<TPixel> Palette;
  std::size_t AfterPalette = 0;
};

// Parses the header, masks and colour table of a bitmap whose header starts at Start. HeightRows is
// 1 for files and 2 for icon images (whose height counts colour and mask rows).
TDib ParseDib(const TReader& In, std::size_t Start, int HeightRows) {
  TDib dib;
  dib.HeaderSize = In.U32(Start);
  static constexpr std::size_t sizes[] = {12, 40, 52, 56, 108, 124};
  if (std::find(std::begin(sizes), std::end(sizes), dib.HeaderSize) == std::end(sizes))
    In.Fail("unsupported header size " + std::to_string(dib.HeaderSize));
  In.Need(Start, dib.HeaderSize, "header");
  long long height;
  if (dib.HeaderSize == 12) {
    dib.Width = In.U16(Start + 4);
    height = In.U16(Start + 6);
    dib.Bpp = In.U16(Start + 10);
  } else {
    dib.Width = In.S32(Start + 4);
    height = In.S32(Start + 8);
    dib.Bpp = In.U16(Start + 14);
    dib.Compression = In.U32(Start + 16);
  }
  if (dib.Width <= 0)
    In.Fail("width " + std::to_string(dib.Width) + " is not positive");
  if (height == 0)
    In.Fail("height is zero");
  dib.TopDown = height < 0;
  height = height < 0 ? -height : height;
  if (HeightRows == 2) {
    if (height % 2 != 0 || dib.TopDown)
      In.Fail("image height " + std::to_string(height) + " does not hold colour and mask rows");
    height /= 2;
  }
  dib.Height = height;
  try {
    CheckBitmapSize(dib.Width, dib.Height, "image");
  } catch (const std::length_error& e) {
    In.Fail(e.what());
  }
  switch (dib.Bpp) {
  case 1:
  case 4:
  case 8:
  case 24:
    break;
  case 16:
  case 32:
    if (dib.HeaderSize == 12)
      In.Fail("bit depth " + std::to_string(dib.Bpp) + " is not allowed with a core header");
    break;
  default:
    In.Fail("unsupported bit depth " + std::to_string(dib.Bpp));
  }
  switch (dib.Compression) {
  case BI_RGB:
    break;
  case BI_RLE8:
  case BI_RLE4:
    if ((dib.Compression == BI_RLE8) != (dib.Bpp == 8) || (dib.Compression == BI_RLE4) != (dib.Bpp == 4))
      In.Fail("RLE compression does not match bit depth " + std::to_string(dib.Bpp));
    if (dib.TopDown)
      In.Fail("compressed bitmaps cannot be top-down");
    if (HeightRows == 2)
      In.Fail("compressed icon images are not supported");
    break;
  case BI_BITFIELDS:
  case BI_ALPHABITFIELDS:
    if (dib.Bpp != 16 && dib.Bpp != 32)
      In.Fail("bit fields need 16 or 32 bits, not " + std::to_string(dib.Bpp));
    break;
  default:
    In.Fail("unsupported compression " + std::to_string(dib.Compression));
  }

  std::size_t next = Start + dib.HeaderSize;
  if (dib.Bpp == 16)
    dib.Masks = {0x7C00, 0x03E0, 0x001F, 0};
  else if (dib.Bpp == 32)
    dib.Masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  if (dib.Compression == BI_BITFIELDS || dib.Compression == BI_ALPHABITFIELDS) {
    const int count = dib.Compression == BI_ALPHABITFIELDS ? 4 : 3;
    std::size_t at = Start + 40;
    if (dib.HeaderSize == 40) {
      In.Need(at, 4 * count, "colour masks");
      next += 4 * count;
    }
    for (int i = 0; i < 4; ++i)
      dib.Masks[i] = (i < count || (dib.HeaderSize >= 56 && i == 3)) ? In.U32(at + 4 * i) : 0;
  }

  if (dib.Bpp <= 8) {
    const std::uint32_t full = 1u << dib.Bpp;
    std::uint32_t used = dib.HeaderSize == 12 ? 0 : In.U32(Start + 32);
    if (used == 0 || used > full)
      used = full;
    const std::size_t entry = dib.HeaderSize == 12 ? 3 : 4;
    In.Need(next, used * entry, "colour table");
    dib.Palette.resize(used);
    for (std::uint32_t i = 0; i < used; ++i) {
      const std::uint8_t* p = In.At(next + i * entry);
      dib.Palette[i] = static_cast<TPixel>(p[2]) << 16 | static_cast<TPixel>(p[1]) << 8 | p[0];
    }
    next += used * entry;
  }
  dib.AfterPalette = next;
  return dib;
}

std::size_t Stride(long long Width, int Bpp) {
  return static_cast<std::size_t>(((Width * Bpp + 31) / 32) * 4);
}

TPixel PaletteColor(const TReader& In, const TDib& Dib, unsigned Index) {
  if (Index >= Dib.Palette.size())
    In.Fail("colour index " + std::to_string(Index) + " is beyond the " + std::to_string(Dib.Palette.size()) +
            "-entry colour table");
  return Dib.Palette[Index];
}

// Reads uncompressed rows starting at Offset; the top byte of each pixel keeps the source alpha of
// 32-bit images.
void ReadRows(const TReader& In, const TDib& Dib, std::size_t Offset, TPixelBuffer& Out) {
  const std::size_t stride = Stride(Dib.Width, Dib.Bpp);
  In.Need(Offset, stride * static_cast<std::size_t>(Dib.Height), "pixel data");
  const TChannel r(Dib.Masks[0]), g(Dib.Masks[1]), b(Dib.Masks[2]), a(Dib.Masks[3]);
  const int w = static_cast<int>(Dib.Width);
  // Indexed rows look their colours up in a table of every index the depth can hold; an index
  // beyond the colour table is looked up the slow way, which names it.
  std::array<TPixel, 256> colours{};
  std::array<bool, 256> known{};
  for (std::size_t i = 0; i < std::min<std::size_t>(Dib.Palette.size(), 256); ++i) {
    colours[i] = Dib.Palette[i];
    known[i] = true;
  }
  auto indexed = [&](unsigned Index) { return known[Index] ? colours[Index] : PaletteColor(In, Dib, Index); };
  for (int row = 0; row < Dib.Height; ++row) {
    const std::uint8_t* src = In.At(Offset + stride * row);
    TPixel* dst = Out.ScanLine(Dib.TopDown ? row : static_cast<int>(Dib.Height) - 1 - row);
    if (Dib.Bpp == 8) {
      for (int x = 0; x < w; ++x)
        dst[x] = indexed(src[x]);
      continue;
    }
    if (Dib.Bpp == 4) {
      for (int x = 0; x < w; ++x)
        dst[x] = indexed((src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
      continue;
    }
    for (int x = 0; x < w; ++x) {
      switch (Dib.Bpp) {
      case 1:
        dst[x] = indexed((src[x >> 3] >> (7 - (x & 7))) & 1);
        break;
      case 24:
        dst[x] = static_cast<TPixel>(src[3 * x + 2]) << 16 | static_cast<TPixel>(src[3 * x + 1]) << 8 | src[3 * x];
        break;
      case 16:
      case 32: {
        const std::uint32_t v = Dib.Bpp == 16 ? static_cast<std::uint32_t>(src[2 * x] | src[2 * x + 1] << 8)
                                              : static_cast<std::uint32_t>(src[4 * x]) | src[4 * x + 1] << 8 |
                                                    src[4 * x + 2] << 16 | static_cast<std::uint32_t>(src[4 * x + 3]) << 24;
        dst[x] = a.Extract(v) << 24 | r.Extract(v) << 16 | g.Extract(v) << 8 | b.Extract(v);
        break;
      }
      }
    }
  }
}

void ReadRle(const TReader& In, const TDib& Dib, std::size_t Offset, TPixelBuffer& Out) {
  const bool four = Dib.Compression == BI_RLE4;
  const int w = static_cast<int>(Dib.Width), h = static_cast<int>(Dib.Height);
  const TPixel background = Dib.Palette.empty() ? 0 : Dib.Palette[0];
  std::fill(Out.Pixels().begin(), Out.Pixels().end(), background);
  int x = 0, y = 0;  // y counts rows from the bottom
  std::size_t at = Offset;
  auto put = [&](unsigned index) {
    if (x >= w)
      In.Fail("RLE run runs past the end of a row");
    if (y >= h)
      In.Fail("RLE data runs past the last row");
    Out.Set(x++, h - 1 - y, PaletteColor(In, Dib, index));
  };
  while (at < In.Size()) {
    In.Need(at, 2, "RLE data");
    const unsigned count = In.U8(at), value = In.U8(at + 1);
    at += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i)
        put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      In.Need(at, 2, "RLE data");
      x += In.U8(at);
      y += In.U8(at + 1);
      at += 2;
      if (x > w || y > h)
        In.Fail("RLE delta moves outside the image");
    } else {
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      In.Need(at, bytes, "RLE data");
      for (unsigned i = 0; i < value; ++i) {
        const std::uint8_t b = In.U8(at + (four ? i / 2 : i));
        put(four ? ((i & 1) ? b & 0x0F : b >> 4) : b);
      }
      at += (bytes + 1) & ~std::size_t{1};
    }
  }
}

}  // namespace

TDecodedImage DecodeBmp(std::span<const std::uint8_t> File) {
  const TReader in(File, "BMP");
  if (File.size() < 14 || File[0] != 'B' || File[1] != 'M')
    in.Fail("not a bitmap file (no \"BM\" signature)");
  const std::uint32_t pixelOffset = in.U32(10);
  const TDib dib = ParseDib(in, 14, 1);
  if (pixelOffset >= File.size())
    in.Fail("pixel data offset " + std::to_string(pixelOffset) + " is outside the file");
  const bool rle = dib.Compression == BI_RLE8 || dib.Compression == BI_RLE4;
  // The pixels are allocated only once the file can plausibly fill them.
  if (!rle)
    in.Need(pixelOffset, Stride(dib.Width, dib.Bpp) * static_cast<std::size_t>(dib.Height), "pixel data");
  else if (dib.Width * dib.Height > MaxSparseRlePixels &&
           dib.Width * dib.Height / RlePixelsPerByte > static_cast<long long>(File.size() - pixelOffset))
    in.Fail("compressed data is too short for a " + std::to_string(dib.Width) + " x " + std::to_string(dib.Height) +
            " image");
  TDecodedImage image;
  image.BitsPerPixel = dib.Bpp;
  image.Palette = dib.Palette;
  image.Pixels.SetSize(static_cast<int>(dib.Width), static_cast<int>(dib.Height));
  if (rle)
    ReadRle(in, dib, pixelOffset, image.Pixels);
  else
    ReadRows(in, dib, pixelOffset, image.Pixels);
  // A bitmap file's alpha byte is not opacity: the platform draws BMP pixels opaque.
  for (TPixel& p : image.Pixels.Pixels())
    p &= 0x00FFFFFF;
  return image;
}

TDecodedImage DecodeIconDib(std::span<const std::uint8_t> Dib) {
  const TReader in(Dib, "ICO");
  const TDib dib = ParseDib(in, 0, 2);
  in.Need(dib.AfterPalette, Stride(dib.Width, dib.Bpp) * static_cast<std::size_t>(dib.Height), "pixel data");
  TDecodedImage image;
  image.BitsPerPixel = dib.Bpp;
  image.Palette = dib.Palette;
  image.Pixels.SetSize(static_cast<int>(dib.Width), static_cast<int>(dib.Height));
  ReadRows(in, dib, dib.AfterPalette, image.Pixels);
  bool hasAlpha = false;
  if (dib.Bpp == 32)
    for (TPixel p : image.Pixels.Pixels())
      hasAlpha = hasAlpha || (p >> 24) != 0;
  if (hasAlpha)
    return image;
  const std::size_t maskOffset = dib.AfterPalette + Stride(dib.Width, dib.Bpp) * dib.Height;
  const std::size_t maskStride = Stride(dib.Width, 1);
  in.Need(maskOffset, maskStride * dib.Height, "mask");
  for (int row = 0; row < dib.Height; ++row) {
    const std::uint8_t* mask = in.At(maskOffset + maskStride * row);
    TPixel* dst = image.Pixels.ScanLine(static_cast<int>(dib.Height) - 1 - row);
    for (int x = 0; x < dib.Width; ++x) {
      const bool clear = (mask[x >> 3] >> (7 - (x & 7))) & 1;
      dst[x] = (dst[x] & 0x00FFFFFF) | (clear ? 0u : 0xFF000000u);
    }
  }
  return image;
}

namespace {

int Distance(TPixel A, TPixel B) {
  const int dr = static_cast<int>((A >> 16) & 0xFF) - static_cast<int>((B >> 16) & 0xFF);
  const int dg = static_cast<int>((A >> 8) & 0xFF) - static_cast<int>((B >> 8) & 0xFF);
  const int db = static_cast<int>(A & 0xFF) - static_cast<int>(B & 0xFF);
  return dr * dr + dg * dg + db * db;
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const TPixelBuffer& Pixels, const TBmpWriteOptions& Options) {
  const int bpp = Options.BitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    throw std::invalid_argument("BMP: cannot write bit depth " + std::to_string(bpp));
  const bool core = Options.Header == bhCore;
  if (core && (bpp == 16 || bpp == 32 || Options.TopDown || Pixels.Width() > 0xFFFF || Pixels.Height() > 0xFFFF))
    throw std::invalid_argument("BMP: a core header cannot hold this image");
  const int w = Pixels.Width(), h = Pixels.Height();

  std::vector<TPixel> palette;
  if (bpp <= 8) {
    const std::size_t limit = std::size_t{1} << bpp;
    palette = Options.Palette;
    if (palette.size() > limit)
      palette.resize(limit);
    if (palette.empty())
      for (TPixel p : Pixels.Pixels()) {
        p &= 0x00FFFFFF;
        if (std::find(palette.begin(), palette.end(), p) == palette.end()) {
          palette.push_back(p);
          if (palette.size() == limit)
            break;
        }
      }
    if (palette.empty())
      palette.push_back(0);
    // A core header has no colour count: its table always has every entry.
    if (core)
      palette.resize(limit, 0);
  }
  std::unordered_map<TPixel, unsigned> indexes;
  auto indexOf = [&](TPixel p) {
    p &= 0x00FFFFFF;
    if (auto it = indexes.find(p); it != indexes.end())
      return it->second;
    std::size_t best = 0;
    for (std::size_t i = 1; i < palette.size() && palette[best] != p; ++i)
      if (palette[i] == p || Distance(palette[i], p) < Distance(palette[best], p))
        best = i;
    return indexes[p] = static_cast<unsigned>(best);
  };

  const std::size_t headerSize = core ? 12 : Options.Header == bhInfo ? 40 : Options.Header == bhV4 ? 108 : 124;
  const std::size_t entry = core ? 3 : 4;
  const std::size_t stride = Stride(w, bpp);
  const std::size_t offset = 14 + headerSize + palette.size() * entry;
  const std::size_t fileSize = offset + stride * h;

  std::vector<std::uint8_t> out;
  out.reserve(fileSize);
  out.push_back('B');
  out.push_back('M');
  AppendU32(out, static_cast<std::uint32_t>(fileSize));
  AppendU32(out, 0);
  AppendU32(out, static_cast<std::uint32_t>(offset));
  AppendU32(out, static_cast<std::uint32_t>(headerSize));
  if (core) {
    AppendU16(out, w);
    AppendU16(out, h);
    AppendU16(out, 1);
    AppendU16(out, bpp);
  } else {
    AppendU32(out, static_cast<std::uint32_t>(w));
    AppendU32(out, static_cast<std::uint32_t>(Options.TopDown ? -h : h));
    AppendU16(out, 1);
    AppendU16(out, bpp);
    AppendU32(out, BI_RGB);
    AppendU32(out, static_cast<std::uint32_t>(stride * h));
    AppendU32(out, 3780);  // 96 dots per inch in dots per metre
    AppendU32(out, 3780);
    AppendU32(out, static_cast<std::uint32_t>(palette.size()));
    AppendU32(out, 0);
    if (headerSize > 40) {
      for (int i = 0; i < 4; ++i)
        AppendU32(out, 0);                  // masks (unused without bit fields)
      AppendU32(out, 0x73524742);           // colour space: sRGB
      out.insert(out.end(), 36 + 12, 0);  // end points and gamma
      if (headerSize == 124) {
        AppendU32(out, 4);  // rendering intent: pictures
        AppendU32(out, 0);
        AppendU32(out, 0);
        AppendU32(out, 0);
      }
    }
  }
  for (TPixel p : palette) {
    out.push_back(static_cast<std::uint8_t>(p));
    out.push_back(static_cast<std::uint8_t>(p >> 8));
    out.push_back(static_cast<std::uint8_t>(p >> 16));
    if (!core)
      out.push_back(0);
  }
  std::vector<std::uint8_t> row(stride);
  for (int r = 0; r < h; ++r) {
    std::fill(row.begin(), row.end(), 0);
    const TPixel* src = Pixels.ScanLine(Options.TopDown ? r : h - 1 - r);
    for (int x = 0; x < w; ++x) {
      const TPixel p = src[x];
      switch (bpp) {
      case 1:
        row[x >> 3] |= static_cast<std::uint8_t>(indexOf(p) << (7 - (x & 7)));
        break;
      case 4:
        row[x >> 1] |= static_cast<std::uint8_t>(indexOf(p) << ((x & 1) ? 0 : 4));
        break;
      case 8:
        row[x] = static_cast<std::uint8_t>(indexOf(p));
        break;
      case 16: {
        const unsigned v = ((p >> 19) & 0x1F) << 10 | ((p >> 11) & 0x1F) << 5 | ((p >> 3) & 0x1F);
        row[2 * x] = static_cast<std::uint8_t>(v);
        row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        break;
      }
      case 24:
      case 32: {
        const int n = bpp / 8;
        row[n * x] = static_cast<std::uint8_t>(p);
        row[n * x + 1] = static_cast<std::uint8_t>(p >> 8);
        row[n * x + 2] = static_cast<std::uint8_t>(p >> 16);
        break;
      }
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}
