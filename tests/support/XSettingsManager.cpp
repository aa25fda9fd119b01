#include "tests/support/XSettingsManager.h"

#include <X11/Xlib.h>

namespace {

void Put(std::vector<std::uint8_t>& Out, std::uint32_t Value, int Bytes, bool BigEndian) {
  for (int i = 0; i < Bytes; ++i) {
    const int shift = BigEndian ? 8 * (Bytes - 1 - i) : 8 * i;
    Out.push_back(static_cast<std::uint8_t>(Value >> shift));
  }
}

void PutPadded(std::vector<std::uint8_t>& Out, const std::string& Text) {
  Out.insert(Out.end(), Text.begin(), Text.end());
  Out.resize(Out.size() + (4 - Text.size() % 4) % 4, 0);
}

} // namespace

std::vector<std::uint8_t> EncodeXSettings(const std::vector<TXSetting>& Settings, bool BigEndian) {
  std::vector<std::uint8_t> out;
  Put(out, BigEndian ? 1 : 0, 1, BigEndian);
  Put(out, 0, 3, BigEndian);
  Put(out, 7, 4, BigEndian); // the manager's serial
  Put(out, static_cast<std::uint32_t>(Settings.size()), 4, BigEndian);
  for (const TXSetting& s : Settings) {
    Put(out, static_cast<std::uint32_t>(s.Type), 1, BigEndian);
    Put(out, 0, 1, BigEndian);
    Put(out, static_cast<std::uint32_t>(s.Name.size()), 2, BigEndian);
    PutPadded(out, s.Name);
    Put(out, s.Serial, 4, BigEndian);
    switch (s.Type) {
    case TXSetting::TType::Integer:
      Put(out, static_cast<std::uint32_t>(s.Integer), 4, BigEndian);
      break;
    case TXSetting::TType::String:
      Put(out, static_cast<std::uint32_t>(s.String.size()), 4, BigEndian);
      PutPadded(out, s.String);
      break;
    case TXSetting::TType::Color:
      for (int channel : {0, 2, 1, 3}) // red, blue, green, alpha
        Put(out, s.Color[static_cast<std::size_t>(channel)], 2, BigEndian);
      break;
    }
  }
  return out;
}

TXSettingsManager::TXSettingsManager(const std::string& Display, const std::vector<std::uint8_t>& Property) {
  ::Display* dpy = XOpenDisplay(Display.c_str());
  if (!dpy) {
    FError = "the X server " + Display + " could not be opened";
    return;
  }
  FDisplay = dpy;
  const Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), -1, -1, 1, 1, 0, 0, 0);
  const Atom settings = XInternAtom(dpy, "_XSETTINGS_SETTINGS", False);
  XChangeProperty(dpy, w, settings, settings, 8, PropModeReplace, Property.data(), static_cast<int>(Property.size()));
  const Atom selection = XInternAtom(dpy, "_XSETTINGS_S0", False);
  XSetSelectionOwner(dpy, selection, w, CurrentTime);
  // Asked back, the answer comes after the server has handled both requests.
  if (XGetSelectionOwner(dpy, selection) != w)
    FError = "another client owns the settings selection on " + Display;
}

TXSettingsManager::~TXSettingsManager() {
  if (FDisplay)
    XCloseDisplay(static_cast<::Display*>(FDisplay));
}
