#pragma once

#include <string>
#include <string_view>

struct _XDisplay;

// A display name split as Xlib reads it: [PROTOCOL/][HOST]:NUMBER[.SCREEN].
struct TX11DisplayName {
  std::string Host;   // empty (or "unix") for this machine's local socket
  int Number = 0;
  int Screen = -1;    // -1 when the name gives none
  bool Local() const { return Host.empty() || Host == "unix"; }
};

// Splits Name; false when it is no display name at all ("garbage", ":x", ":0.").
bool ParseX11DisplayName(std::string_view Name, TX11DisplayName& Out);

// Opens the X display Name (nullptr: the DISPLAY variable). On failure returns nullptr, with Why
// naming the display and what stands in the way: no DISPLAY, a name that is none, no server on
// it, a screen it does not have, a server that turned the program away.
_XDisplay* OpenX11Display(const char* Name, std::string& Why);
// XCloseDisplay, for code that does not include the X headers.
void CloseX11Display(_XDisplay* Dpy);
