// Single field values between the engine record buffer, where each field
// has its PC form (text for dates, times and timestamps, in the field's
// format), and the engine's logical values.
//
// Logical values by engine type: strings NUL-terminated (trailing blanks of
// a fixed field cut), dates int32 day numbers, times int32 milliseconds,
// timestamps doubles, floats doubles (also for 4-byte float fields), the
// other types their bytes as the record holds them.
#ifndef VANTORA_DRIVER_CURSORS_FIELD_VALUES_H_
#define VANTORA_DRIVER_CURSORS_FIELD_VALUES_H_

#include <cstdint>

#include "driver/frame/record_cursor.h"

namespace vantora::driver {

// Cursor slot 28: the value of field `number` (from 1). `isBlank` (may be
// null) is 1 for a null field. IDAPI_ERR_UNKNOWN_TYPE for a field number out
// of range, IDAPI_ERR_BAD_DATA for a text that is not a value of its type.
uint16_t GetField(RecordCursor* cursor, uint16_t number, const uint8_t* record, void* value,
                  int16_t* isBlank);
// Cursor slot 29: sets field `number`; a null `value` sets it blank (null
// when it is null-capable). IDAPI_ERR_VALUE_OVERFLOW for a value its text
// form cannot hold.
uint16_t PutField(RecordCursor* cursor, uint16_t number, uint8_t* record, const void* value);

// The same conversions without touching the cursor's usage map or reading
// anything (block transfers).
uint16_t ReadValue(const RecordCursor& cursor, int index, const uint8_t* record, void* value);
uint16_t WriteValue(const RecordCursor& cursor, int index, uint8_t* record, const void* value);

// Cursor slot 6: every field blank (strings blanks, dates and times the
// texts of 0, numbers 0), every status byte 1.
void InitRecord(const RecordCursor& cursor, uint8_t* record);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_FIELD_VALUES_H_
