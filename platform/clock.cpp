#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace vantora::platform {

int64_t MillisecondsOfDay() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  return ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * int64_t{1000} + ms % 1000;
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
