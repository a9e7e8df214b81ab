// Statements, transactions and definitions of the application interface.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/application.h"
#include "engine/error_state.h"
#include "engine/value_text.h"
#include "idapi_app.h"

using namespace vantora::engine;

namespace {

// A statement is a cursor object the driver made, never described.
Cursor* StatementOf(VdbStatement* statement) {
  Cursor* c = AsCursor(statement);
  return c != nullptr && !c->described ? c : nullptr;
}

void FreeStatementObject(Cursor* c) {
  CursorClosed(c);
  Slot<IdapiCurClose>(c, IDAPI_CUR_CLOSE)(&c->pub);
  if (AsCursor(&c->pub) != nullptr) ReleaseObject(&c->pub);
}

void PutField(uint8_t* d, uint16_t number, uint16_t type, uint16_t offset, uint16_t length) {
  std::memset(d, 0, IDAPI_FIELD_DESC_SIZE);
  idapi_put_u16(d, IDAPI_FLD_NUMBER, number);
  idapi_put_u16(d, IDAPI_FLD_TYPE, type);
  idapi_put_u16(d, IDAPI_FLD_UNITS1, length);
  idapi_put_u16(d, IDAPI_FLD_OFFSET, offset);
  idapi_put_u16(d, IDAPI_FLD_LENGTH, length);
}

uint16_t PrepareIn(Database* db, const char* text, uint32_t options, Cursor** out) {
  void* object = nullptr;
  uint16_t s = Slot<IdapiDbAllocateStatement>(db, IDAPI_DB_ALLOCATE_STATEMENT)(&db->pub, &object);
  if (s != IDAPI_OK) return s;
  Cursor* c = AsCursor(object);
  if (c == nullptr) return IDAPI_ERR_BAD_OBJECT;
  CursorOpened(c);
  if ((options & VDB_CHANGEABLE) != 0) {
    s = Slot<IdapiCurSetProperty>(c, IDAPI_CUR_SET_STATEMENT_PROPERTY)(&c->pub,
                                                                       IDAPI_PROP_CHANGEABLE, 1);
  }
  if (s == IDAPI_OK) s = Slot<IdapiDbPrepare>(db, IDAPI_DB_PREPARE)(&db->pub, &c->pub, text);
  if (s == IDAPI_OK) c->text = text;
  if (s != IDAPI_OK) {
    FreeStatementObject(c);
    return s;
  }
  *out = c;
  return IDAPI_OK;
}

uint16_t ExecuteIn(Cursor* st, ApplicationCall& call, VdbCursor** result) {
  st->cancelled.store(false);
  if (st->procedure) {
    if (uint16_t s = SetProcedureParameters(st); s != IDAPI_OK) return call.Finish(s);
  }
  void* object = nullptr;
  const uint16_t s = Slot<IdapiCurExecute>(st, IDAPI_CUR_EXECUTE)(&st->pub, &object);
  if (s != IDAPI_OK) return call.Finish(s);
  if (object == nullptr) return IDAPI_OK;
  if (result == nullptr) {
    // A SELECT whose rows nobody wants.
    if (Cursor* c = AsCursor(object)) {
      Slot<IdapiCurClose>(c, IDAPI_CUR_CLOSE)(&c->pub);
      if (AsCursor(object) != nullptr) ReleaseObject(object);
    }
    return IDAPI_OK;
  }
  return AdoptCursor(call, IDAPI_OK, object, result);
}

}  // namespace

extern "C" {

IDAPI_API uint16_t VdbPrepare(VdbDatabase* database, const char* text, uint32_t options,
                              VdbStatement** statement) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (text == nullptr || statement == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  *statement = nullptr;
  Cursor* c = nullptr;
  if (uint16_t s = PrepareIn(db, text, options, &c); s != IDAPI_OK) return call.Finish(s);
  *statement = reinterpret_cast<VdbStatement*>(&c->pub);
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbBind(VdbStatement* statement, const VdbValue* values, uint16_t count) {
  ApplicationCall call;
  Cursor* st = StatementOf(statement);
  if (st == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (count > 0 && values == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  std::vector<uint8_t> descriptors(static_cast<size_t>(count) * IDAPI_FIELD_DESC_SIZE + 1);
  std::vector<uint8_t> record;
  for (uint16_t i = 0; i < count; ++i) {
    const VdbValue& v = values[i];
    const std::string text = v.text != nullptr ? v.text : "";
    const uint16_t length =
        v.type == IDAPI_TYPE_STRING ? static_cast<uint16_t>(text.size()) : uint16_t{8};
    std::vector<uint8_t> bytes;
    if (text.size() > 32000 || !TextToValue(v.type, length, text, &bytes)) {
      PostError(IDAPI_ERR_INVALID_ARGUMENT,
                ("Parameter " + std::to_string(i + 1) + ": '" + text + "' is no value of its type")
                    .c_str());
      return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
    }
    PutField(descriptors.data() + static_cast<size_t>(i) * IDAPI_FIELD_DESC_SIZE,
             static_cast<uint16_t>(i + 1), v.type, static_cast<uint16_t>(record.size()),
             static_cast<uint16_t>(bytes.size()));
    record.insert(record.end(), bytes.begin(), bytes.end());
  }
  record.push_back(0);
  const uint16_t s = Slot<IdapiCurParameters>(st, IDAPI_CUR_SET_PARAMETERS)(
      &st->pub, count, descriptors.data(), record.data());
  return s == IDAPI_OK ? IDAPI_OK : call.Finish(s);
}

IDAPI_API uint16_t VdbExecute(VdbStatement* statement, VdbCursor** result) {
  ApplicationCall call;
  Cursor* st = StatementOf(statement);
  if (st == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (result != nullptr) *result = nullptr;
  return ExecuteIn(st, call, result);
}

IDAPI_API uint16_t VdbFreeStatement(VdbStatement* statement) {
  ApplicationCall call;
  Cursor* st = StatementOf(statement);
  if (st == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  FreeStatementObject(st);
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbRowsChanged(VdbStatement* statement, int32_t* rows) {
  ApplicationCall call;
  Cursor* st = StatementOf(statement);
  if (st == nullptr || st->procedure) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (rows == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  char text[32] = {};
  uint16_t length = 0;
  const uint16_t s = Slot<IdapiCurProperty>(st, IDAPI_CUR_PROPERTY)(
      &st->pub, IDAPI_PROP_ROWS_CHANGED, text, sizeof text - 1, &length);
  if (s != IDAPI_OK) return call.Finish(s);
  *rows = std::atoi(text);
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbExecuteSql(VdbDatabase* database, const char* text, VdbCursor** result) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (text == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  if (result != nullptr) *result = nullptr;
  Cursor* st = nullptr;
  if (uint16_t s = PrepareIn(db, text, 0, &st); s != IDAPI_OK) return call.Finish(s);
  const uint16_t s = ExecuteIn(st, call, result);
  FreeStatementObject(st);
  return s;
}

IDAPI_API uint16_t VdbBeginTransaction(VdbDatabase* database, int32_t* transaction) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  const uint16_t s =
      Slot<IdapiDbBeginTransaction>(db, IDAPI_DB_BEGIN_TRANSACTION)(&db->pub, 0, transaction);
  return s == IDAPI_OK ? IDAPI_OK : call.Finish(s);
}

IDAPI_API uint16_t VdbEndTransaction(VdbDatabase* database, int32_t transaction, uint16_t mode) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  const uint16_t s =
      Slot<IdapiDbEndTransaction>(db, IDAPI_DB_END_TRANSACTION)(&db->pub, transaction, mode);
  return s == IDAPI_OK ? IDAPI_OK : call.Finish(s);
}

IDAPI_API uint16_t VdbCreateTable(VdbDatabase* database, const char* name,
                                  const VdbNewField* fields, uint16_t count,
                                  const uint16_t* keyFields, uint16_t keyCount, int32_t unique) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (name == nullptr || (count > 0 && fields == nullptr) ||
      (keyCount > 0 && keyFields == nullptr) || keyCount > IDAPI_IDX_MAX_KEY_FIELDS) {
    return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  }
  std::vector<uint8_t> descriptors(static_cast<size_t>(count) * IDAPI_FIELD_DESC_SIZE + 1, 0);
  for (uint16_t i = 0; i < count; ++i) {
    if (fields[i].name == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
    uint8_t* d = descriptors.data() + static_cast<size_t>(i) * IDAPI_FIELD_DESC_SIZE;
    PutField(d, static_cast<uint16_t>(i + 1), fields[i].type, 0, fields[i].units1);
    idapi_put_text(d, IDAPI_FLD_NAME, IDAPI_FLD_NAME_SIZE, fields[i].name);
    idapi_put_u16(d, IDAPI_FLD_UNITS2, fields[i].units2);
  }
  std::vector<uint8_t> index(IDAPI_INDEX_DESC_SIZE, 0);
  idapi_put_u16(index.data(), IDAPI_IDX_UNIQUE, unique != 0 ? 1 : 0);
  idapi_put_u16(index.data(), IDAPI_IDX_KEY_FIELDS, keyCount);
  for (uint16_t k = 0; k < keyCount; ++k) {
    idapi_put_u16(index.data(), IDAPI_IDX_FIELD_NUMBERS + 2u * k,
                  static_cast<uint16_t>(keyFields[k] + 1u));
  }
  IdapiTableDefinition definition{name, count, descriptors.data(),
                                  keyCount > 0 ? uint16_t{1} : uint16_t{0}, index.data()};
  const uint16_t s = Slot<IdapiDbCreateTable>(db, IDAPI_DB_CREATE_TABLE)(&db->pub, 0, &definition);
  return s == IDAPI_OK ? IDAPI_OK : call.Finish(s);
}

IDAPI_API uint16_t VdbAddIndex(VdbCursor* cursor, const char* index, const uint16_t* keyFields,
                               uint16_t count, int32_t unique, int32_t descending,
                               int32_t primary) {
  ApplicationCall call;
  Cursor* c = AsCursor(cursor);
  if (c == nullptr || !c->described) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (index == nullptr || keyFields == nullptr || count == 0 || count > IDAPI_IDX_MAX_KEY_FIELDS) {
    return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  }
  std::vector<uint8_t> d(IDAPI_INDEX_DESC_SIZE, 0);
  idapi_put_text(d.data(), IDAPI_IDX_NAME, IDAPI_NAME_TEXT_SIZE, index);
  idapi_put_u16(d.data(), IDAPI_IDX_PRIMARY, primary != 0 ? 1 : 0);
  idapi_put_u16(d.data(), IDAPI_IDX_UNIQUE, unique != 0 ? 1 : 0);
  idapi_put_u16(d.data(), IDAPI_IDX_DESCENDING, descending != 0 ? 1 : 0);
  idapi_put_u16(d.data(), IDAPI_IDX_KEY_FIELDS, count);
  for (uint16_t k = 0; k < count; ++k) {
    idapi_put_u16(d.data(), IDAPI_IDX_FIELD_NUMBERS + 2u * k, keyFields[k]);
  }
  const uint16_t s = Slot<IdapiCurIndexMaintenance>(c, IDAPI_CUR_INDEX_MAINTENANCE)(
      &c->pub, c->pub.database, IDAPI_INDEX_ADD, nullptr, index, d.data());
  return s == IDAPI_OK ? IDAPI_OK : call.Finish(s);
}

IDAPI_API uint16_t VdbDropIndex(VdbCursor* cursor, const char* index) {
  ApplicationCall call;
  Cursor* c = AsCursor(cursor);
  if (c == nullptr || !c->described) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (index == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  const uint16_t s = Slot<IdapiCurIndexMaintenance>(c, IDAPI_CUR_INDEX_MAINTENANCE)(
      &c->pub, c->pub.database, IDAPI_INDEX_DELETE, nullptr, index, nullptr);
  return s == IDAPI_OK ? IDAPI_OK : call.Finish(s);
}

}  // extern "C"

// ---- Stored procedures -------------------------------------------------------

namespace {

// Reads the parameter rows of `name` into the statement's fields and lays
// out its parameter buffer.
uint16_t LoadParameters(Database* db, const char* name, Cursor* st) {
  void* object = nullptr;
  uint16_t s =
      Slot<IdapiDbOpenParameterList>(db, IDAPI_DB_OPEN_PARAMETER_LIST)(&db->pub, name, &object);
  if (s != IDAPI_OK) return s;
  Cursor* list = AsCursor(object);
  if (list == nullptr) return IDAPI_ERR_BAD_OBJECT;
  st->fields.clear();
  size_t offset = 0;
  uint8_t row[IDAPI_PARAM_ROW_SIZE];
  while (Slot<IdapiCurGetRecord>(list, IDAPI_CUR_NEXT)(&list->pub, 0, row, nullptr) == IDAPI_OK) {
    CursorField f;
    f.number = static_cast<uint16_t>(st->fields.size() + 1);
    f.name.assign(reinterpret_cast<const char*>(row + IDAPI_PPROW_NAME),
                  idapi_text_length(row, IDAPI_PPROW_NAME, 32));
    f.direction = idapi_get_u16(row, IDAPI_PPROW_DIRECTION);
    f.type = idapi_get_u16(row, IDAPI_PPROW_TYPE);
    f.subtype = idapi_get_u16(row, IDAPI_PPROW_SUBTYPE);
    f.units1 = idapi_get_u16(row, IDAPI_PPROW_UNITS1);
    f.units2 = idapi_get_u16(row, IDAPI_PPROW_UNITS2);
    f.length = idapi_get_u16(row, IDAPI_PPROW_LENGTH);
    f.offset = static_cast<uint16_t>(offset);
    offset += ValueSize(f.type, f.length);
    st->fields.push_back(f);
  }
  ClearError();  // the list's end
  Slot<IdapiCurClose>(list, IDAPI_CUR_CLOSE)(&list->pub);
  if (AsCursor(object) != nullptr) ReleaseObject(object);
  st->record.assign(offset + 1, 0);
  return IDAPI_OK;
}

// The "?" markers outside quoted strings and comments.
size_t CountMarkers(const std::string& text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      for (++i; i < text.size(); ++i) {
        if (text[i] != c) continue;
        if (i + 1 < text.size() && text[i + 1] == c) {
          ++i;
          continue;
        }
        break;
      }
    } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      const size_t end = text.find("*/", i + 2);
      i = end == std::string::npos ? text.size() : end + 1;
    } else if (c == '?') {
      ++count;
    }
  }
  return count;
}

Cursor* ProcedureOf(VdbStatement* statement) {
  Cursor* c = StatementOf(statement);
  return c != nullptr && c->procedure ? c : nullptr;
}

const CursorField* ParameterOf(const Cursor* c, uint16_t number) {
  return number >= 1 && number <= c->fields.size() ? &c->fields[number - 1u] : nullptr;
}

}  // namespace

uint16_t vantora::engine::SetProcedureParameters(Cursor* st) {
  std::vector<uint8_t> descriptors(st->fields.size() * IDAPI_FIELD_DESC_SIZE + 1, 0);
  for (size_t i = 0; i < st->fields.size(); ++i) {
    const CursorField& f = st->fields[i];
    uint8_t* d = descriptors.data() + i * IDAPI_FIELD_DESC_SIZE;
    PutField(d, f.number, f.type, f.offset, static_cast<uint16_t>(ValueSize(f.type, f.length)));
    idapi_put_text(d, IDAPI_FLD_NAME, IDAPI_FLD_NAME_SIZE, f.name.c_str());
    idapi_put_u16(d, IDAPI_FLD_UNITS1, f.units1);
    idapi_put_u16(d, IDAPI_FLD_UNITS2, f.units2);
    idapi_put_u16(d, IDAPI_FLD_DIRECTION, f.direction);
  }
  return Slot<IdapiCurParameters>(st, IDAPI_CUR_SET_PARAMETERS)(
      &st->pub, static_cast<uint16_t>(st->fields.size()), descriptors.data(), st->record.data());
}

extern "C" {

IDAPI_API uint16_t VdbOpenProcedureList(VdbDatabase* database, VdbCursor** cursor) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (cursor == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  void* object = nullptr;
  const uint16_t s =
      Slot<IdapiDbOpenProcedureList>(db, IDAPI_DB_OPEN_PROCEDURE_LIST)(&db->pub, "", 0, &object);
  return AdoptCursor(call, s, object, cursor);
}

IDAPI_API uint16_t VdbOpenParameterList(VdbDatabase* database, const char* procedure,
                                        VdbCursor** cursor) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (cursor == nullptr || procedure == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  void* object = nullptr;
  const uint16_t s = Slot<IdapiDbOpenParameterList>(db, IDAPI_DB_OPEN_PARAMETER_LIST)(
      &db->pub, procedure, &object);
  return AdoptCursor(call, s, object, cursor);
}

IDAPI_API uint16_t VdbPrepareProcedure(VdbDatabase* database, const char* procedure,
                                       VdbStatement** statement) {
  ApplicationCall call;
  Database* db = AsDatabase(database);
  if (db == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (procedure == nullptr || statement == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  *statement = nullptr;
  void* object = nullptr;
  uint16_t s =
      Slot<IdapiDbPrepareProcedure>(db, IDAPI_DB_PREPARE_PROCEDURE)(&db->pub, procedure, &object);
  if (s != IDAPI_OK) return call.Finish(s);
  Cursor* st = AsCursor(object);
  if (st == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  CursorOpened(st);
  st->procedure = true;
  if (s = LoadParameters(db, procedure, st); s != IDAPI_OK) {
    FreeStatementObject(st);
    return call.Finish(s);
  }
  *statement = reinterpret_cast<VdbStatement*>(&st->pub);
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbParameterCount(VdbStatement* procedure, uint16_t* count) {
  ApplicationCall call;
  Cursor* st = StatementOf(procedure);
  if (st == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (count == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  *count = static_cast<uint16_t>(st->procedure ? st->fields.size() : CountMarkers(st->text));
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbParameterInfo(VdbStatement* procedure, uint16_t number, VdbField* field,
                                    uint16_t* direction) {
  ApplicationCall call;
  Cursor* st = StatementOf(procedure);
  if (st == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  if (!st->procedure) {
    if (number < 1 || number > CountMarkers(st->text)) {
      return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
    }
    if (field != nullptr) {
      *field = VdbField{};
      field->number = number;
      field->type = IDAPI_TYPE_STRING;
      field->nullable = 1;
    }
    if (direction != nullptr) *direction = IDAPI_PARAM_IN;
    return IDAPI_OK;
  }
  const CursorField* f = ParameterOf(st, number);
  if (f == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  if (field != nullptr) {
    *field = VdbField{};
    field->number = f->number;
    idapi_put_text(field->name, 0, sizeof field->name, f->name.c_str());
    field->type = f->type;
    field->subtype = f->subtype;
    field->units1 = f->units1;
    field->units2 = f->units2;
    field->length = f->length;
  }
  if (direction != nullptr) *direction = f->direction;
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbSetParameterText(VdbStatement* procedure, uint16_t number, const char* text) {
  ApplicationCall call;
  Cursor* st = ProcedureOf(procedure);
  if (st == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  const CursorField* f = ParameterOf(st, number);
  if (f == nullptr || text == nullptr) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  std::vector<uint8_t> value;
  if (!TextToValue(f->type, f->length, text, &value) ||
      value.size() > ValueSize(f->type, f->length)) {
    PostError(IDAPI_ERR_INVALID_ARGUMENT,
              ("'" + std::string(text) + "' is no value of the parameter " + f->name).c_str());
    return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  }
  std::copy(value.begin(), value.end(), st->record.begin() + f->offset);
  return IDAPI_OK;
}

IDAPI_API uint16_t VdbGetParameterText(VdbStatement* procedure, uint16_t number, char* out,
                                       uint32_t size) {
  ApplicationCall call;
  Cursor* st = ProcedureOf(procedure);
  if (st == nullptr) return call.Finish(IDAPI_ERR_BAD_OBJECT);
  const CursorField* f = ParameterOf(st, number);
  if (f == nullptr || out == nullptr || size == 0) return call.Finish(IDAPI_ERR_INVALID_ARGUMENT);
  const std::string text = ValueToText(f->type, f->length, st->record.data() + f->offset);
  idapi_put_text(out, 0, size, text.c_str());
  return IDAPI_OK;
}

}  // extern "C"

extern "C" {

IDAPI_API uint16_t VdbCancel(void* statementOrCursor) {
  Cursor* c = AsCursor(statementOrCursor);
  if (c == nullptr) {
    ApplicationCall call;
    return call.Finish(IDAPI_ERR_BAD_OBJECT);
  }
  c->cancelled.store(true);
  return IDAPI_OK;
}

}  // extern "C"
