// What converting one field came to. Shared by the field converter and the
// decimal routines it is built from.
#ifndef VANTORA_CONVERSION_FIELD_STATUS_H_
#define VANTORA_CONVERSION_FIELD_STATUS_H_

#include <cstdint>

namespace vantora::conversion {

enum class FieldStatus : int8_t {
  // The target field holds the converted value.
  kConverted = 0,
  // Nothing to do: the pair of types has no operation in this direction, or
  // the PC width left by the record is too small for a PC type of fixed size.
  // The target is left as it was (an AS/400 "CHAR" target is blanked).
  kNotConverted = 1,
  // Failures. The target field is left as it was.
  // The value does not fit the target: more integer digits than a packed,
  // zoned or text field holds, or beyond the range of a binary or
  // floating-point field.
  kOverflow = -1,
  // The source holds no valid value: a packed or zoned digit above 9, a text
  // that is not a number where one is required, NaN or an infinity where a
  // decimal or integer is required.
  kInvalidValue = -2,
  // The description cannot be converted: an unknown type code, a length that
  // does not suit its type, or decimals outside 0..63.
  kBadDescription = -3,
};

inline bool IsFailure(FieldStatus status) {
  return static_cast<int>(status) < 0;
}

}  // namespace vantora::conversion

#endif  // VANTORA_CONVERSION_FIELD_STATUS_H_
