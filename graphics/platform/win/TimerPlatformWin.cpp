// The framework timer on Windows: a window-less system timer. The system calls the timer procedure
// from the message loop of the thread that made the timer (the host's main thread), so callbacks
// run there and nothing needs pumping by hand.
#include "TimerPlatform.h"
#include "Timer_impl.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace lumen::TimerPlatform {

namespace {

void CALLBACK OnSystemTimer(HWND, UINT, UINT_PTR id, DWORD) { Timer_impl::Dispatch(static_cast<uintptr_t>(id)); }

} // namespace

uintptr_t Start(uint32_t periodMs) {
  return static_cast<uintptr_t>(SetTimer(nullptr, 0, periodMs, OnSystemTimer));
}

void Kill(uintptr_t id) { KillTimer(nullptr, static_cast<UINT_PTR>(id)); }

bool FiredByPump() { return false; }

} // namespace lumen::TimerPlatform
