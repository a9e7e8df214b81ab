// A fixture for tests against the emulated host inside the process: each
// test gets a fresh data directory (named in a settings file of its own, so
// that the embedded transport opens it on the first connect) and leaves the
// client library in its initial state.
#ifndef VANTORA_TESTS_SUPPORT_EMBEDDED_HOST_H_
#define VANTORA_TESTS_SUPPORT_EMBEDDED_HOST_H_

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "host/server/session/host.h"
#include "mv432ida.h"
#include "tests/support/test_directory.h"

namespace vantora::testing {

// `bytes` as hexadecimal text, two upper-case digits a byte: how message
// substitution values travel to QMHRTVM.
inline std::string HexText(std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

class EmbeddedHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = FreshTestDirectory("vantora-tests");
    dataDirectory_ = root_ / "host";
    std::ofstream(root_ / "MV400.INI")
        << "[General]\nNetwork=ehn\n[Host]\nDataDirectory=" << dataDirectory_.string() << "\n";
    setenv("MV400_INI", (root_ / "MV400.INI").c_str(), 1);
    VNXTerminate();  // the next session function binds the transport with these settings
  }
  void TearDown() override {
    VNXTerminate();
    std::filesystem::remove_all(root_);
  }

  // Adds a user profile to the host's data directory (the host is closed
  // while the client library is terminated).
  void AddUser(const std::string& name, const std::string& password) {
    VNXTerminate();
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::Host::Open(dataDirectory_, {}, &h).ok());
    ASSERT_TRUE(h->storage().userProfiles().Create(name, password, "test user").ok());
  }

  std::filesystem::path root_;
  std::filesystem::path dataDirectory_;
};

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_EMBEDDED_HOST_H_
