// gamma-keeper: holds the gamma ramp on a Wayland compositor's outputs for brivo, which starts it
// (and gamma-probe, which asks it what the outputs offer and ends it with --identity). It is given
// the socket it serves, already listening, as a descriptor.

#include "platform/backends/wayland/GammaKeeper.h"
#include "platform/core/Report.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  SetProgramName("gamma-keeper");
  const std::string prefix = "--listen-fd=";
  const std::string arg = argc == 2 ? argv[1] : "";
  const char* display = std::getenv("WAYLAND_DISPLAY");
  if (!arg.starts_with(prefix) || arg.size() == prefix.size() ||
      arg.find_first_not_of("0123456789", prefix.size()) != std::string::npos) {
    ReportLine("is started by brivo and gamma-probe with the socket it serves");
    std::fprintf(stderr, "usage: gamma-keeper --listen-fd=N\n");
    return 2;
  }
  if (display == nullptr || *display == '\0') {
    ReportLine("WAYLAND_DISPLAY is not set: there is no compositor to keep the gamma of");
    return 2;
  }
  return RunGammaKeeper(std::atoi(arg.c_str() + prefix.size()), display);
}
