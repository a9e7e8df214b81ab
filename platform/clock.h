// Time of day and the process clock, for timings shown to users.
#ifndef VANTORA_PLATFORM_CLOCK_H_
#define VANTORA_PLATFORM_CLOCK_H_

#include <chrono>
#include <cstdint>

namespace vantora::platform {

// A moment in the local time of the machine.
struct LocalTime {
  int year = 0, month = 0, day = 0;  // month and day from 1
  int hour = 0, minute = 0, second = 0;
  int microsecond = 0;
};
LocalTime LocalTimeOf(std::chrono::system_clock::time_point moment);

// Milliseconds since midnight, local time.
int64_t MillisecondsOfDay();
// Milliseconds of processor time used by this process.
int64_t ProcessClockMilliseconds();
// A monotonic clock in microseconds, for measuring intervals.
int64_t MonotonicMicroseconds();

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_CLOCK_H_
