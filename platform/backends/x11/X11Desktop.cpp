#include "platform/backends/x11/X11DesktopImpl.h"

#include "platform/backends/x11/X11AddressOpener.h"
#include "platform/backends/x11/X11Connect.h"
#include "platform/backends/x11/X11MessageBox.h"
#include "platform/backends/x11/X11Translate.h"
#include "platform/backends/x11/XSettings.h"
#include "platform/core/Report.h"
#include "platform/core/StartupTrace.h"
#include "platform/graphics/TextEngine.h"
#include "platform/windows/Gdi.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <X11/extensions/shape.h>

#include <poll.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The connection and request of the last protocol error: Xlib's handler is one for the process, and
// a caller that must know whether its request failed compares the serial after a sync.
Display* gErrorDisplay = nullptr;
unsigned long gErrorSerial = 0;

// Protocol errors (a window the window manager already destroyed, a restack it refused) are not
// worth ending the program for, which is what Xlib's own handler does.
int IgnoreError(Display* D, XErrorEvent* E) {
  gErrorDisplay = D;
  gErrorSerial = E->serial;
  return 0;
}

// The data of the client message a later start sends to the instance selection's owner.
constexpr long kFrontRequest = 1;

// A client message about window W with five longs of data.
XEvent MakeClientMessage(Window W, Atom Type, std::array<long, 5> Data) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = W;
  e.xclient.message_type = Type;
  e.xclient.format = 32;
  for (std::size_t i = 0; i < Data.size(); ++i)
    e.xclient.data.l[i] = Data[i];
  return e;
}

// Xlib's own handler writes a few lines about the broken connection and ends the process. Each of
// our connections has an exit handler of its own that decides what to say (the desktop's says one
// line; a gamma device's nothing), so this one stays quiet.
int QuietIOError(Display*) { return 0; }

TInputButton ButtonOf(unsigned Button) {
  if (Button == Button3)
    return TInputButton::Right;
  if (Button == Button2)
    return TInputButton::Middle;
  return TInputButton::Left;
}

} // namespace

long long MonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The atoms the desktop and its windows use, asked for in one round trip instead of one each.
void TX11Desktop::TImpl::InternKnownAtoms() {
  const char* names[] = {"UTF8_STRING",
                         "WM_CLIENT_MACHINE",
                         "WM_DELETE_WINDOW",
                         "WM_LOCALE_NAME",
                         "WM_PROTOCOLS",
                         "WM_STATE",
                         "_MOTIF_WM_HINTS",
                         "_NET_CURRENT_DESKTOP",
                         "_NET_SUPPORTED",
                         "_NET_SUPPORTING_WM_CHECK",
                         "_NET_WM_ICON",
                         "_NET_WM_ICON_NAME",
                         "_NET_WM_MOVERESIZE",
                         "_NET_WM_NAME",
                         "_NET_WM_PID",
                         "_NET_WM_PING",
                         "_NET_WM_STATE",
                         "_NET_WM_STATE_MAXIMIZED_HORZ",
                         "_NET_WM_STATE_MAXIMIZED_VERT",
                         "_NET_WM_STATE_MODAL",
                         "_NET_WM_WINDOW_TYPE",
                         "_NET_WM_WINDOW_TYPE_DIALOG",
                         "_NET_WM_WINDOW_TYPE_NORMAL",
                         "_NET_WM_WINDOW_TYPE_POPUP_MENU",
                         "_NET_WORKAREA",
                         "_XSETTINGS_SETTINGS",
                         nullptr};
  // The settings manager's selection is the screen's own.
  const std::string settings = XSettingsSelection();
  names[std::size(names) - 1] = settings.c_str();
  constexpr int count = static_cast<int>(std::size(names));
  Atom atoms[count] = {};
  if (!XInternAtoms(Dpy, const_cast<char**>(names), count, False, atoms))
    return;
  for (int i = 0; i < count; ++i)
    Atoms.emplace(names[i], atoms[i]);
}

std::string TX11Desktop::TImpl::XSettingsSelection() const { return "_XSETTINGS_S" + std::to_string(Screen); }

// Only typing needs the input method, and opening it reads the locale's tables and compose files: a
// window that is only clicked never pays for them. The key that opens it is filtered like every
// later one.
void TX11Desktop::TImpl::OpenInputMethod() {
  if (ImTried)
    return;
  ImTried = true;
  XSetLocaleModifiers("");
  Im = XOpenIM(Dpy, nullptr, nullptr, nullptr);
  if (!Im) {
    XSetLocaleModifiers("@im=none");
    Im = XOpenIM(Dpy, nullptr, nullptr, nullptr);
  }
  for (TX11Window* w : Windows)
    w->CreateIc();
}

TX11Window* TX11Desktop::TImpl::Find(Window W) const {
  for (TX11Window* w : Windows)
    if (w->Xid() == W)
      return w;
  return nullptr;
}

void TX11Desktop::TImpl::GiveFocus(Window W, Time When) {
  XSetInputFocus(Dpy, W, RevertToParent, When);
  FocusGiven.push_back(W);
  if (FocusGiven.size() > kPendingLimit)
    FocusGiven.erase(FocusGiven.begin());
}

Cursor TX11Desktop::TImpl::CursorOf(int Id) {
  auto it = Cursors.find(Id);
  if (it != Cursors.end())
    return it->second;
  const Cursor c = XCreateFontCursor(Dpy, CursorFontShapeOf(Id));
  Cursors.emplace(Id, c);
  return c;
}

// The server is asked about MIT-SHM when a frame first could use it.
bool TX11Desktop::TImpl::ShmAvailable() {
  if (ShmWanted && !ShmAsked && !Lost) {
    ShmAsked = true;
    int major = 0, minor = 0;
    Bool pixmaps = False;
    Shm = XShmQueryVersion(Dpy, &major, &minor, &pixmaps);
  }
  return Shm;
}

void TX11Desktop::TImpl::ShowCursors() {
  CursorsShown = true;
  if (Lost)
    return;
  const Cursor c = CursorOf(CursorId);
  for (TX11Window* w : Windows)
    XDefineCursor(Dpy, w->Xid(), c);
  XFlush(Dpy);
}

void TX11Desktop::TImpl::SendRootMessage(Window W, Atom Type, long D0, long D1, long D2, long D3, long D4) {
  XEvent e = MakeClientMessage(W, Type, {D0, D1, D2, D3, D4});
  XSendEvent(Dpy, Root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

// A window manager announces itself with _NET_SUPPORTING_WM_CHECK on the root, naming a window that
// names itself the same way; a stale property left by one that died does not count.
void TX11Desktop::TImpl::DetectWindowManager() {
  auto readWindow = [this](Window Of) -> Window {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window w = 0;
    if (XGetWindowProperty(Dpy, Of, A("_NET_SUPPORTING_WM_CHECK"), 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &after, &data) == Success &&
        data && count == 1 && format == 32)
      w = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    if (data)
      XFree(data);
    return w;
  };
  const Window check = readWindow(Root);
  Wm = check != 0 && readWindow(check) == check;
  WmMoveResize = false;
  WmMaximize = false;
  WmActivate = false;
  if (!Wm)
    return;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(Dpy, Root, A("_NET_SUPPORTED"), 0, 4096, False, XA_ATOM, &type, &format, &count, &after,
                         &data) == Success &&
      data && format == 32) {
    const auto* atoms = reinterpret_cast<const unsigned long*>(data);
    auto supported = [&](const char* Name) { return std::find(atoms, atoms + count, A(Name)) != atoms + count; };
    WmMoveResize = supported("_NET_WM_MOVERESIZE");
    WmMaximize = supported("_NET_WM_STATE_MAXIMIZED_VERT") && supported("_NET_WM_STATE_MAXIMIZED_HORZ");
    WmActivate = supported("_NET_ACTIVE_WINDOW");
  }
  if (data)
    XFree(data);
}

std::optional<std::vector<std::uint8_t>> TX11Desktop::TImpl::ReadXSettingsProperty(std::string& Why) {
  Why.clear();
  // The one question a start without GDK_SCALE asks: whether a settings manager runs.
  const Window manager = XGetSelectionOwner(Dpy, A(XSettingsSelection().c_str()));
  if (manager == None)
    return std::nullopt;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  // A manager that ends meanwhile leaves a protocol error (ignored) and no property.
  const int status = XGetWindowProperty(Dpy, manager, A("_XSETTINGS_SETTINGS"), 0, MaxXSettingsBytes / 4, False,
                                        AnyPropertyType, &type, &format, &count, &after, &data);
  std::optional<std::vector<std::uint8_t>> bytes;
  // No property is no settings published (yet): nothing to say about them.
  if (status == Success && data && type != None) {
    if (format != 8)
      Why = "the settings manager publishes its settings in items of " + std::to_string(format) + " bits, not bytes";
    else if (after > 0)
      Why = "the settings manager publishes more than " + std::to_string(MaxXSettingsBytes) + " bytes of settings";
    else
      bytes.emplace(data, data + count);
  }
  if (data)
    XFree(data);
  return bytes;
}

double TX11Desktop::TImpl::ReadDesktopScale() {
  std::string why;
  auto complain = [&why] {
    if (!why.empty())
      ReportLine(why + "; ignored");
  };
  if (const char* variable = std::getenv("GDK_SCALE"); variable && *variable) {
    if (const std::optional<double> scale = ScaleFromGdkScaleVariable(variable, why))
      return *scale;
    complain();
  }
  if (const std::optional<std::vector<std::uint8_t>> bytes = ReadXSettingsProperty(why)) {
    if (const std::optional<std::vector<TXSetting>> settings = ParseXSettings(*bytes, why)) {
      if (const std::optional<double> scale = ScaleFromXSettings(*settings, why))
        return *scale;
    } else {
      why = "the settings manager's settings are malformed (" + why + ")";
    }
  }
  complain();
  // The resources the desktop loaded into the server (xrdb), which Xlib read as the display opened.
  if (const char* resources = XResourceManagerString(Dpy)) {
    XrmInitialize();
    if (XrmDatabase db = XrmGetStringDatabase(resources)) {
      char* type = nullptr;
      XrmValue value{};
      std::optional<double> scale;
      if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
        scale = ScaleFromXftDpi({value.addr, strnlen(value.addr, value.size)}, why);
        complain();
      }
      XrmDestroyDatabase(db);
      if (scale)
        return *scale;
    }
  }
  return 1.0;
}

std::vector<TMonitor> TX11Desktop::TImpl::ReadMonitors() const {
  auto* self = const_cast<TImpl*>(this);
  const TRect screen = Rect(0, 0, DisplayWidth(Dpy, Screen), DisplayHeight(Dpy, Screen));
  std::vector<TRect> crtcs;
  int primary = -1;
  if (RandREvent >= 0) {
    if (XRRScreenResources* res = XRRGetScreenResourcesCurrent(Dpy, Root)) {
      RRCrtc primaryCrtc = 0;
      const RROutput primaryOutput = XRRGetOutputPrimary(Dpy, Root);
      if (primaryOutput)
        if (XRROutputInfo* out = XRRGetOutputInfo(Dpy, res, primaryOutput)) {
          primaryCrtc = out->crtc;
          XRRFreeOutputInfo(out);
        }
      for (int i = 0; i < res->ncrtc; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(Dpy, res, res->crtcs[i]);
        if (!info)
          continue;
        if (info->mode != None && info->noutput > 0) {
          if (res->crtcs[i] == primaryCrtc)
            primary = static_cast<int>(crtcs.size());
          crtcs.push_back(Bounds(info->x, info->y, static_cast<int>(info->width), static_cast<int>(info->height)));
        }
        XRRFreeCrtcInfo(info);
      }
      XRRFreeScreenResources(res);
    }
  }
  // The work area of the current desktop, when a window manager publishes one.
  std::optional<TRect> work;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long desktop = 0;
  if (XGetWindowProperty(Dpy, Root, self->A("_NET_CURRENT_DESKTOP"), 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      data && count == 1 && format == 32)
    desktop = *reinterpret_cast<long*>(data);
  if (data)
    XFree(data);
  data = nullptr;
  if (XGetWindowProperty(Dpy, Root, self->A("_NET_WORKAREA"), 0, 4096, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data && format == 32)
    work = WorkAreaFromProperty({reinterpret_cast<const long*>(data), count}, desktop);
  if (data)
    XFree(data);
  std::vector<TMonitor> monitors = MonitorsFrom(crtcs, primary, screen, work);
  // One scale for the whole screen: X has no density of its own per monitor.
  for (TMonitor& m : monitors)
    m.Scale = Scale;
  return monitors;
}

void TX11Desktop::TImpl::HandleButton(TX11Window& W, const XButtonEvent& E) {
  const bool press = E.type == ButtonPress;
  if (E.button == Button4 || E.button == Button5) {
    // Wheel turns come as presses of buttons 4 (away from the user) and 5; the layer takes them as
    // WM_MOUSEWHEEL to the focused window, as the platform sends it.
    if (!press)
      return;
    const short delta = E.button == Button4 ? 120 : -120;
    WPARAM keys = 0;
    if (E.state & ShiftMask)
      keys |= MK_SHIFT;
    if (E.state & ControlMask)
      keys |= MK_CONTROL;
    if (E.state & Button1Mask)
      keys |= MK_LBUTTON;
    if (E.state & Button3Mask)
      keys |= MK_RBUTTON;
    HWND target = GetFocus() ? GetFocus() : W.Handle();
    const auto wparam = static_cast<WPARAM>(static_cast<std::uint32_t>(MAKELPARAM(static_cast<int>(keys), delta)));
    const TPoint at = ScreenPointInUnits({E.x_root, E.y_root});
    PostMessage(target, WM_MOUSEWHEEL, wparam, MAKELPARAM(at.X, at.Y));
    Reported = true;
    return;
  }
  if (E.button != Button1 && E.button != Button2 && E.button != Button3)
    return;
  if (press && !Wm && W.Kind() != TWindowKind::Menu)
    GiveFocus(W.Xid(), E.time);
  PostInputEvent({press ? TInputKind::MouseDown : TInputKind::MouseUp, W.Handle(), {E.x, E.y}, ButtonOf(E.button), 0, 0});
  Reported = true;
}

void TX11Desktop::TImpl::HandleKey(TX11Window& W, XKeyEvent& E) {
  const bool press = E.type == KeyPress;
  if (!press && XEventsQueued(Dpy, QueuedAfterReading)) {
    // A held key repeats as release and press at the same moment: the key stays down.
    XEvent next;
    XPeekEvent(Dpy, &next);
    if (next.type == KeyPress && next.xkey.keycode == E.keycode && next.xkey.time == E.time)
      return;
  }
  KeySym base = XLookupKeysym(&E, 0);
  WORD vk = VirtualKeyOfKeysym(base);
  if (!press) {
    if (vk) {
      PostInputEvent({TInputKind::KeyUp, nullptr, {}, TInputButton::Left, vk, 0});
      Reported = true;
    }
    return;
  }
  char buffer[64];
  KeySym sym = NoSymbol;
  std::string text;
  if (W.Ic()) {
    Status status = 0;
    int n = Xutf8LookupString(W.Ic(), &E, buffer, sizeof buffer - 1, &sym, &status);
    if (status == XBufferOverflow) {
      std::vector<char> big(static_cast<std::size_t>(n) + 1);
      n = Xutf8LookupString(W.Ic(), &E, big.data(), n, &sym, &status);
      text.assign(big.data(), static_cast<std::size_t>(std::max(n, 0)));
    } else if (status == XLookupChars || status == XLookupBoth) {
      text.assign(buffer, static_cast<std::size_t>(std::max(n, 0)));
    }
    // An input method of a locale that cannot spell the character still names its key symbol.
    if (text.empty() && (status == XLookupKeySym || status == XLookupBoth))
      if (const char32_t c = CharOfKeysym(sym))
        text = EncodeUtf8(std::u32string(1, c));
  } else {
    XLookupString(&E, buffer, sizeof buffer - 1, &sym, nullptr);
    if (const char32_t c = CharOfKeysym(sym))
      text = EncodeUtf8(std::u32string(1, c));
  }
  if (!vk)
    vk = VirtualKeyOfKeysym(sym);
  if (vk) {
    PostInputEvent({TInputKind::KeyDown, nullptr, {}, TInputButton::Left, vk, 0});
    Reported = true;
  }
  if (const char32_t control = ControlCharOf(vk, (E.state & ControlMask) != 0)) {
    PostInputEvent({TInputKind::Char, nullptr, {}, TInputButton::Left, 0, control});
    Reported = true;
    return;
  }
  for (char32_t c : DecodeUtf8(text))
    if (c >= 0x20 && c != 0x7F) {
      PostInputEvent({TInputKind::Char, nullptr, {}, TInputButton::Left, 0, c});
      Reported = true;
    }
}

void TX11Desktop::TImpl::HandleInstance(const XEvent& E) {
  if (E.type == ClientMessage && E.xclient.message_type == InstanceSelection && E.xclient.format == 32 &&
      E.xclient.data.l[0] == kFrontRequest) {
    // The layer hears of it after the drain, as of a display change.
    FrontRequested = true;
    Reported = true;
  } else if (E.type == SelectionRequest) {
    // The selection holds no data; a client asking for some is told so rather than left waiting.
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = E.xselectionrequest.requestor;
    reply.xselection.selection = E.xselectionrequest.selection;
    reply.xselection.target = E.xselectionrequest.target;
    reply.xselection.property = None;
    reply.xselection.time = E.xselectionrequest.time;
    XSendEvent(Dpy, E.xselectionrequest.requestor, False, NoEventMask, &reply);
  }
}

void TX11Desktop::TImpl::FollowDrag(TPoint RootPos) {
  const TDrag& d = *Drag;
  const TRect r = MoveSizeBounds(d.Hit, d.StartBounds, RootPos.X - d.Start.X, RootPos.Y - d.Start.Y, d.Limits);
  Reported = true;
  HostBoundsChanged(d.Host->Handle(), r);
}

void TX11Desktop::TImpl::EndDrag(bool ReleaseSeen) {
  const HWND w = Drag->Host->Handle();
  Drag.reset();
  XUngrabPointer(Dpy, CurrentTime);
  XFlush(Dpy);
  // The move loop takes the release: no window hears of it, but the button is up.
  if (ReleaseSeen)
    PostInputEvent({TInputKind::MouseUp, nullptr, {}, TInputButton::Left, 0, 0});
  Reported = true;
  HostMoveSizeEnded(w);
}

void TX11Desktop::TImpl::EndWmMoveSize() {
  const HWND w = WmMoveSize->Handle();
  WmMoveSize = nullptr;
  PostInputEvent({TInputKind::MouseUp, nullptr, {}, TInputButton::Left, 0, 0});
  Reported = true;
  HostMoveSizeEnded(w);
}

void TX11Desktop::TImpl::Handle(XEvent& E) {
  if (E.type == KeyPress && !ImTried) {
    OpenInputMethod();
    // The key went to a window that has the keyboard: its new context has the focus too.
    if (TX11Window* w = Find(E.xkey.window); w && w->Ic())
      XSetICFocus(w->Ic());
  }
  if (XFilterEvent(&E, None))
    return;
  if (E.type == MappingNotify) {
    // Another client changed the keyboard map (xdotool does for characters without a key).
    XRefreshKeyboardMapping(&E.xmapping);
    return;
  }
  if (RandREvent >= 0 && (E.type == RandREvent + RRScreenChangeNotify ||
                          (E.type == RandREvent + RRNotify &&
                           (reinterpret_cast<XRRNotifyEvent&>(E).subtype == RRNotify_CrtcChange ||
                            reinterpret_cast<XRRNotifyEvent&>(E).subtype == RRNotify_OutputChange)))) {
    // A monitor came, went or was turned on, or a mode changed: any of them may have reset the
    // gamma. The layer hears of a burst of these once, after the drain.
    XRRUpdateConfiguration(&E);
    MonitorsDirty = true;
    DisplaysChanged = true;
    Reported = true;
    return;
  }
  if (E.type == PropertyNotify && E.xproperty.window == Root) {
    if (E.xproperty.atom == A("_NET_WORKAREA") || E.xproperty.atom == A("_NET_CURRENT_DESKTOP")) {
      MonitorsDirty = true;
      Reported = true; // the wait ends, so a loop that asks for the work area sees the new one
    }
    else if (E.xproperty.atom == A("_NET_SUPPORTING_WM_CHECK") || E.xproperty.atom == A("_NET_SUPPORTED"))
      DetectWindowManager();
    return;
  }
  if (InstanceOwner && E.xany.window == InstanceOwner) {
    HandleInstance(E);
    return;
  }
  TX11Window* w = Find(E.xany.window);
  if (!w)
    return;
  // A window manager's move/resize ends when we hear from the pointer again with the button up, or
  // the manager lets go of its grab. Motion with the button still down was sent before the manager
  // took the pointer.
  if (WmMoveSize && (E.type == ButtonRelease || (E.type == MotionNotify && !(E.xmotion.state & Button1Mask)) ||
                     (E.type == EnterNotify &&
                      (E.xcrossing.mode == NotifyUngrab || !(E.xcrossing.state & Button1Mask))) ||
                     (E.type == FocusIn && E.xfocus.mode == NotifyUngrab)))
    EndWmMoveSize();
  switch (E.type) {
  case Expose:
    HostExposed(w->Handle(), Bounds(E.xexpose.x, E.xexpose.y, E.xexpose.width, E.xexpose.height));
    break;
  case ConfigureNotify:
    w->Configured(E.xconfigure);
    break;
  case ReparentNotify:
    w->ParentChanged(E.xreparent.parent);
    break;
  case DestroyNotify:
    // Our own windows leave the list before we destroy them, so this is another client's doing
    // (xdotool windowclose, a tool that kills windows): the program cannot go on without it.
    if (E.xdestroywindow.window == w->Xid()) {
      w->Vanished();
      EndProgram(std::string("another program destroyed the window on the X server ") + DisplayString(Dpy));
    }
    break;
  case MapNotify:
    w->MapChanged(true);
    break;
  case UnmapNotify:
    w->MapChanged(false);
    break;
  case ClientMessage:
    if (E.xclient.message_type == A("WM_PROTOCOLS")) {
      const Atom what = static_cast<Atom>(E.xclient.data.l[0]);
      if (what == A("WM_DELETE_WINDOW")) {
        Reported = true;
        HostCloseRequested(w->Handle());
      } else if (what == A("_NET_WM_PING")) {
        E.xclient.window = Root;
        XSendEvent(Dpy, Root, False, SubstructureRedirectMask | SubstructureNotifyMask, &E);
      }
    }
    break;
  case FocusIn:
    if (E.xfocus.detail == NotifyPointer || E.xfocus.detail == NotifyInferior)
      break;
    FocusLeft = false;
    if (w->Ic())
      XSetICFocus(w->Ic());
    if (auto given = std::find(FocusGiven.begin(), FocusGiven.end(), w->Xid()); given != FocusGiven.end()) {
      FocusGiven.erase(FocusGiven.begin(), given + 1);
      break;
    }
    if (w->Kind() != TWindowKind::Menu && GetActiveWindow() != w->Handle()) {
      Reported = true;
      HostActivated(w->Handle());
    }
    break;
  case FocusOut:
    if (E.xfocus.detail == NotifyPointer || E.xfocus.detail == NotifyInferior || E.xfocus.mode == NotifyGrab ||
        E.xfocus.mode == NotifyUngrab)
      break;
    if (w->Ic())
      XUnsetICFocus(w->Ic());
    FocusLeft = true;
    break;
  case MotionNotify: {
    LastPointer = {E.xmotion.x_root, E.xmotion.y_root};
    // Only the newest position of a burst matters.
    XEvent next;
    if (XEventsQueued(Dpy, QueuedAlready) && (XPeekEvent(Dpy, &next), next.type == MotionNotify) &&
        next.xmotion.window == E.xmotion.window)
      break;
    if (Drag) {
      FollowDrag(LastPointer);
      break;
    }
    PostInputEvent({TInputKind::MouseMove, w->Handle(), {E.xmotion.x, E.xmotion.y}, TInputButton::Left, 0, 0});
    Reported = true;
    break;
  }
  case LeaveNotify:
    // The pointer left for a window not ours: a move outside our bounds tells the layer.
    if (!Drag && E.xcrossing.mode == NotifyNormal &&
        !(E.xcrossing.state & (Button1Mask | Button2Mask | Button3Mask))) {
      PostInputEvent({TInputKind::MouseMove, w->Handle(), {E.xcrossing.x, E.xcrossing.y}, TInputButton::Left, 0, 0});
      Reported = true;
    }
    break;
  case ButtonPress:
  case ButtonRelease:
    LastPointer = {E.xbutton.x_root, E.xbutton.y_root};
    if (E.xbutton.button == Button1) {
      PressHeld = E.type == ButtonPress;
      (PressHeld ? PressAt : ReleaseAt) = LastPointer;
      if (PressHeld)
        PressWindow = E.xbutton.window;
    }
    if (Drag) {
      if (E.type == ButtonRelease && E.xbutton.button == Button1) {
        FollowDrag(LastPointer);
        EndDrag(true);
      }
      break;
    }
    HandleButton(*w, E.xbutton);
    break;
  case KeyPress:
  case KeyRelease:
    if (Drag && E.type == KeyPress && XLookupKeysym(&E.xkey, 0) == XK_Escape) {
      // Escape puts the window back where the drag started.
      HostBoundsChanged(Drag->Host->Handle(), Drag->StartBounds);
      EndDrag(false);
      break;
    }
    HandleKey(*w, E.xkey);
    break;
  default:
    break;
  }
}

void TX11Desktop::TImpl::Drain() {
  while (!Lost && XPending(Dpy) > 0) {
    XEvent e;
    XNextEvent(Dpy, &e);
    Handle(e);
    if (Lost)
      break;
  }
  if (!Lost && DisplaysChanged) {
    DisplaysChanged = false;
    HostDisplayChanged();
  }
  if (!Lost && FrontRequested) {
    FrontRequested = false;
    HostFrontRequested();
  }
  if (!Lost && FocusLeft) {
    FocusLeft = false;
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(Dpy, &focus, &revert);
    if (!Find(focus)) {
      Reported = true;
      HostAppDeactivated();
    }
  }
}

// While the layer holds the capture the pointer is ours, so that a press outside every window of
// ours (a click away from an open menu) still reaches the capturing window.
void TX11Desktop::TImpl::FollowCapture() {
  if (Drag || WmMoveSize || InputGrab)
    return;
  TX11Window* want = nullptr;
  if (const HWND capture = GetCapture())
    want = Find(Owner->NativeWindow(GetAncestor(capture, GA_ROOT)));
  if (want && !want->Mapped())
    want = nullptr;
  if (want == CaptureGrab)
    return;
  CaptureGrab = nullptr;
  if (!want) {
    XUngrabPointer(Dpy, CurrentTime);
    return;
  }
  const unsigned events = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  if (XGrabPointer(Dpy, want->Xid(), True, events, GrabModeAsync, GrabModeAsync, None, None, CurrentTime) ==
      GrabSuccess)
    CaptureGrab = want;
}

// The input grab of an open menu: the pointer and the keyboard, with events over our own windows
// still reported to them. A window that is not viewable yet, or a grab another client holds for a
// moment (a window manager right after a click), is tried again on the next round of events.
void TX11Desktop::TImpl::FollowInputGrab() {
  if (!InputGrab || InputGrabHeld || Lost || Drag || WmMoveSize || !InputGrab->Mapped())
    return;
  const unsigned events = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  const Window w = InputGrab->Xid();
  const bool pointer =
      XGrabPointer(Dpy, w, True, events, GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
  const bool keyboard = pointer && XGrabKeyboard(Dpy, w, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
  if (pointer && !keyboard)
    XUngrabPointer(Dpy, CurrentTime);
  InputGrabHeld = pointer && keyboard;
  if (InputGrabHeld)
    CaptureGrab = nullptr; // the input grab holds the pointer now
  XFlush(Dpy);
}

void TX11Desktop::TImpl::DropInputGrab() {
  const bool held = InputGrabHeld;
  InputGrab = nullptr;
  InputGrabHeld = false;
  if (held && !Lost) {
    XUngrabKeyboard(Dpy, CurrentTime);
    XUngrabPointer(Dpy, CurrentTime);
    XFlush(Dpy);
  }
}

void TX11Desktop::TImpl::EndProgram(const std::string& Why) {
  Reported = true;
  if (QuitPosted)
    return;
  QuitPosted = true;
  ReportLine(Why + "; ending");
  PostQuitMessage(1);
}

void TX11Desktop::TImpl::MarkLost() {
  Lost = true;
  Drag.reset();
  WmMoveSize = nullptr;
  EndProgram(std::string("the connection to the X server ") + DisplayString(Dpy) + " was lost");
}

namespace {

// Called by Xlib after the connection broke (the server ended or dropped us). Returning (instead of
// Xlib's exit) leaves the connection marked dead; we stop using it and let the program end through
// its message loop, destructors and all.
void ConnectionBroke(Display*, void* Data) { static_cast<TX11Desktop::TImpl*>(Data)->MarkLost(); }

} // namespace

std::unique_ptr<TX11Desktop> TX11Desktop::Open(const char* DisplayName, std::string& Why, TX11Options Options) {
  Display* dpy = OpenX11Display(DisplayName, Why);
  if (!dpy)
    return nullptr;
  auto impl = std::make_unique<TImpl>();
  TImpl& f = *impl;
  f.Dpy = dpy;
  f.Screen = DefaultScreen(dpy);
  f.Root = RootWindow(dpy, f.Screen);
  f.Vis = DefaultVisual(dpy, f.Screen);
  f.Depth = DefaultDepth(dpy, f.Screen);
  f.Cmap = DefaultColormap(dpy, f.Screen);
  XVisualInfo wanted{};
  wanted.visualid = XVisualIDFromVisual(f.Vis);
  int found = 0;
  if (XVisualInfo* info = XGetVisualInfo(dpy, VisualIDMask, &wanted, &found)) {
    f.NativeLayout = info->c_class == TrueColor && info->red_mask == 0xFF0000 && info->green_mask == 0xFF00 &&
                     info->blue_mask == 0xFF && (f.Depth == 24 || f.Depth == 32) && ImageByteOrder(dpy) == LSBFirst;
    XFree(info);
  }
  // A write to a server that went away must end in the I/O error path, not kill us with SIGPIPE.
  struct sigaction old {};
  sigaction(SIGPIPE, nullptr, &old);
  if (old.sa_handler == SIG_DFL)
    signal(SIGPIPE, SIG_IGN);
  XSetErrorHandler(IgnoreError);
  XSetIOErrorHandler(QuietIOError);
  XSetIOErrorExitHandler(dpy, ConnectionBroke, impl.get());

  f.InternKnownAtoms();
  f.Scale = f.ReadDesktopScale();

  f.ShmWanted = Options.UseShm;
  f.ShmMinPixels = Options.ShmMinPixels;
  int eventBase = 0, errorBase = 0;
  f.Shape = XShapeQueryExtension(dpy, &eventBase, &errorBase);
  if (XRRQueryExtension(dpy, &eventBase, &errorBase)) {
    f.RandREvent = eventBase;
    XRRSelectInput(dpy, f.Root, RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  }
  XSelectInput(dpy, f.Root, PropertyChangeMask);
  f.DetectWindowManager();

  std::unique_ptr<TX11Desktop> desktop(new TX11Desktop(std::move(impl)));
  TImpl& d = *desktop->F;
  d.Owner = desktop.get();
  d.MessageBox = std::make_unique<TX11MessageBox>(*desktop);
  d.Opener = std::make_unique<TX11AddressOpener>();
  InstallDesktopServices(*desktop, *desktop, *d.MessageBox, *d.Opener);
  StartupMark("X display open");
  return desktop;
}

TX11Desktop::TX11Desktop(std::unique_ptr<TImpl> Impl) : F(std::move(Impl)) {}

TX11Desktop::~TX11Desktop() {
  while (!F->Windows.empty()) {
    const HWND w = F->Windows.front()->Handle();
    DestroyWindow(w);
    if (!F->Windows.empty() && F->Windows.front()->Handle() == w)
      break; // not the layer's window any more; nothing else can free it
  }
  RemoveDesktopServices();
  if (!F->Lost) {
    for (auto& [id, cursor] : F->Cursors)
      XFreeCursor(F->Dpy, cursor);
    if (F->Im)
      XCloseIM(F->Im);
  }
  XCloseDisplay(F->Dpy);
}

std::unique_ptr<TWindowHost> TX11Desktop::CreateHost(HWND Window, TWindowKind Kind, const TRect& Bounds) {
  unsigned long owner = 0;
  if (F->DialogNext) {
    Kind = TWindowKind::Dialog;
    owner = NativeWindow(F->DialogOwner ? GetAncestor(F->DialogOwner, GA_ROOT) : nullptr);
    F->DialogNext = false;
  }
  auto host = std::make_unique<TX11Window>(*F, Window, Kind, Bounds, owner);
  F->Windows.push_back(host.get());
  return host;
}

void TX11Desktop::Restack(const std::vector<TWindowHost*>& TopToBottom) {
  if (F->Lost)
    return;
  std::vector<::Window> order;
  for (TWindowHost* h : TopToBottom)
    if (auto it = std::find(F->Windows.begin(), F->Windows.end(), h); it != F->Windows.end())
      order.push_back((*it)->Xid());
  if (order.empty())
    return;
  if (F->Wm)
    XRaiseWindow(F->Dpy, order.front()); // framed windows are no siblings; the manager restacks
  else
    XRestackWindows(F->Dpy, order.data(), static_cast<int>(order.size()));
  XFlush(F->Dpy);
}

std::vector<TMonitor> TX11Desktop::Monitors() const {
  if (F->Lost)
    return F->MonitorCache.empty() ? std::vector<TMonitor>{{Rect(0, 0, 1024, 768), Rect(0, 0, 1024, 768), F->Scale}}
                                   : F->MonitorCache;
  if (F->MonitorsDirty) {
    F->MonitorCache = F->ReadMonitors();
    F->MonitorsDirty = false;
  }
  return F->MonitorCache;
}

TPoint TX11Desktop::CursorPos() const {
  if (F->Lost)
    return F->LastPointer;
  ::Window root = 0, child = 0;
  int x = 0, y = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  if (XQueryPointer(F->Dpy, F->Root, &root, &child, &x, &y, &wx, &wy, &mask))
    F->LastPointer = {x, y};
  return F->LastPointer;
}

void TX11Desktop::SetCursorShape(int CursorId) {
  F->CursorId = CursorId;
  if (F->CursorsShown)
    F->ShowCursors();
}

// The desktop's default sans font as fontconfig gives it, at its size on a 96-dpi screen; without
// an answer, the platform's own menu font, which the text engine substitutes like any other.
LOGFONT TX11Desktop::MenuFont() const {
  LOGFONT font;
  std::string family;
  double points = 0;
  if (DefaultSansFont(family, points)) {
    font.lfHeight = -static_cast<LONG>(std::lround(points * ScreenPixelsPerInch / 72.0));
    font.lfWeight = 400;
    font.lfCharSet = DEFAULT_CHARSET;
    SetFaceName(font, family);
    return font;
  }
  font.lfHeight = -12;
  font.lfWeight = 400;
  font.lfCharSet = 136; // the Traditional Chinese character set
  std::strcpy(font.lfFaceName, "\xE6\x96\xB0\xE7\xB4\xB0\xE6\x98\x8E\xE9\xAB\x94");
  return font;
}

TInstanceClaim TX11Desktop::ClaimInstance(const std::string& Program) {
  TImpl& f = *F;
  if (f.Lost)
    return TInstanceClaim::Claimed; // no server to ask; the program ends through its loop anyway
  std::string name = "_";
  for (char c : Program)
    name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  name += "_S" + std::to_string(f.Screen);
  const Atom selection = f.A(name.c_str());
  if (f.InstanceOwner && selection == f.InstanceSelection) {
    // This desktop holds the claim already: the second start is this process's own.
    HostFrontRequested();
    return TInstanceClaim::Running;
  }
  // A holder may end between the question and the request to it; then it is asked again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    // Two starts at the same moment: the server serves no one else while one of them looks and
    // takes, so exactly one finds the selection free. The question is the one round trip.
    XGrabServer(f.Dpy);
    const Window owner = XGetSelectionOwner(f.Dpy, selection);
    if (owner == None) {
      if (!f.InstanceOwner)
        f.InstanceOwner = XCreateWindow(f.Dpy, f.Root, -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, 0, nullptr);
      XSetSelectionOwner(f.Dpy, selection, f.InstanceOwner, CurrentTime);
      XUngrabServer(f.Dpy);
      XFlush(f.Dpy);
      f.InstanceSelection = selection;
      return TInstanceClaim::Claimed;
    }
    XUngrabServer(f.Dpy);
    XEvent e = MakeClientMessage(owner, selection, {kFrontRequest, 0, 0, 0, 0});
    const unsigned long serial = NextRequest(f.Dpy);
    // No event mask: the event goes to the client that made the window, the holder.
    XSendEvent(f.Dpy, owner, False, NoEventMask, &e);
    XSync(f.Dpy, False);
    if (gErrorDisplay != f.Dpy || gErrorSerial != serial)
      return TInstanceClaim::Running;
  }
  // Holders that keep ending as they are asked: this start runs rather than leave the user nothing.
  return TInstanceClaim::Claimed;
}

long long TX11Desktop::Now() const { return MonotonicMs(); }

void TX11Desktop::WaitForEvents(long long Until) {
  TImpl& f = *F;
  for (;;) {
    if (f.Lost) {
      f.MarkLost();
      if (Until >= 0 && Until > Now())
        poll(nullptr, 0, static_cast<int>(std::min(Until - Now(), 60000LL)));
      return;
    }
    f.Reported = false;
    if (!f.CursorsShown && f.FirstPresent >= 0)
      f.ShowCursors();
    f.Opener->Reap();
    f.Drain();
    if (f.Lost)
      continue;
    f.FollowInputGrab();
    f.FollowCapture();
    if (f.Reported)
      return;
    const long long now = Now();
    if (Until >= 0 && now >= Until)
      return;
    // A round trip since the drain (a grab, the focus query) may have read events off the
    // connection: they wait in the queue, and the socket would not wake the poll for them.
    if (XEventsQueued(f.Dpy, QueuedAlready) > 0)
      continue;
    XFlush(f.Dpy);
    std::erase_if(f.Watches, [](const std::weak_ptr<TDescriptorWatch>& W) { return W.expired(); });
    std::vector<pollfd> fds = {{ConnectionNumber(f.Dpy), POLLIN, 0}, {f.Opener->WakeDescriptor(), POLLIN, 0}};
    std::vector<std::shared_ptr<TDescriptorWatch>> watched;
    for (const std::weak_ptr<TDescriptorWatch>& w : f.Watches)
      if (auto watch = w.lock(); watch && watch->Descriptor() >= 0) {
        fds.push_back({watch->Descriptor(), watch->Events(), 0});
        watched.push_back(std::move(watch));
      }
    const int timeout = Until < 0 ? -1 : static_cast<int>(std::min(Until - now, 60000LL));
    // A negative descriptor (no opener running) is skipped by poll.
    if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
      return;
    for (std::size_t i = 0; i < watched.size(); ++i)
      if (fds[i + 2].revents)
        watched[i]->Ready(fds[i + 2].revents);
    if (fds[0].revents)
      XEventsQueued(f.Dpy, QueuedAfterReading);
  }
}

void TX11Desktop::Watch(std::weak_ptr<TDescriptorWatch> W) { F->Watches.push_back(std::move(W)); }

void TX11Desktop::ExpectDialog(HWND Owner) {
  F->DialogNext = true;
  F->DialogOwner = Owner;
}

bool TX11Desktop::UsesShm() const { return F->ShmAvailable(); }
bool TX11Desktop::InputMethodOpen() const { return F->Im != nullptr; }
bool TX11Desktop::WindowManagerRunning() const { return F->Wm; }
bool TX11Desktop::ConnectionLost() const { return F->Lost; }
bool TX11Desktop::MoveSizeActive() const { return F->Drag.has_value() || F->WmMoveSize; }
bool TX11Desktop::InputGrabHeld() const { return F->InputGrabHeld; }
long long TX11Desktop::FirstPresentTime() const { return F->FirstPresent; }
TX11MessageBox& TX11Desktop::MessageBoxes() { return *F->MessageBox; }
TX11AddressOpener& TX11Desktop::AddressOpener() { return *F->Opener; }

unsigned long TX11Desktop::NativeWindow(HWND Window) const {
  for (TX11Window* w : F->Windows)
    if (w->Handle() == Window)
      return w->Xid();
  return 0;
}

void TX11Desktop::Sync() {
  if (!F->Lost)
    XSync(F->Dpy, False);
}

TPixelBuffer TX11Desktop::Screenshot() const {
  const int width = DisplayWidth(F->Dpy, F->Screen);
  const int height = DisplayHeight(F->Dpy, F->Screen);
  TPixelBuffer shot(width, height);
  if (F->Lost)
    return shot;
  XImage* image = XGetImage(F->Dpy, F->Root, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                            AllPlanes, ZPixmap);
  if (!image)
    return shot;
  auto channel = [](unsigned long Pixel, unsigned long Mask) -> TPixel {
    if (!Mask)
      return 0;
    int shift = 0;
    while (!((Mask >> shift) & 1))
      ++shift;
    const unsigned long top = Mask >> shift;
    return static_cast<TPixel>(((Pixel & Mask) >> shift) * 255 / top);
  };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      shot.Set(x, y,
               (channel(p, image->red_mask) << 16) | (channel(p, image->green_mask) << 8) |
                   channel(p, image->blue_mask));
    }
  XDestroyImage(image);
  return shot;
}
