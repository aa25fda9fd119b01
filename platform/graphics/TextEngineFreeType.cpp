#include "platform/graphics/TextEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <stdexcept>
#include <tuple>
#include <unordered_map>

namespace {

// Font names of the original platform and the installed families that stand in for them.
struct TSubstitute {
  std::string_view Name;
  std::array<std::string_view, 2> Families;
};
constexpr TSubstitute Substitutes[] = {
    {"新細明體", {"AR PL UMing TW", "AR PL UMing TW MBE"}},
    {"細明體", {"AR PL UMing TW", "AR PL UMing TW MBE"}},
    {"PMingLiU", {"AR PL UMing TW", "AR PL UMing TW MBE"}},
    {"MingLiU", {"AR PL UMing TW", "AR PL UMing TW MBE"}},
    {"MS Sans Serif", {"Liberation Sans", "DejaVu Sans"}},
    {"MS Shell Dlg", {"Liberation Sans", "DejaVu Sans"}},
    {"MS Shell Dlg 2", {"Liberation Sans", "DejaVu Sans"}},
    {"Tahoma", {"Liberation Sans", "DejaVu Sans"}},
    {"Arial", {"Liberation Sans", "DejaVu Sans"}},
    {"Verdana", {"DejaVu Sans", "Liberation Sans"}},
    {"Times New Roman", {"Liberation Serif", "DejaVu Serif"}},
    {"Courier New", {"Liberation Mono", "DejaVu Sans Mono"}},
};

// Largest em size rendered; a bigger request is drawn at this size rather than allocating without
// bound.
constexpr int MaxPixelSize = 512;

struct TFace {
  FT_Face Face = nullptr;
  std::string Family;
  bool SynthBold = false;
  bool SynthItalic = false;
};

class TFreeTypeInstance;

// FreeType and fontconfig for the whole process, and every font instance made so far.
class TEngine {
public:
  TEngine() {
    if (FT_Init_FreeType(&FLibrary) != 0)
      throw std::runtime_error("text: FreeType could not start");
    FcInit();
  }
  ~TEngine();

  FT_Library Library() const { return FLibrary; }
  std::map<std::tuple<std::string, int, int>, std::shared_ptr<TFreeTypeInstance>> Instances;

private:
  FT_Library FLibrary = nullptr;
};

TEngine& Engine() {
  static TEngine engine;
  return engine;
}

FcPattern* MakePattern(const std::vector<std::string>& Families, bool Bold, bool Italic) {
  FcPattern* pattern = FcPatternCreate();
  for (const auto& f : Families)
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(f.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  return pattern;
}

// Font files are read through a stream rather than mapped whole: every font instance opens its own
// face, and a mapped face keeps megabytes of a large CJK collection resident per instance, where a
// read face keeps only the tables and glyphs it actually loaded.
unsigned long ReadFontFile(FT_Stream Stream, unsigned long Offset, unsigned char* Buffer, unsigned long Count) {
  auto* file = static_cast<std::FILE*>(Stream->descriptor.pointer);
  if (Offset > static_cast<unsigned long>(std::numeric_limits<long>::max()) ||
      std::fseek(file, static_cast<long>(Offset), SEEK_SET) != 0)
    return Count == 0 ? 1 : 0; // a seek reports failure as non-zero, a read as 0 bytes
  return Count == 0 ? 0 : std::fread(Buffer, 1, Count, file);
}

// FreeType calls this once when the face goes (or when opening it fails).
void CloseFontFile(FT_Stream Stream) {
  std::fclose(static_cast<std::FILE*>(Stream->descriptor.pointer));
  delete Stream;
}

FT_Face OpenFontFile(const char* Path, int Index) {
  std::FILE* file = std::fopen(Path, "rb");
  if (!file)
    return nullptr;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0)
    size = std::ftell(file);
  if (size <= 0) {
    std::fclose(file);
    return nullptr;
  }
  auto* stream = new FT_StreamRec{};
  stream->descriptor.pointer = file;
  stream->size = static_cast<unsigned long>(size);
  stream->read = ReadFontFile;
  stream->close = CloseFontFile;
  FT_Open_Args args{};
  args.flags = FT_OPEN_STREAM;
  args.stream = stream;
  FT_Face face = nullptr;
  if (FT_Open_Face(Engine().Library(), &args, Index, &face) != 0)
    return nullptr;
  return face;
}

// Opens the face a matched pattern names; null when the file cannot be opened.
bool OpenFace(FcPattern* Match, bool Bold, bool Italic, TFace& Out) {
  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(Match, FC_FILE, 0, &file) != FcResultMatch)
    return false;
  FcPatternGetInteger(Match, FC_INDEX, 0, &index);
  FT_Face face = OpenFontFile(reinterpret_cast<const char*>(file), index);
  if (!face)
    return false;
  FcChar8* family = nullptr;
  Out.Face = face;
  Out.Family = FcPatternGetString(Match, FC_FAMILY, 0, &family) == FcResultMatch
                   ? reinterpret_cast<const char*>(family)
                   : std::string(face->family_name ? face->family_name : "");
  int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(Match, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(Match, FC_SLANT, 0, &slant);
  // Fontconfig answers a bold request for a face that has no bold with the bold weight and the
  // embolden flag; the emboldening is then ours to do.
  FcBool embolden = FcFalse;
  FcPatternGetBool(Match, FC_EMBOLDEN, 0, &embolden);
  Out.SynthBold = Bold && (weight < FC_WEIGHT_DEMIBOLD || embolden);
  Out.SynthItalic = Italic && slant == FC_SLANT_ROMAN;
  return true;
}

class TFreeTypeInstance : public TFontInstance {
public:
  TFreeTypeInstance(const std::vector<std::string>& Families, int Height, TFontStyles Style)
      : FFamilies(Families), FBold(Style.Contains(fsBold)), FItalic(Style.Contains(fsItalic)) {
    FcPattern* pattern = MakePattern(Families, FBold, FItalic);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    TFace face;
    const bool opened = match && OpenFace(match, FBold, FItalic, face);
    if (match)
      FcPatternDestroy(match);
    if (!opened)
      throw std::runtime_error("text: no font face is installed for \"" + Families.front() + "\"");
    FFaces.push_back(face);
    FFamilyName = face.Family;
    SetupMetrics(Height);
  }

  ~TFreeTypeInstance() override {
    for (auto& f : FFaces)
      FT_Done_Face(f.Face);
  }

  const TGlyph& Glyph(char32_t C) override {
    auto it = FGlyphs.find(C);
    if (it != FGlyphs.end())
      return it->second;
    return FGlyphs.emplace(C, Render(C)).first->second;
  }

  std::string FamilyFor(char32_t C) override {
    const int f = FaceFor(C);
    return f < 0 ? std::string() : FFaces[f].Family;
  }

private:
  void SetupMetrics(int Height) {
    FT_Face face = FFaces.front().Face;
    const double upem = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    double ascent = face->ascender, descent = -face->descender;
    if (const auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->usWinAscent + os2->usWinDescent > 0) {
      ascent = os2->usWinAscent;
      descent = os2->usWinDescent;
    }
    if (ascent + descent <= 0) {
      ascent = upem * 0.8;
      descent = upem * 0.2;
    }
    double em;
    if (Height < 0)
      em = -static_cast<double>(Height);
    else if (Height > 0)
      em = Height * upem / (ascent + descent);
    else
      em = 13;
    FPixelSize = std::clamp(static_cast<int>(std::lround(em)), 1, MaxPixelSize);
    const double scale = FPixelSize / upem;
    FAscent = static_cast<int>(std::lround(ascent * scale));
    FDescent = static_cast<int>(std::lround(descent * scale));
    if (Height > 0 && Height <= 2 * MaxPixelSize) {
      // A cell height is what the caller asked for; rounding must not change it.
      FDescent = std::max(0, Height - FAscent);
    }
    FInternalLeading = std::max(0, FAscent + FDescent - FPixelSize);
    FUnderlineThickness = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    FUnderlinePosition = std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
    FUnderlinePosition = std::min(FUnderlinePosition, std::max(1, FDescent - FUnderlineThickness));
    FStrikeoutPosition = std::max(1, FPixelSize * 3 / 10);
    for (auto& f : FFaces)
      FT_Set_Pixel_Sizes(f.Face, 0, FPixelSize);
  }

  // Index into FFaces of the face that has C, opening a fallback face when the main one lacks it;
  // -1 when no installed face has it.
  int FaceFor(char32_t C) {
    if (auto it = FFaceOf.find(C); it != FFaceOf.end())
      return it->second;
    int found = -1;
    for (std::size_t i = 0; i < FFaces.size() && found < 0; ++i)
      if (FT_Get_Char_Index(FFaces[i].Face, C) != 0)
        found = static_cast<int>(i);
    if (found < 0 && !FFallbackSearched.contains(C))
      found = OpenFallback(C);
    FFaceOf[C] = found;
    return found;
  }

  int OpenFallback(char32_t C) {
    FFallbackSearched.insert({C, true});
    FcPattern* pattern = MakePattern(FFamilies, FBold, FItalic);
    FcCharSet* wanted = FcCharSetCreate();
    FcCharSetAddChar(wanted, C);
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
    FcCharSetDestroy(wanted);
    FcResult result;
    FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    int found = -1;
    for (int i = 0; set && i < set->nfont && found < 0; ++i) {
      FcCharSet* charset = nullptr;
      if (FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch ||
          !FcCharSetHasChar(charset, C))
        continue;
      FcPattern* full = FcFontRenderPrepare(nullptr, pattern, set->fonts[i]);
      TFace face;
      if (full && OpenFace(full, FBold, FItalic, face)) {
        if (FT_Get_Char_Index(face.Face, C) != 0) {
          FT_Set_Pixel_Sizes(face.Face, 0, FPixelSize);
          FFaces.push_back(face);
          found = static_cast<int>(FFaces.size()) - 1;
        } else {
          FT_Done_Face(face.Face);
        }
      }
      if (full)
        FcPatternDestroy(full);
    }
    if (set)
      FcFontSetDestroy(set);
    FcPatternDestroy(pattern);
    return found;
  }

  TGlyph Render(char32_t C) {
    TGlyph glyph;
    if (C < 0x20 && C != U'\t')
      return glyph;  // control characters take no room
    const int f = (C == U'\t') ? FaceFor(U' ') : FaceFor(C);
    if (f < 0 || C == U'\t') {
      glyph.Missing = f < 0;
      glyph.Advance = f < 0 ? FPixelSize / 2 : Glyph(U' ').Advance;
      return glyph;
    }
    const TFace& face = FFaces[f];
    const FT_UInt index = FT_Get_Char_Index(face.Face, C);
    if (FT_Load_Glyph(face.Face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0 &&
        FT_Load_Glyph(face.Face, index, FT_LOAD_DEFAULT) != 0) {
      glyph.Missing = true;
      glyph.Advance = FPixelSize / 2;
      return glyph;
    }
    FT_GlyphSlot slot = face.Face->glyph;
    if (face.SynthItalic && slot->format == FT_GLYPH_FORMAT_OUTLINE)
      FT_GlyphSlot_Oblique(slot);
    if (face.SynthBold)
      FT_GlyphSlot_Embolden(slot);
    glyph.Advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
      return glyph;
    const FT_Bitmap& bm = slot->bitmap;
    glyph.Left = slot->bitmap_left;
    glyph.Top = slot->bitmap_top;
    glyph.Width = static_cast<int>(bm.width);
    glyph.Height = static_cast<int>(bm.rows);
    glyph.Coverage.assign(static_cast<std::size_t>(glyph.Width) * glyph.Height, 0);
    for (int y = 0; y < glyph.Height; ++y) {
      const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
      if (bm.pitch < 0)
        row = bm.buffer + static_cast<std::ptrdiff_t>(glyph.Height - 1 - y) * -bm.pitch;
      std::uint8_t* out = glyph.Coverage.data() + static_cast<std::size_t>(y) * glyph.Width;
      for (int x = 0; x < glyph.Width; ++x) {
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
          out[x] = bm.num_grays == 256 ? row[x]
                                       : static_cast<std::uint8_t>(row[x] * 255 / std::max(1, bm.num_grays - 1));
      }
    }
    return glyph;
  }

  std::vector<std::string> FFamilies;
  bool FBold;
  bool FItalic;
  int FPixelSize = 13;
  std::vector<TFace> FFaces;
  std::unordered_map<char32_t, int> FFaceOf;
  std::unordered_map<char32_t, bool> FFallbackSearched;
  std::unordered_map<char32_t, TGlyph> FGlyphs;
};

TEngine::~TEngine() {
  Instances.clear();
  FT_Done_FreeType(FLibrary);
  FcFini();
}

}  // namespace

bool DefaultSansFont(std::string& Family, double& Points) {
  Engine();
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
  if (!pattern)
    return false;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool found = false;
  if (match) {
    FcChar8* family = nullptr;
    double size = 0;
    // The size asked for, as the match carries it over from the configured pattern.
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family &&
        (FcPatternGetDouble(match, FC_SIZE, 0, &size) == FcResultMatch ||
         FcPatternGetDouble(pattern, FC_SIZE, 0, &size) == FcResultMatch) &&
        size > 0) {
      Family = reinterpret_cast<const char*>(family);
      Points = size;
      found = true;
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return found;
}

std::vector<std::string> SubstituteFontName(std::string_view Name) {
  for (const auto& s : Substitutes)
    if (SameFontName(s.Name, Name))
      return {std::string(s.Families[0]), std::string(s.Families[1])};
  return {std::string(Name)};
}

std::shared_ptr<TFontInstance> FindFontInstance(const TFont& Font) {
  auto& engine = Engine();
  const int style = static_cast<int>(Font.Style().Bits() & 0x03);  // underline and strike-out are drawn by the canvas
  auto key = std::make_tuple(Font.Name(), Font.Height(), style);
  auto it = engine.Instances.find(key);
  if (it != engine.Instances.end())
    return it->second;
  auto instance = std::make_shared<TFreeTypeInstance>(SubstituteFontName(Font.Name()), Font.Height(),
                                                      TFontStyles::FromBits(static_cast<std::uint8_t>(style)));
  // Each instance holds a face of some megabytes; text that names fonts without end (a stored form
  // from outside) must not keep them all. Instances nobody else holds go when the cache is full.
  if (engine.Instances.size() >= MaxCachedFontInstances)
    std::erase_if(engine.Instances, [](const auto& entry) { return entry.second.use_count() == 1; });
  engine.Instances.emplace(key, instance);
  return instance;
}

std::size_t CachedFontInstances() { return Engine().Instances.size(); }
