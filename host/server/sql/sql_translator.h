// Translates a statement of the host's SQL into SQLite SQL over the
// storage's tables (host/storage/names.h). Pure: the caller supplies how
// names resolve, so it runs without a host.
//
//   Translation t;
//   SqlError e = Translate("select * from DEMO/ORDERS for fetch only", resolver, &t);
//   // t.kind == StatementKind::kQuery, t.sql == "select * from \"DEMO/ORDERS\""
//
// What it rewrites:
//   - LIB/FILE in a table position (after FROM, JOIN, INTO, UPDATE, and in
//     the list after FROM) and LIB/FILE.COLUMN anywhere become the file's
//     SQLite table "LIB/FILE"; unqualified table names resolve through the
//     resolver (the job's library list). An unknown file answers SQL0204
//     with the file's name; a name of more than 10 characters SQL0107.
//   - DB2's clauses after a query: FOR FETCH ONLY / FOR READ ONLY (the rows
//     cannot change through the cursor), FOR UPDATE [OF ...], OPTIMIZE FOR
//     n ROWS and WITH NC|UR|CS|RS|RR (kept in `isolation`) are dropped;
//     FETCH FIRST [n] ROW[S] ONLY becomes LIMIT n.
//   - CURRENT DATE / TIME / TIMESTAMP give the host's local time in the
//     storage's forms (YYYY-MM-DD, HH.MM.SS, YYYY-MM-DD-HH.MM.SS.NNNNNN).
//   - COMMIT / ROLLBACK [WORK] [HOLD] and SET TRANSACTION ISOLATION LEVEL x
//     are recognised (leading blanks allowed) and not given to SQLite.
// Everything inside '...' and "..." is copied unchanged. One statement per
// text: a ';' other than a trailing one answers SQL0104. Statements other
// than SELECT, VALUES, INSERT, UPDATE, DELETE and the above answer SQL0084.
#ifndef VANTORA_HOST_SERVER_SQL_SQL_TRANSLATOR_H_
#define VANTORA_HOST_SERVER_SQL_SQL_TRANSLATOR_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/server/sql/sql_error.h"
#include "host/storage/names.h"

namespace vantora::host::sql {

enum class StatementKind {
  kQuery,           // SELECT or VALUES: has a result
  kInsert,          // INSERT
  kUpdate,          // searched UPDATE
  kDelete,          // searched DELETE
  kCommit,          // COMMIT [WORK] [HOLD]
  kRollback,        // ROLLBACK [WORK] [HOLD]
  kSetTransaction,  // SET TRANSACTION ISOLATION LEVEL ...
};

struct Translation {
  StatementKind kind = StatementKind::kQuery;
  std::string sql;    // SQLite text (empty for commit, rollback, set transaction)
  bool hold = false;  // COMMIT/ROLLBACK ... HOLD
  // SET TRANSACTION's level, or a query's WITH level; upper case (CS, NC, UR, ...).
  std::string isolation;
  std::vector<ObjectName> files;  // the files the statement names, in order
  // Queries: whether the rows can be changed through the cursor (a SELECT
  // of one file, without DISTINCT, GROUP BY, HAVING, set operators,
  // aggregate functions in its select list or FOR FETCH/READ ONLY), and
  // then `sql` with the relative record number as a last result column
  // named kRecordNumberColumn.
  bool updatable = false;
  std::string rowSql;
};

inline constexpr std::string_view kRecordNumberColumn = "vnx:rrn";

// Finds a file: `library` empty means "through the library list". Answers
// true and the file's full name when it exists.
using FileResolver =
    std::function<bool(const std::string& library, const std::string& file, ObjectName* found)>;

SqlError Translate(std::string_view text, const FileResolver& resolve, Translation* out);

// A change made through a logical file of one format over one physical
// file changes the physical file: the references of `t` to `logical`
// become `physical`, and an INSERT without a column list names `fields`
// (the logical file's, in its order).
SqlError RetargetToPhysical(const ObjectName& logical, const ObjectName& physical,
                            const std::vector<std::string>& fields, Translation* t);

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_TRANSLATOR_H_
