#include "app/Unit1.h"
#include "platform/backends/Backends.h"
#include "platform/windows/GammaDevice.h"
#include "platform/windows/Gdi.h"

#include <cstdio>

namespace {

void PrintRamp(const TGammaRamp& Ramp) {
  const char* names[3] = {"red", "green", "blue"};
  const std::array<WORD, 256>* channels[3] = {&Ramp.Red, &Ramp.Green, &Ramp.Blue};
  for (int c = 0; c < 3; ++c) {
    std::printf("%s:", names[c]);
    for (WORD entry : *channels[c])
      std::printf(" %u", static_cast<unsigned>(entry));
    std::printf("\n");
  }
}

} // namespace

// Until the adjuster window exists, the program applies what the window applies when it is shown:
// the identity ramp. Without a display it says so and prints that ramp instead.
int main() {
  UseNativeBackends();
  if (auto* none = dynamic_cast<TUnavailableGammaDevice*>(&CurrentGammaDevice())) {
    std::printf("brivo: no display to adjust (%s); the identity ramp it would apply is:\n",
                none->Reason().c_str());
    PrintRamp(BuildGammaRamp(1.0f, 1.0f, 1.0f));
    return 0;
  }
  HDC dc = GetDC(nullptr);
  SetGamma(dc, 1.0f, 1.0f, 1.0f);
  ReleaseDC(nullptr, dc);
  std::printf("brivo: identity ramp applied to the display\n");
  return 0;
}
