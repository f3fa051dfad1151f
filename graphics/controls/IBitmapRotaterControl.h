#pragma once

#include "IBitmapKnobControl.h"

namespace lumen::canvas {

// A knob drawn as one picture turned by its value: -130 degrees at 0, upright at 0.5, +130 at 1,
// about the centre of its rectangle.
class IBitmapRotaterControl : public IBitmapKnobControl {
public:
  static constexpr double kMinAngle = -130.0;
  static constexpr double kMaxAngle = 130.0;

  IBitmapRotaterControl(const IRectF& bounds, const IBitmapHandle& bitmap, int paramIdx);

  // The angle in degrees for a value (0 for a value that is not finite).
  static double AngleForValue(double value);
  void Draw(ICanvas& g) override;
};

} // namespace lumen::canvas
