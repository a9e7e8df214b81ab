#include "engine/calendar.h"

namespace vantora::engine {
namespace {

bool IsLeap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int month, int year) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days from 1 March of year 0 to the date, counting in 400-year eras
// (the year starting in March puts the leap day at the end).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = y / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

const int64_t kDayZero = DaysFromCivil(1, 1, 1);

}  // namespace

bool EncodeDate(int month, int day, int year, int32_t* date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(month, year)) {
    return false;
  }
  *date = static_cast<int32_t>(DaysFromCivil(year, month, day) - kDayZero);
  return true;
}

bool DecodeDate(int32_t date, int* month, int* day, int* year) {
  if (date < 0 || date > kLastDay) return false;
  const int64_t z = date + kDayZero;
  const int64_t era = z / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(yoe + era * 400 + (m <= 2));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
  return true;
}

bool EncodeTime(int hour, int minute, int millisecond, uint32_t* time) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || millisecond < 0 ||
      millisecond > 59999) {
    return false;
  }
  *time = static_cast<uint32_t>((hour * 60 + minute) * 60000 + millisecond);
  return true;
}

}  // namespace vantora::engine
