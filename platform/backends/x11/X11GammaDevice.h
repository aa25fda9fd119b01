#pragma once

#include "platform/windows/GammaDevice.h"

#include <memory>
#include <string>
#include <vector>

// One gamma ramp of the X server: a RandR CRTC, or a screen when only XF86VidMode is there.
struct TX11GammaRamp {
  unsigned long Crtc = 0; // 0 for an XF86VidMode screen
  std::string Output;     // the first output the CRTC drives, empty when none
  std::vector<WORD> Red, Green, Blue;
};

// The display gamma of an X server: the same table on every CRTC that has a gamma ramp (resampled
// when a CRTC's ramp is not 256 entries long), or XF86VidMode when RandR offers no CRTC gamma. Each
// Apply is one batch of requests and one round trip.
class TX11GammaDevice final : public TGammaDevice {
public:
  enum class TMethod { Any, RandR, VidMode };

  // Opens DisplayName (nullptr: the DISPLAY variable); on failure returns nullptr and says why.
  static std::unique_ptr<TX11GammaDevice> Open(const char* DisplayName, std::string& Why,
                                               TMethod Method = TMethod::Any);
  ~TX11GammaDevice() override;

  bool Apply(const TGammaRamp& Ramp, std::string& Why) override;
  // Reads back every ramp; a round trip per ramp, for tools and tests.
  bool Read(std::vector<TX11GammaRamp>& Ramps, std::string& Why);

  TMethod Method() const;
  std::vector<std::size_t> GammaSizes() const;

private:
  struct TImpl;
  explicit TX11GammaDevice(std::unique_ptr<TImpl> Impl);
  std::unique_ptr<TImpl> F;
};
