// One session's connection to a host server, as the transport's entry
// points drive it: connect and shake hands, send request parts, hand out the
// reply. After any failure the connection is broken for good: every later
// call fails with the first failure's codes, until the session disconnects.
//
// Error codes (RESAppcErr: primary, secondary):
//   1 kConnectFailed   the host could not be reached; secondary: errno, or a
//                      negative resolver code when the name is unknown
//   2 kSendFailed      a send failed; errno
//   3 kReceiveFailed   a receive failed; errno
//   4 kTimeout         a time limit passed; secondary 1 connect, 2 send, 3 receive
//   5 kClosedByHost    the host closed the connection; 0
//   6 kProtocolError   the host sent what no Vantora host sends, or the client
//                      passed a part that cannot be framed; secondary: ProtocolDetail
//   7 kRefusedByHost   the host refused the connection; secondary: its reason
//                      (FrameRefusal in frame.h: 1 too many connections, ...,
//                      9 busy, when it was still busy as the connect limit ran out)
//   8 kNotConnected    the session has no connection; 0
//   9 kNoReplyAwaited  a reply was asked for when no request awaits one; 0
//  10 kTlsFailed       TLS (Tcp/Tls=1) failed; secondary: TlsFailure in tls.h
//                      (1 setup or CA file, 2 handshake, 3 untrusted
//                      certificate, 4 certificate for another name, 5 expired
//                      certificate, 6 the server does not speak TLS, 7 a bad
//                      record later on)
//
// Thread safety: one thread at a time per connection.
#ifndef VANTORA_TRANSPORT_TCP_TCP_CONNECTION_H_
#define VANTORA_TRANSPORT_TCP_TCP_CONNECTION_H_

#include <cstdint>
#include <span>
#include <string>

#include "transport/tcp/frame.h"
#include "transport/tcp/socket.h"
#include "transport/tcp/tcp_settings.h"
#include "transport/tcp/tls.h"

namespace vantora::tcp {

enum AppcCode : int16_t {
  kAppcNone = 0,
  kConnectFailed = 1,
  kSendFailed = 2,
  kReceiveFailed = 3,
  kTimeout = 4,
  kClosedByHost = 5,
  kProtocolError = 6,
  kRefusedByHost = 7,
  kNotConnected = 8,
  kNoReplyAwaited = 9,
  kTlsFailed = 10,
};

enum ProtocolDetail : int32_t {
  kBadFrame = 1,    // an unknown kind or a length out of bounds
  kBadWelcome = 2,  // the handshake answer is not a welcome
  kUnexpectedFrame = 3,
  kBadPart = 4,  // the client passed a part length outside 1..4096
};

enum class Step : int32_t { kConnect = 1, kSend = 2, kReceive = 3 };

class Connection {
 public:
  Connection();

  // Connects (with TLS when the settings say so), sends the hello (with the
  // settings' credentials when `withCredentials`) and waits for the welcome.
  // A server that answers "busy" (FrameRefusal::kBusy: too many connections
  // signing on) is tried again after a growing pause (20 ms to 0.5 s, with
  // jitter) while the connect limit (60 s when it has none) leaves time.
  bool Open(const TcpSettings& settings, const std::string& program, bool withCredentials);
  // Sends one request part. `prefixed` points 4 bytes before the part, which
  // the frame prefix overwrites; `length` counts the part only.
  bool SendPart(uint8_t* prefixed, int length, bool first);
  // Arms for the reply of the request just sent.
  void ExpectReply() { replyAwaited_ = true; }
  // Copies at most `maximum` bytes of the reply into `out`. With `wait` false
  // it returns at once: true with *count 0 when nothing has arrived yet.
  bool Receive(uint8_t* out, size_t maximum, bool wait, size_t* count);
  // The client took the reply as complete: what is left of it is dropped.
  void EndReply();
  void Close();

  bool broken() const { return primary_ != kAppcNone; }
  int16_t primary() const { return primary_; }
  int32_t secondary() const { return secondary_; }
  // Marks the connection failed (only the first failure is kept).
  bool Fail(int16_t primary, int32_t secondary);
  // The failure in words (failure_text.h); empty when nothing failed.
  std::string FailureText() const;

 private:
  bool OpenOnce(const TcpSettings& settings, const std::string& program, bool withCredentials);
  bool FailIo(const IoResult& r, Step step);
  bool StartTls(const TcpSettings& settings);
  // Waits for the next frame; false on failure or (when !wait) nothing yet.
  bool NextFrame(bool wait, Frame* frame, bool* nothingYet);

  Channel channel_;
  FrameReader reader_;
  int ioTimeoutMs_ = -1;
  bool replyAwaited_ = false;
  std::span<const uint8_t> reply_;  // undelivered bytes of the current reply
  int16_t primary_ = kAppcNone;
  int32_t secondary_ = 0;
  std::string peer_;       // "host:port", as asked for
  std::string tlsDetail_;  // what TLS said of its failure
};

}  // namespace vantora::tcp

#endif  // VANTORA_TRANSPORT_TCP_TCP_CONNECTION_H_
