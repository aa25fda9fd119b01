#include "platform/graphics/PngCodec.h"

#include <png.h>

#include <csetjmp>
#include <stdexcept>

namespace {

void Append(png_structp Png, png_bytep Data, png_size_t Length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(Png));
  out->insert(out->end(), Data, Data + Length);
}

void Flush(png_structp) {}

std::vector<std::uint8_t> Encode(const TPixelBuffer& Pixels, bool Alpha) {
  if (Pixels.Empty())
    throw std::invalid_argument("PNG: cannot write an empty image");
  const std::size_t channels = Alpha ? 4 : 3;
  std::vector<std::uint8_t> out;
  std::vector<png_byte> row(static_cast<std::size_t>(Pixels.Width()) * channels);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw std::runtime_error("PNG: the encoder could not start");
  }
  // libpng reports errors by jumping back here; only plain data lives between here and its calls.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("PNG: the encoder failed");
  }
  png_set_write_fn(png, &out, Append, Flush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(Pixels.Width()), static_cast<png_uint_32>(Pixels.Height()), 8,
               Alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < Pixels.Height(); ++y) {
    const TPixel* src = Pixels.ScanLine(y);
    for (int x = 0; x < Pixels.Width(); ++x) {
      png_byte* px = &row[channels * static_cast<std::size_t>(x)];
      px[0] = static_cast<png_byte>(src[x] >> 16);
      px[1] = static_cast<png_byte>(src[x] >> 8);
      px[2] = static_cast<png_byte>(src[x]);
      if (Alpha)
        px[3] = static_cast<png_byte>(src[x] >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const TPixelBuffer& Pixels) { return Encode(Pixels, false); }

std::vector<std::uint8_t> EncodePngWithAlpha(const TPixelBuffer& Pixels) { return Encode(Pixels, true); }
