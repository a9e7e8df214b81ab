#include "driver/frame/handles.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantora::driver {
namespace {

struct Probe : DriverHandle {
  explicit Probe(bool* released) : DriverHandle(HandleKind::kFilter), released_(released) {}
  static bool IsKind(HandleKind k) { return k == HandleKind::kFilter; }
  void Release() override { *released_ = true; }
  bool* released_;
};

class HandleTable : public ::testing::Test {
 protected:
  void SetUp() override { SetThreadSessions(true); }  // no session switching here
  int32_t Add() { return AddHandle(std::make_unique<Probe>(&released_)); }
  void Free(int32_t n) {
    DriverHandle* h = LookUpHandle(n);
    ASSERT_NE(h, nullptr) << n;
    FreeHandle(h);
  }
  bool released_ = false;
};

TEST_F(HandleTable, NumbersStartAtOneAndFreedNumbersComeBackLastFirst) {
  const int32_t base = LiveHandleCount();
  ASSERT_EQ(base, 0);
  EXPECT_EQ(Add(), 1);
  EXPECT_EQ(Add(), 2);
  EXPECT_EQ(Add(), 3);
  Free(3);
  EXPECT_TRUE(released_);
  EXPECT_EQ(Add(), 3);
  Free(1);
  Free(2);
  EXPECT_EQ(Add(), 2);
  EXPECT_EQ(Add(), 1);
  EXPECT_EQ(Add(), 4);
  for (int32_t n : {1, 2, 3, 4}) Free(n);
  EXPECT_EQ(LiveHandleCount(), 0);
}

TEST_F(HandleTable, NumbersNeverHandedOutOrFreedFindNothing) {
  const int32_t n = Add();
  for (int32_t bad : {0, -1, n + 1, 100000, INT32_MIN}) EXPECT_EQ(LookUpHandle(bad), nullptr);
  EXPECT_NE(LookUp<Probe>(n), nullptr);
  Free(n);
  EXPECT_EQ(LookUpHandle(n), nullptr);
  EXPECT_EQ(LookUp<Probe>(n), nullptr);
}

TEST_F(HandleTable, GrowsAndKeepsEveryEntry) {
  std::vector<int32_t> numbers;
  for (int i = 0; i < 2000; ++i) numbers.push_back(Add());
  for (int i = 0; i < 2000; ++i) {
    ASSERT_EQ(numbers[i], i + 1);
    ASSERT_EQ(LookUpHandle(numbers[i])->number, numbers[i]);
  }
  int visited = 0;
  ForEachHandle([&](DriverHandle*) { ++visited; });
  EXPECT_EQ(visited, 2000);
  for (int32_t n : numbers) Free(n);
  EXPECT_EQ(LiveHandleCount(), 0);
}

}  // namespace
}  // namespace vantora::driver
