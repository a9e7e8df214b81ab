// A job's SQL work area: what VNXSqlBegin starts and VNXSqlEnd ends — the
// outcome of the last statement (for VNXSqlSqlca), the isolation level
// SET TRANSACTION chose, and the declared statements and their cursors.
//
// The areas live in a registry of this module, keyed by the job, because
// the job's own state belongs to other parts of the host; an area is
// dropped by VNXSqlEnd, and an area whose job has ended (its services are
// gone) is never handed to a later job at the same address.
//
// Thread safety: the registry is guarded; an area is used by its job's
// thread only.
#ifndef VANTORA_HOST_SERVER_SQL_SQL_WORK_AREA_H_
#define VANTORA_HOST_SERVER_SQL_SQL_WORK_AREA_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/server/sql/sql_cursor.h"
#include "host/server/sql/sql_error.h"
#include "host/server/sql/sql_naming.h"
#include "host/storage/names.h"

namespace vantora::host {
class Job;
}

namespace vantora::host::sql {

// A declared statement; open while it has a result.
struct SqlCursor {
  std::string sql;                       // the SQLite text
  std::vector<ObjectName> files;         // the files it names
  std::shared_ptr<CursorResult> result;  // null while closed
  int32_t handle = -1;                   // the result's handle while open
  std::vector<Value> parameters;         // bound with VNXSetTypeKey
  // Rows can be changed through the cursor (VNXSqlRow); rowSql is the
  // SQLite text that also answers each row's record number.
  bool updatable = false;
  std::string rowSql;
  std::string isolation;  // the statement's WITH level; empty: the job's
  LiveCount<LiveKind::kSqlCursor> live;
};

struct SqlWorkArea {
  std::map<int32_t, SqlCursor> cursors;  // by statement number, from 1
  SqlError last;                         // outcome of the last statement
  int32_t rows = 0;                      // rows it changed
  // SET TRANSACTION ISOLATION LEVEL; empty: the level of the job's
  // commitment control (*CHG UR, *CS CS, *ALL RS).
  std::string isolation;
  // SET OPTION NAMING: how the job's statements qualify objects.
  Naming naming = Naming::kSystem;
};

// The job's area, started when it has none (a statement without
// VNXSqlBegin works as DB2 does without a CONNECT).
SqlWorkArea& WorkAreaOf(Job& job);
// Starts the job's area afresh.
void BeginWorkArea(Job& job);
// Drops the job's area.
void EndWorkArea(Job& job);

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_WORK_AREA_H_
