// gamma-probe: says what the X display offers for gamma, output by output (its CRTC, the CRTC's
// gamma size, whether the ramp can be set there), then prints the gamma ramp of every CRTC, one
// line per channel. With --identity it first loads the neutral table (entry i = i * 256), which
// repairs a ramp that a crashed or misbehaving program left behind.

#include "platform/backends/x11/X11GammaDevice.h"
#include "platform/core/Report.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintChannel(const char* Name, const std::vector<WORD>& Entries) {
  std::printf("%s:", Name);
  for (WORD e : Entries)
    std::printf(" %u", static_cast<unsigned>(e));
  std::printf("\n");
}

int Usage(const std::string& Fault) {
  ReportLine(Fault);
  std::fprintf(stderr, "usage: gamma-probe [--identity] [--display NAME]\n");
  return 2;
}

int Fail(const std::string& Why) {
  ReportLine(Why);
  return 1;
}

void PrintOutputs(const TX11GammaSurvey& Survey) {
  for (const TX11GammaOutput& o : Survey.Outputs) {
    std::string line = "output " + o.Name + ": ";
    if (o.Crtc != 0)
      line += "crtc " + std::to_string(o.Crtc) + ", gamma size " + std::to_string(o.GammaSize);
    else if (o.Name.starts_with("screen "))
      line += "XF86VidMode, gamma size " + std::to_string(o.GammaSize);
    else
      line += "no crtc (the output is off)";
    line += o.Settable ? ", the ramp can be set" : ", the ramp cannot be set";
    std::printf("%s\n", line.c_str());
  }
  if (Survey.Outputs.empty())
    std::printf("no outputs\n");
}

} // namespace

int main(int argc, char** argv) {
  SetProgramName("gamma-probe");
  const std::vector<std::string> args(argv + 1, argv + argc);
  bool identity = false;
  const char* display = nullptr;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--identity")
      identity = true;
    else if (args[i] == "--display" && i + 1 < args.size())
      display = argv[1 + ++i];
    else if (args[i] == "--display")
      return Usage("--display needs a display name, such as :0");
    else
      return Usage("unknown argument '" + args[i] + "'");
  }

  std::string why;
  TX11GammaSurvey survey;
  if (!TX11GammaDevice::Survey(display, survey, why))
    return Fail(why);
  PrintOutputs(survey);
  if (!survey.Verdict.Note.empty())
    std::printf("note: %s\n", survey.Verdict.Note.c_str());
  std::fflush(stdout);
  if (!survey.Verdict.Refusal.empty())
    return Fail("the ramp cannot be set: " + survey.Verdict.Refusal);

  auto device = TX11GammaDevice::Open(display, why);
  if (!device)
    return Fail(why);
  if (identity) {
    TGammaRamp ramp;
    for (int i = 0; i < 256; ++i)
      ramp.Red[i] = ramp.Green[i] = ramp.Blue[i] = static_cast<WORD>(i << 8);
    if (!device->Apply(ramp, why))
      return Fail(why);
  }
  std::vector<TX11GammaRamp> ramps;
  if (!device->Read(ramps, why))
    return Fail(why);
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
