#include "TimerPump.h"

#include "Timer.h"

namespace lumen::test {

void LetTimersRun(std::chrono::milliseconds duration) { Timer::PumpDue(Timer::Clock::now() + duration); }

} // namespace lumen::test
