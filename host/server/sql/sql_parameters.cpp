#include "host/server/sql/sql_parameters.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "protocol/byte_order.h"

namespace vantora::host::sql {
namespace {

enum PcType : int {
  kPcChar = 0,
  kPcInt = 1,
  kPcLong = 2,
  kPcFloat = 3,
  kPcDouble = 4,
  kPcBytes = 5
};
enum AsType : int { kAsChar = 0, kAsDate = 5, kAsTime = 6, kAsTimestamp = 9 };

SqlError BadType(int pcType) {
  return {-301, "42895", std::to_string(pcType)};
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

// A numeric text: [+|-]digits[.digits], blanks around. Integers within 18
// digits stay exact.
bool ParseNumber(std::string_view text, Value* out) {
  std::string_view s = Trimmed(text);
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  bool point = false;
  size_t fraction = 0;
  for (; i < s.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(s[i])) != 0) {
      ++digits;
      if (point) ++fraction;
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  const std::string copy(s);
  if (fraction == 0 && digits <= 18) {
    *out = Value::Integer(std::strtoll(copy.c_str(), nullptr, 10));
  } else {
    *out = Value::Real(std::strtod(copy.c_str(), nullptr));
  }
  return true;
}

SqlError TextValue(std::string_view text, int asType, const DateTimeStyle& style, Value* out) {
  std::string iso;
  switch (asType) {
    case kAsChar:
      *out = Value::Text(text);
      return SqlOk();
    case kAsDate:
      if (!ParseDate(Trimmed(text), style, &iso)) return {-181, "22007", std::string(text)};
      *out = Value::Text(iso);
      return SqlOk();
    case kAsTime:
      if (!ParseTime(Trimmed(text), style, &iso)) return {-181, "22007", std::string(text)};
      *out = Value::Text(iso);
      return SqlOk();
    case kAsTimestamp:
      if (!IsTimestampText(Trimmed(text))) return {-181, "22007", std::string(text)};
      *out = Value::Text(Trimmed(text));
      return SqlOk();
    default:
      if (!ParseNumber(text, out)) return {-420, "22018", std::string(Trimmed(text))};
      return SqlOk();
  }
}

}  // namespace

SqlError DecodeParameters(std::span<const uint8_t> area, int32_t count, const DateTimeStyle& style,
                          std::vector<Value>* out) {
  out->clear();
  if (count < 0 || count > kMaxParameters) return {-313, "07001", ""};
  const size_t entries = static_cast<size_t>(count) * kParameterEntrySize;
  if (area.size() < entries) return {-302, "22001", ""};
  size_t at = entries;
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* entry = area.data() + static_cast<size_t>(i) * kParameterEntrySize;
    const int pcType = wire::LoadLeI16(entry);
    const int length = wire::LoadLeI16(entry + 2);
    const int asType = wire::LoadLeI16(entry + 6);
    if (length < 0 || area.size() - at < static_cast<size_t>(length)) return {-302, "22001", ""};
    const uint8_t* v = area.data() + at;
    at += static_cast<size_t>(length);
    Value value;
    switch (pcType) {
      case kPcChar:
        if (SqlError e = TextValue({reinterpret_cast<const char*>(v), static_cast<size_t>(length)},
                                   asType, style, &value);
            !e.ok()) {
          return e;
        }
        break;
      case kPcInt:
        if (length != 2) return BadType(pcType);
        value = Value::Integer(wire::LoadLeI16(v));
        break;
      case kPcLong:
        if (length != 4) return BadType(pcType);
        value = Value::Integer(wire::LoadLeI32(v));
        break;
      case kPcFloat: {
        if (length != 4) return BadType(pcType);
        const uint32_t bits = wire::LoadLe32(v);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        value = Value::Real(f);
        break;
      }
      case kPcDouble: {
        if (length != 8) return BadType(pcType);
        const uint64_t bits = wire::LoadLe64(v);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        value = Value::Real(d);
        break;
      }
      case kPcBytes:
        value = Value::Text({reinterpret_cast<const char*>(v), static_cast<size_t>(length)});
        break;
      default:
        return BadType(pcType);
    }
    out->push_back(std::move(value));
  }
  return SqlOk();
}

}  // namespace vantora::host::sql
