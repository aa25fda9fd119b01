// Feeds the readers of GNOME's display configuration replies with messages of every shape: the input
// is a little program of appends (basic values, arrays, structures, variants, long arrays of 16-bit
// values) that sd-bus turns into a sealed message, so the readers meet well-formed messages of the
// wrong types, counts and lengths, as a misbehaving service would send. Whatever they accept must
// keep the limits and the outputs' CRTCs must exist.

#include "platform/backends/gnome/DisplayConfig.h"

#include <sys/socket.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Check(bool Condition) {
  if (!Condition)
    std::abort();
}

// A bus that is never spoken on: sd-bus makes messages only for a started bus.
sd_bus* MessageBus() {
  static sd_bus* bus = [] {
    sd_bus* b = nullptr;
    int fds[2];
    Check(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0);
    Check(sd_bus_new(&b) >= 0 && sd_bus_set_fd(b, fds[0], fds[0]) >= 0 && sd_bus_start(b) >= 0);
    return b;
  }();
  return bus;
}

const char* const kContents[] = {"u", "q", "s", "(uxiiiiiuaua{sv})", "(uxiausauaua{sv})", "{sv}", "(uxuudu)", "aq"};
const char* const kStructs[] = {"uxiiiiiuaua{sv}", "uxiausauaua{sv}", "sv", "uxuudu", "ui"};

struct TInput {
  const std::uint8_t* Data;
  std::size_t Size;
  std::size_t At = 0;
  bool More() const { return At < Size; }
  std::uint64_t Take(std::size_t Bytes) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < Bytes; ++i)
      v = v << 8 | (At < Size ? Data[At++] : 0);
    return v;
  }
};

// Appends what the input says until it ends or sd-bus refuses a step; false when the message
// cannot be finished.
bool Build(sd_bus_message* M, TInput& In) {
  int open = 0;
  while (In.More()) {
    const unsigned op = static_cast<unsigned>(In.Take(1)) % 12;
    int r = 0;
    switch (op) {
    case 0: { std::uint32_t v = static_cast<std::uint32_t>(In.Take(4)); r = sd_bus_message_append_basic(M, 'u', &v); break; }
    case 1: { std::int64_t v = static_cast<std::int64_t>(In.Take(8)); r = sd_bus_message_append_basic(M, 'x', &v); break; }
    case 2: { std::int32_t v = static_cast<std::int32_t>(In.Take(4)); r = sd_bus_message_append_basic(M, 'i', &v); break; }
    case 3: { std::uint16_t v = static_cast<std::uint16_t>(In.Take(2)); r = sd_bus_message_append_basic(M, 'q', &v); break; }
    case 4: {
      std::string s;
      for (std::size_t n = In.Take(1) % 80; n > 0; --n)
        s += static_cast<char>(0x20 + In.Take(1) % 0x5f);
      r = sd_bus_message_append_basic(M, 's', s.c_str());
      break;
    }
    case 5: { double v = static_cast<double>(In.Take(2)); r = sd_bus_message_append_basic(M, 'd', &v); break; }
    case 6: { int v = static_cast<int>(In.Take(1) & 1); r = sd_bus_message_append_basic(M, 'b', &v); break; }
    case 7:
      r = sd_bus_message_open_container(M, 'a', kContents[In.Take(1) % std::size(kContents)]);
      open += r >= 0;
      break;
    case 8:
      r = sd_bus_message_open_container(M, 'r', kStructs[In.Take(1) % std::size(kStructs)]);
      open += r >= 0;
      break;
    case 9:
      if (open == 0)
        continue;
      r = sd_bus_message_close_container(M);
      open -= r >= 0;
      break;
    case 10:
      r = sd_bus_message_open_container(M, 'v', "u");
      open += r >= 0;
      break;
    case 11: {
      // Up to past the readers' limit of entries.
      std::vector<std::uint16_t> entries(In.Take(3) % 70000, 0x1234);
      r = sd_bus_message_append_array(M, 'q', entries.data(), entries.size() * sizeof(std::uint16_t));
      break;
    }
    }
    if (r < 0)
      return false;
  }
  for (; open > 0; --open)
    if (sd_bus_message_close_container(M) < 0)
      return false;
  return sd_bus_message_seal(M, 1, 0) >= 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  std::string why;
  const TSdBus* calls = LoadSdBus(why);
  Check(calls != nullptr);
  sd_bus_message* m = nullptr;
  Check(sd_bus_message_new_signal(MessageBus(), &m, "/a", "a.b", "c") >= 0);
  TInput in{Data, Size};
  if (Build(m, in)) {
    TDisplayConfigResources resources;
    if (ReadResourcesReply(*calls, m, resources, why)) {
      Check(resources.Crtcs.size() <= DisplayConfigMaxCrtcs);
      for (const TDisplayConfigCrtc& c : resources.Crtcs)
        Check(c.Outputs.size() <= DisplayConfigMaxOutputs && c.GammaSize == 0);
    } else {
      Check(!why.empty() && why.find('\n') == std::string::npos);
    }
    Check(sd_bus_message_rewind(m, 1) >= 0);
    TDisplayConfigGamma gamma;
    why.clear();
    if (ReadGammaReply(*calls, m, gamma, why))
      Check(gamma.Red.size() <= DisplayConfigMaxGammaSize && gamma.Green.size() == gamma.Red.size() &&
            gamma.Blue.size() == gamma.Red.size());
    else
      Check(!why.empty());
  }
  sd_bus_message_unref(m);
  return 0;
}
