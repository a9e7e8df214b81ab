// The host's own tables. docs/host-storage.md describes them for maintainers;
// keep the two in step.
#include "host/storage/schema.h"

#include <iterator>
#include <string>

namespace vantora::host::detail {
namespace {

constexpr const char* kCreateTables = R"sql(
CREATE TABLE vt_objects(
  library TEXT NOT NULL,
  name TEXT NOT NULL,
  type TEXT NOT NULL,
  attribute TEXT NOT NULL DEFAULT '',
  text TEXT NOT NULL DEFAULT '',
  created TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d-%H.%M.%S', 'now')),
  PRIMARY KEY(library, name, type)) WITHOUT ROWID;
CREATE TABLE vt_files(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  library TEXT NOT NULL,
  name TEXT NOT NULL,
  kind TEXT NOT NULL,
  join_file INTEGER NOT NULL DEFAULT 0,
  unique_keys INTEGER NOT NULL DEFAULT 0,
  rrn_high INTEGER NOT NULL DEFAULT 0,
  text TEXT NOT NULL DEFAULT '',
  UNIQUE(library, name));
CREATE TABLE vt_formats(
  file_id INTEGER NOT NULL,
  seq INTEGER NOT NULL,
  name TEXT NOT NULL,
  PRIMARY KEY(file_id, seq)) WITHOUT ROWID;
CREATE TABLE vt_fields(
  file_id INTEGER NOT NULL,
  format_seq INTEGER NOT NULL,
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  type TEXT NOT NULL,
  length INTEGER NOT NULL,
  digits INTEGER NOT NULL,
  decimals INTEGER NOT NULL,
  null_capable INTEGER NOT NULL,
  datetime_format INTEGER NOT NULL,
  heading TEXT NOT NULL,
  text TEXT NOT NULL,
  PRIMARY KEY(file_id, format_seq, position)) WITHOUT ROWID;
CREATE TABLE vt_key_fields(
  file_id INTEGER NOT NULL,
  format_seq INTEGER NOT NULL,
  position INTEGER NOT NULL,
  field TEXT NOT NULL,
  descending INTEGER NOT NULL,
  PRIMARY KEY(file_id, format_seq, position)) WITHOUT ROWID;
CREATE TABLE vt_based_on(
  file_id INTEGER NOT NULL,
  format_seq INTEGER NOT NULL,
  position INTEGER NOT NULL,
  based_id INTEGER NOT NULL,
  PRIMARY KEY(file_id, format_seq, position)) WITHOUT ROWID;
CREATE INDEX vt_based_on_by_base ON vt_based_on(based_id);
CREATE TABLE vt_source_members(
  file_id INTEGER NOT NULL,
  member TEXT NOT NULL,
  type TEXT NOT NULL,
  text TEXT NOT NULL,
  changed TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d-%H.%M.%S', 'now')),
  PRIMARY KEY(file_id, member)) WITHOUT ROWID;
CREATE TABLE vt_source_lines(
  file_id INTEGER NOT NULL,
  member TEXT NOT NULL,
  line INTEGER NOT NULL,
  seq INTEGER NOT NULL,
  date INTEGER NOT NULL,
  data TEXT NOT NULL,
  PRIMARY KEY(file_id, member, line)) WITHOUT ROWID;
CREATE TABLE vt_user_profiles(
  name TEXT PRIMARY KEY,
  salt BLOB NOT NULL,
  hash BLOB NOT NULL,
  iterations INTEGER NOT NULL,
  text TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE vt_journal(
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  job INTEGER NOT NULL,
  file_id INTEGER NOT NULL,
  rrn INTEGER NOT NULL,
  action TEXT NOT NULL,
  image BLOB);
CREATE INDEX vt_journal_by_job ON vt_journal(job, seq);
INSERT INTO vt_objects(library, name, type, attribute, text)
  VALUES('QSYS', 'QSYS', '*LIB', 'PROD', 'System library'),
        ('QSYS', 'QGPL', '*LIB', 'PROD', 'General purpose library');
)sql";

// Tables added after the first layout: created in data directories that
// lack them, at every open.
constexpr const char* kEnsureTables = R"sql(
CREATE TABLE IF NOT EXISTS vt_select_omit(
  library TEXT NOT NULL,
  file TEXT NOT NULL,
  seq INTEGER NOT NULL,
  kind TEXT NOT NULL,
  selection TEXT NOT NULL,
  PRIMARY KEY(library, file, seq));
CREATE TABLE IF NOT EXISTS vt_system_values(
  name TEXT PRIMARY KEY,
  value TEXT NOT NULL) WITHOUT ROWID;
)sql";

// Layout 2: data-queue entries and the user spaces outside QTEMP. An
// entry's `seq` is its arrival number across the whole host, never reused
// (AUTOINCREMENT). Deleting a queue's or a space's object deletes what it
// holds in the same statement.
constexpr const char* kLayout2 = R"sql(
CREATE TABLE vt_queue_entries(
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  library TEXT NOT NULL,
  name TEXT NOT NULL,
  key BLOB NOT NULL,
  data BLOB NOT NULL);
CREATE INDEX vt_queue_entries_by_queue ON vt_queue_entries(library, name, seq);
CREATE INDEX vt_queue_entries_by_key ON vt_queue_entries(library, name, key, seq);
CREATE TABLE vt_user_spaces(
  library TEXT NOT NULL,
  name TEXT NOT NULL,
  initial_size INTEGER NOT NULL,
  initial_value INTEGER NOT NULL,
  authority TEXT NOT NULL,
  list_format TEXT NOT NULL DEFAULT '',
  PRIMARY KEY(library, name)) WITHOUT ROWID;
CREATE TABLE vt_user_space_entries(
  library TEXT NOT NULL,
  name TEXT NOT NULL,
  position INTEGER NOT NULL,
  entry BLOB NOT NULL,
  PRIMARY KEY(library, name, position)) WITHOUT ROWID;
CREATE TRIGGER vt_queue_deleted AFTER DELETE ON vt_objects WHEN old.type = '*DTAQ'
BEGIN
  DELETE FROM vt_queue_entries WHERE library = old.library AND name = old.name;
END;
CREATE TRIGGER vt_user_space_deleted AFTER DELETE ON vt_objects WHEN old.type = '*USRSPC'
BEGIN
  DELETE FROM vt_user_spaces WHERE library = old.library AND name = old.name;
  DELETE FROM vt_user_space_entries WHERE library = old.library AND name = old.name;
END;
)sql";

// What takes a database of layout N-1 to layout N, from layout 2 on. A new
// database gets layout 1 and then every step, so that it is the same as
// one that was migrated.
constexpr const char* kSteps[] = {kLayout2};
static_assert(std::size(kSteps) == kSchemaVersion - 1, "one step per layout after the first");

}  // namespace

Status CreateOrCheckSchema(Connection& c) {
  sqlite3_stmt* s = nullptr;
  Status st = c.Prepare("PRAGMA user_version", &s);
  if (!st.ok()) return st;
  int version = 0;
  {
    StatementUse use(s);
    if (sqlite3_step(s) == SQLITE_ROW) version = sqlite3_column_int(s, 0);
  }
  if (version == kSchemaVersion) return c.Exec(kEnsureTables);
  if (version > kSchemaVersion || version < 0) {
    return Status::Error(StatusCode::kStorageError,
                         "data directory written by layout version " + std::to_string(version));
  }
  // The whole way from `version` to this layout is one transaction: a host
  // that dies on the way leaves the old layout, which the next open migrates.
  Savepoint tx(c);
  if (!tx.begun().ok()) return tx.begun();
  if (version == 0) {
    st = c.Exec(kCreateTables);
    version = 1;
  }
  for (; st.ok() && version < kSchemaVersion; ++version) st = c.Exec(kSteps[version - 1]);
  if (st.ok()) st = c.Exec(kEnsureTables);
  if (st.ok()) st = c.Exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
  if (!st.ok()) return st;
  return tx.Commit();
}

}  // namespace vantora::host::detail
