#include "driver/cursors/date_time_text.h"

#include "conversion/date_time_layout.h"

#include <cmath>
#include <cstdio>

#include "idapi.h"

namespace vantora::driver {
namespace {

using conversion::DateLayout;
using conversion::TimeLayout;

// The layout of a date format code; writing also takes 0xFF, as *ISO.
bool LayoutOf(uint8_t code, bool writing, DateLayout* l) {
  if (writing && code == 0xFF) code = 0x00;
  return conversion::DateLayoutOf(code, l);
}

char Separator(uint16_t formatWord, char fallback) {
  const uint8_t s = static_cast<uint8_t>(formatWord & 0xFF);
  return s == 0 || s > 0x80 ? fallback : static_cast<char>(s);
}

}  // namespace

bool DateFromText(std::string_view text, uint16_t formatWord, int32_t* date) {
  DateLayout l;
  if (!LayoutOf(static_cast<uint8_t>(formatWord >> 8), false, &l)) return false;
  int year, month, day;
  if (!conversion::ReadDigits(text, static_cast<size_t>(l.year), static_cast<size_t>(l.yearDigits),
                              &year) ||
      !conversion::ReadDigits(text, static_cast<size_t>(l.month), 2, &month) ||
      !conversion::ReadDigits(text, static_cast<size_t>(l.day), 2, &day)) {
    return false;
  }
  if (l.yearDigits == 2) year = conversion::FullYear(year);
  return IdapiEncodeDate(static_cast<uint16_t>(month), static_cast<uint16_t>(day),
                         static_cast<int16_t>(year), date) == IDAPI_OK;
}

int DateToText(char* out, int32_t date, uint16_t formatWord) {
  DateLayout l;
  if (!LayoutOf(static_cast<uint8_t>(formatWord >> 8), true, &l)) return 0;
  uint16_t month, day;
  int16_t year;
  if (IdapiDecodeDate(date, &month, &day, &year) != IDAPI_OK) return 0;
  if (year < 1 || year > 9999) return 0;
  if (l.yearDigits == 2) {
    // Only the years the two digits stand for can be written.
    if (!conversion::HasTwoDigitForm(year)) return 0;
    conversion::WriteDigits(year % 100, 2, out + l.year);
  } else {
    conversion::WriteDigits(year, 4, out + l.year);
  }
  conversion::WriteDigits(month, 2, out + l.month);
  conversion::WriteDigits(day, 2, out + l.day);
  const char sep = Separator(formatWord, l.separator);
  out[l.firstSeparator] = sep;
  out[l.secondSeparator] = sep;
  return l.length();
}

bool TimeFromText(std::string_view text, bool micro, uint16_t formatWord, int32_t* ms) {
  TimeLayout layout;
  if (!conversion::TimeLayoutOf(static_cast<uint8_t>(formatWord >> 8), &layout)) return false;
  int hours, minutes, seconds = 0;
  if (!conversion::ReadDigits(text, 0, 2, &hours) ||
      !conversion::ReadDigits(text, 3, 2, &minutes) || minutes > 59) {
    return false;
  }
  if (layout == TimeLayout::kTwelveHour) {
    if (text.size() < 8 || !conversion::HourOfTwelve(hours, text.substr(6, 2), &hours)) {
      return false;
    }
    *ms = (hours * 3600 + minutes * 60) * 1000;
    return true;
  }
  if (!conversion::ReadDigits(text, 6, 2, &seconds) || hours > 23 || seconds > 59) return false;
  int32_t value = (hours * 3600 + minutes * 60 + seconds) * 1000;
  if (micro) {
    int microseconds;
    if (!conversion::ReadDigits(text, 9, 6, &microseconds)) return false;
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
    const int twelve = conversion::TwelveHourOf(hours);
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
