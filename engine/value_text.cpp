#include "engine/value_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "engine/calendar.h"
#include "idapi.h"
#include "protocol/blank_padded.h"

namespace vantora::engine {
namespace {

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void Store(std::vector<uint8_t>* out, T v) {
  out->resize(sizeof v);
  std::memcpy(out->data(), &v, sizeof v);
}

std::string DateText(int32_t date) {
  int m = 0, d = 0, y = 0;
  if (!DecodeDate(date, &m, &d, &y)) return "?";
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
  return text;
}

std::string TimeText(int64_t ms) {
  char text[24];
  const int64_t s = ms / 1000;
  if (ms % 1000 != 0) {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", static_cast<int>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60),
                  static_cast<int>(ms % 1000));
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
  }
  return text;
}

bool Integer(const std::string& text, int64_t low, int64_t high, int64_t* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v < low || v > high) return false;
  *value = v;
  return true;
}

bool Digits(const std::string& t, size_t at, size_t n, int* value) {
  if (at + n > t.size()) return false;
  int v = 0;
  for (size_t i = at; i < at + n; ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
  }
  *value = v;
  return true;
}

bool ParseDate(const std::string& t, int32_t* date) {
  int y, m, d;
  if (t.size() != 10 || !Digits(t, 0, 4, &y) || t[4] != '-' || !Digits(t, 5, 2, &m) ||
      t[7] != '-' || !Digits(t, 8, 2, &d)) {
    return false;
  }
  return EncodeDate(m, d, y, date);
}

bool ParseTime(const std::string& t, uint32_t* ms) {
  int h, m, s = 0, milli = 0;
  if (!Digits(t, 0, 2, &h) || t.size() < 5 || (t[2] != ':' && t[2] != '.') ||
      !Digits(t, 3, 2, &m)) {
    return false;
  }
  size_t at = 5;
  if (t.size() > at) {
    if ((t[at] != ':' && t[at] != '.') || !Digits(t, at + 1, 2, &s)) return false;
    at += 3;
  }
  if (t.size() > at) {
    if (t[at] != '.') return false;
    std::string fraction = t.substr(at + 1);
    if (fraction.empty() || fraction.size() > 6) return false;
    int f;
    if (!Digits(fraction, 0, fraction.size(), &f)) return false;
    while (fraction.size() < 3) fraction += '0', f *= 10;
    for (size_t n = fraction.size(); n > 3; --n) f /= 10;
    milli = f;
  }
  if (s > 59) return false;
  return EncodeTime(h, m, s * 1000 + milli, ms);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string ValueToText(uint16_t type, uint16_t length, const uint8_t* v) {
  char text[64];
  switch (type) {
    case IDAPI_TYPE_STRING:
      return std::string(reinterpret_cast<const char*>(v),
                         strnlen(reinterpret_cast<const char*>(v), length));
    case IDAPI_TYPE_BOOL:
      return Load<int16_t>(v) != 0 ? "1" : "0";
    case IDAPI_TYPE_INT16:
      return std::to_string(Load<int16_t>(v));
    case IDAPI_TYPE_UINT16:
      return std::to_string(Load<uint16_t>(v));
    case IDAPI_TYPE_INT32:
      return std::to_string(Load<int32_t>(v));
    case IDAPI_TYPE_UINT32:
      return std::to_string(Load<uint32_t>(v));
    case IDAPI_TYPE_FLOAT:
      std::snprintf(text, sizeof text, "%.15g", Load<double>(v));
      return text;
    case IDAPI_TYPE_DATE:
      return DateText(Load<int32_t>(v));
    case IDAPI_TYPE_TIME:
      return TimeText(Load<int32_t>(v));
    case IDAPI_TYPE_TIMESTAMP: {
      const double stamp = Load<double>(v);
      const double days = std::floor(stamp / IDAPI_MS_PER_DAY);
      if (!std::isfinite(stamp) || days < 0 || days > kLastDay) return "?";
      return DateText(static_cast<int32_t>(days)) + " " +
             TimeText(static_cast<int64_t>(stamp - days * IDAPI_MS_PER_DAY));
    }
    default: {
      static const char kHex[] = "0123456789ABCDEF";
      std::string hex;
      for (uint16_t i = 0; i < length; ++i) {
        hex += kHex[v[i] >> 4];
        hex += kHex[v[i] & 15];
      }
      return hex;
    }
  }
}

bool TextToValue(uint16_t type, uint16_t length, const std::string& text,
                 std::vector<uint8_t>* value) {
  int64_t n = 0;
  switch (type) {
    case IDAPI_TYPE_STRING:
      if (text.size() > length) return false;
      value->assign(text.begin(), text.end());
      value->push_back(0);
      return true;
    case IDAPI_TYPE_BOOL:
      if (wire::EqualsIgnoringCase(text, "true"))
        n = 1;
      else if (!wire::EqualsIgnoringCase(text, "false") && !Integer(text, 0, 1, &n))
        return false;
      Store(value, static_cast<int16_t>(n));
      return true;
    case IDAPI_TYPE_INT16:
      if (!Integer(text, INT16_MIN, INT16_MAX, &n)) return false;
      Store(value, static_cast<int16_t>(n));
      return true;
    case IDAPI_TYPE_UINT16:
      if (!Integer(text, 0, UINT16_MAX, &n)) return false;
      Store(value, static_cast<uint16_t>(n));
      return true;
    case IDAPI_TYPE_INT32:
      if (!Integer(text, INT32_MIN, INT32_MAX, &n)) return false;
      Store(value, static_cast<int32_t>(n));
      return true;
    case IDAPI_TYPE_UINT32:
      if (!Integer(text, 0, UINT32_MAX, &n)) return false;
      Store(value, static_cast<uint32_t>(n));
      return true;
    case IDAPI_TYPE_FLOAT: {
      if (text.empty()) return false;
      char* end = nullptr;
      const double d = std::strtod(text.c_str(), &end);
      if (*end != '\0' || !std::isfinite(d)) return false;
      Store(value, d);
      return true;
    }
    case IDAPI_TYPE_DATE: {
      int32_t date;
      if (!ParseDate(text, &date)) return false;
      Store(value, date);
      return true;
    }
    case IDAPI_TYPE_TIME: {
      uint32_t ms;
      if (!ParseTime(text, &ms)) return false;
      Store(value, static_cast<int32_t>(ms));
      return true;
    }
    case IDAPI_TYPE_TIMESTAMP: {
      int32_t date;
      uint32_t ms;
      if (text.size() < 16 || (text[10] != ' ' && text[10] != 'T' && text[10] != '-') ||
          !ParseDate(text.substr(0, 10), &date) || !ParseTime(text.substr(11), &ms)) {
        return false;
      }
      Store(value, static_cast<double>(date) * IDAPI_MS_PER_DAY + ms);
      return true;
    }
    default: {
      if (text.size() != 2 * size_t{length}) return false;
      value->assign(length, 0);
      for (uint16_t i = 0; i < length; ++i) {
        const size_t at = 2 * size_t{i};
        const int hi = HexDigit(text[at]), lo = HexDigit(text[at + 1]);
        if (hi < 0 || lo < 0) return false;
        (*value)[i] = static_cast<uint8_t>(hi * 16 + lo);
      }
      return true;
    }
  }
}

}  // namespace vantora::engine
