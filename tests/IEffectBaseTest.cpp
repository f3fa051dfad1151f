// Parameter state and preset banks: the byte layouts hosts store, cut and crafted chunks, and the
// preset slots.
#include "TestEffect.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace lumen::test {
namespace {

using ::testing::ElementsAre;

std::vector<double> Values(const IEffectBase& e) {
  std::vector<double> v;
  for (int i = 0; i < e.NParams(); ++i) v.push_back(e.GetParam(i)->Value());
  return v;
}

void SetValues(IEffectBase& e, double base) {
  for (int i = 0; i < e.NParams(); ++i) e.GetParam(i)->Set(base + i);
}

IStateBuffer StateOf(const std::vector<double>& values) {
  IStateBuffer b;
  for (double v : values) b.PutValue(v);
  return b;
}

// One bank record as a host would store it.
void PutRecord(IStateBuffer& b, const std::string& name, bool initialised, const std::vector<double>& values = {}) {
  b.PutString(name);
  b.PutValue(static_cast<uint8_t>(initialised));
  for (double v : values) b.PutValue(v);
}

TEST(ParamState, IsEachRealValueAsALittleEndianDoubleInIndexOrder) {
  TestEffect effect(3);
  effect.GetParam(0)->Set(1.0);
  effect.GetParam(1)->Set(-2.0);
  effect.GetParam(2)->Set(0.5);
  IStateBuffer b;
  ASSERT_TRUE(effect.SerializeParams(b));
  const std::vector<uint8_t> expected = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0xC0,
                                         0, 0, 0, 0, 0, 0, 0xE0, 0x3F};
  EXPECT_EQ(std::vector<uint8_t>(b.Data(), b.Data() + b.Length()), expected);
}

TEST(ParamState, RoundTripsAndNotifiesEveryParameterAsPreset) {
  TestEffect source;
  SetValues(source, 10.5);
  IStateBuffer b;
  source.SerializeParams(b);

  TestEffect target;
  target.TakeLog();
  EXPECT_EQ(target.UnserializeParams(b, 0), 72);
  EXPECT_EQ(Values(target), Values(source));
  const auto log = target.TakeLog();
  ASSERT_EQ(log.size(), 18u);
  EXPECT_EQ(log.front(), "change 0 Preset -1");
  EXPECT_EQ(log.back(), "editor 8 Preset");
}

TEST(ParamState, ReadsFromAnOffsetAndIgnoresBytesAfterTheLastValue) {
  TestEffect effect;
  IStateBuffer exact = StateOf({1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(effect.UnserializeParams(exact, 0), 72);

  IStateBuffer longer = exact;
  longer.PutBytes("extra", 5);
  SetValues(effect, 0.0);
  EXPECT_EQ(effect.UnserializeParams(longer, 0), 72);
  EXPECT_EQ(Values(effect), (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9}));

  IStateBuffer headed;
  headed.PutValue(IEffectBase::kChunkMagic);
  headed.PutValue(IEffectBase::kChunkVersion);
  headed.PutBytes(exact.Data(), exact.Length());
  EXPECT_EQ(effect.UnserializeParams(headed, 8), 80);
}

TEST(ProgramChunk, IsTakenOnlyWholeAndFiniteAndThenRoundTrips) {
  TestEffect source;
  SetValues(source, 10.5);
  IStateBuffer chunk;
  ASSERT_TRUE(source.WriteProgramChunk(chunk));
  ASSERT_EQ(chunk.Length(), 8 + 9 * 8);
  uint32_t magic = 0;
  chunk.GetValue(magic, 0);
  EXPECT_EQ(magic, IEffectBase::kChunkMagic);

  TestEffect target;
  SetValues(target, -3.0);
  const std::vector<double> before = Values(target);
  std::vector<uint8_t> bytes(chunk.Data(), chunk.Data() + chunk.Length());
  // Cut anywhere, a wrong header or a value that is no number: refused, nothing changes.
  for (size_t cut : {size_t{0}, size_t{4}, size_t{8}, bytes.size() - 1}) {
    EXPECT_FALSE(target.ReadProgramChunk(bytes.data(), cut, lumen::IEffectBase::ChunkLoading::Strict)) << cut;
  }
  std::vector<uint8_t> bad = bytes;
  bad[0] ^= 1;
  EXPECT_FALSE(target.ReadProgramChunk(bad.data(), bad.size(), lumen::IEffectBase::ChunkLoading::Strict));
  bad = bytes;
  const double nan = std::nan("");
  std::memcpy(bad.data() + 8 + 8 * 4, &nan, sizeof nan);
  EXPECT_FALSE(target.ReadProgramChunk(bad.data(), bad.size(), lumen::IEffectBase::ChunkLoading::Strict));
  EXPECT_FALSE(target.ReadProgramChunk(nullptr, bytes.size(), lumen::IEffectBase::ChunkLoading::Strict));
  EXPECT_EQ(Values(target), before);

  bytes.push_back(0xAB); // bytes after the last value are ignored
  ASSERT_TRUE(target.ReadProgramChunk(bytes.data(), bytes.size(), lumen::IEffectBase::ChunkLoading::Strict));
  EXPECT_EQ(Values(target), Values(source));
}

TEST(ProgramChunk, TheBypassIsTheTwoStateParameterNamedBypass) {
  TestEffect effect(3);
  EXPECT_EQ(effect.BypassParamIndex(), -1);
  effect.GetParam(2)->Init("Bypass", 0.0, 0.0, 1.0, 0.5); // three states: not a switch
  EXPECT_EQ(effect.BypassParamIndex(), -1);
  effect.GetParam(2)->Init("Bypass", 0.0, 0.0, 1.0, 1.0);
  EXPECT_EQ(effect.BypassParamIndex(), 2);
}

TEST(ParamState, ValuesAreSteppedAndClamped) {
  TestEffect effect(2);
  effect.GetParam(0)->SetFlags(IParam::Stepped);
  IStateBuffer b = StateOf({0.7, 1000.0});
  effect.UnserializeParams(b, 0);
  EXPECT_EQ(Values(effect), (std::vector<double>{0.5, 50.0}));
}

TEST(ParamState, ACutBufferSetsTheParametersBeforeTheCutAndZeroTheFirstMissingOne) {
  TestEffect effect;
  effect.GetParam(3)->Init("P3", 20.0, 10.0, 40.0, 1.0); // 0.0 clamps to 10
  SetValues(effect, -40.0);
  IStateBuffer b = StateOf({1, 2, 3, 4, 5, 6, 7, 8, 9});
  b.Resize(8 * 3 + 4); // cut inside parameter 3
  effect.TakeLog();

  EXPECT_EQ(effect.UnserializeParams(b, 0), -1);
  EXPECT_EQ(Values(effect), (std::vector<double>{1, 2, 3, 10, -36, -35, -34, -33, -32}));
  EXPECT_EQ(effect.TakeLog().size(), 18u); // notified all the same

  IStateBuffer empty;
  EXPECT_EQ(effect.UnserializeParams(empty, 0), -1);
  EXPECT_EQ(effect.GetParam(0)->Value(), 0.0);
  EXPECT_EQ(effect.GetParam(1)->Value(), 2.0);
}

TEST(ParamState, ANegativeStartTouchesNothingButStillNotifies) {
  TestEffect effect;
  SetValues(effect, 1.0);
  const auto before = Values(effect);
  IStateBuffer b = StateOf({0, 0, 0, 0, 0, 0, 0, 0, 0});
  effect.TakeLog();
  EXPECT_EQ(effect.UnserializeParams(b, -1), -1);
  EXPECT_EQ(Values(effect), before);
  EXPECT_EQ(effect.TakeLog().size(), 18u);
}

TEST(PresetBank, FreshSlotsAreUninitialisedEmptyRecordsWithoutStateBytes) {
  TestEffect effect(2, 2);
  EXPECT_STREQ(effect.PresetName(0), "empty");
  EXPECT_EQ(effect.PresetName(2), nullptr);
  IStateBuffer b;
  ASSERT_TRUE(effect.SerializePresets(b));
  EXPECT_THAT(std::vector<uint8_t>(b.Data(), b.Data() + b.Length()),
              ElementsAre(5, 0, 0, 0, 'e', 'm', 'p', 't', 'y', 0, 5, 0, 0, 0, 'e', 'm', 'p', 't', 'y', 0));
}

TEST(PresetBank, FillEmptyPresetsStoresThePresentValuesInUninitialisedSlotsOnly) {
  TestEffect effect(2, 2);
  effect.LoadPreset(1); // initialises slot 1 as "user preset 1"
  SetValues(effect, 3.0);
  effect.FillEmptyPresets();
  EXPECT_STREQ(effect.PresetName(0), "Empty");
  EXPECT_STREQ(effect.PresetName(1), "user preset 1");

  IStateBuffer b;
  effect.SerializePresets(b);
  IStateBuffer expected;
  PutRecord(expected, "Empty", true, {3, 4});
  PutRecord(expected, "user preset 1", true, {0, 1});
  EXPECT_EQ(std::vector<uint8_t>(b.Data(), b.Data() + b.Length()),
            std::vector<uint8_t>(expected.Data(), expected.Data() + expected.Length()));
}

TEST(PresetBank, RoundTripsNamesFlagsAndStatesAndEndsOnTheCurrentPreset) {
  TestEffect source(3, 3);
  SetValues(source, 5.0);
  source.LoadPreset(0); // an uninitialised slot takes the present values
  source.ModifyCurrentPreset("Warm");
  source.LoadPreset(2); // likewise, as "user preset 1"
  SetValues(source, -7.0);
  source.ModifyCurrentPreset();
  IStateBuffer bank;
  source.SerializePresets(bank);

  TestEffect target(3, 3);
  target.TakeLog();
  EXPECT_EQ(target.UnserializePresets(bank, 0), bank.Length());
  EXPECT_STREQ(target.PresetName(0), "Warm");
  EXPECT_STREQ(target.PresetName(1), "empty");
  EXPECT_STREQ(target.PresetName(2), "user preset 1");
  EXPECT_TRUE(target.PresetSlot(0)->IsInitialized());
  EXPECT_FALSE(target.PresetSlot(1)->IsInitialized());
  EXPECT_EQ(target.PresetSlot(1)->State().Length(), 0);
  // The current preset is slot 0 in the target, so the live values are "Warm"'s.
  EXPECT_EQ(Values(target), (std::vector<double>{5, 6, 7}));
  const auto log = target.TakeLog();
  const auto changed = std::find(log.begin(), log.end(), "presets changed");
  ASSERT_NE(changed, log.end());
  EXPECT_EQ(*std::next(changed), "state restored");

  IStateBuffer again;
  target.SerializePresets(again);
  EXPECT_EQ(std::vector<uint8_t>(again.Data(), again.Data() + again.Length()),
            std::vector<uint8_t>(bank.Data(), bank.Data() + bank.Length()));
}

TEST(PresetBank, ZeroLengthNameIsStoredAsEmpty) {
  TestEffect effect(2, 2);
  IStateBuffer bank;
  PutRecord(bank, "", true, {1, 2});
  PutRecord(bank, "Second", false);
  EXPECT_EQ(effect.UnserializePresets(bank, 0), bank.Length());
  EXPECT_STREQ(effect.PresetName(0), "");
  EXPECT_STREQ(effect.PresetName(1), "Second");
  EXPECT_EQ(Values(effect), (std::vector<double>{1, 2}));
}

TEST(PresetBank, ARecordCutInItsNameKeepsTheLastCompleteNameAndItsFlag) {
  TestEffect effect(2, 3);
  effect.LoadPreset(2); // slot 2 initialised, then back to slot 0 below
  effect.LoadPreset(0);
  IStateBuffer bank;
  PutRecord(bank, "First", true, {4, 5});
  bank.PutValue(int32_t{10});
  bank.PutBytes("Sec", 3); // 10 name bytes promised, 3 present

  EXPECT_EQ(effect.UnserializePresets(bank, 0), -1);
  EXPECT_STREQ(effect.PresetName(0), "First");
  EXPECT_STREQ(effect.PresetName(1), "First");
  EXPECT_FALSE(effect.PresetSlot(1)->IsInitialized());
  EXPECT_STREQ(effect.PresetName(2), "user preset 1"); // untouched
  EXPECT_EQ(Values(effect), (std::vector<double>{4, 5}));

  // Cut inside the very first length: the first slot gets the empty name.
  IStateBuffer stub;
  stub.PutValue(uint8_t{3});
  EXPECT_EQ(effect.UnserializePresets(stub, 0), -1);
  EXPECT_STREQ(effect.PresetName(0), "");
  EXPECT_TRUE(effect.PresetSlot(0)->IsInitialized());
}

TEST(PresetBank, NegativeOrHugeNameLengthsCountAsACutRecordAndNeverReadBackwards) {
  for (int32_t length : {-1, -5, -14, INT_MIN, INT_MAX, 1 << 30}) {
    SCOPED_TRACE(length);
    TestEffect effect(2, 2);
    IStateBuffer bank;
    PutRecord(bank, "A", true, {1, 2});
    bank.PutValue(length);
    // Bytes that a reader moved backwards or forwards would take for a valid flag and state.
    bank.PutValue(uint8_t{1});
    bank.PutValue(1.0);
    bank.PutValue(1.0);

    EXPECT_EQ(effect.UnserializePresets(bank, 0), -1);
    EXPECT_STREQ(effect.PresetName(0), "A");
    EXPECT_STREQ(effect.PresetName(1), "A");
    EXPECT_FALSE(effect.PresetSlot(1)->IsInitialized());
    EXPECT_EQ(Values(effect), (std::vector<double>{1, 2}));
  }
}

TEST(PresetBank, ARecordCutInItsStateKeepsItsFlagAndStaysWellFormed) {
  TestEffect effect(2, 1);
  IStateBuffer bank;
  PutRecord(bank, "Cut", true, {7});
  EXPECT_EQ(effect.UnserializePresets(bank, 0), -1);
  // The value before the cut arrived; the slot was never given a state, so loading it names it.
  EXPECT_STREQ(effect.PresetName(0), "user preset 1");
  EXPECT_EQ(effect.GetParam(0)->Value(), 7.0);
  EXPECT_EQ(effect.PresetSlot(0)->State().Length(), 16);
}

TEST(PresetBank, ASlotMarkedUninitialisedByABankGetsAFreshStateOfTheRightLength) {
  TestEffect effect(2, 1);
  effect.FillEmptyPresets();
  IStateBuffer bank;
  PutRecord(bank, "Gone", false);
  EXPECT_EQ(effect.UnserializePresets(bank, 0), bank.Length());
  EXPECT_STREQ(effect.PresetName(0), "user preset 1");
  EXPECT_EQ(effect.PresetSlot(0)->State().Length(), 16);

  // The bank it writes reads back whole.
  IStateBuffer out;
  effect.SerializePresets(out);
  TestEffect other(2, 1);
  EXPECT_EQ(other.UnserializePresets(out, 0), out.Length());
}

TEST(Presets, LoadPresetOutOfRangeChangesNothing) {
  TestEffect effect(2, 2);
  effect.TakeLog();
  EXPECT_FALSE(effect.LoadPreset(-1));
  EXPECT_FALSE(effect.LoadPreset(2));
  EXPECT_EQ(effect.CurrentPresetIndex(), 0);
  EXPECT_TRUE(effect.TakeLog().empty());
  EXPECT_FALSE(effect.PresetSlot(0)->IsInitialized());
}

TEST(Presets, UninitialisedSlotsAreNumberedAfterTheSlotsNamedUserPreset) {
  TestEffect effect(1, 4);
  EXPECT_TRUE(effect.LoadPreset(0));
  EXPECT_STREQ(effect.PresetName(0), "user preset 1");
  effect.ModifyCurrentPreset("my user preset");
  EXPECT_TRUE(effect.LoadPreset(1));
  EXPECT_STREQ(effect.PresetName(1), "user preset 2");
  effect.ModifyCurrentPreset("User Preset"); // other case: not counted
  EXPECT_TRUE(effect.LoadPreset(3));
  EXPECT_STREQ(effect.PresetName(3), "user preset 2");
  EXPECT_EQ(effect.CurrentPresetIndex(), 3);
}

TEST(Presets, LoadingAnInitialisedSlotRestoresItsValuesThenNotifies) {
  TestEffect effect(2, 2);
  SetValues(effect, 20.0);
  effect.LoadPreset(1);
  SetValues(effect, -20.0);
  effect.TakeLog();

  EXPECT_TRUE(effect.LoadPreset(1));
  EXPECT_EQ(Values(effect), (std::vector<double>{20, 21}));
  const auto log = effect.TakeLog();
  ASSERT_EQ(log.size(), 4u + 1 + 1 + 2);
  EXPECT_EQ(log[4], "presets changed");
  EXPECT_EQ(log[5], "state restored");
}

TEST(Presets, ModifyCurrentPresetStoresValuesRenamesOnlyWithANameAndKeepsTheFlag) {
  TestEffect effect(2, 1);
  SetValues(effect, 1.0);
  effect.ModifyCurrentPreset();
  EXPECT_STREQ(effect.PresetName(0), "empty");
  EXPECT_FALSE(effect.PresetSlot(0)->IsInitialized());
  EXPECT_EQ(effect.PresetSlot(0)->State().Length(), 16);
  effect.ModifyCurrentPreset("");
  EXPECT_STREQ(effect.PresetName(0), "empty");
  effect.ModifyCurrentPreset(std::string(300, 'x').c_str());
  EXPECT_EQ(std::strlen(effect.PresetName(0)), 255u);

  TestEffect none(2, 0);
  none.ModifyCurrentPreset("x"); // no slot: nothing to do
  EXPECT_EQ(none.PresetCount(), 0);
}

} // namespace
} // namespace lumen::test
