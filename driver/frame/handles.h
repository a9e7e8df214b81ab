// The driver's handle objects and the process-wide handle table.
//
// Every object the driver keeps behind an engine database or cursor object
// (a connection, a record cursor, a catalogue cursor, a filter, ...) is a
// handle: a small number that indexes the handle table. Entry 0 is never
// used; freed entries are reused, most recently freed first.
//
// Looking a handle up makes the handle's host session the client library's
// current session (unless every thread has its own session), so that every
// request made for the handle goes to the right job.
//
// Threads: the handle lock guards the table, its free list, the current
// session number and the switching of the current session; it also guards
// the session table (sessions.h).
#ifndef VANTORA_DRIVER_FRAME_HANDLES_H_
#define VANTORA_DRIVER_FRAME_HANDLES_H_

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace vantora::driver {

enum class HandleKind : int32_t {
  kRecordCursor = 1,
  kTableList = 2,
  kStatement = 3,
  kDatabase = 4,
  kFieldList = 5,
  kIndexList = 6,
  kFilter = 8,
  kTransaction = 9,
  kProcedureList = 10,
  kProcedureParameters = 11,
  kProcedureCall = 12,
};

constexpr uint32_t kStateBeforeFirst = 0x04000000;  // no row read yet
constexpr uint32_t kStateReading = 0x02000000;

// What every handle object holds. Kinds add their own state by deriving.
class DriverHandle {
 public:
  explicit DriverHandle(HandleKind kind);
  virtual ~DriverHandle();
  DriverHandle(const DriverHandle&) = delete;
  DriverHandle& operator=(const DriverHandle&) = delete;

  HandleKind kind;
  int16_t session;      // the client library's session of this object
  int32_t number = 0;   // its entry in the handle table
  int32_t parent = -1;  // the database handle it was opened in, -1 = none
  int32_t linked = -1;  // record cursor: active filter; filter: its cursor
  uint32_t state = kStateBeforeFirst;
  // The database's library and naming marker ('*', '.' or 0).
  std::string library;
  char namingMarker = 0;
  int32_t row = 0;          // catalogue cursors: rows handed out
  int32_t secondFile = -1;  // a client-library file: the dictionary, or a catalogue's file

 protected:
  // Closes what the object holds on the host; runs under the handle lock
  // before the object is destroyed.
  virtual void Release();

  friend void FreeHandle(DriverHandle* handle);
};

// The lock over the handle table, the session table and the current session.
std::mutex& HandleLock();

// The client library's session that the driver made current last; 0 at
// load, -1 after the sessions were freed. Read and written under the lock.
int16_t& CurrentSessionNumber();

// Whether lookups leave session switching alone (one session per thread).
void SetThreadSessions(bool perThread);
bool ThreadSessions();

// Enters `handle` into the table: its number, or -1 when memory is short
// (the table then stays as it was, and `handle` is destroyed).
int32_t AddHandle(std::unique_ptr<DriverHandle> handle);

// The object of `number`, or null for a number never handed out or freed.
// Makes the object's session current.
DriverHandle* LookUpHandle(int32_t number);

// The object of `number` if it is of type T (checked by kind), else null.
template <typename T>
T* LookUp(int32_t number) {
  DriverHandle* h = LookUpHandle(number);
  return h != nullptr && T::IsKind(h->kind) ? static_cast<T*>(h) : nullptr;
}

// Closes what the object holds, destroys it and frees its entry.
void FreeHandle(DriverHandle* handle);

// Calls `visit` for every live handle (under the lock; `visit` must not free).
template <typename Visit>
void ForEachHandle(Visit visit);

// Number of entries in use, for tests of reuse and growth.
int32_t LiveHandleCount();

namespace detail {
DriverHandle* HandleAt(int32_t number);  // under the lock, no session switch
int32_t HandleEntryCount();
}  // namespace detail

template <typename Visit>
void ForEachHandle(Visit visit) {
  std::lock_guard guard(HandleLock());
  const int32_t count = detail::HandleEntryCount();
  for (int32_t i = 1; i < count; ++i) {
    if (DriverHandle* h = detail::HandleAt(i)) visit(h);
  }
}

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_HANDLES_H_
