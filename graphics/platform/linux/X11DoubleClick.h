#pragma once

#include <cstdint>

namespace lumen::canvas {

// X reports every press on its own; a double click is a second press of the same button soon
// enough after the first and near enough to it, as desktops judge it (400 ms, 4 pixels by default).
// A third press starts over, so a triple click is a double click and a single one.
class X11DoubleClick {
public:
  static constexpr unsigned kDefaultTimeMs = 400;
  static constexpr int kDefaultDistance = 4;

  explicit X11DoubleClick(unsigned timeMs = kDefaultTimeMs, int distance = kDefaultDistance)
      : mTimeMs(timeMs), mDistance(distance) {}

  // A press of button at (x, y) window pixels at the server's time in milliseconds (which wraps
  // around); true when it completes a double click.
  bool Press(unsigned button, int x, int y, unsigned long timeMs);
  // Forget the last press (the pointer left, the window closed).
  void Reset() { mHavePress = false; }

private:
  unsigned mTimeMs;
  int mDistance;
  bool mHavePress = false;
  unsigned mButton = 0;
  int mX = 0;
  int mY = 0;
  unsigned long mTime = 0;
};

} // namespace lumen::canvas
