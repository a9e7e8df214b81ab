#include "client/sessions.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "client/dispatcher.h"
#include "client/failures.h"
#include "client/transport.h"
#include "mv432ida.h"
#include "platform/event.h"
#include "platform/profile.h"
#include "platform/thread.h"

namespace vantora::client {
namespace {

constexpr char kDefaultServerProgram[] = "VANTORA/VANTORA";
constexpr int kServerProgramSize = 64;

struct LibraryState {
  SessionRecord* table = nullptr;
  int16_t sessionCount = 1;
  std::atomic<int16_t> currentIndex{0};
  std::atomic<SessionRecord*> currentSession{nullptr};
  std::atomic<uint32_t>* threadIds = nullptr;  // multi-thread mode only
  std::atomic<uint32_t> ownerThread{0};
  int16_t fresh = 1;
  std::atomic<int16_t> multiThread{0};
  int16_t defaultSingle = 1;
  std::mutex* tableLock = nullptr;
  platform::ManualResetEvent* selectionEvent = nullptr;
  bool tableAllocationFailed = false;
  char serverProgram[kServerProgramSize] = {};
};

constinit LibraryState lib;

SessionRecord* NewTable(int count) {
  auto* table = new (std::nothrow) SessionRecord[static_cast<size_t>(count)];
  if (table != nullptr) {
    for (int i = 0; i < count; ++i) {
      std::memset(table[i].bytes, 0, sizeof table[i].bytes);
      std::memset(table[i].savedArgs, 0, sizeof table[i].savedArgs);
    }
  }
  return table;
}

void Select(int16_t index) {
  lib.currentIndex = index;
  lib.currentSession = index < 0 ? nullptr : &lib.table[index];
}

// Back to the initial state: one zeroed record, selected.
bool ResetToOneRecord() {
  delete[] lib.table;
  lib.table = NewTable(1);
  lib.sessionCount = 1;
  lib.fresh = 1;
  lib.defaultSingle = 1;
  lib.tableAllocationFailed = lib.table == nullptr;
  if (lib.table == nullptr) {
    Select(-1);
    return false;
  }
  Select(0);
  return true;
}

bool EnsureTransport() {
  switch (TransportStateNow()) {
    case TransportState::kLoaded:
      return true;
    case TransportState::kUnloaded:
      // After VNXTerminate the next session function binds the transport again.
      return LoadTransport();
    default:
      return false;
  }
}

void ThreadEnds() {
  VNXThreadDetach();
}

void ReleaseExplicitSelection() {
  Select(-1);
  lib.ownerThread = 0;
  lib.selectionEvent->Set();
}

// Replaces the table by `count` zeroed records; in multi-thread mode also
// creates the thread slots and tells the transport.
bool ReplaceTable(int count) {
  SessionRecord* table = NewTable(count);
  if (table == nullptr) return false;
  std::atomic<uint32_t>* slots = nullptr;
  if (lib.multiThread) {
    slots = new (std::nothrow) std::atomic<uint32_t>[static_cast<size_t>(count)];
    if (slots == nullptr) {
      delete[] table;
      return false;
    }
    for (int i = 0; i < count; ++i) slots[i] = 0;
  }
  delete[] lib.table;
  delete[] lib.threadIds;
  lib.table = table;
  lib.threadIds = slots;
  lib.sessionCount = static_cast<int16_t>(count);
  lib.defaultSingle = 0;
  Select(0);
  if (lib.multiThread) {
    Transport().beginMultiSession(lib.table, static_cast<int16_t>(count));
    Select(-1);
  }
  return true;
}

}  // namespace

int32_t UnusableReason() {
  switch (TransportStateNow()) {
    case TransportState::kMissing:
      return VNX_IERR_TRANSPORT_MISSING;
    case TransportState::kIncomplete:
      return VNX_IERR_TRANSPORT_ENTRIES;
    default:
      break;
  }
  if (lib.tableAllocationFailed) return VNX_IERR_NO_MEMORY;
  return 0;
}

void OnLibraryLoad() {
  std::memcpy(lib.serverProgram, kDefaultServerProgram, sizeof kDefaultServerProgram);
  LoadTransport();
  ResetToOneRecord();
}

SessionRecord* CurrentSession() {
  if (!EnsureTransport() || lib.table == nullptr) return nullptr;
  if (!lib.multiThread) return lib.currentSession;
  const uint32_t me = platform::CurrentThreadId();
  if (lib.ownerThread == me) return lib.currentSession;
  if (lib.ownerThread != 0) lib.selectionEvent->Wait();
  for (int i = 0; i < lib.sessionCount; ++i) {
    if (lib.threadIds[i] == me) return &lib.table[i];
  }
  return nullptr;
}

int32_t StartSessionOn(SessionRecord* record) {
  if (lib.fresh == 1) {
    lib.fresh = 0;
    lib.multiThread = 0;
  }
  if (record == nullptr) return VNX_ERR_INTERNAL;
  if (record->connected()) return 1;
  const bool withUser = record->userId()[0] != 0;
  int16_t r = Transport().connect(record, record->machineName(), lib.serverProgram,
                                  withUser ? record->userId() : nullptr,
                                  withUser ? record->password() : nullptr);
  if (r != 1) {
    NoteFailure(record, wire::kOpSessionOpen, r, nullptr);
    return r;
  }
  record->SetAsyncState(AsyncState::kIdle);
  record->SetI16(kOffPendingCode, -1);
  record->SetI16(kOffConnected, 1);
  int32_t result = RequestOn(
      record, wire::kOpSessionOpen,
      {Word(wire::kSessionOpenFirstValue), Word(wire::kSessionOpenSecondValue),
       Word(int32_t{sizeof wire::kSessionServerName}), Word(wire::kSessionServerName),
       Word(wire::kSessionOpenFourthValue), Word(kMachineNameSize), Word(record->machineName()),
       Word(kUserIdSize), Word(record->userId()), Word(kPasswordSize), Word(record->password())});
  if (result >= 0) return 1;
  NoteFailure(record, wire::kOpSessionOpen, result, nullptr);
  FailSessionOpen(record);
  return result;
}

void FailSessionOpen(SessionRecord* record) {
  // The failure's detail outlives the session it ended, so that the caller
  // can still say why the host refused it.
  const int32_t internalError = record->I32(kOffInternalError);
  const int32_t asyncResult = record->I32(kOffAsyncResult);
  const int32_t status = record->I32(kOffReturnStatus);
  char systemError[wire::kSystemErrorSize];
  std::memcpy(systemError, record->bytes + kOffSystemError, sizeof systemError);
  const LastFailure failure = record->failure;
  char userId[kUserIdSize];
  std::memcpy(userId, record->userId(), sizeof userId);
  FreeRecord(record);
  SessionRecord* now = record;
  if (lib.defaultSingle == 1 && !lib.multiThread && lib.fresh == 0) {
    ResetToOneRecord();
    now = lib.currentSession;
  }
  if (now != nullptr) {
    now->SetI32(kOffInternalError, internalError);
    now->SetI32(kOffAsyncResult, asyncResult);
    now->SetI32(kOffReturnStatus, status);
    std::memcpy(now->bytes + kOffSystemError, systemError, sizeof systemError);
    now->failure = failure;
    // The user the host refused, to name it; the next connect needs it set again.
    if (failure.subject[0] == '\0') {
      size_t n = 0;
      while (n < sizeof userId && userId[n] != ' ' && userId[n] != '\0') ++n;
      std::memcpy(now->failure.subject, userId, n);
      now->failure.subject[n] = '\0';
    }
  }
}

int32_t FreeRecord(SessionRecord* record) {
  if (record->connected()) {
    record->SetI16(kOffModeBits, static_cast<int16_t>(record->modeBits() & ~kModeAsync));
    RequestOn(record, wire::kOpSessionEnd, {});
    int16_t r = Transport().disconnect(record);
    if (r != 1) return r;
  }
  record->Clear();
  return 1;
}

}  // namespace vantora::client

using namespace vantora::client;
namespace platform = vantora::platform;

extern "C" {

MV432IDA_API int32_t StartSession(void) {
  SessionRecord* record = CurrentSession();
  if (record == nullptr) return VNX_ERR_INTERNAL;
  return StartSessionOn(record);
}

MV432IDA_API int32_t FreeSession(void) {
  if (lib.fresh == 1) return 1;
  SessionRecord* record = CurrentSession();
  if (record == nullptr) return VNX_ERR_INTERNAL;
  int32_t r = FreeRecord(record);
  if (r != 1) return r;
  if (lib.fresh == 0 && !lib.multiThread && lib.defaultSingle == 1) ResetToOneRecord();
  return 1;
}

MV432IDA_API int32_t OpenMultiSession(int32_t count) {
  if (count < 1 || count > INT16_MAX || lib.multiThread) return 0;
  if (lib.fresh == 1) {
    lib.fresh = 0;
    lib.defaultSingle = 0;
  } else if (lib.table != nullptr) {
    for (int i = 0; i < lib.sessionCount; ++i) FreeRecord(&lib.table[i]);
  }
  if (!EnsureTransport()) return 0;
  return ReplaceTable(count) ? 1 : 0;
}

MV432IDA_API int32_t CloseMultiSession(void) {
  if (lib.table == nullptr) return 0;
  if (TransportStateNow() == TransportState::kLoaded) {
    std::unique_lock<std::mutex> guard;
    if (lib.tableLock != nullptr) guard = std::unique_lock(*lib.tableLock);
    for (int i = 0; i < lib.sessionCount; ++i) FreeRecord(&lib.table[i]);
    if (lib.multiThread) {
      Select(0);
      Transport().endMultiSession(lib.table);
      Select(-1);
    }
  }
  delete[] lib.threadIds;
  lib.threadIds = nullptr;
  lib.ownerThread = 0;
  if (lib.selectionEvent != nullptr) lib.selectionEvent->Set();
  lib.multiThread = 0;
  ResetToOneRecord();
  return 1;
}

MV432IDA_API int32_t VNXSession(int32_t index) {
  if (!EnsureTransport() || lib.table == nullptr) return -1;
  if (!lib.multiThread) {
    if (index < 0 || index >= lib.sessionCount) return -1;
    if (index == lib.currentIndex) return index;
    Select(static_cast<int16_t>(index));
    return index;
  }
  const uint32_t me = platform::CurrentThreadId();
  if (index == -1) {
    std::lock_guard guard(*lib.tableLock);
    if (lib.ownerThread != me) return 0;
    ReleaseExplicitSelection();
    return 1;
  }
  if (index < 0 || index >= lib.sessionCount) return -1;
  std::unique_lock guard(*lib.tableLock);
  while (lib.ownerThread != 0 && lib.ownerThread != me) {
    guard.unlock();
    lib.selectionEvent->Wait();
    guard.lock();
  }
  if (lib.ownerThread == me && index == lib.currentIndex) return index;
  if (lib.ownerThread == 0) {
    lib.ownerThread = me;
    lib.selectionEvent->Reset();
    platform::RunAtThreadExit(ThreadEnds);
  }
  Select(static_cast<int16_t>(index));
  return index;
}

MV432IDA_API int32_t VNXThreadAttach(void) {
  if (!EnsureTransport()) return 0;
  // The first attach creates the table; threads attaching at the same
  // moment must not both create it.
  static std::mutex firstAttach;
  std::unique_lock first(firstAttach);
  if (lib.fresh == 1) {
    lib.fresh = 0;
    if (lib.tableLock == nullptr) lib.tableLock = new std::mutex;
    if (lib.selectionEvent == nullptr) lib.selectionEvent = new platform::ManualResetEvent(true);
    lib.multiThread = 1;
    Select(-1);
    int32_t count = platform::Profile::FromDefaultFile().GetInt("NT", "NbSession", 1);
    if (count < 1 || count > INT16_MAX || !ReplaceTable(count)) {
      lib.multiThread = 0;
      ResetToOneRecord();
      return 0;
    }
  }
  first.unlock();
  if (!lib.multiThread) return 0;
  const uint32_t me = platform::CurrentThreadId();
  std::lock_guard guard(*lib.tableLock);
  int chosen = -1;
  int result = 0;
  for (int i = 0; i < lib.sessionCount; ++i) {
    uint32_t holder = lib.threadIds[i];
    if (holder == me) {
      chosen = i;
      result = 2;
      break;
    }
    if (holder == 0 && chosen < 0) {
      chosen = i;
      result = 1;
    }
  }
  if (chosen < 0) return 0;
  lib.threadIds[chosen] = me;
  platform::RunAtThreadExit(ThreadEnds);
  return result;
}

MV432IDA_API int32_t VNXThreadDetach(void) {
  if (!lib.multiThread || lib.tableLock == nullptr || lib.threadIds == nullptr) return 0;
  const uint32_t me = platform::CurrentThreadId();
  std::lock_guard guard(*lib.tableLock);
  for (int i = 0; i < lib.sessionCount; ++i) {
    if (lib.threadIds[i] == me) {
      if (TransportStateNow() == TransportState::kLoaded) FreeRecord(&lib.table[i]);
      lib.threadIds[i] = 0;
      if (lib.ownerThread == me) ReleaseExplicitSelection();
      return 1;
    }
  }
  if (lib.ownerThread == me) ReleaseExplicitSelection();
  return 0;
}

MV432IDA_API int32_t VNXTerminate(void) {
  CloseMultiSession();
  UnloadTransport();
  delete lib.tableLock;
  lib.tableLock = nullptr;
  delete lib.selectionEvent;
  lib.selectionEvent = nullptr;
  lib.multiThread = 0;
  return 1;
}

MV432IDA_API int32_t MCH_name(const char* name) {
  if (name == nullptr || std::strlen(name) + 1 > kMachineNameSize) return -1;
  SessionRecord* record = CurrentSession();
  if (record == nullptr) return VNX_ERR_INTERNAL;
  std::memset(record->machineName(), 0, kMachineNameSize);
  std::memcpy(record->machineName(), name, std::strlen(name));
  return 1;
}

MV432IDA_API int32_t VNXGET_MCH_name(char* buffer, int32_t size) {
  SessionRecord* record = CurrentSession();
  if (record == nullptr || buffer == nullptr || size <= 0) return 0;
  std::memset(buffer, 0, static_cast<size_t>(size));
  std::memcpy(buffer, record->machineName(), static_cast<size_t>(std::min(size, kMachineNameSize)));
  return 0;
}

MV432IDA_API int32_t VNXSetUserId(const char* user, const char* password) {
  SessionRecord* record = CurrentSession();
  if (record == nullptr) return 1;
  auto fill = [](char* field, int width, const char* text) {
    std::memset(field, ' ', static_cast<size_t>(width));
    for (int i = 0; text != nullptr && i < width && text[i] != '\0'; ++i) field[i] = text[i];
  };
  fill(record->userId(), kUserIdSize, user);
  fill(record->password(), kPasswordSize, password);
  return 1;
}

MV432IDA_API int32_t PGM_name(const char* path) {
  if (path == nullptr || std::strlen(path) + 1 > kServerProgramSize) return -1;
  std::memset(lib.serverProgram, 0, sizeof lib.serverProgram);
  std::memcpy(lib.serverProgram, path, std::strlen(path));
  return 1;
}

MV432IDA_API int32_t VNXMode(int32_t bit, int32_t on) {
  SessionRecord* record = CurrentSession();
  if (record == nullptr || bit < 0 || bit > 15) return 1;
  const AsyncState state = record->asyncState();
  if (state != AsyncState::kIdle && state != AsyncState::kComplete) return 1;
  const int mask = 1 << bit;
  int bits = on == 1 ? (record->modeBits() | mask) : (record->modeBits() & ~mask);
  record->SetI16(kOffModeBits, static_cast<int16_t>(bits));
  return 1;
}

}  // extern "C"

namespace {
// The library's load notification.
struct LibraryLoad {
  LibraryLoad() { vantora::client::OnLibraryLoad(); }
} libraryLoad;
}  // namespace
