// Comparison and printing of values.
#include "host/storage/value.h"

namespace vantora::host {

bool Value::operator==(const Value& other) const {
  if (kind_ != other.kind_) return false;
  switch (kind_) {
    case Kind::kNull:
      return true;
    case Kind::kInteger:
      return integer_ == other.integer_;
    case Kind::kReal:
      return real_ == other.real_;
    case Kind::kText:
      return text_ == other.text_;
  }
  return false;
}

std::string Value::DebugString() const {
  switch (kind_) {
    case Kind::kNull:
      return "null";
    case Kind::kInteger:
      return std::to_string(integer_);
    case Kind::kReal:
      return std::to_string(real_);
    case Kind::kText:
      return "'" + text_ + "'";
  }
  return "?";
}

std::ostream& operator<<(std::ostream& os, const Value& v) {
  return os << v.DebugString();
}

}  // namespace vantora::host
