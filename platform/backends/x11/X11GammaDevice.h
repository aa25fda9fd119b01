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

enum class TX11GammaMethod { Any, RandR, VidMode };

// What an X server says about itself that decides whether a gamma ramp can be set and shows.
struct TX11GammaFacts {
  std::string Vendor;
  bool XWaylandExtension = false;
  bool RandR12 = false;                      // XRandR 1.2 or later: CRTCs with gamma
  std::vector<std::string> OutputNames;
  std::vector<std::size_t> CrtcGammaSizes;   // one per CRTC
  bool VidMode = false;                      // the XF86VidMode extension is there
  std::vector<std::size_t> VidModeGammaSizes; // one per screen
  bool WaylandDisplaySet = false;            // WAYLAND_DISPLAY in our environment
};

struct TX11GammaVerdict {
  TX11GammaMethod Method = TX11GammaMethod::Any; // RandR or VidMode when a ramp can be set
  std::string Refusal; // why no ramp can be set (empty when one can)
  std::string Note;    // a doubt worth telling although a ramp can be set
};

// Decides from the facts how the ramp is set (Wanted: Any prefers RandR), or why it cannot be: an X
// server that is a Wayland compositor's compatibility server (it takes gamma ramps and shows
// none), no CRTC, CRTCs with a gamma size of 0, no XF86VidMode.
TX11GammaVerdict ClassifyX11Gamma(const TX11GammaFacts& Facts, TX11GammaMethod Wanted);

// One output of the X server as far as gamma goes.
struct TX11GammaOutput {
  std::string Name;       // the RandR output, or "screen N" for XF86VidMode
  unsigned long Crtc = 0; // 0: the output has no CRTC (it is off), or XF86VidMode
  std::size_t GammaSize = 0;
  bool Settable = false;
};

struct TX11GammaSurvey {
  TX11GammaVerdict Verdict;
  std::vector<TX11GammaOutput> Outputs;
};

// The display gamma of an X server: the same table on every CRTC that has a gamma ramp (resampled
// when a CRTC's ramp is not 256 entries long), or XF86VidMode when RandR offers no CRTC gamma. Each
// Apply is one batch of requests and one round trip.
class TX11GammaDevice final : public TGammaDevice {
public:
  using TMethod = TX11GammaMethod;

  // Opens DisplayName (nullptr: the DISPLAY variable); on failure (no display, or a display that
  // takes no ramp) returns nullptr and says why.
  static std::unique_ptr<TX11GammaDevice> Open(const char* DisplayName, std::string& Why,
                                               TMethod Method = TMethod::Any);
  // What the display offers, output by output, and whether (and how) a ramp can be set; false with
  // Why only when the display cannot be opened.
  static bool Survey(const char* DisplayName, TX11GammaSurvey& Out, std::string& Why);
  ~TX11GammaDevice() override;

  bool Apply(const TGammaRamp& Ramp, std::string& Why) override;
  // The next Apply looks for the CRTCs afresh (one may have come or gone).
  void DisplaysChanged() override;
  // Reads back every ramp; a round trip per ramp, for tools and tests.
  bool Read(std::vector<TX11GammaRamp>& Ramps, std::string& Why);

  TMethod Method() const;
  std::vector<std::size_t> GammaSizes() const;
  // A doubt about the display worth telling the user (empty when there is none).
  const std::string& Note() const;

  struct TImpl;

private:
  explicit TX11GammaDevice(std::unique_ptr<TImpl> Impl);
  std::unique_ptr<TImpl> F;
};
