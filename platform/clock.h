// Time of day and the process clock, for timings shown to users.
#ifndef VANTORA_PLATFORM_CLOCK_H_
#define VANTORA_PLATFORM_CLOCK_H_

#include <cstdint>

namespace vantora::platform {

// Milliseconds since midnight, local time.
int64_t MillisecondsOfDay();
// Milliseconds of processor time used by this process.
int64_t ProcessClockMilliseconds();
// A monotonic clock in microseconds, for measuring intervals.
int64_t MonotonicMicroseconds();

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_CLOCK_H_
