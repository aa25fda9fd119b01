#pragma once

#include "platform/core/Resources.h"

#include <cstddef>
#include <span>
#include <string_view>

// The table that the build generates from resources/ (resources/GenerateTable.cmake).
struct TResourceEntry {
  std::string_view Name;
  TResourceType Type = TResourceType::Bitmap;
  const unsigned char* Data = nullptr;
  std::size_t Size = 0;
};

struct TStringEntry {
  int Id = 0;
  std::string_view Text;
};

std::span<const TResourceEntry> EmbeddedResources();
std::span<const TStringEntry> EmbeddedStrings();
