// The mono configuration as a host sets it up: one-channel speaker arrangements both ways, then audio
// calls with one buffer each way.

#include "KolmariBinary.h"

#include "VstInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace kolmari::binary::test {
namespace {

using namespace lumen::vst2;

constexpr int32_t kFrames = 256;
constexpr int kBlocks = 8;

VstSpeakerArrangement Arrangement(int32_t type, int32_t channels) {
  VstSpeakerArrangement arrangement{};
  arrangement.type = type;
  arrangement.numChannels = channels;
  return arrangement;
}

std::vector<float> Sine(int block) {
  std::vector<float> samples(kFrames);
  for (int32_t f = 0; f < kFrames; ++f)
    samples[static_cast<size_t>(f)] = 0.6f * static_cast<float>(std::sin(0.03 * (block * kFrames + f)));
  return samples;
}

// One buffer each way, in pointer arrays of exactly one entry, as a mono host passes them.
template <typename Sample, typename Call>
std::vector<Sample> ProcessMono(AEffect* effect, Call call, const std::vector<float>& input) {
  std::vector<Sample> in(input.begin(), input.end());
  std::vector<Sample> out(input.size(), Sample(9));
  auto inputs = std::make_unique<Sample*[]>(1);
  auto outputs = std::make_unique<Sample*[]>(1);
  inputs[0] = in.data();
  outputs[0] = out.data();
  (effect->*call)(effect, inputs.get(), outputs.get(), static_cast<int32_t>(input.size()));
  return out;
}

class MonoTest : public ::testing::Test {
protected:
  void SetUp() override {
    mono = LoadKolmari();
    ASSERT_TRUE(mono);
    mono->StartUp(44100.0, kFrames);
    VstSpeakerArrangement in = Arrangement(kSpeakerArrMono, 1), out = Arrangement(kSpeakerArrMono, 1);
    mono->Suspend();
    ASSERT_EQ(mono->SetSpeakerArrangement(&in, &out), 1);
    mono->Resume();
  }

  std::unique_ptr<VstPluginInstance> mono;
};

TEST_F(MonoTest, BypassPassesTheOneChannelThroughOnEveryCall) {
  mono->SetParameter(0, 1.0f);
  AEffect* effect = mono->Effect();
  std::vector<float> input = Sine(0);
  // Subnormal samples too, which a processed 32-bit block would give back as zero.
  for (size_t f = 0; f < input.size(); f += 3) input[f] = std::numeric_limits<float>::denorm_min() * static_cast<float>(f + 1);
  EXPECT_EQ(ProcessMono<float>(effect, &AEffect::processReplacing, input), input);
  const std::vector<double> doubled = ProcessMono<double>(effect, &AEffect::processDoubleReplacing, input);
  EXPECT_TRUE(std::equal(doubled.begin(), doubled.end(), input.begin()));
  // The old call adds to what the buffer held (9 here).
  const std::vector<float> added = ProcessMono<float>(effect, &AEffect::process, input);
  for (size_t f = 0; f < input.size(); ++f) ASSERT_EQ(added[f], 9.0f + input[f]) << f;
}

// The mono channel is processed exactly as the left channel of a stereo instance with the same
// settings and the same drift seed is, and it is not the input.
TEST_F(MonoTest, GivesTheProcessedSignal) {
  auto stereo = LoadKolmari();
  ASSERT_TRUE(stereo);
  stereo->StartUp(44100.0, kFrames);
  for (auto* plugin : {mono.get(), stereo.get()}) {
    ASSERT_TRUE(plugin->SetFixedSeed(31u));
    plugin->SetParameter(4, 0.8f);  // Input Gain 160 %
    plugin->SetParameter(5, 1.0f);  // Wet 100 %
  }

  double maxDifference = 0.0, maxChange = 0.0;
  for (int block = 0; block < kBlocks; ++block) {
    const std::vector<float> input = Sine(block);
    const std::vector<float> out = ProcessMono<float>(mono->Effect(), &AEffect::processReplacing, input);

    AudioBuffers<float> stereoIn(2, kFrames), stereoOut(2, kFrames);
    stereoIn.Channel(0) = input;
    stereoIn.Channel(1) = input;
    ASSERT_TRUE(stereo->ProcessReplacing(stereoIn, stereoOut));

    for (size_t f = 0; f < input.size(); ++f) {
      ASSERT_TRUE(IsCleanSample(out[f])) << "block " << block << ", frame " << f << ": " << out[f];
      maxDifference = std::max(maxDifference, static_cast<double>(std::fabs(out[f] - stereoOut.Channel(0)[f])));
      maxChange = std::max(maxChange, static_cast<double>(std::fabs(out[f] - input[f])));
    }
  }
  EXPECT_EQ(maxDifference, 0.0);
  EXPECT_GT(maxChange, 0.05) << "the output must be shaped, not the input";
}

TEST_F(MonoTest, StereoAgainAfterwards) {
  VstSpeakerArrangement in = Arrangement(kSpeakerArrStereo, 2), out = Arrangement(kSpeakerArrStereo, 2);
  mono->Suspend();
  ASSERT_EQ(mono->SetSpeakerArrangement(&in, &out), 1);
  mono->Resume();
  mono->SetParameter(0, 1.0f);
  AudioBuffers<float> stereoIn(2, kFrames), stereoOut(2, kFrames, 9.0f);
  // Copied into the channels' own storage, which the pointer array points at.
  const std::vector<float> left = Sine(0), right = Sine(1);
  stereoIn.Channel(0) = left;
  stereoIn.Channel(1) = right;
  ASSERT_TRUE(mono->ProcessReplacing(stereoIn, stereoOut));
  EXPECT_EQ(stereoOut.Channel(0), stereoIn.Channel(0));
  EXPECT_EQ(stereoOut.Channel(1), stereoIn.Channel(1));
}

// A host that sets mono inputs but stereo outputs: the second output is fed nothing, and the
// processed first one is unharmed.
TEST_F(MonoTest, MonoInStereoOutReadsOneInputBuffer) {
  VstSpeakerArrangement in = Arrangement(kSpeakerArrMono, 1), out = Arrangement(kSpeakerArrStereo, 2);
  mono->Suspend();
  ASSERT_EQ(mono->SetSpeakerArrangement(&in, &out), 1);
  mono->Resume();
  mono->SetParameter(0, 1.0f);
  const std::vector<float> input = Sine(2);
  std::vector<float> left(kFrames, 9.0f), right(kFrames, 9.0f);
  auto inputs = std::make_unique<float*[]>(1);
  inputs[0] = const_cast<float*>(input.data());
  float* outputs[2] = {left.data(), right.data()};
  mono->Effect()->processReplacing(mono->Effect(), inputs.get(), outputs, kFrames);
  EXPECT_EQ(left, input);
  EXPECT_EQ(right, std::vector<float>(kFrames, 0.0f)) << "the second output has no input: silence";
}

} // namespace
} // namespace kolmari::binary::test
