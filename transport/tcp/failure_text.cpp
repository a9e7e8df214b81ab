#include "transport/tcp/failure_text.h"

#include <cerrno>

#include "transport/tcp/frame.h"
#include "transport/tcp/socket.h"
#include "transport/tcp/tcp_connection.h"
#include "transport/tcp/tls.h"

namespace vantora::tcp {
namespace {

std::string Refusal(int32_t reason, const std::string& peer) {
  const std::string refused = peer + " refused the connection: ";
  switch (static_cast<FrameRefusal>(reason)) {
    case FrameRefusal::kTooManyConnections:
      return refused + "it serves as many connections as it allows; try again later";
    case FrameRefusal::kBadHello:
      return refused + "it does not speak this client's version of the protocol";
    case FrameRefusal::kProtocolError:
      return refused + "it received a malformed frame";
    case FrameRefusal::kBadRequest:
      return refused + "it could not decode a request";
    case FrameRefusal::kIdleLimit:
      return peer + " ended the session after it was idle longer than the server allows";
    case FrameRefusal::kStopping:
      return peer + " is stopping; connect again once it is back";
    case FrameRefusal::kHelloTimeout:
      return refused + "the handshake did not arrive in time";
    case FrameRefusal::kTlsRequired:
      return refused + "it accepts only TLS connections (set Tcp/Tls=1)";
    case FrameRefusal::kBusy:
      return refused + "too many connections are signing on; try again shortly";
  }
  return refused + "reason " + std::to_string(reason);
}

std::string Tls(int32_t failure, const std::string& peer, const std::string& detail) {
  const std::string because = detail.empty() ? "" : ": " + detail;
  switch (static_cast<TlsFailure>(failure)) {
    case kTlsSetup:
      return "TLS could not be set up (check Tcp/TlsCaFile)" + because;
    case kTlsHandshake:
      return "the TLS handshake with " + peer + " failed" + because;
    case kTlsUntrusted:
      return "the certificate of " + peer +
             " is not signed by an authority this client trusts (Tcp/TlsCaFile names the "
             "authorities)";
    case kTlsNameMismatch:
      return detail.empty() ? "the certificate of " + peer + " does not name that host" : detail;
    case kTlsExpired:
      return "the certificate of " + peer + " has expired or is not valid yet";
    case kTlsNotTls:
      return peer + " does not speak TLS (set Tcp/Tls=0, or give vantora-hostd a certificate)";
    case kTlsRecord:
      return "a damaged TLS record came from " + peer;
  }
  return "TLS failed with " + peer + because;
}

}  // namespace

std::string FailureText(int16_t primary, int32_t secondary, const std::string& peer,
                        const std::string& detail) {
  switch (primary) {
    case kAppcNone:
      return "";
    case kConnectFailed: {
      std::string text = "cannot connect to " + peer + ": " + SystemErrorText(secondary);
      if (secondary == ECONNREFUSED) text += " (is vantora-hostd running, on that port?)";
      if (secondary < 0) text += " (check General/Location)";
      return text;
    }
    case kSendFailed:
      return "the connection to " + peer + " failed while sending: " + SystemErrorText(secondary);
    case kReceiveFailed:
      return "the connection to " + peer + " failed while receiving: " + SystemErrorText(secondary);
    case kTimeout:
      if (secondary == static_cast<int32_t>(Step::kConnect)) {
        return peer + " did not answer the connection in time (Tcp/ConnectTimeout)";
      }
      return peer + " did not answer in time (Tcp/ReceiveTimeout); the connection is given up";
    case kClosedByHost:
      return secondary == 0 ? peer + " closed the connection"
                            : peer + " closed the connection: " + SystemErrorText(secondary);
    case kProtocolError:
      if (secondary == kBadPart) return "the client library handed a part that cannot be framed";
      return peer + " answered with something no Vantora host sends (is it vantora-hostd?)";
    case kRefusedByHost:
      return Refusal(secondary, peer);
    case kNotConnected:
      return "the session has no connection to the host";
    case kNoReplyAwaited:
      return "a reply was asked for when no request awaits one";
    case kTlsFailed:
      return Tls(secondary, peer, detail);
  }
  return "the connection to " + peer + " failed (codes " + std::to_string(primary) + ", " +
         std::to_string(secondary) + ")";
}

}  // namespace vantora::tcp
