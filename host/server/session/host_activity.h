// What the host holds for its jobs at a moment: the live objects of
// host/storage/live_count.h, the record locks and the jobs with changes not
// yet committed. Once every session has ended, each is back to its idle
// level (0): a server reports them on request (vantora-hostd's status line,
// docs/hostd.md), and the load soak checks them after a run with lost
// connections and killed servers.
#ifndef VANTORA_HOST_SERVER_SESSION_HOST_ACTIVITY_H_
#define VANTORA_HOST_SERVER_SESSION_HOST_ACTIVITY_H_

#include <cstdint>
#include <string>

#include "host/server/session/host.h"

namespace vantora::host {

struct HostActivity {
  int64_t jobs = 0;
  int64_t openFiles = 0;
  int64_t fileCursors = 0;
  int64_t sqlStatements = 0;
  int64_t sqlResults = 0;
  int64_t serverJobs = 0;
  int64_t recordLocks = 0;
  int64_t uncommittedJobs = 0;  // jobs with journal entries
};

// The host's activity now. Errors: those of reading the journal.
Status TakeActivity(Host& host, HostActivity* out);

// "2 jobs, 5 open files, 5 file cursors, 0 SQL statements, 0 SQL results,
// 0 server jobs, 1 record locks, 1 jobs with uncommitted changes"
std::string DescribeActivity(const HostActivity& a);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SESSION_HOST_ACTIVITY_H_
