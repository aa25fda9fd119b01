#pragma once

#include "platform/backends/DescriptorWatch.h"
#include "platform/windows/GammaDevice.h"

#include <memory>
#include <string>
#include <vector>

// Which display-gamma interface this session has, decided once from the environment: on a Wayland
// session the compositor's answer is what counts (its X compatibility server takes every ramp and
// shows none), so the window's X server is asked only when there is no compositor to ask.
enum class TGammaSessionKind {
  X11,             // no WAYLAND_DISPLAY (or it names no compositor that answers): the X server
  WlrGammaControl, // the compositor offers zwlr_gamma_control_manager_v1: through the gamma keeper
  Refused,         // a compositor answered but offers no gamma interface we speak: Refusal says so
};

struct TGammaSession {
  TGammaSessionKind Kind = TGammaSessionKind::X11;
  std::string WaylandDisplay; // the compositor asked, when WAYLAND_DISPLAY is set
  std::string Refusal;        // Refused: why no ramp can be set
  std::string Note;           // X11 although WAYLAND_DISPLAY is set: why the compositor was not used
};

// What a compositor's globals mean for gamma. Each interface that can carry a ramp is one step of
// the decision, in the order they are preferred.
TGammaSession ClassifyWaylandGamma(const std::string& WaylandDisplay, const std::vector<std::string>& Interfaces);

// Reads WAYLAND_DISPLAY and, when it is set, asks that compositor what it offers (one round trip on
// a connection of its own, no Wayland library). Without WAYLAND_DISPLAY it does nothing at all.
TGammaSession ChooseGammaSession();

// The device of a Wayland session kind (WlrGammaControl, Refused); nullptr for X11, whose device
// the caller opens with its X display. Watch, when given, receives what the device needs the
// program's wait to watch (nothing for a device that answers at once).
std::unique_ptr<TGammaDevice> OpenWaylandGammaDevice(const TGammaSession& Session,
                                                     std::weak_ptr<TDescriptorWatch>* Watch = nullptr);
