#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <vector>

namespace lumen {

// A growable byte array for host chunks, preset slots and editor state. Values are stored in the
// machine's byte order, which is little-endian on every supported target; the stored formats are
// little-endian, two's complement and IEEE 754.
//
// Positions are byte offsets. A read that does not fit returns -1 and leaves its output untouched,
// and a read at a position of -1 fails the same way, so a chain of reads can pass the position
// along and test it once at the end.
class IStateBuffer {
public:
  static constexpr int kGranularity = 4096;

  IStateBuffer() = default;

  // Appends the bytes of a fixed-size value; returns the new length.
  template <typename T>
  int PutValue(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>, "only plain values are stored byte for byte");
    return PutBytes(&value, static_cast<int>(sizeof(T)));
  }

  // Appends the length as a 32-bit signed integer, then the bytes without a terminator; returns
  // the new length.
  int PutString(std::string_view text);

  // Appends n raw bytes (nothing for a null pointer or n <= 0); returns the new length.
  int PutBytes(const void* data, int n);

  // Copies sizeof(T) bytes at pos into value and returns pos + sizeof(T); returns -1 and leaves
  // value untouched when pos is negative or the bytes run past the end.
  template <typename T>
  int GetValue(T& value, int pos) const {
    static_assert(std::is_trivially_copyable_v<T>, "only plain values are read byte for byte");
    if (!Fits(pos, static_cast<int>(sizeof(T)))) return -1;
    std::memcpy(&value, mBytes.data() + pos, sizeof(T));
    return pos + static_cast<int>(sizeof(T));
  }

  // True when n bytes starting at pos lie inside the buffer.
  bool Fits(int pos, int n) const {
    return pos >= 0 && n >= 0 && static_cast<int64_t>(pos) + n <= static_cast<int64_t>(mBytes.size());
  }

  void Clear() { mBytes.clear(); }
  // Sets the length to n bytes (0 for a negative n); new bytes are zero. Returns the new length.
  int Resize(int n);
  int Length() const { return static_cast<int>(mBytes.size()); }
  const uint8_t* Data() const { return mBytes.data(); }
  uint8_t* Data() { return mBytes.data(); }

private:
  void Reserve(size_t n);

  std::vector<uint8_t> mBytes;
};

} // namespace lumen
