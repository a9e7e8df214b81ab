// Opening an AS/400 physical or logical file as a record cursor: the open
// options, the file's description as engine field descriptors, the key
// areas of each access path, cloning a cursor and switching it to another
// index.
#ifndef VANTORA_DRIVER_FRAME_OPEN_TABLE_H_
#define VANTORA_DRIVER_FRAME_OPEN_TABLE_H_

#include <cstdint>
#include <string>

#include "driver/frame/record_cursor.h"

namespace vantora::driver {

constexpr uint32_t kOpenReadWrite = 5;  // read and update, with locks
constexpr uint32_t kOpenReadOnly = 1;
constexpr uint32_t kOpenExclusive = 0x00040000;
constexpr uint32_t kOpenOptimized = 0x10;
constexpr uint32_t kOpenNullMap = 0x00200000;
constexpr uint32_t kOpenMayChange = 0x4;

// Database slot 9 (and driver slot 6): opens `table` (qualified with the
// database's library when it has no slash) as a record cursor.
uint16_t OpenTable(void* engineDatabase, const char* table, const char* indexName,
                   const char* indexTag, uint16_t indexNumber, uint16_t openMode,
                   uint16_t shareMode, uint16_t modeWord, void** outCursor);

// Opens the file `table` for `cursor` with `options` and describes it; on
// failure nothing stays open.
uint16_t OpenFile(RecordCursor* cursor, const std::string& table, uint32_t options);

// Prepares the key block of access path `path` from its key description.
uint16_t PrepareKeys(RecordCursor* cursor, int32_t path);

// The engine field descriptors and sizes of `cursor` from the host's field
// descriptions of `handle` (used for files and for SQL results).
uint16_t DescribeFields(RecordCursor* cursor, int32_t handle, int32_t recordLength);

// Cursor slot 16.
uint16_t CloneCursor(RecordCursor* source, uint16_t keepWrite, IdapiCursorObject* engineCursor);

// Makes the index `indexName` (an index name, an "@FIELD@FIELD" list of key
// fields, or empty for the file's own path) the active access path,
// positioned on the current record when `position`. REQUIRES: no filter is
// active on the cursor (cursor slot 19 deactivates it around the switch).
uint16_t SwitchToIndex(RecordCursor* cursor, const std::string& indexName, uint16_t position);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_OPEN_TABLE_H_
