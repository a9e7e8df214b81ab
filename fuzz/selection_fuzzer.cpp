// libFuzzer target: QRYSLT selections parsed, bound to a record format with
// a field of every kind, and evaluated against a few records (with nulls).
// Nothing may crash, whatever the text.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "host/cl/selection.h"

namespace {

using namespace vantora::host;

const RecordFormat& Format() {
  static const RecordFormat format = [] {
    RecordFormat f;
    f.name = "FUZZREC";
    f.fields = {PackedField("NUM", 9, 2),
                CharField("NAME", 20),
                VarcharField("NOTE", 30),
                DateTimeField("DAY", FieldType::kDate),
                DateTimeField("AT", FieldType::kTime),
                DateTimeField("STAMP", FieldType::kTimestamp),
                FloatField("RATE", FieldType::kDouble),
                BinaryField("SMALL", FieldType::kBin2)};
    for (FieldDef& d : f.fields) d.nullCapable = true;
    return f;
  }();
  return format;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<Selection> selection;
  cl::SelectionError error;
  if (!Selection::Compile(text, Format(), &selection, &error)) {
    if (error.messageId.empty()) __builtin_trap();
    return 0;
  }
  Record full = {Value::Integer(12345),   Value::Text("O'BRIEN"),
                 Value::Text("note"),     Value::Text("2001-03-01"),
                 Value::Text("13.05.09"), Value::Text("2001-03-01-13.05.09.000000"),
                 Value::Real(1.5),        Value::Integer(-7)};
  Record empty(full.size());
  Record zeros = {Value::Integer(0),       Value::Text(""),
                  Value::Text(""),         Value::Text("0001-01-01"),
                  Value::Text("00.00.00"), Value::Text("0001-01-01-00.00.00.000000"),
                  Value::Real(0),          Value::Integer(0)};
  selection->Accept(full);
  selection->Accept(empty);
  selection->Accept(zeros);
  return 0;
}
