#pragma once

#include "tools/lookart/Looks.h"

// A small window put together from a look's pictures the way the skinned components put them
// together: title bar with its buttons, push buttons in their three states, scroll bars in both
// orientations and a track bar. Empty for a sheet without a look.
TPixelBuffer DrawPreview(const TLookSheet& Sheet);
