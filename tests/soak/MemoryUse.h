#pragma once

// The process's memory at one moment, in two views: the resident size the system sees, and the
// bytes the C allocator has handed out and not had back, where a leak shows first and exactly.

#include <cstddef>

namespace kolmari::soak {

struct MemoryUse {
  size_t residentBytes = 0;
  size_t heapBytes = 0;

  static MemoryUse Now();
};

} // namespace kolmari::soak
