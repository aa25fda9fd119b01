#pragma once

#include "platform/graphics/Icon.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The largest icon side written; icon themes know nothing larger than 512.
inline constexpr int MaxHicolorSide = 512;

// The sizes named by Args, each a whole number from 1 to MaxHicolorSide written in decimal digits.
// Raises Exception naming the first argument that is not one, or a size given twice.
std::vector<int> ParseIconSizes(const std::vector<std::string>& Args);

// Icon at Size x Size as a PNG with its transparency: the icon's image of that size, otherwise the
// smallest larger one (or the largest) scaled to it.
std::vector<std::uint8_t> IconPng(const TIcon& Icon, int Size);

// Writes Icon for each of Sizes into an icon theme's layout under Root, as
// Root/SIZExSIZE/apps/NAME.png, making the folders it needs. Name must be a plain file name.
// Returns the files written, in the order of Sizes. Raises Exception for an empty icon or a bad
// name, and EFileWriteError naming a file that cannot be written.
std::vector<std::filesystem::path> WriteHicolorIcons(const TIcon& Icon, std::string_view Name,
                                                     std::span<const int> Sizes, const std::filesystem::path& Root);
