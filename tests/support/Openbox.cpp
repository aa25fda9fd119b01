#include "tests/support/Openbox.h"

#include <X11/Xlib.h>
#include <poll.h>

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
  FProcess.reset();
  std::error_code ignored;
  if (!FHome.empty())
    std::filesystem::remove_all(FHome, ignored);
}

namespace {

// Maps a window of its own and waits until the manager has taken it (it sets WM_STATE on windows it
// manages) and so is past its start, when it may lose a window mapped in the meantime. A map that
// is not taken within a second is made again.
bool ProbeTaken(const std::string& Display, std::chrono::steady_clock::time_point Deadline, std::string& Why) {
  ::Display* dpy = XOpenDisplay(Display.c_str());
  if (!dpy) {
    Why = "the X server " + Display + " could not be opened";
    return false;
  }
  const Window probe = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 10, 10, 0, 0, 0);
  XSelectInput(dpy, probe, PropertyChangeMask);
  const Atom state = XInternAtom(dpy, "WM_STATE", False);
  bool taken = false;
  while (!taken && std::chrono::steady_clock::now() < Deadline) {
    XUnmapWindow(dpy, probe);
    XMapWindow(dpy, probe);
    XFlush(dpy);
    const auto retry = std::min(Deadline, std::chrono::steady_clock::now() + std::chrono::seconds(1));
    while (!taken) {
      while (!taken && XPending(dpy)) {
        XEvent e;
        XNextEvent(dpy, &e);
        taken = e.type == PropertyNotify && e.xproperty.atom == state && e.xproperty.state == PropertyNewValue;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(retry - std::chrono::steady_clock::now());
      if (taken || left.count() <= 0)
        break;
      pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
      poll(&fd, 1, static_cast<int>(left.count()));
    }
  }
  XDestroyWindow(dpy, probe);
  XCloseDisplay(dpy);
  if (!taken)
    Why = "openbox did not take a window mapped on " + Display;
  return taken;
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
    if (out.find("window id #") != std::string::npos)
      return ProbeTaken(FDisplay, deadline, FError);
  } while (std::chrono::steady_clock::now() < deadline);
  FError = "openbox did not announce itself on the root window";
  return false;
}
