#include "IKnobControlBase.h"

#include "ICanvas.h"
#include "IParam.h"

#include <algorithm>
#include <cmath>

namespace lumen::canvas {

namespace {

bool SteppedParam(const IParam* p) { return p && (p->Flags() & IParam::Stepped) && p->Step() > 0.0; }

} // namespace

IKnobControlBase::IKnobControlBase(const IRectF& bounds, int paramIdx, int direction, double gearing, ActionFunction action)
    : IControl(bounds, paramIdx, std::move(action)), mDirection(direction), mGearing(gearing) {
  mValueControl = true;
}

void IKnobControlBase::OnMouseDown(float x, float y, const IMouseState& mod) {
  mMouseDown = true;
  mDragValue = GetValue(0);
  mResetOnRelease = mod.control && mod.left && !mod.right;
  if (mHideCursorOnDrag && mUI) mUI->HideCursor(true, true);
  IControl::OnMouseDown(x, y, mod);
}

void IKnobControlBase::OnMouseUp(float, float, const IMouseState& mod) {
  if (mHideCursorOnDrag && mUI) mUI->HideCursor(false, true);
  mMouseDown = false;
  // Inside the press's gesture: the host hears begin, the reset, end. A press ended by another
  // button (a right-click during it) is no click.
  const bool reset = mResetOnRelease && !mod.right;
  mResetOnRelease = false;
  if (reset) {
    ResetToDefault(0);
    return;
  }
  MarkDirty(false);
}

void IKnobControlBase::OnMouseDrag(float, float, float dX, float dY, const IMouseState& mod) {
  mResetOnRelease = false; // a Control+drag is the fine drag
  const double gearing = mGearing * ((mod.control || mod.shift) ? 10.0 : 1.0);
  const IRectF b = DragBounds();
  // A zero-sized drag area or zero gearing would turn the drag into a division by zero.
  const double span = mDirection == kVertical ? static_cast<double>(b.T - b.B) : static_cast<double>(b.R - b.L);
  const double travel = mDirection == kVertical ? dY : dX;
  const double step = travel / span / gearing;
  if (!std::isfinite(step)) return;
  mDragValue = std::clamp(mDragValue + step, 0.0, 1.0);
  double v = mDragValue;
  const IParam* param = GetParam(0);
  if (SteppedParam(param)) v = param->NormalizeValue(param->DenormalizeValue(v));
  SetValue(v, 0);
  MarkDirty(true);
}

void IKnobControlBase::OnMouseWheel(float, float, const IMouseState& mod, float d) {
  if (!std::isfinite(d)) return;
  const double step = (mod.control || mod.shift) ? 0.001 : 0.01;
  const IParam* param = GetParam(0);
  double v = GetValue(0);
  if (SteppedParam(param)) {
    if (d == 0.0f) return;
    const double real = param->DenormalizeValue(v) + (d > 0.0f ? param->Step() : -param->Step());
    v = param->NormalizeValue(real);
  } else {
    v += static_cast<double>(d) * step;
  }
  SetValue(v, 0);
  MarkDirty(true);
}

} // namespace lumen::canvas
