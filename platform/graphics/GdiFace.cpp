#include "platform/graphics/GdiFace.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

std::wstring WideFromUtf8(const std::string& Text) {
  if (Text.empty())
    return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(0, n)), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), out.data(), n);
  return out;
}

std::string Utf8FromWide(const std::wstring& Text) {
  if (Text.empty())
    return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(0, n)), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

namespace {

std::wstring Utf16Of(char32_t C) {
  if (C < 0x10000)
    return std::wstring(1, static_cast<wchar_t>(C));
  const char32_t v = C - 0x10000;
  return {static_cast<wchar_t>(0xD800 + (v >> 10)), static_cast<wchar_t>(0xDC00 + (v & 0x3FF))};
}

} // namespace

struct TGdiFace::TState {
  HDC Dc = nullptr;
  HFONT Font = nullptr;
  HGDIOBJ OldFont = nullptr;
  HBITMAP Bitmap = nullptr;
  HGDIOBJ OldBitmap = nullptr;
  std::uint32_t* Bits = nullptr;
  int Width = 0;
  int Height = 0;

  ~TState() {
    if (OldBitmap)
      SelectObject(Dc, OldBitmap);
    if (Bitmap)
      DeleteObject(Bitmap);
    if (OldFont)
      SelectObject(Dc, OldFont);
    if (Font)
      DeleteObject(Font);
    if (Dc)
      DeleteDC(Dc);
  }

  // A drawing surface of at least W x H pixels, top row first.
  bool Reserve(int W, int H) {
    if (Bits && W <= Width && H <= Height)
      return true;
    W = std::max(W, Width);
    H = std::max(H, Height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = W;
    info.bmiHeader.biHeight = -H;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(Dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits)
      return false;
    HGDIOBJ old = SelectObject(Dc, bitmap);
    if (OldBitmap == nullptr)
      OldBitmap = old;
    if (Bitmap)
      DeleteObject(Bitmap);
    Bitmap = bitmap;
    Bits = static_cast<std::uint32_t*>(bits);
    Width = W;
    Height = H;
    return true;
  }
};

std::unique_ptr<TGdiFace> TGdiFace::Open(const std::string& Family, int Height, bool Bold, bool Italic) {
  std::unique_ptr<TGdiFace> face(new TGdiFace);
  face->F = std::make_unique<TState>();
  TState& s = *face->F;
  s.Dc = CreateCompatibleDC(nullptr);
  if (!s.Dc)
    return nullptr;
  LOGFONTW lf{};
  lf.lfHeight = Height;
  lf.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = Italic ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  // Outline faces only: bitmap faces cannot be anti-aliased or scaled.
  lf.lfOutPrecision = OUT_TT_PRECIS;
  lf.lfQuality = ANTIALIASED_QUALITY;
  const std::wstring name = WideFromUtf8(Family);
  wcsncpy(lf.lfFaceName, name.c_str(), LF_FACESIZE - 1);
  s.Font = CreateFontIndirectW(&lf);
  if (!s.Font)
    return nullptr;
  s.OldFont = SelectObject(s.Dc, s.Font);
  TEXTMETRICW tm{};
  if (!GetTextMetricsW(s.Dc, &tm))
    return nullptr;
  TGdiMetrics& m = face->FMetrics;
  m.Ascent = tm.tmAscent;
  m.Descent = tm.tmDescent;
  // A negative height is the em itself; the internal leading is what the cell has above it (GDI's
  // own figure can be a pixel off after rounding the face's metrics).
  m.EmHeight = Height < 0 ? -Height : std::max(1, static_cast<int>(tm.tmHeight - tm.tmInternalLeading));
  m.InternalLeading = std::max(0, static_cast<int>(tm.tmHeight) - m.EmHeight);
  m.StrikeoutPosition = std::max(1, m.EmHeight * 3 / 10);
  m.UnderlineThickness = std::max(1, m.EmHeight / 14);
  m.UnderlinePosition = std::max(1, std::min(m.Descent - m.UnderlineThickness, m.EmHeight / 9));
  if (const UINT size = GetOutlineTextMetricsW(s.Dc, 0, nullptr); size >= sizeof(OUTLINETEXTMETRICW)) {
    std::vector<std::uint8_t> buffer(size);
    auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
    if (GetOutlineTextMetricsW(s.Dc, size, otm) != 0) {
      m.UnderlineThickness = std::max(1, static_cast<int>(otm->otmsUnderscoreSize));
      m.UnderlinePosition = std::max(1, static_cast<int>(-otm->otmsUnderscorePosition));
      m.UnderlinePosition = std::min(m.UnderlinePosition, std::max(1, m.Descent - m.UnderlineThickness));
      if (otm->otmsStrikeoutPosition > 0)
        m.StrikeoutPosition = static_cast<int>(otm->otmsStrikeoutPosition);
      const auto offset = reinterpret_cast<std::uintptr_t>(otm->otmpFamilyName);
      if (offset > 0 && offset + sizeof(wchar_t) <= size)
        face->FFamily = Utf8FromWide(reinterpret_cast<const wchar_t*>(buffer.data() + offset));
    }
  }
  if (face->FFamily.empty()) {
    wchar_t chosen[LF_FACESIZE] = {};
    GetTextFaceW(s.Dc, LF_FACESIZE, chosen);
    face->FFamily = Utf8FromWide(chosen);
  }
  SetTextColor(s.Dc, RGB(255, 255, 255));
  SetBkMode(s.Dc, TRANSPARENT);
  SetTextAlign(s.Dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
  return face;
}

TGdiFace::~TGdiFace() = default;

bool TGdiFace::Has(char32_t C) const {
  const std::wstring text = Utf16Of(C);
  // GDI answers glyph indices per UTF-16 unit only, and draws its default box for a character the
  // face lacks: a character beyond the first plane is taken as missing (blank) rather than risk it.
  if (text.size() != 1)
    return false;
  WORD index = 0xFFFF;
  if (GetGlyphIndicesW(F->Dc, text.c_str(), 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
    return false;
  return index != 0xFFFF;
}

TGdiGlyph TGdiFace::Render(char32_t C) {
  TGdiGlyph glyph;
  const std::wstring text = Utf16Of(C);
  SIZE extent{};
  if (!GetTextExtentPoint32W(F->Dc, text.c_str(), static_cast<int>(text.size()), &extent))
    return glyph;
  glyph.Advance = extent.cx;
  // Room around the pen for overhangs (italics, accents above the ascent).
  const int pad = FMetrics.EmHeight / 2 + 2;
  const int width = extent.cx + 2 * pad + FMetrics.EmHeight / 2;
  const int height = FMetrics.Ascent + FMetrics.Descent + 2 * pad;
  if (!F->Reserve(width, height))
    return glyph;
  for (int y = 0; y < height; ++y)
    std::memset(F->Bits + static_cast<std::size_t>(y) * F->Width, 0, static_cast<std::size_t>(width) * 4);
  const int baseline = pad + FMetrics.Ascent;
  ExtTextOutW(F->Dc, pad, baseline, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  GdiFlush();
  int left = width, top = height, right = -1, bottom = -1;
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = F->Bits + static_cast<std::size_t>(y) * F->Width;
    for (int x = 0; x < width; ++x)
      if ((row[x] & 0xFFFFFF) != 0) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  }
  if (right < 0)
    return glyph; // a space, or a glyph without ink
  glyph.Left = left - pad;
  glyph.Top = baseline - top;
  glyph.Width = right - left + 1;
  glyph.Height = bottom - top + 1;
  glyph.Coverage.resize(static_cast<std::size_t>(glyph.Width) * glyph.Height);
  for (int y = 0; y < glyph.Height; ++y) {
    const std::uint32_t* row = F->Bits + static_cast<std::size_t>(top + y) * F->Width + left;
    for (int x = 0; x < glyph.Width; ++x) {
      // White on black in grey-scale anti-aliasing: the channels agree; the brightest is kept in
      // case a system draws with sub-pixel colour anyway.
      const std::uint32_t p = row[x];
      glyph.Coverage[static_cast<std::size_t>(y) * glyph.Width + x] = static_cast<std::uint8_t>(
          std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF}));
    }
  }
  return glyph;
}

bool GdiMessageFont(std::string& Family, int& PixelHeight, int& DotsPerInch) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    return false;
  Family = Utf8FromWide(metrics.lfMessageFont.lfFaceName);
  PixelHeight = metrics.lfMessageFont.lfHeight;
  DotsPerInch = 96;
  if (HDC screen = GetDC(nullptr)) {
    DotsPerInch = std::max(1, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
  }
  return !Family.empty() && PixelHeight != 0;
}
