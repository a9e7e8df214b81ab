// TLS over a Socket, for the transport and the host server. The TLS engine
// does no I/O of its own: it reads and writes memory, and this code moves
// those bytes through the socket with the socket's time limits, so a TLS
// connection waits, times out and reports like a plain one.
//
// TLS 1.2 is the oldest version either side speaks. A client verifies the
// server's certificate chain against its trust (a CA file, else the system's
// trust store) and checks that the certificate names the host it connected
// to (a DNS name, or an IP address when it connected to one). The server
// presents a certificate chain and does not ask clients for certificates:
// clients sign on with a user profile and password inside the connection.
//
// Failures are IoResult::kTls with `error` holding a TlsFailure.
//
// Thread safety: a context may be shared by sessions on any threads; one
// thread at a time uses a session.
#ifndef VANTORA_TRANSPORT_TCP_TLS_H_
#define VANTORA_TRANSPORT_TCP_TLS_H_

#include <memory>
#include <string>
#include <vector>

#include "transport/tcp/socket.h"

namespace vantora::tcp {

// Why TLS failed (the `error` of an IoResult::kTls).
enum TlsFailure : int {
  kTlsSetup = 1,         // the TLS library or the CA file could not be set up
  kTlsHandshake = 2,     // no agreement: versions, ciphers, a bad message or an alert
  kTlsUntrusted = 3,     // the certificate chain leads to no trusted authority
  kTlsNameMismatch = 4,  // the certificate does not name the host connected to
  kTlsExpired = 5,       // the certificate is expired or not valid yet
  kTlsNotTls = 6,        // the peer answered with something other than TLS
  kTlsRecord = 7,        // a bad TLS record after the handshake
};

class TlsContext {
 public:
  // A client's context: trusts the certificates of `caFile` (PEM), or the
  // system's trust store when `caFile` is empty. Null with `error` set when
  // the file cannot be read.
  static std::shared_ptr<TlsContext> ForClient(const std::string& caFile, std::string* error);
  // A server's context: the certificate chain of `certFile` (PEM, the
  // server's certificate first) and the private key of `keyFile` (PEM),
  // which must match. Null with `error` set otherwise.
  static std::shared_ptr<TlsContext> ForServer(const std::string& certFile,
                                               const std::string& keyFile, std::string* error);
  ~TlsContext();
  TlsContext(const TlsContext&) = delete;
  TlsContext& operator=(const TlsContext&) = delete;

  struct Impl;

 private:
  explicit TlsContext(Impl* impl) : impl_(impl) {}
  friend class TlsSession;
  Impl* impl_;
};

class TlsSession {
 public:
  // A client session that will verify that the certificate names `host` (a
  // name, or a numeric IPv4 or IPv6 address).
  static std::unique_ptr<TlsSession> Client(const TlsContext& context, const std::string& host);
  static std::unique_ptr<TlsSession> Server(const TlsContext& context);
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Runs the handshake on `socket` for at most `timeoutMs`. kTimeout keeps
  // the handshake's state: call again to go on. kTls with kTlsNotTls when
  // the peer's first bytes are not TLS: nothing has been sent to it then
  // (for a server), so the socket may still carry a plain answer.
  IoResult Handshake(Socket& socket, int timeoutMs);
  bool established() const { return established_; }
  // After kTlsNotTls: the first bytes the peer sent instead (a plain
  // server's refusal frame, for one).
  const std::vector<uint8_t>& peerBytes() const { return peerBytes_; }
  // As Socket::SendAll and Socket::Receive, through TLS. REQUIRES: established().
  IoResult SendAll(Socket& socket, const void* data, size_t n, int timeoutMs);
  // As Socket::SendAllVectored: the records are cut exactly as SendAll cuts
  // the pieces joined, so the peer sees the same bytes. A record's plain
  // text that spans two pieces is gathered into a buffer of the session
  // (at most one record's worth is copied per boundary).
  IoResult SendAllVectored(Socket& socket, std::span<const ConstBuffer> pieces, int timeoutMs);
  IoResult Receive(Socket& socket, void* buffer, size_t maximum, int timeoutMs);
  // Tells the peer that the connection ends (best effort, without waiting).
  void Shutdown(Socket& socket);
  // What the last failure was, for logs; "TLSv1.3 TLS_AES_256_GCM_SHA384"
  // style after the handshake.
  std::string Describe() const;

  struct Impl;

 private:
  explicit TlsSession(Impl* impl) : impl_(impl) {}
  IoResult Flush(Socket& socket, int timeoutMs);
  IoResult Failed(int failure);

  Impl* impl_;
  bool established_ = false;
  bool failed_ = false;  // a fatal TLS error: no orderly shutdown then
  bool sawPeerBytes_ = false;
  std::vector<uint8_t> peerBytes_;
  std::string lastError_;
};

// A socket with TLS on it or not: what the transport and the host server
// read and write once connected.
class Channel {
 public:
  Channel() = default;
  explicit Channel(Socket socket) : socket_(std::move(socket)) {}
  Channel(Channel&&) noexcept = default;
  Channel& operator=(Channel&&) noexcept = default;

  // Puts `session` on the socket; Handshake runs it.
  void StartTls(std::unique_ptr<TlsSession> session) { tls_ = std::move(session); }
  IoResult Handshake(int timeoutMs) { return tls_->Handshake(socket_, timeoutMs); }
  bool tls() const { return tls_ != nullptr; }
  TlsSession* session() { return tls_.get(); }

  IoResult SendAll(const void* data, size_t n, int timeoutMs) {
    return tls_ ? tls_->SendAll(socket_, data, n, timeoutMs) : socket_.SendAll(data, n, timeoutMs);
  }
  IoResult SendAllVectored(std::span<const ConstBuffer> pieces, int timeoutMs) {
    return tls_ ? tls_->SendAllVectored(socket_, pieces, timeoutMs)
                : socket_.SendAllVectored(pieces, timeoutMs);
  }
  IoResult Receive(void* buffer, size_t maximum, int timeoutMs) {
    return tls_ ? tls_->Receive(socket_, buffer, maximum, timeoutMs)
                : socket_.Receive(buffer, maximum, timeoutMs);
  }
  // Ends TLS in order (when established) and closes the socket.
  void Close();
  bool valid() const { return socket_.valid(); }
  // The socket underneath, bypassing TLS.
  Socket& socket() { return socket_; }

 private:
  Socket socket_;
  std::unique_ptr<TlsSession> tls_;
};

}  // namespace vantora::tcp

#endif  // VANTORA_TRANSPORT_TCP_TLS_H_
