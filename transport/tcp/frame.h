// Frames of a Vantora TCP connection, and a reader that cuts a byte stream
// into them. The reader does no I/O: append the bytes received, then ask for
// the next frame; "need more" is a normal answer, errors are typed and
// sticky. Every length is checked against the limits of its kind before any
// payload is buffered, so a hostile peer cannot make the reader grow past
// the largest frame it accepts.
//
// Frame layout (every frame, both directions):
//
//   offset  width   field
//   0       uint8   kind (below)
//   1       uint24  payload length, big-endian
//   4       length  payload
//
//   kind  name       direction         payload
//   0x01  hello      client -> server  handshake (hello.h); the first frame sent
//   0x02  welcome    server -> client  handshake accepted (hello.h)
//   0x03  request    client -> server  first part of a request: 64-byte header and
//                                      data, at most 4096 bytes in all
//   0x04  continued  client -> server  further part of the request: data only,
//                                      1 to 4096 bytes
//   0x05  reply      server -> client  one whole reply message: header and data
//   0x06  refusal    server -> client  uint32 reason (big-endian, FrameRefusal),
//                                      then at most 200 bytes of ASCII text; the
//                                      server closes the connection after it
//
// The client builds the prefix of a request part in the 4 bytes that the
// client library leaves free in front of each part, so a part goes out in
// one write without a copy.
#ifndef VANTORA_TRANSPORT_TCP_FRAME_H_
#define VANTORA_TRANSPORT_TCP_FRAME_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantora::tcp {

inline constexpr size_t kPrefixSize = 4;
inline constexpr uint32_t kMaxFrameLength = 0xFFFFFF;

enum class FrameKind : uint8_t {
  kHello = 0x01,
  kWelcome = 0x02,
  kRequest = 0x03,
  kContinued = 0x04,
  kReply = 0x05,
  kRefusal = 0x06,
};

// Why the server ends a connection (the reason of a refusal frame).
enum class FrameRefusal : uint32_t {
  kTooManyConnections = 1,
  kBadHello = 2,       // not a Vantora handshake, or a version this server does not speak
  kProtocolError = 3,  // a malformed or unexpected frame
  kBadRequest = 4,     // a request part the host could not decode
  kIdleLimit = 5,      // no request within the idle time limit
  kStopping = 6,       // the server is shutting down
  kHelloTimeout = 7,   // no complete handshake in time
  kTlsRequired = 8,    // a plain client of a server that speaks only TLS
  kBusy = 9,           // too many connections are signing on (from the client's address, or
                       // in all): try again shortly
};

inline constexpr size_t kMaxRefusalText = 200;

// Writes the 4-byte prefix of a frame of `kind` with `length` payload bytes.
// REQUIRES: length <= kMaxFrameLength.
void EncodePrefix(uint8_t* out, FrameKind kind, uint32_t length);

// A whole refusal frame: prefix and payload.
std::vector<uint8_t> EncodeRefusal(FrameRefusal reason, const std::string& text);
// Reads a refusal payload; false when it is malformed.
bool DecodeRefusal(std::span<const uint8_t> payload, uint32_t* reason, std::string* text);

struct Frame {
  FrameKind kind;
  std::span<const uint8_t> payload;  // valid until the reader's next call
};

// The largest payload accepted per kind; 0 refuses the kind.
struct FrameLimits {
  uint32_t maxLength[7] = {};
  uint32_t minLength[7] = {};
};
// What a server accepts from clients and a client from servers.
FrameLimits ServerSideLimits();
FrameLimits ClientSideLimits();

class FrameReader {
 public:
  enum class Result { kNeedMore, kFrame, kError };
  enum class Error { kNone, kUnknownKind, kBadLength };

  explicit FrameReader(const FrameLimits& limits);

  // Room for at least `minimum` bytes at the end of the buffered input; fill
  // it, then Commit the number of bytes written.
  uint8_t* Space(size_t minimum, size_t* available);
  void Commit(size_t n);
  // Copies bytes into the buffer (Space and Commit in one).
  void Append(const uint8_t* data, size_t n);

  // The next complete frame. After kError every later call answers kError.
  Result Next(Frame* frame);
  Error error() const { return error_; }
  // Bytes received but not yet returned in a frame.
  size_t buffered() const { return end_ - begin_; }

 private:
  FrameLimits limits_;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  Error error_ = Error::kNone;
};

}  // namespace vantora::tcp

#endif  // VANTORA_TRANSPORT_TCP_FRAME_H_
