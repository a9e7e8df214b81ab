// Connections that never sign on cannot keep users out of vantora-hostd:
// they have a budget of their own (in all, and per address), a short
// sign-on time limit, and their log lines are digested. Strangers connect
// from loopback addresses of their own (127.0.0.2 and up), users from
// 127.0.0.1.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "mv432ida.h"
// Before raw_client.h: the request decoder's names would shadow its own.
#include "tests/support/restarted_host.h"
// Then:
#include "tests/support/raw_client.h"
#include "transport/tcp/frame.h"

namespace vantora::testing {
namespace {

using Clock = std::chrono::steady_clock;
using tcp::FrameKind;
using tcp::FrameRefusal;

// A connection from `from` (a loopback address) to the server that sends
// nothing unless told to.
class Stranger {
 public:
  bool Connect(const std::string& from, uint16_t port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    sockaddr_in source{};
    source.sin_family = AF_INET;
    inet_pton(AF_INET, from.c_str(), &source.sin_addr);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    return bind(fd_, reinterpret_cast<sockaddr*>(&source), sizeof source) == 0 &&
           connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
  }
  bool Send(const std::vector<uint8_t>& bytes) {
    return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // The refusal reason the server sent before closing (0: closed without
  // one, -1: still open after `timeoutMs`); other frames are skipped.
  int RefusalWithin(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      tcp::Frame f;
      while (reader_.Next(&f) == tcp::FrameReader::Result::kFrame) {
        if (f.kind == FrameKind::kRefusal && f.payload.size() >= 4) {
          reason_ = static_cast<int>(wire::LoadBe32(f.payload.data()));
        }
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return -1;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      uint8_t buffer[1024];
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) return reason_;
      reader_.Append(buffer, static_cast<size_t>(n));
    }
  }
  ~Stranger() {
    if (fd_ >= 0) close(fd_);
  }

 private:
  int fd_ = -1;
  tcp::FrameReader reader_{tcp::ClientSideLimits()};
  int reason_ = 0;
};

class HostdStrangersTest : public RestartedHostTest {
 protected:
  void SetUp() override {
    MakeDirectories("vantora-hostd-strangers");
    host::HostOptions options;
    options.storage.passwordIterations = 1000;  // the sign-on is timed below, not the hash
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::Host::Open(data_, options, &h).ok());
    ASSERT_TRUE(h->storage().userProfiles().Create(kUser, kPassword, "test user").ok());
  }

  // Signs on through the client library and reads the first customer; the
  // time it took.
  std::chrono::milliseconds SignOnAndRead() {
    const auto start = Clock::now();
    EXPECT_EQ(StartSession(), 1);
    const int32_t h = Ropen("DEMO/CUSTOMER", "rr");
    EXPECT_GE(h, 0);
    uint8_t record[512];
    EXPECT_EQ(Rreadf(h, record, sizeof record, 0), 1);
    EXPECT_EQ(Rclose(h), 1);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    EXPECT_EQ(FreeSession(), 1);
    return took;
  }

  // The connections of `address` the log tells of, by what happened to
  // them: a line of one connection ("127.0.0.2:40533: what") counts one, a
  // digest ("127.0.0.2: 191 more connections within 5 s: what") its number.
  // `lines` receives how many lines there were. Debug lines (each
  // connection's start, with the fixture's debug level) are left out.
  std::map<std::string, int> LoggedConnections(const std::string& address, int* lines) {
    std::map<std::string, int> counts;
    *lines = 0;
    std::istringstream log(server_.Log());
    const std::string level = "[0-9TZ:.-]+ +(?:info|warning|error) +";
    const std::regex one(level + address + ":[0-9]+: (.*)");
    const std::regex digest(level + address + ": ([0-9]+) more connections? within [0-9]+ s: (.*)");
    std::smatch m;
    for (std::string line; std::getline(log, line);) {
      if (std::regex_match(line, m, digest)) {
        counts[m[2]] += std::stoi(m[1]);
      } else if (std::regex_match(line, m, one)) {
        counts[m[1]] += 1;
      } else {
        continue;
      }
      ++*lines;
    }
    return counts;
  }
};

TEST_F(HostdStrangersTest, TwoHundredIdleConnectionsOfOneAddressDoNotKeepAClientOut) {
  StartServer({"--sign-on-timeout", "3"});
  std::vector<std::unique_ptr<Stranger>> strangers;
  for (int i = 0; i < 200; ++i) {
    strangers.push_back(std::make_unique<Stranger>());
    ASSERT_TRUE(strangers.back()->Connect("127.0.0.2", server_.port())) << i;
  }
  // The server has taken them all once the last one is answered or waits.
  EXPECT_EQ(strangers.back()->RefusalWithin(2000), static_cast<int>(FrameRefusal::kBusy));

  const auto took = SignOnAndRead();
  EXPECT_LT(took.count(), 1000) << "the client waited for the strangers";
  EXPECT_EQ(server_.Log().find("in time"), std::string::npos)
      << "served only once strangers had gone";

  // 8 were let in to sign on (the default per address) and are closed by
  // the sign-on limit; the others were told at once that the server is busy.
  std::map<int, int> reasons;
  for (auto& s : strangers) ++reasons[s->RefusalWithin(10000)];
  EXPECT_EQ(reasons[static_cast<int>(FrameRefusal::kBusy)], 192);
  EXPECT_EQ(reasons[static_cast<int>(FrameRefusal::kHelloTimeout)], 8);
  EXPECT_EQ(reasons.size(), 2u);

  // Every stranger is in the log once, in a few lines; the rest of the
  // periods is written when the server stops.
  ASSERT_EQ(server_.Stop(), 0);
  int lines = 0;
  std::map<std::string, int> logged = LoggedConnections("127.0.0.2", &lines);
  EXPECT_EQ(logged["refused, busy: 8 connections of this address signing on (the maximum)"], 192);
  EXPECT_EQ(logged["no handshake in time; closing the connection"], 8);
  EXPECT_EQ(logged.size(), 2u);
  EXPECT_LE(lines, 4);
}

TEST_F(HostdStrangersTest, StrangersOfManyAddressesFillTheBudgetAndAClientWaitsItsTurn) {
  // At most 8 signing on, refusals at random above 4, one per address.
  StartServer({"--sign-on-limit", "8", "--sign-on-early", "4", "--sign-on-timeout", "2"});
  std::vector<std::unique_ptr<Stranger>> strangers;
  for (int i = 0; i < 40; ++i) {
    strangers.push_back(std::make_unique<Stranger>());
    ASSERT_TRUE(strangers.back()->Connect("127.0.0." + std::to_string(2 + i), server_.port()));
  }
  int busy = 0;
  for (auto& s : strangers) {
    // Refusals come at once; a stranger let in waits for the sign-on limit.
    const int r = s->RefusalWithin(300);
    if (r == static_cast<int>(FrameRefusal::kBusy)) ++busy;
  }
  const int admitted = 40 - busy;
  EXPECT_GE(admitted, 4);  // none refused below the threshold
  EXPECT_LE(admitted, 8);  // none beyond the limit
  // A client arriving now may be told the server is busy: it tries again
  // until a place frees (at the latest when the strangers' limit ends).
  const auto took = SignOnAndRead();
  EXPECT_LT(took.count(), 5000);
  for (auto& s : strangers) s->RefusalWithin(5000);
}

TEST_F(HostdStrangersTest, AHelloAloneIsNotASignOn) {
  StartServer({"--sign-on-timeout", "1", "--idle-timeout", "30"});
  RawClient helloOnly;
  ASSERT_TRUE(helloOnly.Connect(server_.port()));
  ASSERT_TRUE(helloOnly.SendHello(kUser, kPassword));
  RawFrame f;
  ASSERT_TRUE(helloOnly.Next(&f));
  ASSERT_EQ(f.kind, FrameKind::kWelcome);
  // A session that opened in time keeps its connection past the sign-on
  // limit: the idle limit applies from then on.
  RawClient signedOn;
  ASSERT_TRUE(signedOn.Connect(server_.port()));
  ASSERT_TRUE(signedOn.SendHello(kUser, kPassword));
  ASSERT_TRUE(signedOn.Next(&f));
  ASSERT_TRUE(signedOn.Send(SessionOpenFrames("", "")));
  ASSERT_TRUE(signedOn.Next(&f));
  ASSERT_EQ(ReplyResult(f), 1);

  std::vector<RawFrame> frames;
  EXPECT_TRUE(helloOnly.ClosedWithin(5000, &frames));
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back().refusal(), static_cast<uint32_t>(FrameRefusal::kHelloTimeout));
  EXPECT_TRUE(server_.WaitForLog("not signed on in time"));

  int32_t version = 0;
  ASSERT_TRUE(signedOn.Send(RequestFrames(0x012E, {ArgWord(4), ArgWord(&version)})));
  ASSERT_TRUE(signedOn.Next(&f));
  EXPECT_EQ(f.kind, FrameKind::kReply);
  EXPECT_EQ(ReplyResult(f), 1);
}

TEST_F(HostdStrangersTest, ASessionOpenWithEveryPlaceTakenIsRefused) {
  StartServer({"--max-connections", "1"});
  // Let in while the place was free, signing on after another took it.
  RawClient late;
  ASSERT_TRUE(late.Connect(server_.port()));
  ASSERT_TRUE(late.SendHello(kUser, kPassword));
  RawFrame f;
  ASSERT_TRUE(late.Next(&f));
  ASSERT_EQ(StartSession(), 1);
  ASSERT_TRUE(late.Send(SessionOpenFrames("", "")));
  std::vector<RawFrame> frames;
  EXPECT_TRUE(late.ClosedWithin(5000, &frames));
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back().kind, FrameKind::kRefusal);
  EXPECT_EQ(frames.back().refusal(), static_cast<uint32_t>(FrameRefusal::kTooManyConnections));
  EXPECT_TRUE(server_.WaitForLog("every session's place is taken"));
  // Its job ended with it: the place is the first session's still, and
  // comes back when that one ends.
  EXPECT_EQ(FreeSession(), 1);
  EXPECT_TRUE(server_.WaitForLog("session end", 2));
  EXPECT_LT(SignOnAndRead().count(), 60000);
}

}  // namespace
}  // namespace vantora::testing
