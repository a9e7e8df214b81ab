#include "host/server/sql/sql_statement.h"

#include "host/storage/decimal_functions.h"

#include <string_view>

namespace vantora::host::sql {
namespace {

using Clock = std::chrono::steady_clock;

// The name in a message "prefix NAME" with quotes and a LIB/ part removed.
std::string NameAfter(std::string_view message, std::string_view prefix) {
  std::string name(message.substr(prefix.size()));
  std::erase(name, '"');
  if (size_t slash = name.rfind('/'); slash != std::string::npos) name.erase(0, slash + 1);
  return name;
}

}  // namespace

SqlError FromFailure(const SqlFailure& failure) {
  using Kind = SqlFailure::Kind;
  const std::string_view message = failure.message;
  switch (failure.kind) {
    case Kind::kUniqueKey:
      return SqlDuplicateKey();
    case Kind::kNotNull:
      return SqlNullNotAllowed();
    case Kind::kBusy:
      return SqlResourceBusy();
    case Kind::kInterrupted:
      return {-666, "57005", ""};
    case Kind::kTooBig:
      return SqlTooComplex();
    case Kind::kFull:
      return SqlStorageFull();
    default:
      break;
  }
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
  if (failure.kind == Kind::kError) return SqlSyntax(std::string(message.substr(0, 70)));
  return SqlSystemError(std::string(message.substr(0, 70)));
}

SqlError FromStatus(const Status& s) {
  if (s.ok()) return SqlOk();
  if (s.code() == StatusCode::kDiskFull) return SqlStorageFull();
  return SqlSystemError(s.ToString().substr(0, 70));
}

SqlError StepLocked(SqlConnection& db, const std::string& sqliteText, int32_t* rows) {
  *rows = 0;
  SqlStatement stmt;
  std::string_view rest;
  if (!db.Prepare(sqliteText, &stmt, &rest)) return LastSqlError(db);
  if (!rest.empty()) return SqlSyntax(std::string(rest.substr(0, 20)));
  SqlStep step;
  while ((step = stmt.Step()) == SqlStep::kRow) {
  }
  if (step != SqlStep::kDone) return LastSqlError(db);
  *rows = static_cast<int32_t>(db.Changes());
  return SqlOk();
}

SqlError RunChange(Storage& storage, const std::string& sqliteText,
                   const std::optional<ChangeTarget>& target, std::chrono::milliseconds wait,
                   int32_t* rows) {
  const auto deadline = Clock::now() + wait;
  for (;;) {
    *rows = 0;
    SqlError outcome;
    int64_t blocked = 0;
    Status s = storage.RunLocked([&](SqlConnection& db) {
      StatementGuard guard(db);
      outcome = target.has_value()
                    ? LockedChangeLocked(storage, db, sqliteText, *target, rows, &blocked)
                    : StepLocked(db, sqliteText, rows);
      return Status::Ok();
    });
    if (!s.ok()) return FromStatus(s);
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
