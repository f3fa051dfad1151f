#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kolmari::test {

// The names a plug-in binary exports, read from the file itself: the defined dynamic symbols of a
// 64-bit ELF shared object, or the export table of a 64-bit PE DLL. Sorted; nullopt when the file
// is neither or is damaged.
std::optional<std::vector<std::string>> ExportedSymbols(const std::string& path);

} // namespace kolmari::test
