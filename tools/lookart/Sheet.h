#pragma once

#include "tools/lookart/Looks.h"

// A contact sheet: every picture of a look enlarged, with its name, size, depth and frame count,
// and ticks under the frame boundaries.
TPixelBuffer DrawSheet(const TLookSheet& Sheet);
