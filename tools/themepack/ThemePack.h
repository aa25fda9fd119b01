#pragma once

#include "skin/foundation/ZYKThemes.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The name of the text file of Key=value lines in a theme folder.
inline constexpr const char* ThemeValuesFileName = "values.txt";

// A theme file from Folder: every NAME.bmp becomes the picture entry NAME (checked to decode), and
// each Key=value line of values.txt an entry whose kind follows the theme key: integers and colours
// (decimal, or hexadecimal after "0x" or "$") and flags (0, 1, True, False); a "text NAME=value"
// line is a text entry. Blank lines and lines starting with '#' are skipped. Raises
// EThemeFileError naming the file and line of a fault (a key that is no theme key among them).
std::vector<std::uint8_t> PackThemeFolder(const std::filesystem::path& Folder);

// One line per entry of a theme file, in file order by kind: "picture NAME (N bytes)",
// "integer NAME=V", "flag NAME=V", "text NAME=T".
std::vector<std::string> ListThemeFile(const std::string& FileName);

// A theme file holding every value and picture of a built-in look.
std::vector<std::uint8_t> ExportBuiltInLook(TzykUIStyle Style);
