#include "IEffectProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <tuple>
#include <vector>

using namespace lumen;

namespace {

using Buffers = std::vector<std::vector<double>>;

IEffectSettings SettingsFor(const char* channelIO) {
  IEffectSettings settings;
  settings.channelIO = channelIO;
  return settings;
}

class TestProcessor : public IEffectProcessor {
public:
  explicit TestProcessor(const char* channelIO) : IEffectProcessor(SettingsFor(channelIO)) {}
  bool SendMidiToHost(const IMidiMessage& message) override {
    sent.push_back(message);
    return sent.size() > replies.size() || replies[sent.size() - 1];
  }
  std::vector<IMidiMessage> sent;
  std::vector<bool> replies; // the answer to each send; true once used up
};

// Records every block and what each input record delivered; output i = input i + 0.5.
class RecordingProcessor : public TestProcessor {
public:
  explicit RecordingProcessor(const char* channelIO)
      : TestProcessor(channelIO), seen(static_cast<size_t>(MaxChannels(ERoute::Input))) {}
  void ProcessBlock(double** inputs, double** outputs, int frames) override {
    blocks.push_back(frames);
    const int nIn = MaxChannels(ERoute::Input);
    for (int c = 0; c < nIn; ++c) {
      for (int s = 0; s < frames; ++s) seen[static_cast<size_t>(c)].push_back(inputs[c] ? inputs[c][s] : 0.0);
    }
    for (int c = 0; c < MaxChannels(ERoute::Output); ++c) {
      for (int s = 0; outputs[c] && s < frames; ++s) outputs[c][s] = (c < nIn && inputs[c] ? inputs[c][s] : 0.0) + 0.5;
    }
  }
  std::vector<int> blocks;
  Buffers seen;
};

enum class Path { Replacing32, Accumulating32, Replacing64 };

// Host input values that survive the trip through float exactly.
Buffers HostInputs(size_t channels, int frames) {
  Buffers in(channels, std::vector<double>(static_cast<size_t>(frames)));
  for (size_t c = 0; c < channels; ++c)
    for (int s = 0; s < frames; ++s) in[c][static_cast<size_t>(s)] = 100.0 * static_cast<double>(c + 1) + 0.25 * s;
  return in;
}

constexpr double kPrefill = 0.25; // what the host's output buffers hold before the call

template <typename T>
std::vector<T*> Pointers(std::vector<std::vector<T>>& buffers) {
  std::vector<T*> pointers;
  for (auto& b : buffers) pointers.push_back(b.data());
  return pointers;
}

// Runs one host block through a path and returns the host's output buffers.
Buffers RunHost(IEffectProcessor& p, Path path, Buffers in, size_t nOutputs, int frames) {
  Buffers out(nOutputs, std::vector<double>(static_cast<size_t>(std::max(frames, 0)), kPrefill));
  if (path == Path::Replacing64) {
    p.ProcessReplacing64(Pointers(in).data(), Pointers(out).data(), frames);
    return out;
  }
  std::vector<std::vector<float>> in32, out32;
  for (auto& b : in) in32.emplace_back(b.begin(), b.end());
  for (auto& b : out) out32.emplace_back(b.begin(), b.end());
  if (path == Path::Replacing32) p.ProcessReplacing32(Pointers(in32).data(), Pointers(out32).data(), frames);
  else p.ProcessAccumulating32(Pointers(in32).data(), Pointers(out32).data(), frames);
  for (size_t c = 0; c < nOutputs; ++c) out[c].assign(out32[c].begin(), out32[c].end());
  return out;
}

// What a host output buffer should hold after RecordingProcessor turned `in` into in + 0.5.
std::vector<double> Expected(Path path, const std::vector<double>& in) {
  std::vector<double> expected;
  for (double v : in) expected.push_back(v + 0.5 + (path == Path::Accumulating32 ? kPrefill : 0.0));
  return expected;
}

struct IOCase {
  const char* text;
  size_t configs;
  int maxIn, maxOut, maxInBuses, maxOutBuses;
};

void PrintTo(const IOCase& c, std::ostream* os) { *os << '"' << (c.text ? c.text : "(null)") << '"'; }

class ParseChannelIO : public ::testing::TestWithParam<IOCase> {};

TEST_P(ParseChannelIO, CountsConfigsAndMaxima) {
  const IOCase& c = GetParam();
  const auto parsed = IEffectProcessor::ParseChannelIO(c.text);
  EXPECT_EQ(parsed.configs.size(), c.configs);
  EXPECT_EQ(parsed.maxInputChannels, c.maxIn);
  EXPECT_EQ(parsed.maxOutputChannels, c.maxOut);
  EXPECT_EQ(parsed.maxInputBuses, c.maxInBuses);
  EXPECT_EQ(parsed.maxOutputBuses, c.maxOutBuses);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ParseChannelIO,
    ::testing::Values(IOCase{"1-1 2-2", 2, 2, 2, 1, 1}, IOCase{"2-2 1.1-2", 2, 2, 2, 2, 1},
                      IOCase{"*-2", 1, 0, 2, 1, 1}, IOCase{"0-2", 1, 0, 2, 0, 1},
                      IOCase{"  1-1   2-2 ", 2, 2, 2, 1, 1}, IOCase{"1..1-.2.", 1, 2, 2, 2, 1},
                      IOCase{"2-1-6", 1, 2, 1, 1, 1}, IOCase{"x-2", 1, 0, 2, 0, 1}, IOCase{"2", 1, 2, 0, 1, 0},
                      IOCase{"-", 1, 0, 0, 0, 0}, IOCase{"", 0, 0, 0, 0, 0}, IOCase{nullptr, 0, 0, 0, 0, 0}));

TEST(IEffectProcessor, ChannelLayoutsAndLegalIO) {
  const auto parsed = IEffectProcessor::ParseChannelIO("2-2 1.1-2 *-0.2");
  ASSERT_EQ(parsed.configs.size(), 3u);
  ASSERT_EQ(parsed.configs[1].inputBuses.size(), 2u);
  EXPECT_EQ(parsed.configs[1].inputBuses[1].channelCount, 1);
  EXPECT_EQ(parsed.configs[1].outputBuses[0].direction, ERoute::Output);
  EXPECT_EQ(parsed.configs[2].inputBuses[0].channelCount, IBusSpec::kAnyChannels);
  EXPECT_EQ(parsed.configs[2].inputBuses[0].direction, ERoute::Input);
  EXPECT_EQ(parsed.configs[2].outputBuses.size(), 1u) << "0-channel buses are not stored";

  TestProcessor p("1-1 2-2");
  EXPECT_EQ(std::tuple(p.ConfigCount(), p.MaxChannels(ERoute::Input), p.MaxChannels(ERoute::Output),
                       p.MaxBuses(ERoute::Input), p.MaxBuses(ERoute::Output)),
            std::tuple(2, 2, 2, 1, 1));
  EXPECT_NE(p.Config(1), nullptr);
  EXPECT_EQ(p.Config(2), nullptr);
  EXPECT_EQ(p.Config(-1), nullptr);
  EXPECT_TRUE(p.LegalIO(1, -1));
  EXPECT_TRUE(p.LegalIO(2, 2));
  EXPECT_FALSE(p.LegalIO(1, 2));
  EXPECT_FALSE(p.LegalIO(3, 3));

  TestProcessor any("*-2");
  EXPECT_EQ(any.MaxChannels(ERoute::Input), 0);
  EXPECT_FALSE(any.LegalIO(2, 2));
  EXPECT_TRUE(any.LegalIO(-1, 2));
}

TEST(IEffectProcessor, ConnectChannelsStaysInsideTheRecords) {
  TestProcessor p("2-2");
  p.ConnectChannels(ERoute::Output, 1, 10, true);
  EXPECT_EQ(p.ConnectedOutputCount(), 1);
  EXPECT_TRUE(p.ChannelIsConnected(ERoute::Output, 1));
  EXPECT_FALSE(p.ChannelIsConnected(ERoute::Output, 0));
  EXPECT_FALSE(p.ChannelIsConnected(ERoute::Output, 2));
  EXPECT_FALSE(p.ChannelIsConnected(ERoute::Output, -1));
  p.ConnectChannels(ERoute::Input, 0, -1, true);
  p.ConnectChannels(ERoute::Input, INT_MAX, INT_MAX, true);
  p.ConnectChannels(ERoute::Input, INT_MIN, 1, true);
  EXPECT_EQ(p.ConnectedInputCount(), 0);
  p.ConnectChannels(ERoute::Input, 0, 2, true);
  p.ConnectChannels(ERoute::Input, 1, 1, false);
  EXPECT_EQ(p.ConnectedInputCount(), 1);
}

TEST(IEffectProcessor, BlockSizeChangeZeroesScratchAndSameSizeKeepsIt) {
  RecordingProcessor p("1-1");
  p.SetBlockSize(4);
  p.ConnectChannels(ERoute::Input, 0, 1, true);
  std::vector<float> host = {1, 2, 3, 4};
  float* hostPointers[] = {host.data()};
  p.AttachInputs32(hostPointers, 4);
  p.SetBlockSize(4);
  p.ProcessAttached(4);
  EXPECT_EQ(p.seen[0], (std::vector<double>{1, 2, 3, 4}));

  p.SetBlockSize(64); // connected records must not keep pointing at the old scratch
  p.ProcessAttached(64);
  EXPECT_EQ(std::vector<double>(p.seen[0].begin() + 4, p.seen[0].end()), std::vector<double>(64, 0.0));

  p.SetBlockSize(-3);
  EXPECT_EQ(p.BlockSize(), 0);
  p.AttachInputs32(hostPointers, 4); // nothing to convert into: must not write anywhere
  RunHost(p, Path::Replacing32, {{1, 2}}, 1, 2);
  EXPECT_EQ(p.blocks.size(), 2u);
}

TEST(IEffectProcessor, WithoutABlockSizeA32BitHostGetsSilenceNotStaleBuffers) {
  RecordingProcessor p("1-1");
  p.ConnectChannels(ERoute::Input, 0, 1, true);
  p.ConnectChannels(ERoute::Output, 0, 1, true);
  p.SetBlockSize(0);
  EXPECT_EQ(RunHost(p, Path::Replacing32, {{1, 2, 3}}, 1, 3)[0], std::vector<double>(3, 0.0));
  EXPECT_EQ(RunHost(p, Path::Accumulating32, {{1, 2, 3}}, 1, 3)[0], std::vector<double>(3, kPrefill));
  EXPECT_TRUE(p.blocks.empty());
}

TEST(IEffectProcessor, DefaultProcessBlockCopiesOrZeroes) {
  TestProcessor p("1-2");
  p.SetBlockSize(8);
  p.ConnectChannels(ERoute::Input, 0, 1, true);
  p.ConnectChannels(ERoute::Output, 0, 2, true);
  const Buffers out = RunHost(p, Path::Replacing64, {{1, 2, 3}}, 2, 3);
  EXPECT_EQ(out[0], (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(out[1], (std::vector<double>{0, 0, 0}));
}

TEST(IEffectProcessor, DisconnectedInputReadsSilenceAfterCarryingAudio) {
  TestProcessor p("1-1");
  p.SetBlockSize(4);
  p.ConnectChannels(ERoute::Input, 0, 1, true);
  p.ConnectChannels(ERoute::Output, 0, 1, true);
  EXPECT_EQ(RunHost(p, Path::Replacing32, {{1, 2, 3, 4}}, 1, 4)[0], (std::vector<double>{1, 2, 3, 4}));
  p.ConnectChannels(ERoute::Input, 0, 1, false);
  EXPECT_EQ(RunHost(p, Path::Replacing32, {}, 1, 4)[0], std::vector<double>(4, 0.0));
}

class HostPaths : public ::testing::TestWithParam<Path> {};

TEST_P(HostPaths, LongHostBlocksAreSlicedAtTheBlockSize) {
  constexpr int kBlock = 8;
  constexpr int kFrames = 3 * kBlock + 5;
  RecordingProcessor p("2-2");
  p.SetBlockSize(kBlock);
  p.ConnectChannels(ERoute::Input, 0, 2, true);
  p.ConnectChannels(ERoute::Output, 0, 2, true);
  const Buffers in = HostInputs(2, kFrames);
  const Buffers out = RunHost(p, GetParam(), in, 2, kFrames);
  EXPECT_EQ(p.blocks, (std::vector<int>{kBlock, kBlock, kBlock, 5}));
  EXPECT_EQ(p.seen, in) << "each slice reads the host input at its own offset";
  for (size_t c = 0; c < 2; ++c) EXPECT_EQ(out[c], Expected(GetParam(), in[c])) << "channel " << c;
}

TEST_P(HostPaths, HostBuffersGoToConnectedRecordsInOrder) {
  RecordingProcessor p("2-2");
  p.SetBlockSize(16);
  p.ConnectChannels(ERoute::Input, 1, 1, true);
  p.ConnectChannels(ERoute::Output, 1, 1, true);
  const Buffers in = HostInputs(1, 16);
  const Buffers out = RunHost(p, GetParam(), in, 1, 16);
  EXPECT_EQ(p.seen[0], std::vector<double>(16, 0.0)) << "the disconnected record reads zeros";
  EXPECT_EQ(p.seen[1], in[0]) << "host input 0 feeds record 1";
  EXPECT_EQ(out[0], Expected(GetParam(), in[0])) << "host output 0 receives record 1";
}

TEST_P(HostPaths, EmptyBlocksDoNothing) {
  RecordingProcessor p("1-1");
  p.SetBlockSize(4);
  p.ConnectChannels(ERoute::Input, 0, 1, true);
  p.ConnectChannels(ERoute::Output, 0, 1, true);
  RunHost(p, GetParam(), {{}}, 1, 0);
  RunHost(p, GetParam(), {{}}, 1, -5);
  EXPECT_TRUE(p.blocks.empty());
}

INSTANTIATE_TEST_SUITE_P(All, HostPaths, ::testing::Values(Path::Replacing32, Path::Accumulating32, Path::Replacing64));

TEST(IEffectProcessor, BusNames) {
  constexpr ERoute kIn = ERoute::Input, kOut = ERoute::Output;
  const std::tuple<ERoute, int, int, const char*> cases[] = {
      {kIn, 0, 1, "Input"},    {kIn, 0, 2, "Main"},   {kIn, 1, 2, "Aux"},        {kIn, 2, 3, "Input 2"},
      {kIn, 0, 0, "Input 0"},  {kOut, 0, 1, "Output"}, {kOut, 1, 2, "Output 1"}, {kOut, 0, 3, "Output 0"}};
  TestProcessor p("1-1");
  for (const auto& [direction, index, count, expected] : cases) {
    std::string name = "stale";
    p.BusName(direction, index, count, name);
    EXPECT_EQ(name, expected) << index << "/" << count;
  }
}

TEST(IEffectProcessor, TransportDefaults) {
  const ITransportInfo t = TestProcessor("1-1").Transport();
  EXPECT_EQ(std::tuple(t.tempo, t.samplePosition, t.ppqPosition, t.lastBarStartPpq, t.cycleStartPpq, t.cycleEndPpq),
            std::tuple(120.0, -1.0, -1.0, -1.0, -1.0, -1.0));
  EXPECT_EQ(std::tuple(t.timeSigNumerator, t.timeSigDenominator, t.transportIsRunning, t.loopEnabled),
            std::tuple(4, 4, false, false));
}

TEST(IEffectProcessor, MidiGoesToTheHost) {
  TestProcessor p("1-1");
  const std::vector<IMidiMessage> messages = {{0, 0x90, 60, 100}, {5, 0x80, 60, 0}, {9, 0xB0, 7, 64}};
  EXPECT_TRUE(p.SendMidiListToHost({}));
  EXPECT_TRUE(p.SendMidiListToHost(messages));
  p.sent.clear();
  p.replies = {true, false, true};
  EXPECT_FALSE(p.SendMidiListToHost(messages)) << "one refusal fails the list";
  ASSERT_EQ(p.sent.size(), 3u) << "but every message is still sent";
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(p.sent[i].offset, messages[i].offset);

  p.OnMidiMessage(IMidiMessage{3, 0xE0, 1, 2});
  ASSERT_EQ(p.sent.size(), 4u);
  EXPECT_EQ(p.sent.back().status, 0xE0);
  EXPECT_EQ(p.sent.back().data2, 2);
}

} // namespace
