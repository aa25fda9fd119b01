#include "platform/backends/GammaSession.h"

#include "platform/backends/gnome/DisplayConfig.h"
#include "platform/backends/gnome/DisplayConfigGammaDevice.h"
#include "platform/backends/wayland/KeeperClient.h"
#include "platform/backends/wayland/WaylandProbe.h"
#include "platform/core/Report.h"

#include <algorithm>
#include <cstdlib>

TGammaSession ClassifyWaylandGamma(const std::string& WaylandDisplay, const std::vector<std::string>& Interfaces,
                                   const TDisplayConfigQuestion& DisplayConfigOnBus, const std::string& Desktop) {
  TGammaSession session;
  session.WaylandDisplay = WaylandDisplay;
  session.Desktop = OneLineText(Desktop, 64);
  auto offers = [&](const char* Interface) {
    return std::find(Interfaces.begin(), Interfaces.end(), Interface) != Interfaces.end();
  };
  if (offers("zwlr_gamma_control_manager_v1")) {
    session.Kind = TGammaSessionKind::WlrGammaControl;
    return session;
  }
  std::string why;
  if (DisplayConfigOnBus && DisplayConfigOnBus(why)) {
    session.Kind = TGammaSessionKind::GnomeDisplayConfig;
    return session;
  }
  session.Kind = TGammaSessionKind::Refused;
  const std::string desktop = session.Desktop.empty() ? "this Wayland desktop (XDG_CURRENT_DESKTOP is not set)"
                                                      : "the desktop \"" + session.Desktop + "\"";
  const std::string bus = why.empty() ? " and org.gnome.Mutter.DisplayConfig is not on the session bus"
                                      : ", and the session bus could not be asked for "
                                        "org.gnome.Mutter.DisplayConfig: " + why;
  session.Refusal = desktop + " lets no program set the gamma ramp (its compositor offers no "
                    "zwlr_gamma_control_manager_v1" + bus + "); use the desktop's own night-light or "
                    "colour-profile settings instead";
  return session;
}

TGammaSession ChooseGammaSession() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  if (display == nullptr || *display == '\0')
    return {};
  std::vector<TWaylandGlobal> globals;
  std::string why;
  if (!ProbeWaylandCompositor(display, globals, why)) {
    TGammaSession session;
    session.WaylandDisplay = display;
    session.Note = "WAYLAND_DISPLAY is set but " + why + "; the X server's gamma is used";
    return session;
  }
  std::vector<std::string> interfaces;
  for (TWaylandGlobal& g : globals)
    interfaces.push_back(std::move(g.Interface));
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  return ClassifyWaylandGamma(display, interfaces, DisplayConfigOnSessionBus, desktop ? desktop : "");
}

std::unique_ptr<TGammaDevice> OpenWaylandGammaDevice(const TGammaSession& Session,
                                                     std::weak_ptr<TDescriptorWatch>* Watch) {
  switch (Session.Kind) {
  case TGammaSessionKind::WlrGammaControl: {
    auto device = std::make_unique<TKeeperGammaDevice>(Session.WaylandDisplay, KeeperProgramBeside());
    if (Watch)
      *Watch = device->Watch();
    return device;
  }
  case TGammaSessionKind::GnomeDisplayConfig: {
    auto device = std::make_unique<TDisplayConfigGammaDevice>();
    if (Watch)
      *Watch = device->Watch();
    return device;
  }
  case TGammaSessionKind::Refused:
    return std::make_unique<TUnavailableGammaDevice>(Session.Refusal);
  case TGammaSessionKind::X11:
    break;
  }
  return nullptr;
}
