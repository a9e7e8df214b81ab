#include "driver/frame/handles.h"

#include <new>
#include <vector>

#include "mv432ida.h"

namespace vantora::driver {
namespace {

struct Entry {
  int32_t link = -1;  // next free entry, when this one is free
  DriverHandle* object = nullptr;
};

struct Table {
  std::mutex lock;
  std::vector<Entry> entries = std::vector<Entry>(1);  // entry 0 is never used
  int32_t freeHead = -1;
  int16_t currentSession = 0;
  bool threadSessions = false;
};

Table& TheTable() {
  static Table* table = new Table;
  return *table;
}

}  // namespace

DriverHandle::DriverHandle(HandleKind k) : kind(k), session(CurrentSessionNumber()) {}

DriverHandle::~DriverHandle() = default;

void DriverHandle::Release() {
  if (secondFile >= 0) Rclose(secondFile);
  secondFile = -1;
}

std::mutex& HandleLock() {
  return TheTable().lock;
}

int16_t& CurrentSessionNumber() {
  return TheTable().currentSession;
}

void SetThreadSessions(bool perThread) {
  TheTable().threadSessions = perThread;
}

bool ThreadSessions() {
  return TheTable().threadSessions;
}

int32_t AddHandle(std::unique_ptr<DriverHandle> handle) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  int32_t number;
  if (t.freeHead >= 0) {
    number = t.freeHead;
    t.freeHead = t.entries[number].link;
  } else {
    // Grow first: a failed growth leaves the table as it was.
    try {
      t.entries.emplace_back();
    } catch (const std::bad_alloc&) {
      return -1;
    }
    number = static_cast<int32_t>(t.entries.size() - 1);
  }
  handle->number = number;
  t.entries[number] = Entry{-1, handle.release()};
  return number;
}

DriverHandle* LookUpHandle(int32_t number) {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  if (number <= 0 || number >= static_cast<int32_t>(t.entries.size())) return nullptr;
  DriverHandle* h = t.entries[number].object;
  if (h != nullptr && !t.threadSessions && h->session != t.currentSession) {
    t.currentSession = h->session;
    VNXSession(h->session);
  }
  return h;
}

void FreeHandle(DriverHandle* handle) {
  if (handle == nullptr) return;
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  const int32_t number = handle->number;
  handle->Release();
  delete handle;
  if (number > 0 && number < static_cast<int32_t>(t.entries.size()) &&
      t.entries[number].object == handle) {
    t.entries[number] = Entry{t.freeHead, nullptr};
    t.freeHead = number;
  }
}

int32_t LiveHandleCount() {
  Table& t = TheTable();
  std::lock_guard guard(t.lock);
  int32_t n = 0;
  for (const Entry& e : t.entries) n += e.object != nullptr;
  return n;
}

namespace detail {

DriverHandle* HandleAt(int32_t number) {
  Table& t = TheTable();
  return number > 0 && number < static_cast<int32_t>(t.entries.size()) ? t.entries[number].object
                                                                       : nullptr;
}

int32_t HandleEntryCount() {
  return static_cast<int32_t>(TheTable().entries.size());
}

}  // namespace detail
}  // namespace vantora::driver
