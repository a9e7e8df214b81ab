// Numeric texts: reading a Decimal or a floating-point number from the text
// of a field, and writing a Decimal as text in the forms the field converter
// uses. Texts are in the PC code page; a text ends at its first zero byte or
// at the end of its field. Readers of AS/400 text take the EBCDIC -> PC table
// and translate as they read.
#ifndef VANTORA_CONVERSION_DECIMAL_TEXT_H_
#define VANTORA_CONVERSION_DECIMAL_TEXT_H_

#include <cstdint>

#include "conversion/decimal.h"
#include "conversion/field_status.h"

namespace vantora::conversion {

// Decimal text parse, for a text going into a packed or zoned field:
//   [blanks] [+|-] [zeros and blanks] [digits] [. digits] [blanks]
// The whole text must match: any other character gives kInvalidValue (it
// would otherwise become a digit above 9). No digits give 0. Decimals beyond
// kMaxDecimals are dropped; more than kMaxDigits integer digits give
// kOverflow. Examples: "123.45", " -123.45", " +12.3", "-0 7.5 " (= -7.5).
FieldStatus ParseDecimalText(const uint8_t* text, int length, Decimal* out);

// The text's leading decimal number, read as strtol reads an integer and
// extended by a fraction: white space, a sign, digits, then "." and digits;
// reading stops at the first other character, and no digits give 0.
// "  -12.5kg" gives -12.5. `translate` is the EBCDIC -> PC table for AS/400
// text, nullptr for PC text. kOverflow beyond kMaxDigits integer digits.
FieldStatus ParseLeadingDecimal(const uint8_t* text, int length, const uint8_t* translate,
                                Decimal* out);

// The text's leading floating-point number as strtod reads it in the C
// locale (white space, sign, digits, point, exponent, "inf", "nan"),
// correctly rounded to the target type; no number gives 0. A value beyond the
// type's range gives kOverflow, one below its smallest magnitude 0. AS/400
// texts are read up to kMaxNumberText characters after their white space: a
// number that runs on beyond them gives kInvalidValue.
inline constexpr int kMaxNumberText = 400;
FieldStatus ParseLeadingDouble(const uint8_t* text, int length, const uint8_t* translate,
                               double* out);
FieldStatus ParseLeadingFloat(const uint8_t* text, int length, const uint8_t* translate,
                              float* out);

// Right-justified numeric text of exactly `width` characters with `decimals`
// decimals: the integer digits right-aligned before the point and zero-filled
// on the left, "." and exactly `decimals` decimals (the value's decimals cut
// or extended with zeros; no point when `decimals` is 0), "-" in place of the
// leftmost fill zero for a negative value. A value that is 0 at `decimals`
// decimals is written without "-". 12345 with 2 decimals, width 10: with 2
// decimals "0000123.45", 3 decimals "000123.450", 0 decimals "0000000123".
// kOverflow, with `out` untouched, when the digits and point need more than
// `width` characters, or all of them when the value is negative (there is
// then no room for the sign).
FieldStatus FormatRightJustified(const Decimal& value, int decimals, uint8_t* out, int width);

// Left-justified numeric text: "-" for a negative value (not for one that is
// 0 at `decimals` decimals), the integer digits without leading zeros ("0"
// when there are none), then "." and exactly `decimals` decimals (cut or
// zero-extended; no point when `decimals` is 0), as printf's "%.*f" writes a
// number. Returns the length, or -1 with `out` untouched when more than
// `capacity` characters are needed.
int FormatLeftJustified(const Decimal& value, int decimals, uint8_t* out, int capacity);

// Decimal text: the sign ("+" or "-"), then the digits as held, with "."
// inserted `scale` digits from the right; when the scale is at least the
// number of digits the text starts with "." and zeros make up the missing
// positions; a negative scale appends that many zeros. 12 34 5C with 2
// decimals gives "+123.45", 00 00 1C with 4 decimals "+0.0001". Returns the
// length, or -1 when more than `capacity` characters are needed.
int FormatDecimalText(const Decimal& value, char* out, int capacity);

}  // namespace vantora::conversion

#endif  // VANTORA_CONVERSION_DECIMAL_TEXT_H_
