// Feeds arbitrary bytes to the theme file reader. Whatever it accepts must answer lookups and hand
// out picture streams that read back to their end.

#include "skin/foundation/ZYKThemeFile.h"

#include <cstdlib>
#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  try {
    TzykThemeFileReader Reader("fuzz.thm", {Data, Size});
    std::size_t Total = 0;
    for (const std::string& Name : Reader.PictureNames()) {
      std::istream* Stream = Reader.GetFile(Name);
      if (!Stream)
        std::abort();
      Total += std::string(std::istreambuf_iterator<char>(*Stream), std::istreambuf_iterator<char>()).size();
    }
    if (Total > Size)
      std::abort();
    for (const std::string& Line : Reader.Integers())
      Reader.GetInt(Line.substr(0, Line.find('=')));
    for (const std::string& Line : Reader.Flags())
      Reader.GetBool(Line.substr(0, Line.find('=')));
  } catch (const EThemeFileError&) {
  }
  return 0;
}
