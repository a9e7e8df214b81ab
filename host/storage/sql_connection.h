// The SQL layer's way into the storage's database: statements compiled from
// text, stepped and read column by column, under the storage's lock
// (Storage::RunLocked hands out the connection). The layer above never sees
// the database engine's own types; what a failure was comes back as a kind
// and the engine's message.
//
//   storage.RunLocked([&](SqlConnection& db) {
//     SqlStatement q;
//     if (!db.Prepare("SELECT name FROM t WHERE id = ?1", &q)) return db.LastFailure().AsStatus();
//     q.BindInteger(1, 7);
//     while (q.Step() == SqlStep::kRow) names.push_back(std::string(q.ColumnText(0)));
//     ...
//   });
//
// Thread safety: none of its own; use it only inside RunLocked, and reset or
// destroy every statement before the work returns.
#ifndef VANTORA_HOST_STORAGE_SQL_CONNECTION_H_
#define VANTORA_HOST_STORAGE_SQL_CONNECTION_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/storage/status.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vantora::host {

enum class SqlColumnKind : uint8_t { kNull, kInteger, kReal, kText, kBlob };
enum class SqlStep : uint8_t { kRow, kDone, kFailed };

// What the database said when a statement failed.
struct SqlFailure {
  enum class Kind : uint8_t {
    kNone,
    kUniqueKey,    // a unique or primary key constraint
    kNotNull,      // a NOT NULL constraint
    kBusy,         // busy or locked
    kInterrupted,  // stopped by the statement's time limit
    kTooBig,       // a value longer than the length limit
    kFull,         // the disk is full
    kIo,           // a read, write, sync or lock of the file failed
    kError,        // the statement is wrong (syntax, names, functions)
    kOther,
  };
  Kind kind = Kind::kNone;
  std::string message;

  // A storage status: kDuplicateKey, kObjectInUse, kIoError, kDiskFull or
  // kStorageError.
  Status AsStatus() const;
};

// One compiled statement. Movable, not copyable; finalized when destroyed.
class SqlStatement {
 public:
  SqlStatement() = default;
  ~SqlStatement();
  SqlStatement(SqlStatement&& other) noexcept;
  SqlStatement& operator=(SqlStatement&& other) noexcept;
  SqlStatement(const SqlStatement&) = delete;
  SqlStatement& operator=(const SqlStatement&) = delete;

  explicit operator bool() const { return stmt_ != nullptr; }

  int ParameterCount() const;
  // Parameters count from 1 (?1, ?2, ...); texts are copied.
  void BindInteger(int at, int64_t v);
  void BindReal(int at, double v);
  void BindText(int at, std::string_view v);
  void BindNull(int at);

  SqlStep Step();
  // Back to before the first step; bindings kept.
  void Reset();

  int ColumnCount() const;
  // The column's name ("" when the database gives none).
  std::string_view ColumnName(int i) const;
  // Whether the column is a direct reference to a table's column (only those
  // have a declared type).
  bool ColumnIsDeclared(int i) const;
  // The current row's values.
  SqlColumnKind ColumnKind(int i) const;
  int64_t ColumnInteger(int i) const;
  double ColumnReal(int i) const;
  // Text or blob bytes; valid until the next step or reset.
  std::string_view ColumnText(int i) const;

 private:
  friend class SqlConnection;
  sqlite3_stmt* stmt_ = nullptr;
};

using SqlParam = std::variant<int64_t, std::string>;

class SqlConnection {
 public:
  explicit SqlConnection(sqlite3* db) : db_(db) {}

  // Compiles the first statement of `text` into `out`. `rest`, when given,
  // receives the text after it. False when the text does not compile, or
  // holds no statement (then LastFailure is kError "incomplete input").
  bool Prepare(std::string_view text, SqlStatement* out, std::string_view* rest = nullptr);
  // Runs statements that return no rows.
  bool Exec(const std::string& sql);
  // Runs one statement with `params` bound to ?1, ?2, ... and calls `row`
  // for each result row. Errors: those of SqlFailure::AsStatus.
  Status Run(std::string_view sql, const std::vector<SqlParam>& params,
             const std::function<void(const SqlStatement&)>& row = {});

  // Whether the last Prepare failed for want of a statement in the text.
  bool FoundNoStatement() const { return noStatement_; }
  // Rows changed by the last INSERT, UPDATE or DELETE.
  int64_t Changes() const;
  // Whether a transaction is open (a savepoint, or one an error left open).
  bool InTransaction() const;
  // The failure of the last call that failed.
  SqlFailure LastFailure() const;

 private:
  friend class SqlLimits;
  sqlite3* db_;
  bool noStatement_ = false;  // the last Prepare found only blanks or comments
};

// While it lives, statements on the connection build values of at most
// `maxValueLength` bytes (then kTooBig) and stop after `deadline` (then
// kInterrupted).
class SqlLimits {
 public:
  SqlLimits(SqlConnection& connection, int maxValueLength,
            std::chrono::steady_clock::time_point deadline);
  ~SqlLimits();
  SqlLimits(const SqlLimits&) = delete;
  SqlLimits& operator=(const SqlLimits&) = delete;

 private:
  sqlite3* db_;
  int oldLength_;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_SQL_CONNECTION_H_
