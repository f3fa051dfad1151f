// The fixed-seed vendor call on the plug-in binary: renders become reproducible only when a host
// asks, in both audio paths, and the default keeps drawing from the operating system.
#include "KolmariBinary.h"

#include "VstFixedSeedCall.h"
#include "VstInterface.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>
#include <type_traits>

namespace kolmari::binary::test {
namespace {

using namespace lumen::vst2;

constexpr int32_t kBlock = 256;
constexpr int kBlocks = 24;

// A fresh instance at 48 kHz, given a seed (or left alone), then this signal rendered block by block
// through the chosen path; every output sample of every block, both channels.
template <typename Sample>
std::vector<Sample> Render(std::optional<uint32_t> seed, bool callSeed = true) {
  auto plugin = LoadKolmari();
  if (!plugin) return {};
  if (callSeed) {
    EXPECT_TRUE(plugin->SetFixedSeed(seed));
  }
  plugin->StartUp(48000.0, kBlock);
  std::vector<Sample> rendered;
  AudioBuffers<Sample> in(2, kBlock), out(2, kBlock);
  for (int b = 0; b < kBlocks; ++b) {
    for (int32_t c = 0; c < 2; ++c) {
      for (int32_t f = 0; f < kBlock; ++f) {
        const double t = static_cast<double>(b * kBlock + f) / 48000.0;
        in.Channel(c)[static_cast<size_t>(f)] = static_cast<Sample>(0.7 * std::sin(2.0 * std::numbers::pi * (220.0 + 110.0 * c) * t));
      }
    }
    if constexpr (std::is_same_v<Sample, double>) {
      EXPECT_TRUE(plugin->ProcessDoubleReplacing(in, out));
    } else {
      EXPECT_TRUE(plugin->ProcessReplacing(in, out));
    }
    for (int32_t c = 0; c < 2; ++c) rendered.insert(rendered.end(), out.Channel(c).begin(), out.Channel(c).end());
  }
  return rendered;
}

template <typename Sample>
double LargestDifference(const std::vector<Sample>& a, const std::vector<Sample>& b) {
  EXPECT_EQ(a.size(), b.size());
  double largest = 0.0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    largest = std::max(largest, std::abs(static_cast<double>(a[i]) - static_cast<double>(b[i])));
  return largest;
}

template <typename Sample>
void CheckReproducibility() {
  const auto first = Render<Sample>(12345u);
  const auto second = Render<Sample>(12345u);
  ASSERT_FALSE(first.empty());
  // Bit for bit, not merely close.
  EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(Sample)), 0)
      << "largest difference " << LargestDifference(first, second);
  // Another seed is another drift: close, but not the same.
  const double otherSeed = LargestDifference(first, Render<Sample>(54321u));
  EXPECT_GT(otherSeed, 0.0);
  EXPECT_LT(otherSeed, 1e-2);
  // Without the call, each render draws from the operating system, so two renders differ.
  EXPECT_GT(LargestDifference(Render<Sample>(std::nullopt, false), Render<Sample>(std::nullopt, false)), 0.0);
  // Asking for the operating system's source is the same as never asking.
  EXPECT_GT(LargestDifference(Render<Sample>(std::nullopt), Render<Sample>(std::nullopt)), 0.0);
}

TEST(FixedSeedTest, SameSeedRendersBitIdenticallyInThe32BitPath) { CheckReproducibility<float>(); }

TEST(FixedSeedTest, SameSeedRendersBitIdenticallyInThe64BitPath) { CheckReproducibility<double>(); }

// The call only answers when it is this call, and a seed it cannot read changes nothing.
TEST(FixedSeedTest, OnlyTheExactCallIsAnswered) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  uint32_t seed = 7;
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, kFixedSeedIndex, kUseFixedSeed, &seed), kUseFixedSeed);
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, kFixedSeedIndex, kUseSystemSource), kUseSystemSource);
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, kFixedSeedIndex, kUseFixedSeed, nullptr), 0);
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, kFixedSeedIndex, 0, &seed), 0);
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, kFixedSeedIndex, kUseFixedSeed + 1, &seed), 0);
  EXPECT_EQ(plugin->Dispatch(effVendorSpecific, 0, kUseFixedSeed, &seed), 0);
  EXPECT_EQ(seed, 7u);
}

// The seed is no setting: a chunk saved with one set is byte for byte the chunk without it.
TEST(FixedSeedTest, IsNotPartOfTheSavedState) {
  auto plain = LoadKolmari();
  auto seeded = LoadKolmari();
  ASSERT_TRUE(plain && seeded);
  ASSERT_TRUE(seeded->SetFixedSeed(99u));
  EXPECT_EQ(plain->GetChunk(true), seeded->GetChunk(true));
  EXPECT_EQ(plain->GetChunk(false), seeded->GetChunk(false));
}

} // namespace
} // namespace kolmari::binary::test
