// gamma-probe: says what the session offers for gamma, output by output, with --identity after
// loading the neutral table (entry i = i * 256), which repairs a ramp that a crashed or misbehaving
// program left behind.
//
// On an X display: each output's CRTC, the CRTC's gamma size and whether the ramp can be set there,
// then the gamma ramp of every CRTC, one line per channel. On a Wayland compositor with wlr gamma
// control: each output's gamma size and whether the ramp can be set there, as the gamma keeper sees
// it (the protocol gives no way to read a ramp back); --identity has the keeper load the neutral
// table and end, which gives the outputs back to the compositor. On GNOME: each CRTC of the display
// configuration service with its outputs and gamma size, then its ramp, one line per channel.

#include "platform/backends/GammaResample.h"
#include "platform/backends/GammaSession.h"
#include "platform/backends/gnome/DisplayConfigGammaDevice.h"
#include "platform/backends/wayland/KeeperClient.h"
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

// The X display's outputs and ramps.
int ProbeX11(const char* Display, bool Identity) {
  std::string why;
  TX11GammaSurvey survey;
  if (!TX11GammaDevice::Survey(Display, survey, why))
    return Fail(why);
  PrintOutputs(survey);
  if (!survey.Verdict.Note.empty())
    std::printf("note: %s\n", survey.Verdict.Note.c_str());
  std::fflush(stdout);
  if (!survey.Verdict.Refusal.empty())
    return Fail("the ramp cannot be set: " + survey.Verdict.Refusal);

  auto device = TX11GammaDevice::Open(Display, why);
  if (!device)
    return Fail(why);
  if (Identity && !device->Apply(NeutralGammaRamp(), why))
    return Fail(why);
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

// The compositor's outputs as the gamma keeper holds them (started for the question when none runs;
// with nothing to hold it ends again when the probe hangs up).
int ProbeKeeper(const TGammaSession& Session, bool Identity) {
  std::string why;
  TKeeperPlace place;
  if (!FindKeeperPlace(Session.WaylandDisplay, place, why))
    return Fail(why);
  auto link = TKeeperConnection::Open(place, KeeperProgramBeside(), why);
  if (!link)
    return Fail(why);
  TKeeperMessage question;
  question.Type = Identity ? TKeeperMessageType::Reset : TKeeperMessageType::Survey;
  TKeeperMessage answer;
  if (!link->Send(question) || !link->WaitForMessage(answer, 10000, why))
    return Fail(why);
  if (answer.Type != TKeeperMessageType::Report)
    return Fail(answer.Type == TKeeperMessageType::Refusal ? answer.Text
                                                           : "the gamma keeper answered with a " +
                                                                 KeeperMessageTypeName(answer.Type) + " message");
  bool settable = false;
  for (const TKeeperOutput& o : answer.Outputs) {
    std::string line = "output " + o.Name + ": wlr gamma control, gamma size " + std::to_string(o.GammaSize);
    if (o.State == TKeeperOutputState::Refused) {
      line += ", the ramp cannot be set: " + o.Reason;
    } else {
      settable = true;
      line += Identity ? ", the neutral ramp was loaded" : ", the ramp can be set";
    }
    std::printf("%s\n", line.c_str());
  }
  if (answer.Outputs.empty())
    std::printf("no outputs\n");
  if (Identity)
    std::printf("the gamma keeper has ended: the compositor shows each output's own ramp\n");
  std::fflush(stdout);
  if (!settable)
    return Fail("the ramp cannot be set: no output of the Wayland compositor takes one");
  return 0;
}

// GNOME's display configuration service: its CRTCs and their ramps, read back.
int ProbeDisplayConfig(bool Identity) {
  std::string why;
  if (Identity) {
    TDisplayConfigGammaDevice device;
    if (!device.Apply(NeutralGammaRamp(), why))
      return Fail("the neutral ramp was not set: " + why);
  }
  auto link = TDisplayConfigLink::Open(why);
  if (!link)
    return Fail(why);
  TDisplayConfigResources resources;
  TDisplayConfigResult read = link->ReadResources(resources, why);
  if (read == TDisplayConfigResult::Stale)
    read = link->ReadResources(resources, why);
  if (read != TDisplayConfigResult::Done)
    return Fail(why);
  const bool offersSet = link->OffersSetCrtcGamma();
  bool settable = false;
  for (const TDisplayConfigCrtc& crtc : resources.Crtcs) {
    std::string line = DescribeCrtc(crtc) + ": gamma size " + std::to_string(crtc.GammaSize);
    if (!crtc.Refusal.empty())
      line += ", the ramp cannot be set: " + crtc.Refusal;
    else if (!offersSet)
      line += ", the ramp cannot be set";
    else {
      settable = true;
      line += Identity ? ", the neutral ramp was loaded" : ", the ramp can be set";
    }
    std::printf("%s\n", line.c_str());
  }
  if (resources.Crtcs.empty())
    std::printf("no CRTCs\n");
  for (const TDisplayConfigCrtc& crtc : resources.Crtcs) {
    TDisplayConfigGamma gamma;
    if (!crtc.Refusal.empty() ||
        link->GetCrtcGamma(resources.Serial, crtc.Id, gamma, why) != TDisplayConfigResult::Done)
      continue;
    std::string outputs;
    for (const std::string& o : crtc.Outputs)
      outputs += (outputs.empty() ? "" : ",") + o;
    std::printf("crtc %u output %s size %zu\n", crtc.Id, outputs.empty() ? "-" : outputs.c_str(), gamma.Red.size());
    PrintChannel("red", gamma.Red);
    PrintChannel("green", gamma.Green);
    PrintChannel("blue", gamma.Blue);
  }
  std::fflush(stdout);
  if (!offersSet)
    return Fail("the ramp cannot be set: " + DisplayConfigWithoutSetCrtcGamma());
  if (!settable)
    return Fail("the ramp cannot be set: no CRTC of org.gnome.Mutter.DisplayConfig takes one");
  return 0;
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

  // An X display named on the command line is what is asked; otherwise the session decides.
  const TGammaSession session = display != nullptr ? TGammaSession{} : ChooseGammaSession();
  if (!session.Note.empty())
    std::printf("note: %s\n", session.Note.c_str());
  switch (session.Kind) {
  case TGammaSessionKind::X11:
    return ProbeX11(display, identity);
  case TGammaSessionKind::WlrGammaControl:
    return ProbeKeeper(session, identity);
  case TGammaSessionKind::GnomeDisplayConfig:
    return ProbeDisplayConfig(identity);
  case TGammaSessionKind::Refused:
    break;
  }
  return Fail("the ramp cannot be set: " + session.Refusal);
}
