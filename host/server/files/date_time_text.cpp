#include "host/server/files/date_time_text.h"

namespace vantora::host {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool Digits(std::string_view text, size_t at, size_t n, int* out) {
  if (at + n > text.size()) return false;
  int v = 0;
  for (size_t i = at; i < at + n; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  *out = v;
  return true;
}

bool ValidDate(int y, int m, int d) {
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= (m == 2 && !leap ? 28 : kDays[m - 1]);
}

// Where year, month and day stand in a date text of `code`, and how many
// digits the year has.
struct DateLayout {
  size_t year, month, day, yearDigits;
};

DateLayout LayoutOf(uint8_t code) {
  switch (code) {
    case 0x01:
      return {6, 0, 3, 4};
    case 0x05:
      return {6, 3, 0, 4};
    case 0x17:
      return {6, 0, 3, 2};
    case 0x18:
      return {6, 3, 0, 2};
    case 0x19:
      return {0, 3, 6, 2};
    default:
      return {0, 5, 8, 4};
  }
}

void PutDigits(int value, int n, char* out) {
  for (int i = n - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
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
  if (!Digits(iso, 0, 4, &y) || !Digits(iso, 5, 2, &m) || !Digits(iso, 8, 2, &d)) return false;
  DateLayout l = LayoutOf(style.dateCode);
  if (l.yearDigits == 2) {
    if (y < 1940 || y > 2039) return false;
    PutDigits(y % 100, 2, out + l.year);
  } else {
    PutDigits(y, 4, out + l.year);
  }
  PutDigits(m, 2, out + l.month);
  PutDigits(d, 2, out + l.day);
  size_t first = l.year == 0 && l.yearDigits == 4 ? 4 : 2;
  out[first] = style.dateSeparator;
  out[first + 3] = style.dateSeparator;
  return true;
}

bool ParseDate(std::string_view text, const DateTimeStyle& style, std::string* iso) {
  DateLayout l = LayoutOf(style.dateCode);
  int y, m, d;
  if (text.size() != static_cast<size_t>(style.dateLength())) return false;
  if (!Digits(text, l.year, l.yearDigits, &y) || !Digits(text, l.month, 2, &m) ||
      !Digits(text, l.day, 2, &d)) {
    return false;
  }
  // The two separators are not digits.
  const size_t first = l.year == 0 && l.yearDigits == 4 ? 4 : 2;
  if (IsDigit(text[first]) || IsDigit(text[first + 3])) return false;
  if (l.yearDigits == 2) y += y < 40 ? 2000 : 1900;
  if (!ValidDate(y, m, d)) return false;
  char buffer[10] = {0, 0, 0, 0, '-', 0, 0, '-', 0, 0};
  PutDigits(y, 4, buffer);
  PutDigits(m, 2, buffer + 5);
  PutDigits(d, 2, buffer + 8);
  iso->assign(buffer, 10);
  return true;
}

bool FormatTime(std::string_view iso, const DateTimeStyle& style, char* out) {
  int h, m, s;
  if (!Digits(iso, 0, 2, &h) || !Digits(iso, 3, 2, &m) || !Digits(iso, 6, 2, &s)) return false;
  if (style.timeCode == 0x01) {
    // 12-hour form: hour 0 is 12 AM, hour 12 is 12 PM.
    PutDigits(h % 12 == 0 ? 12 : h % 12, 2, out);
    out[2] = ':';
    PutDigits(m, 2, out + 3);
    out[5] = ' ';
    out[6] = h < 12 ? 'A' : 'P';
    out[7] = 'M';
  } else {
    PutDigits(h, 2, out);
    out[2] = style.timeSeparator;
    PutDigits(m, 2, out + 3);
    out[5] = style.timeSeparator;
    PutDigits(s, 2, out + 6);
  }
  return true;
}

bool ParseTime(std::string_view text, const DateTimeStyle& style, std::string* iso) {
  int h, m, s = 0;
  if (text.size() != static_cast<size_t>(style.timeLength())) return false;
  if (!Digits(text, 0, 2, &h) || !Digits(text, 3, 2, &m) || IsDigit(text[2]) || IsDigit(text[5])) {
    return false;
  }
  if (style.timeCode == 0x01) {
    if (text.size() < 8 || h < 1 || h > 12) return false;
    std::string_view half = text.substr(6, 2);
    if (half != "AM" && half != "PM") return false;
    h = h % 12 + (half == "PM" ? 12 : 0);
  } else if (!Digits(text, 6, 2, &s)) {
    return false;
  }
  if (h > 24 || m > 59 || s > 59 || (h == 24 && (m != 0 || s != 0))) return false;
  char buffer[8] = {0, 0, '.', 0, 0, '.', 0, 0};
  PutDigits(h, 2, buffer);
  PutDigits(m, 2, buffer + 3);
  PutDigits(s, 2, buffer + 6);
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
