#include "platform/graphics/KeptFonts.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

// The file is text, one record a line, fields separated by tabs; a backslash, tab, line feed or
// carriage return inside a field is written \\, \t, \n or \r.
//
//   brivo fonts 1
//   env     NAME  VALUE
//   stamp   PATH  MTIME_NS  SIZE
//   face    BOLD  ITALIC  CHAR_HEX  N  FAMILY_1 .. FAMILY_N  FILE  INDEX  FAMILY  WEIGHT  SLANT  EMBOLDEN
//   face    BOLD  ITALIC  CHAR_HEX  N  FAMILY_1 .. FAMILY_N  none
//   sans    FAMILY  POINTS
//   font    NAME  HEIGHT  STYLE  PIXELS  ASCENT  DESCENT  LEADING  UNDERLINE  THICKNESS  STRIKEOUT  FAMILY
//   glyph   CHAR_HEX  ADVANCE  LEFT  TOP  WIDTH  HEIGHT  MISSING  COVERAGE_HEX
//
// A glyph belongs to the font line before it; its coverage is WIDTH x HEIGHT bytes, row by row.

namespace {

constexpr std::string_view Header = "brivo fonts 1";
constexpr std::size_t MaxField = 4096;
constexpr int MaxFamilies = 16;

std::string Escape(std::string_view Text) {
  std::string out;
  out.reserve(Text.size());
  for (char c : Text) {
    switch (c) {
    case '\\':
      out += "\\\\";
      break;
    case '\t':
      out += "\\t";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    default:
      out += c;
    }
  }
  return out;
}

class TLineReader {
public:
  TLineReader(std::string_view Line, int Number) : FLine(Line), FNumber(Number) {}

  [[noreturn]] void Fail(const std::string& What) const {
    throw EKeptFonts("kept fonts, line " + std::to_string(FNumber) + ": " + What);
  }

  bool AtEnd() const { return FDone; }

  std::string Field(const char* What, std::size_t Longest = MaxField) {
    if (FDone)
      Fail(std::string("the line ends before its ") + What);
    const std::size_t tab = FLine.find('\t', FAt);
    const std::string_view raw = FLine.substr(FAt, tab == std::string_view::npos ? std::string_view::npos : tab - FAt);
    FDone = tab == std::string_view::npos;
    FAt = FDone ? FLine.size() : tab + 1;
    if (raw.size() > 2 * Longest)
      Fail(std::string("the ") + What + " is too long");
    if (std::none_of(raw.begin(), raw.end(), [](char C) { return C == '\\' || C == '\r'; })) {
      if (raw.size() > Longest)
        Fail(std::string("the ") + What + " is too long");
      return std::string(raw);
    }
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      const char c = raw[i];
      if (c == '\r')
        Fail(std::string("the ") + What + " holds a bare carriage return");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (++i == raw.size())
        Fail(std::string("the ") + What + " ends in a lone backslash");
      switch (raw[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        Fail(std::string("the ") + What + " has an unknown escape \\" + raw[i]);
      }
    }
    if (out.size() > Longest)
      Fail(std::string("the ") + What + " is too long");
    return out;
  }

  long long Number(const char* What, long long Min, long long Max, int Base = 10) {
    const std::string text = Field(What);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, Base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < Min || value > Max)
      Fail(std::string("the ") + What + " '" + text + "' is not a number from " + std::to_string(Min) + " to " +
           std::to_string(Max));
    return value;
  }

  bool Flag(const char* What) { return Number(What, 0, 1) != 0; }

  void End() {
    if (!FDone)
      Fail("the line has more fields than its kind takes");
  }

private:
  std::string_view FLine;
  int FNumber;
  std::size_t FAt = 0;
  bool FDone = false;
};

void ReadFace(TLineReader& In, TKeptFonts& Out) {
  TFaceRequest request;
  request.Bold = In.Flag("bold flag");
  request.Italic = In.Flag("italic flag");
  request.Char = static_cast<char32_t>(In.Number("character", 0, 0x10FFFF, 16));
  const int count = static_cast<int>(In.Number("number of families", 1, MaxFamilies));
  for (int i = 0; i < count; ++i)
    request.Families.push_back(In.Field("family asked for"));
  std::optional<TFaceChoice> answer;
  std::string file = In.Field("font file");
  if (file != "none" || !In.AtEnd()) {
    TFaceChoice choice;
    choice.File = std::move(file);
    if (choice.File.empty())
      In.Fail("the font file is empty");
    choice.Index = static_cast<int>(In.Number("face index", 0, 0x7FFFFFFF));
    choice.Family = In.Field("family found");
    choice.Weight = static_cast<int>(In.Number("weight", 0, 1000));
    choice.Slant = static_cast<int>(In.Number("slant", 0, 1000));
    choice.Embolden = In.Flag("emboldening flag");
    answer = std::move(choice);
  }
  In.End();
  if (!Out.Faces.contains(request) && Out.Faces.size() >= TKeptFonts::MaxAnswers)
    In.Fail("there are more than " + std::to_string(TKeptFonts::MaxAnswers) + " answers");
  Out.Faces[std::move(request)] = std::move(answer);
}

int HexDigit(char C) {
  if (C >= '0' && C <= '9')
    return C - '0';
  if (C >= 'a' && C <= 'f')
    return C - 'a' + 10;
  if (C >= 'A' && C <= 'F')
    return C - 'A' + 10;
  return -1;
}

constexpr long long MinInt = std::numeric_limits<int>::min();
constexpr long long MaxInt = std::numeric_limits<int>::max();
// Metrics and glyph offsets of fonts up to the engine's largest size.
constexpr long long MaxOffset = 1 << 16;

void ReadFont(TLineReader& In, TKeptFonts& Out, TKeptFont*& Current) {
  std::string name = In.Field("font name");
  const int height = static_cast<int>(In.Number("font height", MinInt, MaxInt));
  const int style = static_cast<int>(In.Number("font style", 0, 3));
  TKeptFont font;
  font.PixelSize = static_cast<int>(In.Number("pixel size", 1, TKeptFonts::MaxGlyphSide));
  font.Ascent = static_cast<int>(In.Number("ascent", -MaxOffset, MaxOffset));
  font.Descent = static_cast<int>(In.Number("descent", -MaxOffset, MaxOffset));
  font.InternalLeading = static_cast<int>(In.Number("internal leading", -MaxOffset, MaxOffset));
  font.UnderlinePosition = static_cast<int>(In.Number("underline position", -MaxOffset, MaxOffset));
  font.UnderlineThickness = static_cast<int>(In.Number("underline thickness", -MaxOffset, MaxOffset));
  font.StrikeoutPosition = static_cast<int>(In.Number("strike-out position", -MaxOffset, MaxOffset));
  font.FamilyName = In.Field("family name");
  In.End();
  TFontKey key{std::move(name), height, style};
  if (!Out.Fonts.contains(key) && Out.Fonts.size() >= TKeptFonts::MaxFonts)
    In.Fail("there are more than " + std::to_string(TKeptFonts::MaxFonts) + " fonts");
  Current = &(Out.Fonts[std::move(key)] = std::move(font));
}

void ReadGlyph(TLineReader& In, TKeptFont* Font, std::size_t& Count) {
  if (!Font)
    In.Fail("a glyph comes before any font");
  const auto c = static_cast<char32_t>(In.Number("character", 0, 0x10FFFF, 16));
  TGlyph glyph;
  glyph.Advance = static_cast<int>(In.Number("advance", -MaxOffset, MaxOffset));
  glyph.Left = static_cast<int>(In.Number("left offset", -MaxOffset, MaxOffset));
  glyph.Top = static_cast<int>(In.Number("top offset", -MaxOffset, MaxOffset));
  glyph.Width = static_cast<int>(In.Number("glyph width", 0, TKeptFonts::MaxGlyphSide));
  glyph.Height = static_cast<int>(In.Number("glyph height", 0, TKeptFonts::MaxGlyphSide));
  glyph.Missing = In.Flag("missing flag");
  const std::string coverage = In.Field("coverage", 2 * static_cast<std::size_t>(TKeptFonts::MaxGlyphSide) * TKeptFonts::MaxGlyphSide);
  In.End();
  const std::size_t bytes = static_cast<std::size_t>(glyph.Width) * static_cast<std::size_t>(glyph.Height);
  if (coverage.size() != 2 * bytes)
    In.Fail("the coverage has " + std::to_string(coverage.size()) + " digits, not " + std::to_string(2 * bytes));
  glyph.Coverage.resize(bytes);
  for (std::size_t i = 0; i < bytes; ++i) {
    const int high = HexDigit(coverage[2 * i]), low = HexDigit(coverage[2 * i + 1]);
    if (high < 0 || low < 0)
      In.Fail("the coverage holds a character that is no hexadecimal digit");
    glyph.Coverage[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  if (!Font->Glyphs.contains(c) && ++Count > TKeptFonts::MaxGlyphs)
    In.Fail("there are more than " + std::to_string(TKeptFonts::MaxGlyphs) + " glyphs");
  Font->Glyphs[c] = std::move(glyph);
}

std::string Points(double Value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", Value);
  return text;
}

} // namespace

TKeptFonts TKeptFonts::Parse(std::string_view Text) {
  if (Text.size() > MaxFileSize)
    throw EKeptFonts("kept fonts: the file is larger than " + std::to_string(MaxFileSize) + " bytes");
  TKeptFonts out;
  TKeptFont* font = nullptr;
  std::size_t glyphs = 0;
  int number = 0;
  std::size_t at = 0;
  while (at < Text.size()) {
    const std::size_t newline = Text.find('\n', at);
    if (newline == std::string_view::npos)
      throw EKeptFonts("kept fonts, line " + std::to_string(number + 1) + ": the line has no end");
    const std::string_view line = Text.substr(at, newline - at);
    at = newline + 1;
    ++number;
    TLineReader in(line, number);
    if (number == 1) {
      if (line != Header)
        in.Fail("this is not a file of kept fonts");
      continue;
    }
    const std::string kind = in.Field("kind of record");
    if (kind == "env") {
      std::string name = in.Field("variable name");
      std::string value = in.Field("variable value");
      in.End();
      if (out.Environment.size() >= MaxAnswers)
        in.Fail("there are too many variables");
      out.Environment.emplace_back(std::move(name), std::move(value));
    } else if (kind == "stamp") {
      TFileStamp stamp;
      stamp.Path = in.Field("path");
      stamp.MTimeNs = in.Number("modification time", -1, 0x7FFFFFFFFFFFFFFF);
      stamp.Size = in.Number("size", -1, 0x7FFFFFFFFFFFFFFF);
      in.End();
      if (out.Stamps.size() >= MaxAnswers)
        in.Fail("there are too many stamps");
      out.Stamps.push_back(std::move(stamp));
    } else if (kind == "face") {
      ReadFace(in, out);
    } else if (kind == "sans") {
      std::string family = in.Field("family");
      const std::string text = in.Field("size in points");
      in.End();
      double points = 0;
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), points);
      if (text.empty() || error != std::errc() || end != text.data() + text.size() || !(points > 0 && points <= 1000))
        in.Fail("the size in points '" + text + "' is not a number above 0 and at most 1000");
      out.DefaultSans = std::make_pair(std::move(family), points);
    } else if (kind == "font") {
      ReadFont(in, out, font);
    } else if (kind == "glyph") {
      ReadGlyph(in, font, glyphs);
    } else {
      in.Fail("unknown kind of record '" + kind + "'");
    }
  }
  if (number == 0)
    throw EKeptFonts("kept fonts: the file is empty");
  return out;
}

std::string TKeptFonts::Format() const {
  std::string out(Header);
  out += '\n';
  for (const auto& [name, value] : Environment)
    out += "env\t" + Escape(name) + "\t" + Escape(value) + "\n";
  for (const TFileStamp& stamp : Stamps)
    out += "stamp\t" + Escape(stamp.Path) + "\t" + std::to_string(stamp.MTimeNs) + "\t" + std::to_string(stamp.Size) + "\n";
  for (const auto& [request, answer] : Faces) {
    char code[16];
    std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(request.Char));
    out += std::string("face\t") + (request.Bold ? "1" : "0") + "\t" + (request.Italic ? "1" : "0") + "\t" + code +
           "\t" + std::to_string(request.Families.size());
    for (const std::string& family : request.Families)
      out += "\t" + Escape(family);
    if (answer)
      out += "\t" + Escape(answer->File) + "\t" + std::to_string(answer->Index) + "\t" + Escape(answer->Family) + "\t" +
             std::to_string(answer->Weight) + "\t" + std::to_string(answer->Slant) + "\t" +
             (answer->Embolden ? "1" : "0");
    else
      out += "\tnone";
    out += "\n";
  }
  if (DefaultSans)
    out += "sans\t" + Escape(DefaultSans->first) + "\t" + Points(DefaultSans->second) + "\n";
  static constexpr char digits[] = "0123456789abcdef";
  for (const auto& [key, font] : Fonts) {
    const auto& [name, height, style] = key;
    out += "font\t" + Escape(name) + "\t" + std::to_string(height) + "\t" + std::to_string(style);
    for (int value : {font.PixelSize, font.Ascent, font.Descent, font.InternalLeading, font.UnderlinePosition,
                      font.UnderlineThickness, font.StrikeoutPosition})
      out += "\t" + std::to_string(value);
    out += "\t" + Escape(font.FamilyName) + "\n";
    for (const auto& [c, glyph] : font.Glyphs) {
      char code[16];
      std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(c));
      out += std::string("glyph\t") + code;
      for (int value : {glyph.Advance, glyph.Left, glyph.Top, glyph.Width, glyph.Height})
        out += "\t" + std::to_string(value);
      out += glyph.Missing ? "\t1\t" : "\t0\t";
      for (std::uint8_t b : glyph.Coverage) {
        out += digits[b >> 4];
        out += digits[b & 15];
      }
      out += "\n";
    }
  }
  return out;
}
