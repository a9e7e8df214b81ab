// Failed sign-ons slowed down: the delays' growth and reset with a clock of
// the test's own, then sessions of the host signing on while a failed one
// waits, the log lines, and a real wait that a stopping server ends.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/server/server_session.h"
#include "host/server/session/host.h"
#include "host/server/session/sign_on_delays.h"
#include "host/storage/test_support.h"
#include "tests/support/raw_client.h"
#include "tests/support/test_directory.h"

namespace vantora::testing {
namespace {

using std::chrono::milliseconds;

TEST(SignOnDelays, GrowFromTheSecondFailureToTheCapAndStartAgainOnSuccess) {
  std::vector<milliseconds> waited;
  host::SignOnDelayPolicy policy;
  policy.wait = [&](milliseconds d) { waited.push_back(d); };
  host::SignOnDelays delays(policy);
  const int64_t expected[] = {0, 250, 500, 1000, 2000, 4000, 8000, 8000, 8000};
  int n = 0;
  for (int64_t want : expected) {
    int failures = 0;
    const milliseconds d = delays.Failed("ALICE", &failures);
    EXPECT_EQ(failures, ++n);
    EXPECT_EQ(d.count(), want) << "failure " << n;
    delays.Wait(d);
  }
  // Waits of 0 are not waited at all.
  ASSERT_EQ(waited.size(), std::size(expected) - 1);
  EXPECT_EQ(waited.front().count(), 250);
  EXPECT_EQ(waited.back().count(), 8000);
  // Another profile has a count of its own.
  int failures = 0;
  EXPECT_EQ(delays.Failed("BOB", &failures).count(), 0);
  EXPECT_EQ(failures, 1);
  delays.Succeeded("ALICE");
  EXPECT_EQ(delays.Failures("ALICE"), 0);
  EXPECT_EQ(delays.Failed("ALICE", &failures).count(), 0);
  EXPECT_EQ(delays.Failed("ALICE", &failures).count(), 250);
  EXPECT_EQ(delays.Failures("BOB"), 1);
  EXPECT_EQ(delays.DelayAfter(1'000'000).count(), 8000);  // no overflow
}

TEST(SignOnDelays, FollowThePolicy) {
  host::SignOnDelayPolicy policy;
  policy.base = milliseconds(10);
  policy.cap = milliseconds(35);
  host::SignOnDelays delays(policy);
  const int64_t expected[] = {0, 0, 10, 20, 35, 35};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(delays.DelayAfter(i).count(), expected[i]) << i;
}

TEST(SignOnDelays, StopWaitsEndsARealWait) {
  host::SignOnDelays delays;
  const auto start = std::chrono::steady_clock::now();
  std::thread waiting([&] { delays.Wait(milliseconds(8000)); });
  std::this_thread::sleep_for(milliseconds(50));
  delays.StopWaits();
  waiting.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  delays.Wait(milliseconds(8000));  // at once, after the stop
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

// Sessions of a host whose delays wait on a gate the test opens.
class SignOnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = FreshTestDirectory("vantora-sign-on-tests");
    host::HostOptions options;
    options.storage = host::testing::FastOptions();
    options.log = [this](host::LogLevel, std::string_view line) {
      std::lock_guard lock(mutex_);
      log_ += std::string(line) + "\n";
    };
    options.signOnDelays.wait = [this](milliseconds d) {
      std::unique_lock lock(mutex_);
      waits_.push_back(d);
      changed_.notify_all();
      changed_.wait(lock, [this] { return open_; });
    };
    ASSERT_TRUE(host::Host::Open(dir_ / "host", std::move(options), &host_).ok());
    auto& profiles = host_->storage().userProfiles();
    ASSERT_TRUE(profiles.Create("ALICE", "secret", "").ok());
    ASSERT_TRUE(profiles.Create("BOB", "bobpw", "").ok());
  }
  void TearDown() override {
    host_.reset();
    std::filesystem::remove_all(dir_);
  }

  // The result of a session open of `user` in a new session.
  int32_t SignOn(const std::string& user, const std::string& password) {
    host::SessionOptions options;
    options.peer = "test";
    host::ServerSession session(*host_, options);
    std::vector<uint8_t> frames = SessionOpenFrames(user, password);
    // One part: the frame's payload after its 4-byte prefix.
    if (session.Feed(frames.data() + tcp::kPrefixSize, frames.size() - tcp::kPrefixSize) !=
        host::ServerSession::Outcome::kReply) {
      return 0;
    }
    std::span<const uint8_t> reply = session.Reply();
    return wire::LoadLeI32(reply.data() + wire::kHdrResult);
  }
  void OpenGate() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  // Waits until `n` delays have begun.
  bool WaitsBegun(size_t n) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return waits_.size() >= n; });
  }
  std::string Log() {
    std::lock_guard lock(mutex_);
    return log_;
  }

  std::filesystem::path dir_;
  std::unique_ptr<host::Host> host_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<milliseconds> waits_;
  bool open_ = false;
  std::string log_;
};

TEST_F(SignOnTest, AFailedSignOnWaitsWhileOtherSessionsSignOn) {
  EXPECT_EQ(SignOn("ALICE", "guess1"), -1);  // the first failure: answered at once
  std::atomic<int32_t> slowed{0};
  std::thread guesser([&] { slowed = SignOn("ALICE", "guess2"); });
  ASSERT_TRUE(WaitsBegun(1));
  // The guesser waits; other sessions, and the profile itself, sign on.
  EXPECT_EQ(SignOn("BOB", "bobpw"), 1);
  EXPECT_EQ(SignOn("alice", "secret"), 1);
  EXPECT_EQ(slowed.load(), 0);  // still waiting
  OpenGate();
  guesser.join();
  EXPECT_EQ(slowed.load(), -1);
  ASSERT_EQ(waits_.size(), 1u);
  EXPECT_EQ(waits_[0].count(), 250);
  const std::string log = Log();
  EXPECT_NE(log.find("sign-on of ALICE failed 1 time in a row (test)"), std::string::npos) << log;
  EXPECT_NE(log.find("sign-on of ALICE failed 2 times in a row; answering in 250 ms (test)"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("guess"), std::string::npos) << log;
}

TEST_F(SignOnTest, CountsPerProfileUntilASuccess) {
  OpenGate();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(SignOn("ALICE", "wrong"), -1);
  EXPECT_EQ(SignOn("BOB", "wrong"), -1);
  ASSERT_EQ(waits_.size(), 3u);
  EXPECT_EQ(waits_[2].count(), 1000);
  EXPECT_EQ(host_->signOnDelays().Failures("ALICE"), 4);
  EXPECT_EQ(host_->signOnDelays().Failures("BOB"), 1);
  EXPECT_EQ(SignOn("ALICE", "secret"), 1);
  EXPECT_EQ(host_->signOnDelays().Failures("ALICE"), 0);
  EXPECT_EQ(SignOn("ALICE", "wrong"), -1);
  EXPECT_EQ(waits_.size(), 3u);  // a first failure again
  // A name that is no profile is answered at once and counts nothing.
  EXPECT_EQ(SignOn("NOBODY", "x"), -1);
  EXPECT_EQ(SignOn("NOBODY", "x"), -1);
  EXPECT_EQ(waits_.size(), 3u);
  EXPECT_EQ(host_->signOnDelays().Failures("NOBODY"), 0);
}

}  // namespace
}  // namespace vantora::testing
