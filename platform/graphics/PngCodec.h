#pragma once

#include "platform/graphics/PixelBuffer.h"

#include <cstdint>
#include <vector>

// Encodes pixels as an 8-bit RGB PNG file (the top byte of each pixel is ignored).
std::vector<std::uint8_t> EncodePng(const TPixelBuffer& Pixels);
// Encodes pixels as an 8-bit RGBA PNG file, the top byte of each pixel being its opacity (as in an
// icon's images).
std::vector<std::uint8_t> EncodePngWithAlpha(const TPixelBuffer& Pixels);
