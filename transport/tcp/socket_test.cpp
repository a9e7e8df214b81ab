// Vectored sends over loopback sockets: the bytes arrive joined and in
// order whatever the pieces, through partial writes (a small send buffer and
// a slow reader), signals that interrupt the wait, a peer that stops reading
// or goes, and too many pieces.
#include "transport/tcp/socket.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace vantora::tcp {
namespace {

class SocketPair {
 public:
  SocketPair() {
    Listener listener;
    EXPECT_TRUE(listener.Open("127.0.0.1", 0, 1).ok());
    EXPECT_TRUE(Socket::Connect("127.0.0.1", listener.port(), 5000, &sender).ok());
    EXPECT_TRUE(listener.Accept(&receiver, 5000).ok());
  }
  Socket sender;
  Socket receiver;
};

// Reads until the peer closes or `expected` bytes came, pausing after each
// `pauseEvery` bytes so that the sender keeps finding its buffer full.
std::vector<uint8_t> ReadAll(Socket& s, size_t expected, size_t pauseEvery) {
  std::vector<uint8_t> got;
  got.reserve(expected);
  uint8_t buffer[3001];  // odd, so reads end at odd places
  size_t sincePause = 0;
  while (got.size() < expected) {
    IoResult r = s.Receive(buffer, sizeof buffer, 10000);
    if (!r.ok()) break;
    got.insert(got.end(), buffer, buffer + r.bytes);
    sincePause += r.bytes;
    if (pauseEvery > 0 && sincePause >= pauseEvery) {
      sincePause = 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return got;
}

// Pieces of the given sizes, each byte telling its piece and position.
struct Pieces {
  explicit Pieces(const std::vector<size_t>& sizes) {
    for (size_t p = 0; p < sizes.size(); ++p) {
      std::vector<uint8_t> bytes(sizes[p]);
      for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(p * 53 + i * 7);
      storage.push_back(std::move(bytes));
    }
    for (const auto& bytes : storage) {
      buffers.push_back({bytes.data(), bytes.size()});
      joined.insert(joined.end(), bytes.begin(), bytes.end());
    }
  }
  std::vector<std::vector<uint8_t>> storage;
  std::vector<ConstBuffer> buffers;
  std::vector<uint8_t> joined;
};

struct LayoutCase {
  const char* name;
  std::vector<size_t> sizes;
};

class VectoredSendTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(VectoredSendTest, ArrivesJoinedThroughPartialWrites) {
  SocketPair pair;
  ASSERT_TRUE(pair.sender.SetSendBufferSize(4096));
  Pieces pieces(GetParam().sizes);
  std::vector<uint8_t> got;
  std::thread reader([&] { got = ReadAll(pair.receiver, pieces.joined.size(), 64 * 1024); });
  IoResult r = pair.sender.SendAllVectored(pieces.buffers, 20000);
  reader.join();
  ASSERT_TRUE(r.ok()) << r.status << " " << r.error;
  EXPECT_EQ(r.bytes, pieces.joined.size());
  ASSERT_EQ(got.size(), pieces.joined.size());
  EXPECT_TRUE(got == pieces.joined);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, VectoredSendTest,
    ::testing::Values(
        LayoutCase{"PrefixAndReply", {4, 1 << 20}}, LayoutCase{"SmallPieces", {4, 64, 1, 100}},
        LayoutCase{"EmptyPiecesSkipped", {0, 5, 0, 300000, 0}}, LayoutCase{"AllEmpty", {0, 0}},
        LayoutCase{"EightPieces", {1, 2, 3, 70001, 4, 5, 200003, 6}},
        LayoutCase{"LargePieces", {3 << 20, (3 << 20) + 1, 17}}, LayoutCase{"OnePiece", {500000}}),
    [](const ::testing::TestParamInfo<LayoutCase>& layout) { return layout.param.name; });

TEST(SocketTest, SendAllIsOneVectoredPiece) {
  SocketPair pair;
  ASSERT_TRUE(pair.sender.SetSendBufferSize(4096));
  Pieces piece({700001});
  std::vector<uint8_t> got;
  std::thread reader([&] { got = ReadAll(pair.receiver, piece.joined.size(), 32 * 1024); });
  IoResult r = pair.sender.SendAll(piece.joined.data(), piece.joined.size(), 20000);
  reader.join();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.bytes, piece.joined.size());
  EXPECT_TRUE(got == piece.joined);
}

TEST(SocketTest, MoreThanTheMostPiecesIsRefusedBeforeSending) {
  SocketPair pair;
  std::vector<uint8_t> byte(1, 0x41);
  std::vector<ConstBuffer> buffers(kMaxSendPieces + 1, ConstBuffer{byte.data(), 1});
  IoResult r = pair.sender.SendAllVectored(buffers, 1000);
  EXPECT_EQ(r.status, IoResult::kError);
  EXPECT_EQ(r.error, EINVAL);
  uint8_t in = 0;
  EXPECT_EQ(pair.receiver.Receive(&in, 1, 100).status, IoResult::kTimeout);
  // Exactly the most is fine.
  buffers.pop_back();
  EXPECT_TRUE(pair.sender.SendAllVectored(buffers, 1000).ok());
  EXPECT_EQ(ReadAll(pair.receiver, kMaxSendPieces, 0).size(), kMaxSendPieces);
}

TEST(SocketTest, PeerThatStopsReadingTimesOut) {
  SocketPair pair;
  ASSERT_TRUE(pair.sender.SetSendBufferSize(4096));
  Pieces pieces({4, 32 << 20});
  const auto start = std::chrono::steady_clock::now();
  IoResult r = pair.sender.SendAllVectored(pieces.buffers, 300);
  EXPECT_EQ(r.status, IoResult::kTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(SocketTest, PeerThatGoesIsAnErrorNotASignal) {
  SocketPair pair;
  pair.receiver.Close();
  Pieces pieces({4, 4 << 20});
  IoResult r = pair.sender.SendAllVectored(pieces.buffers, 5000);
  EXPECT_EQ(r.status, IoResult::kError);
  EXPECT_TRUE(r.error == EPIPE || r.error == ECONNRESET) << r.error;
}

void IgnoreSignal(int) {}

TEST(SocketTest, SignalsWhileWaitingDoNotCutTheSend) {
  // No SA_RESTART: every signal interrupts the wait (EINTR) and the send
  // must carry on where it was.
  struct sigaction action {};
  struct sigaction previous {};
  action.sa_handler = IgnoreSignal;
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

  SocketPair pair;
  ASSERT_TRUE(pair.sender.SetSendBufferSize(4096));
  Pieces pieces({4, 2 << 20, 9});
  std::atomic<bool> sending{true};
  const pthread_t sender = pthread_self();
  std::thread interrupter([&] {
    while (sending) {
      pthread_kill(sender, SIGUSR1);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  std::vector<uint8_t> got;
  std::thread reader([&] { got = ReadAll(pair.receiver, pieces.joined.size(), 16 * 1024); });
  IoResult r = pair.sender.SendAllVectored(pieces.buffers, 20000);
  sending = false;
  interrupter.join();
  reader.join();
  sigaction(SIGUSR1, &previous, nullptr);
  ASSERT_TRUE(r.ok()) << r.status << " " << r.error;
  EXPECT_TRUE(got == pieces.joined);
}

}  // namespace
}  // namespace vantora::tcp
