#pragma once

#include <cstdint>

namespace lumen {

// The operating system's side of the framework timer. Each platform supplies one implementation:
// on Windows a window-less system timer whose procedure calls Timer_impl::Dispatch; elsewhere ids
// of timers that Timer::PumpDue fires.
namespace TimerPlatform {

// Starts a platform timer with the period; returns its id, never 0, or 0 when none could be made.
uintptr_t Start(uint32_t periodMs);
// Stops the platform timer with this id.
void Kill(uintptr_t id);
// True when the timers fire only through Timer::PumpDue.
bool FiredByPump();

} // namespace TimerPlatform
} // namespace lumen
