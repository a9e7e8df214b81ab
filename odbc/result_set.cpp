#include "odbc/result_set.h"

#include <cmath>
#include <cstring>

#include "odbc/diagnostics.h"

namespace vantora::odbc {

Column ColumnOf(const VdbField& f) {
  Column c;
  c.name = f.name;
  c.nullable = f.nullable != 0 ? SQL_NULLABLE : SQL_NO_NULLS;
  switch (f.type) {
    case IDAPI_TYPE_STRING: {
      const uint16_t kind = f.subtype & IDAPI_SUBTYPE_KIND_MASK;
      if (kind == IDAPI_SUBTYPE_PACKED_TEXT || kind == IDAPI_SUBTYPE_ZONED_TEXT) {
        c.sqlType = kind == IDAPI_SUBTYPE_PACKED_TEXT ? SQL_DECIMAL : SQL_NUMERIC;
        c.size = IDAPI_SUBTYPE_DIGITS(f.subtype);
        c.decimals = static_cast<SQLSMALLINT>(IDAPI_SUBTYPE_DECIMALS(f.subtype));
        c.isSigned = true;
      } else {
        // A variable-length field is as long as its units and its length word.
        c.sqlType = f.length == f.units1 + 2u ? SQL_VARCHAR : SQL_CHAR;
        c.size = f.units1 != 0 ? f.units1 : f.length;
      }
      break;
    }
    case IDAPI_TYPE_BOOL:
    case IDAPI_TYPE_INT16:
      c.sqlType = SQL_SMALLINT;
      c.size = 5;
      c.isSigned = true;
      break;
    case IDAPI_TYPE_UINT16:
    case IDAPI_TYPE_INT32:
      c.sqlType = SQL_INTEGER;
      c.size = 10;
      c.isSigned = true;
      break;
    case IDAPI_TYPE_UINT32:
      c.sqlType = SQL_BIGINT;
      c.size = 19;
      c.isSigned = true;
      break;
    case IDAPI_TYPE_FLOAT:
      c.sqlType = f.length == 4 ? SQL_REAL : SQL_DOUBLE;
      c.size = f.length == 4 ? 7 : 15;
      c.isSigned = true;
      break;
    case IDAPI_TYPE_DATE:
      c.sqlType = SQL_TYPE_DATE;
      c.size = 10;
      break;
    case IDAPI_TYPE_TIME:
      c.sqlType = SQL_TYPE_TIME;
      c.size = 8;
      break;
    case IDAPI_TYPE_TIMESTAMP:
      c.sqlType = SQL_TYPE_TIMESTAMP;
      c.size = 23;
      c.decimals = 3;
      break;
    default:
      c.sqlType = SQL_BINARY;
      c.size = f.length;
      break;
  }
  return c;
}

SQLLEN OctetLength(const Column& c) {
  switch (c.sqlType) {
    case SQL_SMALLINT:
      return 2;
    case SQL_INTEGER:
      return 4;
    case SQL_BIGINT:
    case SQL_DOUBLE:
    case SQL_FLOAT:
      return 8;
    case SQL_REAL:
      return 4;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
      return 6;
    case SQL_TYPE_TIMESTAMP:
      return 16;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return static_cast<SQLLEN>(c.size) + 2;
    default:
      return static_cast<SQLLEN>(c.size);
  }
}

SQLLEN DisplaySize(const Column& c) {
  switch (c.sqlType) {
    case SQL_SMALLINT:
      return 6;
    case SQL_INTEGER:
      return 11;
    case SQL_BIGINT:
      return 20;
    case SQL_REAL:
      return 14;
    case SQL_DOUBLE:
    case SQL_FLOAT:
      return 24;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return static_cast<SQLLEN>(c.size) + 2;
    case SQL_BINARY:
    case SQL_VARBINARY:
      return static_cast<SQLLEN>(c.size) * 2;
    default:
      return static_cast<SQLLEN>(c.size);
  }
}

const char* TypeName(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_CHAR:
      return "CHAR";
    case SQL_VARCHAR:
      return "VARCHAR";
    case SQL_DECIMAL:
      return "DECIMAL";
    case SQL_NUMERIC:
      return "NUMERIC";
    case SQL_SMALLINT:
      return "SMALLINT";
    case SQL_INTEGER:
      return "INTEGER";
    case SQL_BIGINT:
      return "BIGINT";
    case SQL_REAL:
      return "REAL";
    case SQL_DOUBLE:
      return "DOUBLE";
    case SQL_TYPE_DATE:
      return "DATE";
    case SQL_TYPE_TIME:
      return "TIME";
    case SQL_TYPE_TIMESTAMP:
      return "TIMESTAMP";
    case SQL_BINARY:
      return "BINARY";
    default:
      return "CHAR";
  }
}

SQLRETURN TableResult::Next(Diagnostics&) {
  if (position_ + 1 >= static_cast<long>(rows_.size())) {
    position_ = static_cast<long>(rows_.size());
    return SQL_NO_DATA;
  }
  ++position_;
  return SQL_SUCCESS;
}

bool TableResult::MoveTo(long position) {
  if (position < 0) {
    position_ = -1;
    return false;
  }
  if (position >= static_cast<long>(rows_.size())) {
    position_ = static_cast<long>(rows_.size());
    return false;
  }
  position_ = position;
  return true;
}

SQLRETURN TableResult::Get(int column, Value* value, Diagnostics& diag) {
  if (position_ < 0 || position_ >= static_cast<long>(rows_.size())) {
    return diag.Add("24000", "The cursor stands on no row");
  }
  const auto& row = rows_[static_cast<size_t>(position_)];
  if (column < 1 || column > static_cast<int>(row.size())) {
    return diag.Add("07009", "No column " + std::to_string(column));
  }
  *value = row[static_cast<size_t>(column - 1)];
  return SQL_SUCCESS;
}

EngineResult::EngineResult(VdbCursor* cursor, uint16_t codePage, const std::string& table,
                           const std::string& schema)
    : cursor_(cursor), codePage_(codePage) {
  uint16_t count = 0;
  VdbFieldCount(cursor_, &count);
  for (uint16_t i = 1; i <= count; ++i) {
    VdbField f{};
    VdbFieldInfo(cursor_, i, &f);
    fields_.push_back(f);
    Column c = ColumnOf(f);
    c.table = table;
    c.schema = schema;
    columns_.push_back(c);
  }
  spans_.resize(fields_.size());
}

EngineResult::~EngineResult() {
  if (cursor_ != nullptr) VdbCloseCursor(cursor_);
}

SQLRETURN EngineResult::Next(Diagnostics& diag) {
  if (atEnd_) return SQL_NO_DATA;
  const uint16_t s = VdbNext(cursor_);
  if (s == IDAPI_ERR_EOF) {
    VdbClearError();
    atEnd_ = true;
    ++position_;
    return SQL_NO_DATA;
  }
  if (s != IDAPI_OK) return diag.AddEngineError(s);
  ++position_;
  rowLoaded_ = false;
  return SQL_SUCCESS;
}

SQLRETURN EngineResult::LoadRow(Diagnostics& diag) {
  const auto count = static_cast<uint16_t>(fields_.size());
  uint32_t needed = 0;
  uint16_t s = VdbGetFieldValues(cursor_, count, spans_.data(), values_.data(),
                                 static_cast<uint32_t>(values_.size()), &needed);
  if (s == IDAPI_ERR_VALUE_OVERFLOW && needed > values_.size()) {
    VdbClearError();
    values_.resize(needed);
    s = VdbGetFieldValues(cursor_, count, spans_.data(), values_.data(),
                          static_cast<uint32_t>(values_.size()), &needed);
  }
  if (s != IDAPI_OK) return diag.AddEngineError(s);
  rowLoaded_ = true;
  return SQL_SUCCESS;
}

SQLRETURN EngineResult::Get(int column, Value* value, Diagnostics& diag) {
  if (position_ < 0 || atEnd_) return diag.Add("24000", "The cursor stands on no row");
  if (column < 1 || column > static_cast<int>(fields_.size())) {
    return diag.Add("07009", "No column " + std::to_string(column));
  }
  if (!rowLoaded_) {
    if (SQLRETURN r = LoadRow(diag); r != SQL_SUCCESS) return r;
  }
  const auto i = static_cast<size_t>(column - 1);
  DecodeFieldValue(fields_[i], values_.data() + spans_[i].offset, spans_[i].length,
                   spans_[i].isNull != 0, codePage_, value);
  return SQL_SUCCESS;
}

std::unique_ptr<TableResult> EngineResult::ReadAll(Diagnostics& diag, SQLRETURN* status) {
  auto table = std::make_unique<TableResult>(columns_);
  *status = SQL_SUCCESS;
  for (;;) {
    const SQLRETURN r = Next(diag);
    if (r == SQL_NO_DATA) break;
    if (r != SQL_SUCCESS) {
      *status = r;
      return nullptr;
    }
    std::vector<Value> row(fields_.size());
    for (size_t i = 0; i < fields_.size(); ++i) {
      if (SQLRETURN g = Get(static_cast<int>(i + 1), &row[i], diag); g != SQL_SUCCESS) {
        *status = g;
        return nullptr;
      }
    }
    table->Add(std::move(row));
  }
  return table;
}

namespace {

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void SetDate(int32_t day, Value* v) {
  uint16_t m = 0, d = 0;
  int16_t y = 0;
  IdapiDecodeDate(day, &m, &d, &y);
  v->year = y, v->month = m, v->day = d;
}

void SetTime(int64_t ms, Value* v) {
  v->hour = static_cast<int>(ms / 3600000);
  v->minute = static_cast<int>(ms / 60000 % 60);
  v->second = static_cast<int>(ms / 1000 % 60);
  v->fraction = static_cast<uint32_t>(ms % 1000) * 1000000u;
}

}  // namespace

void DecodeFieldValue(const VdbField& f, const uint8_t* bytes, uint32_t length, bool isNull,
                      uint16_t codePage, Value* value) {
  Value& v = *value;
  if (isNull) {
    v.kind = Value::Kind::kNull;
    v.text.clear();
    return;
  }
  switch (f.type) {
    case IDAPI_TYPE_STRING: {
      const char* t = reinterpret_cast<const char*>(bytes);
      const uint16_t kind = f.subtype & IDAPI_SUBTYPE_KIND_MASK;
      if (kind == IDAPI_SUBTYPE_PACKED_TEXT || kind == IDAPI_SUBTYPE_ZONED_TEXT) {
        v.kind = Value::Kind::kDecimal;
        if (!DecimalText(std::string_view(t, length), &v.text)) v.text.assign(t, length);
        break;
      }
      bool ascii = true;
      for (uint32_t i = 0; i < length && ascii; ++i)
        ascii = static_cast<unsigned char>(t[i]) < 0x80;
      v.kind = Value::Kind::kText;
      if (ascii || codePage == 65001) {
        v.text.assign(t, length);
      } else {
        v.text = Cp1252ToUtf8(t, length);
      }
      break;
    }
    case IDAPI_TYPE_BOOL:
    case IDAPI_TYPE_INT16:
      v.kind = Value::Kind::kInteger;
      v.integer = Load<int16_t>(bytes);
      break;
    case IDAPI_TYPE_UINT16:
      v.kind = Value::Kind::kInteger;
      v.integer = Load<uint16_t>(bytes);
      break;
    case IDAPI_TYPE_INT32:
      v.kind = Value::Kind::kInteger;
      v.integer = Load<int32_t>(bytes);
      break;
    case IDAPI_TYPE_UINT32:
      v.kind = Value::Kind::kInteger;
      v.integer = Load<uint32_t>(bytes);
      break;
    case IDAPI_TYPE_FLOAT:
      v.kind = Value::Kind::kDouble;
      v.real = Load<double>(bytes);
      if (f.length == 4) v.real = static_cast<float>(v.real);
      break;
    case IDAPI_TYPE_DATE:
      v.kind = Value::Kind::kDate;
      SetDate(Load<int32_t>(bytes), &v);
      SetTime(0, &v);
      break;
    case IDAPI_TYPE_TIME:
      v.kind = Value::Kind::kTime;
      v.year = v.month = v.day = 0;
      SetTime(Load<uint32_t>(bytes), &v);
      break;
    case IDAPI_TYPE_TIMESTAMP: {
      v.kind = Value::Kind::kTimestamp;
      const double stamp = Load<double>(bytes);
      const auto total = static_cast<int64_t>(std::llround(stamp));
      SetDate(static_cast<int32_t>(total / 86400000), &v);
      SetTime(total % 86400000, &v);
      break;
    }
    default:
      v.kind = Value::Kind::kBinary;
      v.text.assign(reinterpret_cast<const char*>(bytes), length);
      break;
  }
}

}  // namespace vantora::odbc
