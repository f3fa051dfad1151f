#pragma once

#include "IMidiMessage.h"

#include <cstdint>

namespace lumen {

// A SysEx message copied by value, so it can cross threads through a ring queue. It holds at most
// kMaxData bytes, and its size never claims more bytes than it holds.
struct SysExRecord {
  static constexpr int kMaxData = 512;

  int32_t offset = 0;
  int32_t size = 0;
  uint8_t data[kMaxData] = {};

  // Copies a message. A longer message keeps its first kMaxData bytes and reports that size; a
  // negative size reads as 0; a null data pointer gives zero bytes of the (limited) size.
  static SysExRecord FromMessage(const ISysExMessage& message);

  // A view of the bytes this record holds; valid while the record lives and stays unchanged.
  ISysExMessage AsMessage() const { return ISysExMessage{offset, size, data}; }
};

} // namespace lumen
