#include "IBitmapRotaterControl.h"

#include "ICanvas.h"

#include <cmath>

namespace lumen::canvas {

IBitmapRotaterControl::IBitmapRotaterControl(const IRectF& bounds, const IBitmapHandle& bitmap, int paramIdx)
    : IBitmapKnobControl(bounds, bitmap, paramIdx, kVertical, kDefaultGearing) {}

double IBitmapRotaterControl::AngleForValue(double value) {
  if (!std::isfinite(value)) return 0.0;
  return value * (kMaxAngle - kMinAngle) + kMinAngle;
}

void IBitmapRotaterControl::Draw(ICanvas& g) {
  const IBlendMode blend = GetBlend();
  g.PaintRotatedBitmap(mBitmap, mRect.MW(), mRect.MH(), static_cast<float>(AngleForValue(GetValue(0))), &blend);
}

} // namespace lumen::canvas
