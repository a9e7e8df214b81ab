// Changes of query rows through generated SQL statements, and the record
// count of a query.
#ifndef VANTORA_DRIVER_CURSORS_QUERY_CHANGES_H_
#define VANTORA_DRIVER_CURSORS_QUERY_CHANGES_H_

#include <cstdint>
#include <string>

#include "driver/frame/record_cursor.h"

namespace vantora::driver {

enum class ChangeKind { kInsert, kUpdate };

// The literal of field `f` of `record` in a statement: texts, dates, times
// and timestamps quoted (their bytes as the record holds them, blanks kept),
// numbers plain. False, with `problem`, for a type without a literal.
bool AppendValueLiteral(const EngineField& f, const uint8_t* record, std::string* out,
                        std::string* problem);

// The INSERT or UPDATE of the fields of `record` marked modified, on the one
// table of the cursor's query:
//   UPDATE ORDERS SET QTY=5, NOTE='A''B'
//   INSERT INTO ORDERS ( ID, QTY )  VALUES ( 7, 5 )
// IDAPI_ERR_FAILED (with a message) for a query over several tables, a row
// without modified fields, or a field without a literal.
uint16_t BuildChange(const RecordCursor* cursor, const uint8_t* record, ChangeKind kind,
                     std::string* statement);

// Query rows are inserted by an INSERT, changed and deleted by an UPDATE or
// DELETE run on the host's cursor positioned on the current row.
uint16_t InsertQueryRow(RecordCursor* cursor, uint8_t* record);
uint16_t ModifyQueryRow(RecordCursor* cursor, uint8_t* record);
uint16_t DeleteQueryRow(RecordCursor* cursor);
// The rows of the query, by a SELECT COUNT(*) over its FROM clause; a
// grouping query answers the rows its result holds.
uint16_t QueryRecordCount(RecordCursor* cursor, int32_t* count);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_QUERY_CHANGES_H_
