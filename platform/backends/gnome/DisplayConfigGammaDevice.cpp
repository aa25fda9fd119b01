#include "platform/backends/gnome/DisplayConfigGammaDevice.h"

#include "platform/backends/GammaResample.h"
#include "platform/core/Report.h"
#include "platform/windows/Gdi.h"

#include <set>
#include <utility>
#include <vector>

std::string DisplayConfigWithoutSetCrtcGamma() {
  return "GNOME's display configuration service (org.gnome.Mutter.DisplayConfig) has no SetCrtcGamma: this "
         "GNOME lets no program set the gamma ramp; use its own Night Light or colour-profile settings instead";
}

struct TDisplayConfigGammaDevice::TImpl final : TDescriptorWatch {
  std::unique_ptr<TDisplayConfigLink> Link;
  TDisplayConfigResources Resources;
  bool Known = false;       // Resources were read on this connection and nothing changed since
  bool Missing = false;     // the service has no SetCrtcGamma
  bool Changed = false;     // MonitorsChanged arrived and is not handled yet
  bool HasRamp = false;
  TGammaRamp Ramp;          // the last table handed to Apply
  std::set<std::string> Told; // CRTC and cause of each line already written

  int Descriptor() const override { return Link ? Link->Descriptor() : -1; }
  short Events() const override { return Link ? Link->Events() : 0; }
  void Ready(short) override { Pump(); }

  bool Connect(std::string& Why) {
    if (Link && Link->IsOpen())
      return true;
    Link.reset();
    Known = false;
    auto link = TDisplayConfigLink::Open(Why);
    if (!link || !link->WatchMonitors([this] { Changed = true; }, Why))
      return false;
    Link = std::move(link);
    return true;
  }

  // Reads the resources; a configuration that changes while they are read is read once more.
  bool Refresh(std::string& Why) {
    Known = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
      const TDisplayConfigResult r = Link->ReadResources(Resources, Why);
      if (r == TDisplayConfigResult::Done) {
        Known = true;
        return true;
      }
      if (r != TDisplayConfigResult::Stale)
        break;
    }
    return false;
  }

  // The table on every CRTC that takes one. A stale serial has the resources read again and the
  // whole table sent once more; never more than that.
  bool Send(std::string& Why) {
    if (Missing || !Link->OffersSetCrtcGamma()) {
      Missing = true;
      Why = DisplayConfigWithoutSetCrtcGamma();
      return false;
    }
    if (!Known && !Refresh(Why))
      return false;
    for (int attempt = 0;; ++attempt) {
      int set = 0;
      std::string stale;
      std::vector<std::pair<const TDisplayConfigCrtc*, std::string>> refused;
      for (const TDisplayConfigCrtc& crtc : Resources.Crtcs) {
        if (!crtc.Refusal.empty()) {
          refused.emplace_back(&crtc, crtc.Refusal);
          continue;
        }
        TDisplayConfigGamma gamma{ResampleGammaChannel(Ramp.Red, crtc.GammaSize),
                                  ResampleGammaChannel(Ramp.Green, crtc.GammaSize),
                                  ResampleGammaChannel(Ramp.Blue, crtc.GammaSize)};
        std::string why;
        const TDisplayConfigResult r = Link->SetCrtcGamma(Resources.Serial, crtc.Id, gamma, why);
        if (r == TDisplayConfigResult::Done) {
          ++set;
        } else if (r == TDisplayConfigResult::Stale) {
          stale = why;
          break;
        } else if (r == TDisplayConfigResult::Missing) {
          Missing = true;
          Why = DisplayConfigWithoutSetCrtcGamma();
          return false;
        } else {
          refused.emplace_back(&crtc, why);
        }
      }
      if (!stale.empty() && attempt == 0) {
        if (!Refresh(Why))
          return false;
        continue;
      }
      if (!stale.empty()) {
        Known = false;
        Why = stale + ", again after the resources were read anew";
        return false;
      }
      if (set > 0) {
        // The others are named once each; the table is on the screen.
        for (const auto& [crtc, why] : refused)
          TellOnce(*crtc, why);
        return true;
      }
      // Nothing took it: the next table looks at the resources afresh (the service may have been
      // restarted since).
      Known = false;
      if (Resources.Crtcs.empty()) {
        Why = "org.gnome.Mutter.DisplayConfig lists no CRTC";
      } else {
        Why.clear();
        for (const auto& [crtc, why] : refused)
          Why += (Why.empty() ? "" : "; ") + DescribeCrtc(*crtc) + ": " + why;
      }
      return false;
    }
  }

  void TellOnce(const TDisplayConfigCrtc& Crtc, const std::string& Cause) {
    if (Told.insert(std::to_string(Crtc.Id) + '\n' + Cause).second)
      ReportLine("display gamma ramp not set on " + DescribeCrtc(Crtc) + ": " + Cause);
  }

  // Handles what the bus brought; after MonitorsChanged the last table goes to the CRTCs as they
  // are now. A signal that comes while that runs is one more round, within a bound.
  void Pump() {
    for (int round = 0; Link && round < 4; ++round) {
      if (!Link->Dispatch()) {
        Link.reset();
        Known = false;
        return;
      }
      if (!Changed)
        return;
      Changed = false;
      Known = false;
      std::string why;
      if (HasRamp && !Send(why))
        ReportGammaRefusal(why);
    }
  }
};

TDisplayConfigGammaDevice::TDisplayConfigGammaDevice() : F(std::make_shared<TImpl>()) {}

TDisplayConfigGammaDevice::~TDisplayConfigGammaDevice() = default;

bool TDisplayConfigGammaDevice::Apply(const TGammaRamp& Ramp, std::string& Why) {
  F->Ramp = Ramp;
  F->HasRamp = true;
  if (F->Missing) {
    Why = DisplayConfigWithoutSetCrtcGamma();
    return false;
  }
  if (!F->Connect(Why))
    return false;
  const bool sent = F->Send(Why);
  // What arrived during the calls (a MonitorsChanged) waits in the connection, not on its socket.
  F->Pump();
  return sent;
}

void TDisplayConfigGammaDevice::DisplaysChanged() { F->Known = false; }

std::weak_ptr<TDescriptorWatch> TDisplayConfigGammaDevice::Watch() const { return F; }

const TDisplayConfigResources& TDisplayConfigGammaDevice::Resources() const { return F->Resources; }
