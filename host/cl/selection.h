// A record selection bound to a record format: field names resolved, types
// checked, constants converted, ready to test records. It is the filter an
// open query file reads through, and the test of a select/omit rule.
//
//   std::unique_ptr<Selection> s;
//   cl::SelectionError e;
//   if (!Selection::Compile("(CITY *EQ \"PARIS\") *AND BALANCE > 0", format, &s, &e)) ...
//   if (s->Accept(record)) ...
//
// Types: character fields and constants compare blank-padded; numeric
// fields and number constants compare as numbers (decimals scaled by the
// field's decimals); date, time and timestamp fields compare with each other
// and with constants in ISO form ("2001-03-01"; "/" and "." separators are
// taken too; times "13.05.09" or "13:05:09"). A null value makes a
// comparison false whatever the operator. %WLDCRD, LIKE and *CT look at
// character values without their trailing blanks. ISBLANK is true for null
// values and for character values of blanks only.
//
// Errors: CPD3105 a field not in the format, CPD3108 operands of
// incompatible types (or a condition where a value belongs, or the reverse),
// CPD3110 a constant that is not a valid number, date, time or timestamp;
// parse errors as selection_parser.h says.
#ifndef VANTORA_HOST_CL_SELECTION_H_
#define VANTORA_HOST_CL_SELECTION_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/cl/record_filter.h"
#include "host/cl/selection_expression.h"
#include "host/cl/selection_parser.h"
#include "host/storage/file_definition.h"

namespace vantora::host {

class Selection : public RecordFilter {
 public:
  // Parses and binds `text`.
  static bool Compile(std::string_view text, const RecordFormat& format,
                      std::unique_ptr<Selection>* out, cl::SelectionError* error);
  // Binds a parsed tree.
  static bool Compile(const cl::SelectionNode& tree, const RecordFormat& format,
                      std::unique_ptr<Selection>* out, cl::SelectionError* error);
  ~Selection() override;

  bool Accept(const Record& record) const override;

  // Evaluation detail, public for the implementation file only.
  enum class Type : uint8_t { kBool, kNumber, kText, kDate, kTime, kTimestamp };
  struct Node {
    cl::SelectionNode::Kind kind;
    cl::CompareOp op = cl::CompareOp::kEq;
    cl::ArithOp arith = cl::ArithOp::kAdd;
    Type type = Type::kBool;
    int field = -1;          // kField: index in the record
    long double number = 0;  // kNumber
    long double scale = 1;   // kField of a scaled numeric field: 10^decimals
    std::string text;        // kString (converted for dates), kField name
    char wildOne = '_', wildAny = '*';
    std::vector<Node> children;
  };

 private:
  explicit Selection(Node root) : root_(std::move(root)) {}
  Node root_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_CL_SELECTION_H_
