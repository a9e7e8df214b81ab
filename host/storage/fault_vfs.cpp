// The storage's VFS: a thin wrapper over SQLite's default VFS whose file
// methods can be made to fail (see fault_vfs.h). A wrapped file is the
// wrapper's sqlite3_file followed by the default VFS's own file object;
// every method forwards to that one unless the armed fault takes the call.
#include "host/storage/fault_vfs.h"

#include <sqlite3.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <mutex>

namespace vantora::host {
namespace {

constexpr int kOperationKinds = 4;

}  // namespace

// What a test arms. One for the whole process: every copy of this library
// binds to the first definition of this exported function (the program's,
// when it exports its symbols), so a fault armed by a test reaches the host
// inside a transport library.
struct FaultControl {
  std::atomic<bool> armed{false};
  std::atomic<int> operation{0};  // a StorageOperation
  std::atomic<int64_t> countdown{0};
  std::atomic<bool> persistent{false};
  std::atomic<bool> diskFull{false};
  std::atomic<int64_t> hits{0};
  std::atomic<int64_t> seen[kOperationKinds]{};
};

__attribute__((visibility("default"))) FaultControl& ProcessStorageFaults() {
  static FaultControl control;
  return control;
}

namespace {

using FaultState = FaultControl;

// This copy's VFS: registered under a name of its own on first use and
// unregistered when the copy is unloaded (a transport library the client
// library closes), since SQLite would otherwise keep calling code that is
// gone. The copy's own connections are closed before: they belong to
// objects made after this one, which are destroyed first.
struct CopyVfs {
  sqlite3_vfs vfs{};
  sqlite3_vfs* real = nullptr;
  char name[64] = {};
  bool registered = false;
  ~CopyVfs() {
    if (registered) sqlite3_vfs_unregister(&vfs);
  }
};
CopyVfs copyVfs;
std::mutex copyVfsMutex;

struct FaultFile {
  sqlite3_file base;   // what SQLite sees; pMethods is kMethods
  sqlite3_file* real;  // the default VFS's file, right after this object
  FaultState* state;
};

// Whether the armed fault fails this operation.
bool Fails(FaultState* s, StorageOperation op) {
  if (!s->armed.load(std::memory_order_acquire)) return false;
  const int kind = static_cast<int>(op);
  const int64_t n = s->seen[kind].fetch_add(1, std::memory_order_relaxed) + 1;
  if (s->operation.load(std::memory_order_relaxed) != kind) return false;
  const int64_t at = s->countdown.load(std::memory_order_relaxed);
  if (n == at || (n > at && s->persistent.load(std::memory_order_relaxed))) {
    s->hits.fetch_add(1, std::memory_order_relaxed);
    return true;
  }
  return false;
}

FaultFile* F(sqlite3_file* f) {
  return reinterpret_cast<FaultFile*>(f);
}
sqlite3_file* Real(sqlite3_file* f) {
  return F(f)->real;
}

int Close(sqlite3_file* f) {
  return Real(f)->pMethods->xClose(Real(f));
}

int Read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  if (Fails(F(f)->state, StorageOperation::kRead)) return SQLITE_IOERR_READ;
  return Real(f)->pMethods->xRead(Real(f), buffer, amount, offset);
}

int Write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  FaultState* s = F(f)->state;
  if (Fails(s, StorageOperation::kWrite)) {
    return s->diskFull.load(std::memory_order_relaxed) ? SQLITE_FULL : SQLITE_IOERR_WRITE;
  }
  return Real(f)->pMethods->xWrite(Real(f), buffer, amount, offset);
}

int Truncate(sqlite3_file* f, sqlite3_int64 size) {
  if (Fails(F(f)->state, StorageOperation::kWrite)) return SQLITE_IOERR_TRUNCATE;
  return Real(f)->pMethods->xTruncate(Real(f), size);
}

int Sync(sqlite3_file* f, int flags) {
  if (Fails(F(f)->state, StorageOperation::kSync)) return SQLITE_IOERR_FSYNC;
  return Real(f)->pMethods->xSync(Real(f), flags);
}

int FileSize(sqlite3_file* f, sqlite3_int64* size) {
  return Real(f)->pMethods->xFileSize(Real(f), size);
}

int Lock(sqlite3_file* f, int level) {
  if (Fails(F(f)->state, StorageOperation::kLock)) return SQLITE_IOERR_LOCK;
  return Real(f)->pMethods->xLock(Real(f), level);
}

int Unlock(sqlite3_file* f, int level) {
  return Real(f)->pMethods->xUnlock(Real(f), level);
}

int CheckReservedLock(sqlite3_file* f, int* out) {
  if (Fails(F(f)->state, StorageOperation::kLock)) return SQLITE_IOERR_CHECKRESERVEDLOCK;
  return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}

int FileControl(sqlite3_file* f, int op, void* arg) {
  return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}

int SectorSize(sqlite3_file* f) {
  return Real(f)->pMethods->xSectorSize(Real(f));
}

int DeviceCharacteristics(sqlite3_file* f) {
  return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}

int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
}

int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  if (Fails(F(f)->state, StorageOperation::kLock)) return SQLITE_IOERR_SHMLOCK;
  return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}

void ShmBarrier(sqlite3_file* f) {
  Real(f)->pMethods->xShmBarrier(Real(f));
}

int ShmUnmap(sqlite3_file* f, int deleteFlag) {
  return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag);
}

int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  // A page read through a mapping would bypass xRead: while faults are
  // armed, SQLite is told to read instead.
  if (F(f)->state->armed.load(std::memory_order_acquire)) {
    *out = nullptr;
    return SQLITE_OK;
  }
  return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
}

int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
  return Real(f)->pMethods->xUnfetch(Real(f), offset, page);
}

// One table per method version the wrapped file offers (1 to 3), so that
// SQLite sees no more than the default VFS's file can do.
const sqlite3_io_methods kMethods[3] = {
    {1, Close, Read, Write, Truncate, Sync, FileSize, Lock, Unlock, CheckReservedLock, FileControl,
     SectorSize, DeviceCharacteristics, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {2, Close, Read, Write, Truncate, Sync, FileSize, Lock, Unlock, CheckReservedLock, FileControl,
     SectorSize, DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, nullptr, nullptr},
    {3, Close, Read, Write, Truncate, Sync, FileSize, Lock, Unlock, CheckReservedLock, FileControl,
     SectorSize, DeviceCharacteristics, ShmMap, ShmLock, ShmBarrier, ShmUnmap, Fetch, Unfetch},
};

sqlite3_vfs* RealOf(sqlite3_vfs* vfs) {
  return static_cast<CopyVfs*>(vfs->pAppData)->real;
}

// The real file object follows the wrapper, aligned for any type.
constexpr size_t kRealOffset = (sizeof(FaultFile) + alignof(std::max_align_t) - 1) /
                               alignof(std::max_align_t) * alignof(std::max_align_t);

int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
  FaultFile* f = F(file);
  f->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + kRealOffset);
  f->state = &ProcessStorageFaults();
  f->real->pMethods = nullptr;
  const int rc = RealOf(vfs)->xOpen(RealOf(vfs), name, f->real, flags, outFlags);
  // SQLite closes a file whose methods are set, even after a failed open.
  const sqlite3_io_methods* real = f->real->pMethods;
  f->base.pMethods = real == nullptr ? nullptr
                                     : &kMethods[real->iVersion >= 3   ? 2
                                                 : real->iVersion >= 2 ? 1
                                                                       : 0];
  return rc;
}

int Delete(sqlite3_vfs* vfs, const char* name, int syncDir) {
  return RealOf(vfs)->xDelete(RealOf(vfs), name, syncDir);
}
int Access(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
  return RealOf(vfs)->xAccess(RealOf(vfs), name, flags, out);
}
int FullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
  return RealOf(vfs)->xFullPathname(RealOf(vfs), name, size, out);
}
void* DlOpen(sqlite3_vfs* vfs, const char* name) {
  return RealOf(vfs)->xDlOpen(RealOf(vfs), name);
}
void DlError(sqlite3_vfs* vfs, int size, char* out) {
  RealOf(vfs)->xDlError(RealOf(vfs), size, out);
}
void (*DlSym(sqlite3_vfs* vfs, void* handle, const char* symbol))(void) {
  return RealOf(vfs)->xDlSym(RealOf(vfs), handle, symbol);
}
void DlClose(sqlite3_vfs* vfs, void* handle) {
  RealOf(vfs)->xDlClose(RealOf(vfs), handle);
}
int Randomness(sqlite3_vfs* vfs, int size, char* out) {
  return RealOf(vfs)->xRandomness(RealOf(vfs), size, out);
}
int Sleep(sqlite3_vfs* vfs, int microseconds) {
  return RealOf(vfs)->xSleep(RealOf(vfs), microseconds);
}
int CurrentTime(sqlite3_vfs* vfs, double* out) {
  return RealOf(vfs)->xCurrentTime(RealOf(vfs), out);
}
int GetLastError(sqlite3_vfs* vfs, int size, char* out) {
  return RealOf(vfs)->xGetLastError ? RealOf(vfs)->xGetLastError(RealOf(vfs), size, out) : 0;
}
int CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* out) {
  return RealOf(vfs)->xCurrentTimeInt64(RealOf(vfs), out);
}

// The controls of the process, with this copy's VFS registered first when
// needed. Null when SQLite has no default VFS.
FaultState* Shared() {
  std::lock_guard lock(copyVfsMutex);
  if (!copyVfs.registered) {
    if (sqlite3_initialize() != SQLITE_OK) return nullptr;
    sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    if (real == nullptr) return nullptr;
    CopyVfs& c = copyVfs;
    c.real = real;
    std::snprintf(c.name, sizeof c.name, "%s-%p", kStorageVfsName, static_cast<void*>(&c));
    sqlite3_vfs& v = c.vfs;
    v.iVersion = real->iVersion >= 2 ? 2 : 1;
    v.szOsFile = static_cast<int>(kRealOffset) + real->szOsFile;
    v.mxPathname = real->mxPathname;
    v.zName = c.name;
    v.pAppData = &c;
    v.xOpen = Open;
    v.xDelete = Delete;
    v.xAccess = Access;
    v.xFullPathname = FullPathname;
    v.xDlOpen = DlOpen;
    v.xDlError = DlError;
    v.xDlSym = DlSym;
    v.xDlClose = DlClose;
    v.xRandomness = Randomness;
    v.xSleep = Sleep;
    v.xCurrentTime = CurrentTime;
    v.xGetLastError = GetLastError;
    if (v.iVersion >= 2) v.xCurrentTimeInt64 = CurrentTimeInt64;
    if (sqlite3_vfs_register(&v, 0) != SQLITE_OK) return nullptr;
    c.registered = true;
  }
  return &ProcessStorageFaults();
}

}  // namespace

void StorageFaults::Arm(const StorageFault& fault) {
  FaultState* s = Shared();
  if (s == nullptr) return;
  s->armed.store(false, std::memory_order_release);
  s->operation.store(static_cast<int>(fault.operation), std::memory_order_relaxed);
  s->countdown.store(fault.countdown, std::memory_order_relaxed);
  s->persistent.store(fault.persistent, std::memory_order_relaxed);
  s->diskFull.store(fault.diskFull, std::memory_order_relaxed);
  s->hits.store(0, std::memory_order_relaxed);
  for (auto& n : s->seen) n.store(0, std::memory_order_relaxed);
  s->armed.store(true, std::memory_order_release);
}

void StorageFaults::Disarm() {
  if (FaultState* s = Shared(); s != nullptr) s->armed.store(false, std::memory_order_release);
}

int64_t StorageFaults::Hits() {
  FaultState* s = Shared();
  return s == nullptr ? 0 : s->hits.load(std::memory_order_relaxed);
}

int64_t StorageFaults::Seen(StorageOperation operation) {
  FaultState* s = Shared();
  return s == nullptr ? 0 : s->seen[static_cast<int>(operation)].load(std::memory_order_relaxed);
}

namespace detail {

const char* StorageVfsName() {
  return Shared() != nullptr ? copyVfs.name : nullptr;
}

}  // namespace detail
}  // namespace vantora::host
