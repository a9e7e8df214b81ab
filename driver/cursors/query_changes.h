// Changes of query rows through generated SQL statements, and the record
// count of a query.
#ifndef VANTORA_DRIVER_CURSORS_QUERY_CHANGES_H_
#define VANTORA_DRIVER_CURSORS_QUERY_CHANGES_H_

#include <cstdint>

#include "driver/frame/record_cursor.h"

namespace vantora::driver {

uint16_t InsertQueryRow(RecordCursor* cursor, uint8_t* record);
uint16_t ModifyQueryRow(RecordCursor* cursor, uint8_t* record);
uint16_t DeleteQueryRow(RecordCursor* cursor);
uint16_t QueryRecordCount(RecordCursor* cursor, int32_t* count);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_QUERY_CHANGES_H_
