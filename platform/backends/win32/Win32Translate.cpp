#include "platform/backends/win32/Win32Translate.h"

#include "platform/graphics/Region.h"
#include "platform/windows/Messages.h"
#include "platform/windows/User.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHigh(char16_t U) { return U >= 0xD800 && U <= 0xDBFF; }
bool IsLow(char16_t U) { return U >= 0xDC00 && U <= 0xDFFF; }

} // namespace

char32_t TUtf16Decoder::Feed(char16_t Unit, char32_t& Stray) {
  Stray = 0;
  if (FHigh != 0) {
    const char16_t high = FHigh;
    FHigh = 0;
    if (IsLow(Unit))
      return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (static_cast<char32_t>(Unit) - 0xDC00);
    Stray = kReplacement;
  }
  if (IsHigh(Unit)) {
    FHigh = Unit;
    return 0;
  }
  if (IsLow(Unit))
    return kReplacement;
  return Unit;
}

unsigned MoveSizeCommandOf(int HitCode) {
  // SC_MOVE with HTCAPTION in the low bits is the move the caption starts with the mouse.
  switch (HitCode) {
  case HTCAPTION:
    return static_cast<unsigned>(static_cast<WPARAM>(SC_MOVE) | HTCAPTION);
  case HTLEFT:
    return static_cast<unsigned>(static_cast<WPARAM>(SC_SIZE) | WMSZ_LEFT);
  case HTRIGHT:
    return static_cast<unsigned>(static_cast<WPARAM>(SC_SIZE) | WMSZ_RIGHT);
  case HTTOP:
    return static_cast<unsigned>(static_cast<WPARAM>(SC_SIZE) | WMSZ_TOP);
  case HTTOPLEFT:
    return static_cast<unsigned>(static_cast<WPARAM>(SC_SIZE) | WMSZ_TOPLEFT);
  case HTTOPRIGHT:
    return static_cast<unsigned>(static_cast<WPARAM>(SC_SIZE) | WMSZ_TOPRIGHT);
  case HTBOTTOM:
    return static_cast<unsigned>(static_cast<WPARAM>(SC_SIZE) | WMSZ_BOTTOM);
  case HTBOTTOMLEFT:
    return static_cast<unsigned>(static_cast<WPARAM>(SC_SIZE) | WMSZ_BOTTOMLEFT);
  case HTBOTTOMRIGHT:
    return static_cast<unsigned>(static_cast<WPARAM>(SC_SIZE) | WMSZ_BOTTOMRIGHT);
  default:
    return 0;
  }
}

std::vector<TNativeRect> ShapeRects(const TRegion& Shape, int Width, int Height) {
  std::vector<TNativeRect> out;
  if (Width <= 0 || Height <= 0)
    return out;
  for (const TRect& r : Shape.RectsIn(Rect(0, 0, Width, Height)))
    if (r.Width() > 0 && r.Height() > 0)
      out.push_back({r.Left, r.Top, r.Right, r.Bottom});
  return out;
}
