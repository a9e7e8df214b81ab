// Storage faults on purpose: every data directory's database is opened
// through one named SQLite VFS that wraps the platform's default VFS. Left
// alone it passes every file operation straight through (one relaxed atomic
// load on the way). A test arms it to fail one kind of file operation after a
// countdown, so that each point where the storage reads, writes, syncs or
// locks its files can be made to fail in turn:
//
//   StorageFaults::Arm({.operation = StorageOperation::kWrite, .countdown = 3});
//   ... the third write to a database file from now on fails ...
//   bool hit = StorageFaults::Hits() > 0;
//   StorageFaults::Disarm();
//
// A failed read answers SQLITE_IOERR_READ to SQLite, a write SQLITE_IOERR_WRITE
// (or SQLITE_FULL when the fault imitates a full disk), a truncation
// SQLITE_IOERR_TRUNCATE (it counts as a write), a sync SQLITE_IOERR_FSYNC and
// a lock SQLITE_IOERR_LOCK; the storage turns them into kIoError or kDiskFull.
//
// The fault state is one for the process (an exported slot, like the UI
// sink's): a process that holds this library twice (a test program that
// exports its symbols and the embedded transport's copy) arms both copies'
// VFS at once. Thread safety: every function may be called from any thread; an
// armed fault counts the operations of every connection in the process.
#ifndef VANTORA_HOST_STORAGE_FAULT_VFS_H_
#define VANTORA_HOST_STORAGE_FAULT_VFS_H_

#include <cstdint>

namespace vantora::host {

// The stem of the names the VFS is registered under: each copy of the
// storage in the process (the program's, a transport library's) registers
// its own, "vantora-storage-<address>", and unregisters it when unloaded;
// all of them obey the one set of faults a test arms.
inline constexpr const char* kStorageVfsName = "vantora-storage";

enum class StorageOperation : uint8_t {
  kRead,   // xRead
  kWrite,  // xWrite and xTruncate
  kSync,   // xSync
  kLock,   // xLock, xCheckReservedLock, xShmLock
};

struct StorageFault {
  StorageOperation operation = StorageOperation::kWrite;
  // The operation of that kind that fails, counted from 1 at Arm.
  int64_t countdown = 1;
  // Once hit, every later operation of the kind fails too (a disk that stays
  // broken or full) until Disarm; otherwise only the one fails.
  bool persistent = false;
  // Writes answer SQLITE_FULL (no space left) instead of an I/O error.
  bool diskFull = false;
};

class StorageFaults {
 public:
  // Arms `fault`, replacing any armed before, and clears the counts.
  static void Arm(const StorageFault& fault);
  // Lets every operation through again (the counts stay readable).
  static void Disarm();
  // Operations that failed since the last Arm.
  static int64_t Hits();
  // Operations of `operation`'s kind seen since the last Arm (counted only
  // while armed).
  static int64_t Seen(StorageOperation operation);
};

namespace detail {
// The name of this copy's VFS, registered (not as the default one) on the
// first call; null when SQLite has no default VFS to wrap.
const char* StorageVfsName();
}  // namespace detail

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_FAULT_VFS_H_
