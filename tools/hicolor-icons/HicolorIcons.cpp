#include "tools/hicolor-icons/HicolorIcons.h"

#include "platform/core/Errors.h"
#include "platform/core/FileWrite.h"
#include "platform/graphics/PngCodec.h"

#include <algorithm>

std::vector<int> ParseIconSizes(const std::vector<std::string>& Args) {
  std::vector<int> sizes;
  for (const std::string& arg : Args) {
    // Four digits are enough for every allowed size and keep the number from overflowing.
    const bool digits = !arg.empty() && arg.size() <= 4 &&
                        std::all_of(arg.begin(), arg.end(), [](char c) { return c >= '0' && c <= '9'; });
    const int size = digits ? std::stoi(arg) : 0;
    if (size < 1 || size > MaxHicolorSide)
      throw Exception("'" + arg + "' is not an icon size (a whole number from 1 to " +
                      std::to_string(MaxHicolorSide) + ")");
    if (std::find(sizes.begin(), sizes.end(), size) != sizes.end())
      throw Exception("the size " + arg + " is given twice");
    sizes.push_back(size);
  }
  return sizes;
}

std::vector<std::uint8_t> IconPng(const TIcon& Icon, int Size) {
  const std::unique_ptr<TIcon> sized = Icon.SizedCopy(Size, Size);
  if (sized->Empty())
    throw Exception("the icon holds no image to write at " + std::to_string(Size) + " x " + std::to_string(Size));
  return EncodePngWithAlpha(sized->CurrentImage());
}

std::vector<std::filesystem::path> WriteHicolorIcons(const TIcon& Icon, std::string_view Name,
                                                     std::span<const int> Sizes, const std::filesystem::path& Root) {
  const std::filesystem::path file = std::string(Name) + ".png";
  if (Name.empty() || file.has_parent_path() || Name == "." || Name == "..")
    throw Exception("'" + std::string(Name) + "' is not a plain icon name");
  std::vector<std::filesystem::path> written;
  for (const int size : Sizes) {
    const std::string side = std::to_string(size);
    const std::filesystem::path folder = Root / (side + "x" + side) / "apps";
    const std::vector<std::uint8_t> png = IconPng(Icon, size);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
      throw EFileWriteError("cannot make the folder '" + folder.string() + "': " + error.message());
    WriteWholeFile((folder / file).string(), png);
    written.push_back(folder / file);
  }
  return written;
}
