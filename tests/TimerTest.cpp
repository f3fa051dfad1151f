// The framework timer: firing through the pump, stopping, callbacks that change the timer list,
// callbacks that are empty or throw, and timers made and stopped while another thread pumps.
#include "Timer_impl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace lumen {
namespace {

using Clock = Timer::Clock;
using std::chrono::milliseconds;

Clock::time_point Later(int ms) { return Clock::now() + milliseconds(ms); }

TEST(Timer, FiresOncePerPumpWhenDue) {
  const auto before = Clock::now();
  int ticks = 0;
  auto timer = Timer::Make([&](Timer&) { ++ticks; }, 20);
  EXPECT_EQ(Timer::PumpDue(before), 0);
  EXPECT_EQ(Timer::PumpDue(Later(25)), 1);
  // A pump long after the last one fires once, not once per missed period.
  EXPECT_EQ(Timer::PumpDue(Later(1000)), 1);
  EXPECT_EQ(ticks, 2);
}

TEST(Timer, StoppingTwiceIsHarmlessAndAStoppedIdNeverMatches) {
  int ticks = 0;
  auto timer = Timer::Make([&](Timer&) { ++ticks; }, 20);
  auto& impl = static_cast<Timer_impl&>(*timer);
  const uintptr_t id = impl.Id();
  ASSERT_NE(id, 0u);
  EXPECT_TRUE(Timer_impl::Dispatch(id));
  timer->Stop();
  timer->Stop();
  EXPECT_FALSE(impl.IsRunning());
  EXPECT_FALSE(Timer_impl::Dispatch(id));
  EXPECT_FALSE(Timer_impl::Dispatch(0));
  EXPECT_EQ(Timer::PumpDue(Later(1000)), 0);
  EXPECT_EQ(ticks, 1);
}

TEST(Timer, ACallbackMayStopOrDestroyItsOwnTimer) {
  int stopTicks = 0;
  auto stopping = Timer::Make([&](Timer& self) { ++stopTicks, self.Stop(); }, 10);
  std::unique_ptr<Timer> destroying;
  int destroyTicks = 0;
  destroying = Timer::Make([&](Timer&) { ++destroyTicks, destroying.reset(); }, 10);

  EXPECT_EQ(Timer::PumpDue(Later(100)), 2);
  EXPECT_EQ(Timer::PumpDue(Later(200)), 0);
  EXPECT_EQ(stopTicks, 1);
  EXPECT_EQ(destroyTicks, 1);
  EXPECT_EQ(destroying, nullptr);
}

TEST(Timer, ACallbackMayStopAnotherOrMakeANewTimer) {
  int victimTicks = 0;
  std::unique_ptr<Timer> made;
  int madeTicks = 0;
  std::unique_ptr<Timer> victim;
  auto first = Timer::Make(
      [&](Timer&) {
        if (victim) victim->Stop();
        if (!made) made = Timer::Make([&](Timer&) { ++madeTicks; }, 10);
      },
      10);
  victim = Timer::Make([&](Timer&) { ++victimTicks; }, 10);

  // The victim was due in the same pump but stopped before its turn; the new timer waits.
  EXPECT_EQ(Timer::PumpDue(Later(100)), 1);
  EXPECT_EQ(victimTicks, 0);
  EXPECT_EQ(madeTicks, 0);
  EXPECT_EQ(Timer::PumpDue(Later(200)), 2);
  EXPECT_EQ(madeTicks, 1);
}

TEST(Timer, AnEmptyCallbackMakesAnInertTimerAndAThrowingOneIsContained) {
  auto empty = Timer::Make({}, 10);
  EXPECT_FALSE(static_cast<Timer_impl&>(*empty).IsRunning());
  empty->Stop();

  int throws = 0;
  auto throwing = Timer::Make(
      [&](Timer&) {
        ++throws;
        throw std::runtime_error("from a callback");
      },
      10);
  EXPECT_NO_THROW(EXPECT_EQ(Timer::PumpDue(Later(100)), 1));
  EXPECT_NO_THROW(Timer_impl::Dispatch(static_cast<Timer_impl&>(*throwing).Id()));
  EXPECT_EQ(throws, 2);
  EXPECT_TRUE(static_cast<Timer_impl&>(*throwing).IsRunning());
}

// One thread makes and stops timers while another pumps: the list lock keeps both consistent, and a
// pump never fires another thread's timers (an instance being built or torn down there would be
// called half made).
TEST(TimerThreads, TimersMadeAndStoppedWhileAnotherThreadPumps) {
  std::atomic<bool> done{false};
  std::atomic<int> fired{0};
  std::thread pump([&] {
    while (!done.load(std::memory_order_acquire)) {
      Timer::PumpDue(Later(1000));
      std::this_thread::yield();
    }
  });

  for (int i = 0; i < 500; ++i) {
    auto timer = Timer::Make([&](Timer&) { fired.fetch_add(1); }, 0);
    std::this_thread::yield();
    timer->Stop();
    timer.reset();
  }
  done.store(true, std::memory_order_release);
  pump.join();
  EXPECT_EQ(fired.load(), 0);
}

TEST(TimerThreads, EachThreadsPumpFiresOnlyItsOwnTimers) {
  int mine = 0;
  auto own = Timer::Make([&](Timer&) { ++mine; }, 20);
  std::atomic<int> theirs{0};
  std::unique_ptr<Timer> other;
  std::thread maker([&] {
    other = Timer::Make([&](Timer&) { theirs.fetch_add(1); }, 20);
    EXPECT_EQ(Timer::PumpDue(Later(1000)), 1);
  });
  maker.join();
  EXPECT_EQ(theirs.load(), 1);
  EXPECT_EQ(Timer::PumpDue(Later(1000)), 1);
  EXPECT_EQ(mine, 1);
  EXPECT_EQ(theirs.load(), 1);
  other.reset(); // stopping from another thread than the maker's is fine
}

} // namespace
} // namespace lumen
