#pragma once

// The parts of the Win32 desktop that are plain arithmetic on what the system reports, in plain C++
// types (the native half includes <windows.h>, which clashes with the platform layer's names), so
// they are built and checked on every platform.

#include <vector>

class TRegion;

// A rectangle as the system keeps one: right and bottom edges excluded.
struct TNativeRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TNativeRect&, const TNativeRect&) = default;
};

// Characters arrive as UTF-16 code units, one message each; a character beyond the basic plane
// comes as two (with key messages of their own between them when typed through SendInput). Feed
// each unit: the result is the character it completes, or 0 while a pair waits for its second
// half. A half without its partner stands for U+FFFD.
class TUtf16Decoder {
public:
  // Unit is the message's code unit; Stray receives a character completed by the unit's arrival
  // before the unit itself (a high half followed by anything but a low half), 0 when none.
  char32_t Feed(char16_t Unit, char32_t& Stray);

private:
  char16_t FHigh = 0;
};

// The WM_SYSCOMMAND value that starts the system's own move (HTCAPTION) or size loop (an edge or
// corner hit code) with the pointer; 0 for any other hit code.
unsigned MoveSizeCommandOf(int HitCode);

// The rectangles of a window shape, in window coordinates, as SetWindowRgn is to get them: the
// shape's rectangles that meet the window (Width x Height), cut to it. An empty result is an empty
// shape (nothing of the window shows), not "no shape".
std::vector<TNativeRect> ShapeRects(const TRegion& Shape, int Width, int Height);
