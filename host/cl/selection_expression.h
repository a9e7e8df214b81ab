// The expression tree of a record selection: what the QRYSLT parameter of
// OPNQRYF says (selection_parser.h builds it) and what select/omit rules of
// logical files turn into. Plain data; selection.h binds it to a record
// format and evaluates it.
#ifndef VANTORA_HOST_CL_SELECTION_EXPRESSION_H_
#define VANTORA_HOST_CL_SELECTION_EXPRESSION_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vantora::host::cl {

enum class CompareOp : uint8_t { kEq, kNe, kGt, kLt, kGe, kLe };
enum class ArithOp : uint8_t { kAdd, kSubtract, kMultiply, kDivide, kModulo, kRemainder };

struct SelectionNode {
  enum class Kind : uint8_t {
    kField,     // text: field name (upper case)
    kNumber,    // text: the number as written ("-12.50")
    kString,    // text: the constant's characters
    kAnd,       // children: two or more conditions
    kOr,        // children: two or more conditions
    kNot,       // children: one condition
    kCompare,   // op; children: left and right operand
    kArith,     // arith; children: left and right operand
    kNegate,    // children: one operand
    kContains,  // *CT, CONT; children: operand and the text it must contain
    kLike,      // LIKE; children: operand and pattern (% any run, _ one character)
    kWildcard,  // %WLDCRD: children: operand, pattern; wild: any-one and any-run characters
    kRange,     // %RANGE: children: operand, low, high
    kValues,    // %VALUES: children: operand, then the values
    kIsBlank,   // ISBLANK (F): children: one operand
    kNotBlank,  // NOTBLANK (F)
  };
  Kind kind = Kind::kField;
  CompareOp op = CompareOp::kEq;
  ArithOp arith = ArithOp::kAdd;
  std::string text;
  char wildOne = '_', wildAny = '*';
  std::vector<SelectionNode> children;
};

}  // namespace vantora::host::cl

#endif  // VANTORA_HOST_CL_SELECTION_EXPRESSION_H_
