#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>

namespace kolmari::render {

// A one-line progress bar for long renders. It stays invisible for the first `delay` so short
// renders print nothing, redraws only when the shown percentage changes, and erases itself when
// finished so the report below starts on a clean line.
class ProgressBar {
public:
  using Clock = std::chrono::steady_clock;
  static constexpr int kWidth = 40;

  ProgressBar(std::ostream& out, bool enabled, Clock::duration delay = std::chrono::seconds(1),
              Clock::time_point start = Clock::now());

  void Update(int64_t done, int64_t total, Clock::time_point now = Clock::now());
  void Finish();

  bool Shown() const { return mShown; }

private:
  std::ostream& mOut;
  bool mEnabled;
  Clock::duration mDelay;
  Clock::time_point mStart;
  bool mShown = false;
  int mLastPercent = -1;
};

} // namespace kolmari::render
