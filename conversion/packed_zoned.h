// Packed and zoned decimal fields, as the AS/400 stores them and as the PC
// types "COMP3" and "COMP3S" hold packed values.
//
// Packed, L bytes, 2L-1 digits: two digits per byte, high half first; the
// low half of the last byte is the sign.
//     12 34 5C  = +12345        00 12 34 5D  = -12345
// Zoned, L bytes, L digits: one digit per byte in the low half; the high
// half of the last byte is the sign, the high halves of the other bytes (the
// zones) are not read.
//     F0 F1 D5  = -015          30 31 32 33 34 F5  = +012345
// A sign half of 0xD means negative, any other value positive. Stored values
// get 0xD when negative and otherwise the positive sign the caller names
// (0xF normally); a value that is zero where it is stored is positive.
#ifndef VANTORA_CONVERSION_PACKED_ZONED_H_
#define VANTORA_CONVERSION_PACKED_ZONED_H_

#include <cstdint>

#include "conversion/decimal.h"
#include "conversion/field_status.h"

namespace vantora::conversion {

inline constexpr int kMaxPackedLength = (kMaxDigits + 1) / 2;
inline constexpr int kMaxZonedLength = kMaxDigits;

inline constexpr uint8_t kSignPositive = 0xF;
inline constexpr uint8_t kSignPositiveC = 0xC;
inline constexpr uint8_t kSignNegative = 0xD;

// Zones written in front of the digits of a zoned field (the last byte takes
// its sign): 0xF0, the host's own, or 0x30, that of a zoned field built from
// a text (its digits are then the PC's digit characters).
inline constexpr uint8_t kZoneF = 0xF0;
inline constexpr uint8_t kZoneText = 0x30;

inline int PackedDigits(int length) {
  return 2 * length - 1;
}

// The sign half of a packed field.
inline uint8_t PackedSign(const uint8_t* field, int length) {
  return field[length - 1] & 0x0F;
}

// Reads a field of `length` bytes holding a value with `scale` decimals.
// All digits are kept, leading zeros included. kInvalidValue when a digit
// half is above 9. REQUIRES: 1 <= length <= kMaxPackedLength (kMaxZonedLength).
FieldStatus LoadPacked(const uint8_t* field, int length, int scale, Decimal* out);
FieldStatus LoadZoned(const uint8_t* field, int length, int scale, Decimal* out);

// Writes `value` into a field of `length` bytes with `scale` decimals:
// decimals the field lacks are dropped, missing ones are 0. kOverflow, with
// the field untouched, when the integer digits do not fit.
// `positiveSign` is the sign half of a value that is not negative;
// `negativeSign` that of a negative one (kSignNegative, or the same as
// `positiveSign` to write a sign unchanged whatever the value).
FieldStatus StorePacked(const Decimal& value, int scale, uint8_t positiveSign, uint8_t negativeSign,
                        uint8_t* field, int length);
FieldStatus StoreZoned(const Decimal& value, int scale, uint8_t zone, uint8_t* field, int length);

}  // namespace vantora::conversion

#endif  // VANTORA_CONVERSION_PACKED_ZONED_H_
