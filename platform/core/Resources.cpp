#include "platform/core/Resources.h"

#include "platform/core/ClassInfo.h"
#include "platform/core/ResourceTable.h"

namespace {

const TResourceEntry* Lookup(std::string_view Name, TResourceType Type) {
  for (const TResourceEntry& entry : EmbeddedResources())
    if (entry.Type == Type && SameText(entry.Name, Name))
      return &entry;
  return nullptr;
}

} // namespace

std::span<const std::uint8_t> FindResource(std::string_view Name, TResourceType Type) {
  const TResourceEntry* entry = Lookup(Name, Type);
  if (entry == nullptr)
    throw EResNotFound("resource '" + std::string(Name) + "' not found");
  return {entry->Data, entry->Size};
}

bool ResourceExists(std::string_view Name, TResourceType Type) { return Lookup(Name, Type) != nullptr; }

std::vector<std::string_view> ResourceNames(TResourceType Type) {
  std::vector<std::string_view> names;
  for (const TResourceEntry& entry : EmbeddedResources())
    if (entry.Type == Type)
      names.push_back(entry.Name);
  return names;
}

std::string LoadStr(int Id) {
  for (const TStringEntry& entry : EmbeddedStrings())
    if (entry.Id == Id)
      return std::string(entry.Text);
  return {};
}
