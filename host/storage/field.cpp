// Field types: sizes, definition checks and value checks.
#include "host/storage/field.h"

#include <cmath>
#include <limits>

namespace vantora::host {
namespace {

bool IsDigits(std::string_view s, size_t pos, size_t count) {
  for (size_t i = pos; i < pos + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

int Number(std::string_view s, size_t pos, size_t count) {
  int n = 0;
  for (size_t i = pos; i < pos + count; ++i) n = n * 10 + (s[i] - '0');
  return n;
}

bool ValidDate(std::string_view s) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
  if (!IsDigits(s, 0, 4) || !IsDigits(s, 5, 2) || !IsDigits(s, 8, 2)) return false;
  int year = Number(s, 0, 4), month = Number(s, 5, 2), day = Number(s, 8, 2);
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return !(month == 2 && day == 29 && !leap);
}

bool ValidTime(std::string_view s) {
  if (s.size() != 8 || s[2] != '.' || s[5] != '.') return false;
  if (!IsDigits(s, 0, 2) || !IsDigits(s, 3, 2) || !IsDigits(s, 6, 2)) return false;
  int h = Number(s, 0, 2), m = Number(s, 3, 2), sec = Number(s, 6, 2);
  if (h == 24) return m == 0 && sec == 0;  // the host accepts 24.00.00
  return h < 24 && m < 60 && sec < 60;
}

bool ValidTimestamp(std::string_view s) {
  return s.size() == 26 && s[10] == '-' && s[19] == '.' && ValidDate(s.substr(0, 10)) &&
         ValidTime(s.substr(11, 8)) && IsDigits(s, 20, 6);
}

int64_t PowerOfTen(int n) {
  int64_t p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

Status Mapping(const FieldDef& f, const char* why) {
  return Status::Error(StatusCode::kDataMapping, f.name + ": " + why);
}

}  // namespace

bool IsCharacter(FieldType t) {
  return t == FieldType::kChar || t == FieldType::kVarchar;
}
bool IsScaledInteger(FieldType t) {
  return t == FieldType::kBin2 || t == FieldType::kBin4 || t == FieldType::kBin8 ||
         t == FieldType::kPacked || t == FieldType::kZoned;
}
bool IsReal(FieldType t) {
  return t == FieldType::kFloat || t == FieldType::kDouble;
}
bool IsDateTime(FieldType t) {
  return t == FieldType::kDate || t == FieldType::kTime || t == FieldType::kTimestamp;
}

const char* FieldTypeName(FieldType t) {
  switch (t) {
    case FieldType::kChar:
      return "CHAR";
    case FieldType::kVarchar:
      return "VARCHAR";
    case FieldType::kBin2:
      return "BIN2";
    case FieldType::kBin4:
      return "BIN4";
    case FieldType::kBin8:
      return "BIN8";
    case FieldType::kPacked:
      return "PACK";
    case FieldType::kZoned:
      return "ZONED";
    case FieldType::kFloat:
      return "FLOAT";
    case FieldType::kDouble:
      return "DOUBLE";
    case FieldType::kDate:
      return "DATE";
    case FieldType::kTime:
      return "TIME";
    case FieldType::kTimestamp:
      return "TIMESTAMP";
  }
  return "?";
}

bool ParseFieldTypeName(std::string_view name, FieldType* out) {
  for (int i = 0; i <= static_cast<int>(FieldType::kTimestamp); ++i) {
    auto t = static_cast<FieldType>(i);
    if (name == FieldTypeName(t)) {
      *out = t;
      return true;
    }
  }
  return false;
}

int EffectiveDigits(const FieldDef& f) {
  switch (f.type) {
    case FieldType::kBin2:
      return f.digits ? f.digits : 4;
    case FieldType::kBin4:
      return f.digits ? f.digits : 9;
    case FieldType::kBin8:
      return f.digits ? f.digits : 18;
    case FieldType::kPacked:
    case FieldType::kZoned:
      return f.digits;
    default:
      return 0;
  }
}

int HostByteLength(const FieldDef& f) {
  switch (f.type) {
    case FieldType::kChar:
      return f.length;
    case FieldType::kVarchar:
      return f.length + 2;
    case FieldType::kBin2:
      return 2;
    case FieldType::kBin4:
      return 4;
    case FieldType::kBin8:
      return 8;
    case FieldType::kPacked:
      return f.digits / 2 + 1;
    case FieldType::kZoned:
      return f.digits;
    case FieldType::kFloat:
      return 4;
    case FieldType::kDouble:
      return 8;
    case FieldType::kDate:
      return 10;
    case FieldType::kTime:
      return 8;
    case FieldType::kTimestamp:
      return 26;
  }
  return 0;
}

Status ValidateFieldDef(const FieldDef& f) {
  auto bad = [&](const std::string& why) {
    return Status::Error(StatusCode::kInvalidDefinition, f.name + ": " + why);
  };
  if (IsCharacter(f.type)) {
    if (f.length < 1 || f.length > kMaxCharLength) return bad("length out of range");
    return Status::Ok();
  }
  if (f.type == FieldType::kPacked || f.type == FieldType::kZoned) {
    if (f.digits < 1) return bad("digits out of range");
    if (f.digits > kMaxDecimalDigits) {
      return bad("more than 18 digits is not supported by this host");
    }
  }
  if (IsScaledInteger(f.type)) {
    static constexpr int kBinMax[] = {4, 9, 18};
    int max = f.type == FieldType::kBin2   ? kBinMax[0]
              : f.type == FieldType::kBin4 ? kBinMax[1]
              : f.type == FieldType::kBin8 ? kBinMax[2]
                                           : kMaxDecimalDigits;
    if (f.digits < 0 || f.digits > max) return bad("digits out of range");
    if (f.decimals < 0 || f.decimals > EffectiveDigits(f)) return bad("decimals out of range");
    return Status::Ok();
  }
  if (f.decimals != 0) return bad("decimals not allowed for this type");
  return Status::Ok();
}

Status CheckValue(const FieldDef& f, const Value& v) {
  if (v.isNull()) {
    return f.nullCapable ? Status::Ok() : Mapping(f, "null in a field that is not null-capable");
  }
  if (IsCharacter(f.type)) {
    if (v.kind() != Value::Kind::kText) return Mapping(f, "text expected");
    std::string_view t = v.text();
    if (f.type == FieldType::kChar) {
      while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    }
    if (t.size() > static_cast<size_t>(f.length)) return Mapping(f, "text longer than the field");
    return Status::Ok();
  }
  if (IsScaledInteger(f.type)) {
    if (v.kind() != Value::Kind::kInteger) return Mapping(f, "integer expected");
    int64_t x = v.integer();
    switch (f.type) {
      case FieldType::kBin2:
        if (x < std::numeric_limits<int16_t>::min() || x > std::numeric_limits<int16_t>::max()) {
          return Mapping(f, "value outside 16 bits");
        }
        return Status::Ok();
      case FieldType::kBin4:
        if (x < std::numeric_limits<int32_t>::min() || x > std::numeric_limits<int32_t>::max()) {
          return Mapping(f, "value outside 32 bits");
        }
        return Status::Ok();
      case FieldType::kBin8:
        return Status::Ok();
      default: {
        int64_t limit = PowerOfTen(f.digits);
        if (x >= limit || x <= -limit) return Mapping(f, "value has more digits than the field");
        return Status::Ok();
      }
    }
  }
  if (IsReal(f.type)) {
    if (v.kind() != Value::Kind::kReal) return Mapping(f, "real expected");
    if (f.type == FieldType::kFloat && std::isfinite(v.real()) &&
        std::fabs(v.real()) > std::numeric_limits<float>::max()) {
      return Mapping(f, "value outside the 4-byte float range");
    }
    return Status::Ok();
  }
  if (v.kind() != Value::Kind::kText) return Mapping(f, "text expected");
  bool valid = f.type == FieldType::kDate   ? ValidDate(v.text())
               : f.type == FieldType::kTime ? ValidTime(v.text())
                                            : ValidTimestamp(v.text());
  return valid ? Status::Ok() : Mapping(f, "malformed date, time or timestamp");
}

Value DefaultValue(const FieldDef& f) {
  if (f.nullCapable) return Value();
  switch (f.type) {
    case FieldType::kChar:
    case FieldType::kVarchar:
      return Value::Text("");
    case FieldType::kFloat:
    case FieldType::kDouble:
      return Value::Real(0);
    case FieldType::kDate:
      return Value::Text("0001-01-01");
    case FieldType::kTime:
      return Value::Text("00.00.00");
    case FieldType::kTimestamp:
      return Value::Text("0001-01-01-00.00.00.000000");
    default:
      return Value::Integer(0);
  }
}

FieldDef CharField(std::string name, int length) {
  FieldDef f;
  f.name = std::move(name);
  f.type = FieldType::kChar;
  f.length = length;
  return f;
}

FieldDef VarcharField(std::string name, int maxLength) {
  FieldDef f = CharField(std::move(name), maxLength);
  f.type = FieldType::kVarchar;
  return f;
}

FieldDef PackedField(std::string name, int digits, int decimals) {
  FieldDef f;
  f.name = std::move(name);
  f.type = FieldType::kPacked;
  f.digits = digits;
  f.decimals = decimals;
  return f;
}

FieldDef ZonedField(std::string name, int digits, int decimals) {
  FieldDef f = PackedField(std::move(name), digits, decimals);
  f.type = FieldType::kZoned;
  return f;
}

FieldDef BinaryField(std::string name, FieldType type, int decimals) {
  FieldDef f;
  f.name = std::move(name);
  f.type = type;
  f.decimals = decimals;
  return f;
}

FieldDef FloatField(std::string name, FieldType type) {
  return BinaryField(std::move(name), type);
}

FieldDef DateTimeField(std::string name, FieldType type) {
  return BinaryField(std::move(name), type);
}

}  // namespace vantora::host
