#include "IBitmapSwitchControl.h"

#include <cmath>

namespace lumen::canvas {

IBitmapSwitchControl::IBitmapSwitchControl(const IRectF& bounds, const IBitmapHandle& bitmap, int paramIdx)
    : ISwitchControlBase(FrameRectCentredIn(bitmap, bounds), paramIdx), IBitmapBase(bitmap, *this) {}

void IBitmapSwitchControl::OnMouseDown(float, float, const IMouseState&) {
  // The step follows the strip's frames; values rounding leaves a hair above 1 still show the last.
  const int n = mBitmap.N();
  double v = GetValue(0) + (n < 2 ? 1.0 : 1.0 / static_cast<double>(n - 1));
  if (v > 1.001 || !std::isfinite(v)) v = 0.0;
  SetValue(v, 0);
  mMouseDown = true;
  MarkDirty(true);
}

} // namespace lumen::canvas
