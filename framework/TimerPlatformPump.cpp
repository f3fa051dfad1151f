#include "TimerPlatform.h"

#include <atomic>

// Platforms without a window-less timer on the GUI thread: a timer is its entry in the live-timer
// list, identified by a number that is never reused, and Timer::PumpDue fires it.
namespace lumen::TimerPlatform {

uintptr_t Start(uint32_t) {
  static std::atomic<uintptr_t> lastId{0};
  return lastId.fetch_add(1, std::memory_order_relaxed) + 1;
}

void Kill(uintptr_t) {}

bool FiredByPump() { return true; }

} // namespace lumen::TimerPlatform
