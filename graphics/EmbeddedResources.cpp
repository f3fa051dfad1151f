#include "EmbeddedResources.h"

#include <cstring>

namespace lumen::canvas {

namespace {

// Only ASCII letters fold: resource names are file names, and the locale must not matter.
char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

}  // namespace

const EmbeddedResource* FindEmbeddedResource(std::span<const EmbeddedResource> table,
                                             std::string_view name, std::string_view type) {
  if (name.empty()) return nullptr;
  for (const EmbeddedResource& entry : table) {
    if (entry.name == nullptr || entry.type == nullptr) continue;
    if (!EqualIgnoringCase(entry.type, type)) continue;
    const std::string_view stored(entry.name, std::strlen(entry.name));
    // The stored name carries its quotes; a name too short to hold them matches nothing.
    if (stored.size() < 2) continue;
    if (!EqualIgnoringCase(stored.substr(1, stored.size() - 2), name)) continue;
    if (entry.data == nullptr || entry.size < kMinEmbeddedResourceSize) return nullptr;
    return &entry;
  }
  return nullptr;
}

}  // namespace lumen::canvas
