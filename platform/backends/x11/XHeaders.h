#pragma once

// The X headers in one place. Xmd.h declares BOOL and BYTE, which the message layer also declares
// with the platform's meaning; renaming them while the X headers are read keeps both usable.
#define BOOL XBOOL
#define BYTE XBYTE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/xf86vmode.h>
#undef BOOL
#undef BYTE
