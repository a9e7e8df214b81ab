// Stream sockets, as the TCP transport and the host server use them. This
// interface is the only place that knows the operating system's socket API
// (socket_posix.cpp); port it by giving it another implementation.
//
// All sockets are non-blocking underneath; the calls wait with explicit time
// limits in milliseconds (0 = do not wait, negative = no limit) and report
// what happened as values, never through signals (writing to a closed peer
// does not raise SIGPIPE).
//
// Thread safety: one thread uses a socket at a time; Listener::Wake may be
// called from any thread to wake the one waiting in Accept.
#ifndef VANTORA_TRANSPORT_TCP_SOCKET_H_
#define VANTORA_TRANSPORT_TCP_SOCKET_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vantora::tcp {

struct IoResult {
  enum Status {
    kOk,
    kTimeout,  // nothing within the time limit (or, for Accept, woken)
    kClosed,   // the peer ended the connection in order
    kError,    // `error` holds the system error number
    kTls,      // TLS failed (tls.h); `error` holds the TlsFailure
  };
  Status status = kOk;
  size_t bytes = 0;
  // errno; for a host name that cannot be resolved, the resolver's code (negative).
  int error = 0;

  bool ok() const { return status == kOk; }
};

// `error` of an IoResult in words, lower case ("connection refused"; for a
// negative resolver code, "name or service not known" and the like).
std::string SystemErrorText(int error);

// One piece of a vectored send: `size` bytes at `data`.
struct ConstBuffer {
  const void* data = nullptr;
  size_t size = 0;
};
// The most pieces one vectored send takes.
inline constexpr size_t kMaxSendPieces = 8;

class Socket {
 public:
  Socket() = default;
  explicit Socket(int handle) : handle_(handle) {}
  ~Socket() { Close(); }
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // Connects to `host` (a name or an IPv4/IPv6 address) on `port`, trying
  // each address the name resolves to, all within `timeoutMs`.
  static IoResult Connect(const std::string& host, uint16_t port, int timeoutMs, Socket* out);

  bool valid() const { return handle_ >= 0; }
  // Sends all `n` bytes; kTimeout when the peer does not take them in time
  // (some may have been sent: the connection is then unusable).
  IoResult SendAll(const void* data, size_t n, int timeoutMs);
  // Sends the pieces in order, the bytes exactly as SendAll would send them
  // joined, without joining them (one system call per attempt, resumed
  // where a partial write stopped). Empty pieces are skipped. kError with
  // EINVAL, before anything is sent, for more than kMaxSendPieces pieces;
  // otherwise results as SendAll, `bytes` counting all the pieces.
  IoResult SendAllVectored(std::span<const ConstBuffer> pieces, int timeoutMs);
  // Asks the system for a send buffer of about `bytes` (it may round up);
  // false when it refuses. A small buffer makes large sends go out in many
  // partial writes, which tests rely on.
  bool SetSendBufferSize(int bytes);
  // Receives at most `maximum` bytes (at least 1 when kOk).
  IoResult Receive(void* buffer, size_t maximum, int timeoutMs);
  void Close();
  // "address:port" of the peer, for logs.
  std::string PeerName() const;
  // The peer's numeric address alone ("127.0.0.1", "::1"); "?" when unknown.
  std::string PeerAddress() const;

 private:
  int handle_ = -1;
};

// Whether `address` (numeric IPv4 or IPv6) is a loopback address: 127.0.0.0/8,
// ::1 or an IPv4-mapped 127.x address. False for anything else, including
// the wildcard addresses and names.
bool IsLoopbackAddress(const std::string& address);

class Listener {
 public:
  Listener() = default;
  ~Listener() { Close(); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // Listens on `address` (numeric IPv4 or IPv6) and `port` (0 = any free port).
  IoResult Open(const std::string& address, uint16_t port, int backlog);
  uint16_t port() const { return port_; }
  // Waits for the next connection; kTimeout after `timeoutMs` or once Wake
  // was called (Wake stays in effect: every later Accept returns at once).
  IoResult Accept(Socket* out, int timeoutMs);
  void Wake();
  void Close();

 private:
  int handle_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  uint16_t port_ = 0;
};

}  // namespace vantora::tcp

#endif  // VANTORA_TRANSPORT_TCP_SOCKET_H_
