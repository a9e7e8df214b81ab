// Field values as the storage exchanges them with the record-level handlers.
//
// A value is null, an integer, a real or a text. Which one a field takes is
// fixed by its type (see field.h):
//   CHAR, VARCHAR        text: the bytes of the host's character set, at most
//                        the field's length; CHAR values come back without
//                        their trailing blanks (callers pad to the length)
//   BIN2/4/8, PACK, ZONED integer: the decimal value scaled by 10^decimals
//                        (123.45 in a field with 2 decimals is 12345)
//   FLOAT, DOUBLE        real
//   DATE, TIME, TIMESTAMP text in ISO form: "YYYY-MM-DD", "HH.MM.SS",
//                        "YYYY-MM-DD-HH.MM.SS.NNNNNN"
// Null only in null-capable fields. Conversions to wire forms (PC types,
// EBCDIC, packed) belong to the record-conversion layer, not here.
#ifndef VANTORA_HOST_STORAGE_VALUE_H_
#define VANTORA_HOST_STORAGE_VALUE_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vantora::host {

class Value {
 public:
  enum class Kind : uint8_t { kNull, kInteger, kReal, kText };

  Value() = default;  // null
  static Value Integer(int64_t v) {
    Value x;
    x.SetInteger(v);
    return x;
  }
  static Value Real(double v) {
    Value x;
    x.SetReal(v);
    return x;
  }
  static Value Text(std::string_view v) {
    Value x;
    x.SetText(v);
    return x;
  }

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Kind::kNull; }
  // REQUIRES: kind() is the matching kind.
  int64_t integer() const { return integer_; }
  double real() const { return real_; }
  std::string_view text() const { return text_; }

  // The setters keep the text buffer, so that a record reused for the next
  // read does not allocate again.
  void SetNull() { kind_ = Kind::kNull; }
  void SetInteger(int64_t v) {
    kind_ = Kind::kInteger;
    integer_ = v;
  }
  void SetReal(double v) {
    kind_ = Kind::kReal;
    real_ = v;
  }
  void SetText(std::string_view v) {
    kind_ = Kind::kText;
    text_.assign(v.data(), v.size());
  }

  // Same kind and same content; texts compare byte for byte.
  bool operator==(const Value& other) const;

  // "null", "42", "1.5", "'text'": for logs and test messages.
  std::string DebugString() const;

 private:
  Kind kind_ = Kind::kNull;
  int64_t integer_ = 0;
  double real_ = 0;
  std::string text_;
};

// A value read in place: the same accessors as Value, its text borrowed
// from wherever the value lives (a Value, a row of the database) and valid
// only as long as that.
class ValueView {
 public:
  ValueView() = default;     // null
  ValueView(const Value& v)  // NOLINT: a Value is viewed wherever a view is asked for
      : kind_(v.kind()), integer_(v.integer()), real_(v.real()), text_(v.text()) {}
  static ValueView Integer(int64_t v) {
    ValueView x;
    x.kind_ = Value::Kind::kInteger;
    x.integer_ = v;
    return x;
  }
  static ValueView Real(double v) {
    ValueView x;
    x.kind_ = Value::Kind::kReal;
    x.real_ = v;
    return x;
  }
  static ValueView Text(std::string_view v) {
    ValueView x;
    x.kind_ = Value::Kind::kText;
    x.text_ = v;
    return x;
  }

  Value::Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Value::Kind::kNull; }
  int64_t integer() const { return integer_; }
  double real() const { return real_; }
  std::string_view text() const { return text_; }

 private:
  Value::Kind kind_ = Value::Kind::kNull;
  int64_t integer_ = 0;
  double real_ = 0;
  std::string_view text_;
};

// The values of one record, in the order of its record format's fields.
using Record = std::vector<Value>;

std::ostream& operator<<(std::ostream& os, const Value& v);

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_VALUE_H_
