#pragma once

// An editor's rectangle in window pixels, as effEditGetRect hands it to the host.

#include <cstddef>
#include <cstdint>

namespace lumen::vst2 {

struct ERect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

static_assert(sizeof(ERect) == 8);
static_assert(offsetof(ERect, top) == 0);
static_assert(offsetof(ERect, left) == 2);
static_assert(offsetof(ERect, bottom) == 4);
static_assert(offsetof(ERect, right) == 6);

} // namespace lumen::vst2
