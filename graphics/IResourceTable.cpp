#include "IResourceTable.h"

#include <atomic>
#include <cctype>

namespace lumen::canvas {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

const IResourceTable kEmptyTable;
std::atomic<const IResourceTable*> gDefaultTable{nullptr};

} // namespace

const IEmbeddedResource* IResourceTable::Find(std::string_view name, std::string_view type) const {
  if (name.empty()) return nullptr;
  for (const IEmbeddedResource& entry : mEntries) {
    if (!entry.name || !entry.type || !entry.data || entry.size < kMinimumSize) continue;
    if (EqualNoCase(entry.name, name) && EqualNoCase(entry.type, type)) return &entry;
  }
  return nullptr;
}

const IResourceTable& IResourceTable::Default() {
  const IResourceTable* table = gDefaultTable.load();
  return table ? *table : kEmptyTable;
}

void IResourceTable::SetDefault(const IResourceTable* table) { gDefaultTable.store(table); }

} // namespace lumen::canvas
