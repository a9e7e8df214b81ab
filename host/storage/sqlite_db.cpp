// The SQLite connection, its kept statements, savepoints and value binding.
#include "host/storage/sqlite_db.h"

#include "host/storage/decimal_functions.h"
#include "host/storage/fault_vfs.h"

namespace vantora::host::detail {

Status Connection::Open(const std::string& path, bool syncEachCommit,
                        std::unique_ptr<Connection>* out) {
  sqlite3* db = nullptr;
  // Through the storage's VFS, which passes everything to the default one
  // unless a test arms a fault.
  int rc = sqlite3_open_v2(path.c_str(), &db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           StorageVfsName());
  std::unique_ptr<Connection> c(new Connection(db));
  if (rc != SQLITE_OK) return c->ErrorStatus(rc, "open " + path);
  sqlite3_extended_result_codes(db, 1);
  if (!RegisterDecimalFunctions(db)) return c->ErrorStatus(sqlite3_errcode(db), "functions");
  // Exclusive locking before the first access: the WAL then needs no shared
  // memory, and the first write below takes the lock for as long as the
  // connection lives.
  Status s = c->Exec("PRAGMA locking_mode=EXCLUSIVE");
  if (s.ok()) s = c->Exec("PRAGMA journal_mode=WAL");
  if (s.ok()) s = c->Exec(syncEachCommit ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL");
  if (s.ok()) s = c->Exec("PRAGMA foreign_keys=OFF");
  if (s.ok()) s = c->Exec("BEGIN IMMEDIATE; COMMIT");
  if (!s.ok()) {
    if (s.code() == StatusCode::kObjectInUse) {
      return Status::Error(StatusCode::kObjectInUse,
                           "the data directory is in use by another host: " + path);
    }
    return s;
  }
  *out = std::move(c);
  return Status::Ok();
}

Connection::~Connection() {
  ForgetStatements();
  sqlite3_close_v2(db_);
}

Status Connection::CheckTransaction() const {
  if (savepoints_ == 0 || sqlite3_get_autocommit(db_) == 0) return Status::Ok();
  return Status::Error(StatusCode::kIoError,
                       "the change's transaction was rolled back by a failure");
}

Status Connection::Exec(std::string_view sql) {
  if (Status s = CheckTransaction(); !s.ok()) return s;
  std::string text(sql);
  int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? Status::Ok() : ErrorStatus(rc, text);
}

Status Connection::Prepare(std::string_view sql, sqlite3_stmt** out) {
  if (Status s = CheckTransaction(); !s.ok()) return s;
  auto it = statements_.find(std::string(sql));
  if (it != statements_.end()) {
    *out = it->second;
    return Status::Ok();
  }
  sqlite3_stmt* s = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &s, nullptr);
  if (rc != SQLITE_OK) return ErrorStatus(rc, sql);
  statements_.emplace(std::string(sql), s);
  *out = s;
  return Status::Ok();
}

void Connection::ForgetStatements() {
  ++generation_;
  for (auto& [sql, s] : statements_) sqlite3_finalize(s);
  statements_.clear();
}

Status Connection::ErrorStatus(int rc, std::string_view context) const {
  std::string detail = std::string(sqlite3_errmsg(db_)) + " [" + std::string(context) + "]";
  switch (rc) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID:
      return Status::Error(StatusCode::kDuplicateKey, detail);
    default:
      break;
  }
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return Status::Error(StatusCode::kObjectInUse, detail);
    case SQLITE_IOERR:
      return Status::Error(StatusCode::kIoError, detail);
    case SQLITE_FULL:
      return Status::Error(StatusCode::kDiskFull, detail);
    default:
      return Status::Error(StatusCode::kStorageError, detail);
  }
}

bool Connection::EndFailedTransaction() {
  if (sqlite3_get_autocommit(db_) != 0) return false;
  // Statements still stepping would keep the rollback from finishing.
  for (sqlite3_stmt* s = sqlite3_next_stmt(db_, nullptr); s != nullptr;
       s = sqlite3_next_stmt(db_, s)) {
    if (sqlite3_stmt_busy(s)) sqlite3_reset(s);
  }
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  return true;
}

Savepoint::Savepoint(Connection& c) : connection_(c) {
  begun_ = c.Exec("SAVEPOINT vt_change");
  open_ = begun_.ok();
  if (open_) ++c.savepoints_;
}

Savepoint::~Savepoint() {
  if (!open_) return;
  --connection_.savepoints_;
  if (!connection_.Exec("ROLLBACK TO vt_change; RELEASE vt_change").ok()) {
    connection_.EndFailedTransaction();
  }
}

Status Savepoint::Commit() {
  if (!open_) return begun_;
  open_ = false;
  --connection_.savepoints_;
  // A transaction already rolled back by a failure has nothing to commit.
  if (sqlite3_get_autocommit(connection_.handle()) != 0) {
    return Status::Error(StatusCode::kIoError,
                         "the change's transaction was rolled back by a failure");
  }
  Status s = connection_.Exec("RELEASE vt_change");
  if (!s.ok() && !connection_.Exec("ROLLBACK TO vt_change; RELEASE vt_change").ok()) {
    connection_.EndFailedTransaction();
  }
  return s;
}

uint64_t DataEpochLocked(Database& db) {
  // Both parts only grow, so their sum grows when either does.
  return static_cast<uint64_t>(sqlite3_total_changes64(db.connection->handle())) +
         db.connection->generation();
}

void BindValue(sqlite3_stmt* s, int index, const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kNull:
      sqlite3_bind_null(s, index);
      break;
    case Value::Kind::kInteger:
      sqlite3_bind_int64(s, index, v.integer());
      break;
    case Value::Kind::kReal:
      sqlite3_bind_double(s, index, v.real());
      break;
    case Value::Kind::kText:
      BindText(s, index, v.text());
      break;
  }
}

void BindText(sqlite3_stmt* s, int index, std::string_view text) {
  // Texts are bound as the bytes given (the host's character set, not
  // necessarily UTF-8); SQLite compares them byte for byte.
  sqlite3_bind_text64(s, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void ColumnValue(sqlite3_stmt* s, int column, Value* v) {
  switch (sqlite3_column_type(s, column)) {
    case SQLITE_NULL:
      v->SetNull();
      break;
    case SQLITE_INTEGER:
      v->SetInteger(sqlite3_column_int64(s, column));
      break;
    case SQLITE_FLOAT:
      v->SetReal(sqlite3_column_double(s, column));
      break;
    default: {
      auto p = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
      v->SetText(
          std::string_view(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(s, column))));
      break;
    }
  }
}

std::string ColumnText(sqlite3_stmt* s, int column) {
  auto p = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
  return std::string(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(s, column)));
}

Status StepRow(Connection& c, sqlite3_stmt* s, std::string_view context, bool* row) {
  const int rc = sqlite3_step(s);
  *row = rc == SQLITE_ROW;
  if (rc == SQLITE_DONE || rc == SQLITE_ROW) return Status::Ok();
  return c.ErrorStatus(rc, context);
}

Status StepDone(Connection& c, sqlite3_stmt* s, std::string_view context) {
  int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE || rc == SQLITE_ROW) return Status::Ok();
  return c.ErrorStatus(rc, context);
}

}  // namespace vantora::host::detail
