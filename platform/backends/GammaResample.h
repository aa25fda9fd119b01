#pragma once

#include "platform/windows/Types.h"

#include <array>
#include <cstddef>
#include <vector>

// Stretches a 256-entry channel to a display's gamma size (an X server's CRTC, a Wayland output) by
// linear interpolation between the two nearest entries, rounded to the nearest value; first and last
// entries are kept exactly.
std::vector<WORD> ResampleGammaChannel(const std::array<WORD, 256>& Channel, std::size_t Size);

// The neutral table: entry i of every channel is i * 256.
TGammaRamp NeutralGammaRamp();
