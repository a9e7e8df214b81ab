#include "host/server/commands/select_omit_store.h"

#include "host/server/commands/host_table.h"

namespace vantora::host {
namespace {

constexpr const char* kCreate =
    "CREATE TABLE IF NOT EXISTS vt_select_omit(library TEXT NOT NULL, file TEXT NOT NULL, "
    "seq INTEGER NOT NULL, kind TEXT NOT NULL, selection TEXT NOT NULL, "
    "PRIMARY KEY(library, file, seq))";

}  // namespace

Status SaveSelectOmit(Storage& storage, const ObjectName& file,
                      const std::vector<cl::SelectOmitRule>& rules) {
  return storage.RunLocked([&](sqlite3* db) {
    Status s = host_table::RunSql(db, kCreate, {});
    if (s.ok()) s = host_table::RunSql(db, "SAVEPOINT select_omit", {});
    if (!s.ok()) return s;
    s = host_table::RunSql(db, "DELETE FROM vt_select_omit WHERE library = ?1 AND file = ?2",
                           {file.library, file.name});
    for (size_t i = 0; s.ok() && i < rules.size(); ++i) {
      s = host_table::RunSql(db,
                             "INSERT INTO vt_select_omit(library, file, seq, kind, selection) "
                             "VALUES(?1, ?2, ?3, ?4, ?5)",
                             {file.library, file.name, static_cast<int64_t>(i),
                              std::string(rules[i].select ? "S" : "O"), rules[i].selection});
    }
    if (!s.ok()) {
      host_table::RunSql(db, "ROLLBACK TO select_omit", {}).IgnoreError();
    }
    host_table::RunSql(db, "RELEASE select_omit", {}).IgnoreError();
    return s;
  });
}

Status LoadSelectOmit(Storage& storage, const ObjectName& file,
                      std::vector<cl::SelectOmitRule>* out) {
  out->clear();
  return storage.RunLocked([&](sqlite3* db) {
    Status s = host_table::RunSql(db, kCreate, {});
    if (!s.ok()) return s;
    return host_table::RunSql(
        db,
        "SELECT kind, selection FROM vt_select_omit WHERE library = ?1 AND file = ?2 "
        "ORDER BY seq",
        {file.library, file.name}, [&](sqlite3_stmt* q) {
          out->push_back({host_table::ColumnText(q, 0) == "S", host_table::ColumnText(q, 1)});
        });
  });
}

Status ForgetSelectOmit(Storage& storage, const ObjectName& file) {
  return storage.RunLocked([&](sqlite3* db) {
    Status s = host_table::RunSql(db, kCreate, {});
    if (!s.ok()) return s;
    return host_table::RunSql(db, "DELETE FROM vt_select_omit WHERE library = ?1 AND file = ?2",
                              {file.library, file.name});
  });
}

}  // namespace vantora::host
