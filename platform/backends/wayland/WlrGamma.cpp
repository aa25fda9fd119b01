#include "platform/backends/wayland/WlrGamma.h"

#include "platform/backends/GammaResample.h"

#include "wlr-gamma-control-unstable-v1-client-protocol.h"
#include <wayland-client.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <list>

namespace {

constexpr std::uint32_t OutputVersion = 4; // the first with the output's name

const char* const RefusedAtOnce =
    "the compositor refused its gamma control: another program (a night-light tool, for one) holds the "
    "output's gamma, or the output has no gamma ramp";
const char* const WithdrawnLater =
    "the compositor withdrew its gamma control: it could not set the table, or gave the output's gamma to "
    "another program";

} // namespace

struct TWlrGamma::TImpl {
  enum class TState { Waiting, Held, Refused };

  struct TOutput {
    TImpl* Owner = nullptr;
    std::uint32_t Global = 0;
    wl_output* Output = nullptr;
    std::string Name;
    zwlr_gamma_control_v1* Control = nullptr;
    std::uint32_t Size = 0;
    TState State = TState::Waiting;
    bool RampSet = false;   // a table went out on the current control
    bool Retryable = false; // refused by `failed`: another program may let go of it
    std::string Reason;
  };

  wl_display* Display = nullptr;
  wl_registry* Registry = nullptr;
  zwlr_gamma_control_manager_v1* Manager = nullptr;
  std::list<TOutput> Outputs; // stable addresses: each is the user data of its proxies
  bool HasRamp = false;
  TGammaRamp Ramp;
  bool ReadPrepared = false;
  TWlrGamma* Self = nullptr;
  struct TSync {
    TImpl* Owner = nullptr;
    wl_callback* Callback = nullptr;
    std::function<void()> Done;
    std::uint64_t Sent = 0; // Requests when the sync went out
  };
  std::list<TSync> Syncs;
  std::uint64_t Requests = 0; // gamma requests sent so far

  ~TImpl() {
    for (TSync& s : Syncs)
      wl_callback_destroy(s.Callback);
    for (TOutput& o : Outputs)
      Release(o);
    if (Manager)
      zwlr_gamma_control_manager_v1_destroy(Manager);
    if (Registry)
      wl_registry_destroy(Registry);
    if (Display) {
      if (ReadPrepared)
        wl_display_cancel_read(Display);
      wl_display_flush(Display);
      wl_display_disconnect(Display);
    }
  }

  void Changed() {
    if (Self && Self->OnChange)
      Self->OnChange();
  }

  static void Release(TOutput& O) {
    if (O.Control)
      zwlr_gamma_control_v1_destroy(O.Control);
    O.Control = nullptr;
    if (O.Output) {
      if (wl_output_get_version(O.Output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release(O.Output);
      else
        wl_output_destroy(O.Output);
    }
    O.Output = nullptr;
  }

  void Refuse(TOutput& O, std::string Why, bool Retryable = false) {
    if (O.Control)
      zwlr_gamma_control_v1_destroy(O.Control);
    O.Control = nullptr;
    O.State = TState::Refused;
    O.Retryable = Retryable;
    O.RampSet = false;
    O.Reason = std::move(Why);
  }

  // The table spread over the output's gamma size, in a memory file the compositor reads.
  void SendRamp(TOutput& O) {
    if (O.State != TState::Held || !HasRamp)
      return;
    const std::vector<WORD> red = ResampleGammaChannel(Ramp.Red, O.Size);
    const std::vector<WORD> green = ResampleGammaChannel(Ramp.Green, O.Size);
    const std::vector<WORD> blue = ResampleGammaChannel(Ramp.Blue, O.Size);
    const int fd = memfd_create("brivo-gamma", MFD_CLOEXEC);
    bool written = fd >= 0;
    for (const std::vector<WORD>* channel : {&red, &green, &blue}) {
      const auto* bytes = reinterpret_cast<const char*>(channel->data());
      std::size_t left = channel->size() * sizeof(WORD);
      while (written && left > 0) {
        const ssize_t n = write(fd, bytes, left);
        if (n < 0 && errno == EINTR)
          continue;
        written = n > 0;
        if (written) {
          bytes += n;
          left -= static_cast<std::size_t>(n);
        }
      }
    }
    if (!written) {
      Refuse(O, std::string("the table could not be written to a memory file: ") + std::strerror(errno));
    } else {
      zwlr_gamma_control_v1_set_gamma(O.Control, fd); // the request carries its own copy
      O.RampSet = true;
      ++Requests;
    }
    if (fd >= 0)
      close(fd);
  }

  void RequestControl(TOutput& O) {
    if (!Manager || O.Control || !O.Output)
      return;
    O.State = TState::Waiting;
    O.Reason.clear();
    O.RampSet = false;
    O.Control = zwlr_gamma_control_manager_v1_get_gamma_control(Manager, O.Output);
    ++Requests;
    zwlr_gamma_control_v1_add_listener(O.Control, &ControlListener, &O);
  }

  static void OnGammaSize(void* Data, zwlr_gamma_control_v1*, std::uint32_t Size) {
    auto& o = *static_cast<TOutput*>(Data);
    o.Size = Size;
    if (Size == 0) {
      o.Owner->Refuse(o, "the compositor gives the output a gamma ramp of 0 entries");
    } else if (Size > WlrMaxGammaSize) {
      o.Owner->Refuse(o, "the compositor gives the output a gamma ramp of " + std::to_string(Size) +
                             " entries, more than any display has (at most " + std::to_string(WlrMaxGammaSize) +
                             " are taken)");
    } else {
      o.State = TState::Held;
      o.Owner->SendRamp(o);
    }
    o.Owner->Changed();
  }

  static void OnFailed(void* Data, zwlr_gamma_control_v1*) {
    auto& o = *static_cast<TOutput*>(Data);
    o.Owner->Refuse(o, o.RampSet ? WithdrawnLater : RefusedAtOnce, true);
    o.Owner->Changed();
  }

  static constexpr zwlr_gamma_control_v1_listener ControlListener = {OnGammaSize, OnFailed};

  static void OnOutputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                               std::int32_t, const char*, const char*, std::int32_t) {}
  static void OnOutputMode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {}
  static void OnOutputDone(void*, wl_output*) {}
  static void OnOutputScale(void*, wl_output*, std::int32_t) {}
  static void OnOutputName(void* Data, wl_output*, const char* Name) {
    static_cast<TOutput*>(Data)->Name = Name != nullptr ? Name : "";
  }
  static void OnOutputDescription(void*, wl_output*, const char*) {}

  static constexpr wl_output_listener OutputListener = {OnOutputGeometry, OnOutputMode,  OnOutputDone,
                                                        OnOutputScale,    OnOutputName, OnOutputDescription};

  static void OnGlobal(void* Data, wl_registry* Registry, std::uint32_t Name, const char* Interface,
                       std::uint32_t Version) {
    auto& f = *static_cast<TImpl*>(Data);
    if (std::strcmp(Interface, zwlr_gamma_control_manager_v1_interface.name) == 0 && !f.Manager) {
      f.Manager = static_cast<zwlr_gamma_control_manager_v1*>(
          wl_registry_bind(Registry, Name, &zwlr_gamma_control_manager_v1_interface, 1));
      for (TOutput& o : f.Outputs)
        f.RequestControl(o);
    } else if (std::strcmp(Interface, wl_output_interface.name) == 0) {
      TOutput& o = f.Outputs.emplace_back();
      o.Owner = &f;
      o.Global = Name;
      o.Name = "wl_output " + std::to_string(Name); // until the compositor names it
      o.Output = static_cast<wl_output*>(
          wl_registry_bind(Registry, Name, &wl_output_interface, std::min(Version, OutputVersion)));
      wl_output_add_listener(o.Output, &OutputListener, &o);
      f.RequestControl(o);
    }
  }

  static void OnGlobalRemove(void* Data, wl_registry*, std::uint32_t Name) {
    auto& f = *static_cast<TImpl*>(Data);
    auto it = std::find_if(f.Outputs.begin(), f.Outputs.end(), [&](const TOutput& O) { return O.Global == Name; });
    if (it == f.Outputs.end())
      return;
    Release(*it);
    f.Outputs.erase(it);
    f.Changed();
  }

  static constexpr wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};
};

TWlrGamma::TWlrGamma(std::unique_ptr<TImpl> Impl) : F(std::move(Impl)) { F->Self = this; }
TWlrGamma::~TWlrGamma() = default;

std::unique_ptr<TWlrGamma> TWlrGamma::Connect(std::string& Why) {
  auto f = std::make_unique<TImpl>();
  f->Display = wl_display_connect(nullptr);
  if (!f->Display) {
    Why = std::string("cannot reach the Wayland compositor: ") + std::strerror(errno);
    return nullptr;
  }
  f->Registry = wl_display_get_registry(f->Display);
  wl_registry_add_listener(f->Registry, &TImpl::RegistryListener, f.get());
  // The globals, then the outputs' names and gamma sizes.
  if (wl_display_roundtrip(f->Display) < 0 || wl_display_roundtrip(f->Display) < 0) {
    Why = std::string("the Wayland compositor broke the connection: ") + std::strerror(wl_display_get_error(f->Display));
    return nullptr;
  }
  if (!f->Manager) {
    Why = "the Wayland compositor offers no gamma control (zwlr_gamma_control_manager_v1)";
    return nullptr;
  }
  return std::unique_ptr<TWlrGamma>(new TWlrGamma(std::move(f)));
}

int TWlrGamma::Descriptor() const { return wl_display_get_fd(F->Display); }

void TWlrGamma::BeforeWait() {
  if (F->ReadPrepared)
    return;
  while (wl_display_prepare_read(F->Display) != 0)
    wl_display_dispatch_pending(F->Display);
  F->ReadPrepared = true;
  wl_display_flush(F->Display);
}

bool TWlrGamma::AfterWait(bool Readable) {
  if (F->ReadPrepared) {
    F->ReadPrepared = false;
    if (Readable) {
      if (wl_display_read_events(F->Display) < 0)
        return false;
    } else {
      wl_display_cancel_read(F->Display);
    }
  }
  return wl_display_dispatch_pending(F->Display) >= 0 && wl_display_get_error(F->Display) == 0;
}

void TWlrGamma::SetRamp(const TGammaRamp& Ramp) {
  F->Ramp = Ramp;
  F->HasRamp = true;
  for (TImpl::TOutput& o : F->Outputs)
    F->SendRamp(o);
}

bool TWlrGamma::HasRamp() const { return F->HasRamp; }
const TGammaRamp& TWlrGamma::Ramp() const { return F->Ramp; }

void TWlrGamma::RetryRefused() {
  for (TImpl::TOutput& o : F->Outputs)
    if (o.State == TImpl::TState::Refused && o.Retryable)
      F->RequestControl(o);
}

void TWlrGamma::Sync(std::function<void()> Done) {
  TImpl::TSync& sync = F->Syncs.emplace_back();
  sync.Owner = F.get();
  sync.Done = std::move(Done);
  sync.Sent = F->Requests;
  sync.Callback = wl_display_sync(F->Display);
  static constexpr wl_callback_listener listener = {[](void* Data, wl_callback*, std::uint32_t) {
    auto* s = static_cast<TImpl::TSync*>(Data);
    TImpl& f = *s->Owner;
    wl_callback_destroy(s->Callback);
    if (f.Requests != s->Sent) {
      // What the compositor said on the way (an output's gamma size) made more requests: they are
      // waited for too, so that Done sees what the outputs show.
      s->Sent = f.Requests;
      s->Callback = wl_display_sync(f.Display);
      wl_callback_add_listener(s->Callback, &listener, s);
      return;
    }
    const std::function<void()> done = std::move(s->Done);
    f.Syncs.remove_if([s](const TImpl::TSync& Each) { return &Each == s; });
    done();
  }};
  wl_callback_add_listener(sync.Callback, &listener, &sync);
}

std::vector<TKeeperOutput> TWlrGamma::Report() const {
  std::vector<TKeeperOutput> out;
  for (const TImpl::TOutput& o : F->Outputs) {
    if (o.State == TImpl::TState::Waiting)
      continue;
    TKeeperOutput r;
    r.Name = o.Name;
    r.GammaSize = o.Size;
    if (o.State == TImpl::TState::Refused) {
      r.State = TKeeperOutputState::Refused;
      r.Reason = o.Reason;
    } else {
      r.State = o.RampSet ? TKeeperOutputState::Applied : TKeeperOutputState::Settable;
    }
    out.push_back(std::move(r));
  }
  return out;
}
