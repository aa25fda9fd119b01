#pragma once

#include "platform/backends/gnome/SdBus.h"
#include "platform/windows/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// GNOME's display configuration service on the session bus: its CRTCs, their gamma ramps, and the
// signal it sends when the monitors change. Every call carries the configuration's serial; the
// service refuses a stale one with AccessDenied.

inline constexpr const char* DisplayConfigService = "org.gnome.Mutter.DisplayConfig";
inline constexpr const char* DisplayConfigPath = "/org/gnome/Mutter/DisplayConfig";
inline constexpr const char* DisplayConfigInterface = "org.gnome.Mutter.DisplayConfig";

// More than any machine has: a reply past these is refused, not followed.
inline constexpr std::size_t DisplayConfigMaxCrtcs = 64;
inline constexpr std::size_t DisplayConfigMaxOutputs = 64;
inline constexpr std::size_t DisplayConfigMaxGammaSize = 65536;

struct TDisplayConfigCrtc {
  std::uint32_t Id = 0;
  std::vector<std::string> Outputs; // the outputs it drives now
  std::size_t GammaSize = 0;        // the length of each channel GetCrtcGamma returns
  std::string Refusal;              // why no ramp can be set on it (empty when one can)
};

struct TDisplayConfigResources {
  std::uint32_t Serial = 0;
  std::vector<TDisplayConfigCrtc> Crtcs;
};

struct TDisplayConfigGamma {
  std::vector<WORD> Red, Green, Blue;
};

// The readers of the service's replies (outside input: every count and length is checked). The
// output's CRTC is the CRTC's place in the list, as the service numbers them. False with Why.
bool ReadResourcesReply(const TSdBus& Bus, sd_bus_message* Reply, TDisplayConfigResources& Out, std::string& Why);
bool ReadGammaReply(const TSdBus& Bus, sd_bus_message* Reply, TDisplayConfigGamma& Out, std::string& Why);

// "org.gnome.Mutter.DisplayConfig CRTC 0 (DP-1)", for lines about one CRTC.
std::string DescribeCrtc(const TDisplayConfigCrtc& Crtc);

enum class TDisplayConfigResult {
  Done,
  Stale,   // the serial was stale: the configuration changed since it was read
  Missing, // the service has no such method
  Failed,
};

// One connection to the session bus, speaking to the service.
class TDisplayConfigLink {
public:
  // Connects to the session bus (DBUS_SESSION_BUS_ADDRESS); nullptr with Why when there is none.
  static std::unique_ptr<TDisplayConfigLink> Open(std::string& Why);
  ~TDisplayConfigLink();
  TDisplayConfigLink(const TDisplayConfigLink&) = delete;
  TDisplayConfigLink& operator=(const TDisplayConfigLink&) = delete;

  // Whether the service has an owner on the bus; false with Why when the bus did not answer.
  bool ServicePresent(bool& Present, std::string& Why);
  // GetResources, then GetCrtcGamma of each CRTC for its gamma size.
  TDisplayConfigResult ReadResources(TDisplayConfigResources& Out, std::string& Why);
  TDisplayConfigResult GetCrtcGamma(std::uint32_t Serial, std::uint32_t Crtc, TDisplayConfigGamma& Out,
                                    std::string& Why);
  TDisplayConfigResult SetCrtcGamma(std::uint32_t Serial, std::uint32_t Crtc, const TDisplayConfigGamma& Gamma,
                                    std::string& Why);
  // Whether the service's description lists SetCrtcGamma (true when it cannot be told).
  bool OffersSetCrtcGamma();
  // Changed runs (inside Dispatch) for each MonitorsChanged signal.
  bool WatchMonitors(std::function<void()> Changed, std::string& Why);

  bool IsOpen() const;
  int Descriptor() const;
  short Events() const;
  // Handles everything that has arrived; signals run their callbacks. False when the bus is gone.
  bool Dispatch();

private:
  TDisplayConfigLink(const TSdBus& Calls, sd_bus* Bus) : FCalls(Calls), FBus(Bus) {}
  // A call of the service's Member, with the serial and the CRTC when given.
  bool NewCall(const char* Member, const std::uint32_t* SerialAndCrtc, sd_bus_message** Out, std::string& Why);
  TDisplayConfigResult CallService(const char* Member, sd_bus_message* Request, sd_bus_message** Reply,
                                   std::string& Why);
  static int OnMonitorsChanged(sd_bus_message*, void* Data, sd_bus_error*);

  const TSdBus& FCalls;
  sd_bus* FBus;
  sd_bus_slot* FSlot = nullptr;
  std::function<void()> FChanged;
  int FOffersSet = -1; // unknown until asked
};

// Whether the service is on the session bus (this loads libsystemd); false with Why when the bus
// could not be asked, false with Why empty when it answered that the service is not there.
bool DisplayConfigOnSessionBus(std::string& Why);
