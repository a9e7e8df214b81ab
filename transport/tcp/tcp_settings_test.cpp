#include "transport/tcp/tcp_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vantora::tcp {
namespace {

TEST(SplitAddress, Forms) {
  struct Case {
    const char* text;
    bool ok;
    const char* host;
    uint16_t port;
  } cases[] = {
      {"as400", true, "as400", 1},       {"127.0.0.1:9000", true, "127.0.0.1", 9000},
      {"[::1]:8471", true, "::1", 8471}, {"[::1]", true, "::1", 1},
      {"::1", true, "::1", 1},           {"host:0", false, "", 0},
      {"host:65536", false, "", 0},      {"host:12x", false, "", 0},
      {"host:", false, "", 0},           {"[::1", false, "", 0},
      {"[::1]x", false, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string host;
    uint16_t port = 1;
    EXPECT_EQ(SplitAddress(c.text, &host, &port), c.ok);
    if (c.ok) {
      EXPECT_EQ(host, c.host);
      EXPECT_EQ(port, c.port);
    }
  }
}

TEST(TcpSettings, MachineNameWinsOverLocation) {
  unsetenv("VANTORA_USER");
  unsetenv("VANTORA_PASSWORD");
  auto profile = platform::Profile::FromText(
      "[General]\nLocation=far.example:1234\n[Tcp]\nPort=9999\nConnectTimeout=3\n"
      "ReceiveTimeout=0\nUser=bob\nPassword=pw\n");
  TcpSettings s = ReadTcpSettings(profile, "near:4321");
  EXPECT_EQ(s.host, "near");
  EXPECT_EQ(s.port, 4321);
  EXPECT_EQ(s.connectTimeoutMs, 3000);
  EXPECT_EQ(s.receiveTimeoutMs, -1);
  EXPECT_TRUE(s.hasCredentials);
  EXPECT_EQ(s.user, "bob");
  s = ReadTcpSettings(profile, "");
  EXPECT_EQ(s.host, "far.example");
  EXPECT_EQ(s.port, 1234);
  s = ReadTcpSettings(platform::Profile::FromText(""), nullptr);
  EXPECT_EQ(s.host, "localhost");
  EXPECT_EQ(s.port, kDefaultPort);
  EXPECT_EQ(s.receiveTimeoutMs, 60000);
  EXPECT_FALSE(s.hasCredentials);
}

TEST(TcpSettings, EnvironmentCredentialsWin) {
  setenv("VANTORA_USER", "carol", 1);
  setenv("VANTORA_PASSWORD", "secret", 1);
  auto profile = platform::Profile::FromText("[Tcp]\nUser=bob\nPassword=pw\n");
  TcpSettings s = ReadTcpSettings(profile, nullptr);
  EXPECT_EQ(s.user, "carol");
  EXPECT_EQ(s.password, "secret");
  unsetenv("VANTORA_USER");
  unsetenv("VANTORA_PASSWORD");
}

}  // namespace
}  // namespace vantora::tcp
