#pragma once

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Region.h"
#include "platform/windows/Types.h"

// Device contexts. A device context is a canvas: an HDC handed out here is the address of a TCanvas
// (CanvasFromDC). GetDC(0) gives a context for the whole screen, which has no pixels of its own but
// takes the gamma ramp; GetDC(window) one that draws into the window's top-level frame, clipped to
// the window. Every context handed out must be given back once with ReleaseDC.
HDC GetDC(HWND Wnd);
int ReleaseDC(HWND Wnd, HDC DC);
// Screen contexts handed out and not yet released.
int OutstandingScreenDCs();
// Whether the context was handed out and not yet given back.
bool IsLiveDC(HDC DC);

inline TCanvas* CanvasFromDC(HDC DC) { return reinterpret_cast<TCanvas*>(DC); }
// Lets a canvas of the class library's own (an off-screen bitmap) travel as the HDC of a paint or
// erase message.
inline HDC DCFromCanvas(TCanvas* Canvas) { return reinterpret_cast<HDC>(Canvas); }

// Loads Ramp (a TGammaRamp, or 1536 bytes in its layout) into the display behind DC. Returns whether
// a display took it. The first refusal in a process is reported once on standard error, since a
// silent refusal would leave the user guessing why the screen does not change.
BOOL SetDeviceGammaRamp(HDC DC, const void* Ramp);

// Lets the refusal notice be written again; for tests of that notice.
void ResetGammaRefusalNotice();

// Regions. An HRGN names a region owned by this layer until DeleteObject (or SetWindowRgn, which
// takes it over). Coordinates follow the platform: right and bottom edges are excluded.
enum : int { ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom);
HRGN CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight);
// Dest := Src1 combined with Src2 (Src2 is ignored for RGN_COPY); Dest may be one of the sources.
// Returns the kind of the result, or ERROR for an unknown handle or mode.
int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode);
int OffsetRgn(HRGN Rgn, int DX, int DY);
int GetRgnBox(HRGN Rgn, TRect* Box);
BOOL PtInRegion(HRGN Rgn, int X, int Y);
// Frees a region handed out here; 0 for anything else (a region a window has taken over included).
BOOL DeleteObject(HGDIOBJ Object);
// Live region handles, for leak checks.
int OutstandingRegions();
