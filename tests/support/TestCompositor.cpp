#include "tests/support/TestCompositor.h"

#include "wlr-gamma-control-unstable-v1-server-protocol.h"
#include <wayland-server.h>

#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <list>
#include <map>
#include <mutex>
#include <thread>

namespace {

struct TControl;

struct TOutput {
  std::string Name;
  std::uint32_t Size = 0;
  wl_global* Global = nullptr;
  bool Plugged = true;
  std::vector<wl_resource*> Resources;
  TControl* Holder = nullptr;
};

struct TControl {
  TTestCompositor::TImpl* Owner = nullptr;
  TOutput* Output = nullptr; // null once the control is inert (failed, or its output went)
  wl_resource* Resource = nullptr;
};

} // namespace

struct TTestCompositor::TImpl {
  wl_display* Display = nullptr;
  wl_event_loop* Loop = nullptr;
  wl_global* Manager = nullptr;
  int Wake = -1;
  wl_event_source* WakeSource = nullptr;
  bool Quit = false;
  std::list<TOutput> Outputs;
  std::list<TControl> Controls;
  std::thread Thread;

  mutable std::mutex Lock;
  mutable std::condition_variable Changed;
  std::vector<TGammaEvent> Events;
  std::map<std::string, int> Asked;
  std::deque<std::function<void(TImpl&)>> Commands;
  std::uint64_t CommandsDone = 0, CommandsQueued = 0;
  bool Stopped = false;

  void Record(TGammaEvent E) {
    std::lock_guard<std::mutex> hold(Lock);
    Events.push_back(std::move(E));
    Changed.notify_all();
  }

  static pid_t ClientPid(wl_resource* R) {
    pid_t pid = 0;
    wl_client_get_credentials(wl_resource_get_client(R), &pid, nullptr, nullptr);
    return pid;
  }

  // The control lets go of its output: the output shows its own ramp again.
  void Release(TControl& C) {
    if (C.Output && C.Output->Holder == &C) {
      C.Output->Holder = nullptr;
      TGammaEvent e;
      e.Kind = TGammaEvent::TKind::Reset;
      e.Output = C.Output->Name;
      e.Client = ClientPid(C.Resource);
      Record(std::move(e));
    }
    C.Output = nullptr;
  }

  static TImpl& Of(wl_resource* R) { return *static_cast<TImpl*>(wl_resource_get_user_data(R)); }

  // zwlr_gamma_control_v1
  static void SetGamma(wl_client*, wl_resource* Resource, std::int32_t Fd) {
    auto* c = static_cast<TControl*>(wl_resource_get_user_data(Resource));
    TOutput* o = c->Output;
    if (!o || o->Holder != c) { // an inert control: the request is ignored
      close(Fd);
      return;
    }
    std::vector<std::uint16_t> table(static_cast<std::size_t>(o->Size) * 3);
    const std::size_t bytes = table.size() * sizeof(std::uint16_t);
    struct stat st{};
    const bool sized = fstat(Fd, &st) == 0 && static_cast<std::size_t>(st.st_size) == bytes;
    const bool read = sized && pread(Fd, table.data(), bytes, 0) == static_cast<ssize_t>(bytes);
    close(Fd);
    if (!read) {
      wl_resource_post_error(Resource, ZWLR_GAMMA_CONTROL_V1_ERROR_INVALID_GAMMA, "the table is not 3 x %u entries",
                             o->Size);
      return;
    }
    TGammaEvent e;
    e.Output = o->Name;
    e.Size = o->Size;
    e.Table = std::move(table);
    e.Client = ClientPid(Resource);
    c->Owner->Record(std::move(e));
  }
  static void DestroyControlRequest(wl_client*, wl_resource* Resource) { wl_resource_destroy(Resource); }
  static void ControlGone(wl_resource* Resource) {
    auto* c = static_cast<TControl*>(wl_resource_get_user_data(Resource));
    TImpl& f = *c->Owner;
    f.Release(*c);
    f.Controls.remove_if([c](const TControl& Each) { return &Each == c; });
  }
  static constexpr struct zwlr_gamma_control_v1_interface ControlImpl = {SetGamma, DestroyControlRequest};

  // zwlr_gamma_control_manager_v1
  static void GetGammaControl(wl_client* Client, wl_resource* Manager, std::uint32_t Id, wl_resource* Output) {
    TImpl& f = Of(Manager);
    wl_resource* r = wl_resource_create(Client, &zwlr_gamma_control_v1_interface, 1, Id);
    TControl& c = f.Controls.emplace_back();
    c.Owner = &f;
    c.Resource = r;
    wl_resource_set_implementation(r, &ControlImpl, &c, ControlGone);
    auto* o = static_cast<TOutput*>(wl_resource_get_user_data(Output));
    if (o) {
      std::lock_guard<std::mutex> hold(f.Lock);
      ++f.Asked[o->Name];
      f.Changed.notify_all();
    }
    if (!o || !o->Plugged || o->Holder) { // the output went, or someone holds it
      zwlr_gamma_control_v1_send_failed(r);
      return;
    }
    c.Output = o;
    o->Holder = &c;
    zwlr_gamma_control_v1_send_gamma_size(r, o->Size);
  }
  static void DestroyManager(wl_client*, wl_resource* Resource) { wl_resource_destroy(Resource); }
  static constexpr struct zwlr_gamma_control_manager_v1_interface ManagerImpl = {GetGammaControl, DestroyManager};
  static void BindManager(wl_client* Client, void* Data, std::uint32_t Version, std::uint32_t Id) {
    wl_resource* r = wl_resource_create(Client, &zwlr_gamma_control_manager_v1_interface, static_cast<int>(Version), Id);
    wl_resource_set_implementation(r, &ManagerImpl, Data, nullptr);
  }

  // wl_output
  static void ReleaseOutput(wl_client*, wl_resource* Resource) { wl_resource_destroy(Resource); }
  static constexpr struct wl_output_interface OutputImpl = {ReleaseOutput};
  static void OutputResourceGone(wl_resource* Resource) {
    if (auto* o = static_cast<TOutput*>(wl_resource_get_user_data(Resource)))
      std::erase(o->Resources, Resource);
  }
  static void BindOutput(wl_client* Client, void* Data, std::uint32_t Version, std::uint32_t Id) {
    auto* o = static_cast<TOutput*>(Data);
    wl_resource* r = wl_resource_create(Client, &wl_output_interface, static_cast<int>(Version), Id);
    wl_resource_set_implementation(r, &OutputImpl, o, OutputResourceGone);
    o->Resources.push_back(r);
    wl_output_send_geometry(r, 0, 0, 300, 200, WL_OUTPUT_SUBPIXEL_UNKNOWN, "test", o->Name.c_str(),
                            WL_OUTPUT_TRANSFORM_NORMAL);
    wl_output_send_mode(r, WL_OUTPUT_MODE_CURRENT, 1024, 768, 60000);
    if (Version >= WL_OUTPUT_SCALE_SINCE_VERSION)
      wl_output_send_scale(r, 1);
    if (Version >= WL_OUTPUT_NAME_SINCE_VERSION)
      wl_output_send_name(r, o->Name.c_str());
    if (Version >= WL_OUTPUT_DONE_SINCE_VERSION)
      wl_output_send_done(r);
  }

  void Plug(const TOutputSetup& Setup) {
    TOutput& o = Outputs.emplace_back();
    o.Name = Setup.Name;
    o.Size = Setup.GammaSize;
    o.Global = wl_global_create(Display, &wl_output_interface, 4, &o, BindOutput);
  }

  void Unplug(const std::string& Name) {
    for (TOutput& o : Outputs)
      if (o.Name == Name && o.Plugged) {
        o.Plugged = false;
        // Clients learn it from global_remove; their objects of it stay, inert.
        wl_global_remove(o.Global);
        if (o.Holder) {
          TControl* holder = o.Holder;
          Release(*holder);
          zwlr_gamma_control_v1_send_failed(holder->Resource);
        }
        for (wl_resource* r : o.Resources)
          wl_resource_set_user_data(r, nullptr);
        o.Resources.clear();
      }
  }

  void InjectFailed(const std::string& Name) {
    for (TOutput& o : Outputs)
      if (o.Name == Name && o.Plugged && o.Holder) {
        TControl* holder = o.Holder;
        Release(*holder);
        zwlr_gamma_control_v1_send_failed(holder->Resource);
      }
  }

  static int OnWake(int Fd, std::uint32_t, void* Data) {
    auto& f = *static_cast<TImpl*>(Data);
    std::uint64_t n = 0;
    (void)!read(Fd, &n, sizeof n);
    std::deque<std::function<void(TImpl&)>> commands;
    {
      std::lock_guard<std::mutex> hold(f.Lock);
      commands.swap(f.Commands);
    }
    for (auto& c : commands) {
      c(f);
      std::lock_guard<std::mutex> hold(f.Lock);
      ++f.CommandsDone;
      f.Changed.notify_all();
    }
    wl_display_flush_clients(f.Display);
    return 0;
  }
};

TTestCompositor::TTestCompositor(std::vector<TOutputSetup> Outputs, bool GammaControl) : F(std::make_unique<TImpl>()) {
  char dir[] = "/tmp/brivo-wayland-XXXXXX";
  if (mkdtemp(dir) == nullptr) {
    FError = "cannot make a runtime folder";
    return;
  }
  FRuntimeDir = dir;
  FDisplayName = "wayland-test";
  const std::string path = FRuntimeDir + "/" + FDisplayName;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0) {
    FError = "cannot listen at " + path + ": " + std::strerror(errno);
    if (fd >= 0)
      close(fd);
    return;
  }
  F->Display = wl_display_create();
  F->Loop = wl_display_get_event_loop(F->Display);
  if (wl_display_add_socket_fd(F->Display, fd) != 0) {
    FError = "the compositor cannot take its socket";
    close(fd);
    return;
  }
  if (GammaControl)
    F->Manager =
        wl_global_create(F->Display, &zwlr_gamma_control_manager_v1_interface, 1, F.get(), TImpl::BindManager);
  for (const TOutputSetup& o : Outputs)
    F->Plug(o);
  F->Wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  F->WakeSource = wl_event_loop_add_fd(F->Loop, F->Wake, WL_EVENT_READABLE, TImpl::OnWake, F.get());
  TImpl* f = F.get();
  F->Thread = std::thread([f] {
    while (!f->Quit) {
      wl_display_flush_clients(f->Display);
      wl_event_loop_dispatch(f->Loop, -1);
    }
  });
}

TTestCompositor::~TTestCompositor() {
  Stop();
  if (!FRuntimeDir.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(FRuntimeDir, ignored);
  }
}

bool TTestCompositor::Running() const {
  std::lock_guard<std::mutex> hold(F->Lock);
  return F->Display != nullptr && !F->Stopped;
}

void TTestCompositor::Run(std::function<void(TImpl&)> Command) const {
  std::unique_lock<std::mutex> hold(F->Lock);
  if (F->Stopped || !F->Thread.joinable())
    return;
  F->Commands.push_back(std::move(Command));
  const std::uint64_t mine = ++F->CommandsQueued;
  const std::uint64_t one = 1;
  (void)!write(F->Wake, &one, sizeof one);
  F->Changed.wait(hold, [&] { return F->CommandsDone >= mine; });
}

void TTestCompositor::Stop() {
  if (!F->Thread.joinable())
    return;
  Run([](TImpl& f) { f.Quit = true; });
  F->Thread.join();
  {
    std::lock_guard<std::mutex> hold(F->Lock);
    F->Stopped = true;
  }
  wl_event_source_remove(F->WakeSource);
  wl_display_destroy_clients(F->Display);
  wl_display_destroy(F->Display);
  F->Display = nullptr;
  close(F->Wake);
}

std::vector<std::string> TTestCompositor::Environment() const {
  return {"WAYLAND_DISPLAY=" + FDisplayName, "XDG_RUNTIME_DIR=" + FRuntimeDir};
}

std::vector<TTestCompositor::TGammaEvent> TTestCompositor::Events() const {
  std::lock_guard<std::mutex> hold(F->Lock);
  return F->Events;
}

bool TTestCompositor::WaitFor(const std::function<bool(const std::vector<TGammaEvent>&)>& Condition,
                              int TimeoutMs) const {
  std::unique_lock<std::mutex> hold(F->Lock);
  return F->Changed.wait_for(hold, std::chrono::milliseconds(TimeoutMs), [&] { return Condition(F->Events); });
}

std::vector<std::uint16_t> TTestCompositor::CurrentIn(const std::vector<TGammaEvent>& Events, const std::string& Output) {
  for (auto it = Events.rbegin(); it != Events.rend(); ++it)
    if (it->Output == Output)
      return it->Kind == TGammaEvent::TKind::Set ? it->Table : std::vector<std::uint16_t>{};
  return {};
}

bool TTestCompositor::WaitForRamp(const std::string& Output, const std::vector<std::uint16_t>& Table,
                                  int TimeoutMs) const {
  return WaitFor([&](const std::vector<TGammaEvent>& Events) { return CurrentIn(Events, Output) == Table; },
                 TimeoutMs);
}

std::vector<std::uint16_t> TTestCompositor::Current(const std::string& Output) const {
  return CurrentIn(Events(), Output);
}

int TTestCompositor::ControlsAsked(const std::string& Output) const {
  std::lock_guard<std::mutex> hold(F->Lock);
  auto it = F->Asked.find(Output);
  return it == F->Asked.end() ? 0 : it->second;
}

bool TTestCompositor::WaitForControlsAsked(const std::string& Output, int Count, int TimeoutMs) const {
  std::unique_lock<std::mutex> hold(F->Lock);
  return F->Changed.wait_for(hold, std::chrono::milliseconds(TimeoutMs), [&] {
    auto it = F->Asked.find(Output);
    return it != F->Asked.end() && it->second >= Count;
  });
}

void TTestCompositor::Plug(const TOutputSetup& Output) {
  Run([Output](TImpl& f) { f.Plug(Output); });
}

void TTestCompositor::Unplug(const std::string& Output) {
  Run([Output](TImpl& f) { f.Unplug(Output); });
}

void TTestCompositor::InjectFailed(const std::string& Output) {
  Run([Output](TImpl& f) { f.InjectFailed(Output); });
}
