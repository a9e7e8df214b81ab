// The description of one field as the converter uses it: type, length and
// decimals on the PC side and on the AS/400 side.
#ifndef VANTORA_CONVERSION_FIELD_DESCRIPTION_H_
#define VANTORA_CONVERSION_FIELD_DESCRIPTION_H_

#include <cstdint>

#include "conversion/field_status.h"
#include "protocol/file_descriptions.h"

namespace vantora::conversion {

// Size of a field description entry as the host delivers it.
inline constexpr int kFieldDescriptionSize = wire::kDescFieldSize;

struct FieldDescription {
  int16_t pcType = 0;      // PcType code
  int16_t pcLength = 0;    // bytes of the PC form
  int16_t pcDecimals = 0;  // decimals of the PC value (INT, LONG, COMP, COMP3, texts)
  int16_t asType = 0;      // AsType code
  int16_t asLength = 0;    // bytes of the raw AS/400 form
  int16_t asDecimals = 0;  // decimals of the AS/400 value (PACK, ZONED)
};

// Reads the type, length and decimal values of a 22-byte field description
// entry (the name in bytes 0-9 is not needed for conversion).
FieldDescription ReadFieldDescription(const uint8_t* entry);

// kConverted when the converter accepts the description, kBadDescription
// when a type code is unknown, a length does not suit its type, or decimals
// lie outside 0..63. Lengths accepted:
//   PC: "INT" 2, "LONG" 4, "FLOAT" 4, "DOUBLE" 8, "COMP3"/"COMP3S" 1-32,
//       "COMP" 1-8, other types any length >= 0;
//   AS/400: "BIN2" 2, "BIN4" 4, "FLOAT" 4, "DOUBLE" 8, "PACK" 1-32,
//       "ZONED" 1-63, text types any length >= 0.
// The field converter checks every description it is given; the record layer
// may check them once when it takes them in.
FieldStatus CheckDescription(const FieldDescription& description);

}  // namespace vantora::conversion

#endif  // VANTORA_CONVERSION_FIELD_DESCRIPTION_H_
