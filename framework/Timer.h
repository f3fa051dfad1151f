#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace lumen {

// A periodic timer whose callback runs on the host's main (GUI) thread. The framework's idle timer
// ticks every 20 ms and drains the queues from the audio side into the editor.
//
// All live timers of the process are kept in one list under one re-entrant lock, held while a timer
// is created, stopped or fired. Callbacks therefore run one at a time, and a callback may stop or
// create timers, including its own. No exception leaves a callback: one that throws is caught and
// ignored.
//
// Platforms: on Windows a timer is a window-less system timer (SetTimer) that the system fires on
// the thread that created it. Linux has no window-less timer that fires on the host's GUI thread,
// so there a timer is only its entry in the list, and PumpDue fires the entries that are due and
// were made on the calling thread, just as a system timer fires only in its own thread. The Linux
// editor layer calls PumpDue from the host's GUI thread; tests call it directly.
class Timer {
public:
  using Callback = std::function<void(Timer&)>;
  using Clock = std::chrono::steady_clock;

  virtual ~Timer() = default;
  // Stops the timer; its callback is not called again. Stopping a stopped timer does nothing.
  virtual void Stop() = 0;

  // A running timer that calls callback every periodMs milliseconds. A timer whose platform timer
  // could not be created, or whose callback is empty, never fires.
  static std::unique_ptr<Timer> Make(Callback callback, uint32_t periodMs);

  // Fires, once each, the calling thread's timers whose time had come by now; returns how many
  // fired. A timer made by a callback during the pump waits for the next pump.
  static int PumpDue(Clock::time_point now = Clock::now());
};

} // namespace lumen
