// The words of every kind of connection failure: each names the peer where it
// matters and says what to do where there is something to do.
#include "transport/tcp/failure_text.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "transport/tcp/frame.h"
#include "transport/tcp/tcp_connection.h"
#include "transport/tcp/tls.h"

namespace vantora::tcp {
namespace {

TEST(FailureText, EveryFailureInWords) {
  const std::string peer = "127.0.0.1:41889";
  const struct {
    int16_t primary;
    int32_t secondary;
    const char* detail;
    const char* want;
  } cases[] = {
      {kAppcNone, 0, "", ""},
      {kConnectFailed, ECONNREFUSED, "",
       "cannot connect to 127.0.0.1:41889: connection refused (is vantora-hostd running, on "
       "that port?)"},
      {kSendFailed, EPIPE, "",
       "the connection to 127.0.0.1:41889 failed while sending: broken pipe"},
      {kTimeout, 1, "",
       "127.0.0.1:41889 did not answer the connection in time (Tcp/ConnectTimeout)"},
      {kTimeout, 3, "",
       "127.0.0.1:41889 did not answer in time (Tcp/ReceiveTimeout); the connection is given up"},
      {kClosedByHost, 0, "", "127.0.0.1:41889 closed the connection"},
      {kClosedByHost, ECONNRESET, "",
       "127.0.0.1:41889 closed the connection: connection reset by peer"},
      {kProtocolError, kBadWelcome, "",
       "127.0.0.1:41889 answered with something no Vantora host sends (is it vantora-hostd?)"},
      {kRefusedByHost, static_cast<int32_t>(FrameRefusal::kTooManyConnections), "",
       "127.0.0.1:41889 refused the connection: it serves as many connections as it allows; try "
       "again later"},
      {kRefusedByHost, static_cast<int32_t>(FrameRefusal::kTlsRequired), "",
       "127.0.0.1:41889 refused the connection: it accepts only TLS connections (set Tcp/Tls=1)"},
      {kRefusedByHost, 99, "", "127.0.0.1:41889 refused the connection: reason 99"},
      {kNotConnected, 0, "", "the session has no connection to the host"},
      {kTlsFailed, kTlsNameMismatch, "the server's certificate names db.example, not 127.0.0.1",
       "the server's certificate names db.example, not 127.0.0.1"},
      {kTlsFailed, kTlsNotTls, "",
       "127.0.0.1:41889 does not speak TLS (set Tcp/Tls=0, or give vantora-hostd a "
       "certificate)"},
      {kTlsFailed, kTlsSetup, "cannot read /nope.pem",
       "TLS could not be set up (check Tcp/TlsCaFile): cannot read /nope.pem"},
      {42, 7, "", "the connection to 127.0.0.1:41889 failed (codes 42, 7)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(FailureText(c.primary, c.secondary, peer, c.detail), c.want);
  }
}

TEST(FailureText, AnUnknownHostNameSaysWhereItComesFrom) {
  // The resolver's codes are stored negative (socket.h).
  const std::string text = FailureText(kConnectFailed, -2, "nosuch.invalid:8471", "");
  EXPECT_EQ(text.rfind("cannot connect to nosuch.invalid:8471: ", 0), 0u) << text;
  EXPECT_NE(text.find("(check General/Location)"), std::string::npos) << text;
}

}  // namespace
}  // namespace vantora::tcp
