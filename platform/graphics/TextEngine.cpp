// The parts of the text engine that every platform's engine shares.
#include "platform/graphics/TextEngine.h"

#include <algorithm>
#include <cctype>
#include <cmath>

bool SameFontName(std::string_view A, std::string_view B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

int ScaleFontHeight(int Height, double Scale) {
  if (Scale == 1.0)
    return Height;
  const int height = Height == 0 ? -13 : Height;
  const int scaled = static_cast<int>(std::lround(std::abs(height) * Scale));
  return height < 0 ? -scaled : scaled;
}

int TFontInstance::TextWidth(std::u32string_view Text) {
  int width = 0;
  for (char32_t c : Text)
    width += Glyph(c).Advance;
  return width;
}

std::u32string DecodeUtf8(std::string_view Text) {
  std::u32string out;
  out.reserve(Text.size());
  std::size_t i = 0;
  while (i < Text.size()) {
    const unsigned char c = static_cast<unsigned char>(Text[i]);
    int extra;
    char32_t cp;
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    bool ok = i + extra < Text.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const unsigned char cc = static_cast<unsigned char>(Text[i + k]);
      if ((cc & 0xC0) != 0x80)
        ok = false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += extra + 1;
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view Text) {
  std::string out;
  for (char32_t c : Text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}
