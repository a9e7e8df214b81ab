// How many of the host's per-job objects are alive in this process: jobs,
// their open files, the storage cursors under them, SQL statements and
// their results, server jobs. Each kind counts itself with a member of type
// LiveCount<kind> (constructed, copied and destroyed with the object), so a
// count that does not come back to its idle level once the sessions have
// ended is a leak, whatever kept the object alive. The TCP server reports
// the counts in its status line (docs/hostd.md); tests and the load soak
// compare them before and after.
//
// The counts are the process's: a process that runs several hosts sees
// their sum. Thread safety: relaxed atomics; any thread.
#ifndef VANTORA_HOST_STORAGE_LIVE_COUNT_H_
#define VANTORA_HOST_STORAGE_LIVE_COUNT_H_

#include <atomic>
#include <cstdint>

namespace vantora::host {

enum class LiveKind : uint8_t {
  kJob,         // host jobs (one per open session)
  kOpenFile,    // files open in jobs (record-level, data queue, program files)
  kFileCursor,  // the storage's cursors under them
  kSqlCursor,   // declared SQL statements
  kSqlResult,   // open SQL cursors' results
  kServerJob,   // program conversations (JOBcall)
  kKinds
};

namespace detail {
inline std::atomic<int64_t> liveCounts[static_cast<int>(LiveKind::kKinds)];
}  // namespace detail

inline int64_t LiveObjects(LiveKind kind) {
  return detail::liveCounts[static_cast<int>(kind)].load(std::memory_order_relaxed);
}

template <LiveKind kKind>
class LiveCount {
 public:
  LiveCount() { Add(1); }
  LiveCount(const LiveCount&) { Add(1); }
  LiveCount& operator=(const LiveCount&) { return *this; }
  ~LiveCount() { Add(-1); }

 private:
  static void Add(int64_t n) {
    detail::liveCounts[static_cast<int>(kKind)].fetch_add(n, std::memory_order_relaxed);
  }
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_LIVE_COUNT_H_
