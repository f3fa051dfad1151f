#include "DriftSource.h"

// Linux only: MinGW-w64's GCC does not align the stack for 32-byte AVX spills on Windows, so the
// Windows build keeps the scalar loop, which gives the same words.
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__)
#include <immintrin.h>
#define KOLMARI_DRIFT_AVX2 1
#endif

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

#ifdef KOLMARI_DRIFT_AVX2
// The recurrences in the 32-bit lanes of AVX2 registers, eight registers in flight so that the
// multiplier's latency is hidden: integer arithmetic, so the words are the same as the scalar
// loop's. Used only where the processor has AVX2.
constexpr int kRegisters = DriftSource::kBatch / 8;

__attribute__((target("avx2"))) void InitialWordsAvx2(const uint32_t* seeds, uint32_t* word1, uint32_t* word397) {
  const __m256i multiplier = _mm256_set1_epi32(1812433253);
  __m256i word[kRegisters];
  for (int r = 0; r < kRegisters; ++r) word[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(seeds + 8 * r));
  for (uint32_t i = 1; i <= kShift; ++i) {
    const __m256i step = _mm256_set1_epi32(static_cast<int>(i));
    for (int r = 0; r < kRegisters; ++r) {
      const __m256i mixed = _mm256_xor_si256(word[r], _mm256_srli_epi32(word[r], 30));
      word[r] = _mm256_add_epi32(_mm256_mullo_epi32(multiplier, mixed), step);
      if (i == 1) _mm256_storeu_si256(reinterpret_cast<__m256i*>(word1 + 8 * r), word[r]);
    }
  }
  for (int r = 0; r < kRegisters; ++r) _mm256_storeu_si256(reinterpret_cast<__m256i*>(word397 + 8 * r), word[r]);
}

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

} // namespace

uint32_t DriftSource::FirstDrawOfFreshGenerator(uint32_t seed) {
  const uint32_t word1 = InitStep(seed, 1);
  uint32_t word = word1;
  for (uint32_t i = 2; i <= kShift; ++i) word = InitStep(word, i);
  return FirstOutput(seed, word1, word);
}

std::array<uint32_t, DriftSource::kBatch> DriftSource::FirstDrawsOfFreshGenerators(
    const std::array<uint32_t, kBatch>& seeds) {
  // The recurrences are independent, so running them in one loop lets the processor overlap them:
  // many numbers cost little more than one.
  std::array<uint32_t, kBatch> word1{};
  std::array<uint32_t, kBatch> word{};
#ifdef KOLMARI_DRIFT_AVX2
  static_assert(kBatch % 8 == 0, "whole AVX2 registers of 32-bit lanes");
  if (HasAvx2()) {
    InitialWordsAvx2(seeds.data(), word1.data(), word.data());
  } else
#endif
  {
    for (int lane = 0; lane < kBatch; ++lane) word1[lane] = InitStep(seeds[lane], 1);
    word = word1;
    for (uint32_t i = 2; i <= kShift; ++i) {
      for (int lane = 0; lane < kBatch; ++lane) word[lane] = InitStep(word[lane], i);
    }
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
    for (uint32_t& seed : seeds) seed = mRandomSource.Next();
    mPending = FirstDrawsOfFreshGenerators(seeds);
    mPendingCount = kBatch;
  }
  return mPending[static_cast<size_t>(--mPendingCount)];
}

} // namespace kolmari
