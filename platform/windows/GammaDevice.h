#pragma once

#include "platform/windows/Types.h"

#include <functional>
#include <memory>
#include <string>

// Where SetDeviceGammaRamp sends its table. One device is chosen per process, the first time a table
// is sent: the installed device if there is one, otherwise what the installed factory opens.
class TGammaDevice {
public:
  virtual ~TGammaDevice() = default;

  // Loads the table into the display. Returns false, with Why saying what stood in the way, when no
  // display took it.
  virtual bool Apply(const TGammaRamp& Ramp, std::string& Why) = 0;
  // The displays changed (monitors, modes, CRTCs): what the device found out about them may be
  // out of date. Called before the windows hear of the change, so their next Apply reaches the
  // displays as they are now.
  virtual void DisplaysChanged() {}
};

// A device that takes nothing, for machines without a display gamma interface.
class TUnavailableGammaDevice final : public TGammaDevice {
public:
  explicit TUnavailableGammaDevice(std::string Reason) : FReason(std::move(Reason)) {}
  bool Apply(const TGammaRamp&, std::string& Why) override {
    Why = FReason;
    return false;
  }
  const std::string& Reason() const { return FReason; }

private:
  std::string FReason;
};

using TGammaDeviceFactory = std::function<std::unique_ptr<TGammaDevice>()>;

// Sets what opens the device on first use; has no effect once a device has been chosen.
void SetGammaDeviceFactory(TGammaDeviceFactory Factory);
// Replaces the process's device (the headless desktop and tests install theirs this way).
void InstallGammaDevice(std::unique_ptr<TGammaDevice> Device);
// The process's device, chosen on first use.
TGammaDevice& CurrentGammaDevice();
// Tells the process's device, if one was chosen, that the displays changed.
void NotifyGammaDisplaysChanged();
