#include "platform/backends/wayland/WaylandProbe.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t DisplayObject = 1;
constexpr std::uint32_t RegistryObject = 2;
constexpr std::uint32_t CallbackObject = 3;
// The wire format's own limit on one message, and a bound on an answer that never ends.
constexpr std::size_t MaxMessage = 4096;
constexpr std::size_t MaxGlobals = 4096;

std::uint32_t U32(const std::uint8_t* P) {
  std::uint32_t v;
  std::memcpy(&v, P, sizeof v); // the wire is in the machine's own byte order
  return v;
}

void Put(std::vector<std::uint8_t>& Out, std::uint32_t V) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&V);
  Out.insert(Out.end(), p, p + sizeof V);
}

// Reads the arguments of one event.
class TArgs {
public:
  TArgs(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  bool Uint(std::uint32_t& V) {
    if (FSize - FPos < 4)
      return false;
    V = U32(FData + FPos);
    FPos += 4;
    return true;
  }
  // A string: its length with the closing zero, its bytes, padding to 4.
  bool String(std::string& S) {
    std::uint32_t length = 0;
    if (!Uint(length) || length == 0 || length > FSize - FPos)
      return false;
    const std::size_t padded = (static_cast<std::size_t>(length) + 3) & ~std::size_t{3};
    if (padded > FSize - FPos || FData[FPos + length - 1] != 0)
      return false;
    S.assign(reinterpret_cast<const char*>(FData + FPos), length - 1);
    FPos += padded;
    return S.find('\0') == std::string::npos;
  }
  bool AtEnd() const { return FPos == FSize; }

private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

} // namespace

void TWaylandRegistryReader::Feed(const std::uint8_t* Data, std::size_t Size) {
  if (FOver)
    return;
  if (FStart > 0) {
    FBuffer.erase(FBuffer.begin(), FBuffer.begin() + static_cast<std::ptrdiff_t>(FStart));
    FStart = 0;
  }
  FBuffer.insert(FBuffer.end(), Data, Data + Size);
}

TWaylandRegistryReader::TResult TWaylandRegistryReader::Fail(TResult Result, std::string Why) {
  FOver = true;
  FWhy = std::move(Why);
  FBuffer.clear();
  FStart = 0;
  return Result;
}

TWaylandRegistryReader::TResult TWaylandRegistryReader::Next(TWaylandGlobal& Out) {
  for (;;) {
    if (FOver)
      return FWhy.empty() ? TResult::Done : TResult::Malformed;
    const std::size_t have = FBuffer.size() - FStart;
    if (have < 8)
      return TResult::Incomplete;
    const std::uint8_t* p = FBuffer.data() + FStart;
    const std::uint32_t object = U32(p);
    const std::uint32_t word = U32(p + 4);
    const std::size_t size = word >> 16;
    const std::uint32_t opcode = word & 0xFFFF;
    if (size < 8 || size % 4 != 0 || size > MaxMessage)
      return Fail(TResult::Malformed, "an event of " + std::to_string(size) + " bytes");
    if (have < size)
      return TResult::Incomplete;
    TArgs args(p + 8, size - 8);
    FStart += size;
    const std::string which = "event " + std::to_string(opcode) + " of object " + std::to_string(object);

    if (object == DisplayObject && opcode == 0) {
      std::uint32_t culprit = 0, code = 0;
      std::string message;
      if (!args.Uint(culprit) || !args.Uint(code) || !args.String(message) || !args.AtEnd())
        return Fail(TResult::Malformed, "a protocol error event that cannot be read");
      return Fail(TResult::Error, "the compositor reported protocol error " + std::to_string(code) + " (" +
                                      message + ")");
    }
    if (object == DisplayObject && opcode == 1) { // delete_id: nothing to do
      std::uint32_t id = 0;
      if (!args.Uint(id) || !args.AtEnd())
        return Fail(TResult::Malformed, "a delete_id event that cannot be read");
      continue;
    }
    if (object == RegistryObject && opcode == 0) {
      TWaylandGlobal g;
      if (!args.Uint(g.Name) || !args.String(g.Interface) || !args.Uint(g.Version) || !args.AtEnd())
        return Fail(TResult::Malformed, "a global event that cannot be read");
      if (++FGlobals > MaxGlobals)
        return Fail(TResult::Malformed, "more than " + std::to_string(MaxGlobals) + " globals");
      Out = std::move(g);
      return TResult::Global;
    }
    if (object == RegistryObject && opcode == 1) { // global_remove of one announced a moment ago
      std::uint32_t name = 0;
      if (!args.Uint(name) || !args.AtEnd())
        return Fail(TResult::Malformed, "a global_remove event that cannot be read");
      continue;
    }
    if (object == CallbackObject && opcode == 0) {
      std::uint32_t serial = 0;
      if (!args.Uint(serial) || !args.AtEnd())
        return Fail(TResult::Malformed, "a done event that cannot be read");
      FOver = true;
      FBuffer.clear();
      FStart = 0;
      return TResult::Done;
    }
    return Fail(TResult::Malformed, "an unexpected " + which);
  }
}

std::vector<std::uint8_t> WaylandRegistryRequest() {
  std::vector<std::uint8_t> out;
  Put(out, DisplayObject); // get_registry(new id 2)
  Put(out, (12u << 16) | 1u);
  Put(out, RegistryObject);
  Put(out, DisplayObject); // sync(new id 3)
  Put(out, (12u << 16) | 0u);
  Put(out, CallbackObject);
  return out;
}

std::string WaylandSocketPath(const std::string& Display, std::string& Why) {
  if (Display.empty()) {
    Why = "WAYLAND_DISPLAY is not set";
    return {};
  }
  if (Display.front() == '/')
    return Display;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') {
    Why = "WAYLAND_DISPLAY is set but XDG_RUNTIME_DIR, where its socket would be, is not";
    return {};
  }
  return std::string(runtime) + "/" + Display;
}

bool ProbeWaylandCompositor(const std::string& Display, std::vector<TWaylandGlobal>& Out, std::string& Why,
                            int TimeoutMs) {
  Out.clear();
  const std::string path = WaylandSocketPath(Display, Why);
  if (path.empty())
    return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    Why = "the Wayland socket name " + path + " is too long";
    return false;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    Why = "cannot reach the Wayland compositor at " + path + ": " + std::strerror(errno);
    if (fd >= 0)
      close(fd);
    return false;
  }
  const std::vector<std::uint8_t> request = WaylandRegistryRequest();
  bool ok = send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
  if (!ok)
    Why = "cannot ask the Wayland compositor at " + path + " for its globals: " + std::strerror(errno);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  TWaylandRegistryReader reader;
  bool done = false;
  while (ok && !done) {
    TWaylandGlobal g;
    switch (reader.Next(g)) {
    case TWaylandRegistryReader::TResult::Global:
      Out.push_back(std::move(g));
      continue;
    case TWaylandRegistryReader::TResult::Done:
      done = true;
      continue;
    case TWaylandRegistryReader::TResult::Malformed:
    case TWaylandRegistryReader::TResult::Error:
      Why = "the Wayland compositor at " + path + " answered with " + reader.Why();
      ok = false;
      continue;
    case TWaylandRegistryReader::TResult::Incomplete:
      break;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd p{fd, POLLIN, 0};
    const int ready = left > 0 ? poll(&p, 1, static_cast<int>(left)) : 0;
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0) {
      Why = "the Wayland compositor at " + path + " did not answer within " + std::to_string(TimeoutMs) + " ms";
      ok = false;
      continue;
    }
    std::uint8_t buffer[4096];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
      if (n < 0 && errno == EINTR)
        continue;
      Why = "the Wayland compositor at " + path + " hung up before it answered";
      ok = false;
      continue;
    }
    reader.Feed(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return ok;
}
