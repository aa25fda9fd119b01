#pragma once

#include "platform/core/ClassInfo.h"

#include <cstdint>

// Which way a bar runs: its minimum at the left, or at the top.
enum TzykProgressBarOrientation : std::uint8_t { zykHorizontal, zykVertical };

// The value names, for published Orientation properties (Orientation = zykVertical).
inline const TEnumInfo& TzykProgressBarOrientationInfo() {
  static const TEnumInfo Info("TzykProgressBarOrientation", {"zykHorizontal", "zykVertical"});
  return Info;
}
