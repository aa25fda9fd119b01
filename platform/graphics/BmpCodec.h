#pragma once

#include "platform/core/Errors.h"
#include "platform/graphics/PixelBuffer.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// A picture file that cannot be read; the message names the format and the problem.
class EInvalidGraphic : public Exception {
public:
  explicit EInvalidGraphic(const std::string& Message) : Exception(Message) {}
};

struct TDecodedImage {
  // 0x00RRGGBB; for images read with an alpha channel or mask (icons) the top byte is the opacity.
  TPixelBuffer Pixels;
  int BitsPerPixel = 24;
  // The colour table of a 1, 4 or 8 bit image.
  std::vector<TPixel> Palette;
};

// Reads a BMP file: 1, 4, 8, 16, 24 and 32 bits, colour tables, RLE8 and RLE4, bit fields,
// bottom-up and top-down rows, core, info, V4 and V5 headers. Throws EInvalidGraphic.
TDecodedImage DecodeBmp(std::span<const std::uint8_t> File);

// Reads the device-independent bitmap of an icon image: a header whose height counts the colour
// rows and the mask rows, the colour table, the colour rows and the 1-bit mask. The result carries
// opacity in the top byte (from a 32-bit image's alpha when it has any, else from the mask).
TDecodedImage DecodeIconDib(std::span<const std::uint8_t> Dib);

enum TBmpHeader { bhCore, bhInfo, bhV4, bhV5 };

struct TBmpWriteOptions {
  int BitsPerPixel = 24;
  TBmpHeader Header = bhInfo;
  bool TopDown = false;
  // Colour table for 1, 4 and 8 bits; when empty, one is made of the image's first colours. Pixels
  // not in the table are written as its nearest colour.
  std::vector<TPixel> Palette;
};

// Writes a BMP file (uncompressed). Throws std::invalid_argument for options the format cannot
// express (a bit depth other than 1, 4, 8, 16, 24, 32; a top-down or 16/32-bit core header).
std::vector<std::uint8_t> EncodeBmp(const TPixelBuffer& Pixels, const TBmpWriteOptions& Options = {});
