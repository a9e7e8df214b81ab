#include "host/server/files/date_time_text.h"

#include "conversion/date_time_layout.h"

namespace vantora::host {
namespace {

using conversion::DateLayout;
using conversion::ReadDigits;
using conversion::WriteDigits;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The layout of date format `code`; *ISO's for any other.
DateLayout LayoutOf(uint8_t code) {
  DateLayout l;
  if (!conversion::DateLayoutOf(code, &l)) conversion::DateLayoutOf(0x00, &l);
  return l;
}

}  // namespace

DateTimeStyle StyleOf(const DateTimeFormat& format) {
  DateTimeStyle s;
  const std::string& f = format.dateFormat;
  if (f == "*USA") {
    s.dateCode = 0x01, s.dateSeparator = '/';
  } else if (f == "*EUR") {
    s.dateCode = 0x05, s.dateSeparator = '.';
  } else if (f == "*JIS") {
    s.dateCode = 0x07, s.dateSeparator = '-';
  } else if (f == "*MDY" || f == "*DMY" || f == "*YMD") {
    s.dateCode = f == "*MDY" ? 0x17 : f == "*DMY" ? 0x18 : 0x19;
    s.dateSeparator = format.dateSeparator;
  }
  if (format.timeSeparator != '.') {
    s.timeCode = 0x1B;
    s.timeSeparator = format.timeSeparator;
  }
  return s;
}

bool FormatDate(std::string_view iso, const DateTimeStyle& style, char* out) {
  int y, m, d;
  if (!ReadDigits(iso, 0, 4, &y) || !ReadDigits(iso, 5, 2, &m) || !ReadDigits(iso, 8, 2, &d)) {
    return false;
  }
  const DateLayout l = LayoutOf(style.dateCode);
  if (l.yearDigits == 2) {
    if (!conversion::HasTwoDigitForm(y)) return false;
    WriteDigits(y % 100, 2, out + l.year);
  } else {
    WriteDigits(y, 4, out + l.year);
  }
  WriteDigits(m, 2, out + l.month);
  WriteDigits(d, 2, out + l.day);
  out[l.firstSeparator] = style.dateSeparator;
  out[l.secondSeparator] = style.dateSeparator;
  return true;
}

bool ParseDate(std::string_view text, const DateTimeStyle& style, std::string* iso) {
  const DateLayout l = LayoutOf(style.dateCode);
  int y, m, d;
  if (text.size() != static_cast<size_t>(style.dateLength())) return false;
  if (!ReadDigits(text, static_cast<size_t>(l.year), static_cast<size_t>(l.yearDigits), &y) ||
      !ReadDigits(text, static_cast<size_t>(l.month), 2, &m) ||
      !ReadDigits(text, static_cast<size_t>(l.day), 2, &d)) {
    return false;
  }
  // The two separators are not digits.
  if (IsDigit(text[static_cast<size_t>(l.firstSeparator)]) ||
      IsDigit(text[static_cast<size_t>(l.secondSeparator)])) {
    return false;
  }
  if (l.yearDigits == 2) y = conversion::FullYear(y);
  if (!conversion::IsCalendarDate(y, m, d)) return false;
  char buffer[10] = {0, 0, 0, 0, '-', 0, 0, '-', 0, 0};
  WriteDigits(y, 4, buffer);
  WriteDigits(m, 2, buffer + 5);
  WriteDigits(d, 2, buffer + 8);
  iso->assign(buffer, 10);
  return true;
}

bool FormatTime(std::string_view iso, const DateTimeStyle& style, char* out) {
  int h, m, s;
  if (!ReadDigits(iso, 0, 2, &h) || !ReadDigits(iso, 3, 2, &m) || !ReadDigits(iso, 6, 2, &s)) {
    return false;
  }
  if (style.timeCode == 0x01) {
    WriteDigits(conversion::TwelveHourOf(h), 2, out);
    out[2] = ':';
    WriteDigits(m, 2, out + 3);
    out[5] = ' ';
    out[6] = h < 12 ? 'A' : 'P';
    out[7] = 'M';
  } else {
    WriteDigits(h, 2, out);
    out[2] = style.timeSeparator;
    WriteDigits(m, 2, out + 3);
    out[5] = style.timeSeparator;
    WriteDigits(s, 2, out + 6);
  }
  return true;
}

bool ParseTime(std::string_view text, const DateTimeStyle& style, std::string* iso) {
  int h, m, s = 0;
  if (text.size() != static_cast<size_t>(style.timeLength())) return false;
  if (!ReadDigits(text, 0, 2, &h) || !ReadDigits(text, 3, 2, &m) || IsDigit(text[2]) ||
      IsDigit(text[5])) {
    return false;
  }
  if (style.timeCode == 0x01) {
    if (text.size() < 8 || !conversion::HourOfTwelve(h, text.substr(6, 2), &h)) return false;
  } else if (!ReadDigits(text, 6, 2, &s)) {
    return false;
  }
  if (h > 24 || m > 59 || s > 59 || (h == 24 && (m != 0 || s != 0))) return false;
  char buffer[8] = {0, 0, '.', 0, 0, '.', 0, 0};
  WriteDigits(h, 2, buffer);
  WriteDigits(m, 2, buffer + 3);
  WriteDigits(s, 2, buffer + 6);
  iso->assign(buffer, 8);
  return true;
}

bool IsTimestampText(std::string_view text) {
  static constexpr std::string_view kShape = "9999-99-99-99.99.99.999999";
  if (text.size() != kShape.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == '9' ? !digit : text[i] != kShape[i]) return false;
  }
  return true;
}

}  // namespace vantora::host
