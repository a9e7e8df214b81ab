// The undo journal: capturing before-images, commit, rollback and recovery.
#include "host/storage/journal.h"

#include "host/storage/catalogue.h"
#include "host/storage/record_image.h"
#include "host/storage/sqlite_db.h"

namespace vantora::host {

using detail::StatementUse;

Status Journal::TableLocked(int64_t file, const Table** out) {
  auto it = tables_.find(file);
  if (it == tables_.end()) {
    FileDescription d;
    Status s = catalogue_.DescribeByIdLocked(file, &d);
    if (!s.ok()) return s;
    if (d.kind != FileKind::kPhysical) {
      return Status::Error(StatusCode::kInvalidArgument, d.name.ToString() + " has no records");
    }
    Table t{SqlTableName(d.name), {}};
    for (const FieldDef& f : d.formats[0].fields) t.columns.push_back(QuoteIdentifier(f.name));
    it = tables_.emplace(file, std::move(t)).first;
  }
  *out = &it->second;
  return Status::Ok();
}

Status Journal::CaptureLocked(int64_t file, int64_t rrn, std::string* image) {
  const Table* t = nullptr;
  Status s = TableLocked(file, &t);
  if (!s.ok()) return s;
  std::string sql = "SELECT ";
  for (size_t i = 0; i < t->columns.size(); ++i) sql += (i ? ", " : "") + t->columns[i];
  sql += " FROM " + t->name + " WHERE rowid = ?1";
  sqlite3_stmt* q = nullptr;
  s = db_.connection->Prepare(sql, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, rrn);
  int rc = sqlite3_step(q);
  if (rc == SQLITE_DONE) {
    return Status::Error(StatusCode::kRecordNotFound, "record " + std::to_string(rrn));
  }
  if (rc != SQLITE_ROW) return db_.connection->ErrorStatus(rc, sql);
  Record r(t->columns.size());
  for (size_t i = 0; i < r.size(); ++i) detail::ColumnValue(q, static_cast<int>(i), &r[i]);
  *image = EncodeRecordImage(r);
  return Status::Ok();
}

Status Journal::AppendLocked(JobId job, int64_t file, int64_t rrn, JournalAction action,
                             std::string_view image) {
  sqlite3_stmt* q = nullptr;
  constexpr std::string_view kSql =
      "INSERT INTO vt_journal(job, file_id, rrn, action, image) VALUES(?1, ?2, ?3, ?4, ?5)";
  Status s = db_.connection->Prepare(kSql, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, job, file, rrn,
                  std::string_view(reinterpret_cast<const char*>(&action), 1));
  sqlite3_bind_blob64(q, 5, image.data(), image.size(), SQLITE_TRANSIENT);
  return detail::StepDone(*db_.connection, q, kSql);
}

Status Journal::Commit(JobId job) {
  std::lock_guard lock(db_.mutex);
  return detail::Run(*db_.connection, "DELETE FROM vt_journal WHERE job = ?1", job);
}

Status Journal::HasPending(JobId job, bool* pending) {
  *pending = false;
  std::lock_guard lock(db_.mutex);
  constexpr std::string_view kSql = "SELECT 1 FROM vt_journal WHERE job = ?1 LIMIT 1";
  sqlite3_stmt* q = nullptr;
  if (Status s = db_.connection->Prepare(kSql, &q); !s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, job);
  return detail::StepRow(*db_.connection, q, kSql, pending);
}

Status Journal::PendingJobs(int64_t* jobs) {
  *jobs = 0;
  std::lock_guard lock(db_.mutex);
  constexpr std::string_view kSql = "SELECT COUNT(DISTINCT job) FROM vt_journal";
  sqlite3_stmt* q = nullptr;
  if (Status s = db_.connection->Prepare(kSql, &q); !s.ok()) return s;
  StatementUse use(q);
  bool row = false;
  if (Status s = detail::StepRow(*db_.connection, q, kSql, &row); !s.ok()) return s;
  if (row) *jobs = sqlite3_column_int64(q, 0);
  return Status::Ok();
}

Status Journal::UncommittedByOtherLocked(int64_t file, JobId job, int64_t* rrn) {
  *rrn = 0;
  sqlite3_stmt* q = nullptr;
  constexpr std::string_view kSql =
      "SELECT rrn FROM vt_journal WHERE file_id = ?1 AND job <> ?2 LIMIT 1";
  Status s = db_.connection->Prepare(kSql, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, file, job);
  const int rc = sqlite3_step(q);
  if (rc == SQLITE_ROW) *rrn = sqlite3_column_int64(q, 0);
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? Status::Ok()
                                               : db_.connection->ErrorStatus(rc, kSql);
}

Status Journal::Rollback(JobId job) {
  std::lock_guard lock(db_.mutex);
  return RollbackLocked(job);
}

Status Journal::UndoLocked(const Table& t, int64_t rrn, JournalAction action,
                           std::string_view image) {
  detail::Connection& c = *db_.connection;
  if (action == JournalAction::kInsert) {
    return detail::Run(c, "DELETE FROM " + t.name + " WHERE rowid = ?1", rrn);
  }
  Record before;
  Status s = DecodeRecordImage(image, &before);
  if (!s.ok()) return s;
  if (before.size() != t.columns.size()) {
    return Status::Error(StatusCode::kStorageError, "before-image does not match " + t.name);
  }
  std::string sql;
  if (action == JournalAction::kUpdate) {
    sql = "UPDATE " + t.name + " SET ";
    for (size_t i = 0; i < t.columns.size(); ++i) {
      sql += (i ? ", " : "") + t.columns[i] + " = ?" + std::to_string(i + 2);
    }
    sql += " WHERE rowid = ?1";
  } else {
    sql = "INSERT INTO " + t.name + "(rowid";
    std::string values = "?1";
    for (size_t i = 0; i < t.columns.size(); ++i) {
      sql += ", " + t.columns[i];
      values += ", ?" + std::to_string(i + 2);
    }
    sql += ") VALUES(" + values + ")";
  }
  sqlite3_stmt* q = nullptr;
  s = c.Prepare(sql, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, rrn);
  for (size_t i = 0; i < before.size(); ++i)
    detail::BindValue(q, static_cast<int>(i + 2), before[i]);
  return detail::StepDone(c, q, sql);
}

Status Journal::RollbackLocked(JobId job) {
  detail::Connection& c = *db_.connection;
  struct Entry {
    int64_t file, rrn;
    JournalAction action;
    std::string image;
  };
  std::vector<Entry> entries;
  sqlite3_stmt* q = nullptr;
  Status s = c.Prepare(
      "SELECT file_id, rrn, action, image FROM vt_journal WHERE job = ?1 ORDER BY seq DESC", &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, job);
    s = detail::ForEachRow(c, q, "journal of job " + std::to_string(job), [&] {
      std::string action = detail::ColumnText(q, 2);
      auto blob = static_cast<const char*>(sqlite3_column_blob(q, 3));
      entries.push_back(
          {sqlite3_column_int64(q, 0), sqlite3_column_int64(q, 1),
           static_cast<JournalAction>(action.empty() ? 'I' : action[0]),
           std::string(blob ? blob : "", static_cast<size_t>(sqlite3_column_bytes(q, 3)))});
    });
    // Entries not read cannot be undone: the job's journal stays as it is.
    if (!s.ok()) return s;
  }
  detail::Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  for (const Entry& e : entries) {
    const Table* t = nullptr;
    s = TableLocked(e.file, &t);
    // A file deleted since cannot be restored; its entries are dropped with
    // the rest (files with pending changes refuse deletion, so this happens
    // only to a damaged data directory).
    if (s.code() == StatusCode::kFileNotFound) continue;
    if (s.ok()) s = UndoLocked(*t, e.rrn, e.action, e.image);
    if (!s.ok()) return s;
  }
  s = detail::Run(c, "DELETE FROM vt_journal WHERE job = ?1", job);
  return s.ok() ? tx.Commit() : s;
}

Status Journal::RecoverAll(int* jobs) {
  std::lock_guard lock(db_.mutex);
  std::vector<JobId> pending;
  sqlite3_stmt* q = nullptr;
  Status s = db_.connection->Prepare("SELECT DISTINCT job FROM vt_journal ORDER BY job", &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    s = detail::ForEachRow(*db_.connection, q, "journal",
                           [&] { pending.push_back(sqlite3_column_int64(q, 0)); });
    if (!s.ok()) return s;
  }
  *jobs = static_cast<int>(pending.size());
  for (JobId job : pending) {
    s = RollbackLocked(job);
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

}  // namespace vantora::host
