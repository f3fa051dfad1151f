#include "Lv2UiPump.h"

#include <poll.h>

namespace lumen {

namespace {

// A tick a little early is on time: idle calls at the display's rate must not miss every other one.
constexpr std::chrono::milliseconds kEarly{2};

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  // An error or hang-up counts as readable too: the editor's tick reads it and finds out.
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLERR | POLLHUP)) != 0;
}

} // namespace

bool Lv2UiPump::StartTimer(uint32_t periodMs) {
  StopTimer();
  if (periodMs == 0) return false;
  mPeriod = std::chrono::milliseconds(periodMs);
  mLastTick = Clock::now();
  return true;
}

void Lv2UiPump::StopTimer() { mPeriod = std::chrono::milliseconds(0); }

bool Lv2UiPump::WatchDescriptor(int fd) {
  StopWatching();
  if (fd < 0) return false;
  mFd = fd;
  return true;
}

void Lv2UiPump::StopWatching() { mFd = -1; }

bool Lv2UiPump::TakeIdleCall(Clock::time_point now) {
  const bool timerDue = TimerRunning() && now - mLastTick >= mPeriod - kEarly;
  if (timerDue) mLastTick = now;
  return timerDue || (mFd >= 0 && Readable(mFd));
}

} // namespace lumen
