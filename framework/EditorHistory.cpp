#include "EditorHistory.h"

#include <algorithm>
#include <utility>

namespace lumen {

void EditorHistory::BeginGesture(int index, double value) {
  ++mOpen[index];
  ++mOpenGestures;
  // The value at the first begin is where an undo goes back to.
  mGesture.try_emplace(index, ParamChange{index, value, value});
}

void EditorHistory::EndGesture(int index, double value) {
  auto open = mOpen.find(index);
  if (open == mOpen.end()) return;
  mGesture[index].after = value;
  if (--open->second == 0) mOpen.erase(open);
  if (--mOpenGestures == 0) FinishGesture();
}

void EditorHistory::NoteChange(int index, double before, double after) {
  if (mOpenGestures == 0) {
    HistoryStep step;
    step.changes.push_back(ParamChange{index, before, after});
    Record(std::move(step));
    return;
  }
  auto [it, added] = mGesture.try_emplace(index, ParamChange{index, before, after});
  if (!added) it->second.after = after;
}

void EditorHistory::FinishGesture() {
  HistoryStep step;
  for (const auto& [index, change] : mGesture) step.changes.push_back(change);
  mGesture.clear();
  Record(std::move(step));
}

void EditorHistory::Record(HistoryStep step) {
  auto& changes = step.changes;
  changes.erase(std::remove_if(changes.begin(), changes.end(), [](const ParamChange& c) { return c.before == c.after; }),
                changes.end());
  if (step.empty()) return;
  mRedo.clear();
  Push(std::move(step));
}

void EditorHistory::Push(HistoryStep step) {
  mUndo.push_back(std::move(step));
  while (mUndo.size() > kMaxSteps) mUndo.pop_front();
}

HistoryStep EditorHistory::TakeUndo() {
  if (mUndo.empty() || GestureOpen()) return {};
  HistoryStep step = std::move(mUndo.back());
  mUndo.pop_back();
  mRedo.push_back(step);
  return step;
}

HistoryStep EditorHistory::TakeRedo() {
  if (mRedo.empty() || GestureOpen()) return {};
  HistoryStep step = std::move(mRedo.back());
  mRedo.pop_back();
  Push(step);
  return step;
}

void EditorHistory::Clear() {
  mUndo.clear();
  mRedo.clear();
}

} // namespace lumen
