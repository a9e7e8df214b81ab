// The decimal number that the field converter carries between field forms:
// packed and zoned fields, numeric texts, integers and floating point all
// meet in it. Fixed size, no allocation.
//
// Rounding: a binary floating-point value becomes a Decimal as a correctly
// rounding fixed-point formatter prints it (round half to even on the exact
// binary value, so 2.675, held as 2.67499999..., gives 2.67 with 2 decimals).
// A Decimal becomes floating point correctly rounded. Everything else that
// drops decimals truncates toward zero.
#ifndef VANTORA_CONVERSION_DECIMAL_H_
#define VANTORA_CONVERSION_DECIMAL_H_

#include <cstdint>

#include "conversion/field_status.h"

namespace vantora::conversion {

// The most digits any packed or zoned field holds, and the most decimals a
// field description may declare.
inline constexpr int kMaxDigits = 63;
inline constexpr int kMaxDecimals = 63;

// value = (negative ? -1 : 1) * digits * 10^-scale
struct Decimal {
  bool negative = false;
  int scale = 0;               // digits after the point; above `count` when leading zeros
                               // follow the point, negative when zeros follow the digits
  int count = 0;               // digits in use (leading zeros allowed)
  uint8_t digits[kMaxDigits];  // values 0-9, most significant first
};

// `value` * 10^-scale. REQUIRES: 0 <= scale <= kMaxDecimals.
void DecimalFromInteger(int64_t value, int scale, Decimal* out);

// `value` rounded to `scale` decimals (see Rounding above).
// kInvalidValue for NaN and infinities; kOverflow when the rounded value
// needs more than kMaxDigits digits. REQUIRES: 0 <= scale <= kMaxDecimals.
FieldStatus DecimalFromDouble(double value, int scale, Decimal* out);

// True when every digit is 0.
bool IsZero(const Decimal& value);

// The number of digits before the point, leading zeros not counted.
int IntegerDigits(const Decimal& value);

// Places the value's digits into the `fieldDigits` digit positions of a field
// with `fieldScale` decimals (out[0] most significant): decimals the field
// lacks are dropped, positions the value lacks are 0. Returns false, with
// `out` undefined, when a non-zero digit falls left of the field.
bool AlignDigits(const Decimal& value, int fieldDigits, int fieldScale, uint8_t* out);

// value * 10^scale truncated toward zero, into `out` when within [min, max];
// kOverflow otherwise.
FieldStatus DecimalToInteger(const Decimal& value, int scale, int64_t min, int64_t max,
                             int64_t* out);

// The value correctly rounded to double (never fails: 63 digits stay far
// inside its range) or to float (kOverflow beyond its range; values below
// its smallest magnitude round to 0).
double DecimalToDouble(const Decimal& value);
FieldStatus DecimalToFloat(const Decimal& value, float* out);

}  // namespace vantora::conversion

#endif  // VANTORA_CONVERSION_DECIMAL_H_
