#include "platform/backends/x11/X11Connect.h"

#include "platform/backends/x11/XHeaders.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace {

bool ParseNumber(std::string_view Text, int& Value) {
  if (Text.empty() || Text.size() > 9 || Text.front() < '0' || Text.front() > '9')
    return false;
  const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return error == std::errc() && end == Text.data() + Text.size();
}

// Whether a server answers on the local socket of display Number: Xlib could not open it, so what
// is left to learn is whether anything listens there at all.
enum class TLocalSocket { Missing, Stale, Answers };

TLocalSocket ProbeLocalSocket(int Number, std::string& Path) {
  Path = "/tmp/.X11-unix/X" + std::to_string(Number);
  struct stat st {};
  if (stat(Path.c_str(), &st) != 0)
    return TLocalSocket::Missing;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return TLocalSocket::Answers; // nothing more can be learnt; assume a server is there
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, Path.c_str(), sizeof addr.sun_path - 1);
  const bool answers = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return answers ? TLocalSocket::Answers : TLocalSocket::Stale;
}

} // namespace

bool ParseX11DisplayName(std::string_view Name, TX11DisplayName& Out) {
  const std::size_t colon = Name.rfind(':');
  if (colon == std::string_view::npos)
    return false;
  std::string_view host = Name.substr(0, colon);
  std::string_view rest = Name.substr(colon + 1);
  if (const std::size_t slash = host.find('/'); slash != std::string_view::npos)
    host = host.substr(slash + 1);
  // "HOST::N" names a DECnet node; the second colon belongs to the separator.
  if (host.ends_with(':'))
    host.remove_suffix(1);
  TX11DisplayName name;
  name.Host = std::string(host);
  const std::size_t dot = rest.find('.');
  if (!ParseNumber(rest.substr(0, dot), name.Number))
    return false;
  if (dot != std::string_view::npos && !ParseNumber(rest.substr(dot + 1), name.Screen))
    return false;
  Out = name;
  return true;
}

Display* OpenX11Display(const char* Name, std::string& Why) {
  const char* shown = Name != nullptr ? Name : std::getenv("DISPLAY");
  if (shown == nullptr || *shown == '\0') {
    Why = "there is no X display (DISPLAY is not set)";
    return nullptr;
  }
  if (Display* dpy = XOpenDisplay(shown))
    return dpy;
  const std::string head = std::string("cannot open the X display '") + shown + "': ";
  TX11DisplayName name;
  if (!ParseX11DisplayName(shown, name)) {
    Why = head + "that is not a display name (one reads [HOST]:NUMBER[.SCREEN], such as :0)";
    return nullptr;
  }
  if (name.Screen > 0) {
    // Xlib refuses a screen the server does not have; the server itself may be fine.
    const std::string server = name.Host + ":" + std::to_string(name.Number);
    if (Display* dpy = XOpenDisplay(server.c_str())) {
      const int screens = ScreenCount(dpy);
      XCloseDisplay(dpy);
      Why = head + "the X server " + server + " has " + std::to_string(screens) +
            (screens == 1 ? " screen (0)" : " screens (0 to " + std::to_string(screens - 1) + ")") +
            ", not screen " + std::to_string(name.Screen);
      return nullptr;
    }
  }
  if (!name.Local()) {
    Why = head + "no X server answers at " + name.Host + ":" + std::to_string(name.Number);
    return nullptr;
  }
  std::string path;
  switch (ProbeLocalSocket(name.Number, path)) {
  case TLocalSocket::Missing:
    Why = head + "no X server is running on it (there is no " + path + ")";
    break;
  case TLocalSocket::Stale:
    Why = head + "no X server is running on it (" + path + " is left from one that ended)";
    break;
  case TLocalSocket::Answers:
    Why = head + "the X server turned the connection away (is this program allowed on it? see XAUTHORITY)";
    break;
  }
  return nullptr;
}

void CloseX11Display(Display* Dpy) { XCloseDisplay(Dpy); }
