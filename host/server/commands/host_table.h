// Small helpers for the command layer's own tables in the storage's
// database (vt_select_omit, vt_data_queues): run a statement with text and
// integer parameters, read rows. REQUIRES: called inside Storage::RunLocked.
#ifndef VANTORA_HOST_SERVER_COMMANDS_HOST_TABLE_H_
#define VANTORA_HOST_SERVER_COMMANDS_HOST_TABLE_H_

#include <sqlite3.h>

#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "host/storage/status.h"

namespace vantora::host::host_table {

using SqlParam = std::variant<int64_t, std::string>;

// Runs `sql` with `params` (?1, ?2, ...), calling `row` for each result row.
Status RunSql(sqlite3* db, const char* sql, const std::vector<SqlParam>& params,
              const std::function<void(sqlite3_stmt*)>& row = {});

// The text of column `i` of the current row.
std::string ColumnText(sqlite3_stmt* q, int i);

}  // namespace vantora::host::host_table

#endif  // VANTORA_HOST_SERVER_COMMANDS_HOST_TABLE_H_
