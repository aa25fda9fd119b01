#include "platform/backends/GammaSession.h"

#include "platform/backends/wayland/KeeperClient.h"
#include "platform/backends/wayland/WaylandProbe.h"

#include <algorithm>
#include <cstdlib>

TGammaSession ClassifyWaylandGamma(const std::string& WaylandDisplay, const std::vector<std::string>& Interfaces) {
  TGammaSession session;
  session.WaylandDisplay = WaylandDisplay;
  auto offers = [&](const char* Interface) {
    return std::find(Interfaces.begin(), Interfaces.end(), Interface) != Interfaces.end();
  };
  if (offers("zwlr_gamma_control_manager_v1")) {
    session.Kind = TGammaSessionKind::WlrGammaControl;
    return session;
  }
  session.Kind = TGammaSessionKind::Refused;
  session.Refusal = "the Wayland compositor (WAYLAND_DISPLAY=" + WaylandDisplay +
                    ") offers no gamma control to programs (no zwlr_gamma_control_manager_v1)";
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
  return ClassifyWaylandGamma(display, interfaces);
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
  case TGammaSessionKind::Refused:
    return std::make_unique<TUnavailableGammaDevice>(Session.Refusal);
  case TGammaSessionKind::X11:
    break;
  }
  return nullptr;
}
