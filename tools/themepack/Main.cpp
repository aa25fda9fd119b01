// themepack: builds, lists and exports theme files.
//
//   themepack pack FOLDER OUT.thm     NAME.bmp pictures and values.txt (Key=value, text NAME=value)
//   themepack list FILE.thm           one line per entry
//   themepack export LOOK OUT.thm     a built-in look (MacOS, WinXP, DeepBlue, Protein, BlueGlass)

#include "platform/core/FileWrite.h"
#include "skin/foundation/ZYKThemeFile.h"
#include "tools/themepack/ThemePack.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

int Usage(const std::string& Fault) {
  std::cerr << "themepack: " << Fault << "\n"
            << "usage: themepack pack FOLDER OUT.thm | list FILE.thm | export LOOK OUT.thm\n";
  return 2;
}

struct TCommand {
  const char* Name;
  std::size_t Arguments;
  const char* Form;
};

const TCommand Commands[] = {
    {"pack", 2, "themepack pack FOLDER OUT.thm"},
    {"list", 1, "themepack list FILE.thm"},
    {"export", 2, "themepack export LOOK OUT.thm"},
};

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> Args(argv + 1, argv + argc);
  if (Args.empty())
    return Usage("no command given");
  const std::string& Command = Args[0];
  const auto Found = std::find_if(std::begin(Commands), std::end(Commands),
                                  [&](const TCommand& C) { return Command == C.Name; });
  if (Found == std::end(Commands))
    return Usage("unknown command '" + Command + "'");
  if (Args.size() > Found->Arguments + 1)
    return Usage("unknown argument '" + Args[Found->Arguments + 1] + "'");
  if (Args.size() < Found->Arguments + 1)
    return Usage("'" + Command + "' takes " + std::to_string(Found->Arguments) +
                 (Found->Arguments == 1 ? " argument: " : " arguments: ") + Found->Form);
  try {
    if (Command == "pack") {
      WriteWholeFile(Args[2], PackThemeFolder(Args[1]));
    } else if (Command == "list") {
      for (const std::string& Line : ListThemeFile(Args[1]))
        std::cout << Line << '\n';
    } else {
      const std::optional<int> Style = TzykUIStyleInfo().Value(Args[1]);
      if (!Style || *Style == FromThemeFile) {
        std::cerr << "themepack: '" << Args[1] << "' is not a built-in look (the looks: MacOS, WinXP, DeepBlue, "
                  << "Protein, BlueGlass)\n";
        return 2;
      }
      WriteWholeFile(Args[2], ExportBuiltInLook(static_cast<TzykUIStyle>(*Style)));
    }
  } catch (const std::exception& Error) {
    std::cerr << "themepack: " << Error.what() << '\n';
    return 1;
  }
  return 0;
}
