#include "platform/backends/win32/DisplayGammaDevice.h"

#include "platform/core/Report.h"

#include <cstdlib>
#include <cstring>

const char* const GammaRangeSetting =
    "GdiIcmGammaRange (HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ICM, a DWORD of 256, "
    "needs administrator rights and a new sign-in)";

namespace {

TDisplayRamp ToDisplayRamp(const TGammaRamp& Ramp) {
  static_assert(sizeof(TDisplayRamp) == sizeof(TGammaRamp));
  TDisplayRamp out;
  std::memcpy(out.data(), &Ramp, sizeof out);
  return out;
}

bool SameRamp(const TDisplayRamp& A, const TDisplayRamp& B) {
  for (std::size_t i = 0; i < A.size(); ++i)
    if (std::abs(static_cast<int>(A[i]) - static_cast<int>(B[i])) >= DisplayRampTolerance)
      return false;
  return true;
}

bool IsIdentity(const TDisplayRamp& Ramp) {
  for (std::size_t i = 0; i < Ramp.size(); ++i)
    if (std::abs(static_cast<int>(Ramp[i]) - static_cast<int>(i % 256) * 257) >= DisplayRampTolerance)
      return false;
  return true;
}

// Why one display did not take Ramp, or empty when it did.
std::string ApplyToDisplay(TDisplayGammaPort& Port, const TDisplayRamp& Ramp) {
  unsigned long error = 0;
  // The system fails now and then for no lasting reason: one retry.
  bool set = Port.Set(Ramp, error) || Port.Set(Ramp, error);
  std::string reason;
  if (!set) {
    reason = "refused the gamma ramp";
    if (error != 0)
      reason += " (error " + std::to_string(error) + ")";
  } else {
    TDisplayRamp held{};
    if (!Port.Get(held))
      reason = "took the gamma ramp but it could not be read back to confirm it";
    else if (!SameRamp(held, Ramp))
      reason = "reported that it took the gamma ramp but kept another one";
    else
      return {};
  }
  return "display " + Port.Name() + " " + reason;
}

} // namespace

TDisplayGammaDevice::TDisplayGammaDevice(TOpenPorts OpenPorts, TReport Report)
    : FOpenPorts(std::move(OpenPorts)), FReport(Report ? std::move(Report) : TReport(ReportLine)) {}

bool TDisplayGammaDevice::Apply(const TGammaRamp& Ramp, std::string& Why) {
  if (!FOpened) {
    FOpened = true;
    FOpenFailure.clear();
    FPorts = FOpenPorts(FOpenFailure);
    if (FPorts.empty() && FOpenFailure.empty())
      FOpenFailure = "no display is attached to the desktop";
  }
  if (FPorts.empty()) {
    Why = FOpenFailure;
    return false;
  }
  const TDisplayRamp ramp = ToDisplayRamp(Ramp);
  std::string lines;
  bool anyTook = false;
  for (const auto& port : FPorts) {
    const std::string line = ApplyToDisplay(*port, ramp);
    if (line.empty())
      anyTook = true;
    else
      lines += (lines.empty() ? "" : "; ") + line;
  }
  // The system's range limit stands only in the way of a ramp away from the identity.
  if (!lines.empty() && !IsIdentity(ramp))
    lines += std::string("; where Windows' limit on ramps far from the identity is the cause, the ") +
             GammaRangeSetting + " setting lifts it";
  if (!anyTook) {
    Why = lines;
    return false;
  }
  if (!lines.empty() && lines != FReported)
    FReport("display gamma ramp not set on every display: " + lines);
  FReported = lines;
  return true;
}

void TDisplayGammaDevice::DisplaysChanged() {
  FOpened = false;
  FPorts.clear();
  FReported.clear();
}
