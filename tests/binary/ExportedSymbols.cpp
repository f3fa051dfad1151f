#include "ExportedSymbols.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace kolmari::test {

namespace {

using Bytes = std::vector<unsigned char>;

// Little-endian integer of N bytes at offset, or nullopt past the end.
template <typename T>
std::optional<T> At(const Bytes& bytes, uint64_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return std::nullopt;
  T value{};
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

std::optional<std::string> StringAt(const Bytes& bytes, uint64_t offset) {
  if (offset >= bytes.size()) return std::nullopt;
  const auto* begin = bytes.data() + offset;
  const auto* end = std::find(begin, bytes.data() + bytes.size(), '\0');
  if (end == bytes.data() + bytes.size()) return std::nullopt;
  return std::string(begin, end);
}

std::optional<std::vector<std::string>> ElfExports(const Bytes& b) {
  if (b.size() < 64 || b[4] != 2 || b[5] != 1) return std::nullopt; // 64-bit, little-endian
  const auto sectionTable = At<uint64_t>(b, 0x28);
  const auto entrySize = At<uint16_t>(b, 0x3A);
  const auto count = At<uint16_t>(b, 0x3C);
  if (!sectionTable || !entrySize || !count || *entrySize < 64) return std::nullopt;
  for (uint16_t i = 0; i < *count; ++i) {
    const uint64_t header = *sectionTable + uint64_t{i} * *entrySize;
    const auto type = At<uint32_t>(b, header + 4);
    if (!type) return std::nullopt;
    if (*type != 11) continue; // SHT_DYNSYM
    const auto offset = At<uint64_t>(b, header + 0x18);
    const auto size = At<uint64_t>(b, header + 0x20);
    const auto link = At<uint32_t>(b, header + 0x28);
    const auto symbolSize = At<uint64_t>(b, header + 0x38);
    if (!offset || !size || !link || !symbolSize || *symbolSize < 24 || *link >= *count) return std::nullopt;
    const auto strings = At<uint64_t>(b, *sectionTable + uint64_t{*link} * *entrySize + 0x18);
    if (!strings) return std::nullopt;
    std::vector<std::string> names;
    for (uint64_t s = *offset; s + *symbolSize <= *offset + *size; s += *symbolSize) {
      const auto name = At<uint32_t>(b, s);
      const auto info = At<uint8_t>(b, s + 4);
      const auto sectionIndex = At<uint16_t>(b, s + 6);
      if (!name || !info || !sectionIndex) return std::nullopt;
      const int binding = *info >> 4;
      if (*sectionIndex == 0 || *name == 0 || (binding != 1 && binding != 2)) continue; // defined, global or weak
      const auto text = StringAt(b, *strings + *name);
      if (!text) return std::nullopt;
      names.push_back(*text);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  return std::vector<std::string>{};
}

std::optional<std::vector<std::string>> PeExports(const Bytes& b) {
  const auto peOffset = At<uint32_t>(b, 0x3C);
  if (!peOffset || At<uint32_t>(b, *peOffset) != 0x00004550u) return std::nullopt; // "PE\0\0"
  const uint64_t coff = *peOffset + 4;
  const auto sections = At<uint16_t>(b, coff + 2);
  const auto optionalSize = At<uint16_t>(b, coff + 16);
  const uint64_t optional = coff + 20;
  if (!sections || !optionalSize || At<uint16_t>(b, optional) != 0x20B) return std::nullopt; // PE32+
  const auto exportRva = At<uint32_t>(b, optional + 112);
  if (!exportRva) return std::nullopt;
  if (*exportRva == 0) return std::vector<std::string>{};

  const uint64_t sectionTable = optional + *optionalSize;
  auto fileOffset = [&](uint32_t rva) -> std::optional<uint64_t> {
    for (uint16_t i = 0; i < *sections; ++i) {
      const uint64_t s = sectionTable + uint64_t{i} * 40;
      const auto virtualSize = At<uint32_t>(b, s + 8);
      const auto address = At<uint32_t>(b, s + 12);
      const auto rawOffset = At<uint32_t>(b, s + 20);
      if (!virtualSize || !address || !rawOffset) return std::nullopt;
      if (rva >= *address && rva - *address < *virtualSize) return uint64_t{*rawOffset} + (rva - *address);
    }
    return std::nullopt;
  };
  const auto directory = fileOffset(*exportRva);
  if (!directory) return std::nullopt;
  const auto nameCount = At<uint32_t>(b, *directory + 24);
  const auto namesRva = At<uint32_t>(b, *directory + 32);
  if (!nameCount || !namesRva) return std::nullopt;
  const auto namesTable = fileOffset(*namesRva);
  if (*nameCount > 0 && !namesTable) return std::nullopt;
  std::vector<std::string> names;
  for (uint32_t i = 0; i < *nameCount; ++i) {
    const auto nameRva = At<uint32_t>(b, *namesTable + uint64_t{i} * 4);
    const auto name = nameRva ? fileOffset(*nameRva) : std::nullopt;
    const auto text = name ? StringAt(b, *name) : std::nullopt;
    if (!text) return std::nullopt;
    names.push_back(*text);
  }
  std::sort(names.begin(), names.end());
  return names;
}

} // namespace

std::optional<std::vector<std::string>> ExportedSymbols(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 4 && std::memcmp(bytes.data(), "\x7F" "ELF", 4) == 0) return ElfExports(bytes);
  if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') return PeExports(bytes);
  return std::nullopt;
}

} // namespace kolmari::test
