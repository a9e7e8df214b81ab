#include "conversion/date_time_layout.h"

namespace vantora::conversion {

bool DateLayoutOf(uint8_t code, DateLayout* l) {
  switch (code) {
    case 0x00:
    case 0x07:
      *l = {0, 5, 8, 4, 4, 7, '-'};
      return true;
    case 0x01:
      *l = {6, 0, 3, 4, 2, 5, '/'};
      return true;
    case 0x05:
      *l = {6, 3, 0, 4, 2, 5, '.'};
      return true;
    case 0x17:
      *l = {6, 0, 3, 2, 2, 5, '/'};
      return true;
    case 0x18:
      *l = {6, 3, 0, 2, 2, 5, '/'};
      return true;
    case 0x19:
      *l = {0, 3, 6, 2, 2, 5, '/'};
      return true;
    default:
      return false;
  }
}

bool TimeLayoutOf(uint8_t code, TimeLayout* layout) {
  switch (code) {
    case 0x00:
    case 0x03:
    case 0x05:
    case 0x09:
      *layout = TimeLayout::kDots;
      return true;
    case 0x07:
    case 0x1B:
      *layout = TimeLayout::kColons;
      return true;
    case 0x01:
      *layout = TimeLayout::kTwelveHour;
      return true;
    default:
      return false;
  }
}

bool IsCalendarDate(int y, int m, int d) {
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= (m == 2 && !leap ? 28 : kDays[m - 1]);
}

bool ReadDigits(std::string_view text, size_t at, size_t n, int* value) {
  if (at + n > text.size()) return false;
  int v = 0;
  for (size_t i = at; i < at + n; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  *value = v;
  return true;
}

void WriteDigits(int value, int n, char* out) {
  for (int i = n - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

int TwelveHourOf(int hour) {
  return hour % 12 == 0 ? 12 : hour % 12;
}

bool HourOfTwelve(int hour, std::string_view half, int* out) {
  if (hour < 1 || hour > 12 || (half != "AM" && half != "PM")) return false;
  *out = hour % 12 + (half == "PM" ? 12 : 0);
  return true;
}

}  // namespace vantora::conversion
