// A value of a result column as the driver holds it, and its conversions to
// the application's C types by the ODBC 3.x conversion table: decimals stay
// exact text (never a double), text keeps its blanks, a value that does not
// fit answers 22003 / 22001 / 01004 with its full length.
#ifndef VANTORA_ODBC_VALUES_H_
#define VANTORA_ODBC_VALUES_H_

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace vantora::odbc {

struct Value {
  enum class Kind { kNull, kText, kDecimal, kInteger, kDouble, kDate, kTime, kTimestamp, kBinary };
  Kind kind = Kind::kNull;
  std::string text;  // text (UTF-8), decimal text, binary bytes
  int64_t integer = 0;
  double real = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  uint32_t fraction = 0;  // nanoseconds

  static Value Null() { return {}; }
  static Value Text(std::string t) {
    Value v;
    v.kind = Kind::kText;
    v.text = std::move(t);
    return v;
  }
  static Value Integer(int64_t i) {
    Value v;
    v.kind = Kind::kInteger;
    v.integer = i;
    return v;
  }
  static Value Decimal(std::string t) {
    Value v;
    v.kind = Kind::kDecimal;
    v.text = std::move(t);
    return v;
  }
};

// The value as text, the way SQL_C_CHAR gives it.
std::string ValueText(const Value& v);

// The result of a conversion: SQL_SUCCESS, SQL_SUCCESS_WITH_INFO (state
// 01004 or 01S07) or SQL_ERROR with `state` and `message`.
struct Conversion {
  SQLRETURN code = SQL_SUCCESS;
  const char* state = "";
  std::string message;
};

// The precision and scale an application descriptor asks of SQL_C_NUMERIC
// (SQL_DESC_PRECISION, SQL_DESC_SCALE once set): a scale of -1 keeps the
// value's own; a precision of 0 allows 38 digits.
struct NumericForm {
  int precision = 0;
  int scale = -1;
};

// Writes `v` as C type `cType` into `target` (`size` bytes for variable
// types), starting at byte `offset` of its character or binary form (for
// SQLGetData in pieces); `length` the total remaining length (or
// SQL_NULL_DATA), `written` how many bytes of the form were given out.
// `columnType` is the column's SQL type, for SQL_C_DEFAULT; `numeric` the
// form of SQL_C_NUMERIC (fewer decimals than the value's answer 01S07).
Conversion Convert(const Value& v, SQLSMALLINT cType, SQLSMALLINT columnType, SQLPOINTER target,
                   SQLLEN size, size_t offset, SQLLEN* length, size_t* written,
                   const NumericForm& numeric = {});

// The default C type of an SQL type.
SQLSMALLINT DefaultCType(SQLSMALLINT sqlType);

// A parameter's application buffer as a value (`cType` the C type, `sqlType`
// what the application says it is). False with `state` for what cannot be read.
bool ParameterValue(SQLSMALLINT cType, SQLSMALLINT sqlType, SQLSMALLINT decimals, const void* data,
                    SQLLEN octets, Value* out, std::string* state, std::string* message);

// An exact decimal text of `v` (integers, decimals, numeric text); false
// when it is none.
bool DecimalText(std::string_view text, std::string* normal);

// UTF-16 (as SQLWCHAR) and UTF-8, both ways; cp1252 and UTF-8 both ways.
std::string Utf16ToUtf8(const SQLWCHAR* text, SQLLEN units);
std::u16string Utf8ToUtf16(const std::string& text);
std::string Cp1252ToUtf8(const char* text, size_t n);
// Characters cp1252 cannot hold become '?'; `lossy` tells.
std::string Utf8ToCp1252(const std::string& text, bool* lossy = nullptr);

}  // namespace vantora::odbc

#endif  // VANTORA_ODBC_VALUES_H_
