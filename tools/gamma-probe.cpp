// gamma-probe: prints the gamma ramp of every CRTC of the X display, one line per channel; with
// --identity it first loads the neutral table (entry i = i * 256), which repairs a ramp that a
// crashed or misbehaving program left behind.

#include "platform/backends/x11/X11GammaDevice.h"

#include <cstdio>
#include <cstring>

namespace {

void PrintChannel(const char* Name, const std::vector<WORD>& Entries) {
  std::printf("%s:", Name);
  for (WORD e : Entries)
    std::printf(" %u", static_cast<unsigned>(e));
  std::printf("\n");
}

int Usage() {
  std::fprintf(stderr, "usage: gamma-probe [--identity] [--display NAME]\n");
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  bool identity = false;
  const char* display = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--identity") == 0)
      identity = true;
    else if (std::strcmp(argv[i], "--display") == 0 && i + 1 < argc)
      display = argv[++i];
    else
      return Usage();
  }

  std::string why;
  auto device = TX11GammaDevice::Open(display, why);
  if (!device) {
    std::fprintf(stderr, "gamma-probe: %s\n", why.c_str());
    return 1;
  }
  if (identity) {
    TGammaRamp ramp;
    for (int i = 0; i < 256; ++i)
      ramp.Red[i] = ramp.Green[i] = ramp.Blue[i] = static_cast<WORD>(i << 8);
    if (!device->Apply(ramp, why)) {
      std::fprintf(stderr, "gamma-probe: %s\n", why.c_str());
      return 1;
    }
  }
  std::vector<TX11GammaRamp> ramps;
  if (!device->Read(ramps, why)) {
    std::fprintf(stderr, "gamma-probe: %s\n", why.c_str());
    return 1;
  }
  for (const TX11GammaRamp& r : ramps) {
    if (device->Method() == TX11GammaDevice::TMethod::RandR)
      std::printf("crtc %lu output %s size %zu\n", r.Crtc, r.Output.empty() ? "-" : r.Output.c_str(),
                  r.Red.size());
    else
      std::printf("screen size %zu\n", r.Red.size());
    PrintChannel("red", r.Red);
    PrintChannel("green", r.Green);
    PrintChannel("blue", r.Blue);
  }
  return 0;
}
