#pragma once

#include <array>
#include <cstdint>
#include <random>

namespace kolmari {

// 32-bit values from the operating system's nondeterministic random source, one per call, fetched
// in batches: one system call (getrandom on Linux, BCryptGenRandom on Windows, never blocking) brings
// 64 values. Where that call is not
// available or fails (for example before the kernel's pool is ready), each value comes from
// std::random_device instead, and if even that fails, from a fixed sequence.
//
// Audio thread: no locks, no allocation; at most one system call per 64 values.
class OsSeedSource {
public:
  static constexpr int kBatch = 64;

  uint32_t Next();

  // Fills `count` values from the operating system without blocking; false if it could not fill
  // them all. Portable builds without such a call always answer false.
  static bool Fetch(uint32_t* values, int count);

private:
  std::array<uint32_t, kBatch> mValues{};
  int mCount = 0;
  std::random_device mFallback;
  uint32_t mFallbackCounter = 0;
};

} // namespace kolmari
