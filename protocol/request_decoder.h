// The host's side of the message codec: reassembling a request from its
// parts and reading its parameters. No I/O; feed it the parts as the
// transport delivers them. Every byte is treated as hostile: lengths, slots
// and part sizes are checked against the parameter table and the limits
// below before anything is read.
//
// Request data layout (the concatenation of the parts' data): for each
// parameter in order, an input or input/output buffer takes its slot's
// length rounded up to even; an output buffer takes a 16-byte placeholder
// aligned to 16 from the start of the data; a value takes nothing (it is in
// its slot). The header's offset 8 announces the total.
#ifndef VANTORA_PROTOCOL_REQUEST_DECODER_H_
#define VANTORA_PROTOCOL_REQUEST_DECODER_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/operations.h"

namespace vantora::wire {

// The largest request accepted: 1 MiB of data (a block write of 32 KB, a
// long statement or command fit with room to spare).
inline constexpr int32_t kMaxRequestData = 1 << 20;
// The largest output buffer a request may ask for.
inline constexpr int32_t kMaxOutputLength = 1 << 20;

class RequestDecoder {
 public:
  enum class Progress { kNeedMore, kComplete, kError };

  // Takes the next part of a request: the first part is the 64-byte header
  // and data, later parts are data only. After kComplete the accessors
  // describe the request until Reset; after kError, error() says why and the
  // decoder must be Reset before the next request.
  Progress Feed(const uint8_t* part, size_t length);
  void Reset();

  const std::string& error() const { return error_; }

  int32_t code() const { return code_; }
  int32_t sequence() const { return sequence_; }
  const Operation& operation() const { return *op_; }
  // The eye-catcher bytes at header offset 52 of the first part.
  std::string_view eyeCatcher() const;

  // Whether `other` asks for exactly what this request asks for: the same
  // code, eye-catcher, values, lengths and input bytes (the sequence number
  // aside). REQUIRES: both are complete.
  bool SameRequest(const RequestDecoder& other) const;

  // REQUIRES: parameter i is a value.
  int32_t Value(int i) const { return slots_[i]; }
  // REQUIRES: parameter i is an input or input/output buffer.
  std::span<const uint8_t> Input(int i) const;
  // The input buffer as text, up to its first NUL (strings travel with their
  // terminator).
  std::string_view Text(int i) const;
  // REQUIRES: parameter i is an output or input/output buffer: the number of
  // bytes the client can take for it.
  int32_t OutputLength(int i) const { return slots_[i]; }

 private:
  bool Fail(std::string message);
  bool ParseHeader(const uint8_t* header);

  const Operation* op_ = nullptr;
  int32_t code_ = 0;
  int32_t sequence_ = 0;
  int32_t slots_[8] = {};
  int32_t offsets_[8] = {};  // where each buffer's bytes start in data_
  char eyeCatcher_[8] = {};
  int32_t announced_ = 0;
  bool started_ = false;
  std::vector<uint8_t> data_;
  std::string error_;
};

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_REQUEST_DECODER_H_
