#include "platform/backends/GammaResample.h"

#include <cmath>

std::vector<WORD> ResampleGammaChannel(const std::array<WORD, 256>& Channel, std::size_t Size) {
  std::vector<WORD> out(Size);
  if (Size == 256) {
    std::copy(Channel.begin(), Channel.end(), out.begin());
    return out;
  }
  if (Size == 1) {
    out[0] = Channel[0];
    return out;
  }
  const double step = 255.0 / static_cast<double>(Size - 1);
  for (std::size_t j = 0; j < Size; ++j) {
    const double pos = static_cast<double>(j) * step;
    std::size_t i0 = static_cast<std::size_t>(pos);
    if (i0 > 254)
      i0 = 254;
    const double frac = pos - static_cast<double>(i0);
    const double v = Channel[i0] + (static_cast<double>(Channel[i0 + 1]) - Channel[i0]) * frac;
    out[j] = static_cast<WORD>(std::lround(v));
  }
  return out;
}

TGammaRamp NeutralGammaRamp() {
  TGammaRamp ramp;
  for (int i = 0; i < 256; ++i)
    ramp.Red[i] = ramp.Green[i] = ramp.Blue[i] = static_cast<WORD>(i << 8);
  return ramp;
}
