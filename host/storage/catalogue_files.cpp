// Creating and deleting database files: the catalogue rows and the SQLite
// tables, views and indexes behind them.
#include <set>

#include "host/storage/catalogue.h"
#include "host/storage/sqlite_db.h"

namespace vantora::host {

using detail::StatementUse;

namespace {

Status Invalid(const std::string& why) {
  return Status::Error(StatusCode::kInvalidDefinition, why);
}

bool IsDeviceAttribute(std::string_view attribute) {
  return attribute == "DSPF" || attribute == "PRTF" || attribute == "ICFF";
}

bool IsReservedColumn(const std::string& name) {
  return name == "ROWID" || name == "OID" || name == "_ROWID_";
}

std::string ColumnDefinition(const FieldDef& f) {
  std::string d = QuoteIdentifier(f.name);
  if (IsCharacter(f.type)) {
    d += " TEXT COLLATE RTRIM";
  } else if (IsScaledInteger(f.type)) {
    d += " INTEGER";
  } else if (IsReal(f.type)) {
    d += " REAL";
  } else {
    d += " TEXT";
  }
  if (f.nullCapable) return d + " DEFAULT NULL";
  Value v = DefaultValue(f);
  switch (v.kind()) {
    case Value::Kind::kText:
      return d + " NOT NULL DEFAULT '" + std::string(v.text()) + "'";
    case Value::Kind::kReal:
      return d + " NOT NULL DEFAULT 0.0";
    default:
      return d + " NOT NULL DEFAULT 0";
  }
}

std::string IndexDefinition(const ObjectName& path, const ObjectName& table,
                            const std::vector<KeyField>& key, bool unique) {
  std::string sql = unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ";
  sql += SqlIndexName(path) + " ON " + SqlTableName(table) + "(";
  for (size_t i = 0; i < key.size(); ++i) {
    if (i) sql += ", ";
    sql += QuoteIdentifier(key[i].field) + (key[i].descending ? " DESC" : "");
  }
  return sql + ")";
}

// Normalises field and key names in place and checks that the key names
// fields of `fields` without repeating one.
Status CheckKey(const std::vector<FieldDef>& fields, std::vector<KeyField>& key) {
  std::set<std::string> seen;
  for (KeyField& k : key) {
    Status s = NormaliseName(k.field, &k.field);
    if (!s.ok()) return Invalid(s.detail());
    bool found = false;
    for (const FieldDef& f : fields) found = found || f.name == k.field;
    if (!found) return Invalid("key field " + k.field + " is not a field of the format");
    if (!seen.insert(k.field).second) return Invalid("key field " + k.field + " repeated");
  }
  return Status::Ok();
}

Status CheckFields(std::vector<FieldDef>& fields) {
  if (fields.empty()) return Invalid("a record format needs at least one field");
  std::set<std::string> seen;
  for (FieldDef& f : fields) {
    Status s = NormaliseName(f.name, &f.name);
    if (!s.ok()) return Invalid(s.detail());
    if (IsReservedColumn(f.name)) return Invalid("field name " + f.name + " is reserved");
    if (!seen.insert(f.name).second) return Invalid("field " + f.name + " repeated");
    s = ValidateFieldDef(f);
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

Status FormatName(const std::string& given, const std::string& fileName, std::string* out) {
  if (given.empty()) {
    *out = fileName;
    return Status::Ok();
  }
  Status s = NormaliseName(given, out);
  return s.ok() ? s : Invalid(s.detail());
}

}  // namespace

Status Catalogue::CheckNewFileLocked(const ObjectName& name) {
  if (Status s = RequireLibraryLocked(name.library); !s.ok()) return s;
  int64_t id = 0;
  Status s = FileIdLocked(name, &id, nullptr);
  if (s.ok()) return Status::Error(StatusCode::kObjectExists, name.ToString() + " *FILE");
  return s.code() == StatusCode::kFileNotFound ? Status::Ok() : s;
}

Status Catalogue::InsertFileLocked(const ObjectName& name, const char* kind, bool join, bool unique,
                                   const std::string& text, int64_t* id) {
  Status s = detail::Run(*db_.connection,
                         "INSERT INTO vt_files(library, name, kind, join_file, unique_keys, text) "
                         "VALUES(?1, ?2, ?3, ?4, ?5, ?6)",
                         name.library, name.name, kind, int64_t{join}, int64_t{unique}, text);
  if (!s.ok()) return s;
  *id = sqlite3_last_insert_rowid(db_.connection->handle());
  std::string attribute = std::string(kind) == "LF" ? "LF" : "PF";
  return InsertObjectLocked(ObjectEntry{name, "*FILE", attribute, text});
}

Status Catalogue::InsertFormatLocked(int64_t fileId, int seq, const std::string& formatName,
                                     const std::vector<FieldDef>& fields,
                                     const std::vector<KeyField>& key) {
  detail::Connection& c = *db_.connection;
  Status s = detail::Run(c, "INSERT INTO vt_formats(file_id, seq, name) VALUES(?1, ?2, ?3)", fileId,
                         seq, formatName);
  for (size_t i = 0; s.ok() && i < fields.size(); ++i) {
    const FieldDef& f = fields[i];
    s = detail::Run(c,
                    "INSERT INTO vt_fields(file_id, format_seq, position, name, type, length, "
                    "digits, decimals, null_capable, datetime_format, heading, text) "
                    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)",
                    fileId, seq, i, f.name, FieldTypeName(f.type), f.length, f.digits, f.decimals,
                    int64_t{f.nullCapable}, int64_t{f.dateTimeFormat}, f.heading, f.text);
  }
  for (size_t i = 0; s.ok() && i < key.size(); ++i) {
    s = detail::Run(c,
                    "INSERT INTO vt_key_fields(file_id, format_seq, position, field, descending) "
                    "VALUES(?1, ?2, ?3, ?4, ?5)",
                    fileId, seq, i, key[i].field, int64_t{key[i].descending});
  }
  return s;
}

Status Catalogue::CreatePhysicalFile(const PhysicalFileDef& def) {
  PhysicalFileDef d = def;
  Status s = NormaliseObjectName(def.name, &d.name);
  if (s.ok()) s = FormatName(def.formatName, d.name.name, &d.formatName);
  if (s.ok()) s = CheckFields(d.fields);
  if (s.ok()) s = CheckKey(d.fields, d.key);
  if (!s.ok()) return s;
  if (d.unique && d.key.empty()) return Invalid("a unique file needs a key");

  std::lock_guard lock(db_.mutex);
  s = CheckNewFileLocked(d.name);
  if (!s.ok()) return s;
  detail::Connection& c = *db_.connection;
  detail::Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  int64_t id = 0;
  s = InsertFileLocked(d.name, "PF", false, d.unique, d.text, &id);
  if (s.ok()) s = InsertFormatLocked(id, 0, d.formatName, d.fields, d.key);
  if (!s.ok()) return s;
  std::string sql = "CREATE TABLE " + SqlTableName(d.name) + "(";
  for (size_t i = 0; i < d.fields.size(); ++i) {
    sql += (i ? ", " : "") + ColumnDefinition(d.fields[i]);
  }
  s = c.Exec(sql + ")");
  if (s.ok() && !d.key.empty()) s = c.Exec(IndexDefinition(d.name, d.name, d.key, d.unique));
  return s.ok() ? tx.Commit() : s;
}

Status Catalogue::CreateLogicalFile(const LogicalFileDef& def) {
  LogicalFileDef d = def;
  Status s = NormaliseObjectName(def.name, &d.name);
  if (!s.ok()) return s;
  if (d.formats.empty()) return Invalid("a logical file needs a record format");
  if (d.join && (d.formats.size() != 1 || d.formats[0].basedOn.size() < 2)) {
    return Invalid("a join logical file has one format over two or more files");
  }
  if (!d.join) {
    for (const LogicalFormatDef& f : d.formats) {
      if (f.basedOn.size() != 1) return Invalid("each format is based on one physical file");
    }
  }

  std::lock_guard lock(db_.mutex);
  s = CheckNewFileLocked(d.name);
  if (!s.ok()) return s;
  // Fields come from the based-on files, so that each format's definitions
  // are those of the data it shows.
  std::vector<std::vector<FieldDef>> formatFields;
  std::vector<std::vector<int64_t>> baseIds;
  for (LogicalFormatDef& f : d.formats) {
    s = FormatName(f.name, d.name.name, &f.name);
    if (!s.ok()) return s;
    std::vector<FileDescription> bases;
    for (ObjectName& b : f.basedOn) {
      s = NormaliseObjectName(b, &b);
      FileDescription base;
      if (s.ok()) s = DescribeLocked(b, &base);
      if (!s.ok()) return s;
      if (base.kind != FileKind::kPhysical) {
        return Status::Error(StatusCode::kFileNotFound, b.ToString() + " is not a physical file");
      }
      bases.push_back(std::move(base));
    }
    std::vector<FieldDef> fields;
    if (f.fields.empty()) {
      std::set<std::string> seen;
      for (const FileDescription& base : bases) {
        for (const FieldDef& field : base.formats[0].fields) {
          if (seen.insert(field.name).second) fields.push_back(field);
        }
      }
    } else {
      for (const std::string& given : f.fields) {
        std::string name;
        s = NormaliseName(given, &name);
        if (!s.ok()) return Invalid(s.detail());
        const FieldDef* found = nullptr;
        for (const FileDescription& base : bases) {
          int i = base.formats[0].FieldIndex(name);
          if (i >= 0 && !found) found = &base.formats[0].fields[static_cast<size_t>(i)];
        }
        if (!found) return Invalid("field " + name + " is not in the based-on files");
        fields.push_back(*found);
      }
    }
    s = CheckFields(fields);
    if (s.ok()) s = CheckKey(fields, f.key);
    if (!s.ok()) return s;
    formatFields.push_back(std::move(fields));
    std::vector<int64_t> ids;
    for (const FileDescription& base : bases) ids.push_back(base.id);
    baseIds.push_back(std::move(ids));
  }
  if (d.unique && d.formats[0].key.empty()) return Invalid("a unique file needs a key");

  detail::Connection& c = *db_.connection;
  detail::Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  int64_t id = 0;
  s = InsertFileLocked(d.name, "LF", d.join, d.unique, d.text, &id);
  for (size_t i = 0; s.ok() && i < d.formats.size(); ++i) {
    s = InsertFormatLocked(id, static_cast<int>(i), d.formats[i].name, formatFields[i],
                           d.formats[i].key);
    for (size_t j = 0; s.ok() && j < baseIds[i].size(); ++j) {
      s = detail::Run(c,
                      "INSERT INTO vt_based_on(file_id, format_seq, position, based_id) "
                      "VALUES(?1, ?2, ?3, ?4)",
                      id, i, j, baseIds[i][j]);
    }
  }
  if (!s.ok()) return s;
  if (!d.join && d.formats.size() == 1) {
    const ObjectName& table = d.formats[0].basedOn[0];
    std::string sql = "CREATE VIEW " + SqlTableName(d.name) + " AS SELECT ";
    for (size_t i = 0; i < formatFields[0].size(); ++i) {
      sql += (i ? ", " : "") + QuoteIdentifier(formatFields[0][i].name);
    }
    s = c.Exec(sql + " FROM " + SqlTableName(table));
    if (s.ok() && !d.formats[0].key.empty()) {
      s = c.Exec(IndexDefinition(d.name, table, d.formats[0].key, d.unique));
    }
  }
  return s.ok() ? tx.Commit() : s;
}

Status Catalogue::CreateSourceFile(const ObjectName& name, int recordLength,
                                   std::string_view text) {
  ObjectName n;
  Status s = NormaliseObjectName(name, &n);
  if (!s.ok()) return s;
  if (recordLength < 13 || recordLength > 32766)
    return Invalid("source record length out of range");
  std::vector<FieldDef> fields = {ZonedField("SRCSEQ", 6, 2), ZonedField("SRCDAT", 6, 0),
                                  CharField("SRCDTA", recordLength - 12)};
  std::lock_guard lock(db_.mutex);
  s = CheckNewFileLocked(n);
  if (!s.ok()) return s;
  detail::Savepoint tx(*db_.connection);
  if (!tx.begun().ok()) return tx.begun();
  int64_t id = 0;
  s = InsertFileLocked(n, "SRC", false, false, std::string(text), &id);
  if (s.ok()) s = InsertFormatLocked(id, 0, n.name, fields, {});
  return s.ok() ? tx.Commit() : s;
}

Status Catalogue::CreateDeviceFile(const ObjectName& name, std::string_view attribute,
                                   std::string_view text) {
  ObjectName n;
  Status s = NormaliseObjectName(name, &n);
  if (!s.ok()) return s;
  if (!IsDeviceAttribute(attribute)) {
    return Status::Error(StatusCode::kInvalidArgument,
                         "'" + std::string(attribute) + "' is not a device file attribute");
  }
  std::lock_guard lock(db_.mutex);
  s = CheckNewFileLocked(n);
  if (!s.ok()) return s;
  return InsertObjectLocked(ObjectEntry{n, "*FILE", std::string(attribute), std::string(text)});
}

Status Catalogue::DeleteDeviceFileLocked(const ObjectName& name) {
  sqlite3_stmt* q = nullptr;
  Status s = db_.connection->Prepare(
      "SELECT attribute FROM vt_objects WHERE library = ?1 AND name = ?2 AND type = '*FILE'", &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, name.library, name.name);
    bool found = false;
    if (s = detail::StepRow(*db_.connection, q, "device file", &found); !s.ok()) return s;
    if (!found || !IsDeviceAttribute(detail::ColumnText(q, 0))) {
      return Status::Error(StatusCode::kFileNotFound, name.ToString());
    }
  }
  return detail::Run(*db_.connection,
                     "DELETE FROM vt_objects WHERE library = ?1 AND name = ?2 AND type = '*FILE'",
                     name.library, name.name);
}

Status Catalogue::DeleteFile(const ObjectName& name) {
  ObjectName n;
  Status s = NormaliseObjectName(name, &n);
  if (!s.ok()) return s;
  std::lock_guard lock(db_.mutex);
  FileDescription d;
  s = DescribeLocked(n, &d);
  if (s.code() == StatusCode::kFileNotFound) return DeleteDeviceFileLocked(n);
  if (!s.ok()) return s;
  if (auto it = db_.openCursors.find(d.id); it != db_.openCursors.end() && it->second > 0) {
    return Status::Error(StatusCode::kObjectInUse, n.ToString() + " is open");
  }
  detail::Connection& c = *db_.connection;
  sqlite3_stmt* q = nullptr;
  s = c.Prepare(
      "SELECT 1 FROM vt_based_on WHERE based_id = ?1 UNION ALL "
      "SELECT 1 FROM vt_journal WHERE file_id = ?1 LIMIT 1",
      &q);
  if (!s.ok()) return s;
  {
    StatementUse use(q);
    detail::BindAll(q, 1, d.id);
    const int rc = sqlite3_step(q);
    if (rc == SQLITE_ROW) {
      return Status::Error(StatusCode::kObjectInUse,
                           n.ToString() + " has dependent files or uncommitted changes");
    }
    // Not knowing whether something depends on the file is no permission.
    if (rc != SQLITE_DONE) return c.ErrorStatus(rc, "dependents of " + n.ToString());
  }
  detail::Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  if (d.kind == FileKind::kPhysical) {
    s = c.Exec("DROP TABLE IF EXISTS " + SqlTableName(n));
  } else if (d.kind == FileKind::kLogical) {
    s = c.Exec("DROP VIEW IF EXISTS " + SqlTableName(n) + "; DROP INDEX IF EXISTS " +
               SqlIndexName(n));
  }
  static constexpr const char* kDeletes[] = {
      "DELETE FROM vt_files WHERE id = ?1",
      "DELETE FROM vt_formats WHERE file_id = ?1",
      "DELETE FROM vt_fields WHERE file_id = ?1",
      "DELETE FROM vt_key_fields WHERE file_id = ?1",
      "DELETE FROM vt_based_on WHERE file_id = ?1",
      "DELETE FROM vt_source_members WHERE file_id = ?1",
      "DELETE FROM vt_source_lines WHERE file_id = ?1",
  };
  for (const char* sql : kDeletes) {
    if (s.ok()) s = detail::Run(c, sql, d.id);
  }
  if (s.ok()) {
    s = detail::Run(c, "DELETE FROM vt_objects WHERE library = ?1 AND name = ?2 AND type = '*FILE'",
                    n.library, n.name);
  }
  if (s.ok()) s = tx.Commit();
  if (s.ok()) c.ForgetStatements();
  return s;
}

}  // namespace vantora::host
