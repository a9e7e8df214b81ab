// One client connection of the host server: the handshake, then the
// session's requests in order, each answered before the next is read. The
// connection's job ends when the connection does (ServerSession's
// destructor rolls back what it left uncommitted and releases its locks).
//
// Everything the peer sends is checked: a connection that does not start
// with a Vantora hello, sends a frame of an unknown kind or a bad length, a
// part out of turn, or a request the host cannot decode, gets a refusal
// frame (frame.h) and is closed. So is one whose session open is refused,
// so that passwords cannot be tried over and over on one connection.
//
// Until its session opens, a connection has the sign-on time limit to do it
// in (the TLS handshake, the hello and the session open), and what ends it
// is logged through its SignOnPlace, which digests the lines of floods
// (connection_log.h). When the session opens, the connection asks the
// place for a session's place, and is refused when there is none.
#ifndef VANTORA_HOST_HOSTD_JOB_CONNECTION_H_
#define VANTORA_HOST_HOSTD_JOB_CONNECTION_H_

#include <atomic>
#include <string>

#include "host/server/session/host.h"
#include "transport/tcp/socket.h"
#include "transport/tcp/tls.h"

namespace vantora::hostd {

struct ConnectionLimits {
  // From the connect to the open session: the TLS handshake, the hello and
  // the session-open request (or the idle limit, when shorter).
  int signOnTimeoutMs = 5'000;
  int idleTimeoutMs = -1;  // between requests and between parts; negative: none
  // Prepare a sequential reader's next read while its reply
  // travels (host/server/read_ahead.h).
  bool readAhead = true;
};

// Where a connection stands in the server until its session opens.
class SignOnPlace {
 public:
  virtual ~SignOnPlace() = default;
  // The session opened: true when it got a session's place.
  virtual bool TakeSessionPlace() = 0;
  // Logs `what` about the connection, which has not signed on.
  virtual void LogBeforeSignOn(host::LogLevel level, const std::string& what) = 0;
};

// Serves `socket` until the session ends, the peer goes, a limit passes or
// `stopping` becomes true (checked at least every 200 ms while waiting).
// `tls` null: plain TCP.
void ServeConnection(host::Host& host, tcp::Socket socket, const std::string& peer,
                     const ConnectionLimits& limits, const std::atomic<bool>& stopping,
                     SignOnPlace& place, const tcp::TlsContext* tls = nullptr);

}  // namespace vantora::hostd

#endif  // VANTORA_HOST_HOSTD_JOB_CONNECTION_H_
