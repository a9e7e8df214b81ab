// Field definitions of record formats: types, lengths, digits and decimals,
// null capability, and the checks that a value fits its field.
#ifndef VANTORA_HOST_STORAGE_FIELD_H_
#define VANTORA_HOST_STORAGE_FIELD_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "host/storage/status.h"
#include "host/storage/value.h"

namespace vantora::host {

enum class FieldType : uint8_t {
  kChar,       // fixed-length text, blank-padded
  kVarchar,    // variable-length text up to `length`
  kBin2,       // 16-bit binary (scaled by `decimals`)
  kBin4,       // 32-bit binary
  kBin8,       // 64-bit binary
  kPacked,     // packed decimal, `digits` and `decimals`
  kZoned,      // zoned decimal, `digits` and `decimals`
  kFloat,      // 4-byte floating point
  kDouble,     // 8-byte floating point
  kDate,       // "YYYY-MM-DD"
  kTime,       // "HH.MM.SS"
  kTimestamp,  // "YYYY-MM-DD-HH.MM.SS.NNNNNN"
};

// Decimal values are scaled 64-bit integers, so at most 18 digits.
inline constexpr int kMaxDecimalDigits = 18;
// Character fields hold at most this many bytes.
inline constexpr int kMaxCharLength = 32766;

struct FieldDef {
  std::string name;  // 1-10 characters, upper case (see names.h)
  FieldType type = FieldType::kChar;
  int length = 0;    // kChar, kVarchar: bytes; ignored for the other types
  int digits = 0;    // kPacked, kZoned: 1-18; kBin*: 0 gives 4, 9 or 18
  int decimals = 0;  // numeric types except float: 0..digits
  bool nullCapable = false;
  // Date and time fields: the presentation format word (format code in the
  // high byte, separator in the low byte) kept for describers; values are
  // stored in ISO form whatever it says.
  uint16_t dateTimeFormat = 0;
  std::string heading;  // column heading
  std::string text;     // descriptive text
};

bool IsCharacter(FieldType t);           // kChar, kVarchar
bool IsScaledInteger(FieldType t);       // kBin*, kPacked, kZoned
bool IsReal(FieldType t);                // kFloat, kDouble
bool IsDateTime(FieldType t);            // kDate, kTime, kTimestamp
const char* FieldTypeName(FieldType t);  // "CHAR", "PACK", ...
// The type called `name` (as FieldTypeName gives it); false when none is.
bool ParseFieldTypeName(std::string_view name, FieldType* out);

// Digits of a numeric field after defaults (kBin* with 0 digits), else 0.
int EffectiveDigits(const FieldDef& f);

// Bytes the field takes in a host (AS/400) record: CHAR length, VARCHAR
// length + 2, BIN2 2, BIN4 4, BIN8 8, PACK digits / 2 + 1, ZONED digits,
// FLOAT 4, DOUBLE 8, DATE 10, TIME 8, TIMESTAMP 26.
int HostByteLength(const FieldDef& f);

// kInvalidDefinition when the type's lengths, digits or decimals are out of
// range (for example PACK with more than 18 digits).
Status ValidateFieldDef(const FieldDef& f);

// kDataMapping when `v` does not fit `f`: wrong kind, null in a field that
// is not null-capable, text longer than the field (trailing blanks of CHAR
// do not count), a number outside the digits or binary range, a malformed
// date, time or timestamp.
Status CheckValue(const FieldDef& f, const Value& v);

// What a field holds when a write does not give it: null when null-capable,
// else blank text, 0, "0001-01-01", "00.00.00" or "0001-01-01-00.00.00.000000".
Value DefaultValue(const FieldDef& f);

// Shorthands for building definitions.
FieldDef CharField(std::string name, int length);
FieldDef VarcharField(std::string name, int maxLength);
FieldDef PackedField(std::string name, int digits, int decimals);
FieldDef ZonedField(std::string name, int digits, int decimals);
FieldDef BinaryField(std::string name, FieldType type, int decimals = 0);
FieldDef FloatField(std::string name, FieldType type);
FieldDef DateTimeField(std::string name, FieldType type);

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_FIELD_H_
