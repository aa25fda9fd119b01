#include "tests/support/TestDisplayConfig.h"

#include <systemd/sd-bus.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>
#include <thread>

namespace {

const char* const kName = "org.gnome.Mutter.DisplayConfig";
const char* const kPath = "/org/gnome/Mutter/DisplayConfig";
const char* const kInterface = "org.gnome.Mutter.DisplayConfig";

struct TCrtc {
  std::uint32_t Id = 0;
  std::string Output;
  std::vector<std::uint16_t> Table; // red, green, blue
  std::uint32_t Size() const { return static_cast<std::uint32_t>(Table.size() / 3); }
};

} // namespace

std::vector<std::uint16_t> DimTable(std::uint32_t GammaSize) {
  return std::vector<std::uint16_t>(static_cast<std::size_t>(GammaSize) * 3, 0x1000);
}

struct TTestDisplayConfig::TImpl {
  sd_bus* Bus = nullptr;
  sd_bus_slot* Slot = nullptr;
  int Wake = -1;
  bool Quit = false;
  std::thread Thread;

  mutable std::mutex Lock;
  mutable std::condition_variable Changed;
  // Under Lock: read by the test's thread, written by the service's.
  std::vector<TCrtc> Crtcs;
  std::uint32_t Serial = 1;
  std::vector<TGammaSet> Sets;
  int Stale = 0;
  int SetsMadeStale = 0;
  std::optional<std::pair<std::uint32_t, TCrtcSetup>> PlugOnSet;
  std::deque<std::function<void(TImpl&)>> Commands;
  std::uint64_t CommandsDone = 0, CommandsQueued = 0;
  bool Stopped = false;

  static TImpl& Of(void* Data) { return *static_cast<TImpl*>(Data); }

  // The CRTC a call names, under Lock; nullptr with the error to answer (R) for a stale serial (the
  // serial rule) or an unknown CRTC.
  TCrtc* Addressed(std::uint32_t Serial, std::uint32_t Id, sd_bus_error* Error, int& R) {
    if (Serial != this->Serial) {
      ++Stale;
      Changed.notify_all();
      R = sd_bus_error_set(Error, SD_BUS_ERROR_ACCESS_DENIED, "The requested configuration is based on stale information");
      return nullptr;
    }
    if (TCrtc* c = Find(Id))
      return c;
    R = sd_bus_error_set(Error, SD_BUS_ERROR_INVALID_ARGS, "Invalid crtc id");
    return nullptr;
  }

  TCrtc* Find(std::uint32_t Id) {
    for (TCrtc& c : Crtcs)
      if (c.Id == Id)
        return &c;
    return nullptr;
  }

  static int GetResources(sd_bus_message* Call, void* Data, sd_bus_error*) {
    TImpl& f = Of(Data);
    std::lock_guard<std::mutex> hold(f.Lock);
    sd_bus_message* reply = nullptr;
    int r = sd_bus_message_new_method_return(Call, &reply);
    if (r < 0)
      return r;
    r = sd_bus_message_append(reply, "u", f.Serial);
    r = r < 0 ? r : sd_bus_message_open_container(reply, 'a', "(uxiiiiiuaua{sv})");
    for (std::size_t i = 0; r >= 0 && i < f.Crtcs.size(); ++i) {
      const TCrtc& c = f.Crtcs[i];
      r = sd_bus_message_append(reply, "(uxiiiiiuaua{sv})", c.Id, static_cast<std::int64_t>(100 + c.Id),
                                static_cast<std::int32_t>(1024 * i), 0, 1024, 768, 0, 0u, 1, 0u, 0);
    }
    r = r < 0 ? r : sd_bus_message_close_container(reply);
    r = r < 0 ? r : sd_bus_message_open_container(reply, 'a', "(uxiausauaua{sv})");
    std::uint32_t output = 0;
    for (std::size_t i = 0; r >= 0 && i < f.Crtcs.size(); ++i) {
      if (f.Crtcs[i].Output.empty())
        continue;
      r = sd_bus_message_append(reply, "(uxiausauaua{sv})", output, static_cast<std::int64_t>(200 + output),
                                static_cast<std::int32_t>(i), 1, static_cast<std::uint32_t>(i),
                                f.Crtcs[i].Output.c_str(), 1, 0u, 0, 0);
      ++output;
    }
    r = r < 0 ? r : sd_bus_message_close_container(reply);
    r = r < 0 ? r : sd_bus_message_append(reply, "a(uxuudu)ii", 1, 0u, static_cast<std::int64_t>(300), 1024u, 768u,
                                          60.0, 0u, 8192, 8192);
    r = r < 0 ? r : sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
  }

  static int GetCrtcGamma(sd_bus_message* Call, void* Data, sd_bus_error* Error) {
    TImpl& f = Of(Data);
    std::uint32_t serial = 0, id = 0;
    int r = sd_bus_message_read(Call, "uu", &serial, &id);
    if (r < 0)
      return r;
    std::lock_guard<std::mutex> hold(f.Lock);
    const TCrtc* c = f.Addressed(serial, id, Error, r);
    if (!c)
      return r;
    sd_bus_message* reply = nullptr;
    r = sd_bus_message_new_method_return(Call, &reply);
    const std::size_t size = c->Size();
    for (std::size_t channel = 0; r >= 0 && channel < 3; ++channel)
      r = sd_bus_message_append_array(reply, 'q', c->Table.data() + channel * size, size * sizeof(std::uint16_t));
    r = r < 0 ? r : sd_bus_send(nullptr, reply, nullptr);
    sd_bus_message_unref(reply);
    return r;
  }

  static int SetCrtcGamma(sd_bus_message* Call, void* Data, sd_bus_error* Error) {
    TImpl& f = Of(Data);
    std::uint32_t serial = 0, id = 0;
    int r = sd_bus_message_read(Call, "uu", &serial, &id);
    std::vector<std::uint16_t> table;
    std::size_t sizes[3] = {0, 0, 0};
    for (std::size_t channel = 0; r >= 0 && channel < 3; ++channel) {
      const void* data = nullptr;
      std::size_t bytes = 0;
      r = sd_bus_message_read_array(Call, 'q', &data, &bytes);
      sizes[channel] = bytes / sizeof(std::uint16_t);
      const auto* entries = static_cast<const std::uint16_t*>(data);
      table.insert(table.end(), entries, entries + sizes[channel]);
    }
    if (r < 0)
      return r;
    std::lock_guard<std::mutex> hold(f.Lock);
    if (f.SetsMadeStale > 0) {
      --f.SetsMadeStale;
      ++f.Serial;
    }
    TCrtc* c = f.Addressed(serial, id, Error, r);
    if (!c)
      return r;
    if (sizes[0] != c->Size() || sizes[1] != c->Size() || sizes[2] != c->Size())
      return sd_bus_error_set(Error, SD_BUS_ERROR_INVALID_ARGS, "Invalid gamma size");
    c->Table = table;
    f.Sets.push_back({id, std::move(table)});
    f.Changed.notify_all();
    if (f.PlugOnSet && f.PlugOnSet->first == id) {
      f.AddCrtc(f.PlugOnSet->second);
      f.PlugOnSet.reset();
      f.Emit();
    }
    return sd_bus_reply_method_return(Call, "");
  }

  // A new CRTC and a new serial, under Lock; returns the CRTC's id.
  std::uint32_t AddCrtc(const TCrtcSetup& Setup) {
    const auto id = static_cast<std::uint32_t>(Crtcs.size());
    Crtcs.push_back({id, Setup.Output, DimTable(Setup.GammaSize)});
    ++Serial;
    return id;
  }

  void Emit() { sd_bus_emit_signal(Bus, kPath, kInterface, "MonitorsChanged", nullptr); }

  void Serve() {
    while (!Quit) {
      for (;;) {
        const int r = sd_bus_process(Bus, nullptr);
        if (r <= 0)
          break;
      }
      sd_bus_flush(Bus);
      pollfd fds[2] = {{sd_bus_get_fd(Bus), static_cast<short>(sd_bus_get_events(Bus)), 0}, {Wake, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0 && errno != EINTR)
        break;
      if (fds[1].revents) {
        std::uint64_t n = 0;
        (void)!read(Wake, &n, sizeof n);
        std::deque<std::function<void(TImpl&)>> commands;
        {
          std::lock_guard<std::mutex> hold(Lock);
          commands.swap(Commands);
        }
        for (auto& c : commands) {
          c(*this);
          std::lock_guard<std::mutex> hold(Lock);
          ++CommandsDone;
          Changed.notify_all();
        }
      }
    }
  }
};

namespace {

const sd_bus_vtable kWithSet[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("GetResources", "", "ua(uxiiiiiuaua{sv})a(uxiausauaua{sv})a(uxuudu)ii",
                  TTestDisplayConfig::TImpl::GetResources, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetCrtcGamma", "uu", "aqaqaq", TTestDisplayConfig::TImpl::GetCrtcGamma, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SetCrtcGamma", "uuaqaqaq", "", TTestDisplayConfig::TImpl::SetCrtcGamma, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("MonitorsChanged", "", 0),
    SD_BUS_VTABLE_END};

const sd_bus_vtable kWithoutSet[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("GetResources", "", "ua(uxiiiiiuaua{sv})a(uxiausauaua{sv})a(uxuudu)ii",
                  TTestDisplayConfig::TImpl::GetResources, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("GetCrtcGamma", "uu", "aqaqaq", TTestDisplayConfig::TImpl::GetCrtcGamma, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_SIGNAL("MonitorsChanged", "", 0),
    SD_BUS_VTABLE_END};

} // namespace

TTestDisplayConfig::TTestDisplayConfig(const std::string& BusAddress, std::vector<TCrtcSetup> Crtcs,
                                       bool WithSetCrtcGamma)
    : F(std::make_unique<TImpl>()) {
  for (const TCrtcSetup& c : Crtcs)
    F->Crtcs.push_back({static_cast<std::uint32_t>(F->Crtcs.size()), c.Output, DimTable(c.GammaSize)});
  int r = sd_bus_new(&F->Bus);
  r = r < 0 ? r : sd_bus_set_address(F->Bus, BusAddress.c_str());
  r = r < 0 ? r : sd_bus_set_bus_client(F->Bus, 1);
  r = r < 0 ? r : sd_bus_start(F->Bus);
  r = r < 0 ? r
            : sd_bus_add_object_vtable(F->Bus, &F->Slot, kPath, kInterface, WithSetCrtcGamma ? kWithSet : kWithoutSet,
                                       F.get());
  r = r < 0 ? r : sd_bus_request_name(F->Bus, kName, 0);
  if (r < 0) {
    FError = std::string("the stand-in service cannot take its name on ") + BusAddress + ": " + std::strerror(-r);
    return;
  }
  F->Wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  TImpl* f = F.get();
  F->Thread = std::thread([f] { f->Serve(); });
}

TTestDisplayConfig::~TTestDisplayConfig() {
  if (F->Thread.joinable()) {
    Run([](TImpl& f) { f.Quit = true; });
    F->Thread.join();
  }
  if (F->Wake >= 0)
    close(F->Wake);
  sd_bus_slot_unref(F->Slot);
  sd_bus_flush_close_unref(F->Bus);
}

bool TTestDisplayConfig::Running() const { return FError.empty() && F->Thread.joinable(); }

void TTestDisplayConfig::Run(std::function<void(TImpl&)> Command) const {
  std::unique_lock<std::mutex> hold(F->Lock);
  if (!F->Thread.joinable())
    return;
  F->Commands.push_back(std::move(Command));
  const std::uint64_t mine = ++F->CommandsQueued;
  const std::uint64_t one = 1;
  (void)!write(F->Wake, &one, sizeof one);
  F->Changed.wait(hold, [&] { return F->CommandsDone >= mine; });
}

std::vector<TTestDisplayConfig::TGammaSet> TTestDisplayConfig::Sets() const {
  std::lock_guard<std::mutex> hold(F->Lock);
  return F->Sets;
}

std::vector<std::uint16_t> TTestDisplayConfig::Current(std::uint32_t Crtc) const {
  std::lock_guard<std::mutex> hold(F->Lock);
  const TCrtc* c = F->Find(Crtc);
  return c ? c->Table : std::vector<std::uint16_t>{};
}

bool TTestDisplayConfig::WaitFor(const std::function<bool(const std::vector<TGammaSet>&)>& Condition,
                                 int TimeoutMs) const {
  std::unique_lock<std::mutex> hold(F->Lock);
  return F->Changed.wait_for(hold, std::chrono::milliseconds(TimeoutMs), [&] { return Condition(F->Sets); });
}

bool TTestDisplayConfig::WaitForRamp(std::uint32_t Crtc, const std::vector<std::uint16_t>& Table,
                                     int TimeoutMs) const {
  std::unique_lock<std::mutex> hold(F->Lock);
  return F->Changed.wait_for(hold, std::chrono::milliseconds(TimeoutMs), [&] {
    const TCrtc* c = F->Find(Crtc);
    return c && c->Table == Table;
  });
}

int TTestDisplayConfig::StaleRefusals() const {
  std::lock_guard<std::mutex> hold(F->Lock);
  return F->Stale;
}

std::uint32_t TTestDisplayConfig::Serial() const {
  std::lock_guard<std::mutex> hold(F->Lock);
  return F->Serial;
}

void TTestDisplayConfig::ChangeSerial() {
  std::lock_guard<std::mutex> hold(F->Lock);
  ++F->Serial;
}

void TTestDisplayConfig::ChangeSerialAtNextSets(int Count) {
  std::lock_guard<std::mutex> hold(F->Lock);
  F->SetsMadeStale = Count;
}

std::uint32_t TTestDisplayConfig::Plug(const TCrtcSetup& Crtc) {
  std::uint32_t id = 0;
  Run([&](TImpl& f) {
    {
      std::lock_guard<std::mutex> hold(f.Lock);
      id = f.AddCrtc(Crtc);
    }
    f.Emit();
  });
  return id;
}

void TTestDisplayConfig::PlugWhenSet(std::uint32_t Crtc, const TCrtcSetup& Added) {
  std::lock_guard<std::mutex> hold(F->Lock);
  F->PlugOnSet = {{Crtc, Added}};
}
