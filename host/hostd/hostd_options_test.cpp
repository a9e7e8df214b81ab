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
  EXPECT_EQ(o.server.budget.maxSessions, 5);
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
  const struct {
    std::vector<std::string> args;
    const char* error;
  } named[] = {
      {{"--bogus"}, "unknown option --bogus"},      {{"--bogus", "1"}, "unknown option --bogus"},
      {{"--port", "1", "-x"}, "unknown option -x"}, {{"--port"}, "--port needs a value"},
      {{"--add-user"}, "--add-user needs a value"}, {{"--port", "x"}, "bad value for --port: x"},
  };
  for (const auto& c : named) {
    HostdOptions o;
    std::string error;
    EXPECT_FALSE(ParseHostdOptions(c.args, platform::Profile(), &o, &error)) << c.args[0];
    EXPECT_EQ(error, c.error);
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

TEST(HostdOptions, TheSignOnBudget) {
  struct Case {
    std::vector<std::string> args;
    const char* settings;
    int limit, early, perAddress, timeoutMs;  // limit 0: refused
  } cases[] = {
      {{}, "", 32, 16, 8, 5000},
      {{"--sign-on-limit", "10"}, "", 10, 5, 8, 5000},
      {{"--sign-on-limit", "4"}, "", 4, 2, 4, 5000},
      {{"--sign-on-limit", "1"}, "", 1, 1, 1, 5000},
      {{"--sign-on-early", "32", "--sign-on-per-address", "32"}, "", 32, 32, 32, 5000},
      {{"--sign-on-timeout", "2"}, "", 32, 16, 8, 2000},
      {{},
       "[Hostd]\nSignOnLimit=100\nSignOnEarly=60\nSignOnPerAddress=20\nSignOnTimeout=9\n",
       100,
       60,
       20,
       9000},
      {{"--sign-on-per-address", "2"}, "[Hostd]\nSignOnPerAddress=20\n", 32, 16, 2, 5000},
      {{}, "[Hostd]\nSignOnTimeout=0\n", 32, 16, 8, 5000},  // out of range: the default
      {{"--sign-on-early", "33"}, "", 0, 0, 0, 0},
      {{"--sign-on-limit", "8", "--sign-on-per-address", "9"}, "", 0, 0, 0, 0},
      {{"--sign-on-limit", "0"}, "", 0, 0, 0, 0},
      {{"--sign-on-timeout", "0"}, "", 0, 0, 0, 0},
      {{"--sign-on-timeout", "3601"}, "", 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? c.settings : c.args[0] + " " + c.args[1]);
    HostdOptions o;
    std::string error;
    const bool ok = ParseHostdOptions(c.args, platform::Profile::FromText(c.settings), &o, &error);
    ASSERT_EQ(ok, c.limit != 0) << error;
    if (!ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(o.server.budget.maxSigningOn, c.limit);
    EXPECT_EQ(o.server.budget.earlySigningOn, c.early);
    EXPECT_EQ(o.server.budget.maxSigningOnPerAddress, c.perAddress);
    EXPECT_EQ(o.server.limits.signOnTimeoutMs, c.timeoutMs);
    EXPECT_EQ(o.server.budget.maxSessions, 64);
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
