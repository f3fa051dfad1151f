#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace lumen::canvas {

// One file embedded into the library: its file name ("Nuppi.png"), its type (the upper-cased
// extension, "PNG") and its bytes, which live as long as the library.
struct IEmbeddedResource {
  const char* name;
  const char* type;
  const uint8_t* data;
  size_t size;
};

// The editor's embedded files, looked up by file name and type without regard to letter case. On
// platforms without module resources the build generates one table of them and installs it as the
// process default; tests hand a surface a table of their own.
class IResourceTable {
public:
  constexpr IResourceTable() = default;
  constexpr explicit IResourceTable(std::span<const IEmbeddedResource> entries) : mEntries(entries) {}

  // The entry named so with that type, or null. Entries smaller than kMinimumSize count as absent.
  const IEmbeddedResource* Find(std::string_view name, std::string_view type) const;
  bool Empty() const { return mEntries.empty(); }

  static constexpr size_t kMinimumSize = 8;

  // The table the build installed for this library (an empty table until it does).
  static const IResourceTable& Default();
  static void SetDefault(const IResourceTable* table);

private:
  std::span<const IEmbeddedResource> mEntries;
};

} // namespace lumen::canvas
