#pragma once

#include "platform/graphics/PixelBuffer.h"

#include <optional>
#include <string>

// Reads a PNG file into pixels (0x00RRGGBB as TPixelBuffer keeps them, opacity dropped); nothing,
// with Error saying why, when the file is missing, not a PNG or larger than MaxPixels.
std::optional<TPixelBuffer> ReadPngFile(const std::string& Path, std::string& Error, long MaxPixels = 4096L * 4096L);
