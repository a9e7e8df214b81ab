// How a host field becomes an engine field: its logical type, subtype,
// units and length in the engine record buffer.
//
// The client library's PC types: 0 text, 1 16-bit integer, 2 32-bit
// integer, 3 4-byte float, 4 8-byte float, 5 bytes. Numbers the host
// delivers as text (packed, zoned) are strings as wide as that text, their
// subtype IDAPI_SUBTYPE_DECIMAL_TEXT with the digits and decimals; dates,
// times and timestamps travel as text and are the engine's date (4), time
// (4) and timestamp (8) types, converted by get and put field.
#ifndef VANTORA_DRIVER_FRAME_TYPE_MAPPING_H_
#define VANTORA_DRIVER_FRAME_TYPE_MAPPING_H_

#include <cstdint>

namespace vantora::driver {

// AS/400 type codes of the host's descriptions.
enum AsType : int16_t {
  kAsChar = 0,
  kAsBin2 = 1,
  kAsBin4 = 2,
  kAsPacked = 3,
  kAsZoned = 4,
  kAsDate = 5,
  kAsTime = 6,
  kAsFloat = 7,
  kAsDouble = 8,
  kAsTimestamp = 9,
};

struct EngineType {
  uint16_t type = 0;
  uint16_t subtype = 0;
  uint16_t units1 = 0;
  uint16_t units2 = 0;
  uint16_t length = 0;
};

// `flags`: bit 1 variable-length text, high byte the field's digits.
EngineType MapType(int16_t pcType, int16_t pcLength, int16_t pcDecimals, int16_t asType,
                   int16_t asDecimals, uint16_t flags);

// The bytes a field takes in a key: its engine length, except that dates,
// times and timestamps take their text's length and a float given length 0
// takes 8.
int32_t KeyBytes(uint16_t engineType, uint16_t engineLength, int16_t asLength);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_TYPE_MAPPING_H_
