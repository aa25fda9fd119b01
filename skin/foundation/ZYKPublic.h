#pragma once

#include "platform/core/Errors.h"
#include "platform/core/Types.h"
#include "platform/graphics/Geometry.h"

#include <string_view>

class TBitmap;
class TCanvas;
class TComponent;
class TControl;
class TCustomForm;
class TGraphic;
class TObject;
class TWinControl;

// Integer division by zero, raised where the platform's arithmetic would raise it.
class EDivByZero : public Exception {
  using Exception::Exception;
};

// The key colour of skin pictures: pixels of it are left undrawn where a routine says so.
constexpr TColor zykKeyColor = 0xFF00FF;

// Dest becomes frame FrameIndex (1-based) of FrameCount equal frames laid side by side in Source:
// Source's height and Source.Width div FrameCount columns starting at (FrameIndex - 1) times that.
// FrameCount 0 raises EDivByZero.
void ExtractBitmapFrame(const TBitmap& Source, TBitmap& Dest, int FrameCount, int FrameIndex);

// Lays a button face picture over R (whose Left and Top are 0): the four corners unscaled, the
// edges and centre stretched from the strips between them. Corners are drawn with the key colour
// left out when Transparent is set, opaque otherwise; edges and centre always leave it out.
void DrawNineSliceFace(const TBitmap& Picture, TCanvas& Canvas, const TRect& R, bool Transparent);

// Lays a bar picture over R: its left and right thirds at R's ends, its middle third stretched in
// between. The key colour is the picture's top-left pixel when KeyFromCorner is set, else
// zykKeyColor. R narrower than two thirds mirrors the middle.
void DrawThreePartBar(const TBitmap& Picture, TCanvas& Canvas, const TRect& R, bool KeyFromCorner);

// Repeats Picture from the canvas origin until it covers R's width and height measured from the
// origin. A picture without area draws nothing.
void TileGraphic(TCanvas& Canvas, const TGraphic& Picture, const TRect& R);

// A quarter turn in place: counter-clockwise (the top row becomes the left column, read upwards)
// and clockwise (the top row becomes the right column, read downwards).
void RotateBitmapLeft(TBitmap& Bitmap);
void RotateBitmapRight(TBitmap& Bitmap);

// Whether (X, Y) lies in R, its right and bottom edges included.
bool PointInRectInclusive(int X, int Y, const TRect& R);
bool PointInRectInclusive(TPoint P, const TRect& R);

// Whether Instance's class (its ancestors included) publishes a property named Name, letter case
// ignored. A null instance publishes nothing.
bool HasPublishedProperty(const TObject* Instance, std::string_view Name);

// Paints what Control's parent shows under Control onto Canvas (which Control paints itself on):
// the parent's background and paint run with the origin shifted by Control's position and the clip
// narrowed to the parent's client area. A control without a parent paints nothing.
void PaintParentBackground(TCanvas& Canvas, TControl* Control);

// The work area (the desktop less the task bars) of the monitor nearest the application's main
// form, or of the primary monitor when there is no main form.
void GetDesktopWorkArea(TRect& R);

// Left, then Top, as separate property writes.
void SetControlOrigin(TControl* Control, TPoint P);
// Left, Top, Width, Height from R, in that order, as four separate property writes.
void SetControlBounds(TControl* Control, const TRect& R);

// Sets FileTheme (which may be null) and then UIStyle, through their setters, on each direct child
// of Container that publishes both; grandchildren are not visited.
void ApplyStyleToChildren(TWinControl* Container, int UIStyle, TComponent* FileTheme);

// Whether Form is to be painted as the active window, judged against the application's main form
// and active flag.
bool IsFormActive(TCustomForm* Form);
