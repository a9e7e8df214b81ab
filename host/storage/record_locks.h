// Record locks between jobs: a lock on (physical file, relative record
// number) belongs to one job; another job asking for it waits up to its wait
// limit and then gets kRecordInUse (CPF5027).
//
// A job may hold a record several times (two cursors of the job on the same
// record); each Lock is matched by an Unlock. Under commitment control a
// changed record is also held for commit: it stays locked after the
// cursor's Unlock until ReleaseCommitHolds (commit or rollback). EndJob
// drops everything the job holds.
//
// Locks are keyed by the physical file's id, so cursors over a physical
// file and over its logical files lock the same records.
//
// Thread safety: all methods may be called from any thread. Lock blocks the
// calling thread while it waits; it must not be called with the storage's
// lock held unless `wait` is zero.
#ifndef VANTORA_HOST_STORAGE_RECORD_LOCKS_H_
#define VANTORA_HOST_STORAGE_RECORD_LOCKS_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

#include "host/storage/status.h"

namespace vantora::host {

// Names the job (session) that owns locks and journal entries. Non-zero.
using JobId = int64_t;

class RecordLocks {
 public:
  RecordLocks() = default;
  RecordLocks(const RecordLocks&) = delete;
  RecordLocks& operator=(const RecordLocks&) = delete;

  // Takes one hold of the record for `job`, waiting up to `wait` while
  // another job holds it. kRecordInUse names the holder in its detail.
  Status Lock(int64_t file, int64_t rrn, JobId job, std::chrono::milliseconds wait);
  // Gives back one hold taken by Lock; no effect when `job` has none.
  void Unlock(int64_t file, int64_t rrn, JobId job);
  // Keeps the record locked for `job` until ReleaseCommitHolds, whatever
  // Unlock calls follow. REQUIRES: `job` holds the record.
  void HoldForCommit(int64_t file, int64_t rrn, JobId job);
  void ReleaseCommitHolds(JobId job);
  // Releases every lock of `job`.
  void EndJob(JobId job);

  // The job holding the record, or 0.
  JobId Holder(int64_t file, int64_t rrn) const;
  // Whether a job other than `job` holds any record of `file`.
  bool HeldByOther(int64_t file, JobId job) const;
  // How many records are locked, by any job.
  size_t HeldCount() const;

  // Grows with every lock request and every change of the table: two equal
  // readings mean no job asked for, took or gave back a lock in between.
  uint64_t changes() const { return changes_.load(std::memory_order_acquire); }

 private:
  struct Entry {
    JobId job = 0;
    int holds = 0;
    bool forCommit = false;
  };
  using Key = std::pair<int64_t, int64_t>;

  void EraseIfFree(std::map<Key, Entry>::iterator it);
  void Changed() { changes_.fetch_add(1, std::memory_order_release); }

  mutable std::mutex mutex_;
  std::condition_variable released_;
  std::map<Key, Entry> locks_;
  std::atomic<uint64_t> changes_{0};
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_RECORD_LOCKS_H_
