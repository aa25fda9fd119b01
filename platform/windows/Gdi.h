#pragma once

#include "platform/windows/Types.h"

// The screen device context. GetDC(0) hands out a context for the whole screen; every context handed
// out must be given back once with ReleaseDC(0, DC).
HDC GetDC(HWND Wnd);
int ReleaseDC(HWND Wnd, HDC DC);
// Screen contexts handed out and not yet released.
int OutstandingScreenDCs();

// Loads Ramp (a TGammaRamp, or 1536 bytes in its layout) into the display behind DC. Returns whether
// a display took it. The first refusal in a process is reported once on standard error, since a
// silent refusal would leave the user guessing why the screen does not change.
BOOL SetDeviceGammaRamp(HDC DC, const void* Ramp);

// Lets the refusal notice be written again; for tests of that notice.
void ResetGammaRefusalNotice();
