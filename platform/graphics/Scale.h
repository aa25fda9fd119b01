#pragma once

#include "platform/graphics/Geometry.h"
#include "platform/graphics/Region.h"

#include <optional>
#include <string>
#include <string_view>

// Scales between window units and device pixels. A window unit is a pixel at 96 dpi: what stored
// forms, theme files and every component's values count in. A top-level window shows Scale device
// pixels per unit; at 1 the two are the same and every mapping below is the identity.
//
// Edges map one by one (ScaleEdge), never sizes: two pieces that share an edge in units share it
// on the device too, so at a fractional scale nothing leaves a gap or overlaps; a unit then covers
// one or two device pixels.

constexpr double MinWindowScale = 1.0;
constexpr double MaxWindowScale = 4.0;

// The scale a desktop's setting asks for (2.0 for 192 dpi), as windows take it: the nearest quarter
// (1.25, 1.5, 1.75 are the usual steps; 97 or 100 dpi are not worth uneven pictures), kept within
// MinWindowScale..MaxWindowScale. A value that is no number at all counts as 1.
double WindowScaleFor(double Wanted);
// The scale of a dots-per-inch setting (96 per unit).
inline double WindowScaleForDpi(double Dpi) { return WindowScaleFor(Dpi / 96.0); }

// A scale given as text (a program's --scale argument): a decimal number from MinWindowScale to
// MaxWindowScale ("2", "1.5"), taken as WindowScaleFor takes it. Nothing for anything else, with
// Why saying what is wrong.
std::optional<double> ParseWindowScale(std::string_view Text, std::string& Why);

// The device position of a unit edge.
int ScaleEdge(int Units, double Scale);
// The unit whose pixels include device pixel Device: the largest U with ScaleEdge(U) <= Device.
int UnitAt(int Device, double Scale);
// A rectangle's edges in device pixels (an inverted rectangle stays inverted).
TRect ScaleRect(const TRect& Units, double Scale);
// The device pixels of a region of units.
TRegion ScaleRegion(const TRegion& Units, double Scale);
// The smallest rectangle of units whose pixels cover the device rectangle.
TRect UnscaleRect(const TRect& Device, double Scale);
// The units whose pixels meet the device region.
TRegion UnscaleRegion(const TRegion& Device, double Scale);
// How many units a device length shows at least: the fewest units whose pixels cover it.
int UnitsCovering(int Device, double Scale);

// How a buffer's units lie on its device pixels. At a fractional scale a unit covers one or two
// pixels, by where it lies in its window (ScaleEdge counts from the window's edges). A buffer made
// for a place inside a window, such as a control's off-screen bitmap, takes that place's pattern:
// its unit 0 lies as the window's unit Phase does, so that its pixels are the window's pixels
// there and copying it in is copying pixels (text drawn in it keeps every pixel). Phase counts
// within the pattern's period, so at whole-number scales it is always (0, 0). A bare scale is the
// grid of a window's own frame.
struct TUnitGrid {
  TUnitGrid() = default;
  // Phase is reduced to the period of Scale.
  TUnitGrid(double Scale, TPoint Phase = {});

  double Scale = 1.0;
  TPoint Phase;

  // The device pixel where a unit edge lies.
  int EdgeX(int Units) const;
  int EdgeY(int Units) const;
  // The unit whose pixels include a device pixel.
  int UnitAtX(int Device) const;
  int UnitAtY(int Device) const;
  TRect DeviceRect(const TRect& Units) const;
  TRegion DeviceRegion(const TRegion& Units) const;
  // The grid of a buffer whose unit 0 lies where this one's unit Offset does.
  TUnitGrid Shifted(TPoint Offset) const { return {Scale, {Phase.X + Offset.X, Phase.Y + Offset.Y}}; }
  friend bool operator==(const TUnitGrid&, const TUnitGrid&) = default;
};

// The units over which the pixels of a scale repeat: 1 at whole numbers, 2 at 1.5, 4 at 1.25 and
// 1.75 (0 for a scale whose pattern does not repeat within 64 units).
int ScalePeriod(double Scale);

// The grid of the top-level window being painted, at the place being painted: bitmaps a control
// paints into while it is painted follow it (see TCanvas::SetFollowsPaintScale). Scale 1 outside
// any paint.
const TUnitGrid& CurrentPaintGrid();
inline double CurrentPaintScale() { return CurrentPaintGrid().Scale; }

// Sets the paint grid for as long as it lives. AtLeast keeps a larger scale already set: a control
// painting through an off-screen bitmap's canvas stays inside its window's scale.
class TPaintScaleScope {
public:
  enum TMode { Exactly, AtLeast };
  TPaintScaleScope(const TUnitGrid& Grid, TMode Mode);
  ~TPaintScaleScope();
  TPaintScaleScope(const TPaintScaleScope&) = delete;
  TPaintScaleScope& operator=(const TPaintScaleScope&) = delete;

private:
  TUnitGrid FPrevious;
};
