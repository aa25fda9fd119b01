#pragma once

#include "platform/graphics/PixelBuffer.h"

#include <string>
#include <vector>

// One picture of a look as it is stored: its resource name, the depth of its file and the number
// of frames laid side by side in it (1 for a picture used whole).
struct TLookPicture {
  std::string Name;
  int Bits = 24;
  int Frames = 1;
  TPixelBuffer Pixels;
  // Colours that must survive the palette reduction exactly (a background shared with another
  // picture).
  std::vector<TPixel> Pinned;
};

struct TLookSheet {
  int Style = 0;        // the TzykUIStyle the pictures belong to; 0 for the shared ones
  std::string Title;    // "MacOS"
  std::string FileName; // "macos.png"
  std::vector<TLookPicture> Pictures;
};

// Every picture of the five looks, plus the shared pictures ("MORE_SCROLLBUTTON", "MENU_CHECKED")
// on a sheet of their own.
std::vector<TLookSheet> DrawLooks();

// The program icon at the given size, with opacity in the top byte.
TPixelBuffer DrawIcon(int Size);
