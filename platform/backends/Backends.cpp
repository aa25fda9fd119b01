#include "platform/backends/Backends.h"

#include "platform/backends/x11/X11GammaDevice.h"
#include "platform/windows/GammaDevice.h"

void UseNativeBackends() {
  SetGammaDeviceFactory([]() -> std::unique_ptr<TGammaDevice> {
    std::string why;
    if (auto device = TX11GammaDevice::Open(nullptr, why))
      return device;
    return std::make_unique<TUnavailableGammaDevice>(why);
  });
}
