#include "Timer_impl.h"

#include "TimerPlatform.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace lumen {

namespace {

// An object in static storage that is constructed on first use and never destroyed, so that a timer
// that outlives static destruction can still stop safely. It takes nothing from the heap itself: a
// library that hosts load and unload again and again must not leave memory behind each time.
template <typename T>
class NeverDestroyed {
public:
  NeverDestroyed() { new (mStorage) T(); }
  T& Get() { return *std::launder(reinterpret_cast<T*>(mStorage)); }

private:
  alignas(T) unsigned char mStorage[sizeof(T)];
};

// Re-entrant, so that a callback, which runs under the lock, may stop or create timers.
std::recursive_mutex& ListLock() {
  static NeverDestroyed<std::recursive_mutex> lock;
  return lock.Get();
}

// The live timers, in creation order. When the last one stops, the list gives its memory back.
std::vector<Timer_impl*>& LiveTimers() {
  static NeverDestroyed<std::vector<Timer_impl*>> timers;
  return timers.Get();
}

} // namespace

std::unique_ptr<Timer> Timer::Make(Callback callback, uint32_t periodMs) {
  return std::make_unique<Timer_impl>(std::move(callback), periodMs);
}

int Timer::PumpDue(Clock::time_point now) { return Timer_impl::PumpDue(now); }

Timer_impl::Timer_impl(Callback callback, uint32_t periodMs) : mCallback(std::move(callback)), mPeriodMs(periodMs) {
  // A timer without a callback would have nothing to call: it stays inert.
  if (!mCallback) return;
  std::lock_guard<std::recursive_mutex> guard(ListLock());
  mId = TimerPlatform::Start(periodMs);
  if (mId == 0) return;
  mNextDue = Clock::now() + std::chrono::milliseconds(periodMs);
  mOwner = std::this_thread::get_id();
  LiveTimers().push_back(this);
}

Timer_impl::~Timer_impl() { Stop(); }

void Timer_impl::Stop() {
  std::lock_guard<std::recursive_mutex> guard(ListLock());
  if (mId == 0) return;
  TimerPlatform::Kill(mId);
  auto& timers = LiveTimers();
  timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
  if (timers.empty()) std::vector<Timer_impl*>().swap(timers);
  mId = 0;
}

bool Timer_impl::IsRunning() const { return Id() != 0; }

uintptr_t Timer_impl::Id() const {
  std::lock_guard<std::recursive_mutex> guard(ListLock());
  return mId;
}

bool Timer_impl::Dispatch(uintptr_t id) noexcept {
  if (id == 0) return false;
  // The timer procedure is called by the system on the host's thread: nothing may escape it, not
  // even a failure to take the lock or to copy the callback.
  try {
    std::lock_guard<std::recursive_mutex> guard(ListLock());
    const auto& timers = LiveTimers();
    const auto it = std::find_if(timers.begin(), timers.end(), [id](const Timer_impl* t) { return t->mId == id; });
    if (it == timers.end()) return false;

    Timer_impl& timer = **it;
    // A copy, because the callback may destroy its own timer and with it the stored callback.
    const Callback callback = timer.mCallback;
    callback(timer);
    return true;
  } catch (...) {
    return true;
  }
}

int Timer_impl::PumpDue(Clock::time_point now) noexcept {
  if (!TimerPlatform::FiredByPump()) return 0;
  try {
    std::lock_guard<std::recursive_mutex> guard(ListLock());

    // Only the calling thread's own timers fire, as a system timer without a window fires only in
    // the thread that made it: an instance being built or torn down on another thread is never
    // called in the middle of it. Ids first, then firing: callbacks may change the list.
    const auto self = std::this_thread::get_id();
    std::vector<uintptr_t> due;
    for (Timer_impl* timer : LiveTimers()) {
      if (timer->mOwner != self || now < timer->mNextDue) continue;
      due.push_back(timer->mId);
      const auto period = std::chrono::milliseconds(timer->mPeriodMs);
      timer->mNextDue += period;
      // A pump that came late fires once, not once per missed period.
      if (timer->mNextDue <= now) timer->mNextDue = now + period;
    }

    int fired = 0;
    for (uintptr_t id : due) fired += Dispatch(id) ? 1 : 0;
    return fired;
  } catch (...) {
    return 0;
  }
}

} // namespace lumen
