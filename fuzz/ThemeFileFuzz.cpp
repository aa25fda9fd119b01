// Feeds arbitrary bytes to the theme file reader. Whatever it accepts must answer lookups and hand
// out picture streams that read back whole on every lookup.

#include "skin/foundation/ZYKThemeFile.h"

#include <cstdlib>
#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  try {
    TzykThemeFileReader Reader("fuzz.thm", {Data, Size});
    // Duplicate names all lead to the first picture of the name, so each is checked on its own.
    for (const std::string& Name : Reader.PictureNames()) {
      std::istream* Stream = Reader.GetFile(Name);
      if (!Stream)
        std::abort();
      const std::string First(std::istreambuf_iterator<char>(*Stream), std::istreambuf_iterator<char>{});
      Stream = Reader.GetFile(Name);
      const std::string Again(std::istreambuf_iterator<char>(*Stream), std::istreambuf_iterator<char>{});
      if (First.size() > Size || First != Again)
        std::abort();
    }
    for (const std::string& Line : Reader.Integers())
      Reader.GetInt(Line.substr(0, Line.find('=')));
    for (const std::string& Line : Reader.Flags())
      Reader.GetBool(Line.substr(0, Line.find('=')));
  } catch (const EThemeFileError&) {
  }
  return 0;
}
