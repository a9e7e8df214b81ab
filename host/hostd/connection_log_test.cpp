#include "host/hostd/connection_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantora::hostd {
namespace {

using host::LogLevel;
using std::chrono::milliseconds;

class ConnectionLogTest : public ::testing::Test {
 protected:
  ConnectionLog log_{[this](LogLevel, const std::string& line) { lines_.push_back(line); },
                     milliseconds(5000)};
  std::vector<std::string> lines_;
  ConnectionLog::Clock::time_point t0_ = ConnectionLog::Clock::now();
};

TEST_F(ConnectionLogTest, AFloodIsOneLineAtOnceAndOneWhenThePeriodEnds) {
  for (int i = 0; i < 200; ++i) {
    log_.Note(LogLevel::kInfo, "127.0.0.2", "127.0.0.2:" + std::to_string(40000 + i),
              "refused, busy", t0_ + milliseconds(i));
  }
  ASSERT_EQ(lines_, std::vector<std::string>{"127.0.0.2:40000: refused, busy"});
  log_.Flush(t0_ + milliseconds(4999));
  EXPECT_EQ(lines_.size(), 1u);  // the period has not ended
  log_.Flush(t0_ + milliseconds(5000));
  ASSERT_EQ(lines_.size(), 2u);
  EXPECT_EQ(lines_[1], "127.0.0.2: 199 more connections within 5 s: refused, busy");
  log_.Flush(t0_ + milliseconds(20000));
  EXPECT_EQ(lines_.size(), 2u);  // nothing counted twice
  // A new period starts with a line of its own.
  log_.Note(LogLevel::kInfo, "127.0.0.2", "127.0.0.2:50000", "refused, busy",
            t0_ + milliseconds(20001));
  EXPECT_EQ(lines_.back(), "127.0.0.2:50000: refused, busy");
}

TEST_F(ConnectionLogTest, KindsAndAddressesAreCountedApart) {
  log_.Note(LogLevel::kInfo, "10.0.0.1", "10.0.0.1:1", "no handshake in time", t0_);
  log_.Note(LogLevel::kInfo, "10.0.0.1", "10.0.0.1:2", "no handshake in time", t0_);
  log_.Note(LogLevel::kInfo, "10.0.0.2", "10.0.0.2:3", "no handshake in time", t0_);
  log_.Note(LogLevel::kWarning, "10.0.0.1", "10.0.0.1:4", "not a Vantora client", t0_);
  log_.Note(LogLevel::kInfo, "10.0.0.3", "10.0.0.3:5", "alone", t0_);
  EXPECT_EQ(lines_.size(), 4u);
  log_.Flush(t0_ + milliseconds(100), true);  // stopping: every period ends
  ASSERT_EQ(lines_.size(), 5u);
  EXPECT_EQ(lines_[4], "10.0.0.1: 1 more connection within 5 s: no handshake in time");
}

}  // namespace
}  // namespace vantora::hostd
