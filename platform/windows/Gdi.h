#pragma once

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Region.h"
#include "platform/windows/Types.h"

#include <string>
#include <string_view>

// Device contexts. A device context is a canvas: an HDC handed out here is the address of a TCanvas
// (CanvasFromDC). GetDC(0) gives a context for the whole screen, which has no pixels of its own but
// takes the gamma ramp; GetDC(window) one that draws into the window's top-level frame, clipped to
// the window; GetWindowDC(window) the same over the whole window (window coordinates). Every context
// handed out must be given back once with ReleaseDC, with the window it came from; what a context
// outside painting drew is shown then.
//
// GetWindowDC(GetDesktopWindow()) (or GetDC of it) draws on the screen in screen coordinates: each
// pixel lands in the frame of the top-level window of ours that shows there (the topmost, inside
// its shape), nothing where no window of ours is; ReleaseDC shows the windows it drew on.
HDC GetDC(HWND Wnd);
HDC GetWindowDC(HWND Wnd);
int ReleaseDC(HWND Wnd, HDC DC);
// The window a live context draws on: the window of GetDC, GetWindowDC or BeginPaint, the desktop
// window for the screen's contexts; null for anything else (an off-screen bitmap's canvas).
HWND WindowFromDC(HDC DC);
// Screen contexts handed out and not yet released.
int OutstandingScreenDCs();
// Whether the context was handed out and not yet given back.
bool IsLiveDC(HDC DC);

inline TCanvas* CanvasFromDC(HDC DC) { return reinterpret_cast<TCanvas*>(DC); }
// Lets a canvas of the class library's own (an off-screen bitmap) travel as the HDC of a paint or
// erase message.
inline HDC DCFromCanvas(TCanvas* Canvas) { return reinterpret_cast<HDC>(Canvas); }

// Device-context state and block transfers, for code written against the platform's calls; each is
// the canvas operation of the same meaning. A null context is refused (0).
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
int SaveDC(HDC DC);
// Level as TCanvas::Restore takes it (negative counts back from the last save).
BOOL RestoreDC(HDC DC, int Level);
BOOL GetViewportOrgEx(HDC DC, TPoint* Origin);
BOOL SetViewportOrgEx(HDC DC, int X, int Y, TPoint* Previous);
// Narrows the clip (logical coordinates); returns the kind of the clip left.
int IntersectClipRect(HDC DC, int Left, int Top, int Right, int Bottom);
int GetClipBox(HDC DC, TRect* Box);
// Copies Width x Height pixels from Source at (SourceX, SourceY) to Dest at (X, Y); only SRCCOPY.
BOOL BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Source, int SourceX, int SourceY, std::uint32_t Rop);

// Loads Ramp (a TGammaRamp, or 1536 bytes in its layout) into the display behind DC. Returns whether
// a display took it. The first refusal in a process is reported once on standard error, since a
// silent refusal would leave the user guessing why the screen does not change.
BOOL SetDeviceGammaRamp(HDC DC, const void* Ramp);

// Writes the one notice that the display took no ramp ("display gamma ramp not set: Why"), unless
// it was written already; for a device that learns of a refusal after SetDeviceGammaRamp returned.
void ReportGammaRefusal(const std::string& Why);
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
// Frees a region or font handed out here; 0 for anything else (a region a window has taken over
// included).
BOOL DeleteObject(HGDIOBJ Object);
// Live region handles, for leak checks.
int OutstandingRegions();

// Fonts. A font handle carries everything of the record (the face up to 31 bytes of UTF-8); a TFont
// takes it with SetHandle. Free it with DeleteObject (a TFont frees the handles it took itself).
struct LOGFONT;
HFONT CreateFontIndirect(const LOGFONT* Font);
// Fills Buffer with the LOGFONT of a font handle; returns the bytes written (sizeof(LOGFONT), or
// that size when Buffer is null), 0 for an unknown handle or a buffer too small.
int GetObject(HGDIOBJ Object, int Size, void* Buffer);
// Writes Face into the record, cut to 31 bytes before a whole UTF-8 character.
void SetFaceName(LOGFONT& Font, std::string_view Face);
