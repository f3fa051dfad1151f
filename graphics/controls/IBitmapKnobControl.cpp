#include "IBitmapKnobControl.h"

namespace lumen::canvas {

IBitmapKnobControl::IBitmapKnobControl(const IRectF& bounds, const IBitmapHandle& bitmap, int paramIdx, int direction,
                                       double gearing)
    : IKnobControlBase(FrameRectCentredIn(bitmap, bounds), paramIdx, direction, gearing), IBitmapBase(bitmap, *this) {
  mHideCursorOnDrag = true;
}

} // namespace lumen::canvas
