// The codes that Internal_Error() answers after a call of the client library
// refused a record because one of its fields could not be converted. The call
// itself answers -30 (internal error). The codes are those of the 9100 range,
// set aside for client-side record conversion.
#ifndef VANTORA_CONVERSION_CONVERSION_ERRORS_H_
#define VANTORA_CONVERSION_CONVERSION_ERRORS_H_

#include <cstdint>

#include "conversion/field_status.h"

namespace vantora::conversion {

// A value has more integer digits than its packed, zoned or text field holds,
// or lies beyond the range of its binary or floating-point field.
inline constexpr int32_t kInternalErrorFieldOverflow = 9101;
// A field holds no valid value (bad packed or zoned digits, a text that is
// not a number, NaN or infinity where a number with digits is needed).
inline constexpr int32_t kInternalErrorFieldInvalid = 9102;
// A field description names an unknown type, a length unfit for its type or
// decimals outside 0..63.
inline constexpr int32_t kInternalErrorFieldDescription = 9103;

// The Internal_Error() code for a failed field conversion; 0 when `status` is
// not a failure.
constexpr int32_t InternalErrorCode(FieldStatus status) {
  switch (status) {
    case FieldStatus::kOverflow:
      return kInternalErrorFieldOverflow;
    case FieldStatus::kInvalidValue:
      return kInternalErrorFieldInvalid;
    case FieldStatus::kBadDescription:
      return kInternalErrorFieldDescription;
    case FieldStatus::kConverted:
    case FieldStatus::kNotConverted:
      break;
  }
  return 0;
}

}  // namespace vantora::conversion

#endif  // VANTORA_CONVERSION_CONVERSION_ERRORS_H_
