// An engine value (its type and bytes) written as a constant of a selection
// or an SQL statement: strings, dates, times and timestamps quoted, numbers
// plain (integers in decimal, floats with 16 significant digits).
#ifndef VANTORA_DRIVER_CURSORS_CONSTANT_TEXT_H_
#define VANTORA_DRIVER_CURSORS_CONSTANT_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantora::driver {

struct ConstantStyle {
  char quote = '"';
  bool doubleBothQuotes = true;  // also the other quote character, for selections
  char timeSeparator = '.';
};

// The selection style ("...", ' and " doubled) and the SQL style ('...').
inline constexpr ConstantStyle kSelectionStyle{'"', true, '.'};
inline constexpr ConstantStyle kSqlStyle{'\'', false, '.'};

// Appends the constant of `type` held in `size` bytes at `value` to `out`;
// false (with `problem` set, `out` unchanged) for a type without a text, a
// value too short for its type, or a value that is no date, time or number.
// Strings end at their first NUL or after `size` bytes.
bool AppendConstant(uint16_t type, const uint8_t* value, size_t size, const ConstantStyle& style,
                    std::string* out, std::string* problem);

// Sixteen significant digits: fixed notation from 0.1 up to 10^16, else an
// exponent; trailing zeros of the fraction removed.
std::string FloatText(double v);

// `text` between `quote`s, each `quote` inside written twice.
std::string Quoted(const std::string& text, char quote);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_CONSTANT_TEXT_H_
