#include "driver/frame/type_mapping.h"

#include "idapi.h"

namespace vantora::driver {

EngineType MapType(int16_t pcType, int16_t pcLength, int16_t pcDecimals, int16_t asType,
                   int16_t asDecimals, uint16_t flags) {
  const int digits = flags >> 8;
  EngineType t;
  t.units1 = static_cast<uint16_t>(digits != 0 ? digits - asDecimals : pcLength);
  t.units2 = static_cast<uint16_t>(pcDecimals);
  t.length = static_cast<uint16_t>(pcLength);
  switch (pcType) {
    case 0:
      switch (asType) {
        case kAsDate:
          t.type = IDAPI_TYPE_DATE;
          t.length = 4;
          break;
        case kAsTime:
          t.type = IDAPI_TYPE_TIME;
          t.length = 4;
          break;
        case kAsTimestamp:
          t.type = IDAPI_TYPE_TIMESTAMP;
          t.length = 8;
          break;
        default:
          t.type = IDAPI_TYPE_STRING;
          if (digits != 0) {
            // A number delivered as text (packed, zoned, or any numeric field
            // under a text conversion): a string as wide as the text.
            t.units1 = static_cast<uint16_t>(pcLength);
            t.units2 = 0;
            t.subtype = IDAPI_SUBTYPE_DECIMAL_TEXT(
                asType == kAsPacked ? IDAPI_SUBTYPE_PACKED_TEXT : IDAPI_SUBTYPE_ZONED_TEXT, digits,
                asDecimals < 0 ? 0 : asDecimals);
          } else if (asType == kAsPacked) {
            // Without the field's digits (the procedure catalogue's rows): room
            // for the digits, the point and the sign.
            t.units1 = static_cast<uint16_t>(pcLength + pcDecimals + 1);
            t.units2 = 0;
          } else if ((flags & 2) != 0) {
            t.units1 = static_cast<uint16_t>(pcLength - 2);
          }
          break;
      }
      break;
    case 1:
      t.type = IDAPI_TYPE_INT16;
      break;
    case 2:
      t.type = IDAPI_TYPE_INT32;
      break;
    case 3:
      // A 4-byte float: the engine's float, converted by get and put field.
      t.type = IDAPI_TYPE_FLOAT;
      t.length = 4;
      break;
    case 4:
      t.type = IDAPI_TYPE_FLOAT;
      t.length = 8;
      break;
    case 5:
      t.type = IDAPI_TYPE_RAW;
      break;
    default:
      t.type = IDAPI_TYPE_BYTES;
      break;
  }
  return t;
}

int32_t KeyBytes(uint16_t engineType, uint16_t engineLength, int16_t asLength) {
  switch (engineType) {
    case IDAPI_TYPE_DATE:
    case IDAPI_TYPE_TIME:
    case IDAPI_TYPE_TIMESTAMP:
      return asLength;
    case IDAPI_TYPE_FLOAT:
      return engineLength == 0 ? 8 : engineLength;
    default:
      return engineLength;
  }
}

}  // namespace vantora::driver
