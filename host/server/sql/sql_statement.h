// Runs one translated statement of a job on the storage's SQLite
// connection and maps what SQLite says to DB2's SQLCODEs.
//
// Guards: each statement may run at most kStatementTimeLimit (then SQL0666)
// and build values of at most kMaxValueLength bytes (then SQL0101); both
// limits hold only while the statement runs.
#ifndef VANTORA_HOST_SERVER_SQL_SQL_STATEMENT_H_
#define VANTORA_HOST_SERVER_SQL_SQL_STATEMENT_H_

#include <chrono>
#include <cstdint>
#include <string>

#include "host/server/sql/sql_error.h"
#include "host/storage/storage.h"

namespace vantora::host::sql {

inline constexpr std::chrono::seconds kStatementTimeLimit{30};
inline constexpr int kMaxValueLength = 1 << 20;

// Runs `sqliteText`, a statement without a result (INSERT, UPDATE, DELETE),
// to its end. `rows` receives the rows changed. A searched UPDATE or DELETE,
// or an INSERT from a subselect, that changes no row answers SQLCODE 100.
SqlError RunChange(Storage& storage, const std::string& sqliteText, int32_t* rows);

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_STATEMENT_H_
