#include "platform/graphics/PngCodec.h"

#include "platform/graphics/SharedLibrary.h"

#include <png.h>

#include <csetjmp>
#include <stdexcept>

namespace {

// libpng is loaded when the first picture is written: a program that writes none (the adjuster
// on a display) does not load it, nor the compression library under it, at every start.
#define BRIVO_PNG_FUNCTIONS(X)                                                                                   \
  X(png_create_write_struct) X(png_create_info_struct) X(png_destroy_write_struct) X(png_set_longjmp_fn)        \
  X(png_set_write_fn) X(png_get_io_ptr) X(png_set_IHDR) X(png_write_info) X(png_write_row) X(png_write_end)

#define BRIVO_POINTER(Name) decltype(&::Name) Name = nullptr;
struct TPng {
  BRIVO_PNG_FUNCTIONS(BRIVO_POINTER)
};
#undef BRIVO_POINTER

const TPng& Png() {
  static const TPng library = [] {
    const TSharedLibrary load("PNG", "libpng16.so.16");
    TPng lib;
#define BRIVO_BIND(Name) load(#Name, lib.Name);
    BRIVO_PNG_FUNCTIONS(BRIVO_BIND)
#undef BRIVO_BIND
    return lib;
  }();
  return library;
}

void Append(png_structp Writer, png_bytep Data, png_size_t Length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(Png().png_get_io_ptr(Writer));
  out->insert(out->end(), Data, Data + Length);
}

void Flush(png_structp) {}

std::vector<std::uint8_t> Encode(const TPixelBuffer& Pixels, bool Alpha) {
  if (Pixels.Empty())
    throw std::invalid_argument("PNG: cannot write an empty image");
  const std::size_t channels = Alpha ? 4 : 3;
  std::vector<std::uint8_t> out;
  std::vector<png_byte> row(static_cast<std::size_t>(Pixels.Width()) * channels);
  const TPng& lib = Png();
  png_structp png = lib.png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? lib.png_create_info_struct(png) : nullptr;
  if (!info) {
    lib.png_destroy_write_struct(&png, nullptr);
    throw std::runtime_error("PNG: the encoder could not start");
  }
  // libpng reports errors by jumping back here; only plain data lives between here and its calls.
  // (What the library's png_jmpbuf says, through the function looked up.)
  if (setjmp(*lib.png_set_longjmp_fn(png, longjmp, sizeof(jmp_buf)))) {
    lib.png_destroy_write_struct(&png, &info);
    throw std::runtime_error("PNG: the encoder failed");
  }
  lib.png_set_write_fn(png, &out, Append, Flush);
  lib.png_set_IHDR(png, info, static_cast<png_uint_32>(Pixels.Width()), static_cast<png_uint_32>(Pixels.Height()), 8,
               Alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  lib.png_write_info(png, info);
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
    lib.png_write_row(png, row.data());
  }
  lib.png_write_end(png, nullptr);
  lib.png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const TPixelBuffer& Pixels) { return Encode(Pixels, false); }

std::vector<std::uint8_t> EncodePngWithAlpha(const TPixelBuffer& Pixels) { return Encode(Pixels, true); }
