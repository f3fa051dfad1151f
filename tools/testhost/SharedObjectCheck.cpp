#include "SharedObjectCheck.h"

#include <elf.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace kolmari::testhost {

namespace {

#if defined(__x86_64__)
constexpr int kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int kMachine = EM_386;
#elif defined(__arm__)
constexpr int kMachine = EM_ARM;
#elif defined(__riscv)
constexpr int kMachine = EM_RISCV;
#else
constexpr int kMachine = -1; // unknown here: the loader judges the machine
#endif

constexpr unsigned char kClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;

std::string MachineName(int machine) {
  switch (machine) {
    case EM_X86_64: return "x86-64";
    case EM_386: return "32-bit x86";
    case EM_AARCH64: return "64-bit ARM";
    case EM_ARM: return "32-bit ARM";
    case EM_RISCV: return "RISC-V";
    case EM_PPC64: return "64-bit PowerPC";
    default: return "machine " + std::to_string(machine);
  }
}

bool LittleEndianHost() {
  const uint16_t probe = 1;
  unsigned char first = 0;
  std::memcpy(&first, &probe, 1);
  return first == 1;
}

// Reads `size` bytes at `offset`; false when the file has fewer.
bool ReadAt(std::ifstream& file, uint64_t offset, void* into, size_t size) {
  file.clear();
  file.seekg(static_cast<std::streamoff>(offset));
  file.read(static_cast<char*>(into), static_cast<std::streamsize>(size));
  return file.gcount() == static_cast<std::streamsize>(size);
}

template <typename Header, typename ProgramHeader>
std::optional<std::string> CheckSegments(std::ifstream& file, uint64_t fileSize) {
  Header header{};
  if (!ReadAt(file, 0, &header, sizeof header)) return "it is truncated: the file ends inside its ELF header";
  if (header.e_type != ET_DYN) return std::string("it is no shared library (ELF type ") + std::to_string(header.e_type) + ")";
  if (kMachine >= 0 && header.e_machine != kMachine)
    return "it is built for " + MachineName(header.e_machine) + ", not for " + MachineName(kMachine);
  if (header.e_phnum == 0) return std::string("it has no program headers, so nothing to load");
  if (header.e_phentsize != sizeof(ProgramHeader)) return std::string("its program headers have an unknown size");
  const uint64_t tableEnd = uint64_t{header.e_phoff} + uint64_t{header.e_phnum} * sizeof(ProgramHeader);
  if (header.e_phoff > fileSize || tableEnd > fileSize)
    return "it is truncated: its program headers end at byte " + std::to_string(tableEnd) + ", the file has " +
           std::to_string(fileSize) + " bytes";
  for (unsigned i = 0; i < header.e_phnum; ++i) {
    ProgramHeader segment{};
    if (!ReadAt(file, header.e_phoff + uint64_t{i} * sizeof segment, &segment, sizeof segment))
      return std::string("it is truncated inside its program headers");
    if (segment.p_type != PT_LOAD) continue;
    const uint64_t end = uint64_t{segment.p_offset} + uint64_t{segment.p_filesz};
    if (end < segment.p_offset || end > fileSize)
      return "it is truncated: a loadable segment ends at byte " + std::to_string(end) + ", the file has " +
             std::to_string(fileSize) + " bytes";
  }
  return std::nullopt;
}

} // namespace

std::optional<std::string> SharedObjectCheck::Problem(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  file.seekg(0, std::ios::end);
  const std::streamoff end = file.tellg();
  if (end < 0) return std::nullopt; // not seekable: nothing the loader could map either
  const auto fileSize = static_cast<uint64_t>(end);

  unsigned char ident[EI_NIDENT]{};
  if (!ReadAt(file, 0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
    return std::string("it is no shared library (no ELF header)");
  if (ident[EI_CLASS] != ELFCLASS32 && ident[EI_CLASS] != ELFCLASS64) return std::string("its ELF class is unknown");
  if (ident[EI_CLASS] != kClass)
    return std::string("it is a ") + (ident[EI_CLASS] == ELFCLASS64 ? "64" : "32") + "-bit binary; this program is " +
           (kClass == ELFCLASS64 ? "64" : "32") + "-bit";
  if (ident[EI_DATA] != (LittleEndianHost() ? ELFDATA2LSB : ELFDATA2MSB))
    return std::string("its byte order is not this machine's");
  if (kClass == ELFCLASS64) return CheckSegments<Elf64_Ehdr, Elf64_Phdr>(file, fileSize);
  return CheckSegments<Elf32_Ehdr, Elf32_Phdr>(file, fileSize);
}

} // namespace kolmari::testhost
