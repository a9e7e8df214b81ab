// Definitions the engine asks for: adding and deleting an index (CREATE
// INDEX and DROP INDEX, then the index dictionary forgets the file so that
// its indexes are read afresh) and creating a table (DDS source lines
// written into LIBRARY/QDDSSRC(FILE), then CRTPF).
#ifndef VANTORA_DRIVER_CURSORS_DEFINITIONS_H_
#define VANTORA_DRIVER_CURSORS_DEFINITIONS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "driver/frame/record_cursor.h"
#include "idapi.h"

namespace vantora::driver {

// Cursor slot 65: IDAPI_INDEX_ADD with `indexDescriptor`, IDAPI_INDEX_DELETE
// by `indexName`. `cursor` may be null: `table` on `database` is opened for
// the time of the request. A primary index is refused with
// IDAPI_ERR_PRIMARY_INDEX before anything is sent; an index of the same
// name is dropped first, and forgotten by the dictionary when the new one
// cannot be created.
uint16_t MaintainIndex(void* cursor, void* database, uint16_t operation, const char* table,
                       const char* indexName, const void* indexDescriptor);

// The CREATE INDEX text of `index` over `fields`:
//   CREATE  UNIQUE  INDEX MYLIB/ORDX1 ON MYLIB/ORDERS (CUST ASC,DATE ASC)
std::string CreateIndexStatement(const std::string& index, const std::string& file, bool unique,
                                 bool descending, const std::vector<std::string>& fields);

// One field of a table to create (an engine field descriptor's part the
// DDS needs).
struct NewField {
  std::string name;
  uint16_t type = 0;
  uint16_t units1 = 0;
  uint16_t units2 = 0;
};

// The DDS source of a table: the first line (an asterisk, UNIQUE when
// `uniqueKey`), the record line (format R + file), a line per field and a
// key line per key field (indexes into `fields`). Each line 80 characters.
// False, with `problem`, for a field type without a DDS type or a name that
// cannot stand in DDS.
bool TableSource(const std::string& file, const std::vector<NewField>& fields,
                 const std::vector<uint16_t>& keyFields, bool uniqueKey,
                 std::vector<std::string>* lines, std::string* problem);

// Database slot 10.
uint16_t CreateTable(void* database, uint16_t overwrite, const IdapiTableDefinition* definition);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_DEFINITIONS_H_
