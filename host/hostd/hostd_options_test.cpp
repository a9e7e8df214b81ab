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

}  // namespace
}  // namespace vantora::hostd
