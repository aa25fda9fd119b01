#pragma once

#include "platform/windows/GammaDevice.h"

#include <vector>

// The headless desktop's display: keeps every table it is given, in order, so tests can read what
// the program would have shown. It can also be told to refuse, to exercise that path.
class TRecordingGammaDevice final : public TGammaDevice {
public:
  bool Apply(const TGammaRamp& Ramp, std::string& Why) override;
  void DisplaysChanged() override { ++FDisplayChanges; }

  const std::vector<TGammaRamp>& Tables() const { return FTables; }
  void Clear() { FTables.clear(); }
  // While set, tables are refused with this reason and not recorded.
  void RefuseWith(std::string Reason) { FRefusal = std::move(Reason); }
  // How many times the device was told that the displays changed.
  int DisplayChanges() const { return FDisplayChanges; }

private:
  std::vector<TGammaRamp> FTables;
  std::string FRefusal;
  int FDisplayChanges = 0;
};
