// The parser of CL command texts: "LIB/NAME KWD(value ...) positional ...".
// It does no I/O and knows no command; binding to a command's definition is
// command_binding.h's work.
//
// Syntax accepted:
//   command    := [library "/"] name { parameter }
//   parameter  := keyword "(" elements ")"   keyword glued to its "("
//               | element                    positional
//   element    := word | quoted | "(" elements ")"
//   word       := characters up to a blank, "(", ")" or quote; folded to
//                 upper case ("mylib/orders", "*yes", "100")
//   quoted     := "'" ... "'" with "''" standing for one quote; kept as is
//   comments   := "/* ... */" anywhere between elements
// A positional parameter written in parentheses gives the elements inside
// them, so that "CLOF (VNX0012)" and "CLOF OPNID(VNX0012)" are the same.
//
// Limits against hostile input: kMaxCommandLength bytes, kMaxNesting levels
// of parentheses, kMaxElements elements in all.
#ifndef VANTORA_HOST_CL_CL_PARSER_H_
#define VANTORA_HOST_CL_CL_PARSER_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantora::host::cl {

inline constexpr size_t kMaxCommandLength = 65536;
inline constexpr int kMaxNesting = 16;
inline constexpr size_t kMaxElements = 4096;

struct ClElement {
  enum class Kind { kWord, kQuoted, kList };
  Kind kind = Kind::kWord;
  std::string text;              // kWord (upper case), kQuoted (unquoted content)
  std::vector<ClElement> items;  // kList

  bool IsWord(std::string_view w) const { return kind == Kind::kWord && text == w; }
};

struct ClParameter {
  std::string keyword;              // upper case; empty for a positional parameter
  std::vector<ClElement> elements;  // what stands between its parentheses
};

struct ClCommand {
  std::string library;  // empty when the name is not qualified
  std::string name;     // upper case
  std::vector<ClParameter> parameters;
};

// A syntax error: the message identifier a CL user sees, and where.
struct ClSyntaxError {
  std::string messageId;  // see docs/host-commands.md
  std::string detail;
  size_t offset = 0;
};

// Parses `text`. Answers false with `error` filled when it is not a command.
bool ParseClCommand(std::string_view text, ClCommand* out, ClSyntaxError* error);

}  // namespace vantora::host::cl

#endif  // VANTORA_HOST_CL_CL_PARSER_H_
