// The fixture of the tests that kill vantora-hostd and start it again on the
// same data directory: a directory of the test's own with a data directory
// in it, signed on as ALICE/secret through the environment, and a server
// child process the client library is pointed at. TearDown ends the client
// library's sessions, stops a server still running and removes the
// directory.
#ifndef VANTORA_TESTS_SUPPORT_RESTARTED_HOST_H_
#define VANTORA_TESTS_SUPPORT_RESTARTED_HOST_H_

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mv432ida.h"
#include "tests/support/hostd_process.h"
#include "tests/support/test_directory.h"

namespace vantora::testing {

class RestartedHostTest : public ::testing::Test {
 protected:
  // The user the sessions sign on as; the data directory must hold it.
  static constexpr char kUser[] = "ALICE";
  static constexpr char kPassword[] = "secret";

  // Makes the test's directory under `group`; call first in SetUp.
  void MakeDirectories(const std::string& group) {
    root_ = FreshTestDirectory(group);
    data_ = root_ / "host";
    setenv("VANTORA_USER", kUser, 1);
    setenv("VANTORA_PASSWORD", kPassword, 1);
  }

  void TearDown() override {
    VNXTerminate();
    unsetenv("VANTORA_USER");
    unsetenv("VANTORA_PASSWORD");
    if (server_.running()) {
      EXPECT_EQ(server_.Stop(), 0);
    }
    std::filesystem::remove_all(root_);
  }

  // Starts the server on the data directory with `options` and points the
  // client library at it with `extraSettings` appended to the settings file
  // (the next session function binds the transport anew).
  void StartServer(const std::vector<std::string>& options = {},
                   const std::string& extraSettings = "") {
    ASSERT_TRUE(server_.Start(data_, root_ / "hostd.log", options));
    std::ofstream(root_ / "MV400.INI")
        << "[General]\nNetwork=tcp\nLocation=127.0.0.1:" << server_.port()
        << "\n[Tcp]\nConnectTimeout=5\nReceiveTimeout=20\n"
        << extraSettings;
    setenv("MV400_INI", (root_ / "MV400.INI").c_str(), 1);
    VNXTerminate();
  }

  std::filesystem::path root_;
  std::filesystem::path data_;
  HostdProcess server_;
};

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_RESTARTED_HOST_H_
