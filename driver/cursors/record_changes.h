// Changes through a record cursor: inserting, modifying and deleting the
// current record, releasing its lock, the record count, and block reads and
// writes of many records at once.
#ifndef VANTORA_DRIVER_CURSORS_RECORD_CHANGES_H_
#define VANTORA_DRIVER_CURSORS_RECORD_CHANGES_H_

#include <cstdint>

#include "driver/frame/record_cursor.h"

namespace vantora::driver {

// Cursor slots 7/81, 9 and 8.
uint16_t InsertRecord(RecordCursor* cursor, uint8_t* record);
uint16_t ModifyRecord(RecordCursor* cursor, uint8_t* record);
uint16_t DeleteRecord(RecordCursor* cursor);
// Cursor slot 53.
uint16_t ReleaseLock(RecordCursor* cursor);
// Cursor slot 26 (file cursors); with a range set: IDAPI_ERR_NOT_SUPPORTED.
uint16_t RecordCount(RecordCursor* cursor, int32_t* count);

// Cursor slots 39 and 40 (file cursors). The engine's records of a block
// hold logical values (as get field gives them) at the fields' offsets, with
// the null indicators, status bytes and record number of the record buffer;
// `count` is lowered to what 32000 bytes of records hold and answered as the
// number transferred.
uint16_t ReadBlock(RecordCursor* cursor, int32_t* count, uint8_t* records);
uint16_t WriteBlock(RecordCursor* cursor, int32_t* count, uint8_t* records);

// The most records a block holds.
int32_t BlockLimit(const RecordCursor& cursor);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_RECORD_CHANGES_H_
