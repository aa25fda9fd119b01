#include "platform/graphics/Scale.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

TUnitGrid gPaintGrid;

int FloorMod(int A, int B) {
  const int m = A % B;
  return m < 0 ? m + B : m;
}

} // namespace

double WindowScaleFor(double Wanted) {
  if (!std::isfinite(Wanted))
    return 1.0;
  const double quarters = std::floor(Wanted * 4.0 + 0.5) / 4.0;
  return std::clamp(quarters, MinWindowScale, MaxWindowScale);
}

std::optional<double> ParseWindowScale(std::string_view Text, std::string& Why) {
  double value = 0;
  const char* end = Text.data() + Text.size();
  const auto [at, error] = std::from_chars(Text.data(), end, value, std::chars_format::fixed);
  if (Text.empty() || error != std::errc() || at != end || !std::isfinite(value)) {
    Why = "the scale must be a number such as 2 or 1.5, not '" + std::string(Text) + "'";
    return std::nullopt;
  }
  if (value < MinWindowScale || value > MaxWindowScale) {
    Why = "the scale must be from 1 to 4, not " + std::string(Text);
    return std::nullopt;
  }
  return WindowScaleFor(value);
}

int ScaleEdge(int Units, double Scale) {
  if (Scale == 1.0)
    return Units;
  return static_cast<int>(std::floor(Units * Scale + 0.5));
}

int UnitAt(int Device, double Scale) {
  if (Scale == 1.0)
    return Device;
  int u = static_cast<int>(std::floor((Device + 0.5) / Scale));
  // The estimate is off by at most one either way.
  while (ScaleEdge(u, Scale) > Device)
    --u;
  while (ScaleEdge(u + 1, Scale) <= Device)
    ++u;
  return u;
}

TRect ScaleRect(const TRect& Units, double Scale) {
  if (Scale == 1.0)
    return Units;
  return {ScaleEdge(Units.Left, Scale), ScaleEdge(Units.Top, Scale), ScaleEdge(Units.Right, Scale),
          ScaleEdge(Units.Bottom, Scale)};
}

TRegion ScaleRegion(const TRegion& Units, double Scale) {
  if (Scale == 1.0)
    return Units;
  return TUnitGrid(Scale).DeviceRegion(Units);
}

TRect UnscaleRect(const TRect& Device, double Scale) {
  if (Scale == 1.0 || Device.IsEmpty())
    return Device;
  return {UnitAt(Device.Left, Scale), UnitAt(Device.Top, Scale), UnitAt(Device.Right - 1, Scale) + 1,
          UnitAt(Device.Bottom - 1, Scale) + 1};
}

TRegion UnscaleRegion(const TRegion& Device, double Scale) {
  if (Scale == 1.0)
    return Device;
  TRegion units;
  for (const TRect& r : Device.Rects())
    units = units.Union(TRegion(UnscaleRect(r, Scale)));
  return units;
}

int UnitsCovering(int Device, double Scale) {
  if (Device <= 0)
    return 0;
  return UnitAt(Device - 1, Scale) + 1;
}

int ScalePeriod(double Scale) {
  for (int n = 1; n <= 64; ++n)
    if (const double pixels = n * Scale; pixels == std::floor(pixels))
      return n;
  return 0;
}

TUnitGrid::TUnitGrid(double Scale, TPoint Phase) : Scale(Scale) {
  if (const int period = ScalePeriod(Scale); period > 0)
    this->Phase = {FloorMod(Phase.X, period), FloorMod(Phase.Y, period)};
  else
    this->Phase = Phase;
}

int TUnitGrid::EdgeX(int Units) const {
  return Phase.X == 0 ? ScaleEdge(Units, Scale) : ScaleEdge(Units + Phase.X, Scale) - ScaleEdge(Phase.X, Scale);
}

int TUnitGrid::EdgeY(int Units) const {
  return Phase.Y == 0 ? ScaleEdge(Units, Scale) : ScaleEdge(Units + Phase.Y, Scale) - ScaleEdge(Phase.Y, Scale);
}

int TUnitGrid::UnitAtX(int Device) const {
  return Phase.X == 0 ? UnitAt(Device, Scale) : UnitAt(Device + ScaleEdge(Phase.X, Scale), Scale) - Phase.X;
}

int TUnitGrid::UnitAtY(int Device) const {
  return Phase.Y == 0 ? UnitAt(Device, Scale) : UnitAt(Device + ScaleEdge(Phase.Y, Scale), Scale) - Phase.Y;
}

TRect TUnitGrid::DeviceRect(const TRect& Units) const {
  if (Scale == 1.0)
    return Units;
  return {EdgeX(Units.Left), EdgeY(Units.Top), EdgeX(Units.Right), EdgeY(Units.Bottom)};
}

TRegion TUnitGrid::DeviceRegion(const TRegion& Units) const {
  if (Scale == 1.0)
    return Units;
  return Units.MappedEdges([this](int X) { return EdgeX(X); }, [this](int Y) { return EdgeY(Y); });
}

const TUnitGrid& CurrentPaintGrid() { return gPaintGrid; }

TPaintScaleScope::TPaintScaleScope(const TUnitGrid& Grid, TMode Mode) : FPrevious(gPaintGrid) {
  if (Mode == Exactly || Grid.Scale >= gPaintGrid.Scale)
    gPaintGrid = Grid;
}

TPaintScaleScope::~TPaintScaleScope() { gPaintGrid = FPrevious; }
