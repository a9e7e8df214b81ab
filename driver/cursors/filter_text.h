// A filter expression of the engine (the layout of idapi.h: a header, a node
// area, a literal area) as the selection text of an open query file:
//
//   unary     " OP (operand)"             " ISBLANK (NAME)"
//   binary    "(left OP right)"           "(CUSTNO *EQ 100)"
//   field     its name
//   constant  strings "..." (each ' and " written twice), dates "YYYY-MM-DD",
//             times "hh.mm.ss", timestamps "YYYY-MM-DD-hh.mm.ss.nnnnnn",
//             integers in decimal, floats with 16 significant digits
//
// Operators: ISBLANK NOTBLANK *EQ *NE > < >= <= *NOT *AND *OR, "-" for a
// negation, + - * / MOD REM SUM COUNT MIN MAX AVG CONT LIKE. A node the
// translation cannot write (a comparison node, an unknown class or operator,
// a constant of a type without a text, an offset outside the expression)
// fails the whole filter: no selection is ever shortened.
#ifndef VANTORA_DRIVER_CURSORS_FILTER_TEXT_H_
#define VANTORA_DRIVER_CURSORS_FILTER_TEXT_H_

#include <cstddef>
#include <string>

namespace vantora::driver {

constexpr size_t kFilterTextLimit = 32767;

struct FilterText {
  bool ok = false;
  std::string text;
  std::string problem;  // why it failed
};

// `expression` holds `size` bytes (0: the size its header gives).
FilterText TranslateFilter(const void* expression, size_t size);

// `text` with every apostrophe written twice (inside QRYSLT('...')).
std::string DoubleApostrophes(const std::string& text);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_FILTER_TEXT_H_
