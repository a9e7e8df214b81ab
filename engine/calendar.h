// The engine's calendar: day numbers for dates (day 0 is 1 January of year
// 1, proleptic Gregorian), milliseconds of the day for times.
#ifndef VANTORA_ENGINE_CALENDAR_H_
#define VANTORA_ENGINE_CALENDAR_H_

#include <cstdint>

namespace vantora::engine {

constexpr int32_t kLastDay = 3652058;  // 31 December 9999

// False for a month outside 1-12, a day outside the month, a year outside 1-9999.
bool EncodeDate(int month, int day, int year, int32_t* date);
// False for a day number outside 0..kLastDay.
bool DecodeDate(int32_t date, int* month, int* day, int* year);
// False for an hour outside 0-23, a minute outside 0-59, a millisecond of the
// minute outside 0-59999.
bool EncodeTime(int hour, int minute, int millisecond, uint32_t* time);

}  // namespace vantora::engine

#endif  // VANTORA_ENGINE_CALENDAR_H_
