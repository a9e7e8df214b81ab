// Comparing two keys of a cursor's active access path, field by field, by
// the fields' engine types.
#ifndef VANTORA_DRIVER_CURSORS_KEY_COMPARE_H_
#define VANTORA_DRIVER_CURSORS_KEY_COMPARE_H_

#include <cstdint>

#include "driver/frame/record_cursor.h"

namespace vantora::driver {

// -1, 0 or 1 as `a` is before, equal to or after `b` over the first
// `length` bytes (whole fields, and the leading bytes of a text field).
int CompareKeys(RecordCursor& cursor, const uint8_t* a, const uint8_t* b, int32_t length);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_KEY_COMPARE_H_
