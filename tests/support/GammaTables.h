#pragma once

#include "platform/backends/GammaResample.h"

#include <cstdint>
#include <vector>

// The table an output of Size entries receives for R, as a compositor sees it: each channel spread
// by the one rule, red then green then blue.
inline std::vector<std::uint16_t> Spread(const TGammaRamp& R, std::size_t Size) {
  std::vector<std::uint16_t> out;
  for (const auto* channel : {&R.Red, &R.Green, &R.Blue}) {
    const std::vector<WORD> c = ResampleGammaChannel(*channel, Size);
    out.insert(out.end(), c.begin(), c.end());
  }
  return out;
}
