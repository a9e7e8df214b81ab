// Conversions between Decimal and binary integers and floating point.
#include "conversion/decimal.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "conversion/decimal_text.h"

namespace vantora::conversion {
namespace {

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr float kPow10f[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

int FirstSignificant(const Decimal& value) {
  int first = 0;
  while (first < value.count && value.digits[first] == 0) ++first;
  return first;
}

// The significant digits as an integer when there are at most `maxDigits`.
bool SmallMantissa(const Decimal& value, int maxDigits, uint64_t* mantissa) {
  int first = FirstSignificant(value);
  if (value.count - first > maxDigits) return false;
  uint64_t m = 0;
  for (int i = first; i < value.count; ++i) m = m * 10 + value.digits[i];
  *mantissa = m;
  return true;
}

// The decimal text of the value without its "+", for std::from_chars.
const char* NumberText(const Decimal& value, char* buffer, int capacity, const char** end) {
  int length = FormatDecimalText(value, buffer, capacity);
  *end = buffer + length;
  return buffer[0] == '+' ? buffer + 1 : buffer;
}

}  // namespace

void DecimalFromInteger(int64_t value, int scale, Decimal* out) {
  out->negative = value < 0;
  out->scale = scale;
  // The magnitude of INT64_MIN does not fit int64_t; work unsigned.
  uint64_t magnitude = out->negative ? 0 - static_cast<uint64_t>(value) : uint64_t(value);
  uint8_t reversed[20];
  int n = 0;
  do {
    reversed[n++] = static_cast<uint8_t>(magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  out->count = n;
  for (int i = 0; i < n; ++i) out->digits[i] = reversed[n - 1 - i];
}

FieldStatus DecimalFromDouble(double value, int scale, Decimal* out) {
  if (!std::isfinite(value)) return FieldStatus::kInvalidValue;
  if (std::fabs(value) >= 1e63) return FieldStatus::kOverflow;
  // Sign, 63 integer digits, point and 63 decimals fit.
  char text[160];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, scale);
  if (ec != std::errc()) return FieldStatus::kOverflow;
  const char* p = text;
  out->negative = *p == '-';
  if (out->negative) ++p;
  out->scale = scale;
  out->count = 0;
  for (; p < end; ++p) {
    if (*p == '.') continue;
    uint8_t digit = static_cast<uint8_t>(*p - '0');
    if (out->count == 0 && digit == 0) continue;  // leading zeros carry nothing
    if (out->count == kMaxDigits) return FieldStatus::kOverflow;
    out->digits[out->count++] = digit;
  }
  return FieldStatus::kConverted;
}

bool IsZero(const Decimal& value) {
  return FirstSignificant(value) == value.count;
}

int IntegerDigits(const Decimal& value) {
  int digits = value.count - FirstSignificant(value) - value.scale;
  return digits > 0 ? digits : 0;
}

bool AlignDigits(const Decimal& value, int fieldDigits, int fieldScale, uint8_t* out) {
  std::memset(out, 0, static_cast<size_t>(fieldDigits));
  // Digit j of the value lands at field position offset + j.
  int offset = fieldDigits - value.count + value.scale - fieldScale;
  for (int j = 0; j < value.count; ++j) {
    int position = offset + j;
    if (position < 0) {
      if (value.digits[j] != 0) return false;
    } else if (position < fieldDigits) {
      out[position] = value.digits[j];
    } else {
      break;  // decimals the field lacks
    }
  }
  return true;
}

FieldStatus DecimalToInteger(const Decimal& value, int scale, int64_t min, int64_t max,
                             int64_t* out) {
  uint64_t limit = value.negative ? 0 - static_cast<uint64_t>(min) : static_cast<uint64_t>(max);
  int shift = scale - value.scale;  // value * 10^scale = digits * 10^shift
  int used = shift < 0 ? value.count + shift : value.count;
  uint64_t magnitude = 0;
  for (int j = 0; j < used; ++j) {
    uint64_t digit = value.digits[j];
    if (magnitude > (limit - digit) / 10) return FieldStatus::kOverflow;
    magnitude = magnitude * 10 + digit;
  }
  for (int i = 0; i < shift && magnitude != 0; ++i) {
    if (magnitude > limit / 10) return FieldStatus::kOverflow;
    magnitude *= 10;
  }
  *out = value.negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return FieldStatus::kConverted;
}

double DecimalToDouble(const Decimal& value) {
  if (IsZero(value)) return 0.0;
  uint64_t m;
  // Both operands exact, so the one IEEE operation rounds correctly.
  if (value.scale >= -22 && value.scale <= 22 && SmallMantissa(value, 15, &m)) {
    double magnitude = value.scale >= 0 ? static_cast<double>(m) / kPow10[value.scale]
                                        : static_cast<double>(m) * kPow10[-value.scale];
    return value.negative ? -magnitude : magnitude;
  }
  char text[256];
  const char* end;
  const char* begin = NumberText(value, text, sizeof text, &end);
  double result = 0;
  std::from_chars(begin, end, result);
  return result;
}

FieldStatus DecimalToFloat(const Decimal& value, float* out) {
  if (IsZero(value)) {
    *out = 0.0f;
    return FieldStatus::kConverted;
  }
  uint64_t m;
  if (value.scale >= 0 && value.scale <= 10 && SmallMantissa(value, 7, &m)) {
    float magnitude = static_cast<float>(m) / kPow10f[value.scale];
    *out = value.negative ? -magnitude : magnitude;
    return FieldStatus::kConverted;
  }
  char text[256];
  const char* end;
  const char* begin = NumberText(value, text, sizeof text, &end);
  float result = 0;
  if (std::from_chars(begin, end, result).ec == std::errc()) {
    *out = result;
    return FieldStatus::kConverted;
  }
  // Out of range: below float's smallest magnitude it rounds to zero.
  if (IntegerDigits(value) > 0) return FieldStatus::kOverflow;
  *out = 0.0f;
  return FieldStatus::kConverted;
}

}  // namespace vantora::conversion
