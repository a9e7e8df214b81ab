// The message format between the client library and the host.
//
// Every request and reply starts with a 64-byte header (little-endian):
//
//   offset  request                              reply
//   0       int32 sequence number of the part    (not read)
//   4       int32 request code                   code of the request answered
//   8       int32 data bytes announced           output bytes still to come
//   12      int32 0                              result of the request
//   16      -                                    int32 status word
//   20      8 x int32 slots, one per parameter   bytes returned per output parameter
//           (a value, or a buffer's length)
//   52      8 bytes "VANTORA "                   system error identifier
//   60      -                                    int32 internal error code
//
// A request's first part is the header and at most 4032 data bytes; each
// further part carries at most 4032 data bytes and no header. A reply's
// first part is the header and at most 4032 data bytes; each further reply
// part carries at most 4096 data bytes. The parts of one message follow one
// another; each transport frames them as it likes.
//
// Request data: each input buffer's bytes padded to an even count; each
// output buffer a 16-byte placeholder aligned to 16 (counted from the start
// of the message data). Reply data: the bytes of the output buffers, in
// parameter order, without padding.
#ifndef VANTORA_PROTOCOL_MESSAGE_FORMAT_H_
#define VANTORA_PROTOCOL_MESSAGE_FORMAT_H_

#include <cstdint>

namespace vantora::wire {

inline constexpr int kHeaderSize = 64;
inline constexpr int kDataAreaSize = 4096;
inline constexpr int kMaxPartSize = 4096;
inline constexpr int kRequestPartData = 4032;
inline constexpr int kReplyFirstPartData = kMaxPartSize - kHeaderSize;
inline constexpr int kReplyPartData = 4096;
inline constexpr int kMaxSlots = 8;
inline constexpr int kPlaceholderSize = 16;

inline constexpr int kHdrSequence = 0;
inline constexpr int kHdrCode = 4;
inline constexpr int kHdrLength = 8;
inline constexpr int kHdrResult = 12;
inline constexpr int kHdrStatus = 16;
inline constexpr int kHdrSlots = 20;
inline constexpr int kHdrSystemError = 52;
inline constexpr int kHdrInternalError = 60;
inline constexpr int kSystemErrorSize = 8;

inline constexpr char kEyeCatcher[kSystemErrorSize + 1] = "VANTORA ";

// Request code bits.
inline constexpr uint16_t kOperationMask = 0x00FF;
inline constexpr uint16_t kReplyExpected = 0x0100;
inline constexpr uint16_t kNoReply = 0x0200;
inline constexpr uint16_t kCodeFlag400 = 0x0400;

inline constexpr uint8_t OperationOf(int32_t code) {
  return static_cast<uint8_t>(code & 0xFF);
}

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_MESSAGE_FORMAT_H_
