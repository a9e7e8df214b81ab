// The AS/400's date and time formats as texts: where the parts stand, which
// separators a format has, and the years two digits stand for. The host's
// record codec (host/server/files/date_time_text.h, ISO texts to the job's
// format and back) and the database driver (driver/cursors/date_time_text.h,
// the engine's dates and times to texts and back) both build on this.
//
// A format is named by its code (the high byte of a format word):
//
//   date 0x00 *ISO, 0x07 *JIS  YYYY-MM-DD     time 0x00, 0x03, 0x05, 0x09  hh.mm.ss
//        0x01 *USA  MM/DD/YYYY                     0x07 *JIS, 0x1B *HMS   hh:mm:ss
//        0x05 *EUR  DD.MM.YYYY                     0x01 *USA              hh:mm AM
//        0x17 *MDY  MM/DD/YY
//        0x18 *DMY  DD/MM/YY
//        0x19 *YMD  YY/MM/DD
//
// Two-digit years stand for 1940-2039.
#ifndef VANTORA_CONVERSION_DATE_TIME_LAYOUT_H_
#define VANTORA_CONVERSION_DATE_TIME_LAYOUT_H_

#include <cstdint>
#include <string_view>

namespace vantora::conversion {

// Where year, month and day stand in a date text, the year's digits, the
// positions of the two separators and the format's own separator.
struct DateLayout {
  int year, month, day, yearDigits;
  int firstSeparator, secondSeparator;
  char separator;
  int length() const { return yearDigits == 4 ? 10 : 8; }
};

// The layout of date format `code`; false for a code that is not a date
// format above.
bool DateLayoutOf(uint8_t code, DateLayout* layout);

enum class TimeLayout {
  kDots,        // hh.mm.ss
  kColons,      // hh:mm:ss
  kTwelveHour,  // hh:mm AM
};
// The layout of time format `code`; false for a code that is not a time
// format above.
bool TimeLayoutOf(uint8_t code, TimeLayout* layout);

// The year of two digits (0-99): 1940-2039.
inline int FullYear(int twoDigits) {
  return twoDigits + (twoDigits < 40 ? 2000 : 1900);
}
// Whether `year` can be written with two digits.
inline bool HasTwoDigitForm(int year) {
  return year >= 1940 && year <= 2039;
}
// Whether year, month and day make a date of the calendar (years 1-9999).
bool IsCalendarDate(int year, int month, int day);

// The value of the `n` digits at `at`; false when one is missing or not a
// digit.
bool ReadDigits(std::string_view text, size_t at, size_t n, int* value);
// Writes `value` as `n` digits, with leading zeros.
void WriteDigits(int value, int n, char* out);

// The 12-hour form of hour 0-23 (0 is 12 AM, 12 is 12 PM), and back: the
// hour of 1-12 and AM or PM; false for what is neither.
int TwelveHourOf(int hour);
bool HourOfTwelve(int hour, std::string_view half, int* out);

}  // namespace vantora::conversion

#endif  // VANTORA_CONVERSION_DATE_TIME_LAYOUT_H_
