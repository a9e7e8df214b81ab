// The request dispatcher: every export that needs the host lays its
// arguments out as argument words and calls Request with a request code.
//
// A value takes one word; a buffer two (length, then address). The
// dispatcher connects the session on first use, sends the request in parts
// through the transport and, when the code has bit 0x0100, receives the reply
// and copies its output bytes into the caller's buffers (or, in asynchronous
// mode, arms for the reply and returns at once). No allocation per request.
#ifndef VANTORA_CLIENT_DISPATCHER_H_
#define VANTORA_CLIENT_DISPATCHER_H_

#include <cstdint>
#include <initializer_list>

#include "client/session_record.h"
#include "protocol/operations.h"

namespace vantora::client {

inline uint64_t Word(int32_t value) {
  return static_cast<uint32_t>(value);
}
inline uint64_t Word(const void* address) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(address));
}

// The wire length of a text: its characters and terminator; 0 for null.
inline int32_t TextLength(const char* text) {
  if (text == nullptr) return 0;
  int32_t n = 0;
  while (text[n] != '\0') ++n;
  return n + 1;
}

// Whether a request asks for a reply: as the parameter table's code says,
// or (the echo without an answer) not at all.
enum class Reply : uint8_t { kAsTable, kNone };

// Sends operation `op` with its argument words on the current session; the
// request code is the table's. Returns the request's result, -30 without a
// current session or when `words` are not the operation's argument words,
// or the failing step's result.
int32_t Request(wire::Op op, std::initializer_list<uint64_t> words, Reply reply = Reply::kAsTable);

// The same on a given session record.
int32_t RequestOn(SessionRecord* record, wire::Op op, std::initializer_list<uint64_t> words,
                  Reply reply = Reply::kAsTable);

// RequestOn on a connected session, without keeping its failure for
// VNXErrorText (failures.h); -30 when the session is not connected.
int32_t Exchange(SessionRecord* record, wire::Op op, std::initializer_list<uint64_t> words,
                 Reply reply = Reply::kAsTable);

// Receives the next part of the reply awaited on `record`. `nowait`: ask the
// transport to return at once. Returns 1 with a part, -1 when nothing has
// arrived yet (nowait only), -20 on a transport failure.
int32_t ReceivePart(SessionRecord* record, bool nowait);

// Distributes the part just received into the argument words' buffers.
// Returns the request's result (or -30 when the reply does not answer the
// request that is waiting for it).
int32_t DistributePart(SessionRecord* record, int32_t expectedCode);

}  // namespace vantora::client

#endif  // VANTORA_CLIENT_DISPATCHER_H_
