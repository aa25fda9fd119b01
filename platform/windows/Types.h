#pragma once

#include "platform/graphics/Handles.h"

#include <array>
#include <cstdint>

// Handle types of the message layer. They are opaque: only the layer that hands them out knows what
// they point at, and 0 keeps the platform's meaning ("the screen" for GetDC, "no window" elsewhere).
// HFONT and HICON come from the graphics layer, which keeps those objects.
struct HWND__;
using HWND = HWND__*;
struct HDC__;
using HDC = HDC__*;
struct HRGN__;
using HRGN = HRGN__*;
struct HCURSOR__;
using HCURSOR = HCURSOR__*;
struct HMONITOR__;
using HMONITOR = HMONITOR__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HGDIOBJ = void*;
// Any object handle (LoadImage and CopyImage give one of the kind asked for).
using HANDLE = void*;
// A window procedure: a handle to something callable, made by MakeObjectInstance or
// WndProcFromFunction, never called directly (CallWindowProc calls it).
struct TWndProc__;
using WNDPROC = TWndProc__*;

using WORD = std::uint16_t;
using BOOL = int;

// The display gamma table: 256 entries per channel, red then green then blue (1536 bytes), the
// layout SetDeviceGammaRamp takes.
struct TGammaRamp {
  std::array<WORD, 256> Red{};
  std::array<WORD, 256> Green{};
  std::array<WORD, 256> Blue{};

  friend bool operator==(const TGammaRamp&, const TGammaRamp&) = default;
};
static_assert(sizeof(TGammaRamp) == 3 * 256 * sizeof(WORD), "the ramp must have the platform's layout");
