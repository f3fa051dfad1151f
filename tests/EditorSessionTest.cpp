// The editor's undo history, A/B and presets, seen from the host: what each action sends it (the
// gesture record) and what the settings are afterwards.
#include "EditorHistory.h"
#include "EditorSession.h"
#include "TestEffect.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Only the host's gesture record: begin, automate and end lines.
std::vector<std::string> HostCalls(TestEffect& effect) {
  std::vector<std::string> calls;
  for (const std::string& line : effect.TakeLog()) {
    if (line.rfind("begin", 0) == 0 || line.rfind("end", 0) == 0 || line.rfind("automate", 0) == 0) calls.push_back(line);
  }
  return calls;
}

// A drag as the surface makes it: begin, a few values, end.
void Drag(TestEffect& effect, int index, std::initializer_list<double> normalized) {
  effect.BeginParamGestureFromEditor(index);
  for (const double n : normalized) effect.SetParamFromEditor(index, n);
  effect.EndParamGestureFromEditor(index);
}

std::vector<FactoryPreset> TwoPresets(int nParams) {
  FactoryPreset first{"Colour", "Default", {}};
  FactoryPreset second{"Drive", "Hot", {}};
  for (int i = 0; i < nParams; ++i) {
    first.values.push_back(i);
    second.values.push_back(i == 1 ? 20.0 : i);
  }
  return {first, second};
}

TEST(EditorHistory, AGestureOnSeveralParametersIsOneStepAndNoChangeIsNone) {
  EditorHistory history;
  history.BeginGesture(0, 1.0);
  history.BeginGesture(1, 2.0);
  history.NoteChange(0, 1.0, 1.5);
  history.EndGesture(0, 1.5);
  EXPECT_FALSE(history.CanUndo()); // parameter 1 is still held
  history.EndGesture(1, 2.0);
  ASSERT_EQ(history.UndoCount(), 1u);
  const HistoryStep step = history.TakeUndo();
  ASSERT_EQ(step.changes.size(), 1u); // parameter 1 did not change
  EXPECT_EQ(step.changes[0].index, 0);
  EXPECT_EQ(step.changes[0].before, 1.0);
  EXPECT_EQ(step.changes[0].after, 1.5);

  history.BeginGesture(2, 3.0);
  history.EndGesture(2, 3.0);
  history.EndGesture(5, 1.0); // no begin: ignored
  EXPECT_FALSE(history.CanUndo());
  EXPECT_TRUE(history.CanRedo());
}

TEST(EditorHistory, NewStepEmptiesRedoAndTheOldestStepsGo) {
  EditorHistory history;
  for (int i = 0; i < static_cast<int>(EditorHistory::kMaxSteps) + 10; ++i) history.NoteChange(0, i, i + 1);
  EXPECT_EQ(history.UndoCount(), EditorHistory::kMaxSteps);
  EXPECT_GE(EditorHistory::kMaxSteps, 64u);
  history.TakeUndo();
  EXPECT_TRUE(history.CanRedo());
  history.Record(HistoryStep{{ParamChange{1, 0.0, 1.0}}, false});
  EXPECT_FALSE(history.CanRedo());
  // While a control is held, undo waits.
  history.BeginGesture(0, 0.0);
  EXPECT_TRUE(history.TakeUndo().empty());
}

TEST(EditorSession, EveryEditorGestureIsOneUndoStepSentAsAGesture) {
  TestEffect effect(3);
  Drag(effect, 1, {0.6, 0.7, 0.8}); // 1 -> 30
  Drag(effect, 2, {0.25});          // 2 -> -25
  effect.TakeLog();
  EditorSession& session = effect.Session();
  EXPECT_EQ(session.History().UndoCount(), 2u);

  ASSERT_TRUE(session.Undo());
  EXPECT_EQ(effect.GetParam(2)->Value(), 2.0);
  EXPECT_THAT(HostCalls(effect), ElementsAre("begin 2", "automate 2 0.520", "end 2"));
  ASSERT_TRUE(session.Undo());
  EXPECT_EQ(effect.GetParam(1)->Value(), 1.0);
  EXPECT_THAT(HostCalls(effect), ElementsAre("begin 1", "automate 1 0.510", "end 1"));
  EXPECT_FALSE(session.Undo());

  ASSERT_TRUE(session.Redo());
  EXPECT_EQ(effect.GetParam(1)->Value(), 30.0);
  EXPECT_THAT(HostCalls(effect), ElementsAre("begin 1", "automate 1 0.800", "end 1"));
  // Undoing and redoing are no new steps.
  EXPECT_EQ(session.History().UndoCount(), 1u);
  EXPECT_EQ(session.History().RedoCount(), 1u);
}

TEST(EditorSession, HostAutomationIsNotRecorded) {
  TestEffect effect(3);
  effect.SetParamFromHost(0, 0.9, IEffectAPIBase::HostValue::Normalized);
  EXPECT_FALSE(effect.Session().History().CanUndo());
  Drag(effect, 0, {0.1});
  effect.SetParamFromHost(0, 0.2, IEffectAPIBase::HostValue::Normalized);
  effect.TakeLog();
  // The undo goes back to the value before the editor's gesture, as one gesture to the host.
  ASSERT_TRUE(effect.Session().Undo());
  EXPECT_EQ(effect.GetParam(0)->Value(), 40.0);
  EXPECT_THAT(HostCalls(effect), ElementsAre("begin 0", "automate 0 0.900", "end 0"));
}

TEST(EditorSession, PresetLoadIsOneStepRenamesTheSlotAndShowsTheMark) {
  TestEffect effect(3);
  EditorSession& session = effect.Session();
  session.SetFactoryPresets(TwoPresets(3));
  EXPECT_EQ(session.LoadedName(), "Default");
  EXPECT_FALSE(session.Modified());
  effect.TakeLog();

  ASSERT_TRUE(session.LoadPreset(1));
  EXPECT_THAT(HostCalls(effect), ElementsAre("begin 1", "automate 1 0.700", "end 1"));
  EXPECT_EQ(session.LoadedName(), "Hot");
  EXPECT_STREQ(effect.PresetName(0), "Hot");
  EXPECT_FALSE(session.Modified());
  EXPECT_EQ(session.History().UndoCount(), 1u);

  Drag(effect, 0, {0.75});
  EXPECT_TRUE(session.Modified());
  EXPECT_EQ(session.LoadedName(), "Hot");
  session.Undo();
  EXPECT_FALSE(session.Modified());
  // Undoing the load names the preset the settings are again.
  session.Undo();
  EXPECT_EQ(session.LoadedName(), "Default");
  EXPECT_FALSE(session.LoadPreset(2));
}

TEST(EditorSession, ARestoredStateNamesThePresetItEqualsOrShowsAChange) {
  TestEffect effect(3);
  EditorSession& session = effect.Session();
  session.SetFactoryPresets(TwoPresets(3));
  IStateBuffer state;
  effect.GetParam(1)->Set(20.0);
  ASSERT_TRUE(effect.WriteProgramChunk(state));
  effect.GetParam(1)->Set(1.0);
  ASSERT_TRUE(effect.ReadProgramChunk(state.Data(), static_cast<size_t>(state.Length()), IEffectBase::ChunkLoading::Strict));
  EXPECT_EQ(session.LoadedName(), "Hot");
  EXPECT_FALSE(session.Modified());

  effect.GetParam(1)->Set(20.5);
  ASSERT_TRUE(effect.WriteProgramChunk(state));
  ASSERT_TRUE(effect.ReadProgramChunk(state.Data(), static_cast<size_t>(state.Length()), IEffectBase::ChunkLoading::Strict));
  EXPECT_EQ(session.LoadedName(), "Hot");
  EXPECT_TRUE(session.Modified());
  // A state restore is the host's, not an editor step.
  EXPECT_FALSE(session.History().CanUndo());

  // A host without chunks restores the values one by one, as 32-bit floats: the same settings.
  effect.SetParamFromHost(1, static_cast<float>(effect.GetParam(1)->NormalizeValue(1.0)), IEffectAPIBase::HostValue::Normalized);
  EXPECT_TRUE(session.Modified());
  session.Refresh();
  EXPECT_EQ(session.LoadedName(), "Default");
  EXPECT_FALSE(session.Modified());
}

TEST(EditorSession, UserPresetsFollowFactoryOnesAndUnreadableOnesNeverMatch) {
  TestEffect effect(2);
  EditorSession& session = effect.Session();
  session.SetFactoryPresets(TwoPresets(2));
  std::vector<PresetEntry> user(2);
  user[0].name = "zz mine";
  user[0].values = {70.0, 1.0}; // limited as the parameter holds it: 50
  user[1].name = "broken";
  user[1].error = "not a program file";
  session.SetUserPresets(user);
  const PresetList& list = session.Presets();
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.At(2)->name, "broken");
  EXPECT_EQ(list.At(3)->values[0], 50.0);
  EXPECT_FALSE(session.LoadPreset(2));
  ASSERT_TRUE(session.LoadPreset(3));
  EXPECT_EQ(effect.GetParam(0)->Value(), 50.0);
  EXPECT_EQ(list.Next(3), 0);
  EXPECT_EQ(list.Previous(0), 3);
  EXPECT_THAT(list.Categories(), ElementsAre("Colour", "Drive"));
}

TEST(EditorSession, ABSwitchAndCopyAreOneStepEachAndReachTheHost) {
  TestEffect effect(2);
  EditorSession& session = effect.Session();
  Drag(effect, 0, {0.75}); // A: 25, 1
  effect.TakeLog();
  // The first switch takes B as a copy of A: nothing changes.
  ASSERT_TRUE(session.SwitchAB());
  EXPECT_EQ(session.ActiveSlot(), ABSlots::B);
  EXPECT_THAT(HostCalls(effect), IsEmpty());
  Drag(effect, 1, {0.0}); // B: 25, -50
  session.SwitchAB();     // back to A
  EXPECT_EQ(effect.GetParam(1)->Value(), 1.0);
  EXPECT_THAT(HostCalls(effect), ElementsAre("begin 1", "automate 1 0.000", "end 1", "begin 1", "automate 1 0.510", "end 1"));
  session.SwitchAB();
  EXPECT_EQ(effect.GetParam(1)->Value(), -50.0);
  // Copy A to B while B is active: B takes A's settings, one step.
  const size_t steps = session.History().UndoCount();
  ASSERT_TRUE(session.CopyAToB());
  EXPECT_EQ(effect.GetParam(1)->Value(), 1.0);
  EXPECT_EQ(session.History().UndoCount(), steps + 1);
  session.Undo();
  EXPECT_EQ(effect.GetParam(1)->Value(), -50.0);

  // Undoing a switch lights the slot the settings belong to again; redoing switches again.
  session.SwitchAB(); // to A: 1
  EXPECT_EQ(session.ActiveSlot(), ABSlots::A);
  ASSERT_TRUE(session.Undo());
  EXPECT_EQ(session.ActiveSlot(), ABSlots::B);
  EXPECT_EQ(effect.GetParam(1)->Value(), -50.0);
  ASSERT_TRUE(session.Redo());
  EXPECT_EQ(session.ActiveSlot(), ABSlots::A);
  EXPECT_EQ(effect.GetParam(1)->Value(), 1.0);
  session.SwitchAB();
  EXPECT_EQ(effect.GetParam(1)->Value(), -50.0);
}

} // namespace
} // namespace lumen::test
