#pragma once

#include <chrono>

namespace lumen::test {

// Lets the calling thread's framework timers fire as the host's main thread would for the given
// time: the pump of the timers on Linux (once, as if that time had passed), the thread's message
// loop on Windows (in real time).
void LetTimersRun(std::chrono::milliseconds duration);

} // namespace lumen::test
