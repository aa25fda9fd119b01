#pragma once

#include "platform/graphics/TextEngine.h"

#include <compare>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

// What the text engine worked out once, kept in a file between runs of a program: which installed
// face fontconfig chose for each font and character, and the metrics and glyphs of the fonts drawn.
// Fontconfig reads its whole configuration and every font cache before it answers anything, and
// FreeType studies a large face before it draws the first glyph of it; a start that finds what it
// needs kept does neither. The file also keeps what all of it depends on: environment variables
// and library versions, and the times and sizes of fontconfig's configuration files, the font and
// cache folders, the font files and the program itself. When any of them changed, everything kept
// is dropped and worked out again.

// A face as fontconfig chose it: the file and the face's index in it, the family it names, and the
// weight, slant and emboldening (fontconfig's numbers) that decide what is synthesised.
struct TFaceChoice {
  std::string File;
  int Index = 0;
  std::string Family;
  int Weight = 80;
  int Slant = 0;
  bool Embolden = false;
  bool operator==(const TFaceChoice&) const = default;
};

// The families asked for, best first, and the style; Char is the character a fallback face must
// have, 0 when the font's own face is asked for.
struct TFaceRequest {
  std::vector<std::string> Families;
  bool Bold = false;
  bool Italic = false;
  char32_t Char = 0;
  auto operator<=>(const TFaceRequest&) const = default;
};

// A file or folder as it was: its modification time in nanoseconds and its size, both -1 when it did
// not exist.
struct TFileStamp {
  std::string Path;
  long long MTimeNs = -1;
  long long Size = -1;
  bool operator==(const TFileStamp&) const = default;
};

// A font as drawn: its metrics and the glyphs drawn with it.
struct TKeptFont {
  int PixelSize = 0;
  int Ascent = 0;
  int Descent = 0;
  int InternalLeading = 0;
  int UnderlinePosition = 0;
  int UnderlineThickness = 0;
  int StrikeoutPosition = 0;
  std::string FamilyName;
  std::map<char32_t, TGlyph> Glyphs;
};

// A font by what it was asked for with: its name, height and style (bold 1, italic 2).
using TFontKey = std::tuple<std::string, int, int>;

class EKeptFonts : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct TKeptFonts {
  // Reads the text of a kept file. Raises EKeptFonts naming the line and the fault for text that is
  // not such a file, or that holds more than the limits below.
  static TKeptFonts Parse(std::string_view Text);
  std::string Format() const;

  static constexpr std::size_t MaxFileSize = 4 << 20;
  static constexpr std::size_t MaxAnswers = 4096;
  static constexpr std::size_t MaxFonts = 256;
  static constexpr std::size_t MaxGlyphs = 16384;
  static constexpr int MaxGlyphSide = 1024;

  std::vector<std::pair<std::string, std::string>> Environment;
  std::vector<TFileStamp> Stamps;
  // No value: no installed face has the character.
  std::map<TFaceRequest, std::optional<TFaceChoice>> Faces;
  // The desktop's default sans-serif family and its size in points.
  std::optional<std::pair<std::string, double>> DefaultSans;
  std::map<TFontKey, TKeptFont> Fonts;
};
