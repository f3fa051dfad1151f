#include "WavHeader.h"

#include <array>
#include <cstring>
#include <fstream>

namespace kolmari::render {

namespace {

uint32_t Little32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t Little16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

} // namespace

std::optional<int64_t> WavHeader::PromisedFrames(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::array<unsigned char, 12> riff{};
  if (!file.read(reinterpret_cast<char*>(riff.data()), riff.size())) return std::nullopt;
  if (std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) return std::nullopt;

  uint16_t blockAlign = 0;
  // Chunks follow one another, each an identifier, a 32-bit size and the data padded to even size.
  for (int chunks = 0; chunks < 1000; ++chunks) {
    std::array<unsigned char, 8> head{};
    if (!file.read(reinterpret_cast<char*>(head.data()), head.size())) return std::nullopt;
    const uint32_t size = Little32(head.data() + 4);
    if (std::memcmp(head.data(), "fmt ", 4) == 0) {
      std::array<unsigned char, 16> format{};
      if (size < format.size() || !file.read(reinterpret_cast<char*>(format.data()), format.size())) return std::nullopt;
      blockAlign = Little16(format.data() + 12);
      file.seekg(static_cast<std::streamoff>(size - format.size() + (size & 1u)), std::ios::cur);
    } else if (std::memcmp(head.data(), "data", 4) == 0) {
      if (blockAlign == 0 || size == 0 || size == 0xFFFFFFFFu) return std::nullopt;
      return static_cast<int64_t>(size / blockAlign);
    } else {
      file.seekg(static_cast<std::streamoff>(size) + (size & 1u), std::ios::cur);
    }
    if (!file) return std::nullopt;
  }
  return std::nullopt;
}

} // namespace kolmari::render
