#include "odbc/values.h"

#include <sqlucode.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace vantora::odbc {
namespace {

std::string Two(int v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", v);
  return b;
}

std::string DateText(const Value& v) {
  if (v.year < 0 || v.year > 9999) return "?";
  char b[10] = {static_cast<char>('0' + v.year / 1000),
                static_cast<char>('0' + v.year / 100 % 10),
                static_cast<char>('0' + v.year / 10 % 10),
                static_cast<char>('0' + v.year % 10),
                '-',
                static_cast<char>('0' + v.month / 10),
                static_cast<char>('0' + v.month % 10),
                '-',
                static_cast<char>('0' + v.day / 10),
                static_cast<char>('0' + v.day % 10)};
  return std::string(b, sizeof b);
}

std::string TimeText(const Value& v) {
  return Two(v.hour) + ":" + Two(v.minute) + ":" + Two(v.second);
}

std::string FractionText(uint32_t ns) {
  if (ns == 0) return "";
  char b[16];
  std::snprintf(b, sizeof b, ".%09u", ns);
  std::string t = b;
  while (t.back() == '0') t.pop_back();
  return t;
}

std::string DoubleText(double d) {
  char b[40];
  std::snprintf(b, sizeof b, "%.17g", d);
  // The shortest text that reads back as the same double.
  for (int p = 1; p <= 17; ++p) {
    char c[40];
    std::snprintf(c, sizeof c, "%.*g", p, d);
    if (std::strtod(c, nullptr) == d) return c;
  }
  return b;
}

Conversion Fail(const char* state, std::string message) {
  return {SQL_ERROR, state, std::move(message)};
}

// A number from any value, as a long double and whether it had a fraction.
bool NumberOf(const Value& v, long double* out, std::string* error) {
  switch (v.kind) {
    case Value::Kind::kInteger:
      *out = static_cast<long double>(v.integer);
      return true;
    case Value::Kind::kDouble:
      *out = v.real;
      return true;
    case Value::Kind::kDecimal:
    case Value::Kind::kText: {
      std::string t = v.text;
      while (!t.empty() && t.back() == ' ') t.pop_back();
      size_t start = t.find_first_not_of(' ');
      if (start == std::string::npos) {
        *error = "22018";
        return false;
      }
      errno = 0;
      char* end = nullptr;
      *out = std::strtold(t.c_str() + start, &end);
      if (end == t.c_str() + start || *end != '\0') {
        *error = "22018";
        return false;
      }
      if (errno == ERANGE) {
        *error = "22003";
        return false;
      }
      return true;
    }
    default:
      *error = "07006";
      return false;
  }
}

template <typename T>
Conversion ToInteger(const Value& v, SQLPOINTER target, SQLLEN* length) {
  long double n = 0;
  std::string state;
  if (!NumberOf(v, &n, &state)) {
    return Fail(state == "22018"   ? "22018"
                : state == "22003" ? "22003"
                                   : "07006",
                state == "07006" ? "The column's type cannot be converted to a number"
                                 : "The value '" + ValueText(v) + "' is no number that fits");
  }
  const long double whole = std::trunc(n);
  if (whole < static_cast<long double>(std::numeric_limits<T>::min()) ||
      whole > static_cast<long double>(std::numeric_limits<T>::max())) {
    return Fail("22003", "The value " + ValueText(v) + " does not fit the application's integer");
  }
  // Decimal text converts exactly: integers of up to 18 digits keep every digit.
  T result = static_cast<T>(whole);
  if (v.kind == Value::Kind::kInteger) result = static_cast<T>(v.integer);
  if (target != nullptr) std::memcpy(target, &result, sizeof result);
  if (length != nullptr) *length = sizeof result;
  if (whole != n) return {SQL_SUCCESS_WITH_INFO, "01S07", "Fractional part cut"};
  return {};
}

Conversion ToDouble(const Value& v, bool single, SQLPOINTER target, SQLLEN* length) {
  long double n = 0;
  std::string state;
  if (!NumberOf(v, &n, &state)) {
    return Fail(state.c_str() == std::string("07006") ? "07006" : "22018",
                "The value '" + ValueText(v) + "' is no number");
  }
  if (single) {
    if (std::fabs(n) > std::numeric_limits<float>::max()) {
      return Fail("22003", "The value does not fit a float");
    }
    const float f = static_cast<float>(n);
    if (target != nullptr) std::memcpy(target, &f, sizeof f);
    if (length != nullptr) *length = sizeof f;
  } else {
    const double d = static_cast<double>(n);
    if (target != nullptr) std::memcpy(target, &d, sizeof d);
    if (length != nullptr) *length = sizeof d;
  }
  return {};
}

bool ParseDigits(const std::string& t, size_t at, size_t n, int* out) {
  if (at + n > t.size()) return false;
  int v = 0;
  for (size_t i = at; i < at + n; ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
    v = v * 10 + (t[i] - '0');
  }
  *out = v;
  return true;
}

// Date, time or timestamp parts from a value (texts in ISO form).
bool DateTimeOf(const Value& in, Value* out) {
  if (in.kind == Value::Kind::kDate || in.kind == Value::Kind::kTime ||
      in.kind == Value::Kind::kTimestamp) {
    *out = in;
    return true;
  }
  if (in.kind != Value::Kind::kText) return false;
  std::string t = in.text;
  while (!t.empty() && t.back() == ' ') t.pop_back();
  Value v;
  size_t at = 0;
  if (t.size() >= 10 && t[4] == '-' && t[7] == '-') {
    if (!ParseDigits(t, 0, 4, &v.year) || !ParseDigits(t, 5, 2, &v.month) ||
        !ParseDigits(t, 8, 2, &v.day)) {
      return false;
    }
    v.kind = Value::Kind::kDate;
    at = 10;
    if (at < t.size() && (t[at] == ' ' || t[at] == 'T' || t[at] == '-')) ++at;
  }
  if (at < t.size()) {
    if (!ParseDigits(t, at, 2, &v.hour) || at + 5 > t.size() ||
        (t[at + 2] != ':' && t[at + 2] != '.') || !ParseDigits(t, at + 3, 2, &v.minute)) {
      return false;
    }
    at += 5;
    if (at < t.size()) {
      if ((t[at] != ':' && t[at] != '.') || !ParseDigits(t, at + 1, 2, &v.second)) return false;
      at += 3;
    }
    if (at < t.size()) {
      if (t[at] != '.') return false;
      std::string f = t.substr(at + 1);
      if (f.empty() || f.size() > 9) return false;
      int frac = 0;
      if (!ParseDigits(f, 0, f.size(), &frac)) return false;
      for (size_t n = f.size(); n < 9; ++n) frac *= 10;
      v.fraction = static_cast<uint32_t>(frac);
    }
    v.kind = v.kind == Value::Kind::kDate ? Value::Kind::kTimestamp : Value::Kind::kTime;
  }
  if (v.kind == Value::Kind::kNull) return false;
  *out = v;
  return true;
}

Conversion Bytes(const std::string& form, bool terminate, SQLPOINTER target, SQLLEN size,
                 size_t offset, SQLLEN* length, size_t* written) {
  const size_t remaining = offset < form.size() ? form.size() - offset : 0;
  if (length != nullptr) *length = static_cast<SQLLEN>(remaining);
  const size_t room = size > 0 ? static_cast<size_t>(size) - (terminate ? 1 : 0) : 0;
  const size_t n = std::min(remaining, room);
  if (target != nullptr && size > 0) {
    std::memcpy(target, form.data() + offset, n);
    if (terminate) static_cast<char*>(target)[n] = '\0';
  }
  if (written != nullptr) *written = n;
  if (n < remaining) return {SQL_SUCCESS_WITH_INFO, "01004", "String data, right truncated"};
  return {};
}

Conversion WideText(const std::string& text, SQLPOINTER target, SQLLEN size, size_t offset,
                    SQLLEN* length, size_t* written) {
  const std::u16string wide = Utf8ToUtf16(text);
  const size_t total = wide.size() * sizeof(char16_t);
  const size_t remaining = offset < total ? total - offset : 0;
  if (length != nullptr) *length = static_cast<SQLLEN>(remaining);
  size_t room = size >= 2 ? (static_cast<size_t>(size) / 2 - 1) * 2 : 0;
  size_t n = std::min(remaining, room);
  // Never split a surrogate pair between pieces.
  if (n < remaining && n >= 2) {
    const char16_t last = wide[(offset + n) / 2 - 1];
    if (last >= 0xD800 && last <= 0xDBFF) n -= 2;
  }
  if (target != nullptr && size >= 2) {
    std::memcpy(target, reinterpret_cast<const char*>(wide.data()) + offset, n);
    std::memset(static_cast<char*>(target) + n, 0, 2);
  }
  if (written != nullptr) *written = n;
  if (n < remaining) return {SQL_SUCCESS_WITH_INFO, "01004", "String data, right truncated"};
  return {};
}

Conversion ToNumeric(const Value& v, const NumericForm& form, SQLPOINTER target, SQLLEN* length) {
  std::string normal;
  std::string text = v.kind == Value::Kind::kInteger  ? std::to_string(v.integer)
                     : v.kind == Value::Kind::kDouble ? DoubleText(v.real)
                                                      : v.text;
  if (!DecimalText(text, &normal)) {
    return Fail("22018", "The value '" + ValueText(v) + "' is no exact number");
  }
  SQL_NUMERIC_STRUCT n{};
  bool negative = !normal.empty() && normal[0] == '-';
  if (negative) normal.erase(0, 1);
  const size_t point = normal.find('.');
  std::string digits = normal;
  int scale = 0;
  if (point != std::string::npos) {
    scale = static_cast<int>(normal.size() - point - 1);
    digits.erase(point, 1);
  }
  Conversion result;
  if (form.scale >= 0 && form.scale > scale) {
    digits.append(static_cast<size_t>(form.scale - scale), '0');
    scale = form.scale;
  } else if (form.scale >= 0 && form.scale < scale) {
    const size_t cut = static_cast<size_t>(scale - form.scale);
    if (digits.find_first_not_of('0', digits.size() - cut) != std::string::npos) {
      result = {SQL_SUCCESS_WITH_INFO, "01S07", "Fractional truncation"};
    }
    digits.erase(digits.size() - cut);
    if (digits.empty()) digits = "0";
    scale = form.scale;
  }
  while (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
  if (digits.size() > 38) return Fail("22003", "The number has more than 38 digits");
  if (form.precision > 0 && digits.size() > static_cast<size_t>(form.precision) && digits != "0") {
    return Fail("22003", "The number " + normal + " has more than " +
                             std::to_string(form.precision) + " digits");
  }
  // The digits as a 128-bit little-endian integer.
  unsigned char value[16] = {};
  for (char c : digits) {
    unsigned carry = static_cast<unsigned>(c - '0');
    for (unsigned char& b : value) {
      const unsigned x = b * 10u + carry;
      b = static_cast<unsigned char>(x & 0xFF);
      carry = x >> 8;
    }
  }
  n.precision = static_cast<SQLCHAR>(
      form.precision > 0 ? static_cast<size_t>(form.precision)
                         : std::max<size_t>(digits.size(), static_cast<size_t>(scale)));
  n.scale = static_cast<SQLSCHAR>(scale);
  n.sign = negative ? 0 : 1;
  std::memcpy(n.val, value, sizeof n.val);
  if (target != nullptr) std::memcpy(target, &n, sizeof n);
  if (length != nullptr) *length = sizeof n;
  return result;
}

}  // namespace

bool DecimalText(std::string_view text, std::string* normal) {
  size_t i = 0, end = text.size();
  while (i < end && text[i] == ' ') ++i;
  while (end > i && text[end - 1] == ' ') --end;
  std::string& out = *normal;
  out.resize(end - i + 1);
  char* o = out.data();
  if (i < end && (text[i] == '-' || text[i] == '+')) {
    if (text[i] == '-') *o++ = '-';
    ++i;
  }
  bool digits = false, point = false;
  for (; i < end; ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      *o++ = c;
      digits = true;
    } else if ((c == '.' || c == ',') && !point) {
      *o++ = '.';
      point = true;
    } else {
      out.clear();
      return false;
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return digits;
}

std::string ValueText(const Value& v) {
  switch (v.kind) {
    case Value::Kind::kNull:
      return "";
    case Value::Kind::kText:
    case Value::Kind::kBinary:
    case Value::Kind::kDecimal:  // kept in its normal form
      return v.text;
    case Value::Kind::kInteger:
      return std::to_string(v.integer);
    case Value::Kind::kDouble:
      return DoubleText(v.real);
    case Value::Kind::kDate:
      return DateText(v);
    case Value::Kind::kTime:
      return TimeText(v);
    case Value::Kind::kTimestamp:
      return DateText(v) + " " + TimeText(v) + FractionText(v.fraction);
  }
  return "";
}

SQLSMALLINT DefaultCType(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_SMALLINT:
      return SQL_C_SSHORT;
    case SQL_INTEGER:
      return SQL_C_SLONG;
    case SQL_BIGINT:
      return SQL_C_SBIGINT;
    case SQL_REAL:
      return SQL_C_FLOAT;
    case SQL_DOUBLE:
    case SQL_FLOAT:
      return SQL_C_DOUBLE;
    case SQL_TYPE_DATE:
      return SQL_C_TYPE_DATE;
    case SQL_TYPE_TIME:
      return SQL_C_TYPE_TIME;
    case SQL_TYPE_TIMESTAMP:
      return SQL_C_TYPE_TIMESTAMP;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return SQL_C_BINARY;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
      return SQL_C_WCHAR;
    default:
      return SQL_C_CHAR;
  }
}

Conversion Convert(const Value& v, SQLSMALLINT cType, SQLSMALLINT columnType, SQLPOINTER target,
                   SQLLEN size, size_t offset, SQLLEN* length, size_t* written,
                   const NumericForm& numeric) {
  if (written != nullptr) *written = 0;
  if (v.kind == Value::Kind::kNull) {
    if (length == nullptr) {
      return Fail("22002", "The value is NULL and no indicator was given");
    }
    *length = SQL_NULL_DATA;
    return {};
  }
  if (cType == SQL_C_DEFAULT) cType = DefaultCType(columnType);
  switch (cType) {
    case SQL_C_CHAR: {
      if (v.kind == Value::Kind::kBinary) {
        static const char kHex[] = "0123456789ABCDEF";
        std::string hex;
        for (unsigned char c : v.text) hex += kHex[c >> 4], hex += kHex[c & 15];
        return Bytes(hex, true, target, size, offset, length, written);
      }
      // Texts and decimals (kept in their normal form) need no copy.
      if (v.kind == Value::Kind::kText || v.kind == Value::Kind::kDecimal) {
        return Bytes(v.text, true, target, size, offset, length, written);
      }
      return Bytes(ValueText(v), true, target, size, offset, length, written);
    }
    case SQL_C_WCHAR:
      return WideText(ValueText(v), target, size, offset, length, written);
    case SQL_C_BINARY:
      if (v.kind == Value::Kind::kBinary || v.kind == Value::Kind::kText ||
          v.kind == Value::Kind::kDecimal) {
        return Bytes(ValueText(v), false, target, size, offset, length, written);
      }
      return Bytes(ValueText(v), false, target, size, offset, length, written);
    case SQL_C_BIT: {
      long double n = 0;
      std::string state;
      if (!NumberOf(v, &n, &state)) return Fail("22018", "The value is no number");
      if (n < 0 || n >= 2) return Fail("22003", "The value does not fit a bit");
      const unsigned char b = n >= 1 ? 1 : 0;
      if (target != nullptr) std::memcpy(target, &b, 1);
      if (length != nullptr) *length = 1;
      if (n != 0 && n != 1) return {SQL_SUCCESS_WITH_INFO, "01S07", "Fractional part cut"};
      return {};
    }
    case SQL_C_STINYINT:
    case SQL_C_TINYINT:
      return ToInteger<int8_t>(v, target, length);
    case SQL_C_UTINYINT:
      return ToInteger<uint8_t>(v, target, length);
    case SQL_C_SSHORT:
    case SQL_C_SHORT:
      return ToInteger<int16_t>(v, target, length);
    case SQL_C_USHORT:
      return ToInteger<uint16_t>(v, target, length);
    case SQL_C_SLONG:
    case SQL_C_LONG:
      return ToInteger<int32_t>(v, target, length);
    case SQL_C_ULONG:
      return ToInteger<uint32_t>(v, target, length);
    case SQL_C_SBIGINT:
      if (v.kind == Value::Kind::kDecimal || v.kind == Value::Kind::kText) {
        // Exact for every 18-digit decimal: the integer part read as digits.
        std::string n;
        if (DecimalText(v.text, &n)) {
          const std::string whole = n.substr(0, n.find('.'));
          errno = 0;
          const long long x = std::strtoll(whole.c_str(), nullptr, 10);
          if (errno == ERANGE) return Fail("22003", "The value does not fit a 64-bit integer");
          const int64_t r = x;
          if (target != nullptr) std::memcpy(target, &r, sizeof r);
          if (length != nullptr) *length = sizeof r;
          if (n.find('.') != std::string::npos &&
              n.find_first_not_of('0', n.find('.') + 1) != std::string::npos) {
            return {SQL_SUCCESS_WITH_INFO, "01S07", "Fractional part cut"};
          }
          return {};
        }
      }
      return ToInteger<int64_t>(v, target, length);
    case SQL_C_UBIGINT:
      return ToInteger<uint64_t>(v, target, length);
    case SQL_C_FLOAT:
      return ToDouble(v, true, target, length);
    case SQL_C_DOUBLE:
      return ToDouble(v, false, target, length);
    case SQL_C_NUMERIC:
      return ToNumeric(v, numeric, target, length);
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE: {
      Value d;
      if (!DateTimeOf(v, &d) || d.kind == Value::Kind::kTime) {
        return Fail(v.kind == Value::Kind::kText ? "22018" : "07006",
                    "The value '" + ValueText(v) + "' is no date");
      }
      SQL_DATE_STRUCT s{static_cast<SQLSMALLINT>(d.year), static_cast<SQLUSMALLINT>(d.month),
                        static_cast<SQLUSMALLINT>(d.day)};
      if (target != nullptr) std::memcpy(target, &s, sizeof s);
      if (length != nullptr) *length = sizeof s;
      if (d.kind == Value::Kind::kTimestamp && (d.hour || d.minute || d.second || d.fraction)) {
        return {SQL_SUCCESS_WITH_INFO, "01S07", "The time of the timestamp was cut"};
      }
      return {};
    }
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME: {
      Value d;
      if (!DateTimeOf(v, &d) || d.kind == Value::Kind::kDate) {
        return Fail(v.kind == Value::Kind::kText ? "22018" : "07006",
                    "The value '" + ValueText(v) + "' is no time");
      }
      SQL_TIME_STRUCT s{static_cast<SQLUSMALLINT>(d.hour), static_cast<SQLUSMALLINT>(d.minute),
                        static_cast<SQLUSMALLINT>(d.second)};
      if (target != nullptr) std::memcpy(target, &s, sizeof s);
      if (length != nullptr) *length = sizeof s;
      return {};
    }
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP: {
      Value d;
      if (!DateTimeOf(v, &d)) {
        return Fail(v.kind == Value::Kind::kText ? "22018" : "07006",
                    "The value '" + ValueText(v) + "' is no timestamp");
      }
      SQL_TIMESTAMP_STRUCT s{};
      if (d.kind != Value::Kind::kTime) {
        s.year = static_cast<SQLSMALLINT>(d.year);
        s.month = static_cast<SQLUSMALLINT>(d.month);
        s.day = static_cast<SQLUSMALLINT>(d.day);
      }
      s.hour = static_cast<SQLUSMALLINT>(d.hour);
      s.minute = static_cast<SQLUSMALLINT>(d.minute);
      s.second = static_cast<SQLUSMALLINT>(d.second);
      s.fraction = d.fraction;
      if (target != nullptr) std::memcpy(target, &s, sizeof s);
      if (length != nullptr) *length = sizeof s;
      return {};
    }
    default:
      return Fail("HYC00", "The C type " + std::to_string(cType) + " is not supported");
  }
}

namespace {

template <typename T>
T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

bool ParameterValue(SQLSMALLINT cType, SQLSMALLINT sqlType, SQLSMALLINT decimals, const void* data,
                    SQLLEN octets, Value* out, std::string* state, std::string* message) {
  (void)decimals;
  if (cType == SQL_C_DEFAULT) cType = DefaultCType(sqlType);
  Value v;
  switch (cType) {
    case SQL_C_CHAR: {
      const char* t = static_cast<const char*>(data);
      v = Value::Text(octets == SQL_NTS ? std::string(t)
                                        : std::string(t, static_cast<size_t>(octets)));
      break;
    }
    case SQL_C_WCHAR: {
      const auto* t = static_cast<const SQLWCHAR*>(data);
      v = Value::Text(Utf16ToUtf8(t, octets == SQL_NTS ? SQL_NTS : octets / 2));
      break;
    }
    case SQL_C_BINARY:
      v.kind = Value::Kind::kBinary;
      v.text.assign(static_cast<const char*>(data), static_cast<size_t>(octets));
      break;
    case SQL_C_BIT:
    case SQL_C_UTINYINT:
      v = Value::Integer(Load<uint8_t>(data));
      break;
    case SQL_C_STINYINT:
    case SQL_C_TINYINT:
      v = Value::Integer(Load<int8_t>(data));
      break;
    case SQL_C_SSHORT:
    case SQL_C_SHORT:
      v = Value::Integer(Load<int16_t>(data));
      break;
    case SQL_C_USHORT:
      v = Value::Integer(Load<uint16_t>(data));
      break;
    case SQL_C_SLONG:
    case SQL_C_LONG:
      v = Value::Integer(Load<int32_t>(data));
      break;
    case SQL_C_ULONG:
      v = Value::Integer(Load<uint32_t>(data));
      break;
    case SQL_C_SBIGINT:
      v = Value::Integer(Load<int64_t>(data));
      break;
    case SQL_C_UBIGINT: {
      const uint64_t u = Load<uint64_t>(data);
      if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        v = Value::Decimal(std::to_string(u));
      } else {
        v = Value::Integer(static_cast<int64_t>(u));
      }
      break;
    }
    case SQL_C_FLOAT:
      v.kind = Value::Kind::kDouble;
      v.real = Load<float>(data);
      break;
    case SQL_C_DOUBLE:
      v.kind = Value::Kind::kDouble;
      v.real = Load<double>(data);
      break;
    case SQL_C_NUMERIC: {
      const auto n = Load<SQL_NUMERIC_STRUCT>(data);
      // The 128-bit little-endian magnitude as decimal digits.
      unsigned char value[16];
      std::memcpy(value, n.val, 16);
      std::string digits;
      bool zero = false;
      while (!zero) {
        unsigned remainder = 0;
        zero = true;
        for (int i = 15; i >= 0; --i) {
          const unsigned x = remainder * 256u + value[i];
          value[i] = static_cast<unsigned char>(x / 10);
          remainder = x % 10;
          if (value[i] != 0) zero = false;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + remainder));
      }
      const int scale = n.scale;  // NOLINT(bugprone-signed-char-misuse): a signed count
      if (scale > 0) {
        while (digits.size() <= static_cast<size_t>(scale)) digits.insert(digits.begin(), '0');
        digits.insert(digits.size() - static_cast<size_t>(scale), ".");
      } else if (scale < 0) {
        digits.append(static_cast<size_t>(-scale), '0');
      }
      v = Value::Decimal((n.sign == 0 ? "-" : "") + digits);
      break;
    }
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE: {
      const auto d = Load<SQL_DATE_STRUCT>(data);
      v.kind = Value::Kind::kDate;
      v.year = d.year, v.month = d.month, v.day = d.day;
      break;
    }
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME: {
      const auto t = Load<SQL_TIME_STRUCT>(data);
      v.kind = Value::Kind::kTime;
      v.hour = t.hour, v.minute = t.minute, v.second = t.second;
      break;
    }
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP: {
      const auto t = Load<SQL_TIMESTAMP_STRUCT>(data);
      v.kind = Value::Kind::kTimestamp;
      v.year = t.year, v.month = t.month, v.day = t.day;
      v.hour = t.hour, v.minute = t.minute, v.second = t.second;
      v.fraction = t.fraction;
      break;
    }
    default:
      *state = "HYC00";
      *message = "The C type " + std::to_string(cType) + " of a parameter is not supported";
      return false;
  }
  // Exact numbers the application gives as text stay text: the host reads them.
  if ((sqlType == SQL_DECIMAL || sqlType == SQL_NUMERIC) && v.kind == Value::Kind::kText) {
    std::string normal;
    if (!DecimalText(v.text, &normal)) {
      *state = "22018";
      *message = "The parameter '" + v.text + "' is no number";
      return false;
    }
    v = Value::Decimal(normal);
  }
  *out = std::move(v);
  return true;
}

std::string Utf16ToUtf8(const SQLWCHAR* text, SQLLEN units) {
  std::string out;
  if (text == nullptr) return out;
  size_t n = 0;
  if (units == SQL_NTS) {
    while (text[n] != 0) ++n;
  } else {
    n = static_cast<size_t>(units);
  }
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

namespace {

// Decodes one UTF-8 character at `i`; U+FFFD for a malformed one.
uint32_t NextCodePoint(const std::string& t, size_t* i) {
  const auto b = static_cast<unsigned char>(t[*i]);
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
  uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
  if (b >= 0x80 && extra == 0) {
    ++*i;
    return 0xFFFD;
  }
  ++*i;
  for (; extra > 0; --extra) {
    if (*i >= t.size() || (static_cast<unsigned char>(t[*i]) & 0xC0) != 0x80) return 0xFFFD;
    c = (c << 6) | (static_cast<unsigned char>(t[*i]) & 0x3F);
    ++*i;
  }
  return c;
}

// cp1252's characters at 0x80-0x9F (0 where it has none).
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(uint32_t c, std::string* out) {
  std::u16string one;
  if (c >= 0x10000) {
    one += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    one += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    one += static_cast<char16_t>(c);
  }
  *out +=
      Utf16ToUtf8(reinterpret_cast<const SQLWCHAR*>(one.data()), static_cast<SQLLEN>(one.size()));
}

}  // namespace

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    const uint32_t c = NextCodePoint(text, &i);
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string Cp1252ToUtf8(const char* text, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else if (b < 0xA0) {
      AppendUtf8(kCp1252High[b - 0x80] != 0 ? kCp1252High[b - 0x80] : 0xFFFD, &out);
    } else {
      AppendUtf8(b, &out);
    }
  }
  return out;
}

std::string Utf8ToCp1252(const std::string& text, bool* lossy) {
  std::string out;
  out.reserve(text.size());
  if (lossy != nullptr) *lossy = false;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    const uint32_t c = NextCodePoint(text, &i);
    char mapped = 0;
    if (c >= 0xA0 && c <= 0xFF) {
      mapped = static_cast<char>(c);
    } else {
      for (int k = 0; k < 32; ++k) {
        if (kCp1252High[k] == c && c != 0) mapped = static_cast<char>(0x80 + k);
      }
    }
    if (mapped == 0) {
      mapped = '?';
      if (lossy != nullptr) *lossy = true;
    }
    out += mapped;
  }
  return out;
}

}  // namespace vantora::odbc
