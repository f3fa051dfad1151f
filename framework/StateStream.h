#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace lumen {

// Moving the plug-in's state through a host's stream, which may take or give fewer bytes per call
// than asked. The format's binding only adapts its stream's call to these shapes.
//
// Host's main thread (state is saved and loaded there); reading allocates.
class StateStream {
public:
  // Nothing longer is read into memory: a host that hands over more is not handing over our state.
  static constexpr size_t kMaxStateSize = 64u * 1024u * 1024u;

  // Puts up to `size` bytes into the stream; answers how many it took, 0 or less when it failed.
  using Write = std::function<int64_t(const uint8_t* data, size_t size)>;
  // Fills up to `size` bytes; answers how many, 0 at the end, less than 0 when it failed.
  using Read = std::function<int64_t(uint8_t* data, size_t size)>;

  // Writes all of data, call after call; false as soon as a call takes nothing or claims more than
  // it was offered.
  static bool WriteAll(const Write& write, const uint8_t* data, size_t size);
  // Reads until the stream ends; false when a call fails, answers more than asked, or the total
  // passes kMaxStateSize. bytes holds what was read.
  static bool ReadAll(const Read& read, std::vector<uint8_t>& bytes);
};

} // namespace lumen
