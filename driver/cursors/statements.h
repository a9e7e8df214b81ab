// SQL statements of a database: allocated, optionally marked as wanting a
// changeable result, prepared with the application's text (adapted to the
// AS/400), given parameters, and executed any number of times. A SELECT is
// declared as a server-side SQL cursor when prepared; executing it opens the
// cursor and hands out a query cursor (a record cursor over its rows). Any
// other statement runs at once.
#ifndef VANTORA_DRIVER_CURSORS_STATEMENTS_H_
#define VANTORA_DRIVER_CURSORS_STATEMENTS_H_

#include <cstdint>
#include <string>

#include "driver/frame/handles.h"
#include "idapi.h"

namespace vantora::driver {

constexpr uint32_t kStatementChangeable = 0x4;  // option bit: a changeable result

// A statement (its own handle kind, so that it is never taken for a record
// cursor): the database's library, the SQL statement number of a declared
// SELECT (-1 = none), the text in use and the prepared text kept for
// parameter markers.
class StatementHandle : public DriverHandle {
 public:
  StatementHandle() : DriverHandle(HandleKind::kStatement) {}
  static bool IsKind(HandleKind k) { return k == HandleKind::kStatement; }

  int32_t sqlNumber = -1;
  uint32_t options = 0;
  std::string text;
  std::string prepared;
  int32_t rowsChanged = 0;  // by the last execution of a statement that is no SELECT
  bool sqlNaming = false;   // the database's NAMING "sql"
};

// Cursor slot 105 on a statement: IDAPI_PROP_ROWS_CHANGED; false when
// `statement` is no SQL statement.
bool StatementProperty(void* statement, uint32_t property, char* out, uint16_t* length,
                       uint16_t* status);

// Database slot 37.
uint16_t AllocateStatement(void* engineDatabase, void** outStatement);
// Cursor slot 104: IDAPI_PROP_CHANGEABLE 1 or 0; other properties change nothing.
uint16_t SetStatementProperty(void* statement, uint32_t property, uint32_t value);
// Database slot 28: IDAPI_OK, IDAPI_ERR_INVALID_ARGUMENT for an empty text, or
// the declare's SQL error (executing then answers 1).
uint16_t PrepareStatement(void* engineDatabase, void* statement, const char* text);
// Cursor slot 108: the parameter descriptors, kept for the whole driver.
uint16_t SetParameterDescriptors(void* statement, uint16_t count, const void* descriptors,
                                 void* record);
// Cursor slot 103: `count` engine field descriptors and the record holding
// the values. A SELECT binds them to its markers on the host; any other
// statement gets them written into its text.
uint16_t SetParameters(void* statement, uint16_t count, const void* descriptors, void* record);
// Cursor slot 102: a SELECT answers its query cursor, another statement runs
// (`outCursor` then receives null); 1 for a SELECT that was never declared.
uint16_t ExecuteStatement(void* statement, void** outCursor);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_STATEMENTS_H_
