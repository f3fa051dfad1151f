#include "PresetList.h"

#include <algorithm>
#include <utility>

namespace lumen {

void PresetList::SetFactory(std::vector<PresetEntry> presets) {
  std::vector<PresetEntry> user(mEntries.begin() + mFactoryCount, mEntries.end());
  mEntries = std::move(presets);
  for (PresetEntry& e : mEntries) e.user = false;
  mFactoryCount = Count();
  for (PresetEntry& e : user) mEntries.push_back(std::move(e));
}

void PresetList::SetUser(std::vector<PresetEntry> presets) {
  for (PresetEntry& e : presets) e.user = true;
  std::stable_sort(presets.begin(), presets.end(),
                   [](const PresetEntry& a, const PresetEntry& b) { return a.name < b.name; });
  mEntries.resize(static_cast<size_t>(mFactoryCount));
  for (PresetEntry& e : presets) mEntries.push_back(std::move(e));
}

const PresetEntry* PresetList::At(int index) const {
  return index >= 0 && index < Count() ? &mEntries[static_cast<size_t>(index)] : nullptr;
}

int PresetList::Find(const std::string& name, bool user) const {
  for (int i = 0; i < Count(); ++i) {
    const PresetEntry& e = mEntries[static_cast<size_t>(i)];
    if (e.user == user && e.name == name) return i;
  }
  return -1;
}

std::vector<std::string> PresetList::Categories() const {
  std::vector<std::string> categories;
  for (int i = 0; i < mFactoryCount; ++i) {
    const std::string& c = mEntries[static_cast<size_t>(i)].category;
    if (std::find(categories.begin(), categories.end(), c) == categories.end()) categories.push_back(c);
  }
  return categories;
}

int PresetList::Next(int index) const {
  if (Count() == 0) return -1;
  return index < 0 || index + 1 >= Count() ? 0 : index + 1;
}

int PresetList::Previous(int index) const {
  if (Count() == 0) return -1;
  return index <= 0 || index > Count() ? Count() - 1 : index - 1;
}

} // namespace lumen
