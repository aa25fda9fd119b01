#include "tests/support/Openbox.h"

#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

TOpenbox::TOpenbox(const std::string& Display, int BottomMargin) : FDisplay(Display) {
  char pattern[] = "/tmp/brivo-openbox-XXXXXX";
  if (const char* made = mkdtemp(pattern)) {
    FHome = made;
  } else {
    FError = "no folder for openbox's settings";
    return;
  }
  const std::string config = FHome + "/rc.xml";
  // Alt+Space is left to the programs: openbox's own client menu would take it otherwise.
  std::ofstream(config) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<openbox_config xmlns=\"http://openbox.org/3.4/rc\">\n"
                           "  <margins><top>0</top><bottom>"
                        << BottomMargin
                        << "</bottom><left>0</left><right>0</right></margins>\n"
                           "  <keyboard></keyboard>\n"
                           "</openbox_config>\n";
  FProcess = std::make_unique<TChildProcess>(std::vector<std::string>{"openbox", "--config-file", config},
                                             std::vector<std::string>{"DISPLAY=" + Display, "HOME=" + FHome});
  if (!FProcess->Started())
    FError = "openbox could not be started (is the openbox package installed?)";
}

TOpenbox::~TOpenbox() {
  if (FWatch)
    XCloseDisplay(FWatch);
  FProcess.reset();
  std::error_code ignored;
  if (!FHome.empty())
    std::filesystem::remove_all(FHome, ignored);
}

namespace {

// Waits until the connection has an event; false when Until comes first.
bool WaitForEvent(Display* Dpy, std::chrono::steady_clock::time_point Until) {
  while (!XPending(Dpy)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(Until - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      return false;
    pollfd fd{ConnectionNumber(Dpy), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(left.count()));
  }
  return true;
}

// Maps a window of its own and waits until the manager has taken it (it sets WM_STATE on windows it
// manages) and so is past its start, when it may lose a window mapped in the meantime. A map that
// is not taken within a second is made again. The window is destroyed again; its id, or 0 when it
// was not taken.
unsigned long ProbeTaken(Display* Dpy, std::chrono::steady_clock::time_point Deadline) {
  const Window probe = XCreateSimpleWindow(Dpy, DefaultRootWindow(Dpy), 0, 0, 10, 10, 0, 0, 0);
  XSelectInput(Dpy, probe, PropertyChangeMask);
  const Atom state = XInternAtom(Dpy, "WM_STATE", False);
  bool taken = false;
  while (!taken && std::chrono::steady_clock::now() < Deadline) {
    XUnmapWindow(Dpy, probe);
    XMapWindow(Dpy, probe);
    XFlush(Dpy);
    const auto retry = std::min(Deadline, std::chrono::steady_clock::now() + std::chrono::seconds(1));
    while (!taken && WaitForEvent(Dpy, retry)) {
      XEvent e;
      XNextEvent(Dpy, &e);
      taken = e.type == PropertyNotify && e.xproperty.atom == state && e.xproperty.state == PropertyNewValue;
    }
  }
  XDestroyWindow(Dpy, probe);
  XSync(Dpy, True);
  return taken ? probe : 0;
}

bool OnClientList(Display* Dpy, Atom List, unsigned long Window) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(Dpy, DefaultRootWindow(Dpy), List, 0, 4096, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) == Success &&
      data && format == 32) {
    const auto* ids = reinterpret_cast<const unsigned long*>(data);
    found = std::find(ids, ids + count, Window) != ids + count;
  }
  if (data)
    XFree(data);
  return found;
}

} // namespace

bool TOpenbox::WaitUntilManaging(int TimeoutMs) {
  if (!FProcess || !FProcess->Started())
    return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  // Each question is a round trip to the server, so the wait never spins idle.
  do {
    if (!FProcess->Running()) {
      FError = "openbox ended before it managed the screen";
      return false;
    }
    std::string out;
    RunProcess({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, &out, {"DISPLAY=" + FDisplay});
    if (out.find("window id #") == std::string::npos)
      continue;
    if (!FWatch && !(FWatch = XOpenDisplay(FDisplay.c_str()))) {
      FError = "the X server " + FDisplay + " could not be opened";
      return false;
    }
    const unsigned long probe = ProbeTaken(FWatch, deadline);
    if (!probe) {
      FError = "openbox did not take a window mapped on " + FDisplay;
      return false;
    }
    // Done with the probe, openbox has no work left that the program under test could meet: a
    // frame going away while a tool walks the window tree, say.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return WaitUntilReleased(probe, static_cast<int>(std::max<long long>(left.count(), 1000)));
  } while (std::chrono::steady_clock::now() < deadline);
  FError = "openbox did not announce itself on the root window";
  return false;
}

bool TOpenbox::WaitUntilReleased(unsigned long Id, int TimeoutMs) {
  if (!FWatch)
    return true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  const Atom list = XInternAtom(FWatch, "_NET_CLIENT_LIST", False);
  const Window root = DefaultRootWindow(FWatch);
  // Selected first, then read: a change after the reading comes as an event.
  XSelectInput(FWatch, root, PropertyChangeMask);
  bool listed = OnClientList(FWatch, list, Id);
  while (listed && WaitForEvent(FWatch, deadline)) {
    XEvent e;
    XNextEvent(FWatch, &e);
    if (e.type == PropertyNotify && e.xproperty.atom == list)
      listed = OnClientList(FWatch, list, Id);
  }
  XSelectInput(FWatch, root, NoEventMask);
  XSync(FWatch, True);
  if (listed)
    FError = "openbox still manages the window " + std::to_string(Id);
  return !listed;
}
