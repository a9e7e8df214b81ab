#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace vantora::platform {

LocalTime LocalTimeOf(std::chrono::system_clock::time_point moment) {
  using std::chrono::system_clock;
  const std::time_t seconds = system_clock::to_time_t(moment);
  std::tm local{};
  localtime_r(&seconds, &local);
  LocalTime t;
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec;
  // to_time_t may round rather than truncate: the fraction is what is left of that second.
  auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                    moment - system_clock::from_time_t(seconds))
                    .count();
  t.microsecond = static_cast<int>(micros < 0 ? 0 : micros);
  return t;
}

int64_t MillisecondsOfDay() {
  const LocalTime t = LocalTimeOf(std::chrono::system_clock::now());
  return ((t.hour * 60 + t.minute) * 60 + t.second) * int64_t{1000} + t.microsecond / 1000;
}

int64_t ProcessClockMilliseconds() {
  return static_cast<int64_t>(std::clock()) * 1000 / CLOCKS_PER_SEC;
}

int64_t MonotonicMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace vantora::platform
