#include "IStateBuffer.h"

#include <algorithm>

namespace lumen {

int IStateBuffer::PutString(std::string_view text) {
  const auto length = static_cast<int32_t>(text.size());
  PutValue(length);
  return PutBytes(text.data(), length);
}

int IStateBuffer::PutBytes(const void* data, int n) {
  if (data && n > 0) {
    const size_t old = mBytes.size();
    Reserve(old + static_cast<size_t>(n));
    mBytes.resize(old + static_cast<size_t>(n));
    std::memcpy(mBytes.data() + old, data, static_cast<size_t>(n));
  }
  return Length();
}

int IStateBuffer::Resize(int n) {
  const size_t size = static_cast<size_t>(std::max(n, 0));
  Reserve(size);
  mBytes.resize(size);
  return Length();
}

// Capacity grows in whole steps of kGranularity bytes.
void IStateBuffer::Reserve(size_t n) {
  if (n <= mBytes.capacity()) return;
  const size_t steps = (n + kGranularity - 1) / kGranularity;
  mBytes.reserve(std::max(steps * kGranularity, mBytes.capacity() * 2));
}

} // namespace lumen
