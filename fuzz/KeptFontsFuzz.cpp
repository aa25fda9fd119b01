// Feeds arbitrary bytes to the reader of kept fonts. Whatever it accepts must write back as text that
// reads as the same thing, and every glyph it accepts must hold exactly its width times its height
// of coverage.

#include "platform/graphics/KeptFonts.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TKeptFonts kept;
  try {
    kept = TKeptFonts::Parse({reinterpret_cast<const char*>(Data), Size});
  } catch (const EKeptFonts&) {
    return 0;
  }
  for (const auto& [key, font] : kept.Fonts)
    for (const auto& [c, glyph] : font.Glyphs)
      if (glyph.Coverage.size() != static_cast<std::size_t>(glyph.Width) * static_cast<std::size_t>(glyph.Height))
        std::abort();
  const std::string text = kept.Format();
  const TKeptFonts again = TKeptFonts::Parse(text);
  if (again.Format() != text)
    std::abort();
  return 0;
}
