// hicolor-icons ICON.ico NAME OUTDIR SIZE...: writes an icon file's pictures as PNGs in an icon
// theme's layout (OUTDIR/16x16/apps/NAME.png, ...), which desktops look up by NAME. The build makes
// the program's desktop icons with it from the icon the program carries.

#include "tools/hicolor-icons/HicolorIcons.h"

#include "platform/core/FileWrite.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// No icon file of any sensible picture comes near this.
constexpr std::uintmax_t MaxIconFileBytes = 16u << 20;

int Usage(const std::string& Fault) {
  std::fprintf(stderr, "hicolor-icons: %s\n", Fault.c_str());
  std::fprintf(stderr, "usage: hicolor-icons ICON.ico NAME OUTDIR SIZE...\n");
  return 2;
}

int Fail(const std::string& Message) {
  std::fprintf(stderr, "hicolor-icons: %s\n", Message.c_str());
  return 1;
}

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() < 4)
    return Usage(args.empty() ? "no icon file given" : "no sizes given");
  const std::string& iconPath = args[0];
  std::vector<int> sizes;
  try {
    sizes = ParseIconSizes({args.begin() + 3, args.end()});
  } catch (const std::exception& e) {
    return Usage(e.what());
  }

  std::error_code error;
  if (!std::filesystem::is_regular_file(iconPath, error))
    return Fail(iconPath + ": no such file");
  const auto size = std::filesystem::file_size(iconPath, error);
  if (error || size > MaxIconFileBytes)
    return Fail(iconPath + ": " + (error ? error.message() : "larger than any icon file may be"));
  std::ifstream in(iconPath, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad())
    return Fail(iconPath + ": cannot be read");

  TIcon icon;
  try {
    icon.LoadFromBytes(bytes);
  } catch (const std::exception& e) {
    return Fail(iconPath + ": " + e.what());
  }
  try {
    WriteHicolorIcons(icon, args[1], sizes, args[2]);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  return 0;
}
