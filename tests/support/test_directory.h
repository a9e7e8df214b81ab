// A fresh, empty directory for the running test:
// TempDir/<group>/<suite>.<test>.<pid>, so that tests run in parallel (and
// by several processes) never share one.
#ifndef VANTORA_TESTS_SUPPORT_TEST_DIRECTORY_H_
#define VANTORA_TESTS_SUPPORT_TEST_DIRECTORY_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace vantora::testing {

inline std::filesystem::path FreshTestDirectory(std::string_view group) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  // Outside a test (a suite's set-up) the directory is the suite's own.
  const std::string test = info != nullptr
                               ? std::string(info->test_suite_name()) + "." + info->name()
                               : std::string("outside-a-test");
  const auto dir = std::filesystem::path(::testing::TempDir()) / group /
                   (test + "." + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_TEST_DIRECTORY_H_
