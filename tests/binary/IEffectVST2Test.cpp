// The binding in-process, with a small plug-in whose processing is known and a host callback that
// answers what each test needs: what reaches the plug-in of the host's transport, how the three
// audio calls hand buffers over (also blocks longer than the block size), the keys, the record for
// other channel configurations, and the calls back into the host.

#include "AllocationCounter.h"
#include "IEffectVST2.h"
#include "VstKeyTranslation.h"

#include <gtest/gtest.h>

#include <limits>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace lumen::test {
namespace {

using namespace vst2;

// What the host callback answers and what it was asked.
struct FakeHost {
  std::optional<VstTimeInfo> time;  // empty: audioMasterGetTime answers null
  intptr_t processLevel = kVstProcessLevelRealtime;
  intptr_t sizeWindowAnswer = 1;
  struct Call {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    float opt;
  };
  std::vector<Call> calls;

  std::vector<int32_t> Opcodes() const {
    std::vector<int32_t> opcodes;
    for (const auto& c : calls) opcodes.push_back(c.opcode);
    return opcodes;
  }
};

FakeHost* gHost = nullptr;

intptr_t HostCallback(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*, float opt) {
  if (!gHost) return 0;
  gHost->calls.push_back({opcode, index, value, opt});
  switch (opcode) {
    case audioMasterGetTime: return gHost->time ? reinterpret_cast<intptr_t>(&*gHost->time) : 0;
    case audioMasterGetCurrentProcessLevel: return gHost->processLevel;
    case audioMasterSizeWindow: return gHost->sizeWindowAnswer;
    default: return 0;
  }
}

IEffectSettings Settings(const char* channelIO, int32_t plugType = 0, int32_t presets = 1) {
  IEffectSettings s;
  s.nParams = 2;
  s.nPresets = presets;
  s.channelIO = channelIO;
  s.pluginName = "Constant";
  s.productName = "Constant";
  s.makerName = "Lumenfold Tests";
  s.version = 0x00010203;
  s.plugType = plugType;
  s.hasEditor = true;
  s.editorWidth = s.minEditorWidth = s.maxEditorWidth = 300;
  s.editorHeight = s.minEditorHeight = s.maxEditorHeight = 200;
  return s;
}

// Writes a constant (or, with passThrough, its input) into every output it is given, and remembers
// the longest block it was asked for and the keys the host passed on.
class ConstantEffect : public IEffectVST2 {
public:
  explicit ConstantEffect(const char* channelIO = "1-1 2-2", int32_t plugType = 0, int32_t presets = 1)
      : IEffectVST2(Settings(channelIO, plugType, presets), IInstanceInfo{&HostCallback}) {
    GetParam(0)->Init("Level", 0.5, 0.0, 1.0, 0.001);
    GetParam(1)->Init("Mode", 0.0, 0.0, 3.0, 1.0);
  }

  void ProcessBlock(double** inputs, double** outputs, int frames) override {
    longestBlock = std::max(longestBlock, frames);
    ++blocks;
    for (int c = 0; c < MaxChannels(ERoute::Output); ++c) {
      if (!outputs[c]) continue;
      for (int s = 0; s < frames; ++s) {
        outputs[c][s] = passThrough ? (inputs[c] ? inputs[c][s] : 0.0) : constant;
      }
    }
    if (passThrough && markPassThrough) MarkBlockAsPassThrough();
  }

  bool OnHostKeyDown(const IKeyEvent& key) override {
    keys.push_back(key);
    return useKeys;
  }
  bool OnHostKeyUp(const IKeyEvent& key) override {
    keysUp.push_back(key);
    return useKeys;
  }

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return Effect()->dispatcher(Effect(), opcode, index, value, ptr, opt);
  }

  double constant = 0.5;
  bool passThrough = false;
  bool markPassThrough = false; // tell the frame the block is the input unchanged
  int longestBlock = 0;
  int blocks = 0;
  bool useKeys = false;
  std::vector<IKeyEvent> keys;
  std::vector<IKeyEvent> keysUp;
};

class BindingTest : public ::testing::Test {
protected:
  void SetUp() override {
    host.calls.reserve(1024);  // recording must not allocate during audio calls
    gHost = &host;
  }
  void TearDown() override { gHost = nullptr; }

  // Two channels of frames samples each, and the pointer array a host passes.
  template <typename Sample>
  struct Buffers {
    Buffers(int frames, Sample value) : left(static_cast<size_t>(frames), value), right(left), pointers{left.data(), right.data()} {}
    std::vector<Sample> left, right;
    Sample* pointers[2];
  };

  FakeHost host;
};

// --- Transport ---------------------------------------------------------------------------------

VstTimeInfo FullTransport() {
  VstTimeInfo t{};
  t.samplePos = 4410.0;
  t.sampleRate = 44100.0;
  t.ppqPos = 8.5;
  t.tempo = 90.0;
  t.barStartPos = 8.0;
  t.cycleStartPos = 4.0;
  t.cycleEndPos = 12.0;
  t.timeSigNumerator = 7;
  t.timeSigDenominator = 8;
  t.flags = kVstTransportPlaying | kVstTransportCycleActive | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
            kVstCyclePosValid | kVstTimeSigValid;
  return t;
}

TEST_F(BindingTest, TransportIsTakenFieldByFieldWhenValid) {
  ConstantEffect plugin;
  Buffers<float> io(16, 0.0f);
  host.time = FullTransport();
  plugin.Effect()->processReplacing(plugin.Effect(), io.pointers, io.pointers, 16);
  const ITransportInfo& t = plugin.Transport();
  EXPECT_EQ(t.samplePosition, 4410.0);
  EXPECT_EQ(t.ppqPosition, 8.5);
  EXPECT_EQ(t.tempo, 90.0);
  EXPECT_EQ(t.lastBarStartPpq, 8.0);
  EXPECT_EQ(t.cycleStartPpq, 4.0);
  EXPECT_EQ(t.cycleEndPpq, 12.0);
  EXPECT_EQ(t.timeSigNumerator, 7);
  EXPECT_EQ(t.timeSigDenominator, 8);
  EXPECT_TRUE(t.transportIsRunning);
  EXPECT_TRUE(t.loopEnabled);
}

TEST_F(BindingTest, NoTimeInformationGivesTheDefaultsAgain) {
  ConstantEffect plugin;
  Buffers<float> io(16, 0.0f);
  host.time = FullTransport();
  plugin.Effect()->processReplacing(plugin.Effect(), io.pointers, io.pointers, 16);
  host.time.reset();  // the host answers null
  plugin.Effect()->processReplacing(plugin.Effect(), io.pointers, io.pointers, 16);
  const ITransportInfo& t = plugin.Transport();
  EXPECT_EQ(t.tempo, 120.0);
  EXPECT_EQ(t.samplePosition, -1.0);
  EXPECT_EQ(t.ppqPosition, -1.0);
  EXPECT_EQ(t.lastBarStartPpq, -1.0);
  EXPECT_EQ(t.cycleStartPpq, -1.0);
  EXPECT_EQ(t.cycleEndPpq, -1.0);
  EXPECT_EQ(t.timeSigNumerator, 4);
  EXPECT_EQ(t.timeSigDenominator, 4);
  EXPECT_FALSE(t.transportIsRunning);
  EXPECT_FALSE(t.loopEnabled);
}

TEST_F(BindingTest, ImplausibleValuesKeepTheirDefaultsDespiteTheirValidityFlags) {
  ConstantEffect plugin;
  Buffers<double> io(16, 0.0);
  VstTimeInfo t = FullTransport();
  t.tempo = 0.0;
  t.ppqPos = -2.0;
  t.barStartPos = -1.0;
  t.cycleStartPos = 4.0;
  t.cycleEndPos = -1.0;  // a cycle needs both ends
  t.timeSigNumerator = 0;
  host.time = t;
  plugin.Effect()->processDoubleReplacing(plugin.Effect(), io.pointers, io.pointers, 16);
  EXPECT_EQ(plugin.Transport().tempo, 120.0);
  EXPECT_EQ(plugin.Transport().ppqPosition, -1.0);
  EXPECT_EQ(plugin.Transport().lastBarStartPpq, -1.0);
  EXPECT_EQ(plugin.Transport().cycleStartPpq, -1.0);
  EXPECT_EQ(plugin.Transport().cycleEndPpq, -1.0);
  EXPECT_EQ(plugin.Transport().timeSigNumerator, 4);
  EXPECT_EQ(plugin.Transport().timeSigDenominator, 4);

  host.time->tempo = -60.0;
  plugin.Effect()->processDoubleReplacing(plugin.Effect(), io.pointers, io.pointers, 16);
  EXPECT_EQ(plugin.Transport().tempo, 120.0);
}

TEST_F(BindingTest, WithoutValidityFlagsOnlyPositionAndStateAreTaken) {
  ConstantEffect plugin;
  Buffers<float> io(16, 0.0f);
  VstTimeInfo t = FullTransport();
  t.flags = kVstTransportPlaying;  // the sample position and the two states need no flag
  host.time = t;
  plugin.Effect()->process(plugin.Effect(), io.pointers, io.pointers, 16);
  EXPECT_EQ(plugin.Transport().samplePosition, 4410.0);
  EXPECT_TRUE(plugin.Transport().transportIsRunning);
  EXPECT_FALSE(plugin.Transport().loopEnabled);
  EXPECT_EQ(plugin.Transport().tempo, 120.0);
  EXPECT_EQ(plugin.Transport().ppqPosition, -1.0);
  EXPECT_EQ(plugin.Transport().cycleStartPpq, -1.0);
  EXPECT_EQ(plugin.Transport().timeSigNumerator, 4);
}

TEST_F(BindingTest, EachAudioCallAsksForTimeAndProcessLevelOnly) {
  ConstantEffect plugin;
  Buffers<float> io(16, 0.0f);
  Buffers<double> io64(16, 0.0);
  host.processLevel = kVstProcessLevelOffline;
  plugin.Effect()->process(plugin.Effect(), io.pointers, io.pointers, 16);
  EXPECT_TRUE(plugin.IsRenderingOffline());
  host.processLevel = kVstProcessLevelRealtime;
  plugin.Effect()->processReplacing(plugin.Effect(), io.pointers, io.pointers, 16);
  EXPECT_FALSE(plugin.IsRenderingOffline());
  plugin.Effect()->processDoubleReplacing(plugin.Effect(), io64.pointers, io64.pointers, 16);

  const std::vector<int32_t> perBlock{audioMasterGetTime, audioMasterGetCurrentProcessLevel};
  std::vector<int32_t> expected;
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), perBlock.begin(), perBlock.end());
  EXPECT_EQ(host.Opcodes(), expected);
  for (const auto& call : host.calls) {
    if (call.opcode == audioMasterGetTime) {
      EXPECT_EQ(call.value, 0x3E00);
    }
  }
}

// --- Audio calls ---------------------------------------------------------------------------------

TEST_F(BindingTest, TheOldCallAddsToWhatTheOutputHeld) {
  ConstantEffect plugin;
  Buffers<float> in(32, 0.0f), out(32, 0.25f);
  plugin.Effect()->process(plugin.Effect(), in.pointers, out.pointers, 32);
  EXPECT_EQ(out.left, std::vector<float>(32, 0.75f));
  EXPECT_EQ(out.right, std::vector<float>(32, 0.75f));

  plugin.Effect()->processReplacing(plugin.Effect(), in.pointers, out.pointers, 32);
  EXPECT_EQ(out.left, std::vector<float>(32, 0.5f));
  Buffers<double> in64(32, 0.0), out64(32, 0.25);
  plugin.Effect()->processDoubleReplacing(plugin.Effect(), in64.pointers, out64.pointers, 32);
  EXPECT_EQ(out64.right, std::vector<double>(32, 0.5));
}

// Samples too small for a normal 32-bit float reach a 32-bit host as zero, never as subnormals
// (which slow down whatever the host does with them next); the 64-bit call passes them as they are.
TEST_F(BindingTest, TinySamplesReachA32BitHostAsZero) {
  ConstantEffect plugin;
  plugin.constant = 1e-40;
  Buffers<float> in(8, 0.0f), out(8, 9.0f);
  plugin.Effect()->processReplacing(plugin.Effect(), in.pointers, out.pointers, 8);
  EXPECT_EQ(out.left, std::vector<float>(8, 0.0f));
  std::fill(out.right.begin(), out.right.end(), 0.25f);
  plugin.Effect()->process(plugin.Effect(), in.pointers, out.pointers, 8);
  EXPECT_EQ(out.right, std::vector<float>(8, 0.25f));

  plugin.constant = -2e-38;  // just beyond the smallest normal float: kept
  plugin.Effect()->processReplacing(plugin.Effect(), in.pointers, out.pointers, 8);
  EXPECT_EQ(out.left[0], static_cast<float>(-2e-38));

  plugin.constant = 1e-40;
  Buffers<double> in64(8, 0.0), out64(8, 9.0);
  plugin.Effect()->processDoubleReplacing(plugin.Effect(), in64.pointers, out64.pointers, 8);
  EXPECT_EQ(out64.left, std::vector<double>(8, 1e-40));
}

// A block the plug-in marks as its input unchanged (a hard bypass) gives a 32-bit host its own
// samples back, subnormal ones included, on both 32-bit calls; the next unmarked block flushes again.
TEST_F(BindingTest, APassThroughBlockGivesA32BitHostItsOwnSamplesBack) {
  ConstantEffect plugin;
  plugin.passThrough = true;
  plugin.markPassThrough = true;
  const float tiny = std::numeric_limits<float>::denorm_min() * 3.0f;
  Buffers<float> in(8, tiny), out(8, 9.0f);
  in.right[0] = -tiny;
  plugin.Effect()->processReplacing(plugin.Effect(), in.pointers, out.pointers, 8);
  EXPECT_EQ(out.left, in.left);
  EXPECT_EQ(std::memcmp(out.right.data(), in.right.data(), 8 * sizeof(float)), 0);
  std::fill(out.left.begin(), out.left.end(), 0.0f);
  plugin.Effect()->process(plugin.Effect(), in.pointers, out.pointers, 8);
  EXPECT_EQ(out.left, in.left);

  plugin.markPassThrough = false;
  plugin.Effect()->processReplacing(plugin.Effect(), in.pointers, out.pointers, 8);
  EXPECT_EQ(out.left, std::vector<float>(8, 0.0f));
}

// A host block longer than the block size last set: processed in slices no longer than the block
// size, every frame in order, and without allocating on the audio thread.
TEST_F(BindingTest, LongerHostBlocksAreSlicedWithoutAllocating) {
  ConstantEffect plugin;
  plugin.Dispatch(effSetBlockSize, 0, 64);
  plugin.passThrough = true;
  constexpr int kFrames = 64 * 5 + 3;
  Buffers<float> in(kFrames, 0.0f), out(kFrames, 9.0f);
  for (int s = 0; s < kFrames; ++s) in.left[static_cast<size_t>(s)] = static_cast<float>(s), in.right[static_cast<size_t>(s)] = -static_cast<float>(s);
  Buffers<double> in64(kFrames, 0.0), out64(kFrames, 9.0);
  std::copy(in.left.begin(), in.left.end(), in64.left.begin());
  std::copy(in.right.begin(), in.right.end(), in64.right.begin());

  {
    AllocationCounter allocations;
    plugin.Effect()->processReplacing(plugin.Effect(), in.pointers, out.pointers, kFrames);
    EXPECT_EQ(allocations.Count(), 0u);
  }
  EXPECT_EQ(out.left, in.left);
  EXPECT_EQ(out.right, in.right);
  EXPECT_EQ(plugin.longestBlock, 64);
  EXPECT_EQ(plugin.blocks, 6);

  std::fill(out.left.begin(), out.left.end(), 1.0f);
  {
    AllocationCounter allocations;
    plugin.Effect()->process(plugin.Effect(), in.pointers, out.pointers, kFrames);
    EXPECT_EQ(allocations.Count(), 0u);
  }
  for (int s = 0; s < kFrames; ++s) ASSERT_EQ(out.left[static_cast<size_t>(s)], 1.0f + static_cast<float>(s)) << s;

  {
    AllocationCounter allocations;
    plugin.Effect()->processDoubleReplacing(plugin.Effect(), in64.pointers, out64.pointers, kFrames);
    EXPECT_EQ(allocations.Count(), 0u);
  }
  EXPECT_EQ(out64.left, in64.left);
  EXPECT_EQ(out64.right, in64.right);
  EXPECT_EQ(plugin.longestBlock, 64);
}

// effStartProcess and effStopProcess may come on the audio thread, around blocks: neither
// allocates. The largest block size, which needs larger scratch buffers than any before, shows
// that the counter counts.
TEST_F(BindingTest, StartAndStopProcessAllocateNothing) {
  ConstantEffect plugin;
  plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  plugin.Dispatch(effSetBlockSize, 0, 64);
  plugin.Dispatch(effMainsChanged, 0, 1);
  Buffers<float> in(64, 0.25f), out(64, 0.0f);
  const auto allocationsIn = [](auto&& call) {
    AllocationCounter allocations;
    call();
    return allocations.Count();
  };
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(allocationsIn([&] { plugin.Dispatch(effStartProcess); }), 0u) << "effStartProcess";
    plugin.Effect()->processReplacing(plugin.Effect(), in.pointers, out.pointers, 64);
    EXPECT_EQ(allocationsIn([&] { plugin.Dispatch(effStopProcess); }), 0u) << "effStopProcess";
  }
  EXPECT_EQ(plugin.blocks, 3);
  EXPECT_GT(allocationsIn([&] { plugin.Dispatch(effSetBlockSize, 0, IEffectVST2::kMaxBlockSize); }), 0u);
}

// With one channel connected each way, the second record works on its own scratch buffer of the
// block size; a longer 64-bit host block must not run past it.
TEST_F(BindingTest, MonoArrangementKeepsLongBlocksInsideTheScratchBuffers) {
  ConstantEffect plugin;
  plugin.Dispatch(effSetBlockSize, 0, 32);
  VstSpeakerArrangement mono{};
  mono.type = kSpeakerArrMono;
  mono.numChannels = 1;
  ASSERT_EQ(plugin.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&mono), &mono), 1);
  EXPECT_TRUE(plugin.ChannelIsConnected(ERoute::Input, 0));
  EXPECT_FALSE(plugin.ChannelIsConnected(ERoute::Input, 1));
  EXPECT_FALSE(plugin.ChannelIsConnected(ERoute::Output, 1));

  std::vector<double> in(100, 0.0), out(100, 9.0);
  double* inputs[1] = {in.data()};
  double* outputs[1] = {out.data()};
  plugin.Effect()->processDoubleReplacing(plugin.Effect(), inputs, outputs, 100);
  EXPECT_EQ(out, std::vector<double>(100, 0.5));
  EXPECT_LE(plugin.longestBlock, 32);
}

// --- Chunks --------------------------------------------------------------------------------------

TEST_F(BindingTest, ANegativeChunkLengthIsRefusedBeforeAnythingIsAllocatedOrCopied) {
  ConstantEffect plugin;
  plugin.GetParam(0)->Set(0.125);
  uint8_t bytes[24] = {};
  for (const intptr_t length : {intptr_t{-1}, intptr_t{-24}, INTPTR_MIN}) {
    AllocationCounter allocations;
    EXPECT_EQ(plugin.Dispatch(effSetChunk, 1, length, bytes), 0);
    EXPECT_EQ(plugin.Dispatch(effSetChunk, 0, length, bytes), 0);
    EXPECT_EQ(allocations.Count(), 0u);
  }
  EXPECT_EQ(plugin.GetParam(0)->Value(), 0.125);
}

TEST_F(BindingTest, AChunkHandedBackInTheBufferItCameFromIsRead) {
  ConstantEffect plugin;
  plugin.GetParam(0)->Set(0.25);
  plugin.GetParam(1)->Set(2.0);
  void* data = nullptr;
  const intptr_t length = plugin.Dispatch(effGetChunk, 1, 0, &data);
  ASSERT_GT(length, 0);
  plugin.GetParam(0)->Set(0.75);
  plugin.GetParam(1)->Set(0.0);
  EXPECT_EQ(plugin.Dispatch(effSetChunk, 1, length, data), 1);
  EXPECT_EQ(plugin.GetParam(0)->Value(), 0.25);
  EXPECT_EQ(plugin.GetParam(1)->Value(), 2.0);
}

TEST_F(BindingTest, AProgramNumberBeyondThirtyTwoBitsIsRefusedNotWrapped) {
  ConstantEffect plugin("1-1 2-2", 0, 2);
  plugin.FillEmptyPresets();
  ASSERT_EQ(plugin.Dispatch(effGetProgram), 0);
  plugin.Dispatch(effSetProgram, 0, (intptr_t{1} << 32) + 1); // would wrap to program 1
  EXPECT_EQ(plugin.Dispatch(effGetProgram), 0);
  plugin.Dispatch(effSetProgram, 0, 1);
  EXPECT_EQ(plugin.Dispatch(effGetProgram), 1);
}

// --- Events --------------------------------------------------------------------------------------

// Remembers the MIDI it is given instead of passing it on.
class MidiRecordingEffect : public ConstantEffect {
public:
  void OnMidiMessage(const IMidiMessage& message) override { midi.push_back(message); }
  std::vector<IMidiMessage> midi;
};

TEST_F(BindingTest, EveryEventOfAListLongerThanTheDeclaredTwoArrives) {
  MidiRecordingEffect plugin;
  // As hosts send them: one allocation with room for all the event pointers, past the two that the
  // record declares.
  constexpr int kCount = 5;
  std::vector<VstMidiEvent> midi(kCount);
  std::vector<unsigned char> bytes(offsetof(VstEvents, events) + kCount * sizeof(VstEvent*));
  auto* list = reinterpret_cast<VstEvents*>(bytes.data());
  list->numEvents = kCount;
  for (int i = 0; i < kCount; ++i) {
    midi[i] = VstMidiEvent{};
    midi[i].type = kVstMidiType;
    midi[i].byteSize = sizeof(VstMidiEvent);
    midi[i].deltaFrames = 10 * i;
    midi[i].midiData[0] = static_cast<char>(0x90);
    midi[i].midiData[1] = static_cast<char>(60 + i);
    midi[i].midiData[2] = 100;
    VstEvent* event = reinterpret_cast<VstEvent*>(&midi[i]);
    std::memcpy(bytes.data() + offsetof(VstEvents, events) + i * sizeof(VstEvent*), &event, sizeof event);
  }

  EXPECT_EQ(plugin.Dispatch(effProcessEvents, 0, 0, list), 1);
  ASSERT_EQ(plugin.midi.size(), static_cast<size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    EXPECT_EQ(plugin.midi[i].offset, 10 * i);
    EXPECT_EQ(plugin.midi[i].status, 0x90);
    EXPECT_EQ(plugin.midi[i].data1, 60 + i);
    EXPECT_EQ(plugin.midi[i].data2, 100);
  }
}

// --- Keys ----------------------------------------------------------------------------------------

TEST_F(BindingTest, KeysReachTheEditorDelegateTranslated) {
  ConstantEffect plugin;
  EXPECT_EQ(plugin.Dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
  plugin.useKeys = true;
  EXPECT_EQ(plugin.Dispatch(effEditKeyDown, 0, VKEY_LEFT, nullptr,
                            static_cast<float>(MODIFIER_SHIFT | MODIFIER_ALTERNATE | MODIFIER_CONTROL)),
            1);
  EXPECT_EQ(plugin.Dispatch(effEditKeyUp, '=', VKEY_EQUALS, nullptr, static_cast<float>(MODIFIER_COMMAND)), 1);

  ASSERT_EQ(plugin.keys.size(), 2u);
  EXPECT_STREQ(plugin.keys[0].text, "a");
  EXPECT_EQ(plugin.keys[0].keyCode, 0x41);  // 'a' is on the A key
  EXPECT_FALSE(plugin.keys[0].shift || plugin.keys[0].control || plugin.keys[0].alt);
  EXPECT_EQ(plugin.keys[1].keyCode, 37);  // left arrow
  EXPECT_TRUE(plugin.keys[1].shift);
  EXPECT_TRUE(plugin.keys[1].alt);
  EXPECT_TRUE(plugin.keys[1].control);
  ASSERT_EQ(plugin.keysUp.size(), 1u);
  EXPECT_EQ(plugin.keysUp[0].keyCode, 0xBB);  // the = key
  EXPECT_FALSE(plugin.keysUp[0].shift || plugin.keysUp[0].control || plugin.keysUp[0].alt)
      << "the command key is none of the three";
}

TEST_F(BindingTest, ModifierFloatsThatAreNoSmallWholeNumberCarryNoModifiers) {
  ConstantEffect plugin;
  plugin.useKeys = true;
  for (const float opt : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -1.0f,
                          3e9f, -3e9f}) {
    EXPECT_EQ(plugin.Dispatch(effEditKeyDown, 'x', 0, nullptr, opt), 1);
    EXPECT_FALSE(plugin.keys.back().shift || plugin.keys.back().control || plugin.keys.back().alt) << opt;
  }
}

TEST(KeyTranslationTest, VirtualKeysBecomePlatformKeyCodes) {
  // The platform's codes: back 8, tab 9, clear 12, return 13, pause 19, escape 27, space 32,
  // page up 33, page down 34, end 35, home 36, arrows 37..40, select 41, print 42, snapshot 44,
  // insert 45, delete 46, help 47, numeric pad 96..111, F1..F12 112..123, num lock 144,
  // scroll lock 145, shift 16, control 17, alt 18.
  const std::pair<int32_t, int32_t> table[] = {
      {VKEY_BACK, 8},      {VKEY_TAB, 9},       {VKEY_CLEAR, 12},    {VKEY_RETURN, 13},   {VKEY_PAUSE, 19},
      {VKEY_ESCAPE, 27},   {VKEY_SPACE, 32},    {VKEY_NEXT, 34},     {VKEY_END, 35},      {VKEY_HOME, 36},
      {VKEY_LEFT, 37},     {VKEY_UP, 38},       {VKEY_RIGHT, 39},    {VKEY_DOWN, 40},     {VKEY_PAGEUP, 33},
      {VKEY_PAGEDOWN, 34}, {VKEY_SELECT, 41},   {VKEY_PRINT, 42},    {VKEY_ENTER, 13},    {VKEY_SNAPSHOT, 44},
      {VKEY_INSERT, 45},   {VKEY_DELETE, 46},   {VKEY_HELP, 47},     {VKEY_NUMPAD0, 96},  {VKEY_NUMPAD9, 105},
      {VKEY_MULTIPLY, 106}, {VKEY_ADD, 107},    {VKEY_SEPARATOR, 108}, {VKEY_SUBTRACT, 109}, {VKEY_DECIMAL, 110},
      {VKEY_DIVIDE, 111},  {VKEY_F1, 112},      {VKEY_F12, 123},     {VKEY_NUMLOCK, 144}, {VKEY_SCROLL, 145},
      {VKEY_SHIFT, 16},    {VKEY_CONTROL, 17},  {VKEY_ALT, 18},
  };
  for (const auto& [key, code] : table) EXPECT_EQ(PlatformKeyCode(key, 'x'), code) << "virtual key " << key;
  for (int k = 0; k <= 9; ++k) EXPECT_EQ(PlatformKeyCode(VKEY_NUMPAD0 + k, 0), 96 + k);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(PlatformKeyCode(VKEY_F1 + k, 0), 112 + k);
  EXPECT_EQ(PlatformKeyCode(58, 'a'), 0);
  EXPECT_EQ(PlatformKeyCode(-1, 'a'), 0);
}

TEST(KeyTranslationTest, CharacterKeysAreTranslatedAsOnAUsLayout) {
  // Key code in the low byte, 0x100 shift, 0x200 control; -1 where no key makes the character.
  EXPECT_EQ(PlatformKeyCode(0, 'a'), 0x41);
  EXPECT_EQ(PlatformKeyCode(0, 'A'), 0x141);
  EXPECT_EQ(PlatformKeyCode(0, '7'), 0x37);
  EXPECT_EQ(PlatformKeyCode(0, '&'), 0x137);
  EXPECT_EQ(PlatformKeyCode(0, ' '), 0x20);
  EXPECT_EQ(PlatformKeyCode(VKEY_EQUALS, '='), 0xBB);
  EXPECT_EQ(PlatformKeyCode(VKEY_EQUALS, '+'), 0x1BB);
  EXPECT_EQ(PlatformKeyCode(0, '/'), 0xBF);
  EXPECT_EQ(PlatformKeyCode(0, '?'), 0x1BF);
  EXPECT_EQ(PlatformKeyCode(0, '"'), 0x1DE);
  EXPECT_EQ(PlatformKeyCode(0, '\x01'), 0x241);  // Ctrl+A
#ifndef _WIN32
  // Windows answers these from the keyboard layout in use; its own test compares with it.
  EXPECT_EQ(PlatformKeyCode(0, static_cast<char>(0xE9)), -1);
  EXPECT_EQ(PlatformKeyCode(0, '\0'), -1);
#endif
}

// --- The record for other configurations ----------------------------------------------------------

TEST_F(BindingTest, RecordFollowsTheChannelConfiguration) {
  ConstantEffect monoOnly("1-1");
  EXPECT_EQ(monoOnly.Effect()->numInputs, 1);
  EXPECT_EQ(monoOnly.Effect()->numOutputs, 1);
  EXPECT_TRUE(monoOnly.Effect()->flags & effFlagsCanMono);
  EXPECT_EQ(monoOnly.InputArrangement().type, kSpeakerArrMono);
  EXPECT_EQ(monoOnly.OutputArrangement().numChannels, 1);

  ConstantEffect stereoOnly("2-2");
  EXPECT_FALSE(stereoOnly.Effect()->flags & effFlagsCanMono);

  ConstantEffect surround("6-6", 1);
  EXPECT_EQ(surround.InputArrangement().type, kSpeakerArrUserDefined);
  EXPECT_EQ(surround.InputArrangement().numChannels, 6);
  EXPECT_TRUE(surround.Effect()->flags & effFlagsIsSynth);
  EXPECT_EQ(surround.Dispatch(effGetPlugCategory), kPlugCategSynth);
  // Pins pair up as 0-1, 2-3, 4-5.
  const int32_t expectedFlags[6] = {3, 1, 3, 1, 3, 1};
  for (int i = 0; i < 6; ++i) {
    VstPinProperties pin{};
    ASSERT_EQ(surround.Dispatch(effGetOutputProperties, i, 0, &pin), 1);
    EXPECT_EQ(pin.flags, expectedFlags[i]) << i;
  }
  surround.SetChannelLabel(ERoute::Input, 3, "Side L");
  VstPinProperties pin{};
  ASSERT_EQ(surround.Dispatch(effGetInputProperties, 3, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Side L");
}

// --- Calls into the host -----------------------------------------------------------------------

TEST_F(BindingTest, EditsLatencyAndResizingAreReportedToTheHost) {
  ConstantEffect plugin;
  plugin.BeginParamGesture(1);
  plugin.AutomateParam(1, 0.25);
  plugin.EndParamGesture(1);
  plugin.SetLatency(64);
  EXPECT_EQ(plugin.Effect()->initialDelay, 64);
  EXPECT_TRUE(plugin.ResizeEditorWindow(400, 250));
  EXPECT_FALSE(plugin.ResizeEditorWindow(400, 250)) << "the same size again asks nothing";

  ASSERT_EQ(host.Opcodes(), (std::vector<int32_t>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit,
                                                  audioMasterIOChanged, audioMasterSizeWindow}));
  EXPECT_EQ(host.calls[1].index, 1);
  EXPECT_EQ(host.calls[1].opt, 0.25f);
  EXPECT_EQ(host.calls[4].index, 400);
  EXPECT_EQ(host.calls[4].value, 250);
  ERect* rect = nullptr;
  ASSERT_EQ(plugin.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right, 400);
  EXPECT_EQ(rect->bottom, 250);

  host.sizeWindowAnswer = 0;
  EXPECT_FALSE(plugin.ResizeEditorWindow(300, 200)) << "the host refused";
}

} // namespace
} // namespace lumen::test
