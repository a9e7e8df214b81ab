// Internal: the SQLite connection of a data directory and the helpers every
// part of the storage uses on it. Not part of the storage's interface.
//
// One connection serves every thread; Database::mutex guards it. Statements
// are prepared once per SQL text and kept; every use resets the statement
// before the mutex is released, because a statement left active would keep
// SQLite from committing the changes made after it.
#ifndef VANTORA_HOST_STORAGE_SQLITE_DB_H_
#define VANTORA_HOST_STORAGE_SQLITE_DB_H_

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>

#include "host/storage/status.h"
#include "host/storage/value.h"

namespace vantora::host::detail {

class Connection {
 public:
  // Opens (creating when absent) the database file at `path` in WAL mode
  // with exclusive locking, so that a second host on the same data
  // directory is refused (kObjectInUse) instead of sharing it unsafely.
  static Status Open(const std::string& path, bool syncEachCommit,
                     std::unique_ptr<Connection>* out);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* handle() const { return db_; }

  // Runs one or more statements that return no rows.
  Status Exec(std::string_view sql);
  // The statement for `sql`, prepared on first use and kept until
  // ForgetStatements. The caller resets it (StatementUse) before releasing
  // the mutex. A statement must not be used again while already in use.
  // Both refuse (kIoError) to run inside a Savepoint whose transaction an
  // earlier failure has rolled back.
  Status Prepare(std::string_view sql, sqlite3_stmt** out);
  // Drops every kept statement (after files are deleted).
  void ForgetStatements();
  // Grows with every ForgetStatements: a statement pointer kept elsewhere is
  // valid only while the generation it was prepared in lasts.
  uint64_t generation() const { return generation_; }

  // Maps an SQLite result code to a status: unique constraints to
  // kDuplicateKey, busy or locked to kObjectInUse, I/O errors to kIoError,
  // a full disk to kDiskFull, the rest to kStorageError.
  Status ErrorStatus(int rc, std::string_view context) const;

  // After a failure: rolls back the transaction SQLite left open, if any.
  // An I/O error may leave one open that no savepoint rollback closes (the
  // rollback itself fails); every later change would then join it and never
  // be committed. True when a transaction was open.
  bool EndFailedTransaction();

 private:
  friend class Savepoint;
  explicit Connection(sqlite3* db) : db_(db) {}

  // kIoError when a savepoint is open but SQLite has left the transaction:
  // an error rolled it back, and a statement run now would be committed on
  // its own instead of with its unit.
  Status CheckTransaction() const;

  sqlite3* db_;
  int savepoints_ = 0;  // Savepoints open on the connection
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
  uint64_t generation_ = 1;
};

// Resets and unbinds a statement when it leaves scope.
class StatementUse {
 public:
  explicit StatementUse(sqlite3_stmt* s) : s_(s) {}
  ~StatementUse() {
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
  }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  sqlite3_stmt* s_;
};

// A transaction that nests: a savepoint, released by Commit, rolled back
// when it leaves scope uncommitted.
class Savepoint {
 public:
  explicit Savepoint(Connection& c);
  ~Savepoint();
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;

  const Status& begun() const { return begun_; }
  Status Commit();

 private:
  Connection& connection_;
  Status begun_;
  bool open_ = false;
};

// Everything shared by the parts of one open storage.
struct Database {
  std::unique_ptr<Connection> connection;
  // Guards `connection` (and so every statement) and `openCursors`.
  std::mutex mutex;
  // Open cursors per file id (a cursor over a logical file counts for the
  // logical and its physical file): files in use cannot be deleted.
  std::unordered_map<int64_t, int> openCursors;
};

// Grows whenever any row is changed on the connection or a statement
// generation ends (a file deleted or changed): two equal readings mean no
// read could answer differently in between. REQUIRES: db.mutex held.
uint64_t DataEpochLocked(Database& db);

void BindValue(sqlite3_stmt* s, int index, const Value& v);
void BindText(sqlite3_stmt* s, int index, std::string_view text);
// Reads column `column` of the current row into `v`, reusing its buffer.
void ColumnValue(sqlite3_stmt* s, int column, Value* v);
std::string ColumnText(sqlite3_stmt* s, int column);

// Steps a statement that returns no rows; its error mapped as above.
Status StepDone(Connection& c, sqlite3_stmt* s, std::string_view context);
// Steps `s` once: `*row` says whether it gave a row. A step that fails
// answers its error mapped as above, never "no row", so that a failed read
// is not taken for an object that is not there.
Status StepRow(Connection& c, sqlite3_stmt* s, std::string_view context, bool* row);

// What a row callback of ForEachRow answers: go on, or stop after this row.
enum class RowNext : uint8_t { kContinue, kStop };

// Steps `s` through its result rows and calls `row()` on each; the caller
// reads the columns from `s` and resets it (StatementUse). `row` returns
// void (every row is wanted), RowNext (kStop ends the loop without stepping
// again), or Status (a failure ends the loop and is returned as it is).
// A step that fails answers its error mapped as above, with `context`
// (the rows before it have been given to `row`).
template <typename RowFunction>
Status ForEachRow(Connection& c, sqlite3_stmt* s, std::string_view context, RowFunction&& row) {
  using Answer = std::invoke_result_t<RowFunction&>;
  static_assert(
      std::is_void_v<Answer> || std::is_same_v<Answer, RowNext> || std::is_same_v<Answer, Status>,
      "a row callback returns void, RowNext or Status");
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    if constexpr (std::is_void_v<Answer>) {
      row();
    } else if constexpr (std::is_same_v<Answer, RowNext>) {
      if (row() == RowNext::kStop) return Status::Ok();
    } else {
      Status failed = row();
      if (!failed.ok()) return failed;
    }
  }
  return rc == SQLITE_DONE ? Status::Ok() : c.ErrorStatus(rc, context);
}

inline void BindOne(sqlite3_stmt* s, int i, std::string_view v) {
  BindText(s, i, v);
}
inline void BindOne(sqlite3_stmt* s, int i, int64_t v) {
  sqlite3_bind_int64(s, i, v);
}
inline void BindOne(sqlite3_stmt* s, int i, const Value& v) {
  BindValue(s, i, v);
}
inline void BindAll(sqlite3_stmt*, int) {}
template <typename T, typename... Rest>
void BindAll(sqlite3_stmt* s, int i, const T& v, const Rest&... rest) {
  BindOne(s, i, v);
  BindAll(s, i + 1, rest...);
}

// Runs one kept statement that returns no rows, with `args` bound to ?1...
template <typename... Args>
Status Run(Connection& c, std::string_view sql, const Args&... args) {
  sqlite3_stmt* s = nullptr;
  Status st = c.Prepare(sql, &s);
  if (!st.ok()) return st;
  StatementUse use(s);
  BindAll(s, 1, args...);
  return StepDone(c, s, sql);
}

}  // namespace vantora::host::detail

#endif  // VANTORA_HOST_STORAGE_SQLITE_DB_H_
