#include "platform/backends/x11/X11DesktopImpl.h"
#include "platform/backends/x11/X11Translate.h"

#include "platform/core/StartupTrace.h"
#include "platform/graphics/TextEngine.h"

#include <X11/Xatom.h>
#include <X11/extensions/shape.h>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

// _NET_WM_MOVERESIZE directions of the hit codes.
long MoveResizeDirection(int Hit) {
  switch (Hit) {
  case HTTOPLEFT:
    return 0;
  case HTTOP:
    return 1;
  case HTTOPRIGHT:
    return 2;
  case HTRIGHT:
    return 3;
  case HTBOTTOMRIGHT:
    return 4;
  case HTBOTTOM:
    return 5;
  case HTBOTTOMLEFT:
    return 6;
  case HTLEFT:
    return 7;
  default:
    return 8; // move
  }
}

} // namespace

TX11Window::TX11Window(TX11Desktop::TImpl& Desktop, HWND Handle, TWindowKind Kind, const TRect& Bounds, Window Owner)
    : FDesktop(Desktop), FHandle(Handle), FKind(Kind), FBounds(Bounds) {
  Display* dpy = Desktop.Dpy;
  FParent = Desktop.Root;
  XSetWindowAttributes attrs{};
  attrs.background_pixmap = None; // the frame shows at once; no server fill flashes first
  attrs.border_pixel = 0;
  attrs.bit_gravity = NorthWestGravity;
  attrs.colormap = Desktop.Cmap;
  attrs.override_redirect = Kind == TWindowKind::Menu ? True : False;
  attrs.event_mask = kEventMask;
  FWindow = XCreateWindow(dpy, Desktop.Root, Bounds.Left, Bounds.Top, std::max(Bounds.Width(), 1),
                          std::max(Bounds.Height(), 1), 0, Desktop.Depth, InputOutput, Desktop.Vis,
                          CWBackPixmap | CWBorderPixel | CWBitGravity | CWColormap | CWOverrideRedirect | CWEventMask,
                          &attrs);

  Atom protocols[] = {Desktop.A("WM_DELETE_WINDOW"), Desktop.A("_NET_WM_PING")};
  XSetWMProtocols(dpy, FWindow, protocols, 2);
  XClassHint* cls = XAllocClassHint();
  char name[] = "brivo", klass[] = "Brivo";
  cls->res_name = name;
  cls->res_class = klass;
  XSizeHints* size = XAllocSizeHints();
  size->flags = PPosition | USPosition;
  size->x = Bounds.Left;
  size->y = Bounds.Top;
  XWMHints* hints = XAllocWMHints();
  hints->flags = InputHint | StateHint;
  hints->input = Kind == TWindowKind::Menu ? False : True;
  hints->initial_state = NormalState;
  XSetWMProperties(dpy, FWindow, nullptr, nullptr, nullptr, 0, size, hints, cls);
  XFree(cls);
  XFree(size);
  XFree(hints);

  const long pid = getpid();
  XChangeProperty(dpy, FWindow, Desktop.A("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  const char* type = Kind == TWindowKind::Menu     ? "_NET_WM_WINDOW_TYPE_POPUP_MENU"
                     : Kind == TWindowKind::Dialog ? "_NET_WM_WINDOW_TYPE_DIALOG"
                                                   : "_NET_WM_WINDOW_TYPE_NORMAL";
  const Atom typeAtom = Desktop.A(type);
  XChangeProperty(dpy, FWindow, Desktop.A("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&typeAtom), 1);
  // The layer draws every window's caption and border itself (client = window).
  const long motif[5] = {2 /* decorations given */, 0, 0 /* none */, 0, 0};
  XChangeProperty(dpy, FWindow, Desktop.A("_MOTIF_WM_HINTS"), Desktop.A("_MOTIF_WM_HINTS"), 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(motif), 5);
  if (Owner)
    XSetTransientForHint(dpy, FWindow, Owner);
  if (Kind == TWindowKind::Dialog) {
    const Atom modal = Desktop.A("_NET_WM_STATE_MODAL");
    XChangeProperty(dpy, FWindow, Desktop.A("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&modal), 1);
  }
  if (Desktop.CursorsShown)
    XDefineCursor(dpy, FWindow, Desktop.CursorOf(Desktop.CursorId));
  CreateIc();
}

void TX11Window::CreateIc() {
  if (FIc || !FDesktop.Im || FKind == TWindowKind::Menu || Dead())
    return;
  FIc = XCreateIC(FDesktop.Im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, FWindow,
                  XNFocusWindow, FWindow, nullptr);
  long filter = 0;
  if (FIc && !XGetICValues(FIc, XNFilterEvents, &filter, nullptr) && filter)
    XSelectInput(FDesktop.Dpy, FWindow, kEventMask | filter);
}

TX11Window::~TX11Window() {
  std::erase(FDesktop.Windows, this);
  if (FDesktop.Drag && FDesktop.Drag->Host == this)
    FDesktop.Drag.reset();
  if (FDesktop.WmMoveSize == this)
    FDesktop.WmMoveSize = nullptr;
  if (FDesktop.CaptureGrab == this)
    FDesktop.CaptureGrab = nullptr;
  if (FDesktop.InputGrab == this)
    FDesktop.DropInputGrab();
  FreeShmImage();
  if (FDesktop.Lost)
    return;
  if (FIc)
    XDestroyIC(FIc);
  if (!FVanished)
    XDestroyWindow(FDesktop.Dpy, FWindow);
  XFlush(FDesktop.Dpy);
}

void TX11Window::SetIcon(const std::vector<TPixelBuffer>& Images) {
  if (Dead())
    return;
  // _NET_WM_ICON: width, height and the pixels of each image, one long each. The icon's pixels keep
  // opacity in the top byte, as the property wants.
  std::vector<unsigned long> data;
  for (const TPixelBuffer& image : Images) {
    if (image.Empty())
      continue;
    data.push_back(static_cast<unsigned long>(image.Width()));
    data.push_back(static_cast<unsigned long>(image.Height()));
    for (TPixel p : image.Pixels())
      data.push_back(p);
  }
  const Atom icon = FDesktop.A("_NET_WM_ICON");
  if (data.empty())
    XDeleteProperty(FDesktop.Dpy, FWindow, icon);
  else
    XChangeProperty(FDesktop.Dpy, FWindow, icon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
  XFlush(FDesktop.Dpy);
}

void TX11Window::BringToFront() {
  if (Dead())
    return;
  if (FDesktop.Wm && FDesktop.WmActivate) {
    // Source 2: asked for by the user (who started the program again), which a window manager
    // honours over its rules against windows that push themselves forward. It raises the window,
    // brings it back from an icon and gives it the keyboard.
    FDesktop.SendRootMessage(FWindow, FDesktop.A("_NET_ACTIVE_WINDOW"), 2, CurrentTime, 0, 0, 0);
  } else {
    XRaiseWindow(FDesktop.Dpy, FWindow);
    // A window on its way back from being unmapped gets the keyboard as it is mapped (MapChanged).
    if (FMapped)
      FDesktop.GiveFocus(FWindow, CurrentTime);
  }
  XFlush(FDesktop.Dpy);
}

void TX11Window::SetBounds(const TRect& ScreenRect) {
  if (Dead() || ScreenRect == FBounds)
    return;
  const bool sized = ScreenRect.Width() != FBounds.Width() || ScreenRect.Height() != FBounds.Height();
  FBounds = ScreenRect;
  // A maximised window is placed by the window manager, which would refuse other bounds and say so
  // again and again; what it gives comes back as a configure notification (Configured).
  if (FShowState == SW_SHOWMAXIMIZED && FDesktop.WmMaximize)
    return;
  FPending.push_back(Requested(ScreenRect));
  if (FPending.size() > kPendingLimit)
    FPending.pop_front();
  if (sized)
    XMoveResizeWindow(FDesktop.Dpy, FWindow, ScreenRect.Left, ScreenRect.Top, std::max(ScreenRect.Width(), 1),
                      std::max(ScreenRect.Height(), 1));
  else
    XMoveWindow(FDesktop.Dpy, FWindow, ScreenRect.Left, ScreenRect.Top);
  XFlush(FDesktop.Dpy);
}

void TX11Window::Configured(const XConfigureEvent& E) {
  TPoint origin{E.x, E.y};
  // A window manager's frame makes real notifications relative to it; synthetic ones say where the
  // window is on the screen.
  if (!E.send_event && FParent != FDesktop.Root) {
    Window child = 0;
    XTranslateCoordinates(FDesktop.Dpy, FWindow, FDesktop.Root, 0, 0, &origin.X, &origin.Y, &child);
  }
  const TRect now = ::Bounds(origin.X, origin.Y, E.width, E.height);
  auto it = std::find(FPending.begin(), FPending.end(), now);
  if (it != FPending.end()) {
    FPending.erase(FPending.begin(), it + 1);
    return;
  }
  // Someone else (the window manager, the user through it) placed the window: that is news, and the
  // requests still on their way were overruled.
  FPending.clear();
  if (now == Requested(FBounds))
    return;
  FBounds = now;
  FDesktop.Reported = true;
  HostBoundsChanged(FHandle, now);
}

void TX11Window::MapChanged(bool Mapped) {
  FMapped = Mapped;
  if (!Mapped) {
    // Iconified by the window manager, not by us: the layer hears it as a minimise.
    if (FDesktop.Wm && FShowState != SW_HIDE && FShowState != SW_SHOWMINIMIZED && IsWindow(FHandle) &&
        !IsIconic(FHandle) && Iconic()) {
      FShowState = SW_SHOWMINIMIZED;
      FDesktop.Reported = true;
      ShowWindow(FHandle, SW_SHOWMINNOACTIVE);
    }
    return;
  }
  if (FShowState == SW_SHOWMINIMIZED && IsWindow(FHandle) && IsIconic(FHandle)) {
    FShowState = SW_SHOWNORMAL;
    FDesktop.Reported = true;
    ShowWindow(FHandle, SW_RESTORE);
    return;
  }
  // Without a window manager nobody else gives a new window the keyboard.
  if (!FDesktop.Wm && FKind != TWindowKind::Menu)
    FDesktop.GiveFocus(FWindow, CurrentTime);
}

// Whether the window manager says the window is an icon now (WM_STATE), not merely unmapped, as
// on another virtual desktop.
bool TX11Window::Iconic() const {
  const Atom state = FDesktop.A("WM_STATE");
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool iconic = false;
  if (XGetWindowProperty(FDesktop.Dpy, FWindow, state, 0, 2, False, state, &type, &format, &count, &after, &data) ==
          Success &&
      data && format == 32 && count >= 1)
    iconic = *reinterpret_cast<const long*>(data) == IconicState;
  if (data)
    XFree(data);
  return iconic;
}

void TX11Window::SetWmState(bool Add, Atom First, Atom Second, bool MapAsked) {
  // A managed window is asked through the window manager. One whose map request is still on its way
  // may already be managed, with the property read: it is asked that way too, and the property
  // below is for a manager that has not read it yet.
  if (FMapped || MapAsked)
    FDesktop.SendRootMessage(FWindow, FDesktop.A("_NET_WM_STATE"), Add ? 1 : 0, static_cast<long>(First),
                             static_cast<long>(Second), 1, 0);
  if (FMapped)
    return;
  // Before mapping, the window manager reads the property itself.
  if (Add) {
    const Atom states[2] = {First, Second};
    XChangeProperty(FDesktop.Dpy, FWindow, FDesktop.A("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states), 2);
  } else {
    XDeleteProperty(FDesktop.Dpy, FWindow, FDesktop.A("_NET_WM_STATE"));
  }
}

// The state a window manager gives the window when it is mapped next.
void TX11Window::SetInitialState(int State) {
  XWMHints hints{};
  hints.flags = StateHint | InputHint;
  hints.input = FKind == TWindowKind::Menu ? False : True;
  hints.initial_state = State;
  XSetWMHints(FDesktop.Dpy, FWindow, &hints);
}

void TX11Window::SetShowState(int ShowCmd) {
  if (Dead() || ShowCmd == FShowState)
    return;
  const int was = FShowState;
  FShowState = ShowCmd;
  Display* dpy = FDesktop.Dpy;
  const Atom vert = FDesktop.A("_NET_WM_STATE_MAXIMIZED_VERT");
  const Atom horz = FDesktop.A("_NET_WM_STATE_MAXIMIZED_HORZ");
  switch (ShowCmd) {
  case SW_HIDE:
    XWithdrawWindow(dpy, FWindow, FDesktop.Screen);
    break;
  case SW_SHOWMINIMIZED:
    if (!FDesktop.Wm) {
      XUnmapWindow(dpy, FWindow);
    } else if (FMapped) {
      XIconifyWindow(dpy, FWindow, FDesktop.Screen);
    } else {
      SetInitialState(IconicState);
      XMapWindow(dpy, FWindow);
    }
    break;
  case SW_SHOWMAXIMIZED:
    if (FDesktop.WmMaximize)
      SetWmState(true, vert, horz, was != SW_HIDE);
    XMapRaised(dpy, FWindow);
    break;
  default:
    if (FDesktop.WmMaximize && was == SW_SHOWMAXIMIZED)
      SetWmState(false, vert, horz, was != SW_HIDE);
    if (FDesktop.Wm && was == SW_SHOWMINIMIZED)
      SetInitialState(NormalState);
    XMapRaised(dpy, FWindow);
    StartupMark("window mapped");
    break;
  }
  XFlush(dpy);
}

void TX11Window::SetShape(const TRegion* Shape) {
  if (Dead() || !FDesktop.Shape)
    return;
  if (!Shape) {
    XShapeCombineMask(FDesktop.Dpy, FWindow, ShapeBounding, 0, 0, None, ShapeSet);
  } else {
    std::vector<XRectangle> rects;
    for (const TRect& r : Shape->Rects())
      rects.push_back({static_cast<short>(r.Left), static_cast<short>(r.Top), static_cast<unsigned short>(r.Width()),
                       static_cast<unsigned short>(r.Height())});
    // The region's rectangles come in bands, top to bottom and left to right: YXBanded.
    XShapeCombineRectangles(FDesktop.Dpy, FWindow, ShapeBounding, 0, 0, rects.data(), static_cast<int>(rects.size()),
                            ShapeSet, YXBanded);
  }
  XFlush(FDesktop.Dpy);
}

void TX11Window::SetTitle(const std::string& Title) {
  if (Dead())
    return;
  Display* dpy = FDesktop.Dpy;
  const Atom utf8 = FDesktop.A("UTF8_STRING");
  const auto* bytes = reinterpret_cast<const unsigned char*>(Title.data());
  const int length = static_cast<int>(Title.size());
  XChangeProperty(dpy, FWindow, FDesktop.A("_NET_WM_NAME"), utf8, 8, PropModeReplace, bytes, length);
  XChangeProperty(dpy, FWindow, FDesktop.A("_NET_WM_ICON_NAME"), utf8, 8, PropModeReplace, bytes, length);
  // Older window managers read WM_NAME: Latin-1 when the title fits, the UTF-8 bytes otherwise.
  std::string latin1;
  bool fits = true;
  for (char32_t c : DecodeUtf8(Title)) {
    if (c > 0xFF) {
      fits = false;
      break;
    }
    latin1.push_back(static_cast<char>(c));
  }
  if (fits)
    XChangeProperty(dpy, FWindow, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(latin1.data()), static_cast<int>(latin1.size()));
  else
    XChangeProperty(dpy, FWindow, XA_WM_NAME, utf8, 8, PropModeReplace, bytes, length);
  XFlush(dpy);
}

void TX11Window::FreeShmImage() {
  if (!FShmImage)
    return;
  // With the server gone only our side of the segment is left to free.
  if (!FDesktop.Lost) {
    XShmDetach(FDesktop.Dpy, &FShmInfo);
    XSync(FDesktop.Dpy, False);
  }
  FShmImage->data = nullptr;
  XDestroyImage(FShmImage);
  shmdt(FShmInfo.shmaddr);
  FShmImage = nullptr;
  FShmBusy = false;
}

bool TX11Window::EnsureShmImage(int Width, int Height) {
  if (FShmImage && FShmImage->width >= Width && FShmImage->height >= Height)
    return true;
  FreeShmImage();
  XImage* image = XShmCreateImage(FDesktop.Dpy, FDesktop.Vis, static_cast<unsigned>(FDesktop.Depth), ZPixmap,
                                  nullptr, &FShmInfo, static_cast<unsigned>(Width), static_cast<unsigned>(Height));
  if (!image)
    return false;
  const std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(Height);
  FShmInfo.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (FShmInfo.shmid < 0) {
    XDestroyImage(image);
    return false;
  }
  FShmInfo.shmaddr = image->data = static_cast<char*>(shmat(FShmInfo.shmid, nullptr, 0));
  FShmInfo.readOnly = False;
  const bool attached = FShmInfo.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(FDesktop.Dpy, &FShmInfo);
  XSync(FDesktop.Dpy, False);
  // Marked for removal now, the segment goes away with the last detach even if we crash.
  shmctl(FShmInfo.shmid, IPC_RMID, nullptr);
  if (!attached) {
    if (FShmInfo.shmaddr != reinterpret_cast<char*>(-1))
      shmdt(FShmInfo.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    return false;
  }
  FShmImage = image;
  return true;
}

namespace {

// Copies a rectangle of the frame into an image of the server's pixel layout.
void CopyIntoImage(XImage& Image, const TPixelBuffer& Frame, const TRect& R, TPoint To, bool NativeLayout) {
  for (int y = R.Top; y < R.Bottom; ++y) {
    const TPixel* src = Frame.ScanLine(y) + R.Left;
    if (NativeLayout) {
      char* row = Image.data + static_cast<std::ptrdiff_t>(y - R.Top + To.Y) * Image.bytes_per_line;
      std::memcpy(row + static_cast<std::ptrdiff_t>(To.X) * 4, src, static_cast<std::size_t>(R.Width()) * 4);
      continue;
    }
    for (int x = 0; x < R.Width(); ++x) {
      const TPixel p = src[x];
      auto channel = [](unsigned long Mask, unsigned Value) {
        if (!Mask)
          return 0ul;
        int shift = 0;
        while (!((Mask >> shift) & 1))
          ++shift;
        int bits = 0;
        while ((Mask >> (shift + bits)) & 1)
          ++bits;
        return ((static_cast<unsigned long>(Value) >> (8 - std::min(bits, 8))) << shift) & Mask;
      };
      XPutPixel(&Image, To.X + x, y - R.Top + To.Y,
                channel(Image.red_mask, (p >> 16) & 0xFF) | channel(Image.green_mask, (p >> 8) & 0xFF) |
                    channel(Image.blue_mask, p & 0xFF));
    }
  }
}

} // namespace

void TX11Window::Present(const TPixelBuffer& Frame, const TRegion& Damage) {
  if (Dead() || Frame.Empty())
    return;
  Display* dpy = FDesktop.Dpy;
  const TRect area = Rect(0, 0, std::min(Frame.Width(), std::max(FBounds.Width(), 1)),
                          std::min(Frame.Height(), std::max(FBounds.Height(), 1)));
  const std::vector<TRect> rects = Damage.RectsIn(area);
  if (rects.empty())
    return;
  GC gc = DefaultGC(dpy, FDesktop.Screen);
  if (FDesktop.Shm && FShmBusy) {
    // The server may still be reading the previous frame out of the shared segment.
    XSync(dpy, False);
    FShmBusy = false;
  }
  const bool shm =
      static_cast<long long>(Frame.Width()) * Frame.Height() >= FDesktop.ShmMinPixels && FDesktop.ShmAvailable();
  if (shm && EnsureShmImage(Frame.Width(), Frame.Height())) {
    for (const TRect& r : rects) {
      CopyIntoImage(*FShmImage, Frame, r, r.TopLeft(), FDesktop.NativeLayout);
      XShmPutImage(dpy, FWindow, gc, FShmImage, r.Left, r.Top, r.Left, r.Top, static_cast<unsigned>(r.Width()),
                   static_cast<unsigned>(r.Height()), False);
    }
    FShmBusy = true;
  } else {
    for (const TRect& r : rects) {
      XImage* image = nullptr;
      std::vector<char> converted;
      if (FDesktop.NativeLayout) {
        // The frame's own rows serve as the image: no copy.
        image = XCreateImage(dpy, FDesktop.Vis, static_cast<unsigned>(FDesktop.Depth), ZPixmap, 0,
                             reinterpret_cast<char*>(const_cast<TPixel*>(Frame.ScanLine(r.Top) + r.Left)),
                             static_cast<unsigned>(r.Width()), static_cast<unsigned>(r.Height()), 32,
                             Frame.Width() * 4);
      } else {
        image = XCreateImage(dpy, FDesktop.Vis, static_cast<unsigned>(FDesktop.Depth), ZPixmap, 0, nullptr,
                             static_cast<unsigned>(r.Width()), static_cast<unsigned>(r.Height()), 32, 0);
        if (image) {
          converted.resize(static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(r.Height()));
          image->data = converted.data();
          CopyIntoImage(*image, Frame, r, {0, 0}, false);
        }
      }
      if (!image)
        continue;
      XPutImage(dpy, FWindow, gc, image, 0, 0, r.Left, r.Top, static_cast<unsigned>(r.Width()),
                static_cast<unsigned>(r.Height()));
      image->data = nullptr;
      XDestroyImage(image);
    }
  }
  XFlush(dpy);
  if (FDesktop.FirstPresent < 0)
    FDesktop.FirstPresent = MonotonicMs();
}

void TX11Window::BeginMoveSize(int HitCode) {
  if (Dead())
    return;
  Display* dpy = FDesktop.Dpy;
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned mask = 0;
  XQueryPointer(dpy, FWindow, &root, &child, &rootX, &rootY, &winX, &winY, &mask);
  const bool held = (mask & Button1Mask) != 0;
  const TPoint now = held ? TPoint{rootX, rootY} : FDesktop.ReleaseAt;
  const MINMAXINFO limits = QueryMinMaxInfo(FHandle);
  const TRect start = FBounds;
  TPoint from = {rootX, rootY};
  // The pointer may have gone on, or the button come up, before the program got here (a quick drag,
  // a busy program): the window first catches up with the drag from where the button went down.
  if (FDesktop.PressWindow == FWindow && (held || !FDesktop.PressHeld)) {
    from = FDesktop.PressAt;
    if (now != from)
      HostBoundsChanged(FHandle, MoveSizeBounds(HitCode, start, now.X - from.X, now.Y - from.Y, limits));
  }
  if (!held || Dead()) {
    HostMoveSizeEnded(FHandle);
    return;
  }
  FDesktop.CaptureGrab = nullptr; // the move/size grab replaces it
  if (FDesktop.WmMoveResize) {
    XUngrabPointer(dpy, CurrentTime);
    FDesktop.SendRootMessage(FWindow, FDesktop.A("_NET_WM_MOVERESIZE"), rootX, rootY, MoveResizeDirection(HitCode),
                             Button1, 1);
    FDesktop.WmMoveSize = this;
    XFlush(dpy);
    return;
  }
  // The grab keeps the cursor the layer chose for the edge or caption under the pointer.
  const unsigned events = ButtonReleaseMask | PointerMotionMask;
  if (XGrabPointer(dpy, FWindow, False, events, GrabModeAsync, GrabModeAsync, None,
                   FDesktop.CursorOf(FDesktop.CursorId), CurrentTime) != GrabSuccess) {
    HostMoveSizeEnded(FHandle);
    return;
  }
  FDesktop.Drag = TX11Desktop::TImpl::TDrag{this, HitCode, from, start, limits};
}


bool TX11Window::GrabInput(bool Grab) {
  if (!Grab) {
    if (FDesktop.InputGrab == this)
      FDesktop.DropInputGrab();
    return true;
  }
  if (FDesktop.InputGrab != this) {
    FDesktop.DropInputGrab();
    FDesktop.InputGrab = this;
  }
  FDesktop.FollowInputGrab();
  return FDesktop.InputGrabHeld;
}
