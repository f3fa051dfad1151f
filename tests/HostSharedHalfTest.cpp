// The format-neutral half of every host call: what each binding only translates into its ABI.
#include "HostCallGuard.h"
#include "IEffectProcessor.h"
#include "ParamFacts.h"
#include "PluginInstanceMaker.h"
#include "StateStream.h"
#include "TestEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace lumen;
using lumen::test::TestEffect;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

IParam& Made(IParam& param, double def, double min, double max, double step, const char* label = "",
             IParam::ParamType type = IParam::ParamType::None) {
  param.SetType(type);
  param.Init("p", def, min, max, step, label);
  return param;
}

TEST(ParamFacts, StepCountDecidesSteppedOnceForEveryKindOfParameter) {
  IParam p;
  EXPECT_EQ(ParamFacts::StepCount(Made(p, 0, 0, 1, 1)), 1);       // a switch held as a number
  EXPECT_EQ(ParamFacts::StepCount(Made(p, 0, 0, 3, 1)), 3);       // a choice of four
  EXPECT_EQ(ParamFacts::StepCount(Made(p, 32, 0, 200, 0.01)), 0); // continuous
  EXPECT_EQ(ParamFacts::StepCount(Made(p, 0, 0.5, 3.5, 1)), 0);   // whole step from a fraction: not whole numbers
  EXPECT_EQ(ParamFacts::StepCount(Made(p, 0, 0, 10, 2)), 5);
  EXPECT_EQ(ParamFacts::StepCount(Made(p, 0, 0, 1, 1, "", IParam::ParamType::Bool)), 1);
  EXPECT_EQ(ParamFacts::StepCount(Made(p, 0, -2, 2, 0.5, "", IParam::ParamType::Int)), 4);
  EXPECT_TRUE(ParamFacts::IsSwitch(Made(p, 0, 0, 1, 1)));
  EXPECT_FALSE(ParamFacts::IsSwitch(Made(p, 0, 0, 3, 1)));

  // The declared kind follows the type alone: a number with whole steps stays a number.
  EXPECT_EQ(ParamFacts::Declared(Made(p, 0, 0, 1, 1)), ParamFacts::DeclaredKind::Number);
  EXPECT_FALSE(ParamFacts::DeclaredTwoState(p));
  EXPECT_TRUE(ParamFacts::DeclaredTwoState(Made(p, 0, 0, 1, 1, "", IParam::ParamType::Bool)));
  EXPECT_TRUE(ParamFacts::DeclaredTwoState(Made(p, 0, 0, 1, 1, "", IParam::ParamType::Enum)));
  EXPECT_FALSE(ParamFacts::DeclaredTwoState(Made(p, 0, 0, 2, 1, "", IParam::ParamType::Int)));
}

TEST(ParamFacts, HostValuesAreRefusedWhenNotANumberLimitedOtherwiseAndSteppedOnesTruncated) {
  IParam choice;
  Made(choice, 0, 0, 3, 1);
  EXPECT_EQ(ParamFacts::PlainFromHost(choice, 0.6), 0.0); // a stepped value is its whole part
  EXPECT_EQ(ParamFacts::PlainFromHost(choice, 2.99), 2.0);
  EXPECT_EQ(ParamFacts::PlainFromHost(choice, 7.0), 3.0);
  EXPECT_EQ(ParamFacts::PlainFromHost(choice, -1.5), 0.0);
  EXPECT_FALSE(ParamFacts::PlainFromHost(choice, kNaN));
  EXPECT_FALSE(ParamFacts::PlainFromHost(choice, kInf));

  IParam gain;
  Made(gain, 32, 0, 200, 0.01, "%");
  EXPECT_EQ(ParamFacts::PlainFromHost(gain, 150.7), 150.7);
  EXPECT_EQ(ParamFacts::PlainFromHost(gain, 250.0), 200.0);

  EXPECT_EQ(ParamFacts::NormalizedFromHost(1.5), 1.0);
  EXPECT_EQ(ParamFacts::NormalizedFromHost(-0.5), 0.0);
  EXPECT_EQ(ParamFacts::NormalizedFromHost(0.25), 0.25);
  EXPECT_FALSE(ParamFacts::NormalizedFromHost(-kInf));
}

TEST(ParamFacts, DisplayTextCarriesTheUnitOnlyWhenAskedAndTypedTextReadsBack) {
  IParam gain;
  Made(gain, 32, 0, 200, 0.01, "%");
  EXPECT_EQ(ParamFacts::DisplayText(gain, 32.0, false), "32.00");
  EXPECT_EQ(ParamFacts::DisplayText(gain, 32.0, true), "32.00 %");
  EXPECT_EQ(ParamFacts::DisplayText(gain, 900.0, true), "200.00 %"); // limited to the range first
  EXPECT_EQ(ParamFacts::Unit(gain, 32.0), "%");

  IParam unitless;
  Made(unitless, 0.5, 0, 1, 0.001);
  EXPECT_EQ(ParamFacts::DisplayText(unitless, 0.5, true), "0.500");

  IParam named;
  Made(named, 0, 0, 1, 1, "x");
  named.AddDisplayText(1.0, "on");
  EXPECT_EQ(ParamFacts::DisplayText(named, 1.0, true), "on"); // a text of its own takes no unit
  EXPECT_EQ(ParamFacts::DisplayText(named, 0.0, true), "0 x");

  EXPECT_EQ(ParamFacts::ParseText(gain, "48.5"), 48.5);
  EXPECT_EQ(ParamFacts::ParseText(gain, "48.5 %"), 48.5);
  EXPECT_EQ(ParamFacts::ParseText(gain, "1e9"), 200.0);
  EXPECT_FALSE(ParamFacts::ParseText(gain, ""));   // hosts ask with empty text whether typing works
  EXPECT_FALSE(ParamFacts::ParseText(gain, "  "));
  EXPECT_EQ(ParamFacts::ParseText(named, "on"), 1.0);
}

TEST(HostParamChange, OneWayInForEveryFormatStoresQueuesForTheEditorAndTellsThePlugin) {
  TestEffect effect(3);
  EXPECT_TRUE(effect.SetParamFromHost(1, 0.75, IEffectAPIBase::HostValue::Normalized, 17));
  EXPECT_EQ(effect.GetParam(1)->Value(), 25.0);
  EXPECT_TRUE(effect.SetParamFromHost(2, 1e6, IEffectAPIBase::HostValue::Plain));
  EXPECT_EQ(effect.GetParam(2)->Value(), 50.0); // clamped
  EXPECT_TRUE(effect.SetParamFromHost(0, 2.0, IEffectAPIBase::HostValue::Normalized));
  EXPECT_EQ(effect.GetParam(0)->Value(), 50.0);
  EXPECT_EQ(effect.TakeLog(), (std::vector<std::string>{"change 1 Host 17", "change 2 Host -1", "change 0 Host -1"}));

  // Refused: nothing stored, nothing told.
  EXPECT_FALSE(effect.SetParamFromHost(1, kNaN, IEffectAPIBase::HostValue::Normalized));
  EXPECT_FALSE(effect.SetParamFromHost(1, kInf, IEffectAPIBase::HostValue::Plain));
  EXPECT_FALSE(effect.SetParamFromHost(3, 0.5, IEffectAPIBase::HostValue::Normalized));
  EXPECT_FALSE(effect.SetParamFromHost(-1, 0.5, IEffectAPIBase::HostValue::Plain));
  EXPECT_EQ(effect.GetParam(1)->Value(), 25.0);
  EXPECT_TRUE(effect.TakeLog().empty());

  // The editor receives the stored values, in order, on the next timer tick.
  effect.OnTimer();
  EXPECT_EQ(effect.TakeLog(),
            (std::vector<std::string>{"editor 1 Editor Delegate", "editor 2 Editor Delegate", "editor 0 Editor Delegate",
                                      "idle"}));
}

// ---- A block cut at its changes ----------------------------------------------------------------------

class SpanProcessor : public IEffectProcessor {
public:
  SpanProcessor() : IEffectProcessor(Settings()) {
    ConnectChannels(ERoute::Input, 0, 2, true);
    ConnectChannels(ERoute::Output, 0, 2, true);
    SetBlockSize(16);
  }
  static IEffectSettings Settings() {
    IEffectSettings s;
    s.channelIO = "2-2";
    return s;
  }
  bool SendMidiToHost(const IMidiMessage&) override { return false; }
  // Output = input + the number of changes applied so far, so each sample shows which values it saw.
  void ProcessBlock(double** in, double** out, int frames) override {
    spans.push_back(frames);
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < frames; ++s) out[c][s] = in[c][s] + applied;
  }
  std::vector<int> spans;
  int applied = 0;
};

class ListedChanges final : public IEffectProcessor::IBlockChanges {
public:
  ListedChanges(SpanProcessor& processor, std::vector<int> offsets) : mProcessor(processor), mOffsets(std::move(offsets)) {}
  int Count() const override { return static_cast<int>(mOffsets.size()); }
  int Offset(int index) const override { return mOffsets[static_cast<size_t>(index)]; }
  void Apply(int, int offset) override {
    ++mProcessor.applied;
    appliedAt.push_back(offset);
  }
  std::vector<int> appliedAt;

private:
  SpanProcessor& mProcessor;
  std::vector<int> mOffsets;
};

template <typename Sample>
void CheckBlockCutAtChanges() {
  SpanProcessor processor;
  constexpr int kFrames = 40;
  std::vector<Sample> in0(kFrames, Sample(1)), in1(kFrames, Sample(2)), out0(kFrames), out1(kFrames);
  Sample* in[] = {in0.data(), in1.data()};
  Sample* out[] = {out0.data(), out1.data()};
  // In order, two at one offset, one out of order (no earlier than the one before), one past the end.
  ListedChanges changes(processor, {0, 10, 10, 5, 30, 99});
  processor.ProcessWithChanges(in, out, kFrames, changes);
  EXPECT_EQ(changes.appliedAt, (std::vector<int>{0, 10, 10, 10, 30, 40}));
  // Spans of at most the block size between the cuts.
  EXPECT_EQ(processor.spans, (std::vector<int>{10, 16, 4, 10}));
  for (int s = 0; s < kFrames; ++s) {
    const Sample seen = s < 10 ? Sample(1) : (s < 30 ? Sample(4) : Sample(5));
    ASSERT_EQ(out0[static_cast<size_t>(s)], Sample(1) + seen) << s;
    ASSERT_EQ(out1[static_cast<size_t>(s)], Sample(2) + seen) << s;
  }

  // A block of no frames still takes its changes.
  SpanProcessor empty;
  ListedChanges only(empty, {3, 0});
  empty.ProcessWithChanges(in, out, 0, only);
  EXPECT_EQ(only.appliedAt, (std::vector<int>{0, 0}));
  EXPECT_TRUE(empty.spans.empty());
}

TEST(BlockChanges, TheBlockIsCutAtEveryChangeInBothPrecisions) {
  CheckBlockCutAtChanges<float>();
  CheckBlockCutAtChanges<double>();
}

// ---- State through a host's stream -------------------------------------------------------------------

TEST(StateStream, WritesAndReadsInWhateverPiecesTheStreamTakesAndRefusesBrokenStreams) {
  std::vector<uint8_t> data(10000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);

  std::vector<uint8_t> written;
  const auto threeAtATime = [&](const uint8_t* p, size_t n) -> int64_t {
    const size_t k = std::min<size_t>(n, 3);
    written.insert(written.end(), p, p + k);
    return static_cast<int64_t>(k);
  };
  ASSERT_TRUE(StateStream::WriteAll(threeAtATime, data.data(), data.size()));
  EXPECT_EQ(written, data);
  EXPECT_FALSE(StateStream::WriteAll([](const uint8_t*, size_t) -> int64_t { return 0; }, data.data(), 5));
  EXPECT_FALSE(StateStream::WriteAll([](const uint8_t*, size_t n) -> int64_t { return static_cast<int64_t>(n) + 1; },
                                     data.data(), 5));

  size_t pos = 0;
  std::vector<uint8_t> read;
  const auto shortReads = [&](uint8_t* p, size_t n) -> int64_t {
    const size_t k = std::min<size_t>({n, 1000, data.size() - pos});
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(pos), k, p);
    pos += k;
    return static_cast<int64_t>(k);
  };
  ASSERT_TRUE(StateStream::ReadAll(shortReads, read));
  EXPECT_EQ(read, data);
  EXPECT_FALSE(StateStream::ReadAll([](uint8_t*, size_t) -> int64_t { return -1; }, read));
  EXPECT_FALSE(StateStream::ReadAll([](uint8_t*, size_t n) -> int64_t { return static_cast<int64_t>(n) + 1; }, read));
  // A stream that never ends is not our state: reading stops at the limit.
  EXPECT_FALSE(StateStream::ReadAll([](uint8_t*, size_t n) -> int64_t { return static_cast<int64_t>(n); }, read));
  EXPECT_LE(read.size(), StateStream::kMaxStateSize);
}

TEST(ProgramChunk, LenientLoadingTakesHeaderlessAndCutChunksAsStoredProjectsHoldThem) {
  TestEffect source(3);
  for (int i = 0; i < 3; ++i) source.GetParam(i)->Set(10.0 * (i + 1));
  IStateBuffer chunk;
  ASSERT_TRUE(source.WriteProgramChunk(chunk));
  const std::vector<uint8_t> bytes(chunk.Data(), chunk.Data() + chunk.Length());

  // Without the header the values start at the first byte.
  TestEffect target(3);
  const std::vector<uint8_t> bare(bytes.begin() + 8, bytes.end());
  EXPECT_TRUE(target.ReadProgramChunk(bare.data(), bare.size(), IEffectBase::ChunkLoading::Lenient));
  EXPECT_EQ(target.GetParam(2)->Value(), 30.0);

  // Cut inside the third value: the first two apply, the answer is false; strict changes nothing.
  TestEffect strict(3);
  EXPECT_FALSE(strict.ReadProgramChunk(bytes.data(), bytes.size() - 3, IEffectBase::ChunkLoading::Strict));
  EXPECT_EQ(strict.GetParam(0)->Value(), 0.0);
  TestEffect lenient(3);
  EXPECT_FALSE(lenient.ReadProgramChunk(bytes.data(), bytes.size() - 3, IEffectBase::ChunkLoading::Lenient));
  EXPECT_EQ(lenient.GetParam(0)->Value(), 10.0);
  EXPECT_EQ(lenient.GetParam(1)->Value(), 20.0);

  // A bank chunk carries every slot; its current slot's values come back.
  source.FillEmptyPresets();
  IStateBuffer bank;
  ASSERT_TRUE(source.WriteBankChunk(bank));
  TestEffect fromBank(3);
  EXPECT_TRUE(fromBank.ReadBankChunk(bank.Data(), static_cast<size_t>(bank.Length())));
  EXPECT_EQ(fromBank.GetParam(1)->Value(), 20.0);
  // A program chunk stored as a bank (an older host's habit) reads as a program.
  TestEffect programAsBank(3);
  EXPECT_TRUE(programAsBank.ReadBankChunk(bare.data(), bare.size()));
  EXPECT_EQ(programAsBank.GetParam(2)->Value(), 30.0);
  EXPECT_FALSE(programAsBank.ReadBankChunk(nullptr, 4));
}

// ---- Editor size, guards, instances ----------------------------------------------------------------------

TEST(EditorSizeFit, TheLargestSizeOfTheEditorsShapeWithinItsLimitsWins) {
  TestEffect effect; // 200..800 x 150..600: 4:3
  const auto fit = [&](int w, int h) {
    EXPECT_TRUE(effect.FitEditorSize(w, h));
    return std::pair(w, h);
  };
  EXPECT_EQ(fit(400, 300), std::pair(400, 300));
  EXPECT_EQ(fit(1000, 300), std::pair(400, 300)); // the height decides
  EXPECT_EQ(fit(400, 1000), std::pair(400, 300)); // the width decides
  EXPECT_EQ(fit(5000, 5000), std::pair(800, 600));
  EXPECT_EQ(fit(10, 10), std::pair(200, 150));
  EXPECT_EQ(fit(0, -5), std::pair(200, 150));
}

TEST(HostCallGuard, AnExceptionBecomesTheInterfacesFailureAnswer) {
  EXPECT_EQ(GuardHostCall(7, [] { return 3; }), 3);
  EXPECT_EQ(GuardHostCall(7, []() -> int { throw std::bad_alloc(); }), 7);
  bool ran = false;
  GuardHostCall([&] {
    ran = true;
    throw std::runtime_error("x");
  });
  EXPECT_TRUE(ran);
}

TEST(PluginInstanceMaker, FillsEveryPresetAndGivesNullWhenMakingFails) {
  auto made = PluginInstanceMaker::Make<TestEffect>([] { return new TestEffect(2, 3); });
  ASSERT_TRUE(made);
  for (int i = 0; i < 3; ++i) EXPECT_STREQ(made->PresetName(i), "Empty");
  EXPECT_FALSE(PluginInstanceMaker::Make<TestEffect>([]() -> TestEffect* { throw std::bad_alloc(); }));
  EXPECT_FALSE(PluginInstanceMaker::Make<TestEffect>([]() -> TestEffect* { return nullptr; }));
}

} // namespace
