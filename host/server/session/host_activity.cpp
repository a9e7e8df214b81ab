#include "host/server/session/host_activity.h"

#include "host/storage/live_count.h"

namespace vantora::host {

Status TakeActivity(Host& host, HostActivity* out) {
  HostActivity a;
  a.jobs = LiveObjects(LiveKind::kJob);
  a.openFiles = LiveObjects(LiveKind::kOpenFile);
  a.fileCursors = LiveObjects(LiveKind::kFileCursor);
  a.sqlStatements = LiveObjects(LiveKind::kSqlCursor);
  a.sqlResults = LiveObjects(LiveKind::kSqlResult);
  a.serverJobs = LiveObjects(LiveKind::kServerJob);
  a.recordLocks = static_cast<int64_t>(host.storage().recordLocks().HeldCount());
  Status s = host.storage().journal().PendingJobs(&a.uncommittedJobs);
  *out = a;
  return s;
}

std::string DescribeActivity(const HostActivity& a) {
  return std::to_string(a.jobs) + " jobs, " + std::to_string(a.openFiles) + " open files, " +
         std::to_string(a.fileCursors) + " file cursors, " + std::to_string(a.sqlStatements) +
         " SQL statements, " + std::to_string(a.sqlResults) + " SQL results, " +
         std::to_string(a.serverJobs) + " server jobs, " + std::to_string(a.recordLocks) +
         " record locks, " + std::to_string(a.uncommittedJobs) + " jobs with uncommitted changes";
}

}  // namespace vantora::host
