// The framework timer on Windows: a system timer that fires from the creating thread's messages.
#include "Timer.h"
#include "TimerPump.h"

#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

using lumen::Timer;

// Dispatches the calling thread's messages (the timers' among them) for the given time.
void PumpMessagesFor(std::chrono::milliseconds duration) { lumen::test::LetTimersRun(duration); }

TEST(WindowsTimer, FiresFromTheMessageLoopUntilStopped) {
  int ticks = 0;
  auto timer = Timer::Make([&](Timer&) { ++ticks; }, 20);
  EXPECT_EQ(ticks, 0) << "nothing fires without the message loop";
  PumpMessagesFor(std::chrono::milliseconds(300));
  EXPECT_GE(ticks, 3);
  EXPECT_FALSE(Timer::PumpDue()) << "no hand pump on Windows";

  timer->Stop();
  timer->Stop();
  const int stoppedAt = ticks;
  PumpMessagesFor(std::chrono::milliseconds(100));
  EXPECT_EQ(ticks, stoppedAt);
}

TEST(WindowsTimer, ACallbackMayDestroyItsOwnTimerAndThrowingIsContained) {
  int ticks = 0;
  std::unique_ptr<Timer> own;
  own = Timer::Make([&](Timer&) { ++ticks; own.reset(); }, 10);
  auto throwing = Timer::Make([](Timer&) { throw 1; }, 10);
  EXPECT_NO_THROW(PumpMessagesFor(std::chrono::milliseconds(150)));
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(own, nullptr);
}

TEST(WindowsTimer, FiresOnlyOnTheThreadThatMadeIt) {
  std::atomic<int> ticks{0};
  std::atomic<DWORD> firedOn{0};
  const DWORD self = GetCurrentThreadId();
  auto timer = Timer::Make([&](Timer&) { ++ticks; firedOn = GetCurrentThreadId(); }, 10);

  // Another thread pumping its own messages gets none of this thread's timers.
  std::thread other([] { PumpMessagesFor(std::chrono::milliseconds(150)); });
  other.join();
  EXPECT_EQ(ticks.load(), 0);

  PumpMessagesFor(std::chrono::milliseconds(100));
  EXPECT_GT(ticks.load(), 0);
  EXPECT_EQ(firedOn.load(), self);
}

} // namespace
