// The AS/400 texts of dates, times and timestamps, and the engine's values.
//
// A format word has the format code in its high byte and the separator in
// its low byte (0, or above 0x80: the format's own separator).
//
//   date 0x00, 0x07  YYYY-MM-DD     (writing also 0xFF)
//        0x01        MM/DD/YYYY
//        0x05        DD.MM.YYYY
//        0x17        MM/DD/YY       two-digit years stand for 1940-2039
//        0x18        DD/MM/YY
//        0x19        YY/MM/DD
//   time 0x01        hh:mm AM       (12-hour: hour 0 is 12 AM, hour 12 is 12 PM)
//        0x00, 0x03, 0x05, 0x09   hh.mm.ss
//        0x07, 0x1B  hh:mm:ss
//   timestamp        YYYY-MM-DD-hh.mm.ss.nnnnnn
#ifndef VANTORA_DRIVER_CURSORS_DATE_TIME_TEXT_H_
#define VANTORA_DRIVER_CURSORS_DATE_TIME_TEXT_H_

#include <cstdint>
#include <string_view>

namespace vantora::driver {

constexpr int32_t kMsPerDay = 86400000;
constexpr int kTimestampLength = 26;

// The engine date of a date text; false for a text that is not a date of
// the format (or an unknown format code).
bool DateFromText(std::string_view text, uint16_t formatWord, int32_t* date);
// Milliseconds of the day of a time text (with six digits of microseconds
// after position 8 when `micro`); false for a text that is not a time.
bool TimeFromText(std::string_view text, bool micro, uint16_t formatWord, int32_t* ms);

// Writes the date's text into `out` (at least 10 bytes; no terminator) and
// answers its length; 0 when the date cannot be written in the format (an
// unknown code, a year outside the format's range).
int DateToText(char* out, int32_t date, uint16_t formatWord);
// Writes the time's text (15 bytes with microseconds, else 8; no
// terminator) and answers its length; 0 for milliseconds outside the day.
int TimeToText(char* out, int32_t ms, bool micro, uint16_t formatWord);

// Timestamps: date text of format 0x00, '-', time text with microseconds.
bool TimestampFromText(std::string_view text, uint16_t formatWord, double* value);
int TimestampToText(char* out, double value, uint16_t formatWord);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_DATE_TIME_TEXT_H_
