#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A small Wayland compositor for tests, on a thread of its own: wl_output globals with chosen gamma
// sizes and zwlr_gamma_control_manager_v1, as wlroots compositors behave — one control per output
// (a newcomer gets `failed`), the output's ramp reset when its control is destroyed or its client
// goes — and a record of every ramp it received. Outputs can be plugged and unplugged and a
// control's `failed` injected while clients run. Its socket lives in a private XDG_RUNTIME_DIR of
// its own, which Environment() hands to the programs under test.
class TTestCompositor {
public:
  struct TOutputSetup {
    std::string Name;
    std::uint32_t GammaSize = 256;
  };

  // What happened to an output's ramp.
  struct TGammaEvent {
    enum class TKind { Set, Reset };
    TKind Kind = TKind::Set;
    std::string Output;
    std::uint32_t Size = 0;
    std::vector<std::uint16_t> Table; // Set: red, green, blue, Size entries each
    pid_t Client = 0;                 // whose control it was
  };

  // Without GammaControl the compositor offers no zwlr_gamma_control_manager_v1, as one whose desktop
  // sets gamma some other way (or not at all).
  explicit TTestCompositor(std::vector<TOutputSetup> Outputs, bool GammaControl = true);
  ~TTestCompositor();
  TTestCompositor(const TTestCompositor&) = delete;
  TTestCompositor& operator=(const TTestCompositor&) = delete;

  bool Running() const;
  const std::string& Error() const { return FError; }
  // WAYLAND_DISPLAY and XDG_RUNTIME_DIR for a program that is to use this compositor.
  std::vector<std::string> Environment() const;
  const std::string& RuntimeDir() const { return FRuntimeDir; }
  const std::string& DisplayName() const { return FDisplayName; }

  std::vector<TGammaEvent> Events() const;
  // Waits until Condition holds for the events so far (it is asked again after each new event),
  // at most TimeoutMs; returns whether it held. Condition runs under the record's lock: it may look
  // only at the events it is given.
  bool WaitFor(const std::function<bool(const std::vector<TGammaEvent>&)>& Condition, int TimeoutMs = 15000) const;
  // Waits until Output's last event is a Set of exactly Table (or, with an empty Table, a Reset).
  bool WaitForRamp(const std::string& Output, const std::vector<std::uint16_t>& Table, int TimeoutMs = 15000) const;
  // The table Output shows now: the last Set since its last Reset, empty when it shows its own.
  std::vector<std::uint16_t> Current(const std::string& Output) const;
  // The same in a list of events (for WaitFor's conditions, which must not call back in here).
  static std::vector<std::uint16_t> CurrentIn(const std::vector<TGammaEvent>& Events, const std::string& Output);
  // How many gamma controls (live or failed) clients have asked for on Output so far.
  int ControlsAsked(const std::string& Output) const;
  // Waits until that count reaches Count, at most TimeoutMs.
  bool WaitForControlsAsked(const std::string& Output, int Count, int TimeoutMs = 15000) const;

  void Plug(const TOutputSetup& Output);
  void Unplug(const std::string& Output);
  // Sends `failed` to the client holding Output's control, as a compositor that gave the output's
  // gamma to someone else; the output shows its own ramp again.
  void InjectFailed(const std::string& Output);
  // The compositor goes away (its clients see the connection end).
  void Stop();

  struct TImpl;

private:
  void Run(std::function<void(TImpl&)> Command) const;
  std::unique_ptr<TImpl> F;
  std::string FRuntimeDir;
  std::string FDisplayName;
  std::string FError;
};
