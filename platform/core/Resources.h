#pragma once

#include "platform/core/Errors.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Resources are files of resources/ built into the program: pictures and stored form descriptions
// found by name and type, and a string table found by number.
enum class TResourceType { Bitmap, Icon, Form };

// A resource name that the program does not carry.
class EResNotFound : public Exception {
  using Exception::Exception;
};

// The bytes of the resource (a BMP or ICO file, or a form description's UTF-8 text). Names compare without regard to letter case, as
// resource names do. Raises EResNotFound "resource 'NAME' not found".
std::span<const std::uint8_t> FindResource(std::string_view Name, TResourceType Type);
bool ResourceExists(std::string_view Name, TResourceType Type);
// The names of all resources of one type, in the table's order.
std::vector<std::string_view> ResourceNames(TResourceType Type);

// The string-table entry Id, UTF-8; empty when there is none (as the platform's string loading).
std::string LoadStr(int Id);
