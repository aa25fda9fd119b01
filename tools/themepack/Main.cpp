// themepack: builds, lists and exports theme files.
//
//   themepack pack FOLDER OUT.thm     NAME.bmp pictures and values.txt (Key=value lines)
//   themepack list FILE.thm           one line per entry
//   themepack export LOOK OUT.thm     a built-in look (MacOS, WinXP, DeepBlue, Protein, BlueGlass)

#include "skin/foundation/ZYKThemeFile.h"
#include "tools/themepack/ThemePack.h"

#include <exception>
#include <fstream>
#include <iostream>
#include <string>

namespace {

void WriteFile(const std::string& Path, const std::vector<std::uint8_t>& Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
  Out.close();
  if (!Out)
    throw EThemeFileError("cannot write '" + Path + "'");
}

int Usage() {
  std::cerr << "usage: themepack pack FOLDER OUT.thm | list FILE.thm | export LOOK OUT.thm\n";
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> Args(argv + 1, argv + argc);
  try {
    if (Args.size() == 3 && Args[0] == "pack") {
      WriteFile(Args[2], PackThemeFolder(Args[1]));
    } else if (Args.size() == 2 && Args[0] == "list") {
      for (const std::string& Line : ListThemeFile(Args[1]))
        std::cout << Line << '\n';
    } else if (Args.size() == 3 && Args[0] == "export") {
      const std::optional<int> Style = TzykUIStyleInfo().Value(Args[1]);
      if (!Style || *Style == FromThemeFile) {
        std::cerr << "themepack: '" << Args[1] << "' is not a built-in look\n";
        return 2;
      }
      WriteFile(Args[2], ExportBuiltInLook(static_cast<TzykUIStyle>(*Style)));
    } else {
      return Usage();
    }
  } catch (const std::exception& Error) {
    std::cerr << "themepack: " << Error.what() << '\n';
    return 1;
  }
  return 0;
}
