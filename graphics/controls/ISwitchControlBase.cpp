#include "ISwitchControlBase.h"

#include "IParam.h"

#include <cmath>

namespace lumen::canvas {

namespace {

// More states than this make no switch; a parameter with a wider range is stepped like a knob.
constexpr int kMaxStates = 4096;

} // namespace

ISwitchControlBase::ISwitchControlBase(const IRectF& bounds, int paramIdx, ActionFunction action, int numStates)
    : IControl(bounds, paramIdx, std::move(action)) {
  mDblAsSingleClick = true;
  mValueControl = true;
  SetNumStates(numStates);
}

void ISwitchControlBase::SetNumStates(int n) {
  mNumStates = std::clamp(n, 2, kMaxStates);
  mStateDisabled.assign(static_cast<size_t>(mNumStates), false);
}

void ISwitchControlBase::OnSetup() {
  if (const IParam* param = GetParam(0)) {
    const double range = param->Max() - param->Min();
    if (std::isfinite(range) && range >= 0.0) SetNumStates(static_cast<int>(std::min(range, double(kMaxStates))) + 1);
  }
}

int ISwitchControlBase::SelectedState() const {
  const double v = GetValue(0);
  if (!std::isfinite(v)) return 0;
  return std::clamp(static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * (mNumStates - 1))), 0, mNumStates - 1);
}

bool ISwitchControlBase::StateDisabled(int state) const {
  return state >= 0 && state < mNumStates && mStateDisabled[static_cast<size_t>(state)];
}

void ISwitchControlBase::SetStateDisabled(int state, bool disabled) {
  if (state >= 0 && state < mNumStates) mStateDisabled[static_cast<size_t>(state)] = disabled;
}

void ISwitchControlBase::OnMouseDown(float, float, const IMouseState& mod) {
  double v = GetValue(0);
  if (mod.control && GetParam(0)) {
    // Control+click sets the default, as on a knob.
    mMouseDown = true;
    ResetToDefault(0);
    return;
  }
  if (mNumStates == 2) {
    v = v == 0.0 ? 1.0 : 0.0;
  } else {
    v += 1.0 / static_cast<double>(mNumStates - 1);
    // Rounding may leave the last state a hair above 1; only a step past it wraps.
    if (v > 1.0 + 1e-9 || !std::isfinite(v)) v = 0.0;
  }
  SetValue(v, 0);
  mMouseDown = true;
  MarkDirty(true);
}

void ISwitchControlBase::OnMouseUp(float, float, const IMouseState&) {
  mMouseDown = false;
  MarkDirty(false);
}

} // namespace lumen::canvas
