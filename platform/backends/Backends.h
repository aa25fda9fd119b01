#pragma once

#include <string>

enum class TNativeDisplay {
  Opened,      // the desktop and gamma of the X display named by DISPLAY
  None,        // DISPLAY is not set: there is no display to use
  Unreachable, // DISPLAY names a display that cannot be opened
};

// Chooses the real backends of this machine for the process: the desktop and gamma of the X display
// named by DISPLAY when one can be opened; otherwise a gamma device that refuses and says why, a
// message box that writes to standard error and an address opener that refuses (there is no
// desktop then, and creating a top-level window fails with an error that says so). Says which,
// with Why naming the display and the fault when it is not Opened. On Windows the desktop is the
// session's own: Opened wherever the system makes windows, None (with the reason) where it makes
// none; never Unreachable.
TNativeDisplay UseNativeBackends(std::string* Why = nullptr);
// Ends the native desktop chosen by UseNativeBackends (its windows with it), if one was.
void ReleaseNativeBackends();
// When the native desktop handed its first frame to the display, in milliseconds of the monotonic
// clock (std::chrono::steady_clock); -1 before that or without a native desktop.
long long NativeFirstPresentTime();
