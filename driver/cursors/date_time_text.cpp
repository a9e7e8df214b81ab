#include "driver/cursors/date_time_text.h"

#include <cmath>
#include <cstdio>

#include "idapi.h"

namespace vantora::driver {
namespace {

struct DateFormat {
  int yearAt, yearDigits, monthAt, dayAt;
  char separator;
};

bool DateFormatOf(uint8_t code, bool writing, DateFormat* f) {
  switch (code) {
    case 0x00:
    case 0x07:
      *f = {0, 4, 5, 8, '-'};
      return true;
    case 0xFF:
      if (!writing) return false;
      *f = {0, 4, 5, 8, '-'};
      return true;
    case 0x01:
      *f = {6, 4, 0, 3, '/'};
      return true;
    case 0x05:
      *f = {6, 4, 3, 0, '.'};
      return true;
    case 0x17:
      *f = {6, 2, 0, 3, '/'};
      return true;
    case 0x18:
      *f = {6, 2, 3, 0, '/'};
      return true;
    case 0x19:
      *f = {0, 2, 3, 6, '/'};
      return true;
    default:
      return false;
  }
}

char Separator(uint16_t formatWord, char fallback) {
  const uint8_t s = static_cast<uint8_t>(formatWord & 0xFF);
  return s == 0 || s > 0x80 ? fallback : static_cast<char>(s);
}

// The number of `digits` digits at `at`; false when one is not a digit.
bool Number(std::string_view text, int at, int digits, int* value) {
  if (at + digits > static_cast<int>(text.size())) return false;
  int n = 0;
  for (int i = 0; i < digits; ++i) {
    const char c = text[static_cast<size_t>(at + i)];
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  *value = n;
  return true;
}

}  // namespace

bool DateFromText(std::string_view text, uint16_t formatWord, int32_t* date) {
  DateFormat f;
  if (!DateFormatOf(static_cast<uint8_t>(formatWord >> 8), false, &f)) return false;
  int year, month, day;
  if (!Number(text, f.yearAt, f.yearDigits, &year) || !Number(text, f.monthAt, 2, &month) ||
      !Number(text, f.dayAt, 2, &day)) {
    return false;
  }
  if (f.yearDigits == 2) year += year < 40 ? 2000 : 1900;
  return IdapiEncodeDate(static_cast<uint16_t>(month), static_cast<uint16_t>(day),
                         static_cast<int16_t>(year), date) == IDAPI_OK;
}

int DateToText(char* out, int32_t date, uint16_t formatWord) {
  DateFormat f;
  if (!DateFormatOf(static_cast<uint8_t>(formatWord >> 8), true, &f)) return 0;
  uint16_t month, day;
  int16_t year;
  if (IdapiDecodeDate(date, &month, &day, &year) != IDAPI_OK) return 0;
  int shown = year;
  if (f.yearDigits == 2) {
    // Only the years the two digits stand for can be written.
    if (year < 1940 || year > 2039) return 0;
    shown = year % 100;
  }
  const char sep = Separator(formatWord, f.separator);
  char text[40];
  const uint8_t code = static_cast<uint8_t>(formatWord >> 8);
  switch (code) {
    case 0x00:
    case 0x07:
    case 0xFF:
      std::snprintf(text, sizeof text, "%04d%c%02u%c%02u", shown, sep, month, sep, day);
      break;
    case 0x01:
      std::snprintf(text, sizeof text, "%02u%c%02u%c%04d", month, sep, day, sep, shown);
      break;
    case 0x05:
      std::snprintf(text, sizeof text, "%02u%c%02u%c%04d", day, sep, month, sep, shown);
      break;
    case 0x17:
      std::snprintf(text, sizeof text, "%02u%c%02u%c%02d", month, sep, day, sep, shown);
      break;
    case 0x18:
      std::snprintf(text, sizeof text, "%02u%c%02u%c%02d", day, sep, month, sep, shown);
      break;
    default:  // 0x19
      std::snprintf(text, sizeof text, "%02d%c%02u%c%02u", shown, sep, month, sep, day);
      break;
  }
  const int n = f.yearDigits == 4 ? 10 : 8;
  for (int i = 0; i < n; ++i) out[i] = text[i];
  return n;
}

bool TimeFromText(std::string_view text, bool micro, uint16_t formatWord, int32_t* ms) {
  const uint8_t code = static_cast<uint8_t>(formatWord >> 8);
  int hours, minutes, seconds = 0;
  if (!Number(text, 0, 2, &hours) || !Number(text, 3, 2, &minutes) || minutes > 59) return false;
  if (code == 0x01) {
    if (text.size() < 8 || hours < 1 || hours > 12) return false;
    const std::string_view half = text.substr(6, 2);
    if (half != "AM" && half != "PM") return false;
    hours = hours % 12 + (half == "PM" ? 12 : 0);
    *ms = (hours * 3600 + minutes * 60) * 1000;
    return true;
  }
  switch (code) {
    case 0x00:
    case 0x03:
    case 0x05:
    case 0x07:
    case 0x09:
    case 0x1B:
      break;
    default:
      return false;
  }
  if (!Number(text, 6, 2, &seconds) || hours > 23 || seconds > 59) return false;
  int32_t value = (hours * 3600 + minutes * 60 + seconds) * 1000;
  if (micro) {
    int microseconds;
    if (!Number(text, 9, 6, &microseconds)) return false;
    value += microseconds / 1000;
  }
  *ms = value;
  return true;
}

int TimeToText(char* out, int32_t ms, bool micro, uint16_t formatWord) {
  if (ms < 0 || ms >= kMsPerDay) return 0;
  const uint8_t code = static_cast<uint8_t>(formatWord >> 8);
  const int32_t seconds = ms / 1000;
  const int hours = seconds / 3600;
  const int minutes = (seconds % 3600) / 60;
  const int second = seconds % 60;
  char text[24];
  int n;
  if (code == 0x01) {
    const char sep = Separator(formatWord, ':');
    const int twelve = hours % 12 == 0 ? 12 : hours % 12;
    n = std::snprintf(text, sizeof text, "%02d%c%02d %s", twelve, sep, minutes,
                      hours < 12 ? "AM" : "PM");
  } else {
    const char sep = Separator(formatWord, code == 0x07 || code == 0x1B ? ':' : '.');
    n = std::snprintf(text, sizeof text, "%02d%c%02d%c%02d", hours, sep, minutes, sep, second);
    if (micro) {
      n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%c%06d", sep,
                         (ms % 1000) * 1000);
    }
  }
  for (int i = 0; i < n; ++i) out[i] = text[i];
  return n;
}

bool TimestampFromText(std::string_view text, uint16_t formatWord, double* value) {
  int32_t date = 0;
  if (!DateFromText(text.substr(0, 10), 0x0000, &date)) return false;
  int32_t ms = 0;
  const uint16_t timeWord = static_cast<uint16_t>(formatWord & 0xFF00) == 0x0100 ? 0 : formatWord;
  if (text.size() < 11 + 15 || !TimeFromText(text.substr(11), true, timeWord, &ms)) return false;
  *value = static_cast<double>(date) * kMsPerDay + ms;
  return true;
}

int TimestampToText(char* out, double value, uint16_t formatWord) {
  if (!(value >= 0) || !std::isfinite(value)) return 0;
  const double days = std::floor(value / kMsPerDay);
  if (days > 3652058) return 0;
  const int32_t date = static_cast<int32_t>(days);
  const int32_t ms = static_cast<int32_t>(value - days * kMsPerDay);
  if (DateToText(out, date, 0x0000) != 10) return 0;
  out[10] = '-';
  // A time word of the ISO family: the timestamp's own separators.
  const uint16_t timeWord = static_cast<uint16_t>(formatWord & 0xFF00) == 0x0100 ? 0 : formatWord;
  if (TimeToText(out + 11, ms, true, timeWord) != 15) return 0;
  return kTimestampLength;
}

}  // namespace vantora::driver
