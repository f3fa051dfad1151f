#pragma once

#include "Timer.h"

#include <cstdint>
#include <thread>

namespace lumen {

// The framework's timer: the platform timer's id (0 when not running), the callback and the period.
// Made through Timer::Make; see Timer for the threading rules.
class Timer_impl final : public Timer {
public:
  Timer_impl(Callback callback, uint32_t periodMs);
  ~Timer_impl() override;
  Timer_impl(const Timer_impl&) = delete;
  Timer_impl& operator=(const Timer_impl&) = delete;

  void Stop() override;

  bool IsRunning() const;
  uintptr_t Id() const;
  uint32_t PeriodMs() const { return mPeriodMs; }

  // The timer procedure: calls the callback of the live timer with this id. False when no live
  // timer has it (a stopped timer's id never matches). Never throws.
  static bool Dispatch(uintptr_t id) noexcept;

  // Fires the calling thread's due timers when the platform leaves firing to a pump (see
  // Timer::PumpDue). Never throws.
  static int PumpDue(Clock::time_point now) noexcept;

private:
  uintptr_t mId = 0;
  Callback mCallback;
  uint32_t mPeriodMs = 0;
  // When a pumped timer fires next.
  Clock::time_point mNextDue{};
  // The thread that made the timer: the only one whose pump fires it.
  std::thread::id mOwner;
};

} // namespace lumen
