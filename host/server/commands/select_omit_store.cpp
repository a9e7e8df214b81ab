#include "host/server/commands/select_omit_store.h"

namespace vantora::host {

Status SaveSelectOmit(Storage& storage, const ObjectName& file,
                      const std::vector<cl::SelectOmitRule>& rules) {
  return storage.RunLocked([&](SqlConnection& db) {
    Status s = db.Run("SAVEPOINT select_omit", {});
    if (!s.ok()) return s;
    s = db.Run("DELETE FROM vt_select_omit WHERE library = ?1 AND file = ?2",
               {file.library, file.name});
    for (size_t i = 0; s.ok() && i < rules.size(); ++i) {
      s = db.Run(
          "INSERT INTO vt_select_omit(library, file, seq, kind, selection) "
          "VALUES(?1, ?2, ?3, ?4, ?5)",
          {file.library, file.name, static_cast<int64_t>(i),
           std::string(rules[i].select ? "S" : "O"), rules[i].selection});
    }
    if (!s.ok()) db.Run("ROLLBACK TO select_omit", {}).IgnoreError();
    db.Run("RELEASE select_omit", {}).IgnoreError();
    return s;
  });
}

Status LoadSelectOmit(Storage& storage, const ObjectName& file,
                      std::vector<cl::SelectOmitRule>* out) {
  out->clear();
  return storage.RunLocked([&](SqlConnection& db) {
    return db.Run(
        "SELECT kind, selection FROM vt_select_omit WHERE library = ?1 AND file = ?2 "
        "ORDER BY seq",
        {file.library, file.name}, [&](const SqlStatement& q) {
          out->push_back({q.ColumnText(0) == "S", std::string(q.ColumnText(1))});
        });
  });
}

Status ForgetSelectOmit(Storage& storage, const ObjectName& file) {
  return storage.RunLocked([&](SqlConnection& db) {
    return db.Run("DELETE FROM vt_select_omit WHERE library = ?1 AND file = ?2",
                  {file.library, file.name});
  });
}

}  // namespace vantora::host
