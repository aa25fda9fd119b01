#pragma once

#include "platform/windows/Backend.h"

#include <optional>
#include <span>
#include <vector>

// The parts of the X11 desktop that are plain arithmetic on what the server reports, kept apart so
// they can be checked without a server.

// The virtual key of a key symbol (the symbol of the key without modifiers); 0 when the key has none.
WORD VirtualKeyOfKeysym(unsigned long Keysym);
// The character a key symbol types when no input method is there to say; 0 for none.
char32_t CharOfKeysym(unsigned long Keysym);
// The character the message layer expects for keys whose symbol types nothing printable (Enter,
// Escape, Tab, Backspace) and for Ctrl with a letter; 0 when the key types nothing of that kind.
char32_t ControlCharOf(WORD VirtualKey, bool Ctrl);
// The X font cursor (XC_ number) that shows an IDC_ cursor.
unsigned CursorFontShapeOf(int CursorId);

// Where a window dragged by Hit (HTCAPTION, HTLEFT..HTBOTTOMRIGHT) lies after the pointer moved by
// (DX, DY): the edges not dragged stay, the size stays within the tracking limits.
TRect MoveSizeBounds(int Hit, const TRect& Start, int DX, int DY, const MINMAXINFO& Limits);

// The monitors as the layer wants them: the primary one first, each with the part of the desktop's
// work area that lies on it (the whole monitor when the work area is not known or misses it). No
// monitor at all gives the screen as one.
std::vector<TMonitor> MonitorsFrom(const std::vector<TRect>& Crtcs, int Primary, const TRect& Screen,
                                   const std::optional<TRect>& WorkArea);

// The work area of desktop Desktop from a _NET_WORKAREA property (x, y, width, height per desktop;
// the first desktop's when Desktop has none). Nothing when the property is short, the area empty or
// its numbers beyond what X coordinates can be.
std::optional<TRect> WorkAreaFromProperty(std::span<const long> Values, long Desktop);
