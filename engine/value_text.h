// Logical values of the engine's field types as text, both ways:
//   strings as they are; integers and floats in decimal (floats with up to
//   15 significant digits); booleans 0 or 1 (also "true"/"false" when read);
//   dates YYYY-MM-DD; times hh:mm:ss, with .mmm when the milliseconds are
//   not 0 (read also hh:mm and hh.mm.ss); timestamps the date, a blank and
//   the time (read also with "T" or "-" between them); packed numbers, bytes
//   and raw fields as hexadecimal digits.
#ifndef VANTORA_ENGINE_VALUE_TEXT_H_
#define VANTORA_ENGINE_VALUE_TEXT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "idapi.h"

namespace vantora::engine {

// The text of the value of type `type` and length `length` at `value`.
std::string ValueToText(uint16_t type, uint16_t length, const uint8_t* value);

// The value of `text` for a field of type `type` and length `length`; false
// when the text is no value of the type (or out of its range).
bool TextToValue(uint16_t type, uint16_t length, const std::string& text,
                 std::vector<uint8_t>* value);

// Bytes a logical value of the type takes (strings: length + 1).
inline size_t ValueSize(uint16_t type, uint16_t length) {
  switch (type) {
    case IDAPI_TYPE_STRING:
      return static_cast<size_t>(length) + 1;
    case IDAPI_TYPE_DATE:
    case IDAPI_TYPE_TIME:
      return 4;
    case IDAPI_TYPE_TIMESTAMP:
    case IDAPI_TYPE_FLOAT:
      return 8;
    default:
      return length;
  }
}

}  // namespace vantora::engine

#endif  // VANTORA_ENGINE_VALUE_TEXT_H_
