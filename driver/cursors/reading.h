// Reading and positioning a record cursor: the common reading routine with
// its read-ahead cache, the moves of the engine (next, prior, current,
// relative, begin, end, bookmarks, keys, ranges), the reduced record format
// and the re-read of a full record.
//
// The cursor's pending read operation is its state: each read performs it
// and leaves its follower (next after first, last, a key read or a read by
// number; next and prior keep themselves).
#ifndef VANTORA_DRIVER_CURSORS_READING_H_
#define VANTORA_DRIVER_CURSORS_READING_H_

#include <cstdint>

#include "driver/frame/record_cursor.h"

namespace vantora::driver {

// The pending operation's read into `record` (may be null: position only).
uint16_t GetRecord(RecordCursor* cursor, uint16_t lock, uint8_t* record);

// Cursor slots 2, 3, 4 and 5.
uint16_t NextRecord(RecordCursor* cursor, uint16_t lock, uint8_t* record);
uint16_t PriorRecord(RecordCursor* cursor, uint16_t lock, uint8_t* record);
uint16_t CurrentRecord(RecordCursor* cursor, uint16_t lock, uint8_t* record);
uint16_t RelativeRecord(RecordCursor* cursor, int32_t offset, uint16_t lock, uint8_t* record,
                        int32_t* moved);

// Cursor slots 10-15.
uint16_t SetToBegin(RecordCursor* cursor);
uint16_t SetToEnd(RecordCursor* cursor);
uint16_t SetToBookmark(RecordCursor* cursor, int32_t bookmark);
uint16_t SetPosition(RecordCursor* cursor, int32_t position);
int CompareBookmarks(int32_t first, int32_t second);

// Cursor slots 21/83: `condition` IDAPI_KEY_EQ, _GT or _GE; the key is given
// directly (`direct`) or taken from a record; `fieldCount` key fields are
// used (0 = all) and `partialLength` bytes of the next one. The record found
// is read into `outRecord` (may be null).
uint16_t SetToKey(RecordCursor* cursor, uint16_t condition, uint16_t direct, uint16_t fieldCount,
                  uint16_t partialLength, const uint8_t* keyOrRecord, uint8_t* outRecord);
// Cursor slot 23; both bounds absent clears the range.
uint16_t SetRange(RecordCursor* cursor, uint16_t direct, uint16_t fieldCount,
                  uint16_t partialLength, const uint8_t* lowKey, uint16_t lowInclusive,
                  const uint8_t* highKey, uint16_t highInclusive);
// Cursor slot 22: the key of the active access path from `record`, into
// `key` (the full key length); 0x3001 when a key field is blank.
uint16_t ExtractKey(RecordCursor* cursor, uint8_t* record, uint8_t* key);

// Reads the record the buffer holds again in the full format (after a
// reduced read left fields out); nothing when it holds no record.
uint16_t ReReadFullRecord(RecordCursor* cursor, uint8_t* record);
// Switches the file back to its full record format and forgets the reduced one.
void RestoreFullFormat(RecordCursor* cursor);

// Whether every field of the buffer is present.
bool AllFieldsPresent(const RecordCursor& cursor, const uint8_t* record);
// Completes a record read from the file: null indicators, status bytes,
// the reduced record spread out, the relative record number.
void CompleteRecord(RecordCursor* cursor, uint8_t* record, int32_t number);

// Query cursors: brings the host's SQL cursor onto `row` (position only);
// the rows found (1), 0 for none, or a negative failure.
int32_t ReadQueryRow(RecordCursor* cursor, int32_t row);

// The cache's capacity: Buffers/Records, lowered to 32000 bytes of records
// and kept within 1-4095.
int32_t CacheCapacity(const RecordCursor& cursor);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_READING_H_
