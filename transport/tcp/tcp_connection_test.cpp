#include "transport/tcp/tcp_connection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "transport/tcp/hello.h"

namespace vantora::tcp {
namespace {

using Clock = std::chrono::steady_clock;

// A server that answers the first `busy` connections with a busy refusal
// (-1: every one), then welcomes the next.
class BusyServer {
 public:
  explicit BusyServer(int busy) {
    EXPECT_TRUE(listener_.Open("127.0.0.1", 0, 16).ok());
    thread_ = std::thread([this, busy] {
      while (!stop_) {
        Socket s;
        if (!listener_.Accept(&s, 100).ok()) continue;
        // Counted by connections, not by waits: a wait that times out
        // between two tries must not shorten the busy spell.
        const int n = accepted_++;
        if (busy < 0 || n < busy) {
          auto refusal = EncodeRefusal(FrameRefusal::kBusy, "busy");
          s.SendAll(refusal.data(), refusal.size(), 1000);
          continue;
        }
        uint8_t hello[512];
        s.Receive(hello, sizeof hello, 5000);
        auto welcome = EncodeWelcome(0x00070500);
        s.SendAll(welcome.data(), welcome.size(), 1000);
        while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    });
  }
  ~BusyServer() {
    stop_ = true;
    listener_.Wake();
    thread_.join();
  }
  uint16_t port() const { return listener_.port(); }
  int accepted() const { return accepted_; }

 private:
  Listener listener_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
};

TcpSettings To(uint16_t port, int connectTimeoutMs) {
  TcpSettings s;
  s.host = "127.0.0.1";
  s.port = port;
  s.connectTimeoutMs = connectTimeoutMs;
  return s;
}

TEST(TcpConnection, TriesABusyServerAgain) {
  BusyServer server(3);
  Connection c;
  ASSERT_TRUE(c.Open(To(server.port(), 10000), "P", false)) << c.primary() << "/" << c.secondary();
  EXPECT_FALSE(c.broken());
  EXPECT_EQ(server.accepted(), 4);
}

TEST(TcpConnection, GivesUpOnABusyServerWithinTheConnectLimit) {
  BusyServer server(-1);
  Connection c;
  const auto start = Clock::now();
  EXPECT_FALSE(c.Open(To(server.port(), 1000), "P", false));
  EXPECT_LE(Clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(c.primary(), kRefusedByHost);
  EXPECT_EQ(c.secondary(), static_cast<int32_t>(FrameRefusal::kBusy));
  // 20, 40, 80, 160, 320 ms pauses and their jitter fit at most 6 tries in
  // a second (fewer on a busy machine).
  EXPECT_GE(server.accepted(), 2);
  EXPECT_LE(server.accepted(), 7);
}

TEST(TcpConnection, DoesNotTryAgainWhenEverySessionPlaceIsTaken) {
  Listener listener;
  ASSERT_TRUE(listener.Open("127.0.0.1", 0, 4).ok());
  std::atomic<int> accepted{0};
  std::thread server([&] {
    for (int i = 0; i < 20; ++i) {
      Socket s;
      if (!listener.Accept(&s, 100).ok()) continue;
      ++accepted;
      auto refusal = EncodeRefusal(FrameRefusal::kTooManyConnections, "full");
      s.SendAll(refusal.data(), refusal.size(), 1000);
    }
  });
  Connection c;
  EXPECT_FALSE(c.Open(To(listener.port(), 5000), "P", false));
  EXPECT_EQ(c.primary(), kRefusedByHost);
  EXPECT_EQ(c.secondary(), static_cast<int32_t>(FrameRefusal::kTooManyConnections));
  server.join();
  EXPECT_EQ(accepted.load(), 1);
}

}  // namespace
}  // namespace vantora::tcp
