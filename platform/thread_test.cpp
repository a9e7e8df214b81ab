#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace vantora::platform {
namespace {

std::atomic<int> exitRuns{0};
std::atomic<uint32_t> lastExitThread{0};
void CountExit() {
  exitRuns.fetch_add(1);
  lastExitThread.store(CurrentThreadId());
}

TEST(Thread, IdentifiersAreNonZeroStableAndDistinct) {
  uint32_t mine = CurrentThreadId();
  EXPECT_NE(mine, 0u);
  EXPECT_EQ(CurrentThreadId(), mine);
  std::vector<uint32_t> ids(8);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) threads.emplace_back([&ids, i] { ids[i] = CurrentThreadId(); });
  for (auto& t : threads) t.join();
  std::set<uint32_t> distinct(ids.begin(), ids.end());
  distinct.insert(mine);
  EXPECT_EQ(distinct.size(), 9u);
  EXPECT_EQ(distinct.count(0), 0u);
}

TEST(Thread, ExitWorkRunsOnceOnTheEndingThread) {
  exitRuns = 0;
  uint32_t workerId = 0;
  std::thread worker([&] {
    workerId = CurrentThreadId();
    EXPECT_TRUE(RunAtThreadExit(CountExit));
    EXPECT_TRUE(RunAtThreadExit(CountExit));  // armed twice, runs once
  });
  worker.join();
  EXPECT_EQ(exitRuns.load(), 1);
  EXPECT_EQ(lastExitThread.load(), workerId);
}

TEST(Thread, CancelledExitWorkDoesNotRun) {
  exitRuns = 0;
  std::thread worker([] {
    RunAtThreadExit(CountExit);
    CancelAtThreadExit(CountExit);
  });
  worker.join();
  EXPECT_EQ(exitRuns.load(), 0);
}

}  // namespace
}  // namespace vantora::platform
