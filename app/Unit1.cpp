#include "app/Unit1.h"

#include "platform/windows/Gdi.h"

#include <cmath>

TGammaRamp BuildGammaRamp(float Offset, float Contrast, float Power) {
  TGammaRamp ramp;
  // Every step stores its result as a 32-bit float, but computes in double: the published table of
  // values depends on both.
  for (int i = 0; i < 256; ++i) {
    float x = static_cast<float>(i / 255.0);
    if (x != 1.0f)
      x = static_cast<float>(1.0 - std::exp(static_cast<double>(Power) * std::log(1.0 - x)));
    x = static_cast<float>((static_cast<double>(x) - 0.5) * Contrast + 0.5);
    x = static_cast<float>(static_cast<double>(x) + Offset - 1.0);
    if (!(x >= 0.0f)) // also catches NaN
      x = 0.0f;
    if (x > 1.0f)
      x = 1.0f;
    // nearbyint rounds ties to even in the default rounding mode: 127.5 becomes 128.
    const int level = static_cast<int>(std::nearbyint(static_cast<double>(x) * 255.0)) & 255;
    const WORD entry = static_cast<WORD>(level << 8);
    ramp.Red[i] = entry;
    ramp.Green[i] = entry;
    ramp.Blue[i] = entry;
  }
  return ramp;
}

void SetGamma(HDC DC, float Offset, float Contrast, float Power) {
  const TGammaRamp ramp = BuildGammaRamp(Offset, Contrast, Power);
  SetDeviceGammaRamp(DC, &ramp);
}
