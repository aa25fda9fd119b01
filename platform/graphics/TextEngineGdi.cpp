// The text engine on Windows: the system's own faces through GDI (GdiFace.cpp), behind the same
// interface as the FreeType engine of the Linux build.
#include "platform/graphics/GdiFace.h"
#include "platform/graphics/TextEngine.h"

#include <algorithm>
#include <array>
#include <map>
#include <stdexcept>
#include <tuple>
#include <unordered_map>

namespace {

// The design's face names are native faces on Windows; only those GDI has as bitmap faces (which
// cannot be anti-aliased or scaled) are asked for as the outline faces that replaced them.
struct TSubstitute {
  std::string_view Name;
  std::array<std::string_view, 2> Families;
};
constexpr TSubstitute Substitutes[] = {
    {"MS Sans Serif", {"Microsoft Sans Serif", "Tahoma"}},
    {"MS Shell Dlg", {"Microsoft Sans Serif", "Tahoma"}},
    {"MS Shell Dlg 2", {"Tahoma", "Microsoft Sans Serif"}},
};

// Faces asked, in this order, for a character the font's own face lacks: the design's CJK face
// first, then faces with wide coverage that Windows installs.
constexpr std::string_view FallbackFamilies[] = {
    "新細明體", "Microsoft JhengHei", "SimSun", "Segoe UI Symbol", "Arial Unicode MS", "Tahoma",
};

constexpr int MaxPixelSize = 512;

class TGdiInstance final : public TFontInstance {
public:
  TGdiInstance(const std::vector<std::string>& Families, int Height, TFontStyles Style)
      : FBold(Style.Contains(fsBold)), FItalic(Style.Contains(fsItalic)) {
    // As the FreeType engine has them: no height is the default 13 pixels, and sizes are bounded.
    FHeight = Height == 0 ? -13 : std::clamp(Height, -MaxPixelSize, 2 * MaxPixelSize);
    for (const std::string& family : Families) {
      if (auto face = TGdiFace::Open(family, FHeight, FBold, FItalic)) {
        FFaces.push_back(std::move(face));
        break;
      }
    }
    if (FFaces.empty())
      throw std::runtime_error("text: no font face is installed for \"" + Families.front() + "\"");
    const TGdiMetrics& m = FFaces.front()->Metrics();
    FAscent = m.Ascent;
    FDescent = m.Descent;
    FInternalLeading = m.InternalLeading;
    FUnderlinePosition = m.UnderlinePosition;
    FUnderlineThickness = m.UnderlineThickness;
    FStrikeoutPosition = m.StrikeoutPosition;
    FFamilyName = FFaces.front()->Family();
    FEm = m.EmHeight;
  }

  const TGlyph& Glyph(char32_t C) override {
    auto it = FGlyphs.find(C);
    if (it != FGlyphs.end())
      return it->second;
    return FGlyphs.emplace(C, Render(C)).first->second;
  }

  std::string FamilyFor(char32_t C) override {
    const int f = FaceFor(C);
    return f < 0 ? std::string() : FFaces[static_cast<std::size_t>(f)]->Family();
  }

private:
  int FaceFor(char32_t C) {
    if (auto it = FFaceOf.find(C); it != FFaceOf.end())
      return it->second;
    int found = -1;
    for (std::size_t i = 0; i < FFaces.size() && found < 0; ++i)
      if (FFaces[i]->Has(C))
        found = static_cast<int>(i);
    // The fallback faces open one by one, in their order, only as far as a character needs: those
    // open so far come first in the order and lack C.
    while (found < 0 && FNextFallback < std::size(FallbackFamilies)) {
      auto face = TGdiFace::Open(std::string(FallbackFamilies[FNextFallback++]), FHeight, FBold, FItalic);
      if (!face)
        continue;
      FFaces.push_back(std::move(face));
      if (FFaces.back()->Has(C))
        found = static_cast<int>(FFaces.size()) - 1;
    }
    FFaceOf[C] = found;
    return found;
  }

  TGlyph Render(char32_t C) {
    TGlyph glyph;
    if (C < 0x20 && C != U'\t')
      return glyph; // control characters take no room
    const int f = C == U'\t' ? FaceFor(U' ') : FaceFor(C);
    if (f < 0 || C == U'\t') {
      glyph.Missing = f < 0;
      glyph.Advance = f < 0 ? FEm / 2 : Glyph(U' ').Advance;
      return glyph;
    }
    TGdiGlyph drawn = FFaces[static_cast<std::size_t>(f)]->Render(C);
    glyph.Advance = drawn.Advance;
    glyph.Left = drawn.Left;
    glyph.Top = drawn.Top;
    glyph.Width = drawn.Width;
    glyph.Height = drawn.Height;
    glyph.Coverage = std::move(drawn.Coverage);
    return glyph;
  }

  bool FBold;
  bool FItalic;
  int FHeight = -13;
  int FEm = 13;
  std::size_t FNextFallback = 0;
  std::vector<std::unique_ptr<TGdiFace>> FFaces;
  std::unordered_map<char32_t, int> FFaceOf;
  std::unordered_map<char32_t, TGlyph> FGlyphs;
};

std::map<std::tuple<std::string, int, int>, std::shared_ptr<TGdiInstance>>& Instances() {
  static std::map<std::tuple<std::string, int, int>, std::shared_ptr<TGdiInstance>> instances;
  return instances;
}

} // namespace

std::vector<std::string> SubstituteFontName(std::string_view Name) {
  for (const auto& s : Substitutes)
    if (SameFontName(s.Name, Name))
      return {std::string(s.Families[0]), std::string(s.Families[1])};
  return {std::string(Name)};
}

std::shared_ptr<TFontInstance> FindFontInstance(const TFont& Font) {
  auto& instances = Instances();
  const int style = static_cast<int>(Font.Style().Bits() & 0x03); // underline and strike-out are drawn by the canvas
  auto key = std::make_tuple(Font.Name(), Font.Height(), style);
  if (auto it = instances.find(key); it != instances.end())
    return it->second;
  auto instance = std::make_shared<TGdiInstance>(SubstituteFontName(Font.Name()), Font.Height(),
                                                 TFontStyles::FromBits(static_cast<std::uint8_t>(style)));
  // Instances nobody else holds go when the cache is full (a stored form may name fonts without end).
  if (instances.size() >= MaxCachedFontInstances)
    std::erase_if(instances, [](const auto& entry) { return entry.second.use_count() == 1; });
  instances.emplace(key, instance);
  return instance;
}

std::size_t CachedFontInstances() { return Instances().size(); }

void KeepFontsBetweenRuns(const std::string&) {}

void SaveKeptFonts() {}

std::string UserCacheFile(std::string_view) { return {}; }

bool DefaultSansFont(std::string& Family, double& Points) {
  int height = 0, dpi = 96;
  if (!GdiMessageFont(Family, height, dpi))
    return false;
  // A negative LOGFONT height is the em in pixels; a positive one includes the internal leading,
  // taken here as the usual fifth.
  const double em = height < 0 ? -height : height * 0.8;
  Points = em * 72.0 / dpi;
  return Points > 0;
}
