// Source members and their lines.
#include "host/storage/source_members.h"

#include "host/storage/catalogue.h"
#include "host/storage/sqlite_db.h"

namespace vantora::host {

using detail::StatementUse;

Status SourceMembers::FindLocked(const ObjectName& file, std::string_view member, int64_t* id,
                                 std::string* memberName, int* width) {
  ObjectName n;
  Status s = NormaliseObjectName(file, &n);
  if (s.ok()) s = NormaliseName(member, memberName);
  if (!s.ok()) return s;
  FileDescription d;
  s = catalogue_.DescribeLocked(n, &d);
  if (!s.ok()) return s;
  if (d.kind != FileKind::kSource) {
    return Status::Error(StatusCode::kFileNotFound, n.ToString() + " is not a source file");
  }
  *id = d.id;
  *width = d.formats[0].fields.back().length;
  return Status::Ok();
}

Status SourceMembers::FindExistingLocked(const ObjectName& file, std::string_view member,
                                         int64_t* id, std::string* memberName, int* width) {
  Status s = FindLocked(file, member, id, memberName, width);
  if (!s.ok()) return s;
  constexpr std::string_view kExists =
      "SELECT 1 FROM vt_source_members WHERE file_id = ?1 AND member = ?2";
  sqlite3_stmt* q = nullptr;
  s = db_.connection->Prepare(kExists, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, *id, *memberName);
  const int rc = sqlite3_step(q);
  if (rc == SQLITE_ROW) return Status::Ok();
  // A member that could not be looked up is not a missing one.
  return rc == SQLITE_DONE ? Status::Error(StatusCode::kFileNotFound, "member " + *memberName)
                           : db_.connection->ErrorStatus(rc, kExists);
}

Status SourceMembers::AddMember(const ObjectName& file, std::string_view member,
                                std::string_view type, std::string_view text) {
  std::lock_guard lock(db_.mutex);
  int64_t id = 0;
  std::string name;
  int width = 0;
  Status s = FindLocked(file, member, &id, &name, &width);
  if (!s.ok()) return s;
  s = detail::Run(*db_.connection,
                  "INSERT INTO vt_source_members(file_id, member, type, text) "
                  "VALUES(?1, ?2, ?3, ?4)",
                  id, name, type, text);
  if (s.code() == StatusCode::kDuplicateKey) {
    return Status::Error(StatusCode::kObjectExists, "member " + name);
  }
  return s;
}

Status SourceMembers::RemoveMember(const ObjectName& file, std::string_view member) {
  std::lock_guard lock(db_.mutex);
  int64_t id = 0;
  std::string name;
  int width = 0;
  Status s = FindExistingLocked(file, member, &id, &name, &width);
  if (!s.ok()) return s;
  detail::Savepoint tx(*db_.connection);
  if (!tx.begun().ok()) return tx.begun();
  s = detail::Run(*db_.connection,
                  "DELETE FROM vt_source_members WHERE file_id = ?1 AND member = ?2", id, name);
  if (s.ok()) {
    s = detail::Run(*db_.connection,
                    "DELETE FROM vt_source_lines WHERE file_id = ?1 AND member = ?2", id, name);
  }
  return s.ok() ? tx.Commit() : s;
}

Status SourceMembers::ListMembers(const ObjectName& file, std::vector<MemberEntry>* out) {
  out->clear();
  std::lock_guard lock(db_.mutex);
  int64_t id = 0;
  std::string unused;
  int width = 0;
  Status s = FindLocked(file, "X", &id, &unused, &width);
  if (!s.ok()) return s;
  sqlite3_stmt* q = nullptr;
  s = db_.connection->Prepare(
      "SELECT member, type, text FROM vt_source_members WHERE file_id = ?1 ORDER BY member", &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, id);
  return detail::ForEachRow(*db_.connection, q, "source members", [&] {
    out->push_back({detail::ColumnText(q, 0), detail::ColumnText(q, 1), detail::ColumnText(q, 2)});
  });
}

Status SourceMembers::WriteLines(const ObjectName& file, std::string_view member,
                                 const std::vector<SourceLine>& lines) {
  std::lock_guard lock(db_.mutex);
  int64_t id = 0;
  std::string name;
  int width = 0;
  Status s = FindExistingLocked(file, member, &id, &name, &width);
  if (!s.ok()) return s;
  detail::Connection& c = *db_.connection;
  detail::Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  s = detail::Run(c, "DELETE FROM vt_source_lines WHERE file_id = ?1 AND member = ?2", id, name);
  for (size_t i = 0; s.ok() && i < lines.size(); ++i) {
    std::string_view text = lines[i].text;
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.size() > static_cast<size_t>(width)) {
      return Status::Error(StatusCode::kDataMapping,
                           "line " + std::to_string(i + 1) + " is longer than the source file");
    }
    s = detail::Run(c,
                    "INSERT INTO vt_source_lines(file_id, member, line, seq, date, data) "
                    "VALUES(?1, ?2, ?3, ?4, ?5, ?6)",
                    id, name, i, lines[i].sequence, lines[i].date, text);
  }
  if (s.ok()) {
    s = detail::Run(c,
                    "UPDATE vt_source_members SET changed = strftime('%Y-%m-%d-%H.%M.%S', 'now') "
                    "WHERE file_id = ?1 AND member = ?2",
                    id, name);
  }
  return s.ok() ? tx.Commit() : s;
}

Status SourceMembers::ReadLines(const ObjectName& file, std::string_view member,
                                std::vector<SourceLine>* out) {
  out->clear();
  std::lock_guard lock(db_.mutex);
  int64_t id = 0;
  std::string name;
  int width = 0;
  Status s = FindExistingLocked(file, member, &id, &name, &width);
  if (!s.ok()) return s;
  sqlite3_stmt* q = nullptr;
  s = db_.connection->Prepare(
      "SELECT seq, date, data FROM vt_source_lines WHERE file_id = ?1 AND member = ?2 "
      "ORDER BY line",
      &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, id, name);
  return detail::ForEachRow(*db_.connection, q, "lines of member " + name, [&] {
    out->push_back(
        {sqlite3_column_int64(q, 0), sqlite3_column_int64(q, 1), detail::ColumnText(q, 2)});
  });
}

}  // namespace vantora::host
