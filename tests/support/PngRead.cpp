#include "tests/support/PngRead.h"

#include <png.h>

#include <cstring>
#include <vector>

std::optional<TPixelBuffer> ReadPngFile(const std::string& Path, std::string& Error, long MaxPixels) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, Path.c_str())) {
    Error = "cannot read the PNG file '" + Path + "': " + image.message;
    return std::nullopt;
  }
  if (static_cast<long>(image.width) * static_cast<long>(image.height) > MaxPixels) {
    png_image_free(&image);
    Error = "the PNG file '" + Path + "' is larger than a test image may be";
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
    Error = "cannot decode the PNG file '" + Path + "': " + image.message;
    png_image_free(&image);
    return std::nullopt;
  }
  TPixelBuffer out(static_cast<int>(image.width), static_cast<int>(image.height));
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) {
      const png_byte* p = &rgb[(static_cast<std::size_t>(y) * out.Width() + x) * 3];
      out.Set(x, y, static_cast<TPixel>(p[0]) << 16 | static_cast<TPixel>(p[1]) << 8 | p[2]);
    }
  return out;
}
