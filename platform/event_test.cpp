#include "platform/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace vantora::platform {
namespace {

using namespace std::chrono_literals;

TEST(ManualResetEvent, StaysSetUntilReset) {
  ManualResetEvent event(true);
  EXPECT_TRUE(event.WaitFor(0ms));
  EXPECT_TRUE(event.WaitFor(0ms));
  event.Reset();
  EXPECT_FALSE(event.IsSet());
  EXPECT_FALSE(event.WaitFor(10ms));
}

TEST(ManualResetEvent, SetReleasesEveryWaiter) {
  ManualResetEvent event(false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i) {
    waiters.emplace_back([&] {
      event.Wait();
      released.fetch_add(1);
    });
  }
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(released.load(), 0);
  event.Set();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(released.load(), 4);
  EXPECT_TRUE(event.IsSet());
}

}  // namespace
}  // namespace vantora::platform
