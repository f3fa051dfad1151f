// Kolmari.lv2's audio path as lilv hosts drive it: every sample rate a host may run at, hostile
// samples on the inputs, and control values that change with every block of every length, all
// without an allocation on the audio thread.
#include "AllocationCounter.h"
#include "Lv2TestHost.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using lv2test::Instance;
using lv2test::World;

bool AllFinite(const Instance& instance, uint32_t frames) {
  for (const auto& channel : instance.out)
    for (uint32_t i = 0; i < frames; ++i)
      if (!std::isfinite(channel[i])) return false;
  return true;
}

float Peak(const Instance& instance, uint32_t frames) {
  float peak = 0.0f;
  for (const auto& channel : instance.out)
    for (uint32_t i = 0; i < frames; ++i) peak = std::max(peak, std::fabs(channel[i]));
  return peak;
}

// A sine at a fixed fraction of the rate, so that every rate hears a tone it can carry.
void FillTone(Instance& instance, uint32_t frames, uint64_t& phase) {
  for (uint32_t i = 0; i < frames; ++i, ++phase)
    for (auto& channel : instance.in)
      channel[i] = 0.7f * static_cast<float>(std::sin(0.03 * static_cast<double>(phase)));
}

TEST(Lv2Audio, EveryRateFromOddToHighGivesFiniteSoundAtEveryOversampling) {
  const World world;
  // The common rates, and some no interface would offer but a host may pass on.
  for (const double rate : {22050.0, 32000.0, 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0, 8000.0, 11025.0,
                            12345.5, 1000.0, 384000.0}) {
    for (const char* uri : {lv2test::kStereo, lv2test::kMono}) {
      Instance instance(world, uri, rate);
      ASSERT_TRUE(instance.Valid()) << uri << " at " << rate;
      instance.Activate();
      uint64_t phase = 0;
      for (int oversampling = 0; oversampling <= 3; ++oversampling) {
        instance.Control("oversampling") = static_cast<float>(oversampling);
        for (const uint32_t frames : {4096u, 4096u, 17u}) {
          FillTone(instance, frames, phase);
          instance.Run(frames);
          ASSERT_TRUE(AllFinite(instance, frames)) << uri << " at " << rate << " Hz, oversampling " << oversampling;
        }
        EXPECT_EQ(instance.latency, 0.0f);
        EXPECT_GT(Peak(instance, 17), 0.0f) << uri << " at " << rate << " Hz, oversampling " << oversampling;
      }
    }
  }
}

TEST(Lv2Audio, NanInfinityAndDenormalInputGiveFiniteOutputAndTheSoundComesBack) {
  const World world;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float denormal = std::numeric_limits<float>::denorm_min() * 1000.0f;
  const float big = std::numeric_limits<float>::max();
  for (const char* uri : {lv2test::kStereo, lv2test::kMono}) {
    for (int oversampling : {0, 3}) {
      Instance instance(world, uri, 48000.0);
      ASSERT_TRUE(instance.Valid());
      instance.Control("oversampling") = static_cast<float>(oversampling);
      instance.Activate();
      // Whole blocks of each, then one bad sample inside a tone.
      for (const float bad : {nan, inf, -inf, denormal, -denormal, big, -big}) {
        for (auto& channel : instance.in) std::fill(channel.begin(), channel.begin() + 512, bad);
        instance.Run(512);
        EXPECT_TRUE(AllFinite(instance, 512)) << uri << ": a block of " << bad;
        uint64_t phase = 0;
        FillTone(instance, 512, phase);
        instance.in[0][100] = bad;
        instance.Run(512);
        EXPECT_TRUE(AllFinite(instance, 512)) << uri << ": one sample of " << bad;
      }
      // Whatever came before, a tone is heard again: no filter stays poisoned or silent.
      uint64_t phase = 0;
      for (int block = 0; block < 8; ++block) {
        FillTone(instance, 1024, phase);
        instance.Run(1024);
      }
      EXPECT_TRUE(AllFinite(instance, 1024)) << uri;
      EXPECT_GT(Peak(instance, 1024), 0.05f) << uri << ", oversampling " << oversampling;
    }
  }
}

TEST(Lv2Audio, ControlsChangingEveryBlockOfEveryLengthStayFiniteAndAllocateNothing) {
  const World world;
  std::mt19937 random(24);
  for (const char* uri : {lv2test::kStereo, lv2test::kMono}) {
    Instance instance(world, uri, 44100.0);
    ASSERT_TRUE(instance.Valid());
    const std::vector<lv2test::ControlInfo> controls = lv2test::ControlInputs(world, instance.Plugin());
    instance.Activate();
    uint64_t phase = 0;
    // Warmed up once: the first run applies every port.
    FillTone(instance, 64, phase);
    instance.Run(64);
    size_t allocations = 0;
    for (int block = 0; block < 1500; ++block) {
      for (const lv2test::ControlInfo& c : controls) {
        float& value = instance.Control(c.symbol);
        if (c.toggled || c.integer) {
          value = static_cast<float>(
              std::uniform_int_distribution<int>(static_cast<int>(c.min), static_cast<int>(c.max))(random));
        } else {
          value = std::uniform_real_distribution<float>(c.min, c.max)(random);
        }
      }
      // Mostly short blocks, now and then one longer than the processor's own.
      const uint32_t frames = block % 50 == 0 ? 4096u : std::uniform_int_distribution<uint32_t>(1, 600)(random);
      FillTone(instance, frames, phase);
      {
        const AllocationCounter counter;
        instance.Run(frames);
        allocations += counter.Count();
      }
      ASSERT_TRUE(AllFinite(instance, frames)) << uri << ", block " << block;
    }
    EXPECT_EQ(allocations, 0u) << uri;
  }
}

TEST(Lv2Audio, BypassReturnsTheInputBitForBitApartAndInPlace) {
  const World world;
  for (const char* uri : {lv2test::kStereo, lv2test::kMono}) {
    Instance instance(world, uri, 96000.0);
    ASSERT_TRUE(instance.Valid());
    instance.Control("oversampling") = 2.0f;
    instance.Control("input_gain") = 150.0f;
    instance.Activate();
    uint64_t phase = 0;
    FillTone(instance, 1000, phase);
    instance.Run(1000);
    instance.Control("enabled") = 0.0f;
    // The switch is a block boundary that may still fade; from the next block on, the input itself.
    FillTone(instance, 1000, phase);
    instance.Run(1000);
    for (uint32_t frames : {1u, 333u, 4096u}) {
      FillTone(instance, frames, phase);
      const std::vector<std::vector<float>> input = instance.in;
      instance.Run(frames);
      for (size_t c = 0; c < input.size(); ++c)
        EXPECT_EQ(0, std::memcmp(instance.out[c].data(), input[c].data(), frames * sizeof(float))) << uri << " apart";
    }
    // In place: each output port on its own input buffer.
    for (int c = 0; c < instance.Channels(); ++c) {
      lilv_instance_connect_port(instance.Get(), instance.Index(instance.AudioSymbol(false, c)),
                                 instance.in[static_cast<size_t>(c)].data());
    }
    FillTone(instance, 2048, phase);
    const std::vector<std::vector<float>> input = instance.in;
    instance.Run(2048);
    for (size_t c = 0; c < input.size(); ++c)
      EXPECT_EQ(0, std::memcmp(instance.in[c].data(), input[c].data(), 2048 * sizeof(float))) << uri << " in place";
  }
}

} // namespace
