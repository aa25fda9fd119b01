#include "platform/windows/GammaDevice.h"

namespace {

struct TGammaDeviceSlot {
  TGammaDeviceFactory Factory;
  std::unique_ptr<TGammaDevice> Device;
};

TGammaDeviceSlot& Slot() {
  static TGammaDeviceSlot slot;
  return slot;
}

} // namespace

void SetGammaDeviceFactory(TGammaDeviceFactory Factory) { Slot().Factory = std::move(Factory); }

void InstallGammaDevice(std::unique_ptr<TGammaDevice> Device) { Slot().Device = std::move(Device); }

TGammaDevice& CurrentGammaDevice() {
  TGammaDeviceSlot& slot = Slot();
  if (!slot.Device) {
    if (slot.Factory)
      slot.Device = slot.Factory();
    if (!slot.Device)
      slot.Device = std::make_unique<TUnavailableGammaDevice>("no display backend has been started");
  }
  return *slot.Device;
}

void NotifyGammaDisplaysChanged() {
  if (Slot().Device)
    Slot().Device->DisplaysChanged();
}
