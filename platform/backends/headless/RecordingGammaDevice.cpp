#include "platform/backends/headless/RecordingGammaDevice.h"

bool TRecordingGammaDevice::Apply(const TGammaRamp& Ramp, std::string& Why) {
  if (!FRefusal.empty()) {
    Why = FRefusal;
    return false;
  }
  FTables.push_back(Ramp);
  return true;
}
