#include "platform/backends/gnome/SdBus.h"

#include <dlfcn.h>

namespace {

struct TLoaded {
  TSdBus Calls{};
  std::string Why;
  bool Ok = false;
};

template <typename T>
bool Find(void* Library, const char* Name, T& Into, std::string& Why) {
  Into = reinterpret_cast<T>(dlsym(Library, Name));
  if (Into == nullptr && Why.empty())
    Why = std::string("libsystemd.so.0 has no ") + Name;
  return Into != nullptr;
}

TLoaded Load() {
  TLoaded l;
  // Never closed: the calls are kept for the rest of the process.
  void* library = dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* error = dlerror();
    l.Why = std::string("libsystemd.so.0 cannot be loaded: ") + (error ? error : "unknown error");
    return l;
  }
  TSdBus& c = l.Calls;
  std::string& w = l.Why;
  l.Ok = Find(library, "sd_bus_open_user", c.OpenUser, w) && Find(library, "sd_bus_new", c.New, w) &&
         Find(library, "sd_bus_set_fd", c.SetFd, w) && Find(library, "sd_bus_start", c.Start, w) &&
         Find(library, "sd_bus_flush_close_unref", c.FlushCloseUnref, w) &&
         Find(library, "sd_bus_is_open", c.IsOpen, w) && Find(library, "sd_bus_get_fd", c.GetFd, w) &&
         Find(library, "sd_bus_get_events", c.GetEvents, w) && Find(library, "sd_bus_process", c.Process, w) &&
         Find(library, "sd_bus_call", c.Call, w) && Find(library, "sd_bus_match_signal", c.MatchSignal, w) &&
         Find(library, "sd_bus_slot_unref", c.SlotUnref, w) &&
         Find(library, "sd_bus_message_new", c.MessageNew, w) &&
         Find(library, "sd_bus_message_new_method_call", c.NewMethodCall, w) &&
         Find(library, "sd_bus_message_append", c.Append, w) &&
         Find(library, "sd_bus_message_append_basic", c.AppendBasic, w) &&
         Find(library, "sd_bus_message_append_array", c.AppendArray, w) &&
         Find(library, "sd_bus_message_open_container", c.OpenContainer, w) &&
         Find(library, "sd_bus_message_close_container", c.CloseContainer, w) &&
         Find(library, "sd_bus_message_seal", c.Seal, w) && Find(library, "sd_bus_message_rewind", c.Rewind, w) &&
         Find(library, "sd_bus_message_read_basic", c.ReadBasic, w) &&
         Find(library, "sd_bus_message_read_array", c.ReadArray, w) &&
         Find(library, "sd_bus_message_enter_container", c.EnterContainer, w) &&
         Find(library, "sd_bus_message_exit_container", c.ExitContainer, w) &&
         Find(library, "sd_bus_message_skip", c.Skip, w) && Find(library, "sd_bus_message_peek_type", c.PeekType, w) &&
         Find(library, "sd_bus_message_unref", c.MessageUnref, w) &&
         Find(library, "sd_bus_error_free", c.ErrorFree, w) &&
         Find(library, "sd_bus_error_has_name", c.ErrorHasName, w);
  return l;
}

} // namespace

const TSdBus* LoadSdBus(std::string& Why) {
  static const TLoaded loaded = Load();
  if (!loaded.Ok) {
    Why = loaded.Why;
    return nullptr;
  }
  return &loaded.Calls;
}
