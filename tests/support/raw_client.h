// A client that speaks the TCP frames by hand, for tests that send what the
// transport never would.
#ifndef VANTORA_TESTS_SUPPORT_RAW_CLIENT_H_
#define VANTORA_TESTS_SUPPORT_RAW_CLIENT_H_

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/byte_order.h"
#include "protocol/message_format.h"
#include "protocol/operations.h"
#include "protocol/request_parts.h"
#include "transport/tcp/frame.h"
#include "transport/tcp/hello.h"
#include "transport/tcp/socket.h"

namespace vantora::testing {

struct RawFrame {
  tcp::FrameKind kind;
  std::vector<uint8_t> payload;
  uint32_t refusal() const { return payload.size() >= 4 ? wire::LoadBe32(payload.data()) : 0; }
};

class RawClient {
 public:
  bool Connect(uint16_t port) {
    return tcp::Socket::Connect("127.0.0.1", port, 5000, &socket_).ok();
  }
  bool Send(const std::vector<uint8_t>& bytes) {
    return socket_.SendAll(bytes.data(), bytes.size(), 5000).ok();
  }
  bool Send(const std::string& bytes) {
    return socket_.SendAll(bytes.data(), bytes.size(), 5000).ok();
  }
  bool SendHello(const std::string& user = "", const std::string& password = "") {
    tcp::Hello h;
    h.hasCredentials = !user.empty();
    h.user = user;
    h.password = password;
    h.program = "VANTORA/VANTORA";
    return Send(tcp::EncodeHello(h));
  }
  // The next frame, or false when the connection closed (`closed` set) or
  // nothing came within `timeoutMs`.
  bool Next(RawFrame* out, int timeoutMs = 30000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      tcp::Frame f;
      switch (reader_.Next(&f)) {
        case tcp::FrameReader::Result::kFrame:
          out->kind = f.kind;
          out->payload.assign(f.payload.begin(), f.payload.end());
          return true;
        case tcp::FrameReader::Result::kError:
          return false;
        case tcp::FrameReader::Result::kNeedMore:
          break;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      if (left <= 0) return false;
      uint8_t buffer[8192];
      tcp::IoResult r = socket_.Receive(buffer, sizeof buffer, static_cast<int>(left));
      if (r.status == tcp::IoResult::kClosed || r.status == tcp::IoResult::kError) {
        closed = true;
        return false;
      }
      if (r.ok()) reader_.Append(buffer, r.bytes);
    }
  }
  // True when the server closes the connection within `timeoutMs`, after
  // sending at most frames (kept in `frames`).
  bool ClosedWithin(int timeoutMs, std::vector<RawFrame>* frames = nullptr) {
    RawFrame f;
    while (Next(&f, timeoutMs)) {
      if (frames != nullptr) frames->push_back(f);
    }
    return closed;
  }

  tcp::Socket socket_;
  tcp::FrameReader reader_{tcp::ClientSideLimits()};
  bool closed = false;
};

// The frames of a request for operation `code` with argument words `args`
// (as the client library lays them out), optionally with another eye-catcher.
inline std::vector<uint8_t> RequestFrames(int32_t code, std::vector<uint64_t> args,
                                          const char* eyeCatcher = wire::kEyeCatcher) {
  args.resize(wire::kMaxArgWords, 0);
  std::vector<uint8_t> out;
  wire::MessageProgress progress;
  const wire::Operation& op = wire::OperationEntry(wire::OperationOf(code));
  bool first = true;
  int sequence = 1;
  do {
    uint8_t header[wire::kHeaderSize] = {};
    uint8_t data[wire::kDataAreaSize] = {};
    int n = wire::BuildRequestPart(op, code, sequence++, args.data(), progress, header, data);
    size_t at = out.size();
    if (first) {
      std::memcpy(header + wire::kHdrSystemError, eyeCatcher, wire::kSystemErrorSize);
      out.resize(at + tcp::kPrefixSize + wire::kHeaderSize + static_cast<size_t>(n));
      tcp::EncodePrefix(out.data() + at, tcp::FrameKind::kRequest,
                        static_cast<uint32_t>(wire::kHeaderSize + n));
      std::memcpy(out.data() + at + tcp::kPrefixSize, header, wire::kHeaderSize);
      std::memcpy(out.data() + at + tcp::kPrefixSize + wire::kHeaderSize, data,
                  static_cast<size_t>(n));
    } else {
      out.resize(at + tcp::kPrefixSize + static_cast<size_t>(n));
      tcp::EncodePrefix(out.data() + at, tcp::FrameKind::kContinued, static_cast<uint32_t>(n));
      std::memcpy(out.data() + at + tcp::kPrefixSize, data, static_cast<size_t>(n));
    }
    first = false;
  } while (progress.state != wire::kComplete);
  return out;
}

inline uint64_t ArgWord(int32_t v) {
  return static_cast<uint32_t>(v);
}
inline uint64_t ArgWord(const void* p) {
  return reinterpret_cast<uintptr_t>(p);
}

// The frames of a session-open request for `user` and `password` (blank:
// the hello's credentials).
inline std::vector<uint8_t> SessionOpenFrames(const std::string& user, const std::string& password,
                                              const char* eyeCatcher = wire::kEyeCatcher) {
  static const char kName[] = "VANTORA";
  static char machine[18] = {};
  static char u[10];
  static char p[10];
  std::memset(u, ' ', 10);
  std::memset(p, ' ', 10);
  std::memcpy(u, user.data(), std::min<size_t>(10, user.size()));
  std::memcpy(p, password.data(), std::min<size_t>(10, password.size()));
  return RequestFrames(
      0x0115,
      {ArgWord(3), ArgWord(2), ArgWord(int32_t{sizeof kName}), ArgWord(kName), ArgWord(0),
       ArgWord(18), ArgWord(machine), ArgWord(10), ArgWord(u), ArgWord(10), ArgWord(p)},
      eyeCatcher);
}

inline int32_t ReplyResult(const RawFrame& f) {
  return f.payload.size() >= wire::kHeaderSize
             ? wire::LoadLeI32(f.payload.data() + wire::kHdrResult)
             : 0;
}

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_RAW_CLIENT_H_
