// The table of session records and the choice of the current session.
//
// Modes: initial (one record, nothing used yet); default single session;
// single-thread multi-session (OpenMultiSession, switched with VNXSession);
// multi-thread (VNXThreadAttach: each thread bound to its own record, and
// any thread may hold an explicit selection made with VNXSession until it
// gives it back with VNXSession(-1) or ends).
#ifndef VANTORA_CLIENT_SESSIONS_H_
#define VANTORA_CLIENT_SESSIONS_H_

#include <cstdint>

#include "client/session_record.h"

namespace vantora::client {

// The session of the calling thread, or null (the caller answers -30). In
// multi-thread mode this waits while another thread holds an explicit
// selection.
SessionRecord* CurrentSession();

// Connects `record` when it is not connected and opens the host session.
int32_t StartSessionOn(SessionRecord* record);

// After a failed session-open request: disconnects and clears `record` as
// FreeSession does, keeping its internal error and asynchronous result.
void FailSessionOpen(SessionRecord* record);

// Sends the end-of-session request, disconnects and clears `record`.
int32_t FreeRecord(SessionRecord* record);

// The internal error code to report when there is no usable session at all
// (transport missing, memory lacking, library terminated); 0 otherwise.
int32_t UnusableReason();

// Runs at library load: binds the transport and creates the one-record table.
void OnLibraryLoad();

}  // namespace vantora::client

#endif  // VANTORA_CLIENT_SESSIONS_H_
