#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What a Wayland compositor offers its clients, asked on the wire without a client library, so
// that a program which only needs to know which gamma interface the session has does not carry
// (and load at every start) the Wayland libraries: one connection, the registry and a sync, read
// until the sync is done.

struct TWaylandGlobal {
  std::uint32_t Name = 0;
  std::string Interface;
  std::uint32_t Version = 0;
};

// Reads the compositor's answer to get_registry (new object 2) and sync (new object 3). Outside
// input: every event is checked against the few the answer may hold.
class TWaylandRegistryReader {
public:
  enum class TResult { Global, Done, Incomplete, Malformed, Error };

  void Feed(const std::uint8_t* Data, std::size_t Size);
  // The next global (Global), the end of the answer (Done), Incomplete until more bytes come, a
  // broken stream (Malformed), or the compositor's own protocol error (Error); Why says which.
  TResult Next(TWaylandGlobal& Out);
  const std::string& Why() const { return FWhy; }

private:
  TResult Fail(TResult Result, std::string Why);
  std::vector<std::uint8_t> FBuffer;
  std::size_t FStart = 0;
  std::size_t FGlobals = 0;
  std::string FWhy;
  bool FOver = false;
};

// The requests that start the answer the reader expects.
std::vector<std::uint8_t> WaylandRegistryRequest();

// The socket WAYLAND_DISPLAY names: itself when it is a path, else a name in XDG_RUNTIME_DIR.
// Empty when there is none (Why says why).
std::string WaylandSocketPath(const std::string& Display, std::string& Why);

// Asks the compositor at Display (a WAYLAND_DISPLAY value) for its globals; false with Why when it
// cannot be reached or does not answer within TimeoutMs.
bool ProbeWaylandCompositor(const std::string& Display, std::vector<TWaylandGlobal>& Out, std::string& Why,
                            int TimeoutMs = 3000);
