#pragma once

#include <ctime>
#include <string>

namespace lumen {

// Trace points: a qualified operation name, a line number and a printf-style format with its
// arguments. This build has no trace sink, so a trace point does nothing and compiles away; it
// stays in the code so that the call sites, and the format checking of their arguments, remain.
#if defined(__GNUC__)
__attribute__((format(printf, 3, 4)))
#endif
inline void Trace(const char* /*operation*/, int /*line*/, const char* /*format*/, ...) {}

// The stamp that heads a trace session: local time as "%Y%m%d %H:%M " followed by the offset from
// UTC as a sign and "%02d%02d" hours and minutes, for example "20240131 09:05 +0100".
std::string TraceTimeStamp(std::time_t when);

// The same text from a broken-down local time and its offset from UTC in minutes.
std::string FormatTraceTimeStamp(const std::tm& local, int utcOffsetMinutes);

} // namespace lumen
