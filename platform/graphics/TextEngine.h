#pragma once

#include "platform/graphics/Font.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One glyph as grey-scale coverage (0 = background, 255 = full ink), placed relative to the pen
// position on the baseline: its top-left pixel is at (pen + Left, baseline - Top).
struct TGlyph {
  int Advance = 0;
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Coverage;
  // No installed face has this character; it is drawn as blank space.
  bool Missing = false;
};

// A face at one pixel size and style, with its rendered glyphs cached. Characters the face lacks
// come from another installed face that has them.
class TFontInstance {
public:
  virtual ~TFontInstance() = default;

  int Ascent() const { return FAscent; }
  int Descent() const { return FDescent; }
  // The cell height: ascent plus descent, what a text line takes.
  int CellHeight() const { return FAscent + FDescent; }
  int InternalLeading() const { return FInternalLeading; }
  // Offset of the underline's top below the baseline, and its thickness.
  int UnderlinePosition() const { return FUnderlinePosition; }
  int UnderlineThickness() const { return FUnderlineThickness; }
  int StrikeoutPosition() const { return FStrikeoutPosition; }
  // The family name of the face that was found for the font's name.
  const std::string& FamilyName() const { return FFamilyName; }

  virtual const TGlyph& Glyph(char32_t C) = 0;
  // The family of the face that supplies C (the main face or a fallback); empty when none has it.
  virtual std::string FamilyFor(char32_t C) = 0;

  int TextWidth(std::u32string_view Text);

protected:
  int FAscent = 0;
  int FDescent = 0;
  int FInternalLeading = 0;
  int FUnderlinePosition = 1;
  int FUnderlineThickness = 1;
  int FStrikeoutPosition = 0;
  std::string FFamilyName;
};

// The installed families asked for a font name of the original platform, best first; names not in
// the substitution table are asked for as they are.
std::vector<std::string> SubstituteFontName(std::string_view Name);
// Font names compare without regard to (ASCII) case, as the original platform compares them.
bool SameFontName(std::string_view A, std::string_view B);

// A font height (as TFont keeps it: negative the character height, positive the cell height, 0 the
// default 13-pixel characters) for text Scale times as large, rounded to whole pixels.
int ScaleFontHeight(int Height, double Scale);

// The face for a font description, shared between canvases and kept for the life of the process
// (programs use a handful of fonts). Throws std::runtime_error when no face at all is installed.
std::shared_ptr<TFontInstance> FindFontInstance(const TFont& Font);
// Past this many kept instances, those that no canvas holds any more are let go.
inline constexpr std::size_t MaxCachedFontInstances = 32;
std::size_t CachedFontInstances();

// Keeps what the text engine works out (which installed face draws each font and character, and the
// fonts' metrics and glyphs) in the file File between runs of the program, so that a later start
// draws the same text without fontconfig or FreeType: reads what the file keeps (when it is still
// good) and writes it back when more was worked out (SaveKeptFonts, and as the program ends). An
// empty name keeps nothing, as when this is never called. The engine on Windows keeps nothing.
void KeepFontsBetweenRuns(const std::string& File);
// Writes what is kept now, when more was worked out since it was read or last written; the paint
// cycle calls this once its frame is out, so that a program that is killed keeps what it drew.
void SaveKeptFonts();
// The file of that name in the user's folder for caches ($XDG_CACHE_HOME/brivo, ~/.cache/brivo);
// empty when there is none (and on Windows).
std::string UserCacheFile(std::string_view Name);

// The family and size in points of the desktop's default sans-serif font: what fontconfig gives
// (the user's and the system's configuration applied), on Windows the system's message font; false
// when there is none.
bool DefaultSansFont(std::string& Family, double& Points);

// UTF-8 to code points; a malformed sequence becomes U+FFFD and decoding goes on.
std::u32string DecodeUtf8(std::string_view Text);
std::string EncodeUtf8(std::u32string_view Text);
