#pragma once

#include "IEditorPump.h"

#include <chrono>
#include <cstdint>

namespace lumen {

// The editor's pump under LV2: the host's idle calls (ui:idleInterface) are its only clock, so a
// timer is a period it checks on each idle call, and a watched descriptor is polled there without
// waiting. An idle call for which the timer is due or the descriptor readable becomes the editor's
// tick. A host calls idle about as often as it redraws its own widgets; slower calls make slower
// ticks, never missed ones.
//
// Every call is on the host's UI thread, the one that calls idle.
class Lv2UiPump : public IEditorPump {
public:
  using Clock = std::chrono::steady_clock;

  bool StartTimer(uint32_t periodMs) override;
  void StopTimer() override;
  bool WatchDescriptor(int fd) override;
  void StopWatching() override;

  // The host's idle call at time now: whether the editor should tick. A due timer counts its
  // period again from now.
  bool TakeIdleCall(Clock::time_point now);

  bool TimerRunning() const { return mPeriod.count() > 0; }
  int WatchedDescriptor() const { return mFd; }

private:
  std::chrono::milliseconds mPeriod{0};
  Clock::time_point mLastTick{};
  int mFd = -1;
};

} // namespace lumen
