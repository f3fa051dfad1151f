#include "Trace.h"

#include <cstdio>
#include <cstdlib>

namespace lumen {

namespace {

bool LocalAndUtc(std::time_t when, std::tm& local, std::tm& utc) {
#if defined(_WIN32)
  return localtime_s(&local, &when) == 0 && gmtime_s(&utc, &when) == 0;
#else
  return localtime_r(&when, &local) && gmtime_r(&when, &utc);
#endif
}

// Minutes that local time is ahead of UTC, from the two broken-down forms of one instant. They
// differ by less than a day, so a change of year means exactly one day forward or back.
int UtcOffsetMinutes(const std::tm& local, const std::tm& utc) {
  int days = local.tm_yday - utc.tm_yday;
  if (local.tm_year != utc.tm_year) days = local.tm_year > utc.tm_year ? 1 : -1;
  return days * 24 * 60 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
}

} // namespace

std::string FormatTraceTimeStamp(const std::tm& local, int utcOffsetMinutes) {
  const int offset = std::abs(utcOffsetMinutes);
  // Only integers are formatted, so the text does not depend on the process locale.
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02d%02d %02d:%02d %c%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, utcOffsetMinutes < 0 ? '-' : '+', offset / 60,
                offset % 60);
  return text;
}

std::string TraceTimeStamp(std::time_t when) {
  std::tm local{};
  std::tm utc{};
  if (!LocalAndUtc(when, local, utc)) return {};
  return FormatTraceTimeStamp(local, UtcOffsetMinutes(local, utc));
}

} // namespace lumen
