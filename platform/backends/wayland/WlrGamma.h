#pragma once

#include "platform/backends/wayland/KeeperMessages.h"
#include "platform/windows/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The largest gamma size taken from a compositor; a real display has a few thousand entries at most.
constexpr std::uint32_t WlrMaxGammaSize = 65536;

// The outputs of a Wayland compositor through its zwlr_gamma_control_manager_v1: one gamma control
// per output, holding the table given last (spread over each output's gamma size). Outputs that
// come get the table; outputs that go are forgotten. Runs on the caller's wait: Descriptor,
// BeforeWait and AfterWait fit around one poll.
class TWlrGamma {
public:
  // Connects to the compositor that WAYLAND_DISPLAY names and learns its outputs and their gamma
  // sizes (two round trips); nullptr with Why when it cannot be reached or offers no gamma control.
  static std::unique_ptr<TWlrGamma> Connect(std::string& Why);
  ~TWlrGamma();
  TWlrGamma(const TWlrGamma&) = delete;
  TWlrGamma& operator=(const TWlrGamma&) = delete;

  int Descriptor() const;
  // Sends what is queued and prepares to read; call right before polling Descriptor.
  void BeforeWait();
  // Reads (when Readable) and handles what the compositor said; false when it is gone.
  bool AfterWait(bool Readable);

  // Holds Ramp on every output that has a gamma control; later outputs get it when they come.
  void SetRamp(const TGammaRamp& Ramp);
  bool HasRamp() const;
  const TGammaRamp& Ramp() const;
  // Outputs the compositor refused earlier (another program may have held them) are asked for a
  // gamma control once more; an output refused for its gamma size is not.
  void RetryRefused();
  // Calls Done once the compositor has handled every request sent so far, and those its answers
  // made the keeper send on the way.
  void Sync(std::function<void()> Done);
  // What became of each output: Applied where the table is held (Settable before any table),
  // Refused with the reason elsewhere.
  std::vector<TKeeperOutput> Report() const;
  // Called when an output came (and got the table) or went, or the compositor withdrew a control.
  std::function<void()> OnChange;

  struct TImpl;

private:
  explicit TWlrGamma(std::unique_ptr<TImpl> Impl);
  std::unique_ptr<TImpl> F;
};
