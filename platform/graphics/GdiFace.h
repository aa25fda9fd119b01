#pragma once

// GDI's half of the Windows text engine, in plain C++ types: <windows.h> clashes with the platform
// layer's own names, so it stays inside GdiFace.cpp.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TGdiMetrics {
  int Ascent = 0;
  int Descent = 0;
  int InternalLeading = 0;
  // Below the baseline, as the engine's interface has them.
  int UnderlinePosition = 1;
  int UnderlineThickness = 1;
  // Above the baseline.
  int StrikeoutPosition = 1;
  int EmHeight = 13;
};

// A glyph as GDI draws it: coverage 0..255, top-left pixel at (pen + Left, baseline - Top).
struct TGdiGlyph {
  int Advance = 0;
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Coverage;
};

// One GDI font selected into a memory device context with a 32-bit DIB section to draw into.
class TGdiFace {
public:
  // Height as in a LOGFONT (< 0 the em height, > 0 the cell height). Null when GDI gives no font.
  static std::unique_ptr<TGdiFace> Open(const std::string& Family, int Height, bool Bold, bool Italic);
  ~TGdiFace();
  TGdiFace(const TGdiFace&) = delete;
  TGdiFace& operator=(const TGdiFace&) = delete;

  const TGdiMetrics& Metrics() const { return FMetrics; }
  // The family of the face GDI actually chose (which need not be the one asked for).
  const std::string& Family() const { return FFamily; }
  // Whether the face has a glyph for C (GDI would otherwise draw its default glyph).
  bool Has(char32_t C) const;
  // Measures C with GetTextExtentPoint32W and draws it with ExtTextOutW, anti-aliased in grey.
  TGdiGlyph Render(char32_t C);

private:
  TGdiFace() = default;
  struct TState;
  std::unique_ptr<TState> F;
  TGdiMetrics FMetrics;
  std::string FFamily;
};

// The desktop's message font (SystemParametersInfoW): its family, height in pixels and the screen's
// dots per inch; false when the system gives none.
bool GdiMessageFont(std::string& Family, int& PixelHeight, int& DotsPerInch);

std::wstring WideFromUtf8(const std::string& Text);
std::string Utf8FromWide(const std::wstring& Text);
