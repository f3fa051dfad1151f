#include "DriftSource.h"

namespace kolmari {

namespace {

// The Mersenne Twister's initialisation, one step: word i from word i - 1.
inline uint32_t InitStep(uint32_t previous, uint32_t i) { return 1812433253u * (previous ^ (previous >> 30)) + i; }

// The first output from words 0, 1 and 397 of the initial state: one twist, then the tempering.
inline uint32_t FirstOutput(uint32_t word0, uint32_t word1, uint32_t word397) {
  const uint32_t mixed = (word0 & 0x80000000u) | (word1 & 0x7FFFFFFFu);
  uint32_t y = word397 ^ (mixed >> 1) ^ ((mixed & 1u) ? 0x9908B0DFu : 0u);
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}

constexpr uint32_t kShift = 397;

} // namespace

uint32_t DriftSource::FirstDrawOfFreshGenerator(uint32_t seed) {
  const uint32_t word1 = InitStep(seed, 1);
  uint32_t word = word1;
  for (uint32_t i = 2; i <= kShift; ++i) word = InitStep(word, i);
  return FirstOutput(seed, word1, word);
}

std::array<uint32_t, DriftSource::kBatch> DriftSource::FirstDrawsOfFreshGenerators(
    const std::array<uint32_t, kBatch>& seeds) {
  // The eight recurrences are independent, so running them in one loop lets the processor overlap
  // them: eight numbers cost little more than one.
  std::array<uint32_t, kBatch> word1{};
  for (int lane = 0; lane < kBatch; ++lane) word1[lane] = InitStep(seeds[lane], 1);
  std::array<uint32_t, kBatch> word = word1;
  for (uint32_t i = 2; i <= kShift; ++i) {
    for (int lane = 0; lane < kBatch; ++lane) word[lane] = InitStep(word[lane], i);
  }
  std::array<uint32_t, kBatch> draws{};
  for (int lane = 0; lane < kBatch; ++lane) draws[lane] = FirstOutput(seeds[lane], word1[lane], word[lane]);
  return draws;
}

void DriftSource::SetFixedSeed(std::optional<uint32_t> seed) {
  mFixedSeedDraw.store(seed ? FirstDrawOfFreshGenerator(*seed) : kNoFixedSeed, std::memory_order_relaxed);
}

uint32_t DriftSource::Next() {
  if (mFixedDraw) return *mFixedDraw;
  if (const uint64_t fixed = mFixedSeedDraw.load(std::memory_order_relaxed); fixed != kNoFixedSeed)
    return static_cast<uint32_t>(fixed);
  if (mPendingCount == 0) {
    std::array<uint32_t, kBatch> seeds{};
    for (uint32_t& seed : seeds) {
      // The random source may report a failure by throwing; that must not reach the host's audio
      // thread. The drift then goes on from a fixed sequence of seeds.
      try {
        seed = static_cast<uint32_t>(mRandomSource());
      } catch (...) {
        seed = ++mFallbackSeed * 2654435761u;
      }
    }
    mPending = FirstDrawsOfFreshGenerators(seeds);
    mPendingCount = kBatch;
  }
  return mPending[static_cast<size_t>(--mPendingCount)];
}

} // namespace kolmari
