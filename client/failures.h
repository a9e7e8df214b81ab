// What the client library keeps of its last failure on a session, so that
// VNXErrorText can word it: the call's result class, its operation and the
// object it named (the file of an open, or of a handle's open; a command; a
// statement). Kept by the dispatcher for every request and by the local
// checks that answer without one. Nothing is allocated for a request that
// succeeds, but for the name an open keeps for its handle.
#ifndef VANTORA_CLIENT_FAILURES_H_
#define VANTORA_CLIENT_FAILURES_H_

#include <cstdint>
#include <initializer_list>

#include "client/session_record.h"

namespace vantora::client {

// Notes the result of request `operation` sent with argument `words`.
void NoteRequest(SessionRecord* record, int operation, std::initializer_list<uint64_t> words,
                 int32_t result);

// Notes a failure found without a request (a connect, a local check):
// `subject` may be null.
void NoteFailure(SessionRecord* record, int operation, int32_t result, const char* subject);

}  // namespace vantora::client

#endif  // VANTORA_CLIENT_FAILURES_H_
