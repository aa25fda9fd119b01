#include "platform/backends/gnome/DisplayConfig.h"

#include "platform/core/Report.h"

#include <poll.h>

#include <cstring>

namespace {

// A reply's call may wait this long: the service answers at once unless the compositor hangs.
constexpr std::uint64_t kCallTimeoutUsec = 10'000'000;

// Text from the bus, fit for one line of standard error.
std::string OneLine(const char* Text, std::size_t Max = 160) { return OneLineText(Text ? Text : "", Max); }

std::string Errno(int R) { return std::strerror(R < 0 ? -R : R); }

// Frees a message when it goes out of scope.
struct TMessage {
  const TSdBus& Calls;
  sd_bus_message* M = nullptr;
  ~TMessage() {
    if (M)
      Calls.MessageUnref(M);
  }
};

struct TError {
  const TSdBus& Calls;
  sd_bus_error E = SD_BUS_ERROR_NULL;
  ~TError() { Calls.ErrorFree(&E); }
};

bool Fail(std::string& Why, std::string Text) {
  Why = std::move(Text);
  return false;
}

} // namespace

bool ReadResourcesReply(const TSdBus& B, sd_bus_message* M, TDisplayConfigResources& Out, std::string& Why) {
  Out = {};
  const std::string bad = "org.gnome.Mutter.DisplayConfig sent resources that cannot be read: ";
  if (B.ReadBasic(M, 'u', &Out.Serial) <= 0)
    return Fail(Why, bad + "no serial");
  if (B.EnterContainer(M, 'a', "(uxiiiiiuaua{sv})") <= 0)
    return Fail(Why, bad + "no list of CRTCs");
  for (;;) {
    const int r = B.EnterContainer(M, 'r', "uxiiiiiuaua{sv}");
    if (r == 0)
      break;
    if (r < 0)
      return Fail(Why, bad + "a CRTC that is not one");
    if (Out.Crtcs.size() == DisplayConfigMaxCrtcs)
      return Fail(Why, bad + "more than " + std::to_string(DisplayConfigMaxCrtcs) + " CRTCs");
    TDisplayConfigCrtc crtc;
    if (B.ReadBasic(M, 'u', &crtc.Id) <= 0 || B.Skip(M, "xiiiiiuaua{sv}") < 0 || B.ExitContainer(M) < 0)
      return Fail(Why, bad + "a CRTC that is not one");
    Out.Crtcs.push_back(std::move(crtc));
  }
  if (B.ExitContainer(M) < 0 || B.EnterContainer(M, 'a', "(uxiausauaua{sv})") <= 0)
    return Fail(Why, bad + "no list of outputs");
  std::size_t outputs = 0;
  for (;;) {
    const int r = B.EnterContainer(M, 'r', "uxiausauaua{sv}");
    if (r == 0)
      break;
    if (r < 0)
      return Fail(Why, bad + "an output that is not one");
    if (++outputs > DisplayConfigMaxOutputs)
      return Fail(Why, bad + "more than " + std::to_string(DisplayConfigMaxOutputs) + " outputs");
    std::int32_t crtc = -1;
    const char* name = nullptr;
    if (B.Skip(M, "ux") < 0 || B.ReadBasic(M, 'i', &crtc) <= 0 || B.Skip(M, "au") < 0 ||
        B.ReadBasic(M, 's', &name) <= 0 || B.Skip(M, "auaua{sv}") < 0 || B.ExitContainer(M) < 0)
      return Fail(Why, bad + "an output that is not one");
    if (crtc < -1 || crtc >= static_cast<std::int32_t>(Out.Crtcs.size()))
      return Fail(Why, bad + "output " + OneLine(name, 64) + " names CRTC " + std::to_string(crtc) + " of " +
                           std::to_string(Out.Crtcs.size()));
    if (crtc >= 0)
      Out.Crtcs[static_cast<std::size_t>(crtc)].Outputs.push_back(OneLine(name, 64));
  }
  if (B.ExitContainer(M) < 0)
    return Fail(Why, bad + "no list of outputs");
  return true;
}

bool ReadGammaReply(const TSdBus& B, sd_bus_message* M, TDisplayConfigGamma& Out, std::string& Why) {
  Out = {};
  for (std::vector<WORD>* channel : {&Out.Red, &Out.Green, &Out.Blue}) {
    const void* data = nullptr;
    std::size_t bytes = 0;
    if (B.ReadArray(M, 'q', &data, &bytes) <= 0)
      return Fail(Why, "org.gnome.Mutter.DisplayConfig sent a gamma ramp that is not three lists of 16-bit values");
    const std::size_t entries = bytes / sizeof(WORD);
    if (entries > DisplayConfigMaxGammaSize)
      return Fail(Why, "org.gnome.Mutter.DisplayConfig sent a gamma ramp of " + std::to_string(entries) +
                           " entries, more than any display has (at most " +
                           std::to_string(DisplayConfigMaxGammaSize) + ")");
    channel->resize(entries);
    if (entries > 0)
      std::memcpy(channel->data(), data, entries * sizeof(WORD));
  }
  if (Out.Green.size() != Out.Red.size() || Out.Blue.size() != Out.Red.size())
    return Fail(Why, "org.gnome.Mutter.DisplayConfig sent a gamma ramp whose channels differ in length (" +
                         std::to_string(Out.Red.size()) + ", " + std::to_string(Out.Green.size()) + ", " +
                         std::to_string(Out.Blue.size()) + ")");
  return true;
}

std::string DescribeCrtc(const TDisplayConfigCrtc& Crtc) {
  std::string text = "CRTC " + std::to_string(Crtc.Id);
  for (std::size_t i = 0; i < Crtc.Outputs.size(); ++i)
    text += (i == 0 ? " (" : ", ") + Crtc.Outputs[i];
  return Crtc.Outputs.empty() ? text : text + ")";
}

std::unique_ptr<TDisplayConfigLink> TDisplayConfigLink::Open(std::string& Why) {
  const TSdBus* calls = LoadSdBus(Why);
  if (!calls)
    return nullptr;
  sd_bus* bus = nullptr;
  const int r = calls->OpenUser(&bus);
  if (r < 0) {
    Why = "the session bus cannot be reached: " + Errno(r);
    return nullptr;
  }
  return std::unique_ptr<TDisplayConfigLink>(new TDisplayConfigLink(*calls, bus));
}

TDisplayConfigLink::~TDisplayConfigLink() {
  if (FSlot)
    FCalls.SlotUnref(FSlot);
  FCalls.FlushCloseUnref(FBus);
}

bool TDisplayConfigLink::NewCall(const char* Member, const std::uint32_t* SerialAndCrtc, sd_bus_message** Out,
                                 std::string& Why) {
  int r = FCalls.NewMethodCall(FBus, Out, DisplayConfigService, DisplayConfigPath, DisplayConfigInterface, Member);
  if (r >= 0 && SerialAndCrtc)
    r = FCalls.Append(*Out, "uu", SerialAndCrtc[0], SerialAndCrtc[1]);
  if (r < 0)
    return Fail(Why, "the session bus cannot be asked: " + Errno(r));
  return true;
}

TDisplayConfigResult TDisplayConfigLink::CallService(const char* Member, sd_bus_message* Request,
                                                     sd_bus_message** Reply, std::string& Why) {
  TError error{FCalls};
  const int r = FCalls.Call(FBus, Request, kCallTimeoutUsec, &error.E, Reply);
  if (r >= 0)
    return TDisplayConfigResult::Done;
  const std::string call = std::string("org.gnome.Mutter.DisplayConfig.") + Member;
  if (FCalls.ErrorHasName(&error.E, SD_BUS_ERROR_ACCESS_DENIED)) {
    Why = call + " refused the serial as stale: the display configuration changed";
    return TDisplayConfigResult::Stale;
  }
  if (FCalls.ErrorHasName(&error.E, SD_BUS_ERROR_UNKNOWN_METHOD)) {
    Why = call + " does not exist";
    return TDisplayConfigResult::Missing;
  }
  if (error.E.name != nullptr)
    Why = call + " failed: " + OneLine(error.E.name, 80) + ": " + OneLine(error.E.message);
  else
    Why = call + " failed: " + Errno(r);
  return TDisplayConfigResult::Failed;
}

bool TDisplayConfigLink::ServicePresent(bool& Present, std::string& Why) {
  TMessage request{FCalls}, reply{FCalls};
  int r = FCalls.NewMethodCall(FBus, &request.M, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner");
  if (r >= 0)
    r = FCalls.Append(request.M, "s", DisplayConfigService);
  if (r < 0)
    return Fail(Why, "the session bus cannot be asked: " + Errno(r));
  TError error{FCalls};
  r = FCalls.Call(FBus, request.M, kCallTimeoutUsec, &error.E, &reply.M);
  if (r < 0)
    return Fail(Why, "the session bus did not answer: " +
                         (error.E.name ? OneLine(error.E.name, 80) + ": " + OneLine(error.E.message) : Errno(r)));
  int has = 0;
  if (FCalls.ReadBasic(reply.M, 'b', &has) <= 0)
    return Fail(Why, "the session bus gave an answer that cannot be read");
  Present = has != 0;
  return true;
}

TDisplayConfigResult TDisplayConfigLink::ReadResources(TDisplayConfigResources& Out, std::string& Why) {
  TMessage request{FCalls}, reply{FCalls};
  if (!NewCall("GetResources", nullptr, &request.M, Why))
    return TDisplayConfigResult::Failed;
  const TDisplayConfigResult result = CallService("GetResources", request.M, &reply.M, Why);
  if (result != TDisplayConfigResult::Done)
    return result;
  if (!ReadResourcesReply(FCalls, reply.M, Out, Why))
    return TDisplayConfigResult::Failed;
  for (TDisplayConfigCrtc& crtc : Out.Crtcs) {
    TDisplayConfigGamma gamma;
    std::string why;
    switch (GetCrtcGamma(Out.Serial, crtc.Id, gamma, why)) {
    case TDisplayConfigResult::Done:
      crtc.GammaSize = gamma.Red.size();
      if (crtc.GammaSize == 0)
        crtc.Refusal = "its gamma size is 0";
      break;
    case TDisplayConfigResult::Stale:
      Why = why;
      return TDisplayConfigResult::Stale;
    case TDisplayConfigResult::Missing:
    case TDisplayConfigResult::Failed:
      crtc.Refusal = why;
      break;
    }
  }
  return TDisplayConfigResult::Done;
}

TDisplayConfigResult TDisplayConfigLink::GetCrtcGamma(std::uint32_t Serial, std::uint32_t Crtc,
                                                      TDisplayConfigGamma& Out, std::string& Why) {
  TMessage request{FCalls}, reply{FCalls};
  const std::uint32_t which[] = {Serial, Crtc};
  if (!NewCall("GetCrtcGamma", which, &request.M, Why))
    return TDisplayConfigResult::Failed;
  const TDisplayConfigResult result = CallService("GetCrtcGamma", request.M, &reply.M, Why);
  if (result != TDisplayConfigResult::Done)
    return result;
  return ReadGammaReply(FCalls, reply.M, Out, Why) ? TDisplayConfigResult::Done : TDisplayConfigResult::Failed;
}

TDisplayConfigResult TDisplayConfigLink::SetCrtcGamma(std::uint32_t Serial, std::uint32_t Crtc,
                                                      const TDisplayConfigGamma& Gamma, std::string& Why) {
  TMessage request{FCalls}, reply{FCalls};
  const std::uint32_t which[] = {Serial, Crtc};
  if (!NewCall("SetCrtcGamma", which, &request.M, Why))
    return TDisplayConfigResult::Failed;
  for (const std::vector<WORD>* channel : {&Gamma.Red, &Gamma.Green, &Gamma.Blue})
    if (const int r = FCalls.AppendArray(request.M, 'q', channel->data(), channel->size() * sizeof(WORD)); r < 0) {
      Why = "the session bus cannot be asked: " + Errno(r);
      return TDisplayConfigResult::Failed;
    }
  return CallService("SetCrtcGamma", request.M, &reply.M, Why);
}

bool TDisplayConfigLink::OffersSetCrtcGamma() {
  if (FOffersSet >= 0)
    return FOffersSet != 0;
  TMessage request{FCalls}, reply{FCalls};
  std::string why;
  const char* xml = nullptr;
  if (FCalls.NewMethodCall(FBus, &request.M, DisplayConfigService, DisplayConfigPath,
                           "org.freedesktop.DBus.Introspectable", "Introspect") < 0 ||
      CallService("Introspect", request.M, &reply.M, why) != TDisplayConfigResult::Done ||
      FCalls.ReadBasic(reply.M, 's', &xml) <= 0)
    return true; // nothing known: the call itself will tell
  // The method's name stands quoted as the name attribute's value; nothing else in the description
  // is called that.
  const std::string text = xml;
  FOffersSet = text.find("\"SetCrtcGamma\"") != std::string::npos || text.find("'SetCrtcGamma'") != std::string::npos;
  return FOffersSet != 0;
}

int TDisplayConfigLink::OnMonitorsChanged(sd_bus_message*, void* Data, sd_bus_error*) {
  auto& link = *static_cast<TDisplayConfigLink*>(Data);
  if (link.FChanged)
    link.FChanged();
  return 0;
}

bool TDisplayConfigLink::WatchMonitors(std::function<void()> Changed, std::string& Why) {
  FChanged = std::move(Changed);
  if (FSlot)
    return true;
  const int r = FCalls.MatchSignal(FBus, &FSlot, DisplayConfigService, DisplayConfigPath, DisplayConfigInterface,
                                   "MonitorsChanged", &TDisplayConfigLink::OnMonitorsChanged, this);
  if (r < 0)
    return Fail(Why, "the session bus does not pass on MonitorsChanged: " + Errno(r));
  return true;
}

bool TDisplayConfigLink::IsOpen() const { return FCalls.IsOpen(FBus) > 0; }

int TDisplayConfigLink::Descriptor() const {
  const int fd = FCalls.GetFd(FBus);
  return fd >= 0 ? fd : -1;
}

short TDisplayConfigLink::Events() const {
  const int events = FCalls.GetEvents(FBus);
  return static_cast<short>(events > 0 ? events : POLLIN);
}

bool TDisplayConfigLink::Dispatch() {
  // Bounded: a bus that keeps something to do for this long is handled again at the next wake.
  for (int i = 0; i < 1000; ++i) {
    const int r = FCalls.Process(FBus, nullptr);
    if (r < 0)
      return false;
    if (r == 0)
      return true;
  }
  return true;
}

bool DisplayConfigOnSessionBus(std::string& Why) {
  Why.clear();
  auto link = TDisplayConfigLink::Open(Why);
  if (!link)
    return false;
  bool present = false;
  if (!link->ServicePresent(present, Why))
    return false;
  return present;
}
