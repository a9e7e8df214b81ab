// The record lock table.
#include "host/storage/record_locks.h"

#include <cstdint>
#include <string>

namespace vantora::host {

Status RecordLocks::Lock(int64_t file, int64_t rrn, JobId job, std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  Changed();
  Key key{file, rrn};
  auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    auto it = locks_.find(key);
    if (it == locks_.end()) {
      locks_.emplace(key, Entry{job, 1, false});
      Changed();
      return Status::Ok();
    }
    if (it->second.job == job) {
      ++it->second.holds;
      Changed();
      return Status::Ok();
    }
    if (released_.wait_until(lock, deadline) == std::cv_status::timeout) {
      auto again = locks_.find(key);
      if (again == locks_.end() || again->second.job == job) continue;
      return Status::Error(
          StatusCode::kRecordInUse,
          "record " + std::to_string(rrn) + " held by job " + std::to_string(again->second.job));
    }
  }
}

void RecordLocks::EraseIfFree(std::map<Key, Entry>::iterator it) {
  if (it->second.holds > 0 || it->second.forCommit) return;
  locks_.erase(it);
  Changed();
  released_.notify_all();
}

void RecordLocks::Unlock(int64_t file, int64_t rrn, JobId job) {
  std::lock_guard lock(mutex_);
  auto it = locks_.find({file, rrn});
  if (it == locks_.end() || it->second.job != job || it->second.holds == 0) return;
  --it->second.holds;
  Changed();
  EraseIfFree(it);
}

void RecordLocks::HoldForCommit(int64_t file, int64_t rrn, JobId job) {
  std::lock_guard lock(mutex_);
  auto it = locks_.find({file, rrn});
  if (it != locks_.end() && it->second.job == job) it->second.forCommit = true;
  Changed();
}

void RecordLocks::ReleaseCommitHolds(JobId job) {
  std::lock_guard lock(mutex_);
  for (auto it = locks_.begin(); it != locks_.end();) {
    auto next = std::next(it);
    if (it->second.job == job && it->second.forCommit) {
      it->second.forCommit = false;
      Changed();
      EraseIfFree(it);
    }
    it = next;
  }
}

void RecordLocks::EndJob(JobId job) {
  std::lock_guard lock(mutex_);
  for (auto it = locks_.begin(); it != locks_.end();) {
    if (it->second.job == job) {
      it = locks_.erase(it);
      Changed();
      released_.notify_all();
    } else {
      ++it;
    }
  }
}

size_t RecordLocks::HeldCount() const {
  std::lock_guard lock(mutex_);
  return locks_.size();
}

JobId RecordLocks::Holder(int64_t file, int64_t rrn) const {
  std::lock_guard lock(mutex_);
  auto it = locks_.find({file, rrn});
  return it == locks_.end() ? 0 : it->second.job;
}

bool RecordLocks::HeldByOther(int64_t file, JobId job) const {
  std::lock_guard lock(mutex_);
  for (auto it = locks_.lower_bound({file, INT64_MIN});
       it != locks_.end() && it->first.first == file; ++it) {
    if (it->second.job != job) return true;
  }
  return false;
}

}  // namespace vantora::host
