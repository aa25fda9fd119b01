// A settings manager's published settings, as another client on the X server may write them: read
// or refused with a reason, never read past their end; what is read has valid names and nothing
// more than the bytes could hold. The same bytes as the values of the scale's sources are numbers
// within the scales windows take, or refused with a reason.

#include "platform/backends/x11/XSettings.h"

#include "platform/graphics/Scale.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool Holds) {
  if (!Holds)
    std::abort();
}

// A source gives a scale windows take, or nothing; nothing said without a reason only where the
// source may simply not have the setting.
void CheckScale(const std::optional<double>& Scale, const std::string& Why, bool MayBeSilent) {
  if (Scale)
    Check(*Scale >= MinWindowScale && *Scale <= MaxWindowScale);
  else
    Check(MayBeSilent || !Why.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  std::string why;
  const auto settings = ParseXSettings({Data, Size}, why);
  if (!settings) {
    Check(!why.empty());
  } else {
    std::size_t bytes = 0;
    for (const TXSetting& s : *settings) {
      Check(!s.Name.empty());
      bytes += s.Name.size() + s.String.size();
    }
    Check(bytes <= Size);
    CheckScale(ScaleFromXSettings(*settings, why), why, true);
  }
  const std::string_view text(reinterpret_cast<const char*>(Data), Size);
  CheckScale(ScaleFromGdkScaleVariable(text, why), why, false);
  CheckScale(ScaleFromXftDpi(text, why), why, false);
  return 0;
}
