// gamma-probe for Windows: lists the displays attached to the desktop and prints the gamma ramp each
// holds, one line per channel. With --identity it first loads the neutral table (entry i = i * 256)
// into every display, read back as the adjuster does, which repairs a ramp a crashed or misbehaving
// program left behind.

#include "platform/backends/win32/DisplayGammaDevice.h"
#include "platform/core/Report.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintChannel(const char* Name, const TDisplayRamp& Ramp, std::size_t First) {
  std::printf("%s:", Name);
  for (std::size_t i = First; i < First + 256; ++i)
    std::printf(" %u", static_cast<unsigned>(Ramp[i]));
  std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
  SetProgramName("gamma-probe");
  const std::vector<std::string> args(argv + 1, argv + argc);
  bool identity = false;
  for (const std::string& arg : args) {
    if (arg != "--identity") {
      ReportLine("unknown argument '" + arg + "'");
      std::fprintf(stderr, "usage: gamma-probe [--identity]\n");
      return 2;
    }
    identity = true;
  }
  int status = 0;
  if (identity) {
    TGammaRamp ramp;
    for (int i = 0; i < 256; ++i)
      ramp.Red[i] = ramp.Green[i] = ramp.Blue[i] = static_cast<WORD>(i << 8);
    TDisplayGammaDevice device(OpenWin32DisplayGammaPorts);
    std::string why;
    if (!device.Apply(ramp, why)) {
      ReportLine("the neutral ramp was not set: " + why);
      status = 1;
    }
  }
  std::string why;
  const auto displays = OpenWin32DisplayGammaPorts(why);
  if (displays.empty()) {
    ReportLine(why);
    return 1;
  }
  for (const auto& display : displays) {
    TDisplayRamp ramp{};
    if (!display->Get(ramp)) {
      std::printf("display %s: its ramp cannot be read\n", display->Name().c_str());
      status = 1;
      continue;
    }
    std::printf("display %s size 256\n", display->Name().c_str());
    PrintChannel("red", ramp, 0);
    PrintChannel("green", ramp, 256);
    PrintChannel("blue", ramp, 512);
  }
  return status;
}
