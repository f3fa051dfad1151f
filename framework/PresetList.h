#pragma once

#include <string>
#include <vector>

namespace lumen {

// A preset the editor offers: factory presets carry their category, user presets the file they
// were read from. Values are real values by parameter index, exactly as the parameters hold them
// once loaded (stepped and clamped), so that comparing them with the parameters is exact.
struct PresetEntry {
  std::string category;
  std::string name;
  std::vector<double> values;
  bool user = false;
  std::string path;
  // Why a user preset's file cannot be loaded (its values are then empty, and it matches no
  // settings); empty when it can.
  std::string error;
};

// The presets in menu order: factory presets first (in their own order), then user presets by
// name. User-interface thread only.
class PresetList {
public:
  void SetFactory(std::vector<PresetEntry> presets);
  // Replaces the user presets; they are sorted by name.
  void SetUser(std::vector<PresetEntry> presets);

  int Count() const { return static_cast<int>(mEntries.size()); }
  int FactoryCount() const { return mFactoryCount; }
  // Null for an index outside the list.
  const PresetEntry* At(int index) const;
  // The first entry of that name among the user presets or the factory presets; -1 when none.
  int Find(const std::string& name, bool user) const;
  // The categories of the factory presets in order of first appearance.
  std::vector<std::string> Categories() const;
  // The neighbours in menu order, wrapping around; -1 for an empty list. From -1 (no preset
  // loaded) the next is the first and the previous the last.
  int Next(int index) const;
  int Previous(int index) const;

private:
  std::vector<PresetEntry> mEntries;
  int mFactoryCount = 0;
};

} // namespace lumen
