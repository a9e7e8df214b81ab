#include "host/server/sql/sql_statement.h"

#include "host/storage/decimal_functions.h"

#include <string_view>

namespace vantora::host::sql {
namespace {

using Clock = std::chrono::steady_clock;

int StopWhenLate(void* deadline) {
  return Clock::now() > *static_cast<Clock::time_point*>(deadline) ? 1 : 0;
}

// The name in a message "prefix NAME" with quotes and a LIB/ part removed.
std::string NameAfter(std::string_view message, std::string_view prefix) {
  std::string name(message.substr(prefix.size()));
  std::erase(name, '"');
  if (size_t slash = name.rfind('/'); slash != std::string::npos) name.erase(0, slash + 1);
  return name;
}

}  // namespace

SqlError FromSqlite(sqlite3* db, int rc) {
  const int extended = sqlite3_extended_errcode(db);
  const std::string_view message = sqlite3_errmsg(db);
  if (extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY) {
    return SqlDuplicateKey();
  }
  if (extended == SQLITE_CONSTRAINT_NOTNULL) return SqlNullNotAllowed();
  if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) return SqlResourceBusy();
  if (rc == SQLITE_INTERRUPT) return {-666, "57005", ""};
  if (rc == SQLITE_TOOBIG) return SqlTooComplex();
  if (message.starts_with("no such table: "))
    return SqlNotFound(NameAfter(message, "no such table: "));
  if (message.starts_with("no such column: ")) {
    return SqlColumnNotFound(NameAfter(message, "no such column: "));
  }
  if (message.starts_with("ambiguous column name: ")) {
    return SqlAmbiguousColumn(NameAfter(message, "ambiguous column name: "));
  }
  if (message.starts_with("near \"")) {
    std::string_view token = message.substr(6);
    return SqlSyntax(std::string(token.substr(0, token.find('"'))));
  }
  if (message == "incomplete input") return SqlSyntax("");
  if (message.starts_with(kDecimalOverflow)) {
    return {-406, "22003", std::string(message.substr(kDecimalOverflow.size()))};
  }
  if (message.starts_with(kDecimalNotNumber)) {
    return {-420, "22018", std::string(message.substr(kDecimalNotNumber.size()))};
  }
  if (message.starts_with("cannot modify ")) {
    // A logical file is an SQLite view: read-only to SQL here.
    std::string_view rest = message.substr(14);
    return SqlReadOnly(NameAfter(rest.substr(0, rest.find(' ')), ""));
  }
  if (rc == SQLITE_ERROR) return SqlSyntax(std::string(message.substr(0, 70)));
  return SqlSystemError(std::string(message.substr(0, 70)));
}

StatementGuard::StatementGuard(sqlite3* db)
    : db_(db),
      oldLength_(sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueLength)),
      deadline_(Clock::now() + kStatementTimeLimit) {
  sqlite3_progress_handler(db, 10000, StopWhenLate, &deadline_);
}

StatementGuard::~StatementGuard() {
  sqlite3_progress_handler(db_, 0, nullptr, nullptr);
  sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, oldLength_);
}

SqlError StepLocked(sqlite3* db, const std::string& sqliteText, int32_t* rows) {
  *rows = 0;
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  int rc =
      sqlite3_prepare_v2(db, sqliteText.c_str(), static_cast<int>(sqliteText.size()), &stmt, &tail);
  SqlError outcome;
  if (rc != SQLITE_OK) {
    outcome = FromSqlite(db, rc);
  } else if (stmt == nullptr || (tail != nullptr && *tail != '\0')) {
    outcome = SqlSyntax(tail != nullptr ? std::string(tail).substr(0, 20) : "");
  } else {
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc == SQLITE_DONE) {
      *rows = sqlite3_changes(db);
    } else {
      outcome = FromSqlite(db, rc);
    }
  }
  sqlite3_finalize(stmt);
  return outcome;
}

SqlError RunChange(Storage& storage, const std::string& sqliteText,
                   const std::optional<ChangeTarget>& target, std::chrono::milliseconds wait,
                   int32_t* rows) {
  const auto deadline = Clock::now() + wait;
  for (;;) {
    *rows = 0;
    SqlError outcome;
    int64_t blocked = 0;
    Status s = storage.RunLocked([&](sqlite3* db) {
      StatementGuard guard(db);
      outcome = target.has_value()
                    ? LockedChangeLocked(storage, db, sqliteText, *target, rows, &blocked)
                    : StepLocked(db, sqliteText, rows);
      return Status::Ok();
    });
    if (!s.ok()) return SqlSystemError(s.ToString().substr(0, 70));
    if (blocked != 0) {
      // Waits for the record outside the storage's lock, then tries again.
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() > 0 &&
          storage.recordLocks().Lock(target->file, blocked, target->job, left).ok()) {
        storage.recordLocks().Unlock(target->file, blocked, target->job);
        continue;
      }
      return outcome;
    }
    if (outcome.ok() && *rows == 0) return SqlNoRow();
    return outcome;
  }
}

}  // namespace vantora::host::sql
