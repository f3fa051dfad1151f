// Audio through the plug-in binary as hosts deliver it: every common sample rate, block sizes from
// 1 to 4096 and blocks twice as long as the size the host set, random parameter values before every
// block, on all three audio calls. Every output sample must be finite and not subnormal.

#include "KolmariBinary.h"

#include "VstInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <sstream>
#include <tuple>

namespace kolmari::binary::test {
namespace {

using namespace lumen::vst2;

enum class AudioCall { Accumulating, Replacing, DoubleReplacing };

std::string CallName(AudioCall call) {
  switch (call) {
    case AudioCall::Accumulating: return "Accumulating";
    case AudioCall::Replacing: return "Replacing";
    case AudioCall::DoubleReplacing: return "DoubleReplacing";
  }
  return {};
}

constexpr double kSampleRates[] = {22050, 44100, 48000, 88200, 96000, 176400, 192000};
constexpr int32_t kBlockSizes[] = {1, 7, 64, 511, 512, 4096};

// Parameter values as automation delivers them. The four switches ("Bypass", "React",
// "Oversampling", "Delta") act only on whole real values, so they often get exactly the normalised
// values of their positions; everything else is drawn evenly.
void RandomParameters(VstPluginInstance& plugin, std::mt19937& rng, std::ostringstream& log) {
  std::uniform_real_distribution<float> any(0.0f, 1.0f);
  std::bernoulli_distribution exactPosition(0.6);
  log.str("");
  for (int i = 0; i < kParameterCount; ++i) {
    float value = any(rng);
    const double range = kParameters[static_cast<size_t>(i)].max - kParameters[static_cast<size_t>(i)].min;
    if (i <= 3 && exactPosition(rng)) {
      const int positions = static_cast<int>(range) + 1;
      value = static_cast<float>(std::uniform_int_distribution<int>(0, positions - 1)(rng)) / static_cast<float>(range);
    }
    plugin.SetParameter(i, value);
    log << kParameters[static_cast<size_t>(i)].name << '=' << value << ' ';
  }
}

// Silence (often right after loud material, where decaying filter states turn subnormal), quiet and
// loud sines, a hard square and noise.
template <typename Sample>
void FillInput(AudioBuffers<Sample>& input, std::mt19937& rng, double sampleRate, int64_t startFrame) {
  const int kind = std::uniform_int_distribution<int>(0, 4)(rng);
  const double frequency = std::uniform_real_distribution<double>(20.0, 0.45 * sampleRate)(rng);
  std::normal_distribution<double> noise(0.0, 0.3);
  for (int32_t c = 0; c < input.Channels(); ++c) {
    auto& channel = input.Channel(c);
    for (size_t f = 0; f < channel.size(); ++f) {
      const double phase = 2.0 * std::numbers::pi * frequency * static_cast<double>(startFrame + static_cast<int64_t>(f)) /
                           sampleRate + c;
      double x = 0.0;
      switch (kind) {
        case 0: x = 0.0; break;
        case 1: x = 1e-6 * std::sin(phase); break;
        case 2: x = 0.5 * std::sin(phase); break;
        case 3: x = std::sin(phase) >= 0.0 ? 2.0 : -2.0; break;
        default: x = noise(rng); break;
      }
      channel[f] = static_cast<Sample>(x);
    }
  }
}

class AudioSweepTest : public ::testing::TestWithParam<std::tuple<AudioCall, double>> {};

TEST_P(AudioSweepTest, EveryOutputSampleIsFiniteAndNotSubnormal) {
  const auto [call, sampleRate] = GetParam();
  std::mt19937 rng(static_cast<uint32_t>(sampleRate) * 3u + static_cast<uint32_t>(call));
  std::ostringstream parameters;

  for (const int32_t blockSize : kBlockSizes) {
    auto plugin = LoadKolmari();
    ASSERT_TRUE(plugin);
    plugin->StartUp(sampleRate, blockSize);

    // Blocks of the size set alternate with blocks twice as long (hosts do deliver those), until
    // there are a few of each and enough frames for tails to decay.
    int64_t framesDone = 0;
    for (int block = 0; block < 6 || framesDone < 8192; ++block) {
      const int32_t frames = block % 2 == 0 ? blockSize : 2 * blockSize;
      RandomParameters(*plugin, rng, parameters);
      std::string unclean;
      if (call == AudioCall::DoubleReplacing) {
        AudioBuffers<double> in(2, frames), out(2, frames, 7.0);
        FillInput(in, rng, sampleRate, framesDone);
        ASSERT_TRUE(plugin->ProcessDoubleReplacing(in, out));
        unclean = FirstUncleanSample(out);
      } else {
        AudioBuffers<float> in(2, frames), out(2, frames, call == AudioCall::Accumulating ? 0.0f : 7.0f);
        FillInput(in, rng, sampleRate, framesDone);
        ASSERT_TRUE(call == AudioCall::Accumulating ? plugin->Process(in, out) : plugin->ProcessReplacing(in, out));
        unclean = FirstUncleanSample(out);
      }
      ASSERT_TRUE(unclean.empty()) << CallName(call) << " at " << sampleRate << " Hz, block size " << blockSize
                                   << ", block " << block << " of " << frames << " frames: " << unclean
                                   << "\nparameters: " << parameters.str();
      framesDone += frames;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllRatesAndCalls, AudioSweepTest,
                         ::testing::Combine(::testing::Values(AudioCall::Accumulating, AudioCall::Replacing,
                                                              AudioCall::DoubleReplacing),
                                            ::testing::ValuesIn(kSampleRates)),
                         [](const ::testing::TestParamInfo<AudioSweepTest::ParamType>& sweep) {
                           return CallName(std::get<0>(sweep.param)) + "_" +
                                  std::to_string(static_cast<int>(std::get<1>(sweep.param)));
                         });

// A host block longer than the block size it set is processed whole: with "Bypass" on the output is
// the input exactly, up to the last frame of a length that is no multiple of the block size, and the
// old call adds to what the output buffer held.
TEST(OversizedHostBlockTest, IsProcessedUpToItsLastFrameOnEveryCall) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->StartUp(48000.0, 64);
  plugin->SetParameter(0, 1.0f);  // Bypass
  constexpr int32_t kFrames = 64 * 3 + 13;

  AudioBuffers<float> in(2, kFrames);
  for (int32_t c = 0; c < 2; ++c)
    for (int32_t f = 0; f < kFrames; ++f) in.Channel(c)[static_cast<size_t>(f)] = 0.001f * static_cast<float>(f + 1) * (c == 0 ? 1.0f : -1.0f);

  AudioBuffers<float> replaced(2, kFrames, 9.0f);
  ASSERT_TRUE(plugin->ProcessReplacing(in, replaced));
  EXPECT_EQ(replaced.Channel(0), in.Channel(0));
  EXPECT_EQ(replaced.Channel(1), in.Channel(1));

  AudioBuffers<float> added(2, kFrames, 0.25f);
  ASSERT_TRUE(plugin->Process(in, added));
  for (int32_t c = 0; c < 2; ++c)
    for (int32_t f = 0; f < kFrames; ++f)
      ASSERT_EQ(added.Channel(c)[static_cast<size_t>(f)], in.Channel(c)[static_cast<size_t>(f)] + 0.25f)
          << "channel " << c << ", frame " << f;

  AudioBuffers<double> in64(2, kFrames), out64(2, kFrames, 9.0);
  for (int32_t c = 0; c < 2; ++c)
    for (int32_t f = 0; f < kFrames; ++f) in64.Channel(c)[static_cast<size_t>(f)] = in.Channel(c)[static_cast<size_t>(f)];
  ASSERT_TRUE(plugin->ProcessDoubleReplacing(in64, out64));
  EXPECT_EQ(out64.Channel(0), in64.Channel(0));
  EXPECT_EQ(out64.Channel(1), in64.Channel(1));

  // With the effect on, the frames past the block size are processed too: no frame keeps what the
  // output buffer held, and a sine comes out shaped, not silent.
  plugin->SetParameter(0, 0.0f);
  for (int32_t c = 0; c < 2; ++c)
    for (int32_t f = 0; f < kFrames; ++f)
      in.Channel(c)[static_cast<size_t>(f)] = 0.5f * static_cast<float>(std::sin(0.05 * f));
  replaced.Fill(9.0f);
  ASSERT_TRUE(plugin->ProcessReplacing(in, replaced));
  double tailEnergy = 0.0;
  for (int32_t c = 0; c < 2; ++c) {
    for (int32_t f = 0; f < kFrames; ++f) {
      const float y = replaced.Channel(c)[static_cast<size_t>(f)];
      ASSERT_LT(std::fabs(y), 2.0f) << "channel " << c << ", frame " << f;
      if (f >= 64 * 3) tailEnergy += y * y;
    }
  }
  EXPECT_GT(tailEnergy, 0.0);
}

// Hosts call the audio entry points in states a careful host would avoid: before effOpen, while
// processing is switched off, and after nonsense sample rates.
TEST(HostGlitchTest, AudioBeforeOpenAndAfterNonsenseRatesStaysFinite) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  AudioBuffers<float> in(2, 256, 0.5f), out(2, 256, 7.0f);
  ASSERT_TRUE(plugin->ProcessReplacing(in, out));  // never opened: the construction defaults
  EXPECT_TRUE(FirstUncleanSample(out).empty());
  EXPECT_LT(out.PeakAbs(), 2.0f);

  plugin->Open();
  for (const float rate : {0.0f, -44100.0f, std::nanf(""), INFINITY, 1.0f, 1e9f}) {
    plugin->Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    out.Fill(7.0f);
    ASSERT_TRUE(plugin->ProcessReplacing(in, out));
    EXPECT_TRUE(FirstUncleanSample(out).empty()) << "rate " << rate;
    EXPECT_LT(out.PeakAbs(), 2.0f) << "rate " << rate;
  }
}

} // namespace
} // namespace kolmari::binary::test
