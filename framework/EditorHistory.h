#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <vector>

namespace lumen {

// One parameter's change within an undo step, in real values (the parameter's own units).
struct ParamChange {
  int index = -1;
  double before = 0.0;
  double after = 0.0;
};
// One undo step: its changes, and whether it switched the A/B slots (undoing or redoing it then
// switches them back or again, so the lit slot follows the settings).
struct HistoryStep {
  std::vector<ParamChange> changes;
  bool abSwitch = false;
  bool empty() const { return changes.empty(); }
};

// The editor's undo and redo lists: the changes the user made in the editor, a step each. A
// gesture (begin ... end, on one parameter or on several at once, as a control with several
// values makes it) becomes one step when the last of its parameters ends; a value set outside any
// gesture is a step of its own; a step that leaves every value as it was is dropped. A new step
// empties the redo list. The oldest steps go beyond kMaxSteps.
//
// Only what the editor reports reaches it, so host automation is never recorded. Pure
// bookkeeping: applying a step is the caller's. User-interface thread only.
class EditorHistory {
public:
  static constexpr size_t kMaxSteps = 128;

  // A gesture begins on a parameter that holds value. Nested begins on the same parameter (two
  // controls of one parameter) count; the step ends when every begin has its end.
  void BeginGesture(int index, double value);
  // The gesture on a parameter ends with the parameter at value. An end without a begin is ignored.
  void EndGesture(int index, double value);
  // The editor set a parameter from before to after: part of the open gesture, or a step of its own
  // when none is open.
  void NoteChange(int index, double before, double after);
  // A whole step made elsewhere (a preset load, an A/B switch); changes that change nothing are
  // left out, and an empty step is not recorded.
  void Record(HistoryStep step);

  bool GestureOpen() const { return mOpenGestures > 0; }
  bool CanUndo() const { return !mUndo.empty(); }
  bool CanRedo() const { return !mRedo.empty(); }
  size_t UndoCount() const { return mUndo.size(); }
  size_t RedoCount() const { return mRedo.size(); }

  // The step to undo (apply each change's before value), now on the redo list; empty when there is
  // none or a gesture is open (the user is still holding a control).
  HistoryStep TakeUndo();
  // The step to redo (apply each change's after value), back on the undo list; empty when none.
  HistoryStep TakeRedo();
  void Clear();

private:
  void Push(HistoryStep step);
  void FinishGesture();

  std::deque<HistoryStep> mUndo;
  std::deque<HistoryStep> mRedo;
  // The gesture being made: open begins per parameter and the changes seen so far.
  std::map<int, int> mOpen;
  std::map<int, ParamChange> mGesture;
  int mOpenGestures = 0;
};

} // namespace lumen
