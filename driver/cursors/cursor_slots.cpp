// The slots of the cursor table that work on record and catalogue cursors.
#include "driver/cursors/cursor_slots.h"

#include <cstring>
#include <new>

#include "driver/cursors/descriptors.h"
#include "driver/cursors/field_values.h"
#include "driver/cursors/filters.h"
#include "driver/cursors/reading.h"
#include "driver/cursors/record_changes.h"
#include "driver/frame/catalogue_cursor.h"
#include "driver/frame/errors.h"
#include "driver/frame/open_table.h"
#include "driver/frame/slots.h"

namespace vantora::driver {
namespace {

template <typename Fn>
IdapiEntry E(Fn fn) {
  return reinterpret_cast<IdapiEntry>(fn);
}

RecordCursor* Record(void* engineCursor) {
  DriverHandle* h = CursorHandle(engineCursor);
  return h != nullptr && h->kind == HandleKind::kRecordCursor ? static_cast<RecordCursor*>(h)
                                                              : nullptr;
}

uint8_t* Bytes(void* p) {
  return static_cast<uint8_t*>(p);
}

uint16_t CurProperties(void* cursor, void* properties) {
  DriverHandle* h = CursorHandle(cursor);
  if (h == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  return CursorProperties(h, static_cast<IdapiCursorObject*>(cursor), properties);
}

uint16_t CurFieldDescriptors(void* cursor, void* descriptors) {
  DriverHandle* h = CursorHandle(cursor);
  return h == nullptr ? IDAPI_ERR_INVALID_ARGUMENT : FieldDescriptors(h, descriptors);
}

uint16_t CurNext(void* cursor, uint16_t lock, void* record, void*) {
  DriverHandle* h = CursorHandle(cursor);
  if (h == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  switch (h->kind) {
    case HandleKind::kRecordCursor:
      return NextRecord(static_cast<RecordCursor*>(h), lock, Bytes(record));
    default:
      if (CatalogueCursor::IsKind(h->kind)) return static_cast<CatalogueCursor*>(h)->Next(record);
      return IDAPI_ERR_EOF;
  }
}

uint16_t CurPrior(void* cursor, uint16_t lock, void* record, void*) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : PriorRecord(c, lock, Bytes(record));
}

uint16_t CurCurrent(void* cursor, uint16_t lock, void* record, void*) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : CurrentRecord(c, lock, Bytes(record));
}

uint16_t CurRelative(void* cursor, int32_t offset, uint16_t lock, void* record, int32_t* moved) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED
                      : RelativeRecord(c, offset, lock, Bytes(record), moved);
}

uint16_t CurInitRecord(void* cursor, void* record) {
  RecordCursor* c = Record(cursor);
  if (c == nullptr) return IDAPI_ERR_NOT_SUPPORTED;
  if (record == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  InitRecord(*c, Bytes(record));
  return IDAPI_OK;
}

uint16_t CurInsert(void* cursor, void* record) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : InsertRecord(c, Bytes(record));
}

uint16_t CurDelete(void* cursor) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : DeleteRecord(c);
}

uint16_t CurModify(void* cursor, void* record) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : ModifyRecord(c, Bytes(record));
}

uint16_t CurBegin(void* cursor) {
  DriverHandle* h = CursorHandle(cursor);
  if (h == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (h->kind != HandleKind::kRecordCursor) {
    h->state = kStateBeforeFirst;  // a catalogue starts over
    return IDAPI_OK;
  }
  return SetToBegin(static_cast<RecordCursor*>(h));
}

uint16_t CurEnd(void* cursor) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : SetToEnd(c);
}

uint16_t CurSetBookmark(void* cursor, const void* bookmark) {
  RecordCursor* c = Record(cursor);
  if (c == nullptr) return IDAPI_ERR_NOT_SUPPORTED;
  if (bookmark == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  return SetToBookmark(c, idapi_get_i32(bookmark, 0));
}

uint16_t CurGetBookmark(void* cursor, void* bookmark) {
  RecordCursor* c = Record(cursor);
  if (c == nullptr) return IDAPI_ERR_NOT_SUPPORTED;
  if (bookmark == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  idapi_put_u32(bookmark, 0, static_cast<uint32_t>(c->position));
  return IDAPI_OK;
}

uint16_t CurSetPosition(void* cursor, int32_t position) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : SetPosition(c, position);
}

uint16_t CurCompareBookmarks(void* cursor, const void* first, const void* second, int16_t* result) {
  if (Record(cursor) == nullptr) return IDAPI_ERR_NOT_SUPPORTED;
  if (first == nullptr || second == nullptr || result == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  *result =
      static_cast<int16_t>(CompareBookmarks(idapi_get_i32(first, 0), idapi_get_i32(second, 0)));
  return IDAPI_OK;
}

uint16_t CurClone(void* cursor, uint16_t keepWrite, void** outCursor) {
  RecordCursor* c = Record(cursor);
  if (c == nullptr) return IDAPI_ERR_NOT_SUPPORTED;
  auto* engine = static_cast<IdapiCursorObject*>(cursor);
  return OpenCursorObject(engine->database, outCursor,
                          [&](int32_t, IdapiCursorObject* clone) -> uint16_t {
                            return CloneCursor(c, keepWrite, clone);
                          });
}

uint16_t CurSwitchIndex(void* cursor, const char* indexName, const char*, uint16_t indexNumber,
                        uint16_t position, const void* block, void** outBlock) {
  RecordCursor* c = Record(cursor);
  if (c == nullptr) return IDAPI_ERR_NOT_SUPPORTED;
  std::string name = indexName != nullptr ? indexName : "";
  if (name.empty() && indexNumber > 0) {
    // An index by its engine number: its descriptor names it.
    uint8_t d[IDAPI_INDEX_DESC_SIZE];
    if (uint16_t s = IndexDescriptor(c, indexNumber, d); s != IDAPI_OK) return s;
    name.assign(reinterpret_cast<const char*>(d), idapi_text_length(d, 0, IDAPI_NAME_TEXT_SIZE));
    if (name == c->paths[0].name) name.clear();
  }
  // The active filter's query file is over the old path: it is closed for
  // the switch and opened again over the new one.
  const int32_t filter = c->linked;
  if (filter >= 0) {
    if (uint16_t s = DeactivateFilter(c, filter); s != IDAPI_OK) return s;
  }
  uint16_t s = SwitchToIndex(c, name, position);
  if (filter >= 0) {
    const uint16_t again = ActivateFilter(c, filter);
    if (s == IDAPI_OK) s = again;
  }
  if (s != IDAPI_OK) return s;
  if (outBlock != nullptr) {
    *outBlock = nullptr;
    if (block != nullptr) {
      auto* copy = new (std::nothrow) uint8_t[IDAPI_CURSOR_BLOCK_SIZE];
      if (copy == nullptr) return IDAPI_ERR_NO_MEMORY;
      std::memcpy(copy, block, IDAPI_CURSOR_BLOCK_SIZE);
      *outBlock = copy;
    }
  }
  return IDAPI_OK;
}

uint16_t CurReleaseBlock(void*, void* block) {
  delete[] static_cast<uint8_t*>(block);
  return IDAPI_OK;
}

uint16_t CurIndexDescriptor(void* cursor, uint16_t number, void* descriptor) {
  DriverHandle* h = CursorHandle(cursor);
  return h == nullptr ? IDAPI_ERR_NO_SUCH_INDEX : IndexDescriptor(h, number, descriptor);
}

uint16_t CurAllIndexDescriptors(void* cursor, void* descriptors) {
  DriverHandle* h = CursorHandle(cursor);
  return h == nullptr ? IDAPI_ERR_INVALID_ARGUMENT : AllIndexDescriptors(h, descriptors);
}

uint16_t CurSetToKey(void* cursor, uint16_t condition, uint16_t direct, uint16_t fieldCount,
                     uint16_t partial, const void* key, void* outRecord) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED
                      : SetToKey(c, condition, direct, fieldCount, partial,
                                 static_cast<const uint8_t*>(key), Bytes(outRecord));
}

uint16_t CurExtractKey(void* cursor, const void* record, void* key) {
  RecordCursor* c = Record(cursor);
  if (c == nullptr) return IDAPI_ERR_NOT_SUPPORTED;
  if (record == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  std::vector<uint8_t> copy(static_cast<const uint8_t*>(record),
                            static_cast<const uint8_t*>(record) + c->bufferSize);
  return ExtractKey(c, copy.data(), Bytes(key));
}

uint16_t CurSetRange(void* cursor, uint16_t direct, uint16_t fieldCount, uint16_t partial,
                     const void* low, uint16_t lowInclusive, const void* high,
                     uint16_t highInclusive) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED
                      : SetRange(c, direct, fieldCount, partial, static_cast<const uint8_t*>(low),
                                 lowInclusive, static_cast<const uint8_t*>(high), highInclusive);
}

uint16_t CurRecordCount(void* cursor, int32_t* count) {
  DriverHandle* h = CursorHandle(cursor);
  if (h == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (h->kind != HandleKind::kRecordCursor) {
    if (!CatalogueCursor::IsKind(h->kind) || count == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    const int32_t rows = static_cast<CatalogueCursor*>(h)->RowCount();
    if (rows < 0) return IDAPI_ERR_NOT_SUPPORTED;
    *count = rows;
    return IDAPI_OK;
  }
  return RecordCount(static_cast<RecordCursor*>(h), count);
}

uint16_t CurGetField(void* cursor, uint16_t field, const void* record, void* value,
                     int16_t* isBlank) {
  DriverHandle* h = CursorHandle(cursor);
  if (h == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (h->kind != HandleKind::kRecordCursor) {
    if (!CatalogueCursor::IsKind(h->kind)) return IDAPI_ERR_NOT_SUPPORTED;
    return static_cast<CatalogueCursor*>(h)->GetField(field, static_cast<const uint8_t*>(record),
                                                      value, isBlank);
  }
  return GetField(static_cast<RecordCursor*>(h), field, static_cast<const uint8_t*>(record), value,
                  isBlank);
}

uint16_t CurPutField(void* cursor, uint16_t field, void* record, const void* value) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : PutField(c, field, Bytes(record), value);
}

uint16_t CurReadBlock(void* cursor, int32_t* count, void* records) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : ReadBlock(c, count, Bytes(records));
}

uint16_t CurWriteBlock(void* cursor, int32_t* count, void* records) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : WriteBlock(c, count, Bytes(records));
}

uint16_t CurAddFilter(void* cursor, uint32_t, uint16_t, uint16_t, const void* expression, void*,
                      int32_t* outFilter) {
  RecordCursor* c = Record(cursor);
  if (c == nullptr) return IDAPI_ERR_NOT_SUPPORTED;
  if (expression == nullptr) {
    // A filter of a callback alone, without a tree, cannot run on the host.
    PostMessage(IDAPI_ERR_NOT_SUPPORTED, "A filter needs an expression the host can select with");
    return IDAPI_ERR_NOT_SUPPORTED;
  }
  return AddFilter(c, expression, outFilter);
}

uint16_t CurDropFilter(void* cursor, int32_t filter) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : DropFilter(c, filter);
}

uint16_t CurActivateFilter(void* cursor, int32_t filter) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : ActivateFilter(c, filter);
}

uint16_t CurDeactivateFilter(void* cursor, int32_t filter) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : DeactivateFilter(c, filter);
}

uint16_t CurReleaseLock(void* cursor) {
  RecordCursor* c = Record(cursor);
  return c == nullptr ? IDAPI_ERR_NOT_SUPPORTED : ReleaseLock(c);
}

}  // namespace

void FillCursorSlots(IdapiEntry* t) {
  t[IDAPI_CUR_PROPERTIES] = E(&CurProperties);
  t[IDAPI_CUR_FIELD_DESCRIPTORS] = E(&CurFieldDescriptors);
  t[IDAPI_CUR_NEXT] = E(&CurNext);
  t[IDAPI_CUR_PRIOR] = E(&CurPrior);
  t[IDAPI_CUR_CURRENT] = E(&CurCurrent);
  t[IDAPI_CUR_RELATIVE] = E(&CurRelative);
  t[IDAPI_CUR_INIT_RECORD] = E(&CurInitRecord);
  t[IDAPI_CUR_INSERT] = E(&CurInsert);
  t[IDAPI_CUR_INSERT2] = E(&CurInsert);
  t[IDAPI_CUR_DELETE] = E(&CurDelete);
  t[IDAPI_CUR_MODIFY] = E(&CurModify);
  t[IDAPI_CUR_BEGIN] = E(&CurBegin);
  t[IDAPI_CUR_END] = E(&CurEnd);
  t[IDAPI_CUR_SET_BOOKMARK] = E(&CurSetBookmark);
  t[IDAPI_CUR_GET_BOOKMARK] = E(&CurGetBookmark);
  t[IDAPI_CUR_SET_POSITION] = E(&CurSetPosition);
  t[IDAPI_CUR_COMPARE_BOOKMARKS] = E(&CurCompareBookmarks);
  t[IDAPI_CUR_CLONE] = E(&CurClone);
  t[IDAPI_CUR_SWITCH_INDEX] = E(&CurSwitchIndex);
  t[IDAPI_CUR_INDEX_DESCRIPTOR] = E(&CurIndexDescriptor);
  t[IDAPI_CUR_SET_TO_KEY] = E(&CurSetToKey);
  t[IDAPI_CUR_SET_TO_KEY2] = E(&CurSetToKey);
  t[IDAPI_CUR_EXTRACT_KEY] = E(&CurExtractKey);
  t[IDAPI_CUR_SET_RANGE] = E(&CurSetRange);
  t[IDAPI_CUR_RECORD_COUNT] = E(&CurRecordCount);
  t[IDAPI_CUR_QUERY_COUNT] = E(&CurRecordCount);
  t[IDAPI_CUR_GET_FIELD] = E(&CurGetField);
  t[IDAPI_CUR_PUT_FIELD] = E(&CurPutField);
  t[IDAPI_CUR_READ_BLOCK] = E(&CurReadBlock);
  t[IDAPI_CUR_WRITE_BLOCK] = E(&CurWriteBlock);
  t[IDAPI_CUR_RELEASE_LOCK] = E(&CurReleaseLock);
  t[IDAPI_CUR_ALL_INDEX_DESCRIPTORS] = E(&CurAllIndexDescriptors);
  t[IDAPI_CUR_RELEASE_BLOCK] = E(&CurReleaseBlock);
  t[IDAPI_CUR_ADD_FILTER] = E(&CurAddFilter);
  t[IDAPI_CUR_DROP_FILTER] = E(&CurDropFilter);
  t[IDAPI_CUR_ACTIVATE_FILTER] = E(&CurActivateFilter);
  t[IDAPI_CUR_DEACTIVATE_FILTER] = E(&CurDeactivateFilter);
}

}  // namespace vantora::driver
