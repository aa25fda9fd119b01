#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A stand-in for GNOME's display configuration service (org.gnome.Mutter.DisplayConfig) on a bus the
// test started, on a thread of its own: CRTCs with chosen gamma sizes, each driving one output; a
// serial that every call must carry (a stale one is refused with AccessDenied, as the real service
// does); a record of every ramp set; MonitorsChanged on demand. Without SetCrtcGamma it stands for a
// GNOME that dropped the method.
class TTestDisplayConfig {
public:
  struct TCrtcSetup {
    std::string Output; // empty: the CRTC drives no output
    std::uint32_t GammaSize = 256;
  };

  struct TGammaSet {
    std::uint32_t Crtc = 0;
    std::vector<std::uint16_t> Table; // red, green, blue, the CRTC's gamma size each
  };

  TTestDisplayConfig(const std::string& BusAddress, std::vector<TCrtcSetup> Crtcs, bool WithSetCrtcGamma = true);
  ~TTestDisplayConfig();
  TTestDisplayConfig(const TTestDisplayConfig&) = delete;
  TTestDisplayConfig& operator=(const TTestDisplayConfig&) = delete;

  bool Running() const;
  const std::string& Error() const { return FError; }

  // Every ramp set so far, in order.
  std::vector<TGammaSet> Sets() const;
  // The table a CRTC shows now (at start, a dim one that is no program's).
  std::vector<std::uint16_t> Current(std::uint32_t Crtc) const;
  // Waits until Condition holds for the record (asked again after each change), at most TimeoutMs.
  // Condition runs under the record's lock: it may look only at the record it is given.
  bool WaitFor(const std::function<bool(const std::vector<TGammaSet>&)>& Condition, int TimeoutMs = 15000) const;
  // Waits until the CRTC shows exactly Table.
  bool WaitForRamp(std::uint32_t Crtc, const std::vector<std::uint16_t>& Table, int TimeoutMs = 15000) const;
  // How many calls were refused for a stale serial.
  int StaleRefusals() const;
  std::uint32_t Serial() const;

  // The configuration changes without a word: the serial moves on, so the next call with the old one
  // is refused.
  void ChangeSerial();
  // The configuration changes as each of the next Count ramps arrives, so each is refused as
  // stale, whatever was read just before it.
  void ChangeSerialAtNextSets(int Count);
  // A monitor comes: a new CRTC with a dim table, a new serial, and MonitorsChanged. Returns its id.
  std::uint32_t Plug(const TCrtcSetup& Crtc);
  // A monitor comes the moment a ramp is set on Crtc: MonitorsChanged goes out before the answer to
  // that call, so the caller reads the signal while it waits for its answer.
  void PlugWhenSet(std::uint32_t Crtc, const TCrtcSetup& Added);

  struct TImpl;

private:
  void Run(std::function<void(TImpl&)> Command) const;
  std::unique_ptr<TImpl> F;
  std::string FError;
};

// The table a CRTC of the stand-in shows before any program sets one.
std::vector<std::uint16_t> DimTable(std::uint32_t GammaSize);
