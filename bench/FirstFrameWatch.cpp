#include "bench/FirstFrameWatch.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <map>

namespace {

struct TGeometry {
  int X = 0, Y = 0, Width = 0, Height = 0;
};

} // namespace

struct TFirstFrameWatch::TImpl {
  Display* Dpy = nullptr;
  Damage Watch = 0;
  int DamageEvent = 0;
};

TFirstFrameWatch::TFirstFrameWatch(const std::string& Display) : F(std::make_unique<TImpl>()), FDisplay(Display) {
  F->Dpy = XOpenDisplay(Display.c_str());
  if (!F->Dpy) {
    FError = "cannot open the X display " + Display;
    return;
  }
  int errorBase = 0;
  if (!XDamageQueryExtension(F->Dpy, &F->DamageEvent, &errorBase)) {
    FError = "the X server " + Display + " has no DAMAGE extension";
    return;
  }
  const Window root = DefaultRootWindow(F->Dpy);
  XSelectInput(F->Dpy, root, SubstructureNotifyMask);
  // Drawing into any window on the screen damages the root window's contents.
  F->Watch = XDamageCreate(F->Dpy, root, XDamageReportRawRectangles);
  XSync(F->Dpy, False);
}

TFirstFrameWatch::~TFirstFrameWatch() {
  if (!F->Dpy)
    return;
  if (F->Watch)
    XDamageDestroy(F->Dpy, F->Watch);
  XCloseDisplay(F->Dpy);
}

TFirstFrameWatch::TRun TFirstFrameWatch::Start(const std::vector<std::string>& Argv,
                                               const std::vector<std::string>& Environment,
                                               const std::string& ErrorsFile, int TimeoutMs) {
  TRun run;
  if (!FError.empty())
    return run;
  Display* dpy = F->Dpy;
  // What the previous program did is no news.
  XSync(dpy, True);
  std::vector<std::string> environment = Environment;
  environment.push_back("DISPLAY=" + FDisplay);
  const auto started = std::chrono::steady_clock::now();
  const auto launchUs = std::chrono::duration_cast<std::chrono::microseconds>(started.time_since_epoch()).count();
  environment.push_back("BRIVO_STARTUP_TRACE=launch:" + std::to_string(launchUs));
  run.Program = std::make_unique<TChildProcess>(Argv, environment, ErrorsFile);
  const auto deadline = started + std::chrono::milliseconds(TimeoutMs);

  std::map<Window, TGeometry> windows;
  Window target = 0;
  TGeometry area;
  std::vector<bool> drawn;
  long covered = 0;
  while (run.FirstFrameMs < 0) {
    while (XPending(dpy) > 0 && run.FirstFrameMs < 0) {
      XEvent e;
      XNextEvent(dpy, &e);
      if (e.type == CreateNotify) {
        const XCreateWindowEvent& c = e.xcreatewindow;
        windows[c.window] = {c.x, c.y, c.width, c.height};
      } else if (e.type == ConfigureNotify) {
        const XConfigureEvent& c = e.xconfigure;
        windows[c.window] = {c.x, c.y, c.width, c.height};
        if (c.window == target) {
          // Moved or resized before it was drawn: what counts is drawing at the new place.
          area = windows[c.window];
          drawn.assign(static_cast<std::size_t>(area.Width) * area.Height, false);
          covered = 0;
        }
      } else if (e.type == MapNotify && target == 0 && windows.contains(e.xmap.window)) {
        target = e.xmap.window;
        area = windows[target];
        drawn.assign(static_cast<std::size_t>(area.Width) * area.Height, false);
      } else if (e.type == F->DamageEvent + XDamageNotify && target != 0) {
        const XRectangle& r = reinterpret_cast<const XDamageNotifyEvent&>(e).area;
        const int left = std::max<int>(r.x, area.X), right = std::min<int>(r.x + r.width, area.X + area.Width);
        const int top = std::max<int>(r.y, area.Y), bottom = std::min<int>(r.y + r.height, area.Y + area.Height);
        for (int y = top; y < bottom; ++y)
          for (int x = left; x < right; ++x) {
            auto pixel = drawn[static_cast<std::size_t>(y - area.Y) * area.Width + (x - area.X)];
            if (!pixel) {
              pixel = true;
              ++covered;
            }
          }
        if (covered * 100 >= 95L * area.Width * area.Height)
          run.FirstFrameMs =
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
      }
    }
    if (run.FirstFrameMs >= 0)
      break;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline || !run.Program->Running())
      break;
    pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count()) + 1);
  }
  return run;
}
