#pragma once

#include "IControl.h"

namespace lumen::canvas {

// A control turned by dragging: vertically (up increases) or horizontally (right increases). With
// gearing g, a drag over g times the drag bounds sweeps the whole range; Control or Shift makes it
// ten times finer. The wheel moves by 0.01 per notch (0.001 finer), or by one step of a stepped
// parameter. A press hides the cursor for the drag. A Control+click that does not move resets the
// value to its default, as a double-click does.
class IKnobControlBase : public IControl {
public:
  enum Direction : int { kVertical = 0, kHorizontal = 1 };
  static constexpr double kDefaultGearing = 4.0;

  IKnobControlBase(const IRectF& bounds, int paramIdx = -1, int direction = kVertical,
                   double gearing = kDefaultGearing, ActionFunction action = nullptr);

  void OnMouseDown(float x, float y, const IMouseState& mod) override;
  void OnMouseUp(float x, float y, const IMouseState& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseState& mod) override;
  void OnMouseWheel(float x, float y, const IMouseState& mod, float d) override;

  // The rectangle whose height (or width) a drag is measured against: the target rectangle.
  virtual IRectF DragBounds() const { return mTargetRect; }

  int GetDirection() const { return mDirection; }
  double GetGearing() const { return mGearing; }
  void SetGearing(double gearing) { mGearing = gearing; }
  bool HideCursorOnDrag() const { return mHideCursorOnDrag; }
  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }
  bool MouseIsDown() const { return mMouseDown; }

protected:
  bool mHideCursorOnDrag = true;
  int mDirection;
  double mGearing;
  bool mMouseDown = false;
  double mDragValue = 0.0;
  bool mResetOnRelease = false; // pressed with Control, not moved since
};

} // namespace lumen::canvas
