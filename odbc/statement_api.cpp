// The statement functions of the interface, ANSI and wide.
#include <cstring>

#include "odbc/handles.h"
#include "odbc/statement.h"
#include "odbc/text_io.h"

using namespace vantora::odbc;

namespace {

// Holds the driver's lock and finds the live statement, clearing its diagnostics.
#define STATEMENT(handle)                         \
  std::lock_guard lock(DriverLock());             \
  Stmt* st = LiveAs<Stmt>((handle), Kind::kStmt); \
  if (st == nullptr) return SQL_INVALID_HANDLE;   \
  st->diag.Clear()

SQLRETURN ExecDirect(Stmt* st, const std::string& text) {
  if (st->result != nullptr) return st->diag.Add("24000", "A cursor is open: close it first");
  const SQLRETURN r = Prepare(st, text);
  if (!SQL_SUCCEEDED(r)) return r;
  return Execute(st);
}

SQLRETURN SetStmtAttr(Stmt* st, SQLINTEGER attribute, SQLPOINTER value) {
  const auto n = static_cast<SQLULEN>(reinterpret_cast<uintptr_t>(value));
  switch (attribute) {
    case SQL_ATTR_ROW_ARRAY_SIZE:
    case SQL_ROWSET_SIZE:
      if (n == 0) return st->diag.Add("HY024", "The row array size must be 1 or more");
      if (attribute == SQL_ROWSET_SIZE) {
        st->rowsetSize = n;
      } else {
        st->ardIn->arraySize = n;
      }
      return SQL_SUCCESS;
    case SQL_ATTR_ROWS_FETCHED_PTR:
      st->ird.processed = static_cast<SQLULEN*>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR:
      st->ird.statusArray = static_cast<SQLUSMALLINT*>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_TYPE:
      st->ardIn->bindType = static_cast<SQLINTEGER>(n);
      return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_OFFSET_PTR:
      st->ardIn->bindOffset = static_cast<SQLLEN*>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_PARAMSET_SIZE:
      if (n == 0) return st->diag.Add("HY024", "The parameter set size must be 1 or more");
      st->apdIn->arraySize = n;
      return SQL_SUCCESS;
    case SQL_ATTR_PARAM_BIND_TYPE:
      st->apdIn->bindType = static_cast<SQLINTEGER>(n);
      return SQL_SUCCESS;
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
      st->apdIn->bindOffset = static_cast<SQLLEN*>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_PARAM_STATUS_PTR:
      st->ipd.statusArray = static_cast<SQLUSMALLINT*>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_PARAM_OPERATION_PTR:
      st->apdIn->statusArray = static_cast<SQLUSMALLINT*>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_PARAMS_PROCESSED_PTR:
      st->ipd.processed = static_cast<SQLULEN*>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_ROW_OPERATION_PTR:
      st->ardIn->statusArray = static_cast<SQLUSMALLINT*>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_TYPE:
      if (st->result != nullptr) return st->diag.Add("24000", "A cursor is open");
      if (n == SQL_CURSOR_FORWARD_ONLY || n == SQL_CURSOR_STATIC) {
        st->cursorType = n;
        return SQL_SUCCESS;
      }
      st->cursorType = SQL_CURSOR_STATIC;
      return st->diag.Add("01S02", "Keyset-driven and dynamic cursors are static cursors here");
    case SQL_ATTR_CONCURRENCY:
      if (n != SQL_CONCUR_READ_ONLY) {
        return st->diag.Add("01S02", "Cursors are read-only: SQL_CONCUR_READ_ONLY is used");
      }
      return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_SCROLLABLE:
      st->cursorType = n == SQL_SCROLLABLE ? SQL_CURSOR_STATIC : SQL_CURSOR_FORWARD_ONLY;
      return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_SENSITIVITY:
      if (n == SQL_SENSITIVE) return st->diag.Add("HYC00", "Cursors are not sensitive to changes");
      return SQL_SUCCESS;
    case SQL_ATTR_QUERY_TIMEOUT:
      st->queryTimeout = n;
      if (n != 0) {
        return st->diag.Add("01S02", "The host ends statements after 30 seconds itself: 0 is used");
      }
      return SQL_SUCCESS;
    case SQL_ATTR_MAX_ROWS:
      st->maxRows = n;
      return SQL_SUCCESS;
    case SQL_ATTR_MAX_LENGTH:
      if (n != 0) return st->diag.Add("01S02", "Values are never cut by the driver: 0 is used");
      return SQL_SUCCESS;
    case SQL_ATTR_NOSCAN:
      st->noscan = n;
      return SQL_SUCCESS;
    case SQL_ATTR_RETRIEVE_DATA:
      st->retrieveData = n == SQL_RD_ON;
      return SQL_SUCCESS;
    case SQL_ATTR_USE_BOOKMARKS:
      if (n != SQL_UB_OFF) return st->diag.Add("HYC00", "Bookmarks are not supported");
      return SQL_SUCCESS;
    case SQL_ATTR_ASYNC_ENABLE:
      if (n != SQL_ASYNC_ENABLE_OFF) {
        return st->diag.Add("HYC00", "Asynchronous execution is not supported");
      }
      return SQL_SUCCESS;
    case SQL_ATTR_SIMULATE_CURSOR:
    case SQL_ATTR_ENABLE_AUTO_IPD:
    case SQL_ATTR_METADATA_ID:
      return SQL_SUCCESS;
    case SQL_ATTR_APP_ROW_DESC:
    case SQL_ATTR_APP_PARAM_DESC: {
      Desc* d = value == nullptr ? nullptr : LiveAs<Desc>(value, Kind::kDesc);
      if (value != nullptr && d == nullptr) return st->diag.Add("HY024", "Not a descriptor");
      if (attribute == SQL_ATTR_APP_ROW_DESC) {
        st->ardIn = d != nullptr ? d : &st->ard;
      } else {
        st->apdIn = d != nullptr ? d : &st->apd;
      }
      return SQL_SUCCESS;
    }
    case SQL_ATTR_IMP_ROW_DESC:
    case SQL_ATTR_IMP_PARAM_DESC:
      return st->diag.Add("HY017", "An implementation descriptor cannot be set");
    default:
      return st->diag.Add("HY092", "Unknown statement attribute " + std::to_string(attribute));
  }
}

SQLRETURN GetStmtAttr(Stmt* st, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER* length) {
  SQLULEN n = 0;
  void* pointer = nullptr;
  bool isPointer = false;
  switch (attribute) {
    case SQL_ATTR_ROW_ARRAY_SIZE:
      n = st->ardIn->arraySize;
      break;
    case SQL_ROWSET_SIZE:
      n = st->rowsetSize;
      break;
    case SQL_ATTR_ROWS_FETCHED_PTR:
      pointer = st->ird.processed, isPointer = true;
      break;
    case SQL_ATTR_ROW_STATUS_PTR:
      pointer = st->ird.statusArray, isPointer = true;
      break;
    case SQL_ATTR_ROW_BIND_TYPE:
      n = static_cast<SQLULEN>(st->ardIn->bindType);
      break;
    case SQL_ATTR_ROW_BIND_OFFSET_PTR:
      pointer = st->ardIn->bindOffset, isPointer = true;
      break;
    case SQL_ATTR_PARAMSET_SIZE:
      n = st->apdIn->arraySize;
      break;
    case SQL_ATTR_PARAM_BIND_TYPE:
      n = static_cast<SQLULEN>(st->apdIn->bindType);
      break;
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
      pointer = st->apdIn->bindOffset, isPointer = true;
      break;
    case SQL_ATTR_PARAM_STATUS_PTR:
      pointer = st->ipd.statusArray, isPointer = true;
      break;
    case SQL_ATTR_PARAM_OPERATION_PTR:
      pointer = st->apdIn->statusArray, isPointer = true;
      break;
    case SQL_ATTR_PARAMS_PROCESSED_PTR:
      pointer = st->ipd.processed, isPointer = true;
      break;
    case SQL_ATTR_ROW_OPERATION_PTR:
      pointer = st->ardIn->statusArray, isPointer = true;
      break;
    case SQL_ATTR_CURSOR_TYPE:
      n = st->cursorType;
      break;
    case SQL_ATTR_CONCURRENCY:
      n = SQL_CONCUR_READ_ONLY;
      break;
    case SQL_ATTR_CURSOR_SCROLLABLE:
      n = st->cursorType == SQL_CURSOR_FORWARD_ONLY ? SQL_NONSCROLLABLE : SQL_SCROLLABLE;
      break;
    case SQL_ATTR_CURSOR_SENSITIVITY:
      n = SQL_INSENSITIVE;
      break;
    case SQL_ATTR_QUERY_TIMEOUT:
      n = 0;
      break;
    case SQL_ATTR_MAX_ROWS:
      n = st->maxRows;
      break;
    case SQL_ATTR_MAX_LENGTH:
    case SQL_ATTR_ASYNC_ENABLE:
    case SQL_ATTR_USE_BOOKMARKS:
    case SQL_ATTR_METADATA_ID:
    case SQL_ATTR_ENABLE_AUTO_IPD:
      n = 0;
      break;
    case SQL_ATTR_NOSCAN:
      n = st->noscan;
      break;
    case SQL_ATTR_RETRIEVE_DATA:
      n = st->retrieveData ? SQL_RD_ON : SQL_RD_OFF;
      break;
    case SQL_ATTR_ROW_NUMBER:
      n = st->result != nullptr && st->result->Position() >= 0
              ? static_cast<SQLULEN>(st->result->Position() + 1)
              : 0;
      break;
    case SQL_ATTR_APP_ROW_DESC:
      pointer = st->ardIn, isPointer = true;
      break;
    case SQL_ATTR_APP_PARAM_DESC:
      pointer = st->apdIn, isPointer = true;
      break;
    case SQL_ATTR_IMP_ROW_DESC:
      pointer = &st->ird, isPointer = true;
      break;
    case SQL_ATTR_IMP_PARAM_DESC:
      pointer = &st->ipd, isPointer = true;
      break;
    default:
      return st->diag.Add("HY092", "Unknown statement attribute " + std::to_string(attribute));
  }
  if (value != nullptr) {
    if (isPointer) {
      *static_cast<void**>(value) = pointer;
    } else {
      *static_cast<SQLULEN*>(value) = n;
    }
  }
  if (length != nullptr) *length = isPointer ? sizeof(void*) : sizeof(SQLULEN);
  return SQL_SUCCESS;
}

SQLRETURN BindParameter(Stmt* st, SQLUSMALLINT number, SQLSMALLINT ioType, SQLSMALLINT cType,
                        SQLSMALLINT sqlType, SQLULEN columnSize, SQLSMALLINT decimals,
                        SQLPOINTER data, SQLLEN size, SQLLEN* indicator) {
  if (number < 1) return st->diag.Add("07009", "Parameters are numbered from 1");
  if (ioType != SQL_PARAM_INPUT && ioType != SQL_PARAM_OUTPUT && ioType != SQL_PARAM_INPUT_OUTPUT) {
    return st->diag.Add("HY105", "Unknown parameter type " + std::to_string(ioType));
  }
  Desc* apd = st->apdIn;
  if (apd->records.size() <= number) apd->records.resize(number + 1u);
  Binding& b = apd->records[number];
  b.ioType = ioType;
  b.cType = cType;
  b.sqlType = sqlType;
  b.columnSize = columnSize;
  b.decimals = decimals;
  b.data = data;
  b.size = size;
  b.length = indicator;
  b.indicator = indicator;
  return SQL_SUCCESS;
}

SQLRETURN FreeStmt(Stmt* st, SQLUSMALLINT option) {
  switch (option) {
    case SQL_CLOSE:
      CloseCursor(st);
      return SQL_SUCCESS;
    case SQL_DROP:
      FreeStatement(st);
      return SQL_SUCCESS;
    case SQL_UNBIND:
      st->ardIn->records.resize(1);
      return SQL_SUCCESS;
    case SQL_RESET_PARAMS:
      st->apdIn->records.resize(1);
      return SQL_SUCCESS;
    default:
      return st->diag.Add("HY092", "Unknown option " + std::to_string(option));
  }
}

}  // namespace

ODBC_EXPORT SQLRETURN SQL_API SQLPrepare(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
  STATEMENT(handle);
  if (text == nullptr) return st->diag.Add("HY009", "No statement text");
  if (st->result != nullptr) return st->diag.Add("24000", "A cursor is open: close it first");
  return Prepare(st, In(text, length));
}

ODBC_EXPORT SQLRETURN SQL_API SQLPrepareW(SQLHSTMT handle, SQLWCHAR* text, SQLINTEGER length) {
  STATEMENT(handle);
  if (text == nullptr) return st->diag.Add("HY009", "No statement text");
  if (st->result != nullptr) return st->diag.Add("24000", "A cursor is open: close it first");
  return Prepare(st, InW(text, length));
}

ODBC_EXPORT SQLRETURN SQL_API SQLExecute(SQLHSTMT handle) {
  STATEMENT(handle);
  return Execute(st);
}

ODBC_EXPORT SQLRETURN SQL_API SQLExecDirect(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
  STATEMENT(handle);
  if (text == nullptr) return st->diag.Add("HY009", "No statement text");
  return ExecDirect(st, In(text, length));
}

ODBC_EXPORT SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT handle, SQLWCHAR* text, SQLINTEGER length) {
  STATEMENT(handle);
  if (text == nullptr) return st->diag.Add("HY009", "No statement text");
  return ExecDirect(st, InW(text, length));
}

ODBC_EXPORT SQLRETURN SQL_API SQLNumParams(SQLHSTMT handle, SQLSMALLINT* count) {
  STATEMENT(handle);
  if (st->state == StmtState::kAllocated)
    return st->diag.Add("HY010", "The statement is not prepared");
  if (count != nullptr) *count = static_cast<SQLSMALLINT>(st->markers);
  return SQL_SUCCESS;
}

ODBC_EXPORT SQLRETURN SQL_API SQLDescribeParam(SQLHSTMT handle, SQLUSMALLINT number,
                                               SQLSMALLINT* type, SQLULEN* size,
                                               SQLSMALLINT* decimals, SQLSMALLINT* nullable) {
  STATEMENT(handle);
  if (st->prepared == nullptr) return st->diag.Add("HY010", "The statement is not prepared");
  if (number < 1 || number > st->markers) {
    return st->diag.Add("07009", "No parameter " + std::to_string(number));
  }
  VdbField f{};
  uint16_t direction = 0;
  if (const uint16_t s = VdbParameterInfo(st->prepared, number, &f, &direction); s != IDAPI_OK) {
    return st->diag.AddEngineError(s);
  }
  Column c = ColumnOf(f);
  if (!st->isCall) {
    // A marker's type is the column it meets on the host: a text it converts.
    c.sqlType = SQL_VARCHAR;
    c.size = 32000;
    c.nullable = SQL_NULLABLE;
  }
  if (type != nullptr) *type = c.sqlType;
  if (size != nullptr) *size = c.size;
  if (decimals != nullptr) *decimals = c.decimals;
  if (nullable != nullptr) *nullable = st->isCall ? SQL_NO_NULLS : SQL_NULLABLE;
  return SQL_SUCCESS;
}

ODBC_EXPORT SQLRETURN SQL_API SQLBindParameter(SQLHSTMT handle, SQLUSMALLINT number,
                                               SQLSMALLINT ioType, SQLSMALLINT cType,
                                               SQLSMALLINT sqlType, SQLULEN columnSize,
                                               SQLSMALLINT decimals, SQLPOINTER data, SQLLEN size,
                                               SQLLEN* indicator) {
  STATEMENT(handle);
  return BindParameter(st, number, ioType, cType, sqlType, columnSize, decimals, data, size,
                       indicator);
}

ODBC_EXPORT SQLRETURN SQL_API SQLBindParam(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT cType,
                                           SQLSMALLINT sqlType, SQLULEN columnSize,
                                           SQLSMALLINT decimals, SQLPOINTER data,
                                           SQLLEN* indicator) {
  STATEMENT(handle);
  return BindParameter(st, number, SQL_PARAM_INPUT, cType, sqlType, columnSize, decimals, data,
                       SQL_SETPARAM_VALUE_MAX, indicator);
}

ODBC_EXPORT SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT* count) {
  STATEMENT(handle);
  if (st->state == StmtState::kAllocated)
    return st->diag.Add("HY010", "The statement was not prepared");
  if (count != nullptr) {
    *count = st->result != nullptr ? static_cast<SQLSMALLINT>(st->result->columns().size())
                                   : SQLSMALLINT{0};
  }
  return SQL_SUCCESS;
}

ODBC_EXPORT SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT handle, SQLUSMALLINT number, SQLCHAR* name,
                                             SQLSMALLINT capacity, SQLSMALLINT* nameLength,
                                             SQLSMALLINT* type, SQLULEN* size,
                                             SQLSMALLINT* decimals, SQLSMALLINT* nullable) {
  STATEMENT(handle);
  return DescribeColumn(st, number, name, capacity, nameLength, type, size, decimals, nullable,
                        false);
}

ODBC_EXPORT SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT handle, SQLUSMALLINT number, SQLWCHAR* name,
                                              SQLSMALLINT capacity, SQLSMALLINT* nameLength,
                                              SQLSMALLINT* type, SQLULEN* size,
                                              SQLSMALLINT* decimals, SQLSMALLINT* nullable) {
  STATEMENT(handle);
  return DescribeColumn(st, number, name, capacity, nameLength, type, size, decimals, nullable,
                        true);
}

ODBC_EXPORT SQLRETURN SQL_API SQLColAttribute(SQLHSTMT handle, SQLUSMALLINT number,
                                              SQLUSMALLINT field, SQLPOINTER text,
                                              SQLSMALLINT capacity, SQLSMALLINT* length,
                                              SQLLEN* numeric) {
  STATEMENT(handle);
  return ColumnAttribute(st, number, field, text, capacity, length, numeric, false);
}

ODBC_EXPORT SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT handle, SQLUSMALLINT number,
                                               SQLUSMALLINT field, SQLPOINTER text,
                                               SQLSMALLINT capacity, SQLSMALLINT* length,
                                               SQLLEN* numeric) {
  STATEMENT(handle);
  return ColumnAttribute(st, number, field, text, capacity, length, numeric, true);
}

ODBC_EXPORT SQLRETURN SQL_API SQLBindCol(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT cType,
                                         SQLPOINTER data, SQLLEN size, SQLLEN* indicator) {
  STATEMENT(handle);
  if (number == 0) return st->diag.Add("07009", "Bookmarks are not supported");
  if (size < 0) return st->diag.Add("HY090", "A negative buffer length");
  Desc* ard = st->ardIn;
  if (ard->records.size() <= number) ard->records.resize(number + 1u);
  Binding& b = ard->records[number];
  b.cType = cType;
  b.numericFormSet = false;  // a numeric keeps its own scale until a descriptor sets one
  b.data = data;
  b.size = size;
  b.length = indicator;
  b.indicator = indicator;
  return SQL_SUCCESS;
}

ODBC_EXPORT SQLRETURN SQL_API SQLFetch(SQLHSTMT handle) {
  STATEMENT(handle);
  return Fetch(st, SQL_FETCH_NEXT, 0, st->ardIn->arraySize, st->ird.processed, st->ird.statusArray);
}

ODBC_EXPORT SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT handle, SQLSMALLINT orientation,
                                             SQLLEN offset) {
  STATEMENT(handle);
  return Fetch(st, orientation, offset, st->ardIn->arraySize, st->ird.processed,
               st->ird.statusArray);
}

ODBC_EXPORT SQLRETURN SQL_API SQLExtendedFetch(SQLHSTMT handle, SQLUSMALLINT orientation,
                                               SQLLEN offset, SQLULEN* fetched,
                                               SQLUSMALLINT* statuses) {
  STATEMENT(handle);
  return Fetch(st, static_cast<SQLSMALLINT>(orientation), offset, st->rowsetSize, fetched,
               statuses);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetData(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT cType,
                                         SQLPOINTER target, SQLLEN size, SQLLEN* length) {
  STATEMENT(handle);
  return GetData(st, column, cType, target, size, length);
}

ODBC_EXPORT SQLRETURN SQL_API SQLRowCount(SQLHSTMT handle, SQLLEN* count) {
  STATEMENT(handle);
  if (st->state == StmtState::kAllocated || st->state == StmtState::kPrepared) {
    return st->diag.Add("HY010", "The statement was not executed");
  }
  if (count != nullptr) *count = st->rowCount;
  return SQL_SUCCESS;
}

ODBC_EXPORT SQLRETURN SQL_API SQLMoreResults(SQLHSTMT handle) {
  STATEMENT(handle);
  // One statement gives at most one result.
  CloseCursor(st);
  return SQL_NO_DATA;
}

ODBC_EXPORT SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT handle) {
  STATEMENT(handle);
  if (st->result == nullptr) return st->diag.Add("24000", "The statement has no open cursor");
  CloseCursor(st);
  return SQL_SUCCESS;
}

ODBC_EXPORT SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option) {
  STATEMENT(handle);
  return FreeStmt(st, option);
}

ODBC_EXPORT SQLRETURN SQL_API SQLCancel(SQLHSTMT handle) {
  // Runs beside the driver's lock: another thread may be fetching.
  Stmt* st = LiveAs<Stmt>(handle, Kind::kStmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  st->cancelRequested = true;
  return SQL_SUCCESS;
}

ODBC_EXPORT SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT handle, SQLINTEGER attribute,
                                             SQLPOINTER value, SQLINTEGER) {
  STATEMENT(handle);
  return SetStmtAttr(st, attribute, value);
}

ODBC_EXPORT SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT handle, SQLINTEGER attribute,
                                              SQLPOINTER value, SQLINTEGER) {
  STATEMENT(handle);
  return SetStmtAttr(st, attribute, value);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT handle, SQLINTEGER attribute,
                                             SQLPOINTER value, SQLINTEGER, SQLINTEGER* length) {
  STATEMENT(handle);
  return GetStmtAttr(st, attribute, value, length);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT handle, SQLINTEGER attribute,
                                              SQLPOINTER value, SQLINTEGER, SQLINTEGER* length) {
  STATEMENT(handle);
  return GetStmtAttr(st, attribute, value, length);
}

ODBC_EXPORT SQLRETURN SQL_API SQLParamData(SQLHSTMT handle, SQLPOINTER*) {
  STATEMENT(handle);
  return st->diag.Add("HY010", "No parameter waits for data at execution (not supported)");
}

ODBC_EXPORT SQLRETURN SQL_API SQLPutData(SQLHSTMT handle, SQLPOINTER, SQLLEN) {
  STATEMENT(handle);
  return st->diag.Add("HY010", "No parameter waits for data at execution (not supported)");
}

ODBC_EXPORT SQLRETURN SQL_API SQLSetPos(SQLHSTMT handle, SQLSETPOSIROW row, SQLUSMALLINT operation,
                                        SQLUSMALLINT) {
  STATEMENT(handle);
  if (st->result == nullptr) return st->diag.Add("24000", "The statement has no open cursor");
  if (operation != SQL_POSITION) {
    return st->diag.Add("HYC00", "Cursors are read-only: only SQL_POSITION is supported");
  }
  if (row < 1 || row > st->rowsInRowset) return st->diag.Add("HY107", "No such row in the rowset");
  if (!st->result->Scrollable()) {
    if (row != 1) return st->diag.Add("HYC00", "A forward-only cursor stays on its rowset's row");
    return SQL_SUCCESS;
  }
  st->result->MoveTo(st->rowsetStart + static_cast<long>(row) - 1);
  st->getDataColumn = 0;
  return SQL_SUCCESS;
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetCursorName(SQLHSTMT handle, SQLCHAR* name, SQLSMALLINT capacity,
                                               SQLSMALLINT* length) {
  STATEMENT(handle);
  char text[32];
  std::snprintf(text, sizeof text, "SQL_CUR%p", static_cast<void*>(st));
  return OutS(text, name, capacity, false, false, length, &st->diag);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetCursorNameW(SQLHSTMT handle, SQLWCHAR* name,
                                                SQLSMALLINT capacity, SQLSMALLINT* length) {
  STATEMENT(handle);
  char text[32];
  std::snprintf(text, sizeof text, "SQL_CUR%p", static_cast<void*>(st));
  return OutS(text, name, capacity, true, false, length, &st->diag);
}

ODBC_EXPORT SQLRETURN SQL_API SQLSetCursorName(SQLHSTMT handle, SQLCHAR*, SQLSMALLINT) {
  STATEMENT(handle);
  return st->diag.Add("HYC00", "Cursor names cannot be set: positioned changes are not supported");
}

ODBC_EXPORT SQLRETURN SQL_API SQLSetCursorNameW(SQLHSTMT handle, SQLWCHAR*, SQLSMALLINT) {
  STATEMENT(handle);
  return st->diag.Add("HYC00", "Cursor names cannot be set: positioned changes are not supported");
}
