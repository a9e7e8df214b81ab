// The undo journal of commitment control. Each change a job makes under
// commitment control is written together with a journal entry (the record's
// before-image) in one SQLite transaction, in the same database. Commit
// drops the job's entries; rollback applies them in reverse order and drops
// them; opening a data directory rolls back the entries of every job, which
// is the uncommitted work of the jobs that were running when the host
// stopped or died.
//
// Changes are visible to other jobs as soon as they are made (the host's
// *CHG level); the record locks held for commit (record_locks.h) keep other
// jobs from changing them until the boundary.
//
// Thread safety: Commit, Rollback, HasPending and RecoverAll take the
// storage's lock. The *Locked calls are for code that already holds it
// (cursors, and SQL running under Storage::RunLocked) inside the change's
// own transaction. Owned by Storage.
#ifndef VANTORA_HOST_STORAGE_JOURNAL_H_
#define VANTORA_HOST_STORAGE_JOURNAL_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/storage/record_locks.h"
#include "host/storage/status.h"

namespace vantora::host {

namespace detail {
struct Database;
}
class Catalogue;

enum class JournalAction : char {
  kInsert = 'I',  // undo: delete the record
  kUpdate = 'U',  // undo: put the before-image back
  kDelete = 'D',  // undo: insert the before-image at its relative record number
};

class Journal {
 public:
  Journal(detail::Database& db, Catalogue& catalogue) : db_(db), catalogue_(catalogue) {}
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // The record image (record_image.h) of every field of physical file
  // `file` at `rrn`. kRecordNotFound when there is none.
  // REQUIRES: the storage's lock is held.
  Status CaptureLocked(int64_t file, int64_t rrn, std::string* image);
  // Adds an entry for `job`; `image` is empty for kInsert.
  // REQUIRES: the storage's lock is held, inside the change's transaction.
  Status AppendLocked(JobId job, int64_t file, int64_t rrn, JournalAction action,
                      std::string_view image);

  // Makes the job's changes final: drops its entries.
  Status Commit(JobId job);
  // Undoes the job's changes, newest first, in one transaction; on failure
  // nothing is undone and the entries stay.
  Status Rollback(JobId job);
  // `*pending` says whether the job has changes not yet committed. Errors:
  // those of reading the journal (kIoError, ...).
  Status HasPending(JobId job, bool* pending);
  // How many jobs have changes not yet committed.
  Status PendingJobs(int64_t* jobs);
  // A record of physical file `file` that a job other than `job` changed
  // and has not committed yet into `rrn`, or 0 when there is none; the
  // failure when the journal cannot be read.
  // REQUIRES: the storage's lock is held.
  Status UncommittedByOtherLocked(int64_t file, JobId job, int64_t* rrn);
  // Rolls back the entries of every job; `jobs` receives how many jobs had
  // entries. Called when a data directory is opened.
  Status RecoverAll(int* jobs);

 private:
  struct Table {
    std::string name;                  // quoted table name
    std::vector<std::string> columns;  // quoted column names, format order
  };
  Status TableLocked(int64_t file, const Table** out);
  Status RollbackLocked(JobId job);
  Status UndoLocked(const Table& table, int64_t rrn, JournalAction action, std::string_view image);

  detail::Database& db_;
  Catalogue& catalogue_;
  std::unordered_map<int64_t, Table> tables_;  // by file id; guarded by the storage's lock
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_JOURNAL_H_
