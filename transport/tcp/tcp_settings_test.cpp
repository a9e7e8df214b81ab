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

// Each of the environment's two wins over its setting on its own: the
// first steps of the setup tool name the user in Tcp/User and the password
// in VANTORA_PASSWORD.
TEST(TcpSettings, EnvironmentCredentialsWin) {
  const struct {
    const char* user;      // VANTORA_USER, null: unset
    const char* password;  // VANTORA_PASSWORD, null: unset
    const char* settings;
    const char* wantUser;
    const char* wantPassword;
  } cases[] = {
      {"carol", "secret", "[Tcp]\nUser=bob\nPassword=pw\n", "carol", "secret"},
      {nullptr, "secret", "[Tcp]\nUser=bob\n", "bob", "secret"},
      {nullptr, "secret", "[Tcp]\nUser=bob\nPassword=pw\n", "bob", "secret"},
      {"carol", nullptr, "[Tcp]\nUser=bob\nPassword=pw\n", "carol", ""},
      {nullptr, nullptr, "[Tcp]\nUser=bob\nPassword=pw\n", "bob", "pw"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.settings) + (c.user ? c.user : "-") + (c.password ? "/pw" : ""));
    if (c.user)
      setenv("VANTORA_USER", c.user, 1);
    else
      unsetenv("VANTORA_USER");
    if (c.password)
      setenv("VANTORA_PASSWORD", c.password, 1);
    else
      unsetenv("VANTORA_PASSWORD");
    TcpSettings s = ReadTcpSettings(platform::Profile::FromText(c.settings), nullptr);
    EXPECT_EQ(s.user, c.wantUser);
    EXPECT_EQ(s.password, c.wantPassword);
  }
  unsetenv("VANTORA_USER");
  unsetenv("VANTORA_PASSWORD");
}

}  // namespace
}  // namespace vantora::tcp
