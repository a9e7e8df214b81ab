#include "host/server/commands/host_table.h"

namespace vantora::host::host_table {

Status RunSql(sqlite3* db, const char* sql, const std::vector<SqlParam>& params,
              const std::function<void(sqlite3_stmt*)>& row) {
  sqlite3_stmt* q = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &q, nullptr) != SQLITE_OK) {
    return Status::Error(StatusCode::kStorageError, sqlite3_errmsg(db));
  }
  for (size_t i = 0; i < params.size(); ++i) {
    const int slot = static_cast<int>(i + 1);
    if (const auto* n = std::get_if<int64_t>(&params[i])) {
      sqlite3_bind_int64(q, slot, *n);
    } else {
      const std::string& t = std::get<std::string>(params[i]);
      sqlite3_bind_text(q, slot, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    }
  }
  int rc;
  while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
    if (row) row(q);
  }
  Status s = rc == SQLITE_DONE ? Status::Ok()
                               : Status::Error(StatusCode::kStorageError, sqlite3_errmsg(db));
  sqlite3_finalize(q);
  return s;
}

std::string ColumnText(sqlite3_stmt* q, int i) {
  const auto* text = sqlite3_column_text(q, i);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            static_cast<size_t>(sqlite3_column_bytes(q, i)))
              : std::string();
}

}  // namespace vantora::host::host_table
