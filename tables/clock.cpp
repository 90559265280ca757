#include "tables/clock.h"

#include <chrono>
#include <ctime>

namespace orb {

TDateTimeParts ReadLocalClock() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  TDateTimeParts parts;
  parts.year = local.tm_year + 1900;
  parts.month = local.tm_mon + 1;
  parts.day = local.tm_mday;
  parts.hour = local.tm_hour;
  parts.minute = local.tm_min;
  parts.second = local.tm_sec;
  parts.millisecond = static_cast<int>(millis < 0 ? millis + 1000 : millis);
  return parts;
}

}  // namespace orb
