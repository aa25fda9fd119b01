#pragma once

#include "platform/graphics/BmpCodec.h"

#include <cstdint>
#include <span>
#include <vector>

// Reads an icon file: every image of its directory, each with opacity in the top byte of its
// pixels. Images stored as PNG are skipped; a file with no other image is refused. Throws
// EInvalidGraphic.
std::vector<TDecodedImage> DecodeIco(std::span<const std::uint8_t> File);

// Writes an icon file with every image as a 32-bit image with alpha and a matching mask.
std::vector<std::uint8_t> EncodeIco(const std::vector<TPixelBuffer>& Images);
