// The text form of one procedure, for scripts: what `procedit --export`
// prints and `procedit --define` reads.
//
//   {
//     "name": "TAXCALC",                 1-10 characters (stored upper case)
//     "description": "Adds a tax",       optional, at most 80 characters
//     "target": "DEMO/ADDTAX",           LIBRARY/NAME or NAME
//     "kind": "program",                 "program" or "dataQueue" (default program)
//     "fields": [                        optional, in row order
//       {"name": "Code",                 1-10 characters, case kept
//        "usage": "in",                  "in", "out" or "inout" (default inout)
//        "startsParameter": true,        default true; false continues a data structure
//        "asType": "CHAR",               a host type name (default CHAR)
//        "digits": 10, "decimals": 0,    optional: else as the host type sets them (0)
//        "pcType": "CHAR",               optional: else the host type's default
//        "length": 10, "pcDecimals": 0}  optional: else derived as the field dialog does
//     ]
//   }
//
// Unknown members are refused, so that a misspelt one is not silently
// ignored. Numbers are integers from 0 to 32767.
#ifndef VANTORA_TOOLS_PROCEDIT_PROCEDURE_JSON_H_
#define VANTORA_TOOLS_PROCEDIT_PROCEDURE_JSON_H_

#include <optional>
#include <string>
#include <vector>

#include "tools/procedit/catalogue_records.h"
#include "tools/procedit/field_dialog_model.h"
#include "tools/procedit/procedure_dialog_model.h"

namespace vantora::procedit {

struct FieldSpec {
  std::string name;
  int16_t direction = kDirectionInOut;
  bool startsParameter = true;
  int asType = 0;
  std::optional<int> digits;  // else 0, or the fixed digits of the type
  std::optional<int> decimals;
  std::optional<int> pcType;
  std::optional<int> length;
  std::optional<int> pcDecimals;
};

struct ProcedureSpec {
  std::string name;
  std::string description;
  std::string target;
  TargetKind kind = TargetKind::kProgram;
  std::vector<FieldSpec> fields;
};

// Parses the text form; false with `error` saying what is wrong.
bool ParseProcedureJson(const std::string& text, ProcedureSpec* spec, std::string* error);

// The text form of a stored procedure (header and rows as read).
std::string ProcedureToJson(const ProcHeaderRecord& header,
                            const std::vector<ProcFieldRecord>& rows);

// Fills a field dialog as a user would: name, usage, check box, host type,
// digits, decimals, then the PC type, length and decimals when given.
// Answers the dialog's Ok().
bool FillFieldDialog(const FieldSpec& spec, FieldDialogModel& field);

// Fills a procedure dialog from `spec`: the boxes, the kind, then each field
// added at the end through the field dialog (the dialog's runner must call
// FillFieldDialog with the field being added: `pending` is set to it).
// False when a field was refused (the dialog's message says why).
bool FillProcedureDialog(const ProcedureSpec& spec, ProcedureDialogModel& procedure,
                         const FieldSpec** pending);

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_PROCEDURE_JSON_H_
