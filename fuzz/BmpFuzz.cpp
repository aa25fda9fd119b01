// Feeds arbitrary bytes to the BMP reader. A readable image is written back at its own depth and
// read again, which must give the same size.

#include "platform/graphics/BmpCodec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TDecodedImage image;
  try {
    image = DecodeBmp({Data, Size});
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  if (image.Pixels.Width() * image.Pixels.Height() > 65536)
    return 0;  // writing large images back only slows the search down
  TBmpWriteOptions options;
  options.BitsPerPixel = image.BitsPerPixel;
  options.Palette = image.Palette;
  const TDecodedImage again = DecodeBmp(EncodeBmp(image.Pixels, options));
  if (again.Pixels.Width() != image.Pixels.Width() || again.Pixels.Height() != image.Pixels.Height())
    std::abort();
  return 0;
}
