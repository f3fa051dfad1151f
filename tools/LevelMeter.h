#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace kolmari::render {

// Peak and RMS over every sample of every channel it is shown. Non-finite samples (which the
// effect treats as silence) are counted as silence here too, so one bad sample cannot hide the
// level of the rest.
class LevelMeter {
public:
  template <typename Sample>
  void Add(const Sample* samples, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      const double v = static_cast<double>(samples[i]);
      if (std::isfinite(v)) {
        const double a = std::abs(v);
        if (a > mPeak) mPeak = a;
        mSumOfSquares += v * v;
      }
    }
    mCount += count;
  }

  double Peak() const { return mPeak; }
  double Rms() const { return mCount > 0 ? std::sqrt(mSumOfSquares / static_cast<double>(mCount)) : 0.0; }

private:
  double mPeak = 0.0;
  double mSumOfSquares = 0.0;
  uint64_t mCount = 0;
};

} // namespace kolmari::render
