#include "platform/backends/win32/DisplayGammaPort.h"
#include "platform/graphics/GdiFace.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

class TWin32DisplayGammaPort final : public TDisplayGammaPort {
public:
  TWin32DisplayGammaPort(HDC Dc, std::string Name) : FDc(Dc), FName(std::move(Name)) {}
  ~TWin32DisplayGammaPort() override { DeleteDC(FDc); }
  TWin32DisplayGammaPort(const TWin32DisplayGammaPort&) = delete;
  TWin32DisplayGammaPort& operator=(const TWin32DisplayGammaPort&) = delete;

  std::string Name() const override { return FName; }
  bool Set(const TDisplayRamp& Ramp, unsigned long& Error) override {
    SetLastError(0);
    if (SetDeviceGammaRamp(FDc, const_cast<std::uint16_t*>(Ramp.data())))
      return true;
    Error = GetLastError();
    return false;
  }
  bool Get(TDisplayRamp& Ramp) override { return GetDeviceGammaRamp(FDc, Ramp.data()) != FALSE; }

private:
  HDC FDc;
  std::string FName;
};

} // namespace

std::vector<std::unique_ptr<TDisplayGammaPort>> OpenWin32DisplayGammaPorts(std::string& Why) {
  std::vector<std::unique_ptr<TDisplayGammaPort>> ports;
  std::string failures;
  DISPLAY_DEVICEW device{};
  device.cb = sizeof(device);
  // The desktop's own context (GetDC(NULL)) does not reach every display of an extended desktop.
  for (DWORD i = 0; EnumDisplayDevicesW(nullptr, i, &device, 0); ++i, device.cb = sizeof(device)) {
    if ((device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) == 0)
      continue;
    std::string name = Utf8FromWide(device.DeviceName);
    if (device.DeviceString[0] != L'\0')
      name += " (" + Utf8FromWide(device.DeviceString) + ")";
    HDC dc = CreateDCW(device.DeviceName, device.DeviceName, nullptr, nullptr);
    if (dc == nullptr) {
      failures += (failures.empty() ? "" : "; ") + std::string("display ") + name +
                  " has no device context (error " + std::to_string(GetLastError()) + ")";
      continue;
    }
    ports.push_back(std::make_unique<TWin32DisplayGammaPort>(dc, std::move(name)));
  }
  if (ports.empty())
    Why = failures.empty() ? "no display is attached to the desktop" : failures;
  return ports;
}
