#pragma once

#include "platform/backends/win32/DisplayGammaPort.h"
#include "platform/windows/GammaDevice.h"

#include <functional>

// The display gamma on Windows: the ramp goes to every attached display through its own device
// context, and is read back, because the system may refuse a ramp it finds too far from the
// identity and still report success. A display that refuses or does not confirm the ramp is named
// with the reason, all such displays in one line. Apply fails only when no display took the ramp
// (Why is then that line); otherwise the line is told through Report (standard error unless given),
// once for as long as it stays the same.
class TDisplayGammaDevice final : public TGammaDevice {
public:
  using TOpenPorts = std::function<std::vector<std::unique_ptr<TDisplayGammaPort>>(std::string& Why)>;
  using TReport = std::function<void(const std::string& Line)>;

  explicit TDisplayGammaDevice(TOpenPorts OpenPorts, TReport Report = nullptr);

  bool Apply(const TGammaRamp& Ramp, std::string& Why) override;
  // The displays are listed afresh on the next Apply.
  void DisplaysChanged() override;

private:
  TOpenPorts FOpenPorts;
  TReport FReport;
  bool FOpened = false;
  std::string FOpenFailure;
  std::vector<std::unique_ptr<TDisplayGammaPort>> FPorts;
  std::string FReported;
};

// Read back within this much of what was sent counts as the same ramp: drivers keep the upper
// bits of each entry only.
constexpr int DisplayRampTolerance = 256;

// Where the registry setting that widens the system's allowed range lives (only named, never set).
extern const char* const GammaRangeSetting;
