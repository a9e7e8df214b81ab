// The client's side of the message codec: cutting a request into parts and
// distributing the parts of its reply into the caller's buffers. No I/O and
// no allocation: the caller provides the header and data areas and feeds the
// parts it receives.
//
// Argument words: for each parameter in order, a value takes one word, a
// buffer two (length, then address). While a message is sent or received the
// words are consumed: lengths count down and addresses move forward.
#ifndef VANTORA_PROTOCOL_REQUEST_PARTS_H_
#define VANTORA_PROTOCOL_REQUEST_PARTS_H_

#include <cstdint>

#include "protocol/operations.h"

namespace vantora::wire {

// Progress of one message through its parameters.
struct MessageProgress {
  int16_t state = 0;       // kComplete when every parameter is through
  int16_t paramsDone = 0;  // parameters completely sent or received
};
inline constexpr int16_t kComplete = 1;
inline constexpr int16_t kContinuationExpected = 0x1000;

// Builds the next part of a request for operation `op` into `header` (64
// bytes) and `data` (at least 4032 bytes): header offsets 0 (`sequence`), 4
// (`code`), 8 (bytes announced) and the slots. Returns the number of data
// bytes in the part. Sets progress.state to kComplete with the last part.
int BuildRequestPart(const Operation& op, int32_t code, int32_t sequence, uint64_t* args,
                     MessageProgress& progress, uint8_t* header, uint8_t* data);

// Distributes `available` data bytes of a reply part to operation `op` (the
// header is the reply's first part, kept across its continuation parts) into
// the buffers named by `args`. Output bytes beyond what a buffer asked for are dropped,
// so a reply that returns more than requested never writes past the buffer
// and the rest of the reply stays in step. Returns the result at header
// offset 12. Sets progress.state to kComplete, or kContinuationExpected
// while bytes are still to come.
int32_t DistributeReplyPart(const Operation& op, uint8_t* header, const uint8_t* data,
                            int32_t available, uint64_t* args, MessageProgress& progress);

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_REQUEST_PARTS_H_
