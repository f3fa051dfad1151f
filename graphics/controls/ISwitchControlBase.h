#pragma once

#include "IControl.h"

#include <vector>

namespace lumen::canvas {

// A control that a click moves to its next state; after the last state it wraps to the first. The
// number of states follows the parameter's range (maximum - minimum + 1, at least 2). A double-click
// counts as a click; a Control+click sets the parameter's default.
class ISwitchControlBase : public IControl {
public:
  ISwitchControlBase(const IRectF& bounds, int paramIdx = -1, ActionFunction action = nullptr, int numStates = 2);

  void OnMouseDown(float x, float y, const IMouseState& mod) override;
  void OnMouseUp(float x, float y, const IMouseState& mod) override;
  void OnSetup() override;

  int NumStates() const { return mNumStates; }
  // Sets the number of states (at least 2); the per-state flags follow it.
  void SetNumStates(int n);
  // The state the value 0 stands for (0 ... states - 1).
  int SelectedState() const;
  bool StateDisabled(int state) const;
  void SetStateDisabled(int state, bool disabled);
  bool MouseIsDown() const { return mMouseDown; }

protected:
  int mNumStates = 2;
  std::vector<bool> mStateDisabled;
  bool mMouseDown = false;
};

} // namespace lumen::canvas
