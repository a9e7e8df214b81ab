// The storage of an emulated host: one SQLite database per host data
// directory, holding the host's catalogue, its database files (a table per
// physical file), user profiles, source members, the undo journal of
// commitment control, data-queue entries and user spaces. The record-level, SQL and command
// handlers of the host all work through one Storage.
//
//   std::unique_ptr<Storage> storage;
//   Status s = Storage::Open("/var/lib/vantora/host", {}, &storage);
//   s = storage->catalogue().CreateLibrary("SALES", "Sales data");
//   std::unique_ptr<FileCursor> cursor;
//   s = storage->OpenCursor({"SALES", "CUSTOMER"}, {.job = 7}, &cursor);
//
// Threading model: one SQLite connection, guarded by one mutex, serves
// every thread; each call holds the mutex only for its own SQLite work (a
// block read, one change) and never while waiting for a record lock. All
// methods may be called from any thread; a FileCursor is used by one
// thread at a time.
//
// Durability: every change is its own SQLite transaction in WAL mode; it
// survives a crash of the process as soon as the call returns (and a power
// failure too when StorageOptions::syncEachCommit is set).
#ifndef VANTORA_HOST_STORAGE_STORAGE_H_
#define VANTORA_HOST_STORAGE_STORAGE_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "host/storage/catalogue.h"
#include "host/storage/file_cursor.h"
#include "host/storage/journal.h"
#include "host/storage/queue_entries.h"
#include "host/storage/record_locks.h"
#include "host/storage/source_members.h"
#include "host/storage/sql_connection.h"
#include "host/storage/status.h"
#include "host/storage/user_profiles.h"
#include "host/storage/user_spaces.h"

namespace vantora::host {

struct StorageOptions {
  // Sync the log to disk at every commit (survives power failures; slower).
  bool syncEachCommit = false;
  // PBKDF2 rounds for passwords set from now on.
  uint32_t passwordIterations = 10000;
};

class Storage {
 public:
  // The database file inside a data directory.
  static constexpr const char* kDatabaseFile = "host.db";

  // Opens the data directory `directory`, creating it and its database with
  // the host's catalogue (libraries QSYS and QGPL) when absent, and rolls
  // back the uncommitted work left by a host that stopped or died. Errors:
  // kObjectInUse when another Storage (in this process or another) has the
  // directory open; kStorageError when it cannot be created or read.
  static Status Open(const std::filesystem::path& directory, const StorageOptions& options,
                     std::unique_ptr<Storage>* out);
  // Rolls back what jobs left uncommitted and closes the database.
  // REQUIRES: every cursor opened from it is destroyed.
  ~Storage();
  Storage(const Storage&) = delete;
  Storage& operator=(const Storage&) = delete;

  Catalogue& catalogue() { return *catalogue_; }
  SourceMembers& sourceMembers() { return *sources_; }
  UserProfiles& userProfiles() { return *profiles_; }
  RecordLocks& recordLocks() { return locks_; }
  Journal& journal() { return *journal_; }
  QueueEntries& queueEntries() { return *queueEntries_; }
  UserSpaces& userSpaces() { return *userSpaces_; }

  // Opens a cursor on a physical file or a single-format logical file over
  // one physical file. Errors: kFileNotFound; kNotSupported for join and
  // multi-format logical files and source files; kInvalidArgument when
  // options.job is 0.
  Status OpenCursor(const ObjectName& file, const CursorOptions& options,
                    std::unique_ptr<FileCursor>* out);

  // Commitment boundaries of a job: commit makes its journaled changes final,
  // rollback undoes them; both then release the locks held for commit.
  Status Commit(JobId job);
  Status Rollback(JobId job);
  // Ends a job: rolls back what it left uncommitted and releases all its
  // record locks. REQUIRES: the job's cursors are destroyed.
  Status EndJob(JobId job);

  // Grows whenever any job changes a row (records, the journal, the
  // catalogue), takes, gives back or asks for a record lock, or deletes a
  // file: two equal readings mean that no read could answer differently in
  // between. Cheap: no SQLite work.
  uint64_t ChangeEpoch();

  // Jobs whose uncommitted work was rolled back when this storage opened.
  int recoveredJobs() const { return recoveredJobs_; }

  // Runs `work` on the database under the storage's lock: the seam for the
  // SQL layer, which reaches the files under the names of names.h, and for
  // the host's own small tables. `work` must reset or destroy every
  // statement it uses before returning and must not leave a transaction
  // open; one left open (after a failure inside it) is rolled back, and an
  // ok answer of `work` then becomes kIoError.
  Status RunLocked(const std::function<Status(SqlConnection& db)>& work);

 private:
  Storage();

  std::unique_ptr<detail::Database> db_;
  RecordLocks locks_;
  std::unique_ptr<Catalogue> catalogue_;
  std::unique_ptr<SourceMembers> sources_;
  std::unique_ptr<UserProfiles> profiles_;
  std::unique_ptr<Journal> journal_;
  std::unique_ptr<QueueEntries> queueEntries_;
  std::unique_ptr<UserSpaces> userSpaces_;
  int recoveredJobs_ = 0;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_STORAGE_H_
