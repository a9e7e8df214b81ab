// Opening a data directory and the job-level operations that span the
// storage's parts.
#include "host/storage/storage.h"

#include <system_error>

#include "host/storage/schema.h"
#include "host/storage/sqlite_db.h"

namespace vantora::host {

Storage::Storage() : db_(std::make_unique<detail::Database>()) {}

Status Storage::Open(const std::filesystem::path& directory, const StorageOptions& options,
                     std::unique_ptr<Storage>* out) {
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  if (ec) {
    return Status::Error(StatusCode::kStorageError,
                         "cannot create " + directory.string() + ": " + ec.message());
  }
  std::unique_ptr<Storage> s(new Storage());
  Status st = detail::Connection::Open((directory / kDatabaseFile).string(), options.syncEachCommit,
                                       &s->db_->connection);
  if (!st.ok()) return st;
  st = detail::CreateOrCheckSchema(*s->db_->connection);
  if (!st.ok()) return st;
  s->catalogue_ = std::make_unique<Catalogue>(*s->db_);
  s->sources_ = std::make_unique<SourceMembers>(*s->db_, *s->catalogue_);
  s->profiles_ = std::make_unique<UserProfiles>(*s->db_, options.passwordIterations);
  s->journal_ = std::make_unique<Journal>(*s->db_, *s->catalogue_);
  s->queueEntries_ = std::make_unique<QueueEntries>(*s->db_);
  s->userSpaces_ = std::make_unique<UserSpaces>(*s->db_);
  st = s->journal_->RecoverAll(&s->recoveredJobs_);
  if (!st.ok()) return st;
  *out = std::move(s);
  return Status::Ok();
}

Storage::~Storage() {
  if (journal_) {
    int jobs = 0;
    journal_->RecoverAll(&jobs).IgnoreError();  // what is left is rolled back at the next open
  }
}

Status Storage::OpenCursor(const ObjectName& file, const CursorOptions& options,
                           std::unique_ptr<FileCursor>* out) {
  if (options.job == 0) return Status::Error(StatusCode::kInvalidArgument, "job 0");
  ObjectName n;
  Status s = NormaliseObjectName(file, &n);
  if (!s.ok()) return s;
  // A cursor `out` still holds closes first: its destructor takes the lock.
  out->reset();
  std::lock_guard lock(db_->mutex);
  FileDescription d;
  s = catalogue_->DescribeLocked(n, &d);
  if (!s.ok()) return s;
  if (!d.IsAccessPath()) {
    return Status::Error(StatusCode::kNotSupported,
                         n.ToString() + ": join, multi-format and source files cannot be opened");
  }
  FileDescription physical;
  if (d.kind == FileKind::kPhysical) {
    physical = d;
  } else {
    s = catalogue_->DescribeByIdLocked(d.basedOnIds[0], &physical);
    if (!s.ok()) return s;
  }
  ++db_->openCursors[d.id];
  if (physical.id != d.id) ++db_->openCursors[physical.id];
  out->reset(new FileCursor(*db_, locks_, *journal_, std::move(d), std::move(physical), options));
  return Status::Ok();
}

Status Storage::Commit(JobId job) {
  Status s = journal_->Commit(job);
  if (s.ok()) locks_.ReleaseCommitHolds(job);
  return s;
}

Status Storage::Rollback(JobId job) {
  Status s = journal_->Rollback(job);
  if (s.ok()) locks_.ReleaseCommitHolds(job);
  return s;
}

Status Storage::EndJob(JobId job) {
  Status s = journal_->Rollback(job);
  locks_.EndJob(job);
  return s;
}

uint64_t Storage::ChangeEpoch() {
  std::lock_guard lock(db_->mutex);
  // Each part only grows, so their sum grows when any of them does.
  return detail::DataEpochLocked(*db_) + locks_.changes();
}

Status Storage::RunLocked(const std::function<Status(SqlConnection& db)>& work) {
  std::lock_guard lock(db_->mutex);
  SqlConnection connection(db_->connection->handle());
  Status s = work(connection);
  // A failure inside the work (an I/O error under its savepoint) may have
  // left a transaction open: it is rolled back here, and the work, whatever
  // it answered, did not happen.
  if (db_->connection->EndFailedTransaction() && s.ok()) {
    s = Status::Error(StatusCode::kIoError, "a change left its transaction open: rolled back");
  }
  return s;
}

}  // namespace vantora::host
