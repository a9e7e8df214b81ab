// The parser of record selections in the QRYSLT language of OPNQRYF. No I/O.
//
//   selection  := or
//   or         := and { ("*OR" | "|") and }
//   and        := not { ("*AND" | "&") not }
//   not        := ("*NOT" | "¬") not | comparison
//   comparison := sum [ relation right ]
//   relation   := *EQ *NE *GT *LT *GE *LE *NG *NL = <> > < >= <= ¬= ¬> ¬<
//                 *CT CONT LIKE
//   right      := %WLDCRD(pattern [wildcards]) | %RANGE(low high)
//               | %VALUES(value ...) | sum
//   sum        := product { ("+" | "-") product }
//   product    := unary { ("*" | "/" | "MOD" | "REM") unary }
//   unary      := ("-" | "+") unary | primary
//   primary    := "(" or ")" | field | number | constant
//               | ("ISBLANK" | "NOTBLANK") "(" or ")"
// Keywords and field names are case-insensitive. Constants are delimited by
// ' or "; the delimiter written twice stands for one, and inside "..." two
// apostrophes stand for one (the database driver doubles every apostrophe
// of its constants). "¬" is the byte 0xAC or its UTF-8 form. %WLDCRD,
// %RANGE and %VALUES go with *EQ (or *NE, which negates them).
//
// Limits: kMaxSelectionLength bytes, kMaxSelectionDepth levels of nesting
// (each link of an arithmetic chain counts as one), kMaxSelectionNodes nodes.
#ifndef VANTORA_HOST_CL_SELECTION_PARSER_H_
#define VANTORA_HOST_CL_SELECTION_PARSER_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "host/cl/selection_expression.h"

namespace vantora::host::cl {

inline constexpr size_t kMaxSelectionLength = 65536;
inline constexpr int kMaxSelectionDepth = 256;
inline constexpr size_t kMaxSelectionNodes = 20000;

struct SelectionError {
  std::string messageId;  // CPD3104 syntax, CPD3109 operator not valid in a selection
  std::string detail;
  size_t offset = 0;
};

// Parses `text` into `out`. False with `error` filled when it does not parse.
bool ParseSelection(std::string_view text, SelectionNode* out, SelectionError* error);

}  // namespace vantora::host::cl

#endif  // VANTORA_HOST_CL_SELECTION_PARSER_H_
