#pragma once

#include <cstdint>

namespace lumen {

struct IMidiMessage {
  int32_t offset = 0; // sample offset within the block
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
};

// Refers to bytes it does not own: valid only for the duration of the call that hands it over.
struct ISysExMessage {
  int32_t offset = 0;
  int32_t size = 0;
  const uint8_t* data = nullptr;
};

} // namespace lumen
