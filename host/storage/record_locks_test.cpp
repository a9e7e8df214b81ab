#include "host/storage/record_locks.h"

#include <gtest/gtest.h>

#include <thread>

namespace vantora::host {
namespace {

using std::chrono::milliseconds;

TEST(RecordLocksTest, SameJobHoldsRepeatedlyOtherJobWaitsThenFails) {
  RecordLocks locks;
  ASSERT_TRUE(locks.Lock(1, 5, 10, milliseconds(0)).ok());
  ASSERT_TRUE(locks.Lock(1, 5, 10, milliseconds(0)).ok());
  EXPECT_TRUE(locks.Lock(1, 6, 20, milliseconds(0)).ok()) << "other records are free";
  EXPECT_TRUE(locks.Lock(2, 5, 20, milliseconds(0)).ok()) << "other files are free";
  auto start = std::chrono::steady_clock::now();
  Status s = locks.Lock(1, 5, 20, milliseconds(30));
  EXPECT_EQ(s.code(), StatusCode::kRecordInUse);
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(30));
  locks.Unlock(1, 5, 10);
  EXPECT_EQ(locks.Holder(1, 5), 10) << "one hold is left";
  locks.Unlock(1, 5, 10);
  EXPECT_EQ(locks.Holder(1, 5), 0);
}

TEST(RecordLocksTest, WaiterGetsTheRecordWhenReleased) {
  RecordLocks locks;
  ASSERT_TRUE(locks.Lock(1, 1, 10, milliseconds(0)).ok());
  Status waited;
  std::thread other([&] { waited = locks.Lock(1, 1, 20, milliseconds(10000)); });
  std::this_thread::sleep_for(milliseconds(30));
  locks.Unlock(1, 1, 10);
  other.join();
  EXPECT_TRUE(waited.ok()) << waited.ToString();
  EXPECT_EQ(locks.Holder(1, 1), 20);
}

TEST(RecordLocksTest, CommitHoldsOutliveUnlockUntilReleased) {
  RecordLocks locks;
  ASSERT_TRUE(locks.Lock(1, 1, 10, milliseconds(0)).ok());
  locks.HoldForCommit(1, 1, 10);
  locks.Unlock(1, 1, 10);
  EXPECT_EQ(locks.Holder(1, 1), 10);
  locks.ReleaseCommitHolds(10);
  EXPECT_EQ(locks.Holder(1, 1), 0);
}

TEST(RecordLocksTest, EndingAJobWakesItsWaiters) {
  RecordLocks locks;
  ASSERT_TRUE(locks.Lock(1, 1, 10, milliseconds(0)).ok());
  ASSERT_TRUE(locks.Lock(1, 2, 10, milliseconds(0)).ok());
  locks.HoldForCommit(1, 2, 10);
  Status waited;
  std::thread other([&] { waited = locks.Lock(1, 2, 20, milliseconds(10000)); });
  std::this_thread::sleep_for(milliseconds(30));
  locks.EndJob(10);
  other.join();
  EXPECT_TRUE(waited.ok());
  EXPECT_EQ(locks.Holder(1, 1), 0);
}

}  // namespace
}  // namespace vantora::host
