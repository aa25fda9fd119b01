#pragma once

#include "platform/windows/Types.h"

// The table SetGamma sends for the three adjustment values (1.0 is neutral for each).
TGammaRamp BuildGammaRamp(float Offset, float Contrast, float Power);

// Builds the table and loads it into the display behind DC (a screen context from GetDC(0)).
void SetGamma(HDC DC, float Offset, float Contrast, float Power);
