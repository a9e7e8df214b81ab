// Results: describing their columns, binding, fetching rowsets (row arrays
// of any size; static cursors scroll) and SQLGetData in pieces.
#include <algorithm>
#include <cstring>

#include "odbc/handles.h"
#include "odbc/statement.h"
#include "odbc/text_io.h"

namespace vantora::odbc {
namespace {

bool HasResult(Stmt* st) {
  return st->result != nullptr;
}

SQLRETURN NoCursor(Stmt* st) {
  return st->diag.Add("24000", "The statement has no open cursor");
}

// Writes column `number` of the current row into row `row` of its binding.
SQLRETURN WriteBound(Stmt* st, int number, const Binding& b, SQLULEN row, Diagnostics& diag) {
  Desc* ard = st->ardIn;
  const SQLLEN offset = ard->bindOffset != nullptr ? *ard->bindOffset : 0;
  const bool byColumn = ard->bindType == SQL_BIND_BY_COLUMN;
  char* data = nullptr;
  if (b.data != nullptr) {
    data = static_cast<char*>(b.data) + offset +
           static_cast<SQLLEN>(row) * (byColumn ? b.size : ard->bindType);
    if (byColumn && b.size == 0) {
      // A fixed-length C type: its own size is the step.
      static const struct {
        SQLSMALLINT type;
        SQLLEN size;
      } kSizes[] = {{SQL_C_SSHORT, 2},
                    {SQL_C_SHORT, 2},
                    {SQL_C_USHORT, 2},
                    {SQL_C_SLONG, 4},
                    {SQL_C_LONG, 4},
                    {SQL_C_ULONG, 4},
                    {SQL_C_SBIGINT, 8},
                    {SQL_C_UBIGINT, 8},
                    {SQL_C_FLOAT, 4},
                    {SQL_C_DOUBLE, 8},
                    {SQL_C_BIT, 1},
                    {SQL_C_TINYINT, 1},
                    {SQL_C_STINYINT, 1},
                    {SQL_C_UTINYINT, 1},
                    {SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT)},
                    {SQL_C_TYPE_TIME, sizeof(SQL_TIME_STRUCT)},
                    {SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT)},
                    {SQL_C_NUMERIC, sizeof(SQL_NUMERIC_STRUCT)}};
      for (const auto& s : kSizes) {
        if (s.type == b.cType) data = static_cast<char*>(b.data) + offset + row * s.size;
      }
    }
  }
  auto at = [&](SQLLEN* p) -> SQLLEN* {
    if (p == nullptr) return nullptr;
    return reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(p) + offset +
                                     (byColumn ? row * sizeof(SQLLEN) : row * ard->bindType));
  };
  SQLLEN* length = at(b.length);
  SQLLEN* indicator = at(b.indicator);
  Value& v = st->fetched;
  if (SQLRETURN r = st->result->Get(number, &v, diag); r != SQL_SUCCESS) return r;
  SQLLEN full = 0;
  const Column& c = st->result->columns()[static_cast<size_t>(number - 1)];
  const Conversion conv =
      Convert(v, b.cType, c.sqlType, data, b.size, 0, &full, nullptr, b.numericForm());
  if (conv.code == SQL_ERROR) return diag.Add(conv.state, conv.message);
  if (full == SQL_NULL_DATA) {
    if (indicator == nullptr && length == nullptr) {
      return diag.Add("22002",
                      "Column " + std::to_string(number) + " is NULL and no indicator was bound");
    }
    if (indicator != nullptr) *indicator = SQL_NULL_DATA;
    if (length != nullptr) *length = SQL_NULL_DATA;
  } else {
    if (length != nullptr) *length = full;
    if (indicator != nullptr && indicator != length) *indicator = 0;
  }
  if (conv.code == SQL_SUCCESS_WITH_INFO) return diag.Add(conv.state, conv.message);
  return SQL_SUCCESS;
}

// The values of the current row into the bound buffers of rowset row `row`.
SQLRETURN WriteRow(Stmt* st, SQLULEN row, Diagnostics& diag) {
  Desc* ard = st->ardIn;
  SQLRETURN result = SQL_SUCCESS;
  const int columns = static_cast<int>(st->result->columns().size());
  for (int n = 1; n < static_cast<int>(ard->records.size()) && n <= columns; ++n) {
    const Binding& b = ard->records[static_cast<size_t>(n)];
    if (!b.bound() || !st->retrieveData) continue;
    const SQLRETURN r = WriteBound(st, n, b, row, diag);
    if (r == SQL_ERROR) return r;
    if (r == SQL_SUCCESS_WITH_INFO) result = r;
  }
  return result;
}

// Where a static cursor's rowset starts for a fetch orientation; false
// (SQL_NO_DATA) before the first or after the last row.
long TargetStart(Stmt* st, SQLSMALLINT orientation, SQLLEN offset, SQLULEN size) {
  const long n = static_cast<long>(size);
  const long total = st->result->Size();
  const bool before = st->result->Position() < 0 && st->rowsInRowset == 0;
  const long current = st->rowsetStart;
  switch (orientation) {
    case SQL_FETCH_NEXT:
      return before ? 0 : current + static_cast<long>(std::max<SQLULEN>(st->rowsInRowset, 1));
    case SQL_FETCH_PRIOR:
      if (before) return -1;
      if (current == 0) return -1;
      return std::max(0L, current - n);
    case SQL_FETCH_FIRST:
      return 0;
    case SQL_FETCH_LAST:
      return std::max(0L, total - n);
    case SQL_FETCH_ABSOLUTE:
      if (offset > 0) return offset - 1;
      if (offset == 0) return -1;
      return total + offset < 0 ? (-offset > n ? -1 : 0) : total + offset;
    case SQL_FETCH_RELATIVE:
      return current + offset;
    default:
      return -1;
  }
}

}  // namespace

SQLRETURN Fetch(Stmt* st, SQLSMALLINT orientation, SQLLEN offset, SQLULEN arraySize,
                SQLULEN* fetched, SQLUSMALLINT* statuses) {
  Diagnostics& diag = st->diag;
  if (!HasResult(st))
    return st->isSelect || st->state == StmtState::kExecuted
               ? NoCursor(st)
               : st->diag.Add("HY010", "The statement was not executed");
  ResultSet& rs = *st->result;
  st->getDataColumn = 0;
  st->getDataOffset = 0;
  if (orientation != SQL_FETCH_NEXT && !rs.Scrollable()) {
    return diag.Add("HY106",
                    "A forward-only cursor fetches only SQL_FETCH_NEXT: set "
                    "SQL_ATTR_CURSOR_TYPE to SQL_CURSOR_STATIC to scroll");
  }
  if (orientation == SQL_FETCH_BOOKMARK) {
    return diag.Add("HYC00", "Bookmarks are not supported");
  }
  if (st->cancelRequested.exchange(false)) {
    return diag.Add("HY008", "The statement was cancelled");
  }
  SQLULEN size = std::max<SQLULEN>(arraySize, 1);
  if (st->maxRows > 0 && rs.Position() + 1 >= static_cast<long>(st->maxRows) &&
      orientation == SQL_FETCH_NEXT && !rs.Scrollable()) {
    if (fetched != nullptr) *fetched = 0;
    return SQL_NO_DATA;
  }
  SQLULEN got = 0;
  SQLRETURN result = SQL_SUCCESS;
  bool rowError = false;
  if (rs.Scrollable()) {
    long start = TargetStart(st, orientation, offset, size);
    const long total = rs.Size();
    if (st->maxRows > 0 && total > static_cast<long>(st->maxRows) &&
        start >= static_cast<long>(st->maxRows)) {
      start = total;
    }
    if (start < 0 || start >= total) {
      // Before the start or after the end: no rowset.
      rs.MoveTo(start < 0 ? -1 : total);
      st->rowsetStart = start < 0 ? 0 : total;
      st->rowsInRowset = 0;
      if (fetched != nullptr) *fetched = 0;
      if (statuses != nullptr) {
        for (SQLULEN i = 0; i < size; ++i) statuses[i] = SQL_ROW_NOROW;
      }
      return SQL_NO_DATA;
    }
    st->rowsetStart = start;
    for (SQLULEN i = 0; i < size; ++i) {
      if (!rs.MoveTo(start + static_cast<long>(i))) break;
      const SQLRETURN r = WriteRow(st, i, diag);
      if (statuses != nullptr) {
        statuses[i] = r == SQL_SUCCESS             ? SQL_ROW_SUCCESS
                      : r == SQL_SUCCESS_WITH_INFO ? SQL_ROW_SUCCESS_WITH_INFO
                                                   : SQL_ROW_ERROR;
      }
      if (r == SQL_ERROR) rowError = true;
      if (r == SQL_SUCCESS_WITH_INFO) result = r;
      ++got;
    }
    // The rowset's first row is the current one for SQLGetData.
    rs.MoveTo(start);
  } else {
    st->rowsetStart = rs.Position() + 1;
    for (SQLULEN i = 0; i < size; ++i) {
      if (st->maxRows > 0 && rs.Position() + 1 >= static_cast<long>(st->maxRows)) break;
      const SQLRETURN n = rs.Next(diag);
      if (n == SQL_NO_DATA) break;
      if (n != SQL_SUCCESS) {
        if (got == 0) return n;
        rowError = true;
        break;
      }
      const SQLRETURN r = WriteRow(st, i, diag);
      if (statuses != nullptr) {
        statuses[i] = r == SQL_SUCCESS             ? SQL_ROW_SUCCESS
                      : r == SQL_SUCCESS_WITH_INFO ? SQL_ROW_SUCCESS_WITH_INFO
                                                   : SQL_ROW_ERROR;
      }
      if (r == SQL_ERROR) {
        rowError = true;
        if (size == 1) {
          if (fetched != nullptr) *fetched = 1;
          st->rowsInRowset = 1;
          return SQL_ERROR;
        }
      }
      if (r == SQL_SUCCESS_WITH_INFO) result = r;
      ++got;
    }
  }
  st->rowsInRowset = got;
  if (fetched != nullptr) *fetched = got;
  if (statuses != nullptr) {
    for (SQLULEN i = got; i < size; ++i) statuses[i] = SQL_ROW_NOROW;
  }
  if (got == 0) return SQL_NO_DATA;
  st->state = StmtState::kPositioned;
  if (rowError) return size == 1 ? SQL_ERROR : SQL_SUCCESS_WITH_INFO;
  return result;
}

SQLRETURN GetData(Stmt* st, SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER target, SQLLEN size,
                  SQLLEN* length) {
  Diagnostics& diag = st->diag;
  if (!HasResult(st)) return NoCursor(st);
  if (st->state != StmtState::kPositioned || st->rowsInRowset == 0) {
    return diag.Add("24000", "The cursor stands on no row: fetch first");
  }
  if (st->rowsInRowset > 1 && !st->result->Scrollable()) {
    return diag.Add("HYC00", "SQLGetData works on rowsets of one row of a forward-only cursor");
  }
  const int columns = static_cast<int>(st->result->columns().size());
  if (column == 0) return diag.Add("07009", "Bookmarks are not supported");
  if (column > columns) return diag.Add("07009", "No column " + std::to_string(column));
  if (st->getDataColumn != column) {
    st->getDataColumn = column;
    st->getDataOffset = 0;
  } else if (st->getDataOffset == SIZE_MAX) {
    return SQL_NO_DATA;  // every piece was given
  }
  // SQL_ARD_TYPE: the type (and a numeric's precision and scale) of the
  // column's record in the row descriptor.
  NumericForm numeric;
  if (cType == SQL_ARD_TYPE) {
    const Desc* ard = st->ardIn;
    if (static_cast<size_t>(column) >= ard->records.size() || ard->records[column].cType == 0) {
      return diag.Add("07009", "Column " + std::to_string(column) +
                                   " has no type in the row descriptor (SQL_ARD_TYPE)");
    }
    cType = ard->records[column].cType;
    numeric = ard->records[column].numericForm();
  }
  Value v;
  if (SQLRETURN r = st->result->Get(column, &v, diag); r != SQL_SUCCESS) return r;
  const Column& c = st->result->columns()[static_cast<size_t>(column - 1)];
  size_t written = 0;
  const Conversion conv =
      Convert(v, cType, c.sqlType, target, size, st->getDataOffset, length, &written, numeric);
  if (conv.code == SQL_ERROR) return diag.Add(conv.state, conv.message);
  const bool pieces =
      cType == SQL_C_CHAR || cType == SQL_C_WCHAR || cType == SQL_C_BINARY ||
      (cType == SQL_C_DEFAULT &&
       (c.sqlType == SQL_CHAR || c.sqlType == SQL_VARCHAR || c.sqlType == SQL_BINARY));
  if (pieces && conv.code == SQL_SUCCESS_WITH_INFO && std::strcmp(conv.state, "01004") == 0) {
    st->getDataOffset += written;
    return diag.Add(conv.state, conv.message);
  }
  st->getDataOffset = SIZE_MAX;
  if (conv.code == SQL_SUCCESS_WITH_INFO) return diag.Add(conv.state, conv.message);
  return SQL_SUCCESS;
}

SQLRETURN ColumnAttribute(Stmt* st, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER text,
                          SQLSMALLINT capacity, SQLSMALLINT* length, SQLLEN* numeric, bool wide) {
  Diagnostics& diag = st->diag;
  if (!HasResult(st)) {
    if (st->state == StmtState::kPrepared) {
      if (field == SQL_DESC_COUNT && numeric != nullptr) *numeric = 0;
      if (field == SQL_DESC_COUNT) return SQL_SUCCESS;
    }
    return diag.Add(st->state == StmtState::kAllocated ? "HY010" : "07005",
                    "The statement has no result columns");
  }
  const auto& columns = st->result->columns();
  if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) {
    if (numeric != nullptr) *numeric = static_cast<SQLLEN>(columns.size());
    return SQL_SUCCESS;
  }
  if (number < 1 || number > columns.size()) {
    return diag.Add("07009", "No column " + std::to_string(number));
  }
  const Column& c = columns[number - 1u];
  auto put = [&](SQLLEN v) -> SQLRETURN {
    if (numeric != nullptr) *numeric = v;
    return SQL_SUCCESS;
  };
  auto say = [&](const std::string& s) {
    return OutS(s, text, capacity, wide, true, length, &diag);
  };
  const bool character = c.sqlType == SQL_CHAR || c.sqlType == SQL_VARCHAR;
  switch (field) {
    case SQL_DESC_NAME:
    case SQL_DESC_LABEL:
    case SQL_DESC_BASE_COLUMN_NAME:
    case SQL_COLUMN_NAME:
      return say(c.name);
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
      return say(c.table);
    case SQL_DESC_SCHEMA_NAME:
      return say(c.schema);
    case SQL_DESC_CATALOG_NAME:
      return say("");
    case SQL_DESC_TYPE_NAME:
    case SQL_DESC_LOCAL_TYPE_NAME:
      return say(TypeName(c.sqlType));
    case SQL_DESC_LITERAL_PREFIX:
    case SQL_DESC_LITERAL_SUFFIX:
      return say(character                 ? "'"
                 : c.sqlType == SQL_BINARY ? (field == SQL_DESC_LITERAL_PREFIX ? "X'" : "'")
                                           : "");
    case SQL_DESC_CONCISE_TYPE:  // also SQL_COLUMN_TYPE
      return put(c.sqlType);
    case SQL_DESC_TYPE:
      return put(c.sqlType == SQL_TYPE_DATE || c.sqlType == SQL_TYPE_TIME ||
                         c.sqlType == SQL_TYPE_TIMESTAMP
                     ? SQL_DATETIME
                     : c.sqlType);
    case SQL_DESC_DATETIME_INTERVAL_CODE:
      return put(c.sqlType == SQL_TYPE_DATE        ? SQL_CODE_DATE
                 : c.sqlType == SQL_TYPE_TIME      ? SQL_CODE_TIME
                 : c.sqlType == SQL_TYPE_TIMESTAMP ? SQL_CODE_TIMESTAMP
                                                   : 0);
    case SQL_DESC_LENGTH:
    case SQL_COLUMN_LENGTH:
      return put(field == SQL_COLUMN_LENGTH ? OctetLength(c) : static_cast<SQLLEN>(c.size));
    case SQL_DESC_OCTET_LENGTH:
      return put(OctetLength(c));
    case SQL_DESC_PRECISION:
    case SQL_COLUMN_PRECISION:
      return put(static_cast<SQLLEN>(c.size));
    case SQL_DESC_SCALE:
    case SQL_COLUMN_SCALE:
      return put(c.decimals);
    case SQL_DESC_DISPLAY_SIZE:
      return put(DisplaySize(c));
    case SQL_DESC_NULLABLE:
    case SQL_COLUMN_NULLABLE:
      return put(c.nullable);
    case SQL_DESC_UNSIGNED:
      return put(c.isSigned ? SQL_FALSE : SQL_TRUE);
    case SQL_DESC_NUM_PREC_RADIX:
      return put(c.sqlType == SQL_REAL || c.sqlType == SQL_DOUBLE ? 2 : c.isSigned ? 10 : 0);
    case SQL_DESC_SEARCHABLE:
      return put(SQL_PRED_SEARCHABLE);
    case SQL_DESC_UPDATABLE:
      return put(SQL_ATTR_READONLY);
    case SQL_DESC_CASE_SENSITIVE:
      return put(character ? SQL_TRUE : SQL_FALSE);
    case SQL_DESC_AUTO_UNIQUE_VALUE:
    case SQL_DESC_FIXED_PREC_SCALE:  // no money types: decimals are plain exact numbers
      return put(SQL_FALSE);
    case SQL_DESC_UNNAMED:
      return put(c.name.empty() ? SQL_UNNAMED : SQL_NAMED);
    default:
      return diag.Add("HY091", "Unknown column attribute " + std::to_string(field));
  }
}

SQLRETURN DescribeColumn(Stmt* st, SQLUSMALLINT number, void* name, SQLSMALLINT capacity,
                         SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLULEN* size,
                         SQLSMALLINT* decimals, SQLSMALLINT* nullable, bool wide) {
  Diagnostics& diag = st->diag;
  if (!HasResult(st)) {
    return diag.Add(st->state == StmtState::kAllocated ? "HY010" : "07005",
                    "The statement has no result columns");
  }
  const auto& columns = st->result->columns();
  if (number < 1 || number > columns.size()) {
    return diag.Add("07009", "No column " + std::to_string(number));
  }
  const Column& c = columns[number - 1u];
  if (type != nullptr) *type = c.sqlType;
  if (size != nullptr) *size = c.size;
  if (decimals != nullptr) *decimals = c.decimals;
  if (nullable != nullptr) *nullable = c.nullable;
  return OutS(c.name, name, capacity, wide, false, nameLength, &diag);
}

}  // namespace vantora::odbc
