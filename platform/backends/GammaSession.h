#pragma once

#include "platform/backends/DescriptorWatch.h"
#include "platform/windows/GammaDevice.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Which display-gamma interface this session has, decided once from the environment: on a Wayland
// session the compositor's answer is what counts (its X compatibility server takes every ramp and
// shows none), so the window's X server is asked only when there is no compositor to ask.
enum class TGammaSessionKind {
  X11,                // no WAYLAND_DISPLAY (or it names no compositor that answers): the X server
  WlrGammaControl,    // the compositor offers zwlr_gamma_control_manager_v1: through the gamma keeper
  GnomeDisplayConfig, // no wlr gamma, but org.gnome.Mutter.DisplayConfig is on the session bus
  Refused,            // a compositor answered but offers no gamma interface we speak: Refusal says so
};

struct TGammaSession {
  TGammaSessionKind Kind = TGammaSessionKind::X11;
  std::string WaylandDisplay; // the compositor asked, when WAYLAND_DISPLAY is set
  std::string Desktop;        // XDG_CURRENT_DESKTOP, as far as it can be shown on one line
  std::string Refusal;        // Refused: why no ramp can be set
  std::string Note;           // X11 although WAYLAND_DISPLAY is set: why the compositor was not used
};

// Whether GNOME's display configuration service is on the session bus: false with Why empty when the
// bus says it is not, false with Why when the bus could not be asked.
using TDisplayConfigQuestion = std::function<bool(std::string& Why)>;

// What a compositor's globals (and, only when they offer no gamma, the session bus) mean for gamma.
// Each interface that can carry a ramp is one step of the decision, in the order they are preferred.
// Desktop is XDG_CURRENT_DESKTOP (empty when unset), which a refusal names.
TGammaSession ClassifyWaylandGamma(const std::string& WaylandDisplay, const std::vector<std::string>& Interfaces,
                                   const TDisplayConfigQuestion& DisplayConfigOnBus, const std::string& Desktop);

// Reads WAYLAND_DISPLAY and, when it is set, asks that compositor what it offers (one round trip on
// a connection of its own, no Wayland library); when the compositor offers no gamma control, asks the
// session bus for GNOME's service (loading libsystemd only then). Without WAYLAND_DISPLAY it does
// nothing at all.
TGammaSession ChooseGammaSession();

// The device of a Wayland session kind (WlrGammaControl, GnomeDisplayConfig, Refused); nullptr for
// X11, whose device the caller opens with its X display. Watch, when given, receives what the device needs the
// program's wait to watch (nothing for a device that answers at once).
std::unique_ptr<TGammaDevice> OpenWaylandGammaDevice(const TGammaSession& Session,
                                                     std::weak_ptr<TDescriptorWatch>* Watch = nullptr);
