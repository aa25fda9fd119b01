#pragma once

// The display gamma of a Windows machine in plain C++ types: <windows.h> clashes with the platform
// layer's own names, so it stays inside Win32DisplayGamma.cpp.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Red, green and blue, 256 entries each, in the order GDI keeps them.
using TDisplayRamp = std::array<std::uint16_t, 3 * 256>;

// One display attached to the desktop, through its own device context.
class TDisplayGammaPort {
public:
  virtual ~TDisplayGammaPort() = default;
  // How the user knows the display ("\\.\DISPLAY1 (Generic monitor)").
  virtual std::string Name() const = 0;
  // Loads Ramp (SetDeviceGammaRamp); false with the system's error code (0 when it gave none).
  virtual bool Set(const TDisplayRamp& Ramp, unsigned long& Error) = 0;
  // Reads the ramp the display holds (GetDeviceGammaRamp).
  virtual bool Get(TDisplayRamp& Ramp) = 0;
};

// Every display attached to the desktop, each with its own device context; empty (with Why) when
// the system lists none. Only in the Windows build.
std::vector<std::unique_ptr<TDisplayGammaPort>> OpenWin32DisplayGammaPorts(std::string& Why);
