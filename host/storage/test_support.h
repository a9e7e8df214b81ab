// Test helpers: a fresh data directory per test and shorthands for records.
#ifndef VANTORA_HOST_STORAGE_TEST_SUPPORT_H_
#define VANTORA_HOST_STORAGE_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "host/storage/storage.h"
#include "tests/support/test_directory.h"

namespace vantora::host::testing {

// A fresh directory of the running test (FreshTestDirectory; a test may
// hold several), removed with its content.
class TempDir {
 public:
  TempDir() : path_(vantora::testing::FreshTestDirectory("storage-" + std::to_string(Next()))) {}
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  static int Next() {
    static std::atomic<int> count{0};
    return count++;
  }
  std::filesystem::path path_;
};

inline StorageOptions FastOptions() {
  StorageOptions o;
  o.passwordIterations = 50;  // hashing speed is not what tests check
  return o;
}

inline std::unique_ptr<Storage> OpenStorage(const TempDir& dir) {
  std::unique_ptr<Storage> s;
  Status st = Storage::Open(dir.path(), FastOptions(), &s);
  EXPECT_TRUE(st.ok()) << st.ToString();
  return s;
}

inline Value T(std::string_view s) {
  return Value::Text(s);
}
inline Value I(int64_t v) {
  return Value::Integer(v);
}

inline ::testing::AssertionResult IsOk(const char* expr, const Status& s) {
  if (s.ok()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << expr << ": " << s.ToString();
}
inline ::testing::AssertionResult HasCode(const char* expr, const char*, const Status& s,
                                          StatusCode code) {
  if (s.code() == code) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << expr << ": " << s.ToString() << " (expected " << MessageIdOf(code) << ", code "
         << static_cast<int>(code) << ")";
}

#define ASSERT_OK(expr) ASSERT_PRED_FORMAT1(::vantora::host::testing::IsOk, expr)
#define EXPECT_OK(expr) EXPECT_PRED_FORMAT1(::vantora::host::testing::IsOk, expr)
#define EXPECT_CODE(expr, code_) \
  EXPECT_PRED_FORMAT2(::vantora::host::testing::HasCode, expr, ::vantora::host::StatusCode::code_)

}  // namespace vantora::host::testing

#endif  // VANTORA_HOST_STORAGE_TEST_SUPPORT_H_
