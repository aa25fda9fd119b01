#pragma once

#include <systemd/sd-bus.h>

#include <string>

// The few sd-bus calls the display configuration client makes, looked up in libsystemd.so.0 when a
// session first needs them. libsystemd brings its compression and crypto libraries along: a program
// that links it loads them at every start, even on an X11 session that never speaks to the bus.
struct TSdBus {
  decltype(&sd_bus_open_user) OpenUser;
  decltype(&sd_bus_new) New;
  decltype(&sd_bus_set_fd) SetFd;
  decltype(&sd_bus_start) Start;
  decltype(&sd_bus_flush_close_unref) FlushCloseUnref;
  decltype(&sd_bus_is_open) IsOpen;
  decltype(&sd_bus_get_fd) GetFd;
  decltype(&sd_bus_get_events) GetEvents;
  decltype(&sd_bus_process) Process;
  decltype(&sd_bus_call) Call;
  decltype(&sd_bus_match_signal) MatchSignal;
  decltype(&sd_bus_slot_unref) SlotUnref;
  decltype(&sd_bus_message_new) MessageNew;
  decltype(&sd_bus_message_new_method_call) NewMethodCall;
  decltype(&sd_bus_message_append) Append;
  decltype(&sd_bus_message_append_basic) AppendBasic;
  decltype(&sd_bus_message_append_array) AppendArray;
  decltype(&sd_bus_message_open_container) OpenContainer;
  decltype(&sd_bus_message_close_container) CloseContainer;
  decltype(&sd_bus_message_seal) Seal;
  decltype(&sd_bus_message_rewind) Rewind;
  decltype(&sd_bus_message_read_basic) ReadBasic;
  decltype(&sd_bus_message_read_array) ReadArray;
  decltype(&sd_bus_message_enter_container) EnterContainer;
  decltype(&sd_bus_message_exit_container) ExitContainer;
  decltype(&sd_bus_message_skip) Skip;
  decltype(&sd_bus_message_peek_type) PeekType;
  decltype(&sd_bus_message_unref) MessageUnref;
  decltype(&sd_bus_error_free) ErrorFree;
  decltype(&sd_bus_error_has_name) ErrorHasName;
};

// The calls, loaded on first use; nullptr with Why when libsystemd.so.0 or one of them is missing.
const TSdBus* LoadSdBus(std::string& Why);
