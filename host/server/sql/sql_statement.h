// Runs one translated statement of a job on the storage's database
// connection and maps what the database says to DB2's SQLCODEs.
//
// Guards: each statement may run at most kStatementTimeLimit (then SQL0666)
// and build values of at most kMaxValueLength bytes (then SQL0101); both
// limits hold only while the statement runs.
#ifndef VANTORA_HOST_SERVER_SQL_SQL_STATEMENT_H_
#define VANTORA_HOST_SERVER_SQL_SQL_STATEMENT_H_

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "host/server/sql/sql_error.h"
#include "host/storage/storage.h"

namespace vantora::host::sql {

inline constexpr std::chrono::seconds kStatementTimeLimit{30};
inline constexpr int kMaxValueLength = 1 << 20;

// What the database's failure means to a DB2 user.
SqlError FromFailure(const SqlFailure& failure);
// The same for the last failure on `db`.
inline SqlError LastSqlError(const SqlConnection& db) {
  return FromFailure(db.LastFailure());
}
// What a storage failure means to a DB2 user: SQL0904 for a full disk,
// SQL0901 with the status's text for the rest.
SqlError FromStatus(const Status& s);

// Holds the limits above on `db` while it lives (REQUIRES: the storage's
// lock is held, as inside Storage::RunLocked).
class StatementGuard {
 public:
  explicit StatementGuard(SqlConnection& db)
      : limits_(db, kMaxValueLength, std::chrono::steady_clock::now() + kStatementTimeLimit) {}

 private:
  SqlLimits limits_;
};

// Runs `sqliteText` once to its end on `db`; `rows` receives the rows
// changed. REQUIRES: the storage's lock is held.
SqlError StepLocked(SqlConnection& db, const std::string& sqliteText, int32_t* rows);

// The physical file a change statement changes, and for which job.
struct ChangeTarget {
  JobId job = 0;
  int64_t file = 0;                               // the catalogue's file id
  std::string table;                              // SqlTableName of the file
  JournalAction action = JournalAction::kUpdate;  // what the statement does
  bool commitmentControl = false;                 // journal it and hold it for commit
};

// Runs `sqliteText` as a change of `target` in one database transaction,
// respecting other jobs' record locks (locked_change.cpp): a record another
// job holds answers SQL0913 with its number in `blocked` and changes
// nothing. Under commitment control each record changed is journaled (so
// that the job's rollback undoes it) and held for commit.
// REQUIRES: the storage's lock is held.
SqlError LockedChangeLocked(Storage& storage, SqlConnection& db, const std::string& sqliteText,
                            const ChangeTarget& target, int32_t* rows, int64_t* blocked);

// Runs `sqliteText`, a statement without a result (INSERT, UPDATE, DELETE),
// to its end. With a target, a record another job holds is waited for up
// to `wait` (the storage's lock released meanwhile), then SQL0913. `rows`
// receives the rows changed. A statement that changes no row answers
// SQLCODE 100.
SqlError RunChange(Storage& storage, const std::string& sqliteText,
                   const std::optional<ChangeTarget>& target, std::chrono::milliseconds wait,
                   int32_t* rows);

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_STATEMENT_H_
