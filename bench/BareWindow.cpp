// The floor the adjuster's start is measured against: a bare Xlib window of the adjuster's size that
// fills itself when it is exposed, and nothing else. bench_adjuster starts it beside the adjuster on
// the same X server.

#include <X11/Xlib.h>

int main() {
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy)
    return 1;
  const int screen = DefaultScreen(dpy);
  constexpr unsigned Width = 289, Height = 155;
  XSetWindowAttributes attrs{};
  attrs.event_mask = ExposureMask;
  const Window w = XCreateWindow(dpy, RootWindow(dpy, screen), (DisplayWidth(dpy, screen) - Width) / 2,
                                 (DisplayHeight(dpy, screen) - Height) / 2, Width, Height, 0, CopyFromParent,
                                 InputOutput, CopyFromParent, CWEventMask, &attrs);
  XStoreName(dpy, w, "bare-window");
  const GC gc = XCreateGC(dpy, w, 0, nullptr);
  XSetForeground(dpy, gc, 0xE7E7E7);
  XMapWindow(dpy, w);
  for (;;) {
    XEvent e;
    XNextEvent(dpy, &e);
    if (e.type == Expose)
      XFillRectangle(dpy, w, gc, 0, 0, Width, Height);
  }
}
