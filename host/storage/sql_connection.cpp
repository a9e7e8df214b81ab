#include "host/storage/sql_connection.h"

#include <sqlite3.h>

#include <utility>

namespace vantora::host {
namespace {

int StopWhenLate(void* deadline) {
  return std::chrono::steady_clock::now() >
                 *static_cast<std::chrono::steady_clock::time_point*>(deadline)
             ? 1
             : 0;
}

SqlFailure::Kind KindOf(int extended) {
  switch (extended) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
      return SqlFailure::Kind::kUniqueKey;
    case SQLITE_CONSTRAINT_NOTNULL:
      return SqlFailure::Kind::kNotNull;
    default:
      break;
  }
  switch (extended & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return SqlFailure::Kind::kNone;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return SqlFailure::Kind::kBusy;
    case SQLITE_INTERRUPT:
      return SqlFailure::Kind::kInterrupted;
    case SQLITE_TOOBIG:
      return SqlFailure::Kind::kTooBig;
    case SQLITE_FULL:
      return SqlFailure::Kind::kFull;
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
      return SqlFailure::Kind::kIo;
    case SQLITE_ERROR:
      return SqlFailure::Kind::kError;
    default:
      return SqlFailure::Kind::kOther;
  }
}

}  // namespace

Status SqlFailure::AsStatus() const {
  switch (kind) {
    case Kind::kNone:
      return Status::Ok();
    case Kind::kUniqueKey:
      return Status::Error(StatusCode::kDuplicateKey, message);
    case Kind::kBusy:
      return Status::Error(StatusCode::kObjectInUse, message);
    case Kind::kIo:
      return Status::Error(StatusCode::kIoError, message);
    case Kind::kFull:
      return Status::Error(StatusCode::kDiskFull, message);
    default:
      return Status::Error(StatusCode::kStorageError, message);
  }
}

SqlStatement::~SqlStatement() {
  sqlite3_finalize(stmt_);
}

SqlStatement::SqlStatement(SqlStatement&& other) noexcept
    : stmt_(std::exchange(other.stmt_, nullptr)) {}

SqlStatement& SqlStatement::operator=(SqlStatement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    stmt_ = std::exchange(other.stmt_, nullptr);
  }
  return *this;
}

int SqlStatement::ParameterCount() const {
  return sqlite3_bind_parameter_count(stmt_);
}

void SqlStatement::BindInteger(int at, int64_t v) {
  sqlite3_bind_int64(stmt_, at, v);
}

void SqlStatement::BindReal(int at, double v) {
  sqlite3_bind_double(stmt_, at, v);
}

void SqlStatement::BindText(int at, std::string_view v) {
  sqlite3_bind_text(stmt_, at, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

void SqlStatement::BindNull(int at) {
  sqlite3_bind_null(stmt_, at);
}

SqlStep SqlStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return SqlStep::kRow;
  return rc == SQLITE_DONE ? SqlStep::kDone : SqlStep::kFailed;
}

void SqlStatement::Reset() {
  sqlite3_reset(stmt_);
}

int SqlStatement::ColumnCount() const {
  return sqlite3_column_count(stmt_);
}

std::string_view SqlStatement::ColumnName(int i) const {
  const char* name = sqlite3_column_name(stmt_, i);
  return name != nullptr ? std::string_view(name) : std::string_view();
}

bool SqlStatement::ColumnIsDeclared(int i) const {
  return sqlite3_column_decltype(stmt_, i) != nullptr;
}

SqlColumnKind SqlStatement::ColumnKind(int i) const {
  switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_INTEGER:
      return SqlColumnKind::kInteger;
    case SQLITE_FLOAT:
      return SqlColumnKind::kReal;
    case SQLITE_TEXT:
      return SqlColumnKind::kText;
    case SQLITE_BLOB:
      return SqlColumnKind::kBlob;
    default:
      return SqlColumnKind::kNull;
  }
}

int64_t SqlStatement::ColumnInteger(int i) const {
  return sqlite3_column_int64(stmt_, i);
}

double SqlStatement::ColumnReal(int i) const {
  return sqlite3_column_double(stmt_, i);
}

std::string_view SqlStatement::ColumnText(int i) const {
  const void* bytes = sqlite3_column_type(stmt_, i) == SQLITE_BLOB
                          ? sqlite3_column_blob(stmt_, i)
                          : static_cast<const void*>(sqlite3_column_text(stmt_, i));
  if (bytes == nullptr) return {};
  return {static_cast<const char*>(bytes), static_cast<size_t>(sqlite3_column_bytes(stmt_, i))};
}

bool SqlConnection::Prepare(std::string_view text, SqlStatement* out, std::string_view* rest) {
  *out = SqlStatement();
  const char* tail = nullptr;
  sqlite3_stmt* stmt = nullptr;
  const int rc = sqlite3_prepare_v2(db_, text.data(), static_cast<int>(text.size()), &stmt, &tail);
  out->stmt_ = stmt;
  noStatement_ = rc == SQLITE_OK && stmt == nullptr;
  if (rest != nullptr) {
    *rest =
        tail != nullptr ? text.substr(static_cast<size_t>(tail - text.data())) : text.substr(0, 0);
  }
  return rc == SQLITE_OK && stmt != nullptr;
}

bool SqlConnection::Exec(const std::string& sql) {
  noStatement_ = false;
  return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

Status SqlConnection::Run(std::string_view sql, const std::vector<SqlParam>& params,
                          const std::function<void(const SqlStatement&)>& row) {
  SqlStatement q;
  if (!Prepare(sql, &q)) return LastFailure().AsStatus();
  for (size_t i = 0; i < params.size(); ++i) {
    const int at = static_cast<int>(i + 1);
    if (const auto* n = std::get_if<int64_t>(&params[i])) {
      q.BindInteger(at, *n);
    } else {
      q.BindText(at, std::get<std::string>(params[i]));
    }
  }
  SqlStep step;
  while ((step = q.Step()) == SqlStep::kRow) {
    if (row) row(q);
  }
  return step == SqlStep::kDone ? Status::Ok() : LastFailure().AsStatus();
}

bool SqlConnection::InTransaction() const {
  return sqlite3_get_autocommit(db_) == 0;
}

int64_t SqlConnection::Changes() const {
  return sqlite3_changes(db_);
}

SqlFailure SqlConnection::LastFailure() const {
  SqlFailure f;
  if (noStatement_) {
    f.kind = SqlFailure::Kind::kError;
    f.message = "incomplete input";
    return f;
  }
  f.kind = KindOf(sqlite3_extended_errcode(db_));
  f.message = sqlite3_errmsg(db_);
  return f;
}

SqlLimits::SqlLimits(SqlConnection& connection, int maxValueLength,
                     std::chrono::steady_clock::time_point deadline)
    : db_(connection.db_),
      oldLength_(sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, maxValueLength)),
      deadline_(deadline) {
  sqlite3_progress_handler(db_, 10000, StopWhenLate, &deadline_);
}

SqlLimits::~SqlLimits() {
  sqlite3_progress_handler(db_, 0, nullptr, nullptr);
  sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, oldLength_);
}

}  // namespace vantora::host
