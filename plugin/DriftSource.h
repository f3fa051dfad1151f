#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <random>

namespace kolmari {

// The random number behind each block's drift: the first output of a 32-bit Mersenne Twister
// (std::mt19937) freshly seeded with one value from the operating system's random source. Every
// block gets a generator of its own; no generator outlives the number it gave.
//
// Seeding is the costly part with short blocks (a 397-step serial recurrence), so the numbers are
// made eight at a time: eight seeds from the random source, eight fresh generators run side by
// side, one number handed out per block. Audio-thread safe: no locks, no allocation.
class DriftSource {
public:
  static constexpr int kBatch = 8;

  // The number for the next block.
  uint32_t Next();

  // Test seam: with a value set, every block gets it instead.
  void SetFixedDraw(std::optional<uint32_t> draw) { mFixedDraw = draw; }

  // Reproducible mode: with a seed, every block's generator is seeded from it instead of the random
  // source, so every block gets FirstDrawOfFreshGenerator(seed); without one, the random source
  // again. Safe from another thread while Next runs: the number is worked out here and handed over
  // in one atomic word, taken from the next call of Next on.
  void SetFixedSeed(std::optional<uint32_t> seed);

  // The first number std::mt19937(seed) gives, computed from the only three words of the initial
  // state it depends on (0, 1 and 397) instead of the whole state.
  static uint32_t FirstDrawOfFreshGenerator(uint32_t seed);
  static std::array<uint32_t, kBatch> FirstDrawsOfFreshGenerators(const std::array<uint32_t, kBatch>& seeds);

private:
  std::random_device mRandomSource;
  std::array<uint32_t, kBatch> mPending{};
  int mPendingCount = 0;
  uint32_t mFallbackSeed = 0;
  std::optional<uint32_t> mFixedDraw;
  // The fixed seed's number in the low 32 bits, or kNoFixedSeed.
  static constexpr uint64_t kNoFixedSeed = ~uint64_t{0};
  std::atomic<uint64_t> mFixedSeedDraw{kNoFixedSeed};
  static_assert(std::atomic<uint64_t>::is_always_lock_free, "the audio thread must not wait for the seed");
};

} // namespace kolmari
