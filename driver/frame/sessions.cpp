#include "driver/frame/sessions.h"

#include <array>
#include <cstdio>

#include "driver/frame/conversion_tables.h"
#include "driver/frame/errors.h"
#include "driver/frame/handles.h"
#include "driver/frame/settings.h"
#include "idapi.h"
#include "mv432ida.h"
#include "platform/thread.h"
#include "platform/ui_sink.h"

namespace vantora::driver {
namespace {

constexpr int32_t kVersionConflict = 0x106;

struct SessionEntry {
  int16_t session = 0;
  int16_t generation = -1;  // -1 = free
  bool commitmentControl = false;
  bool sqlNaming = false;  // the job was told SET OPTION NAMING = *SQL
  std::string system;
};

std::array<SessionEntry, kSessionEntries>& Entries() {
  static std::array<SessionEntry, kSessionEntries> entries;
  return entries;
}

// Commitment control of a thread's own session (multi-thread mode).
thread_local bool threadCommitmentControl = false;
thread_local bool threadSqlNaming = false;

void StartTrace() {
  const int32_t level = Settings().logLevel;
  if (level == 0) return;
  if (Settings().threadAttach) {
    char name[40];
    std::snprintf(name, sizeof name, "TRACE/DELPHI(T%08lx)",
                  static_cast<unsigned long>(platform::CurrentThreadId()));
    StartFile_Test(name, level);
    return;
  }
  if (StartFile_Test("TRACE/DELPHI", level) >= 0 || StartFile_Test("TRACE/DELPHI1", level) >= 0) {
    platform::CurrentUiSink().Message("  MV400  ", " AS/400 Log File Started !!",
                                      platform::MessageKind::kWarning);
  }
}

}  // namespace

int16_t& SessionGeneration() {
  static int16_t generation = 0;
  return generation;
}

bool StartDriverSession() {
  platform::UiSink& ui = platform::CurrentUiSink();
  ui.Busy(true);
  const int32_t result = StartSession();
  ui.Busy(false);
  if (result >= 0) {
    StartTrace();
    InstallConversionTables();
    Rsystem("CHGJOB DATFMT(*YMD) DATSEP('-') TIMSEP('.')");
    return true;
  }
  // The application hears of it too, with the status its open answers.
  if (result == VNX_ERR_INTERNAL && Internal_Error() == kVersionConflict) {
    const std::string text = "Morvalis/400 version conflict";
    ui.Message(kCaption, text, platform::MessageKind::kError);
    PostMessage(IDAPI_ERR_NO_SESSION, text);
  } else {
    const char* prefix = result == VNX_ERR_INTERNAL ? "Unable to open conversation with AS/400 (1)"
                                                    : "Unable to open conversation with AS/400 (2)";
    const std::string explanation = ClientExplanation();
    ShowClientFailure(prefix, result);
    PostMessage(IDAPI_ERR_NO_SESSION, ClientFailureText(prefix, result), explanation);
  }
  return false;
}

static void Prepare(const std::string& system, const SignOn& signOn) {
  if (!signOn.user.empty()) VNXSetUserId(signOn.user.c_str(), signOn.password.c_str());
  if (!system.empty()) MCH_name(system.c_str());
}

bool SelectSession(const std::string& system, bool newSession, const SignOn& signOn) {
  if (Settings().threadAttach) {
    Prepare(system, signOn);
    threadCommitmentControl = false;
    threadSqlNaming = false;
    return StartDriverSession();
  }
  std::lock_guard guard(HandleLock());
  auto& entries = Entries();
  int freeEntry = -1;
  for (int i = 0; i < kSessionEntries; ++i) {
    SessionEntry& e = entries[i];
    if (e.generation < 0) {
      if (freeEntry < 0) freeEntry = i;
      continue;
    }
    if (!newSession && e.generation == SessionGeneration() && e.system == system) {
      CurrentSessionNumber() = e.session;
      VNXSession(e.session);
      return true;
    }
  }
  if (freeEntry < 0) {
    PostMessage(IDAPI_ERR_NO_SESSION,
                "All 20 AS/400 sessions of the driver are in use: close a database first");
    return false;
  }
  if (VNXSession(freeEntry) != freeEntry) {
    PostMessage(IDAPI_ERR_NO_SESSION,
                "The client library has no session " + std::to_string(freeEntry) + " to select");
    return false;
  }
  CurrentSessionNumber() = static_cast<int16_t>(freeEntry);
  Prepare(system, signOn);
  if (!StartDriverSession()) return false;
  entries[freeEntry] =
      SessionEntry{static_cast<int16_t>(freeEntry), SessionGeneration(), false, false, system};
  return true;
}

bool CommitmentControlStarted() {
  if (Settings().threadAttach) return threadCommitmentControl;
  std::lock_guard guard(HandleLock());
  const int16_t current = CurrentSessionNumber();
  if (current < 0 || current >= kSessionEntries) return false;
  return Entries()[current].commitmentControl;
}

void MarkCommitmentControlStarted() {
  if (Settings().threadAttach) {
    threadCommitmentControl = true;
    return;
  }
  std::lock_guard guard(HandleLock());
  const int16_t current = CurrentSessionNumber();
  if (current >= 0 && current < kSessionEntries) Entries()[current].commitmentControl = true;
}

bool SessionSqlNaming() {
  if (Settings().threadAttach) return threadSqlNaming;
  std::lock_guard guard(HandleLock());
  const int16_t current = CurrentSessionNumber();
  if (current < 0 || current >= kSessionEntries) return false;
  return Entries()[current].sqlNaming;
}

void MarkSessionSqlNaming(bool sql) {
  if (Settings().threadAttach) {
    threadSqlNaming = sql;
    return;
  }
  std::lock_guard guard(HandleLock());
  const int16_t current = CurrentSessionNumber();
  if (current >= 0 && current < kSessionEntries) Entries()[current].sqlNaming = sql;
}

void EndDriverSessions() {
  FreeSession();
  if (Settings().threadAttach) return;
  for (SessionEntry& e : Entries()) {
    std::lock_guard guard(HandleLock());
    if (e.generation < 0 || e.generation != SessionGeneration()) continue;
    VNXSession(e.session);
    e.generation = -1;
    e.commitmentControl = false;
    e.sqlNaming = false;
    FreeSession();
    CurrentSessionNumber() = -1;
  }
}

}  // namespace vantora::driver
