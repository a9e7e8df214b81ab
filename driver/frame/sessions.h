// The host sessions of the driver.
//
// The driver keeps a table of 20 client-library sessions. Databases opened
// on the same AS/400 system share one session unless a new one is asked
// for; each entry remembers the registration (generation) that opened it and
// whether commitment control was started in it. In multi-thread mode
// (MultiThread/ThreadAttach) each thread attaches its own client-library
// session instead and the table is not used.
//
// Threads: the table is guarded by the handle lock (handles.h).
#ifndef VANTORA_DRIVER_FRAME_SESSIONS_H_
#define VANTORA_DRIVER_FRAME_SESSIONS_H_

#include <cstdint>
#include <string>

namespace vantora::driver {

constexpr int kSessionEntries = 20;
constexpr size_t kSystemNameLimit = 11;

// The session generation: 0 at the first registration, +1 at each later
// one, -1 at each full close.
int16_t& SessionGeneration();

// The user profile a new session signs on with; empty: the client
// library's default user.
struct SignOn {
  std::string user;
  std::string password;
};

// Makes a session to `system` ("" = the default system) current, reusing an
// open one of this generation unless `newSession`; starts one otherwise,
// signed on as `signOn` (set on the session being started, not on the one
// current before). False when no entry is free or the session could not be
// started (the user has been told why).
bool SelectSession(const std::string& system, bool newSession, const SignOn& signOn);

// Starts the current client-library session: the hourglass, StartSession,
// then the server-side trace, the conversion tables and the job's date and
// time formats. False (after a message box) when it could not be started.
bool StartDriverSession();

// Whether commitment control runs in the current session's entry; marks it.
bool CommitmentControlStarted();
void MarkCommitmentControlStarted();

// Whether the current session's job was told SQL naming; marks it.
bool SessionSqlNaming();
void MarkSessionSqlNaming(bool sql);
// Ends the sessions of the current generation (at driver close).
void EndDriverSessions();

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_SESSIONS_H_
