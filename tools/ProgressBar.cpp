#include "ProgressBar.h"

#include <algorithm>
#include <ostream>
#include <string>

namespace kolmari::render {

ProgressBar::ProgressBar(std::ostream& out, bool enabled, Clock::duration delay, Clock::time_point start)
    : mOut(out), mEnabled(enabled), mDelay(delay), mStart(start) {}

void ProgressBar::Update(int64_t done, int64_t total, Clock::time_point now) {
  if (!mEnabled || total <= 0 || now - mStart < mDelay) return;
  const int percent = static_cast<int>(std::clamp<int64_t>(done * 100 / total, 0, 100));
  if (percent == mLastPercent) return;
  mLastPercent = percent;
  mShown = true;
  const int filled = percent * kWidth / 100;
  mOut << "\rrendering [" << std::string(static_cast<size_t>(filled), '#')
       << std::string(static_cast<size_t>(kWidth - filled), '.') << "] " << std::string(percent < 10 ? 2 : percent < 100 ? 1 : 0, ' ')
       << percent << '%' << std::flush;
}

void ProgressBar::Finish() {
  if (!mShown) return;
  mOut << '\r' << std::string(kWidth + 18, ' ') << '\r' << std::flush;
  mShown = false;
}

} // namespace kolmari::render
