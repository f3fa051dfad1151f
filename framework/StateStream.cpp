#include "StateStream.h"

namespace lumen {

bool StateStream::WriteAll(const Write& write, const uint8_t* data, size_t size) {
  if (!write || (!data && size > 0)) return false;
  size_t written = 0;
  while (written < size) {
    const int64_t n = write(data + written, size - written);
    if (n <= 0 || static_cast<uint64_t>(n) > size - written) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

bool StateStream::ReadAll(const Read& read, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (!read) return false;
  uint8_t chunk[4096];
  for (;;) {
    const int64_t n = read(chunk, sizeof chunk);
    if (n == 0) return true;
    if (n < 0 || static_cast<uint64_t>(n) > sizeof chunk) return false;
    if (bytes.size() + static_cast<size_t>(n) > kMaxStateSize) return false;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
}

} // namespace lumen
