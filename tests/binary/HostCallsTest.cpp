// The calls the binary makes to its host: identification once on open, and per audio call exactly
// the time information and the process level, whatever the host answers.

#include "KolmariBinary.h"

#include "VstInterface.h"

#include <gtest/gtest.h>

namespace kolmari::binary::test {
namespace {

using namespace lumen::vst2;
using testhost::HostCall;

TEST(HostIdentificationTest, HappensOnceOnTheFirstOpen) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  auto& recorder = plugin->Host().Recorder();
  EXPECT_EQ(recorder.Count(audioMasterGetProductString), 0u) << "not before effOpen";

  plugin->Open();
  ASSERT_EQ(recorder.Count(audioMasterGetProductString), 1u);
  ASSERT_EQ(recorder.Count(audioMasterGetVendorVersion), 1u);
  const auto calls = recorder.Calls();
  size_t product = calls.size(), version = calls.size();
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].opcode == audioMasterGetProductString) product = i;
    if (calls[i].opcode == audioMasterGetVendorVersion) version = i;
  }
  EXPECT_LT(product, version) << "the version is asked for after the product string";
  EXPECT_EQ(calls[product].answer, 1) << "the test host's product string was handed over";
  EXPECT_TRUE(calls[product].withEffect);

  plugin->Open();
  EXPECT_EQ(recorder.Count(audioMasterGetProductString), 1u);
  EXPECT_EQ(recorder.Count(audioMasterGetVendorVersion), 1u);
}

TEST(HostIdentificationTest, AHostWithoutAProductStringIsNotAskedForItsVersion) {
  HostSettings settings;
  settings.productString = "";
  auto plugin = LoadKolmari(settings);
  ASSERT_TRUE(plugin);
  plugin->Open();
  EXPECT_EQ(plugin->Host().Recorder().Count(audioMasterGetProductString), 1u);
  EXPECT_EQ(plugin->Host().Recorder().Count(audioMasterGetVendorVersion), 0u);
  plugin->Open();
  EXPECT_EQ(plugin->Host().Recorder().Count(audioMasterGetProductString), 1u) << "an unknown host is still identified";
}

// The expected traffic of one audio call: time information (asking for musical position, tempo,
// bars, cycle and time signature) and then the process level.
void ExpectOneBlockOfTraffic(const std::vector<HostCall>& calls, size_t first, const std::string& what) {
  ASSERT_GE(calls.size(), first + 2) << what;
  EXPECT_EQ(calls[first].opcode, audioMasterGetTime) << what;
  EXPECT_EQ(calls[first].value, 0x3E00) << what;
  EXPECT_EQ(calls[first + 1].opcode, audioMasterGetCurrentProcessLevel) << what;
}

TEST(PerBlockHostCallsTest, ExactlyTimeAndProcessLevelPerAudioCall) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->StartUp(48000.0, 64);
  auto& recorder = plugin->Host().Recorder();
  recorder.Clear();

  AudioBuffers<float> in(2, 64, 0.25f), out(2, 64);
  AudioBuffers<float> longIn(2, 200, 0.25f), longOut(2, 200);  // longer than the block size: sliced inside
  AudioBuffers<double> in64(2, 64, 0.25), out64(2, 64);
  ASSERT_TRUE(plugin->ProcessReplacing(in, out));
  ASSERT_TRUE(plugin->Process(in, out));
  ASSERT_TRUE(plugin->ProcessDoubleReplacing(in64, out64));
  ASSERT_TRUE(plugin->ProcessReplacing(longIn, longOut));
  plugin->SetParameter(4, 0.9f);  // automation makes no host call either
  ASSERT_TRUE(plugin->Process(longIn, longOut));

  const auto calls = recorder.Calls();
  ASSERT_EQ(calls.size(), 10u);
  for (size_t block = 0; block < 5; ++block) ExpectOneBlockOfTraffic(calls, 2 * block, "call " + std::to_string(block));
}

TEST(PerBlockHostCallsTest, AnyTransportAnswerIsTaken) {
  auto plugin = LoadKolmari();
  ASSERT_TRUE(plugin);
  plugin->StartUp(44100.0, 128);
  AudioBuffers<float> in(2, 128, 0.3f), out(2, 128);

  plugin->Host().SetTransportAvailable(false);  // no time information at all
  ASSERT_TRUE(plugin->ProcessReplacing(in, out));
  EXPECT_TRUE(FirstUncleanSample(out).empty());

  plugin->Host().SetTransportAvailable(true);
  VstTimeInfo odd{};
  odd.flags = kVstTempoValid | kVstPpqPosValid | kVstCyclePosValid | kVstTimeSigValid | kVstBarsValid |
              kVstTransportPlaying;
  odd.tempo = 0.0;
  odd.ppqPos = -4.0;
  odd.cycleStartPos = 2.0;
  odd.cycleEndPos = -1.0;
  odd.timeSigNumerator = 0;
  odd.timeSigDenominator = -3;
  odd.samplePos = -1e12;
  plugin->Host().SetTransport(odd);
  ASSERT_TRUE(plugin->ProcessReplacing(in, out));
  EXPECT_TRUE(FirstUncleanSample(out).empty());

  // An offline render is reported as such by the host; processing goes on the same.
  plugin->Host().SetProcessLevel(kVstProcessLevelOffline);
  AudioBuffers<double> in64(2, 16, 0.1), out64(2, 16);
  ASSERT_TRUE(plugin->ProcessDoubleReplacing(in64, out64));
  EXPECT_TRUE(FirstUncleanSample(out64).empty());
}

} // namespace
} // namespace kolmari::binary::test
