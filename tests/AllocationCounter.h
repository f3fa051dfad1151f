#pragma once

#include <cstddef>

// Counts heap allocations made by the current thread while a guard is alive. The test binary
// replaces the global allocation functions to do the counting.
class AllocationCounter {
public:
  AllocationCounter();
  ~AllocationCounter();
  AllocationCounter(const AllocationCounter&) = delete;
  AllocationCounter& operator=(const AllocationCounter&) = delete;

  std::size_t Count() const;
};
