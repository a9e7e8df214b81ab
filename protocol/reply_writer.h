// The host's side of a reply: the 64-byte header followed by the bytes of
// the output parameters in parameter order, without padding. Sent as parts
// of at most 4096 bytes: the first holds the header and up to 4032 data
// bytes, each further one up to 4096 data bytes (ReplyParts cuts them).
//
//   writer.Start(decoder);
//   uint8_t* out = writer.Output(1, recordLength);   // parameter 1's bytes
//   ... fill out ...
//   writer.Finish(1, 0, "", 0);
//   send(writer.Message());
//
// Output bytes are never more than the request asked for: Output cuts the
// room to the requested length. Outputs must be given in parameter order.
#ifndef VANTORA_PROTOCOL_REPLY_WRITER_H_
#define VANTORA_PROTOCOL_REPLY_WRITER_H_

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "protocol/message_format.h"
#include "protocol/request_decoder.h"

namespace vantora::wire {

class ReplyWriter {
 public:
  // Begins the reply to `request` (which stays alive until Finish).
  void Start(const RequestDecoder& request);
  // Begins a reply to operation `op` with `code` and output lengths `asked`
  // (one per parameter; used by tests and by fronts that answer without a
  // decoded request).
  void Start(const Operation& op, int32_t code, std::span<const int32_t> asked);

  // Room for `n` bytes of output parameter `i`, cut to the length the request
  // asked for; the returned pointer stays valid until the next Output call.
  // Giving a parameter again, or one before the last given, answers null.
  uint8_t* Output(int i, int32_t n, int32_t* granted = nullptr);
  // Copies `bytes` (cut to the asked length) as parameter i's output.
  void SetOutput(int i, std::span<const uint8_t> bytes);
  // Shrinks the bytes of the last output given to `n`.
  void TrimLastOutput(int32_t n);

  // Completes the header: result (offset 12), status (16), system error
  // identifier (52, up to 8 characters; empty leaves it zero), internal error (60).
  void Finish(int32_t result, int32_t status, std::string_view systemError, int32_t internalError);

  // The whole reply: header and data.
  std::span<const uint8_t> Message() const { return message_; }

 private:
  const Operation* op_ = nullptr;
  int32_t code_ = 0;
  int32_t asked_[kMaxSlots] = {};
  int32_t given_[kMaxSlots] = {};
  int last_ = -1;
  std::vector<uint8_t> message_;
};

// The parts of a reply message: the first covers the header and up to 4032
// data bytes, each further one up to 4096 bytes.
inline size_t ReplyPartCount(size_t messageSize) {
  constexpr size_t kFirst = kMaxPartSize;  // the header and kReplyFirstPartData bytes
  constexpr size_t kFurther = kReplyPartData;
  return messageSize <= kFirst ? 1 : 1 + (messageSize - kFirst + kFurther - 1) / kFurther;
}

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_REPLY_WRITER_H_
