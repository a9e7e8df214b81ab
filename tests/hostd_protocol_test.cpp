// vantora-hostd against hostile input sent over raw sockets: every case
// ends with a refusal or a closed connection, and the server goes on serving
// a well-behaved client afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "protocol/byte_order.h"
#include "tests/support/hostd_process.h"
#include "tests/support/raw_client.h"
#include "tests/support/test_directory.h"

namespace vantora::testing {
namespace {

using tcp::FrameKind;
using tcp::FrameRefusal;

class HostdProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = FreshTestDirectory("vantora-hostd-tests");
    ASSERT_TRUE(AddHostUser(root_ / "host", "ALICE", "secret"));
  }
  void TearDown() override {
    if (server_.running()) {
      ExpectServesAWellBehavedClient();
      EXPECT_EQ(server_.Stop(), 0);
    }
    std::filesystem::remove_all(root_);
  }
  void Start(std::vector<std::string> args = {}) {
    ASSERT_TRUE(server_.Start(root_ / "host", root_ / "hostd.log", std::move(args)));
  }

  // Opens a session over a raw connection.
  void OpenSession(RawClient& c) {
    ASSERT_TRUE(c.Connect(server_.port()));
    ASSERT_TRUE(c.SendHello("ALICE", "secret"));
    RawFrame f;
    ASSERT_TRUE(c.Next(&f));
    ASSERT_EQ(f.kind, FrameKind::kWelcome);
    ASSERT_TRUE(c.Send(SessionOpenFrames("", "")));
    ASSERT_TRUE(c.Next(&f));
    ASSERT_EQ(f.kind, FrameKind::kReply);
    ASSERT_EQ(ReplyResult(f), 1);
  }

  // Sends `bytes` after the handshake (or instead of it) and expects a
  // refusal for `reason`, then the end of the connection.
  void ExpectRefused(const std::vector<uint8_t>& bytes, FrameRefusal reason, bool afterOpen) {
    RawClient c;
    if (afterOpen) {
      OpenSession(c);
    } else {
      ASSERT_TRUE(c.Connect(server_.port()));
    }
    c.Send(bytes);  // the server may close before it has read everything
    std::vector<RawFrame> frames;
    EXPECT_TRUE(c.ClosedWithin(5000, &frames));
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back().kind, FrameKind::kRefusal);
    EXPECT_EQ(frames.back().refusal(), static_cast<uint32_t>(reason));
  }

  void ExpectServesAWellBehavedClient() {
    RawClient c;
    OpenSession(c);
    int32_t version = 0;
    ASSERT_TRUE(c.Send(RequestFrames(0x012E, {ArgWord(4), ArgWord(&version)})));
    RawFrame f;
    ASSERT_TRUE(c.Next(&f));
    EXPECT_EQ(f.kind, FrameKind::kReply);
    EXPECT_EQ(ReplyResult(f), 1);
  }

  static std::vector<uint8_t> Frame(uint8_t kind, uint32_t length, size_t bytes, uint8_t fill = 0) {
    std::vector<uint8_t> f(tcp::kPrefixSize + bytes, fill);
    f[0] = kind;
    f[1] = static_cast<uint8_t>(length >> 16);
    f[2] = static_cast<uint8_t>(length >> 8);
    f[3] = static_cast<uint8_t>(length);
    return f;
  }

  std::filesystem::path root_;
  HostdProcess server_;
};

TEST_F(HostdProtocolTest, RefusesWhatIsNotAVantoraHandshake) {
  Start();
  const std::string http = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
  ExpectRefused(std::vector<uint8_t>(http.begin(), http.end()), FrameRefusal::kBadHello, false);
  std::vector<uint8_t> hello = tcp::EncodeHello({});
  hello[tcp::kPrefixSize] = 'X';  // wrong magic
  ExpectRefused(hello, FrameRefusal::kBadHello, false);
  tcp::Hello future;
  future.version = 99;
  ExpectRefused(tcp::EncodeHello(future), FrameRefusal::kBadHello, false);
  ExpectRefused(Frame(0x01, 0xFFFFFF, 10), FrameRefusal::kBadHello, false);  // oversize hello
  ExpectRefused(SessionOpenFrames("ALICE", "secret"), FrameRefusal::kBadHello, false);  // no hello
}

TEST_F(HostdProtocolTest, RefusesMalformedFramesAfterTheHandshake) {
  Start();
  ExpectRefused(Frame(0x03, 5000, 100), FrameRefusal::kProtocolError, true);  // oversize part
  ExpectRefused(Frame(0x03, 10, 10), FrameRefusal::kProtocolError, true);   // shorter than a header
  ExpectRefused(Frame(0x04, 0, 0), FrameRefusal::kProtocolError, true);     // empty part
  ExpectRefused(Frame(0x05, 64, 64), FrameRefusal::kProtocolError, true);   // a reply, to a server
  ExpectRefused(Frame(0x77, 1, 1), FrameRefusal::kProtocolError, true);     // unknown kind
  ExpectRefused(tcp::EncodeHello({}), FrameRefusal::kProtocolError, true);  // a second hello
  ExpectRefused(Frame(0x04, 10, 10), FrameRefusal::kProtocolError,
                true);  // continuation out of turn
  // A header announcing more data than the decoder allows.
  std::vector<uint8_t> huge = Frame(0x03, 64, 64);
  wire::StoreLeI32(huge.data() + 4 + wire::kHdrCode, 0x014F);
  wire::StoreLeI32(huge.data() + 4 + wire::kHdrLength, 0x7FFFFFF0);
  wire::StoreLeI32(huge.data() + 4 + wire::kHdrSlots, 0x7FFFFFF0);
  ExpectRefused(huge, FrameRefusal::kBadRequest, true);
  // The first part of a new request while the last one is still coming.
  std::vector<uint8_t> big(9000, 1);
  auto echo =
      RequestFrames(0x014F, {ArgWord(9000), ArgWord(big.data()), ArgWord(9000), ArgWord(1)});
  // The first frame twice, copied into a vector sized once (GCC 12 at -O3
  // reports bounds that are not crossed when it grows by an insert).
  const auto first = echo.begin() + 4 + 4096;
  std::vector<uint8_t> twice(2 * (4 + 4096));
  std::copy(echo.begin(), first, twice.begin());
  std::copy(echo.begin(), first, twice.begin() + 4 + 4096);
  ExpectRefused(twice, FrameRefusal::kProtocolError, true);
}

TEST_F(HostdProtocolTest, AnswersABadSessionOpenAndCloses) {
  Start();
  {
    RawClient c;
    ASSERT_TRUE(c.Connect(server_.port()));
    ASSERT_TRUE(c.SendHello());
    RawFrame f;
    ASSERT_TRUE(c.Next(&f));
    ASSERT_TRUE(c.Send(SessionOpenFrames("ALICE", "secret", "NOTVNTR ")));
    std::vector<RawFrame> frames;
    EXPECT_TRUE(c.ClosedWithin(5000, &frames));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].kind, FrameKind::kReply);
    EXPECT_EQ(ReplyResult(frames[0]), -1);
  }
  {
    RawClient c;  // wrong password: answered, then closed (no second guess)
    ASSERT_TRUE(c.Connect(server_.port()));
    ASSERT_TRUE(c.SendHello());
    RawFrame f;
    ASSERT_TRUE(c.Next(&f));
    ASSERT_TRUE(c.Send(SessionOpenFrames("ALICE", "guess")));
    std::vector<RawFrame> frames;
    EXPECT_TRUE(c.ClosedWithin(5000, &frames));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(ReplyResult(frames[0]), -1);
  }
  // A request before the session is open.
  int32_t version = 0;
  RawClient c;
  ASSERT_TRUE(c.Connect(server_.port()));
  ASSERT_TRUE(c.SendHello());
  RawFrame f;
  ASSERT_TRUE(c.Next(&f));
  c.Send(RequestFrames(0x012E, {ArgWord(4), ArgWord(&version)}));
  std::vector<RawFrame> frames;
  EXPECT_TRUE(c.ClosedWithin(5000, &frames));
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back().refusal(), static_cast<uint32_t>(FrameRefusal::kBadRequest));
  EXPECT_EQ(server_.Log().find("guess"), std::string::npos);
}

TEST_F(HostdProtocolTest, EndsTruncatedFramesAndIdleConnections) {
  Start({"--idle-timeout", "1"});
  {
    RawClient c;  // a truncated part, then gone
    OpenSession(c);
    c.Send(Frame(0x03, 200, 50));
  }
  EXPECT_TRUE(server_.WaitForLog("connection lost in the middle of a request"));
  RawClient stalled;  // a truncated part, then silence
  OpenSession(stalled);
  stalled.Send(Frame(0x03, 200, 50));
  RawClient idle;
  OpenSession(idle);
  for (RawClient* c : {&stalled, &idle}) {
    std::vector<RawFrame> frames;
    EXPECT_TRUE(c->ClosedWithin(5000, &frames));
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back().refusal(), static_cast<uint32_t>(FrameRefusal::kIdleLimit));
  }
  RawClient silent;  // no handshake at all: the idle limit applies too
  ASSERT_TRUE(silent.Connect(server_.port()));
  EXPECT_TRUE(silent.ClosedWithin(5000));
}

TEST_F(HostdProtocolTest, RefusesAFloodOfConnectionsBeyondTheSignOnBudget) {
  // 8 connections of one address may sign on at once (the default); the
  // others are told the server is busy.
  Start({"--max-connections", "20", "--sign-on-timeout", "30"});
  std::vector<std::unique_ptr<RawClient>> flood;
  int refused = 0;
  for (int i = 0; i < 100; ++i) {
    auto c = std::make_unique<RawClient>();
    if (!c->Connect(server_.port())) continue;
    flood.push_back(std::move(c));
  }
  for (auto& c : flood) {
    RawFrame f;
    if (c->Next(&f, 300) && f.kind == FrameKind::kRefusal &&
        f.refusal() == static_cast<uint32_t>(FrameRefusal::kBusy)) {
      ++refused;
    }
  }
  EXPECT_EQ(refused, 92);
  flood.clear();
  // The slots come back as the flood goes away.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  bool served = false;
  while (!served && std::chrono::steady_clock::now() < deadline) {
    RawClient c;
    ASSERT_TRUE(c.Connect(server_.port()));
    ASSERT_TRUE(c.SendHello("ALICE", "secret"));
    RawFrame f;
    served = c.Next(&f) && f.kind == FrameKind::kWelcome;
    if (!served) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(served);
}

TEST_F(HostdProtocolTest, SurvivesRandomBytes) {
  Start();
  std::mt19937 random(2026);
  for (int i = 0; i < 40; ++i) {
    RawClient c;
    if (i % 4 == 0) {  // after a session open (not every time: it authenticates)
      OpenSession(c);
    } else {
      ASSERT_TRUE(c.Connect(server_.port()));
    }
    std::vector<uint8_t> junk(1 + random() % 300);
    for (auto& b : junk) b = static_cast<uint8_t>(random());
    if (i % 3 == 0) junk[0] = static_cast<uint8_t>(0x03 + random() % 2);  // a plausible kind
    c.Send(junk);
    // Either refused and closed, or still waiting for the rest of a frame.
    RawFrame f;
    while (c.Next(&f, 150)) {
      EXPECT_TRUE(f.kind == FrameKind::kRefusal || f.kind == FrameKind::kReply);
    }
  }
  EXPECT_TRUE(server_.running());
}

TEST_F(HostdProtocolTest, StopsOnSigintTellingItsClients) {
  Start();
  RawClient c;
  OpenSession(c);
  EXPECT_EQ(server_.Signal(SIGINT), 0);
  std::vector<RawFrame> frames;
  EXPECT_TRUE(c.ClosedWithin(5000, &frames));
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back().refusal(), static_cast<uint32_t>(FrameRefusal::kStopping));
  const std::string log = server_.Log();
  EXPECT_NE(log.find("stopping on SIGINT"), std::string::npos) << log;
  EXPECT_NE(log.find("session end"), std::string::npos) << log;
}

TEST_F(HostdProtocolTest, CommandLine) {
  const std::string hostd = HOSTD_PATH;
  const std::string data = (root_ / "host").string();
  auto run = [](const std::string& command) {
    int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run(hostd + " --help"), 0);
  EXPECT_EQ(run(hostd + " --port 99999"), 2);
  EXPECT_EQ(run(hostd + " --bogus"), 2);
  // Plain TCP beyond loopback only when asked for; nothing is listened on.
  EXPECT_EQ(run(hostd + " --data-dir " + data + " --port 0 --listen 0.0.0.0"), 2);
  EXPECT_EQ(run(hostd + " --data-dir " + data + " --port 0 --listen :: --tls-required"), 2);
  EXPECT_EQ(run(hostd + " --data-dir " + data + " --tls-cert " + data + "/none.pem --tls-key " +
                data + "/none.key"),
            1);  // files that cannot be read
  // No password in the environment and no terminal to ask on.
  EXPECT_EQ(run("env -u VANTORA_PASSWORD " + hostd + " --data-dir " + data +
                " --add-user BOB </dev/null"),
            2);
  EXPECT_EQ(run("VANTORA_PASSWORD=bobpw " + hostd + " --data-dir " + data + " --add-user BOB"), 0);
  Start();
  RawClient c;
  ASSERT_TRUE(c.Connect(server_.port()));
  ASSERT_TRUE(c.SendHello("BOB", "bobpw"));
  RawFrame f;
  ASSERT_TRUE(c.Next(&f));
  ASSERT_TRUE(c.Send(SessionOpenFrames("", "")));
  ASSERT_TRUE(c.Next(&f));
  EXPECT_EQ(ReplyResult(f), 1);
  EXPECT_EQ(server_.Log().find("bobpw"), std::string::npos);
}

}  // namespace
}  // namespace vantora::testing
