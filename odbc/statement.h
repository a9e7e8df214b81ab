// Statements: allocation, preparing (with the ODBC escape clauses and
// {CALL NAME(?, ...)}), executing with parameters, and the state machine of
// their cursors.
//
// Parameters travel to the engine with their type (VdbBind): texts,
// integers, floats, dates, times and timestamps. A NULL, an exact decimal
// and bytes are written into the statement's text as literals instead (the
// engine's parameters carry neither a null nor an exact decimal), so that a
// statement with such values is prepared again for that execution.
#ifndef VANTORA_ODBC_STATEMENT_H_
#define VANTORA_ODBC_STATEMENT_H_

#include <string>

#include "odbc/handles.h"

namespace vantora::odbc {

Stmt* NewStatement(Dbc* dbc);
void FreeStatement(Stmt* st);
// Closes the statement's cursor (a prepared statement stays prepared).
void CloseCursor(Stmt* st);

// The text with the ODBC escape clauses ({d '...'}, {t }, {ts }, {fn },
// {oj }, {escape }) replaced by the host's SQL.
std::string NativeText(const std::string& text);

// "{CALL NAME(?, ?)}" or "CALL NAME(...)": the procedure's name; false for
// any other statement.
bool CallOf(const std::string& text, std::string* procedure, size_t* arguments);

SQLRETURN Prepare(Stmt* st, const std::string& text);
SQLRETURN Execute(Stmt* st);
// Sets a result of rows held in memory (catalogue functions).
void SetResult(Stmt* st, std::unique_ptr<ResultSet> result);

// Results (fetch.cpp): a rowset of `arraySize` rows into the bound buffers,
// a column of the current row, a column's description and attributes.
SQLRETURN Fetch(Stmt* st, SQLSMALLINT orientation, SQLLEN offset, SQLULEN arraySize,
                SQLULEN* fetched, SQLUSMALLINT* statuses);
SQLRETURN GetData(Stmt* st, SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER target, SQLLEN size,
                  SQLLEN* length);
SQLRETURN ColumnAttribute(Stmt* st, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER text,
                          SQLSMALLINT capacity, SQLSMALLINT* length, SQLLEN* numeric, bool wide);
SQLRETURN DescribeColumn(Stmt* st, SQLUSMALLINT number, void* name, SQLSMALLINT capacity,
                         SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLULEN* size,
                         SQLSMALLINT* decimals, SQLSMALLINT* nullable, bool wide);

}  // namespace vantora::odbc

#endif  // VANTORA_ODBC_STATEMENT_H_
