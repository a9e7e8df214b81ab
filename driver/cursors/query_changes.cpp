#include "driver/cursors/query_changes.h"

#include <algorithm>
#include <string>

#include "driver/cursors/constant_text.h"
#include "driver/cursors/reading.h"
#include "driver/cursors/sql_text.h"
#include "driver/frame/errors.h"
#include "idapi.h"
#include "mv432ida.h"

namespace vantora::driver {
namespace {

constexpr size_t kStatementLimit = 32000;

uint16_t Refused(const std::string& why) {
  PostMessage(IDAPI_ERR_FAILED, why);
  return IDAPI_ERR_FAILED;
}

// The one table of the cursor's query, or a failure.
uint16_t OnlyTable(const RecordCursor* c, std::string* table) {
  const TableList list = SelectTables(c->statement);
  if (list.count != 1) {
    return Refused(list.count == 0 ? "The query names no table it could change"
                                   : "A query over several tables cannot be changed");
  }
  *table = list.names.substr(0, list.names.size() - 1);
  return IDAPI_OK;
}

void ClearModified(RecordCursor* c) {
  for (uint8_t& u : c->usage) u &= static_cast<uint8_t>(~kFieldModified);
}

void AfterChange(RecordCursor* c) {
  c->cache.DropAfterChange();
  c->last = kReadByNumber;
}

// Brings the host's SQL cursor onto the row the engine stands on.
uint16_t PlaceServerRow(RecordCursor* c) {
  if (c->position == 0) return IDAPI_ERR_NO_CURRENT_RECORD;
  if (c->serverRow == c->position) return IDAPI_OK;
  const int32_t got = ReadQueryRow(c, c->position);
  if (got < 0) return MapSqlFailure(got);
  return got == 0 ? IDAPI_ERR_NO_CURRENT_RECORD : IDAPI_OK;
}

uint16_t RunPositioned(RecordCursor* c, const std::string& statement) {
  const int32_t r =
      VNXSqlRow(c->sqlCursor, statement.c_str(), static_cast<int32_t>(statement.size()));
  if (r < 0) return MapSqlFailure(r);
  AfterChange(c);
  return IDAPI_OK;
}

}  // namespace

bool AppendValueLiteral(const EngineField& f, const uint8_t* record, std::string* out,
                        std::string* problem) {
  const uint8_t* v = record + f.offset;
  switch (f.type) {
    case IDAPI_TYPE_STRING:
    case IDAPI_TYPE_BLOB:
    case IDAPI_TYPE_RAW: {
      const size_t n = f.type == IDAPI_TYPE_STRING ? idapi_text_length(v, 0, f.length) : f.length;
      *out += Quoted(std::string(reinterpret_cast<const char*>(v), n), '\'');
      return true;
    }
    case IDAPI_TYPE_DATE:
    case IDAPI_TYPE_TIME:
    case IDAPI_TYPE_TIMESTAMP:
      // The record holds the AS/400 text of the value.
      *out += Quoted(std::string(reinterpret_cast<const char*>(v), f.units1), '\'');
      return true;
    case IDAPI_TYPE_BOOL:
      *out += idapi_get_i16(v, 0) != 0 ? "'1'" : "'0'";
      return true;
    case IDAPI_TYPE_BYTES: {
      static const char kHex[] = "0123456789ABCDEF";
      *out += "X'";
      for (uint16_t i = 0; i < f.length; ++i) {
        *out += kHex[v[i] >> 4];
        *out += kHex[v[i] & 0x0F];
      }
      *out += "'";
      return true;
    }
    case IDAPI_TYPE_PACKED: {
      // Decimal bytes: digits in nibbles, the sign in the last one.
      std::string digits;
      for (uint16_t i = 0; i < f.length * 2u - 1u; ++i) {
        const int d = i % 2 == 0 ? v[i / 2] >> 4 : v[i / 2] & 0x0F;
        if (d > 9) {
          *problem = "a packed value that is no number";
          return false;
        }
        digits += static_cast<char>('0' + d);
      }
      const int sign = f.length > 0 ? v[f.length - 1] & 0x0F : 0x0F;
      const size_t scale = std::min<size_t>(f.units2, digits.size());
      std::string text = digits.substr(0, digits.size() - scale);
      text.erase(0, std::min(text.find_first_not_of('0'), text.size()));
      if (text.empty()) text = "0";
      if (scale > 0) text += "." + digits.substr(digits.size() - scale);
      if (sign == 0x0D || sign == 0x0B) text = "-" + text;
      *out += text;
      return f.length > 0;
    }
    default:
      return AppendConstant(f.type, v, f.length, kSqlStyle, out, problem);
  }
}

uint16_t BuildChange(const RecordCursor* c, const uint8_t* record, ChangeKind kind,
                     std::string* statement) {
  std::string table;
  if (uint16_t s = OnlyTable(c, &table); s != IDAPI_OK) return s;
  std::string names, values;
  int modified = 0;
  for (size_t i = 0; i < c->fields.size(); ++i) {
    if ((c->usage[i] & kFieldModified) == 0) continue;
    const EngineField& f = c->fields[i];
    std::string literal, problem;
    if (!AppendValueLiteral(f, record, &literal, &problem)) {
      return Refused("The field " + f.name + " cannot be written into a statement: " + problem);
    }
    const char* separator = modified > 0 ? ", " : "";
    if (kind == ChangeKind::kUpdate) {
      names += separator + f.name + "=" + literal;
    } else {
      names += separator + f.name;
      values += separator + literal;
    }
    ++modified;
  }
  if (modified == 0) {
    PostMessage(IDAPI_ERR_NOTHING_CHANGED, "No field of the row was changed");
    return IDAPI_ERR_NOTHING_CHANGED;
  }
  if (kind == ChangeKind::kUpdate) {
    *statement = "UPDATE " + table + " SET " + names;
  } else {
    *statement = "INSERT INTO " + table + " ( " + names + " ) " + " VALUES ( " + values + " ) ";
  }
  if (statement->size() > kStatementLimit) {
    return Refused("The statement for the row is longer than 32000 characters");
  }
  return IDAPI_OK;
}

uint16_t InsertQueryRow(RecordCursor* c, uint8_t* record) {
  std::string statement;
  const uint16_t s = BuildChange(c, record, ChangeKind::kInsert, &statement);
  ClearModified(c);
  if (s != IDAPI_OK) return s;
  const int32_t r = VNXSqlImmediate(statement.c_str(), static_cast<int32_t>(statement.size()));
  if (r != 0) return MapSqlFailure(r);
  AfterChange(c);
  return IDAPI_OK;
}

uint16_t ModifyQueryRow(RecordCursor* c, uint8_t* record) {
  uint16_t s = PlaceServerRow(c);
  std::string statement;
  if (s == IDAPI_OK) s = BuildChange(c, record, ChangeKind::kUpdate, &statement);
  if (s == IDAPI_OK) s = RunPositioned(c, statement);
  ClearModified(c);
  return s;
}

uint16_t DeleteQueryRow(RecordCursor* c) {
  uint16_t s = PlaceServerRow(c);
  std::string table;
  if (s == IDAPI_OK) s = OnlyTable(c, &table);
  if (s == IDAPI_OK) s = RunPositioned(c, "DELETE FROM " + table);
  if (s == IDAPI_OK) c->serverRow += 1;
  ClearModified(c);
  return s;
}

uint16_t QueryRecordCount(RecordCursor* c, int32_t* count) {
  if (count == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  if (IsGrouped(c->statement)) {
    // Groups cannot be counted by a COUNT(*) of the same text: the rows the
    // host kept at open are counted instead.
    unsigned char area[4] = {};
    const int32_t r = VNXGetDesc(c->paths[0].handle, area, 4, VNX_DESC_RECORD_COUNT, nullptr);
    if (r < 0) return MapClientFailure(r);
    *count = idapi_get_i32(area, 0);
    return IDAPI_OK;
  }
  const std::string text = CountStatement(c->statement);
  if (text.empty()) {
    PostMessage(IDAPI_ERR_NOT_SUPPORTED, "The query has no FROM clause to count");
    return IDAPI_ERR_NOT_SUPPORTED;
  }
  const int32_t number = VNXSqlDeclare(text.c_str(), static_cast<int32_t>(text.size()));
  if (number < 0) return MapSqlFailure(number);
  int32_t r = VNXSqlOpen(number);
  unsigned char value[4] = {};
  if (r >= 0) r = VNXSqlFetch(number, value, 4);
  const uint16_t status = r < 0 ? MapSqlFailure(r) : IDAPI_OK;
  VNXSqlClose(number);
  if (status == IDAPI_OK) *count = idapi_get_i32(value, 0);
  return status;
}

}  // namespace vantora::driver
