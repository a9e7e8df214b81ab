// The catalogue: libraries, object entries, and reading file descriptions.
// Creating and deleting files is in catalogue_files.cpp.
#include "host/storage/catalogue.h"

#include "host/storage/sqlite_db.h"

namespace vantora::host {

using detail::StatementUse;

namespace {

bool IsReservedType(std::string_view type) {
  return type == "*LIB" || type == "*FILE" || type == "*USRPRF";
}

Status NormaliseType(std::string_view type, std::string* out) {
  std::string t;
  for (char c : type) {
    if (c == ' ') break;
    t += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  if (t.size() < 2 || t.size() > 10 || t[0] != '*') {
    return Status::Error(StatusCode::kInvalidArgument, "object type '" + t + "' is not valid");
  }
  *out = std::move(t);
  return Status::Ok();
}

}  // namespace

Status Catalogue::LibraryExistsLocked(const std::string& name, bool* exists) {
  *exists = false;
  constexpr std::string_view kSql =
      "SELECT 1 FROM vt_objects WHERE library = 'QSYS' AND name = ?1 AND type = '*LIB'";
  sqlite3_stmt* s = nullptr;
  if (Status st = db_.connection->Prepare(kSql, &s); !st.ok()) return st;
  StatementUse use(s);
  detail::BindAll(s, 1, name);
  return detail::StepRow(*db_.connection, s, kSql, exists);
}

Status Catalogue::RequireLibraryLocked(const std::string& name) {
  bool exists = false;
  Status s = LibraryExistsLocked(name, &exists);
  if (s.ok() && !exists) return Status::Error(StatusCode::kLibraryNotFound, name);
  return s;
}

Status Catalogue::LibraryExists(std::string_view name, bool* exists) {
  *exists = false;
  std::string n;
  if (!NormaliseName(name, &n).ok()) return Status::Ok();
  std::lock_guard lock(db_.mutex);
  return LibraryExistsLocked(n, exists);
}

Status Catalogue::CreateLibrary(std::string_view name, std::string_view text) {
  std::string n;
  Status s = NormaliseName(name, &n);
  if (!s.ok()) return s;
  std::lock_guard lock(db_.mutex);
  bool exists = false;
  if (s = LibraryExistsLocked(n, &exists); !s.ok()) return s;
  if (exists) return Status::Error(StatusCode::kLibraryExists, n);
  return InsertObjectLocked(
      ObjectEntry{{std::string(kSystemLibrary), n}, "*LIB", "PROD", std::string(text)});
}

Status Catalogue::DeleteLibrary(std::string_view name) {
  std::string n;
  Status s = NormaliseName(name, &n);
  if (!s.ok()) return s;
  std::lock_guard lock(db_.mutex);
  if (s = RequireLibraryLocked(n); !s.ok()) return s;
  constexpr std::string_view kAnyObject = "SELECT 1 FROM vt_objects WHERE library = ?1 LIMIT 1";
  sqlite3_stmt* q = nullptr;
  s = db_.connection->Prepare(kAnyObject, &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, n);
    bool holds = false;
    if (s = detail::StepRow(*db_.connection, q, kAnyObject, &holds); !s.ok()) return s;
    if (holds) return Status::Error(StatusCode::kObjectInUse, "library " + n + " is not empty");
  }
  return detail::Run(*db_.connection,
                     "DELETE FROM vt_objects WHERE library = 'QSYS' AND name = ?1 AND "
                     "type = '*LIB'",
                     n);
}

Status Catalogue::InsertObjectLocked(const ObjectEntry& e) {
  Status s = detail::Run(*db_.connection,
                         "INSERT INTO vt_objects(library, name, type, attribute, text) "
                         "VALUES(?1, ?2, ?3, ?4, ?5)",
                         e.name.library, e.name.name, e.type, e.attribute, e.text);
  if (s.code() == StatusCode::kDuplicateKey) {
    return Status::Error(StatusCode::kObjectExists, e.name.ToString() + " " + e.type);
  }
  return s;
}

Status Catalogue::CreateObject(const ObjectEntry& entry) {
  ObjectEntry e = entry;
  Status s = NormaliseObjectName(entry.name, &e.name);
  if (s.ok()) s = NormaliseType(entry.type, &e.type);
  if (!s.ok()) return s;
  if (IsReservedType(e.type)) {
    return Status::Error(StatusCode::kInvalidArgument, e.type + " objects have their own calls");
  }
  std::lock_guard lock(db_.mutex);
  if (s = RequireLibraryLocked(e.name.library); !s.ok()) return s;
  return InsertObjectLocked(e);
}

Status Catalogue::DeleteObject(const ObjectName& name, std::string_view type) {
  ObjectEntry found;
  Status s = FindObject(name, type, &found);
  if (!s.ok()) return s;
  if (IsReservedType(found.type)) {
    return Status::Error(StatusCode::kInvalidArgument,
                         found.type + " objects have their own calls");
  }
  std::lock_guard lock(db_.mutex);
  return detail::Run(*db_.connection,
                     "DELETE FROM vt_objects WHERE library = ?1 AND name = ?2 AND type = ?3",
                     found.name.library, found.name.name, found.type);
}

Status Catalogue::FindObject(const ObjectName& name, std::string_view type, ObjectEntry* out) {
  ObjectName n;
  std::string t;
  Status s = NormaliseObjectName(name, &n);
  if (s.ok()) s = NormaliseType(type, &t);
  if (!s.ok()) return s;
  std::lock_guard lock(db_.mutex);
  constexpr std::string_view kSql =
      "SELECT attribute, text FROM vt_objects WHERE library = ?1 AND name = ?2 AND type = ?3";
  sqlite3_stmt* q = nullptr;
  s = db_.connection->Prepare(kSql, &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, n.library, n.name, t);
  bool found = false;
  if (s = detail::StepRow(*db_.connection, q, kSql, &found); !s.ok()) return s;
  if (!found) return Status::Error(StatusCode::kObjectNotFound, n.ToString() + " " + t);
  *out = ObjectEntry{n, t, detail::ColumnText(q, 0), detail::ColumnText(q, 1)};
  return Status::Ok();
}

Status Catalogue::ListObjects(std::string_view library, std::string_view type,
                              std::string_view generic, std::vector<ObjectEntry>* out) {
  out->clear();
  std::string lib = "*ALL", t = "*ALL", prefix;
  bool exact = false;
  Status s;
  if (library != "*ALL") s = NormaliseName(library, &lib);
  if (s.ok() && type != "*ALL") s = NormaliseType(type, &t);
  if (s.ok() && generic != "*ALL") {
    std::string_view g = generic;
    exact = g.empty() || g.back() != '*';
    if (!exact) g.remove_suffix(1);
    if (!g.empty()) s = NormaliseName(g, &prefix);
  }
  if (!s.ok()) return s;
  std::lock_guard lock(db_.mutex);
  if (lib != "*ALL") {
    if (s = RequireLibraryLocked(lib); !s.ok()) return s;
  }
  sqlite3_stmt* q = nullptr;
  s = db_.connection->Prepare(
      "SELECT library, name, type, attribute, text FROM vt_objects "
      "WHERE (?1 = '*ALL' OR library = ?1) AND (?2 = '*ALL' OR type = ?2) "
      "AND (CASE WHEN ?4 THEN name = ?3 ELSE substr(name, 1, length(?3)) = ?3 END) "
      "ORDER BY library, name, type",
      &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, lib, t, prefix, int64_t{exact});
  return detail::ForEachRow(*db_.connection, q, "list objects", [&] {
    out->push_back(ObjectEntry{{detail::ColumnText(q, 0), detail::ColumnText(q, 1)},
                               detail::ColumnText(q, 2),
                               detail::ColumnText(q, 3),
                               detail::ColumnText(q, 4)});
  });
}

Status Catalogue::FileIdLocked(const ObjectName& name, int64_t* id, std::string* kind) {
  sqlite3_stmt* q = nullptr;
  Status s =
      db_.connection->Prepare("SELECT id, kind FROM vt_files WHERE library = ?1 AND name = ?2", &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, name.library, name.name);
  const int rc = sqlite3_step(q);
  if (rc != SQLITE_ROW) {
    return rc == SQLITE_DONE ? Status::Error(StatusCode::kFileNotFound, name.ToString())
                             : db_.connection->ErrorStatus(rc, "files");
  }
  *id = sqlite3_column_int64(q, 0);
  if (kind) *kind = detail::ColumnText(q, 1);
  return Status::Ok();
}

Status Catalogue::DescribeFile(const ObjectName& name, FileDescription* out) {
  ObjectName n;
  Status s = NormaliseObjectName(name, &n);
  if (!s.ok()) return s;
  std::lock_guard lock(db_.mutex);
  return DescribeLocked(n, out);
}

Status Catalogue::DescribeLocked(const ObjectName& name, FileDescription* out) {
  int64_t id = 0;
  Status s = FileIdLocked(name, &id, nullptr);
  return s.ok() ? DescribeByIdLocked(id, out) : s;
}

Status Catalogue::DescribeByIdLocked(int64_t id, FileDescription* out) {
  detail::Connection& c = *db_.connection;
  FileDescription d;
  d.id = id;
  sqlite3_stmt* q = nullptr;
  Status s = c.Prepare(
      "SELECT library, name, kind, join_file, unique_keys, text FROM vt_files WHERE id = ?1", &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, id);
    const int rc = sqlite3_step(q);
    if (rc != SQLITE_ROW) {
      return rc == SQLITE_DONE
                 ? Status::Error(StatusCode::kFileNotFound, "file number " + std::to_string(id))
                 : c.ErrorStatus(rc, "files");
    }
    d.name = {detail::ColumnText(q, 0), detail::ColumnText(q, 1)};
    std::string kind = detail::ColumnText(q, 2);
    d.kind = kind == "PF"   ? FileKind::kPhysical
             : kind == "LF" ? FileKind::kLogical
                            : FileKind::kSource;
    d.join = sqlite3_column_int(q, 3) != 0;
    d.unique = sqlite3_column_int(q, 4) != 0;
    d.text = detail::ColumnText(q, 5);
  }
  s = c.Prepare("SELECT name FROM vt_formats WHERE file_id = ?1 ORDER BY seq", &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, id);
    s = detail::ForEachRow(c, q, "formats", [&] {
      d.formats.push_back({detail::ColumnText(q, 0), {}, {}});
    });
    if (!s.ok()) return s;
  }
  s = c.Prepare(
      "SELECT format_seq, name, type, length, digits, decimals, null_capable, datetime_format, "
      "heading, text FROM vt_fields WHERE file_id = ?1 ORDER BY format_seq, position",
      &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, id);
    s = detail::ForEachRow(c, q, "fields", [&] {
      auto seq = static_cast<size_t>(sqlite3_column_int(q, 0));
      if (seq >= d.formats.size()) return Status::Error(StatusCode::kStorageError, "bad catalogue");
      FieldDef f;
      f.name = detail::ColumnText(q, 1);
      if (!ParseFieldTypeName(detail::ColumnText(q, 2), &f.type)) {
        return Status::Error(StatusCode::kStorageError, "unknown field type in catalogue");
      }
      f.length = sqlite3_column_int(q, 3);
      f.digits = sqlite3_column_int(q, 4);
      f.decimals = sqlite3_column_int(q, 5);
      f.nullCapable = sqlite3_column_int(q, 6) != 0;
      f.dateTimeFormat = static_cast<uint16_t>(sqlite3_column_int(q, 7));
      f.heading = detail::ColumnText(q, 8);
      f.text = detail::ColumnText(q, 9);
      d.formats[seq].fields.push_back(std::move(f));
      return Status::Ok();
    });
    if (!s.ok()) return s;
  }
  s = c.Prepare(
      "SELECT format_seq, field, descending FROM vt_key_fields WHERE file_id = ?1 "
      "ORDER BY format_seq, position",
      &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, id);
    s = detail::ForEachRow(c, q, "key fields", [&] {
      auto seq = static_cast<size_t>(sqlite3_column_int(q, 0));
      if (seq >= d.formats.size()) return Status::Error(StatusCode::kStorageError, "bad catalogue");
      d.formats[seq].key.push_back({detail::ColumnText(q, 1), sqlite3_column_int(q, 2) != 0});
      return Status::Ok();
    });
    if (!s.ok()) return s;
  }
  s = c.Prepare(
      "SELECT b.based_id, f.library, f.name FROM vt_based_on b JOIN vt_files f "
      "ON f.id = b.based_id WHERE b.file_id = ?1 ORDER BY b.format_seq, b.position",
      &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, id);
    s = detail::ForEachRow(c, q, "based-on files", [&] {
      d.basedOnIds.push_back(sqlite3_column_int64(q, 0));
      d.basedOn.push_back({detail::ColumnText(q, 1), detail::ColumnText(q, 2)});
    });
    if (!s.ok()) return s;
  }
  *out = std::move(d);
  return Status::Ok();
}

Status Catalogue::ResolveFile(std::span<const std::string> libraryList, std::string_view file,
                              ObjectName* out) {
  std::string name;
  Status s = NormaliseName(file, &name);
  if (!s.ok()) return s;
  std::lock_guard lock(db_.mutex);
  for (const std::string& library : libraryList) {
    ObjectName candidate;
    if (!NormaliseName(library, &candidate.library).ok()) continue;
    candidate.name = name;
    int64_t id = 0;
    if (FileIdLocked(candidate, &id, nullptr).ok()) {
      *out = std::move(candidate);
      return Status::Ok();
    }
  }
  return Status::Error(StatusCode::kFileNotFound, "*LIBL/" + name);
}

Status Catalogue::ListDependents(const ObjectName& name, std::vector<Dependent>* out) {
  out->clear();
  ObjectName n;
  Status s = NormaliseObjectName(name, &n);
  if (!s.ok()) return s;
  std::lock_guard lock(db_.mutex);
  int64_t id = 0;
  s = FileIdLocked(n, &id, nullptr);
  if (!s.ok()) return s;
  sqlite3_stmt* q = nullptr;
  s = db_.connection->Prepare(
      "SELECT DISTINCT f.library, f.name, f.join_file FROM vt_based_on b JOIN vt_files f "
      "ON f.id = b.file_id WHERE b.based_id = ?1 ORDER BY f.library, f.name",
      &q);
  if (!s.ok()) return s;
  StatementUse use(q);
  detail::BindAll(q, 1, id);
  return detail::ForEachRow(*db_.connection, q, "dependents of " + n.ToString(), [&] {
    out->push_back(
        {{detail::ColumnText(q, 0), detail::ColumnText(q, 1)}, sqlite3_column_int(q, 2) != 0});
  });
}

}  // namespace vantora::host
