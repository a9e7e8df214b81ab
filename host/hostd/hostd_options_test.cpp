#include "host/hostd/hostd_options.h"

#include <gtest/gtest.h>

namespace vantora::hostd {
namespace {

TEST(HostdOptions, CommandLineOverSettingsOverDefaults) {
  auto settings = platform::Profile::FromText(
      "[Tcp]\nPort=9000\n[Hostd]\nMaxConnections=5\nLogLevel=debug\n[Host]\nDataDirectory=/d\n");
  HostdOptions o;
  std::string error;
  ASSERT_TRUE(ParseHostdOptions({"--port", "0", "--idle-timeout", "0"}, settings, &o, &error))
      << error;
  EXPECT_EQ(o.server.listenAddress, "127.0.0.1");
  EXPECT_EQ(o.server.port, 0);
  EXPECT_EQ(o.server.maxConnections, 5);
  EXPECT_EQ(o.server.limits.idleTimeoutMs, -1);
  EXPECT_EQ(o.logLevel, host::LogLevel::kDebug);
  EXPECT_EQ(o.dataDirectory, "/d");
  ASSERT_TRUE(ParseHostdOptions({}, settings, &o, &error));
  EXPECT_EQ(o.server.port, 9000);
  EXPECT_EQ(o.server.limits.idleTimeoutMs, 3600 * 1000);
}

TEST(HostdOptions, RefusesBadInput) {
  const std::vector<std::vector<std::string>> bad = {
      {"--port", "65536"},
      {"--port", "-1"},
      {"--port"},
      {"--frobnicate", "1"},
      {"--log-level", "loud"},
      {"--max-connections", "0"},
      {"--idle-timeout", "x"},
      {"stray"},
  };
  for (const auto& args : bad) {
    HostdOptions o;
    std::string error;
    EXPECT_FALSE(ParseHostdOptions(args, platform::Profile(), &o, &error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
  HostdOptions o;
  std::string error;
  ASSERT_TRUE(ParseHostdOptions({"--help"}, platform::Profile(), &o, &error));
  EXPECT_TRUE(o.help);
}

TEST(HostdOptions, PlainTcpOnlyOnLoopbackUnlessAllowed) {
  struct Case {
    std::vector<std::string> args;
    bool accepted;
  } cases[] = {
      {{}, true},
      {{"--listen", "127.0.0.1"}, true},
      {{"--listen", "127.8.9.10"}, true},
      {{"--listen", "::1"}, true},
      {{"--listen", "::ffff:127.0.0.1"}, true},
      {{"--listen", "0.0.0.0"}, false},
      {{"--listen", "::"}, false},
      {{"--listen", "192.168.1.5"}, false},
      {{"--listen", "fe80::1"}, false},
      {{"--listen", "::ffff:10.0.0.1"}, false},
      {{"--listen", "0.0.0.0", "--allow-plaintext"}, true},
      {{"--listen", "0.0.0.0", "--tls-cert", "c.pem", "--tls-key", "k.pem"}, true},
      {{"--listen", "0.0.0.0", "--add-user", "BOB"}, true},  // does not listen
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : "(default)");
    HostdOptions o;
    std::string error;
    EXPECT_EQ(ParseHostdOptions(c.args, platform::Profile(), &o, &error), c.accepted) << error;
    if (!c.accepted) {
      EXPECT_NE(error.find("refusing to listen on " + c.args[1] + " without TLS"),
                std::string::npos)
          << error;
      EXPECT_NE(error.find("--allow-plaintext"), std::string::npos) << error;
    }
  }
}

TEST(HostdOptions, TlsCertificateAndKeyGoTogether) {
  struct Case {
    std::vector<std::string> args;
    const char* error;  // nullptr: accepted
  } cases[] = {
      {{"--tls-cert", "c.pem"}, "needs its key"},
      {{"--tls-key", "k.pem"}, "needs its key"},
      {{"--tls-required"}, "--tls-required needs a certificate"},
      {{"--tls-cert", ""}, "bad value for --tls-cert"},
      {{"--tls-required", "--tls-cert", "c.pem", "--tls-key", "k.pem"}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    HostdOptions o;
    std::string error;
    EXPECT_EQ(ParseHostdOptions(c.args, platform::Profile(), &o, &error), c.error == nullptr);
    if (c.error != nullptr) {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
    } else {
      EXPECT_EQ(o.tlsCert, "c.pem");
      EXPECT_EQ(o.tlsKey, "k.pem");
    }
  }
}

TEST(HostdOptions, TlsAndPlaintextFromTheSettings) {
  auto tls = platform::Profile::FromText(
      "[Hostd]\nListen=0.0.0.0\nTlsCert=/etc/v/cert.pem\nTlsKey=/etc/v/key.pem\n");
  HostdOptions o;
  std::string error;
  ASSERT_TRUE(ParseHostdOptions({}, tls, &o, &error)) << error;
  EXPECT_EQ(o.tlsCert, "/etc/v/cert.pem");
  EXPECT_EQ(o.tlsKey, "/etc/v/key.pem");
  ASSERT_TRUE(ParseHostdOptions({"--tls-cert", "mine.pem"}, tls, &o, &error)) << error;
  EXPECT_EQ(o.tlsCert, "mine.pem");  // the command line wins

  auto plain = platform::Profile::FromText("[Hostd]\nListen=::\nAllowPlaintext=1\n");
  ASSERT_TRUE(ParseHostdOptions({}, plain, &o, &error)) << error;
  EXPECT_TRUE(o.allowPlaintext);
  EXPECT_TRUE(o.tlsCert.empty());
  auto notAllowed = platform::Profile::FromText("[Hostd]\nListen=::\nAllowPlaintext=0\n");
  EXPECT_FALSE(ParseHostdOptions({}, notAllowed, &o, &error));
}

}  // namespace
}  // namespace vantora::hostd
