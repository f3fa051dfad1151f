#include "IBitmapControl.h"

namespace lumen::canvas {

IBitmapControl::IBitmapControl(const IRectF& bounds, const IBitmapHandle& bitmap, int paramIdx)
    : IControl(bounds, paramIdx), IBitmapBase(bitmap, *this) {}

} // namespace lumen::canvas
