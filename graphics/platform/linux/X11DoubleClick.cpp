#include "X11DoubleClick.h"

#include <cstdlib>

namespace lumen::canvas {

bool X11DoubleClick::Press(unsigned button, int x, int y, unsigned long timeMs) {
  // Server times are 32-bit milliseconds that wrap after 49 days.
  const uint32_t elapsed = static_cast<uint32_t>(timeMs) - static_cast<uint32_t>(mTime);
  const bool isDouble = mHavePress && button == mButton && elapsed <= mTimeMs && std::abs(x - mX) <= mDistance &&
                        std::abs(y - mY) <= mDistance;
  if (isDouble) {
    mHavePress = false;
    return true;
  }
  mHavePress = true;
  mButton = button;
  mX = x;
  mY = y;
  mTime = timeMs;
  return false;
}

} // namespace lumen::canvas
