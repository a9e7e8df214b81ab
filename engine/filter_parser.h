// Filter expressions as people write them, made into the engine's
// expression tree (the layout of idapi.h) that drivers translate.
//
//   filter     := or
//   or         := and { OR and }
//   and        := not { AND not }
//   not        := NOT not | predicate
//   predicate  := ISBLANK ( sum ) | NOTBLANK ( sum )
//               | sum ( = | <> | != | < | > | <= | >= ) sum
//               | sum LIKE string            (% any text, _ one character)
//   sum        := term { ( + | - ) term }
//   term       := unary { ( * | / ) unary }
//   unary      := - unary | primary
//   primary    := number | string | DATE string | TIME string | TIMESTAMP string
//               | field | ( sum ) | ( or )
//
// Keywords and field names are read without case; strings are quoted with
// ' (written twice inside for itself). A string compared with a date, time
// or timestamp field is read as a value of that type ("OPENED >= '2020-01-01'").
// Numbers within 32 bits are integers, others floats.
#ifndef VANTORA_ENGINE_FILTER_PARSER_H_
#define VANTORA_ENGINE_FILTER_PARSER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantora::engine {

struct FilterField {
  std::string name;
  uint16_t number = 0;
  uint16_t type = 0;  // IDAPI_TYPE_*
};

struct ParsedFilter {
  bool ok = false;
  std::vector<uint8_t> expression;  // the tree, when ok
  std::string error;                // what is wrong, when not
  size_t position = 0;              // 1-based character of the error
};

// Limits that keep hostile texts from exhausting the stack or the 16-bit
// offsets of the tree.
constexpr size_t kMaxFilterText = 16384;
constexpr int kMaxFilterDepth = 100;
// A long chain (A + B + C ...) nests the tree without parentheses: its
// depth is bounded too, within what a driver translates.
constexpr int kMaxFilterHeight = 150;

ParsedFilter ParseFilter(std::string_view text, const std::vector<FilterField>& fields);

}  // namespace vantora::engine

#endif  // VANTORA_ENGINE_FILTER_PARSER_H_
