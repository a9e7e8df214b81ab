#include "driver/cursors/filter_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "driver/cursors/constant_text.h"
#include "idapi.h"

namespace vantora::driver {
namespace {

constexpr int kMaxDepth = 200;

const char* OperatorText(uint32_t op) {
  switch (op) {
    case IDAPI_FOP_NONE:
      return "NOT DEFINED";
    case IDAPI_FOP_ISBLANK:
      return "ISBLANK";
    case IDAPI_FOP_NOTBLANK:
      return "NOTBLANK";
    case IDAPI_FOP_EQ:
      return "*EQ";
    case IDAPI_FOP_NE:
      return "*NE";
    case IDAPI_FOP_GT:
      return ">";
    case IDAPI_FOP_LT:
      return "<";
    case IDAPI_FOP_GE:
      return ">=";
    case IDAPI_FOP_LE:
      return "<=";
    case IDAPI_FOP_NOT:
      return "*NOT";
    case IDAPI_FOP_AND:
      return "*AND";
    case IDAPI_FOP_OR:
      return "*OR";
    case IDAPI_FOP_NEGATE:
      return "-";
    case IDAPI_FOP_ADD:
      return "+";
    case IDAPI_FOP_SUBTRACT:
      return "-";
    case IDAPI_FOP_MULTIPLY:
      return "*";
    case IDAPI_FOP_DIVIDE:
      return "/";
    case IDAPI_FOP_MOD:
      return "MOD";
    case IDAPI_FOP_REM:
      return "REM";
    case IDAPI_FOP_SUM:
      return "SUM";
    case IDAPI_FOP_COUNT:
      return "COUNT";
    case IDAPI_FOP_MIN:
      return "MIN";
    case IDAPI_FOP_MAX:
      return "MAX";
    case IDAPI_FOP_AVG:
      return "AVG";
    case IDAPI_FOP_CONT:
      return "CONT";
    case IDAPI_FOP_LIKE:
      return "LIKE";
    default:
      return nullptr;
  }
}

class Translator {
 public:
  Translator(const uint8_t* bytes, size_t size) : b_(bytes), size_(size) {}

  bool Run(std::string* out) {
    if (size_ < IDAPI_FEXPR_HEADER_SIZE) return Fail("the expression is shorter than its header");
    nodes_ = idapi_get_u16(b_, IDAPI_FEXPR_NODE_AREA);
    literals_ = idapi_get_u16(b_, IDAPI_FEXPR_LITERAL_AREA);
    if (nodes_ >= size_ || literals_ > size_) return Fail("area offsets outside the expression");
    return Node(0, 0, out) &&
           (out->size() <= kFilterTextLimit || Fail("the selection is too long"));
  }

  std::string problem;

 private:
  bool Fail(const std::string& why) {
    if (problem.empty()) problem = why;
    return false;
  }

  bool Fits(size_t at, size_t n) const { return at <= size_ && n <= size_ - at; }

  bool Node(size_t offset, int depth, std::string* out) {
    if (depth > kMaxDepth) return Fail("the expression is nested too deeply");
    const size_t at = nodes_ + offset;
    if (!Fits(at, 10)) return Fail("a node lies outside the expression");
    const uint32_t cls = idapi_get_u32(b_, at + IDAPI_FNODE_CLASS);
    const uint32_t op = idapi_get_u32(b_, at + IDAPI_FNODE_OPERATOR);
    switch (cls) {
      case IDAPI_FNODE_UNARY: {
        const char* text = OperatorText(op);
        if (text == nullptr) return Fail("an operator without a selection text");
        *out += " ";
        *out += text;
        *out += " (";
        if (!Node(idapi_get_u16(b_, at + IDAPI_FNODE_OPERAND), depth + 1, out)) return false;
        *out += ")";
        return true;
      }
      case IDAPI_FNODE_BINARY: {
        if (!Fits(at, IDAPI_FNODE_BINARY_SIZE)) return Fail("a node lies outside the expression");
        const char* text = OperatorText(op);
        if (text == nullptr) return Fail("an operator without a selection text");
        *out += "(";
        if (!Node(idapi_get_u16(b_, at + IDAPI_FNODE_LEFT), depth + 1, out)) return false;
        *out += " ";
        *out += text;
        *out += " ";
        if (!Node(idapi_get_u16(b_, at + IDAPI_FNODE_RIGHT), depth + 1, out)) return false;
        *out += ")";
        return true;
      }
      case IDAPI_FNODE_FIELD: {
        if (!Fits(at, IDAPI_FNODE_FIELD_SIZE)) return Fail("a node lies outside the expression");
        const size_t name = literals_ + idapi_get_u16(b_, at + IDAPI_FNODE_FIELD_NAME);
        if (name >= size_) return Fail("a field name lies outside the expression");
        const size_t n = idapi_text_length(b_, name, size_ - name);
        if (n == 0 || n > 10) return Fail("a field name that is no field name");
        *out += std::string(reinterpret_cast<const char*>(b_ + name), n);
        return true;
      }
      case IDAPI_FNODE_CONSTANT:
        return Constant(at, out);
      default:
        return Fail("a node class the selection cannot hold");
    }
  }

  bool Constant(size_t at, std::string* out) {
    if (!Fits(at, IDAPI_FNODE_CONST_SIZE_BYTES)) return Fail("a node lies outside the expression");
    const uint16_t type = idapi_get_u16(b_, at + IDAPI_FNODE_CONST_TYPE);
    const uint16_t size = idapi_get_u16(b_, at + IDAPI_FNODE_CONST_SIZE);
    const size_t value = literals_ + idapi_get_u16(b_, at + IDAPI_FNODE_CONST_VALUE);
    if (!Fits(value, size)) return Fail("a constant lies outside the expression");
    std::string why;
    if (type == IDAPI_TYPE_FLOAT && size < 8) return Fail("a constant is too short");
    return AppendConstant(type, b_ + value, size, kSelectionStyle, out, &why) || Fail(why);
  }

  const uint8_t* b_;
  size_t size_;
  size_t nodes_ = 0;
  size_t literals_ = 0;
};

}  // namespace

std::string DoubleApostrophes(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\'') out += c;
    out += c;
  }
  return out;
}

FilterText TranslateFilter(const void* expression, size_t size) {
  FilterText result;
  if (expression == nullptr) {
    result.problem = "no expression";
    return result;
  }
  const auto* b = static_cast<const uint8_t*>(expression);
  if (size == 0) size = idapi_get_u16(b, IDAPI_FEXPR_TOTAL_SIZE);
  Translator t(b, size);
  result.ok = t.Run(&result.text);
  result.problem = t.problem;
  if (!result.ok) result.text.clear();
  return result;
}

}  // namespace vantora::driver
