// Tables and cursors of the application interface (idapi_app.h).
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/application.h"
#include "engine/error_state.h"
#include "engine/filter_parser.h"
#include "engine/value_text.h"
#include "idapi_app.h"
#include "protocol/blank_padded.h"

using namespace vantora::engine;

namespace {

// Reads the cursor's description: its fields and record size, and the key
// fields of its active index.
uint16_t Describe(Cursor* c) {
  uint8_t props[IDAPI_CURSOR_PROPS_SIZE];
  if (uint16_t s = Slot<IdapiCurProperties>(c, IDAPI_CUR_PROPERTIES)(&c->pub, props);
      s != IDAPI_OK) {
    return s;
  }
  const uint16_t count = idapi_get_u16(props, IDAPI_CPROP_FIELDS);
  const uint16_t bufferSize = idapi_get_u16(props, IDAPI_CPROP_BUFFER_SIZE);
  std::vector<uint8_t> descriptors(static_cast<size_t>(count) * IDAPI_FIELD_DESC_SIZE + 1);
  if (uint16_t s = Slot<IdapiCurFieldDescriptors>(c, IDAPI_CUR_FIELD_DESCRIPTORS)(
          &c->pub, descriptors.data());
      s != IDAPI_OK) {
    return s;
  }
  c->fields.clear();
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* d = descriptors.data() + static_cast<size_t>(i) * IDAPI_FIELD_DESC_SIZE;
    CursorField f;
    f.number = idapi_get_u16(d, IDAPI_FLD_NUMBER);
    f.name.assign(reinterpret_cast<const char*>(d + IDAPI_FLD_NAME),
                  idapi_text_length(d, IDAPI_FLD_NAME, IDAPI_FLD_NAME_SIZE));
    f.type = idapi_get_u16(d, IDAPI_FLD_TYPE);
    f.subtype = idapi_get_u16(d, IDAPI_FLD_SUBTYPE);
    f.units1 = idapi_get_u16(d, IDAPI_FLD_UNITS1);
    f.units2 = idapi_get_u16(d, IDAPI_FLD_UNITS2);
    f.offset = idapi_get_u16(d, IDAPI_FLD_OFFSET);
    f.length = idapi_get_u16(d, IDAPI_FLD_LENGTH);
    if (f.type == IDAPI_TYPE_STRING && f.length > 0) --f.length;  // reported with its terminator
    f.nullOffset = idapi_get_u16(d, IDAPI_FLD_NULL_OFFSET);
    c->fields.push_back(f);
  }
  c->record.assign(std::max<size_t>(bufferSize, 1), 0);
  c->keyFields.clear();
  uint8_t index[IDAPI_INDEX_DESC_SIZE];
  if (Slot<IdapiCurIndexDescriptor>(c, IDAPI_CUR_INDEX_DESCRIPTOR)(&c->pub, 0, index) == IDAPI_OK) {
    const uint16_t n =
        std::min<uint16_t>(idapi_get_u16(index, IDAPI_IDX_KEY_FIELDS), IDAPI_IDX_MAX_KEY_FIELDS);
    for (uint16_t k = 0; k < n; ++k) {
      c->keyFields.push_back(idapi_get_u16(index, IDAPI_IDX_FIELD_NUMBERS + 2u * k));
    }
  }
  ClearError();  // a cursor without an index answered its descriptor with a status
  c->described = true;
  return IDAPI_OK;
}

}  // namespace

namespace vantora::engine {

uint16_t AdoptCursor(ApplicationCall& call, uint16_t status, void* object, VdbCursor** out) {
  if (status != IDAPI_OK) return call.Finish(status);
  Cursor* c = AsCursor(object);
  if (c == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (uint16_t s = Describe(c); s != IDAPI_OK) {
    Slot<IdapiCurClose>(c, IDAPI_CUR_CLOSE)(&c->pub);
    return call.Finish(s);
  }
  CursorOpened(c);
  *out = reinterpret_cast<VdbCursor*>(&c->pub);
  return IDAPI_OK;
}

}  // namespace vantora::engine

namespace {

uint16_t Opened(ApplicationCall& call, uint16_t status, void* object, VdbCursor** out) {
  return AdoptCursor(call, status, object, out);
}

Cursor* Live(VdbCursor* cursor) {
  Cursor* c = AsCursor(cursor);
  return c != nullptr && c->described ? c : nullptr;
}

const CursorField* FieldOf(const Cursor* c, uint16_t number) {
  return number >= 1 && number <= c->fields.size() ? &c->fields[number - 1u] : nullptr;
}

uint16_t Read(Cursor* c, int slot, uint16_t lock = 0) {
  if (c->cancelled.exchange(false)) {
    PostError(IDAPI_ERR_CANCELLED, "The statement was cancelled");
    return IDAPI_ERR_CANCELLED;
  }
  c->changed.clear();
  return Slot<IdapiCurGetRecord>(c, slot)(&c->pub, lock, c->record.data(), nullptr);
}

// A record holding `values` in the first key fields of the active index,
// built in `record`; the count of key fields set.
uint16_t KeyRecord(Cursor* c, const char* const* values, uint16_t count,
                   std::vector<uint8_t>* record) {
  if (c->keyFields.empty()) return IDAPI_ERR_NO_SUCH_INDEX;
  if (count == 0 || count > c->keyFields.size() || values == nullptr) {
    return IDAPI_ERR_INVALID_ARGUMENT;
  }
  record->assign(c->record.size(), 0);
  if (uint16_t s = Slot<IdapiCurInitRecord>(c, IDAPI_CUR_INIT_RECORD)(&c->pub, record->data());
      s != IDAPI_OK) {
    return s;
  }
  for (uint16_t k = 0; k < count; ++k) {
    const CursorField* f = FieldOf(c, c->keyFields[k]);
    if (f == nullptr || values[k] == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    std::vector<uint8_t> value;
    if (!TextToValue(f->type, f->length, values[k], &value)) {
      PostError(IDAPI_ERR_INVALID_ARGUMENT,
                ("'" + std::string(values[k]) + "' is no value of the field " + f->name).c_str());
      return IDAPI_ERR_INVALID_ARGUMENT;
    }
    if (uint16_t s = Slot<IdapiCurPutField>(c, IDAPI_CUR_PUT_FIELD)(&c->pub, f->number,
                                                                    record->data(), value.data());
        s != IDAPI_OK) {
      return s;
    }
  }
  return IDAPI_OK;
}

template <typename Body>
uint16_t WithCursor(VdbCursor* cursor, Body body) {
  ApplicationCall call;
  Cursor* c = Live(cursor);
  if (c == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  return call.Finish(body(c));
}

}  // namespace

extern "C" {

IDAPI_API uint16_t VdbOpenTable(VdbDatabase* database, const char* table, const char* index,
                                uint32_t options, VdbCursor** cursor) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (table == nullptr || cursor == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  *cursor = nullptr;
  void* object = nullptr;
  const uint16_t s = Slot<IdapiDbOpenTable>(db, IDAPI_DB_OPEN_TABLE)(
      &db->pub, table, db->driver->type.c_str(), index != nullptr ? index : "", "", 0,
      (options & VDB_READ_ONLY) != 0 ? 1 : 0, (options & VDB_EXCLUSIVE) != 0 ? 1 : 0, 0, 0,
      &object);
  return Opened(call, s, object, cursor);
}

IDAPI_API uint16_t VdbOpenTableList(VdbDatabase* database, VdbCursor** cursor) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (cursor == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  *cursor = nullptr;
  void* object = nullptr;
  const uint16_t s =
      Slot<IdapiDbOpenTableList>(db, IDAPI_DB_OPEN_TABLE_LIST)(&db->pub, "", 0, 0, &object);
  return Opened(call, s, object, cursor);
}

IDAPI_API uint16_t VdbOpenFieldList(VdbDatabase* database, const char* table, VdbCursor** cursor) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (table == nullptr || cursor == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  *cursor = nullptr;
  void* object = nullptr;
  const uint16_t s =
      Slot<IdapiDbOpenFieldList>(db, IDAPI_DB_OPEN_FIELD_LIST)(&db->pub, table, &object);
  return Opened(call, s, object, cursor);
}

IDAPI_API uint16_t VdbOpenIndexList(VdbDatabase* database, const char* table, VdbCursor** cursor) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (table == nullptr || cursor == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  *cursor = nullptr;
  void* object = nullptr;
  const uint16_t s = Slot<IdapiDbOpenIndexList>(db, IDAPI_DB_OPEN_INDEX_LIST)(
      &db->pub, table, db->driver->type.c_str(), 0, &object);
  return Opened(call, s, object, cursor);
}

IDAPI_API uint16_t VdbCloseCursor(VdbCursor* cursor) {
  ApplicationCall call;
  Cursor* c = AsCursor(cursor);
  if (c == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  CursorClosed(c);
  const uint16_t s = Slot<IdapiCurClose>(c, IDAPI_CUR_CLOSE)(&c->pub);
  if (AsCursor(cursor) != nullptr) ReleaseObject(cursor);  // a driver that kept it
  return call.Finish(s);
}

IDAPI_API uint16_t VdbFieldCount(VdbCursor* cursor, uint16_t* count) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    if (count == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    *count = static_cast<uint16_t>(c->fields.size());
    return IDAPI_OK;
  });
}

IDAPI_API uint16_t VdbFieldInfo(VdbCursor* cursor, uint16_t number, VdbField* field) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    const CursorField* f = FieldOf(c, number);
    if (f == nullptr) return IDAPI_ERR_UNKNOWN_TYPE;
    if (field == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    std::memset(field, 0, sizeof *field);
    field->number = f->number;
    idapi_put_text(field->name, 0, sizeof field->name, f->name.c_str());
    field->type = f->type;
    field->subtype = f->subtype;
    field->units1 = f->units1;
    field->units2 = f->units2;
    field->length = f->length;
    field->nullable = f->nullOffset != 0 ? 1 : 0;
    return IDAPI_OK;
  });
}

IDAPI_API uint16_t VdbFieldNumber(VdbCursor* cursor, const char* name, uint16_t* number) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    if (name == nullptr || number == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    for (const CursorField& f : c->fields) {
      if (vantora::wire::EqualsIgnoringCase(f.name, name)) {
        *number = f.number;
        return IDAPI_OK;
      }
    }
    PostError(IDAPI_ERR_UNKNOWN_TYPE, (std::string("No field ") + name).c_str());
    return IDAPI_ERR_UNKNOWN_TYPE;
  });
}

IDAPI_API uint16_t VdbFirst(VdbCursor* cursor) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    if (uint16_t s = Slot<IdapiCurMove>(c, IDAPI_CUR_BEGIN)(&c->pub); s != IDAPI_OK) return s;
    return Read(c, IDAPI_CUR_NEXT);
  });
}

IDAPI_API uint16_t VdbLast(VdbCursor* cursor) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    if (uint16_t s = Slot<IdapiCurMove>(c, IDAPI_CUR_END)(&c->pub); s != IDAPI_OK) return s;
    return Read(c, IDAPI_CUR_PRIOR);
  });
}

IDAPI_API uint16_t VdbNext(VdbCursor* cursor) {
  return WithCursor(cursor, [&](Cursor* c) { return Read(c, IDAPI_CUR_NEXT); });
}

IDAPI_API uint16_t VdbPrior(VdbCursor* cursor) {
  return WithCursor(cursor, [&](Cursor* c) { return Read(c, IDAPI_CUR_PRIOR); });
}

IDAPI_API uint16_t VdbCurrent(VdbCursor* cursor) {
  return WithCursor(cursor, [&](Cursor* c) { return Read(c, IDAPI_CUR_CURRENT); });
}

IDAPI_API uint16_t VdbRelative(VdbCursor* cursor, int32_t offset, int32_t* moved) {
  return WithCursor(cursor, [&](Cursor* c) {
    return Slot<IdapiCurRelative>(c, IDAPI_CUR_RELATIVE)(&c->pub, offset, 0, c->record.data(),
                                                         moved);
  });
}

IDAPI_API uint16_t VdbSetToBegin(VdbCursor* cursor) {
  return WithCursor(cursor,
                    [&](Cursor* c) { return Slot<IdapiCurMove>(c, IDAPI_CUR_BEGIN)(&c->pub); });
}

IDAPI_API uint16_t VdbSetToEnd(VdbCursor* cursor) {
  return WithCursor(cursor,
                    [&](Cursor* c) { return Slot<IdapiCurMove>(c, IDAPI_CUR_END)(&c->pub); });
}

IDAPI_API uint16_t VdbGetBookmark(VdbCursor* cursor, uint32_t* bookmark) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    if (bookmark == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    uint8_t b[IDAPI_BOOKMARK_SIZE];
    const uint16_t s = Slot<IdapiCurGetBookmark>(c, IDAPI_CUR_GET_BOOKMARK)(&c->pub, b);
    if (s == IDAPI_OK) *bookmark = idapi_get_u32(b, 0);
    return s;
  });
}

IDAPI_API uint16_t VdbGotoBookmark(VdbCursor* cursor, uint32_t bookmark) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    uint8_t b[IDAPI_BOOKMARK_SIZE];
    idapi_put_u32(b, 0, bookmark);
    if (uint16_t s = Slot<IdapiCurSetBookmark>(c, IDAPI_CUR_SET_BOOKMARK)(&c->pub, b);
        s != IDAPI_OK) {
      return s;
    }
    return Read(c, IDAPI_CUR_CURRENT);
  });
}

IDAPI_API uint16_t VdbCompareBookmarks(VdbCursor* cursor, uint32_t first, uint32_t second,
                                       int16_t* result) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    uint8_t a[IDAPI_BOOKMARK_SIZE], b[IDAPI_BOOKMARK_SIZE];
    idapi_put_u32(a, 0, first);
    idapi_put_u32(b, 0, second);
    return Slot<IdapiCurCompareBookmarks>(c, IDAPI_CUR_COMPARE_BOOKMARKS)(&c->pub, a, b, result);
  });
}

IDAPI_API uint16_t VdbSeek(VdbCursor* cursor, uint16_t condition, const char* const* values,
                           uint16_t count) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    std::vector<uint8_t> key;
    if (uint16_t s = KeyRecord(c, values, count, &key); s != IDAPI_OK) return s;
    // An equal seek with a shorter text for a last string key field seeks
    // the keys that begin with it.
    uint16_t fields = count;
    uint16_t partial = 0;
    const CursorField* last = FieldOf(c, c->keyFields[count - 1u]);
    const size_t length = std::strlen(values[count - 1]);
    if (condition == VDB_SEEK_EQ && last != nullptr && last->type == IDAPI_TYPE_STRING &&
        length > 0 && length < last->length) {
      fields = static_cast<uint16_t>(count - 1);
      partial = static_cast<uint16_t>(length);
    }
    const uint16_t s = Slot<IdapiCurSetToKey>(c, IDAPI_CUR_SET_TO_KEY)(
        &c->pub, condition, 0, fields, partial, key.data(), c->record.data());
    // The record found becomes the current one: the next move goes on from it.
    return s != IDAPI_OK ? s : Read(c, IDAPI_CUR_CURRENT);
  });
}

IDAPI_API uint16_t VdbSetRange(VdbCursor* cursor, uint16_t count, const char* const* low,
                               int32_t lowInclusive, const char* const* high,
                               int32_t highInclusive) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    std::vector<uint8_t> lowRecord, highRecord;
    if (low != nullptr) {
      if (uint16_t s = KeyRecord(c, low, count, &lowRecord); s != IDAPI_OK) return s;
    }
    if (high != nullptr) {
      if (uint16_t s = KeyRecord(c, high, count, &highRecord); s != IDAPI_OK) return s;
    }
    return Slot<IdapiCurSetRange>(c, IDAPI_CUR_SET_RANGE)(
        &c->pub, 0, count, 0, low != nullptr ? lowRecord.data() : nullptr,
        lowInclusive != 0 ? 1 : 0, high != nullptr ? highRecord.data() : nullptr,
        highInclusive != 0 ? 1 : 0);
  });
}

IDAPI_API uint16_t VdbResetRange(VdbCursor* cursor) {
  return WithCursor(cursor, [&](Cursor* c) {
    return Slot<IdapiCurSetRange>(c, IDAPI_CUR_SET_RANGE)(&c->pub, 0, 0, 0, nullptr, 0, nullptr, 0);
  });
}

IDAPI_API uint16_t VdbSwitchIndex(VdbCursor* cursor, const char* index) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    uint8_t block[IDAPI_CURSOR_BLOCK_SIZE] = {};
    idapi_put_text(block, IDAPI_CBLK_INDEX_NAME, 80, index != nullptr ? index : "");
    idapi_put_u16(block, IDAPI_CBLK_POSITION, 1);
    void* copy = nullptr;
    const uint16_t s = Slot<IdapiCurSwitchIndex>(c, IDAPI_CUR_SWITCH_INDEX)(
        &c->pub, index != nullptr ? index : "", "", 0, 1, block, &copy);
    if (copy != nullptr) Slot<IdapiCurReleaseBlock>(c, IDAPI_CUR_RELEASE_BLOCK)(&c->pub, copy);
    if (s != IDAPI_OK) return s;
    std::vector<uint8_t> keep = c->record;
    const uint16_t d = Describe(c);
    c->record = std::move(keep);
    return d;
  });
}

IDAPI_API uint16_t VdbSetFilter(VdbCursor* cursor, const char* expression, int32_t* filter) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    if (expression == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    if (filter != nullptr) *filter = -1;
    std::vector<FilterField> fields;
    for (const CursorField& f : c->fields) fields.push_back({f.name, f.number, f.type});
    const ParsedFilter parsed = ParseFilter(expression, fields);
    if (!parsed.ok) {
      PostError(
          IDAPI_ERR_BAD_FILTER,
          ("filter, character " + std::to_string(parsed.position) + ": " + parsed.error).c_str());
      return IDAPI_ERR_BAD_FILTER;
    }
    int32_t number = -1;
    if (uint16_t s = Slot<IdapiCurAddFilter>(c, IDAPI_CUR_ADD_FILTER)(
            &c->pub, 0, 0, 0, parsed.expression.data(), nullptr, &number);
        s != IDAPI_OK) {
      return s;
    }
    if (uint16_t s = Slot<IdapiCurFilter>(c, IDAPI_CUR_ACTIVATE_FILTER)(&c->pub, number);
        s != IDAPI_OK) {
      Slot<IdapiCurFilter>(c, IDAPI_CUR_DROP_FILTER)(&c->pub, number);
      return s;
    }
    if (filter != nullptr) *filter = number;
    return Slot<IdapiCurMove>(c, IDAPI_CUR_BEGIN)(&c->pub);
  });
}

IDAPI_API uint16_t VdbDropFilter(VdbCursor* cursor, int32_t filter) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    if (uint16_t s = Slot<IdapiCurFilter>(c, IDAPI_CUR_DROP_FILTER)(&c->pub, filter);
        s != IDAPI_OK) {
      return s;
    }
    return Slot<IdapiCurMove>(c, IDAPI_CUR_BEGIN)(&c->pub);
  });
}

IDAPI_API uint16_t VdbGetFieldText(VdbCursor* cursor, uint16_t number, char* out, uint32_t size,
                                   int16_t* isNull) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    const CursorField* f = FieldOf(c, number);
    if (f == nullptr) return IDAPI_ERR_UNKNOWN_TYPE;
    if (out == nullptr || size == 0) return IDAPI_ERR_INVALID_ARGUMENT;
    std::vector<uint8_t> value(ValueSize(f->type, f->length) + 8, 0);
    int16_t blank = 0;
    const uint16_t s = Slot<IdapiCurGetField>(c, IDAPI_CUR_GET_FIELD)(
        &c->pub, number, c->record.data(), value.data(), &blank);
    if (s != IDAPI_OK) return s;
    if (isNull != nullptr) *isNull = blank;
    const std::string text = blank != 0 ? "" : ValueToText(f->type, f->length, value.data());
    idapi_put_text(out, 0, size, text.c_str());
    return IDAPI_OK;
  });
}

namespace {

// The room the driver may write for a field's value: the value, its
// terminator and some slack.
size_t ValueRoom(const CursorField& f) {
  return ValueSize(f.type, f.length) + 8;
}

// Field `number`'s value into `value` (ValueRoom bytes, zeroed here): its
// length in `n`, a null in `blank`.
uint16_t ReadFieldValue(Cursor* c, const CursorField& f, uint16_t number, uint8_t* value,
                        uint32_t* n, int16_t* blank) {
  std::memset(value, 0, ValueRoom(f));
  *blank = 0;
  const uint16_t s = Slot<IdapiCurGetField>(c, IDAPI_CUR_GET_FIELD)(&c->pub, number,
                                                                    c->record.data(), value, blank);
  if (s != IDAPI_OK) return s;
  *n = 0;
  if (*blank != 0) return IDAPI_OK;
  switch (f.type) {
    case IDAPI_TYPE_STRING:
      *n = static_cast<uint32_t>(strnlen(reinterpret_cast<const char*>(value), f.length));
      // A fixed field (its units its length) keeps its trailing blanks.
      if (f.units1 == f.length && *n < f.length) {
        std::memset(value + *n, ' ', f.length - *n);
        *n = f.length;
      }
      break;
    case IDAPI_TYPE_FLOAT:
    case IDAPI_TYPE_TIMESTAMP:
      *n = 8;
      break;
    default:
      *n = static_cast<uint32_t>(ValueSize(f.type, f.length));
      break;
  }
  return IDAPI_OK;
}

}  // namespace

IDAPI_API uint16_t VdbGetFieldValue(VdbCursor* cursor, uint16_t number, void* out, uint32_t size,
                                    uint32_t* length, int16_t* isNull) {
  ApplicationCall call;
  Cursor* c = Live(cursor);
  if (c == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  const CursorField* f = FieldOf(c, number);
  if (f == nullptr) return call.Finish(IDAPI_ERR_UNKNOWN_TYPE);
  if (out == nullptr && size > 0) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  // Small values go through the stack.
  uint8_t local[512];
  std::vector<uint8_t> heap;
  uint8_t* value = local;
  if (ValueRoom(*f) > sizeof local) {
    heap.resize(ValueRoom(*f));
    value = heap.data();
  }
  uint32_t n = 0;
  int16_t blank = 0;
  if (uint16_t s = ReadFieldValue(c, *f, number, value, &n, &blank); s != IDAPI_OK) {
    return call.Finish(s);
  }
  if (isNull != nullptr) *isNull = blank;
  if (length != nullptr) *length = n;
  if (n > size) {
    PostError(IDAPI_ERR_VALUE_OVERFLOW,
              ("The value of the field " + f->name + " takes " + std::to_string(n) +
               " bytes, more than the " + std::to_string(size) + " given")
                  .c_str());
    return call.Finish(IDAPI_ERR_VALUE_OVERFLOW);
  }
  if (n > 0) std::memcpy(out, value, n);
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbGetFieldValues(VdbCursor* cursor, uint16_t count, VdbFieldSpan* spans,
                                     void* area, uint32_t size, uint32_t* needed) {
  ApplicationCall call;
  Cursor* c = Live(cursor);
  if (c == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (count > c->fields.size() || (count > 0 && spans == nullptr) ||
      (area == nullptr && size > 0)) {
    return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  }
  // Each value is read in place, in the room the driver may write; the next
  // one starts where the value ended.
  size_t room = 0;
  for (uint16_t i = 0; i < count; ++i) room = std::max(room, ValueRoom(c->fields[i]));
  size_t total = 0;
  for (uint16_t i = 0; i < count; ++i) total += ValueSize(c->fields[i].type, c->fields[i].length);
  const size_t need = total + room;
  if (needed != nullptr) *needed = static_cast<uint32_t>(need);
  if (need > size) {
    PostError(IDAPI_ERR_VALUE_OVERFLOW, ("The record's values take " + std::to_string(need) +
                                         " bytes, more than the " + std::to_string(size) + " given")
                                            .c_str());
    return call.Finish(IDAPI_ERR_VALUE_OVERFLOW);
  }
  auto* out = static_cast<uint8_t*>(area);
  uint32_t at = 0;
  for (uint16_t i = 0; i < count; ++i) {
    uint32_t n = 0;
    int16_t blank = 0;
    const uint16_t s =
        ReadFieldValue(c, c->fields[i], static_cast<uint16_t>(i + 1), out + at, &n, &blank);
    if (s != IDAPI_OK) return call.Finish(s);
    spans[i] = VdbFieldSpan{at, n, blank};
    at += n;
  }
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbPutFieldText(VdbCursor* cursor, uint16_t number, const char* text) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    const CursorField* f = FieldOf(c, number);
    if (f == nullptr) return IDAPI_ERR_UNKNOWN_TYPE;
    std::vector<uint8_t> value;
    if (text != nullptr && !TextToValue(f->type, f->length, text, &value)) {
      PostError(IDAPI_ERR_INVALID_ARGUMENT,
                ("'" + std::string(text) + "' is no value of the field " + f->name).c_str());
      return IDAPI_ERR_INVALID_ARGUMENT;
    }
    const uint16_t s = Slot<IdapiCurPutField>(c, IDAPI_CUR_PUT_FIELD)(
        &c->pub, number, c->record.data(), text != nullptr ? value.data() : nullptr);
    if (s == IDAPI_OK &&
        std::find(c->changed.begin(), c->changed.end(), number) == c->changed.end()) {
      c->changed.push_back(number);
    }
    return s;
  });
}

IDAPI_API uint16_t VdbInitRecord(VdbCursor* cursor) {
  return WithCursor(cursor, [&](Cursor* c) {
    return Slot<IdapiCurInitRecord>(c, IDAPI_CUR_INIT_RECORD)(&c->pub, c->record.data());
  });
}

IDAPI_API uint16_t VdbInsert(VdbCursor* cursor) {
  return WithCursor(cursor, [&](Cursor* c) {
    return Slot<IdapiCurInsert>(c, IDAPI_CUR_INSERT)(&c->pub, c->record.data());
  });
}

IDAPI_API uint16_t VdbModify(VdbCursor* cursor) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    // The record is read again with a lock, then written as the caller
    // changed it.
    std::vector<uint8_t> changed = c->record;
    std::vector<uint8_t> locked(c->record.size(), 0);
    uint8_t bookmark[IDAPI_BOOKMARK_SIZE];
    Slot<IdapiCurGetBookmark>(c, IDAPI_CUR_GET_BOOKMARK)(&c->pub, bookmark);
    if (uint16_t s =
            Slot<IdapiCurGetRecord>(c, IDAPI_CUR_CURRENT)(&c->pub, 1, locked.data(), nullptr);
        s != IDAPI_OK) {
      return s;
    }
    c->record = std::move(changed);
    // The read forgot which fields were changed: they are put again, so that
    // a driver writing only changed fields (query rows) sees them.
    const std::vector<uint16_t> fields = std::move(c->changed);
    c->changed.clear();
    for (uint16_t number : fields) {
      const CursorField* f = FieldOf(c, number);
      std::vector<uint8_t> value(ValueSize(f->type, f->length) + 8, 0);
      int16_t blank = 0;
      if (uint16_t s = Slot<IdapiCurGetField>(c, IDAPI_CUR_GET_FIELD)(
              &c->pub, number, c->record.data(), value.data(), &blank);
          s != IDAPI_OK) {
        return s;
      }
      if (uint16_t s = Slot<IdapiCurPutField>(c, IDAPI_CUR_PUT_FIELD)(
              &c->pub, number, c->record.data(), blank != 0 ? nullptr : value.data());
          s != IDAPI_OK) {
        return s;
      }
    }
    return Slot<IdapiCurModify>(c, IDAPI_CUR_MODIFY)(&c->pub, c->record.data());
  });
}

IDAPI_API uint16_t VdbDelete(VdbCursor* cursor) {
  return WithCursor(cursor,
                    [&](Cursor* c) { return Slot<IdapiCurDelete>(c, IDAPI_CUR_DELETE)(&c->pub); });
}

IDAPI_API uint16_t VdbRecordCount(VdbCursor* cursor, int32_t* count) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    if (count == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    return Slot<IdapiCurRecordCount>(c, IDAPI_CUR_RECORD_COUNT)(&c->pub, count);
  });
}

IDAPI_API uint16_t VdbCursorEntry(VdbCursor* cursor, uint16_t slot, IdapiEntry* entry) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    if (entry == nullptr || slot >= IDAPI_CURSOR_SLOTS) return IDAPI_ERR_INVALID_ARGUMENT;
    *entry = c->table[slot];
    return IDAPI_OK;
  });
}

IDAPI_API uint16_t VdbCursorObject(VdbCursor* cursor, void** object) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    if (object == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
    *object = &c->pub;
    return IDAPI_OK;
  });
}

IDAPI_API uint16_t VdbRecordBuffer(VdbCursor* cursor, void** record, uint32_t* size) {
  return WithCursor(cursor, [&](Cursor* c) -> uint16_t {
    if (record != nullptr) *record = c->record.data();
    if (size != nullptr) *size = static_cast<uint32_t>(c->record.size());
    return IDAPI_OK;
  });
}

}  // extern "C"
