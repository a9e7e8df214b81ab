// The client library over the TCP transport against vantora-hostd, started
// by the fixture on a free loopback port: session opening and credentials,
// requests in both modes, lost connections, many sessions at once and the
// server's shutdown while clients are connected.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "host/storage/file_definition.h"
#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "protocol/message_format.h"
#include "tests/support/hostd_process.h"
#include "tests/support/raw_client.h"
#include "tests/support/test_directory.h"
#include "transport/tcp/frame.h"
#include "transport/tcp/tcp_connection.h"

namespace vantora::testing {
namespace {

class TcpHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = FreshTestDirectory("vantora-tcp-tests");
    data_ = root_ / "host";
    ASSERT_TRUE(AddHostUser(data_, "ALICE", "secret"));
    unsetenv("VANTORA_USER");
    unsetenv("VANTORA_PASSWORD");
  }
  void TearDown() override {
    VNXTerminate();
    unsetenv("VANTORA_USER");
    unsetenv("VANTORA_PASSWORD");
    if (server_.running()) {
      EXPECT_EQ(server_.Stop(), 0);
    }
    std::filesystem::remove_all(root_);
  }

  void StartServer(std::vector<std::string> args = {}) {
    ASSERT_TRUE(server_.Start(data_, root_ / "hostd.log", std::move(args)));
    UseAddress("127.0.0.1:" + std::to_string(server_.port()));
  }
  // Points the client library at `address` (the next session function binds
  // the transport with these settings).
  void UseAddress(const std::string& address, int receiveTimeout = 60) {
    std::ofstream(root_ / "MV400.INI")
        << "[General]\nNetwork=tcp\nLocation=" << address << "\n[Tcp]\nConnectTimeout=5\n"
        << "ReceiveTimeout=" << receiveTimeout << "\n[NT]\nNbSession=50\n";
    setenv("MV400_INI", (root_ / "MV400.INI").c_str(), 1);
    VNXTerminate();
  }
  void UseEnvironmentCredentials() {
    setenv("VANTORA_USER", "alice", 1);
    setenv("VANTORA_PASSWORD", "secret", 1);
  }
  static std::pair<int16_t, int32_t> AppcError() {
    int16_t primary = 0;
    int32_t secondary = 0;
    APPC_ERR(&primary, &secondary);
    return {primary, secondary};
  }

  std::filesystem::path root_;
  std::filesystem::path data_;
  HostdProcess server_;
};

TEST_F(TcpHostTest, OpensWithTheTransportsCredentialsAndNeverLogsThePassword) {
  StartServer();
  UseEnvironmentCredentials();
  ASSERT_EQ(StartSession(), 1);
  int32_t version = 0;
  EXPECT_EQ(RTV_AS_VER(&version), 1);
  EXPECT_EQ(version, 0x00070500);
  char text[] = "over the wire";
  EXPECT_EQ(VNXecho(text, sizeof text, 1), 1);
  EXPECT_STREQ(text, "over the wire");
  EXPECT_EQ(FreeSession(), 1);
  EXPECT_TRUE(server_.WaitForLog("session end"));
  std::string log = server_.Log();
  EXPECT_NE(log.find("session open: job"), std::string::npos) << log;
  EXPECT_NE(log.find("user ALICE"), std::string::npos) << log;
  EXPECT_EQ(log.find("secret"), std::string::npos) << log;
}

TEST_F(TcpHostTest, AuthenticatesTheUserOfTheSessionOpen) {
  StartServer();
  UseEnvironmentCredentials();  // ignored: the session names its user
  struct Case {
    const char* user;
    const char* password;
    int32_t result;
    int32_t internalError;
  } cases[] = {
      {"ALICE", "secret", 1, 0},
      {"ALICE", "wrong", -1, 1003},
      {"NOBODY", "secret", -1, 1002},
      {"alice", "secret", 1, 0},  // the connection after a refusal is a new one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.user) + "/" + c.password);
    VNXSetUserId(c.user, c.password);
    EXPECT_EQ(StartSession(), c.result);
    if (c.result < 0) {
      EXPECT_EQ(Internal_Error(), c.internalError);
    }
    EXPECT_EQ(FreeSession(), 1);
  }
  EXPECT_EQ(server_.Log().find("wrong"), std::string::npos);
}

TEST_F(TcpHostTest, RefusesASessionWithoutAnyCredentials) {
  StartServer();
  EXPECT_EQ(StartSession(), -1);
  EXPECT_EQ(Internal_Error(), 1002);
  char words[256] = {};
  VNXErrorText(words, sizeof words);
  EXPECT_EQ(std::string(words),
            "no user given, or the host has no such user profile: set VANTORA_USER and "
            "VANTORA_PASSWORD (or Tcp/User and Tcp/Password), or name the user (CPF2204)");
  setenv("VANTORA_USER", "ALICE", 1);
  setenv("VANTORA_PASSWORD", "nope", 1);
  EXPECT_EQ(StartSession(), -1);
  EXPECT_EQ(Internal_Error(), 1003);
  VNXErrorText(words, sizeof words);
  EXPECT_EQ(std::string(words), "password not correct for the user of the settings (CPF22E2)");
}

TEST_F(TcpHostTest, CarriesRequestsAndRepliesOfSeveralParts) {
  StartServer();
  UseEnvironmentCredentials();
  ASSERT_EQ(StartSession(), 1);
  for (size_t size : {1u, 4031u, 4032u, 4033u, 9000u, 70000u}) {
    SCOPED_TRACE(size);
    std::vector<uint8_t> buffer(size);
    for (size_t i = 0; i < size; ++i) buffer[i] = static_cast<uint8_t>(i * 7 + size);
    std::vector<uint8_t> sent = buffer;
    EXPECT_EQ(VNXecho(buffer.data(), static_cast<int32_t>(size), 1), 1);
    EXPECT_EQ(buffer, sent);
  }
  // A request without a reply, then one with: they stay in step.
  char text[] = "no answer";
  EXPECT_EQ(VNXecho(text, sizeof text, 0), 1);
  int32_t version = 0;
  EXPECT_EQ(RTV_AS_VER(&version), 1);
  EXPECT_EQ(version, 0x00070500);
}

TEST_F(TcpHostTest, AsynchronousRequestsPollTheSocket) {
  StartServer();
  UseEnvironmentCredentials();
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(VNXMode(VNX_MODE_ASYNC, 1), 1);
  std::vector<uint8_t> buffer(10000, 0x5A);
  buffer[9999] = 0x11;
  ASSERT_EQ(VNXecho(buffer.data(), 10000, 1), 1);
  char other[4] = "abc";
  EXPECT_EQ(VNXecho(other, 4, 1), -1);  // one request in flight
  EXPECT_EQ(VNXComplete(), -30);
  EXPECT_EQ(Internal_Error(), VNX_IERR_NO_COMPLETE_REPLY);
  std::fill(buffer.begin(), buffer.end(), 0);
  int status = 0;
  int polls = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((status = VNXStatus()) != VNX_STATUS_COMPLETE &&
         std::chrono::steady_clock::now() < deadline) {
    ASSERT_TRUE(status == VNX_STATUS_WAITING || status == VNX_STATUS_PARTIAL) << status;
    ++polls;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  ASSERT_EQ(status, VNX_STATUS_COMPLETE);
  EXPECT_EQ(VNXComplete(), 1);
  EXPECT_EQ(buffer[0], 0x5A);
  EXPECT_EQ(buffer[9999], 0x11);
  // The next request goes out as usual.
  int32_t version = 0;
  ASSERT_EQ(RTV_AS_VER(&version), 1);
  while (VNXStatus() != VNX_STATUS_COMPLETE && std::chrono::steady_clock::now() < deadline) {
  }
  EXPECT_EQ(VNXComplete(), 1);
  EXPECT_EQ(version, 0x00070500);
  EXPECT_EQ(VNXMode(VNX_MODE_ASYNC, 0), 1);
  EXPECT_EQ(FreeSession(), 1);
}

TEST_F(TcpHostTest, ReportsAHostThatCannotBeReached) {
  tcp::Listener unused;
  ASSERT_TRUE(unused.Open("127.0.0.1", 0, 1).ok());
  const uint16_t port = unused.port();
  unused.Close();  // nothing listens there now
  UseAddress("127.0.0.1:" + std::to_string(port));
  EXPECT_EQ(StartSession(), -20);
  EXPECT_EQ(AppcError(), std::make_pair(int16_t{tcp::kConnectFailed}, int32_t{ECONNREFUSED}));
  char words[256] = {};
  VNXErrorText(words, sizeof words);
  EXPECT_EQ(std::string(words), "cannot connect to 127.0.0.1:" + std::to_string(port) +
                                    ": connection refused (is vantora-hostd running, on that "
                                    "port?)");
  EXPECT_EQ(FreeSession(), 1);
  // MCH_name wins over the settings.
  StartServer();
  UseEnvironmentCredentials();
  UseAddress("127.0.0.1:" + std::to_string(port));
  ASSERT_EQ(MCH_name(("127.0.0.1:" + std::to_string(server_.port())).c_str()), 1);
  EXPECT_EQ(StartSession(), 1);
}

// A host that answers the session open, then dies in the middle of the
// next reply, or stays silent.
class BrokenHost {
 public:
  enum class Then { kHalfReply, kSilence };
  explicit BrokenHost(Then then) {
    EXPECT_TRUE(listener_.Open("127.0.0.1", 0, 4).ok());
    thread_ = std::thread([this, then] { Serve(then); });
  }
  ~BrokenHost() {
    listener_.Wake();
    stop_ = true;
    thread_.join();
  }
  uint16_t port() const { return listener_.port(); }

 private:
  void Serve(Then then) {
    tcp::Socket s;
    if (!listener_.Accept(&s, 10000).ok()) return;
    tcp::FrameReader reader(tcp::ServerSideLimits());
    auto next = [&](tcp::FrameKind* kind, int32_t* code) {
      for (int i = 0; i < 500; ++i) {
        tcp::Frame f;
        if (reader.Next(&f) == tcp::FrameReader::Result::kFrame) {
          *kind = f.kind;
          if (f.payload.size() >= 8) *code = wire::LoadLeI32(f.payload.data() + wire::kHdrCode);
          return true;
        }
        uint8_t buffer[8192];
        tcp::IoResult r = s.Receive(buffer, sizeof buffer, 20);
        if (r.ok()) reader.Append(buffer, r.bytes);
        if (r.status == tcp::IoResult::kClosed) return false;
      }
      return false;
    };
    tcp::FrameKind kind;
    int32_t code = 0;
    if (!next(&kind, &code)) return;  // hello
    auto welcome = tcp::EncodeWelcome(0x00070500);
    s.SendAll(welcome.data(), welcome.size(), 1000);
    if (!next(&kind, &code)) return;  // session open
    std::vector<uint8_t> reply(tcp::kPrefixSize + wire::kHeaderSize, 0);
    tcp::EncodePrefix(reply.data(), tcp::FrameKind::kReply, wire::kHeaderSize);
    wire::StoreLeI32(reply.data() + 4 + wire::kHdrCode, code);
    wire::StoreLeI32(reply.data() + 4 + wire::kHdrResult, 1);
    s.SendAll(reply.data(), reply.size(), 1000);
    if (!next(&kind, &code)) return;  // the request that gets no whole answer
    if (then == Then::kHalfReply) {
      std::vector<uint8_t> half(tcp::kPrefixSize + 100, 0);
      tcp::EncodePrefix(half.data(), tcp::FrameKind::kReply, 5000);
      s.SendAll(half.data(), half.size(), 1000);
      return;  // closes the socket
    }
    while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  tcp::Listener listener_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
};

TEST_F(TcpHostTest, AHostGoneMidReplyAnswersMinus20AndANewSessionConnects) {
  {
    BrokenHost broken(BrokenHost::Then::kHalfReply);
    UseAddress("127.0.0.1:" + std::to_string(broken.port()));
    UseEnvironmentCredentials();
    ASSERT_EQ(StartSession(), 1);
    int32_t version = 0;
    EXPECT_EQ(RTV_AS_VER(&version), -20);
    EXPECT_EQ(AppcError().first, tcp::kClosedByHost);
    EXPECT_EQ(RTV_AS_VER(&version), -20);  // broken for good until freed
    EXPECT_EQ(FreeSession(), 1);
  }
  StartServer();
  ASSERT_EQ(StartSession(), 1);
  int32_t version = 0;
  EXPECT_EQ(RTV_AS_VER(&version), 1);
}

TEST_F(TcpHostTest, ASilentHostAnswersMinus20AfterTheReceiveLimit) {
  BrokenHost broken(BrokenHost::Then::kSilence);
  UseAddress("127.0.0.1:" + std::to_string(broken.port()), 1);
  UseEnvironmentCredentials();
  ASSERT_EQ(StartSession(), 1);
  const auto start = std::chrono::steady_clock::now();
  int32_t version = 0;
  EXPECT_EQ(RTV_AS_VER(&version), -20);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(AppcError(), std::make_pair(int16_t{tcp::kTimeout}, int32_t{3}));
  EXPECT_EQ(FreeSession(), 1);
}

TEST_F(TcpHostTest, AClientGoneMidRequestLeavesTheOthersServed) {
  StartServer();
  UseEnvironmentCredentials();
  ASSERT_EQ(StartSession(), 1);
  {
    RawClient gone;
    ASSERT_TRUE(gone.Connect(server_.port()));
    ASSERT_TRUE(gone.SendHello("ALICE", "secret"));
    RawFrame welcome;
    ASSERT_TRUE(gone.Next(&welcome));
    auto open = SessionOpenFrames("", "");
    ASSERT_TRUE(gone.Send(open));
    RawFrame reply;
    ASSERT_TRUE(gone.Next(&reply));
    EXPECT_EQ(ReplyResult(reply), 1);
    std::vector<uint8_t> big(9000, 1);
    auto echo =
        RequestFrames(0x014F, {ArgWord(9000), ArgWord(big.data()), ArgWord(9000), ArgWord(1)});
    echo.resize(echo.size() - 3000);  // the client dies in the middle of its request
    ASSERT_TRUE(gone.Send(echo));
  }
  EXPECT_TRUE(server_.WaitForLog("connection lost in the middle of a request"));
  EXPECT_TRUE(server_.WaitForLog("session end", 1));
  char text[] = "still here";
  EXPECT_EQ(VNXecho(text, sizeof text, 1), 1);
  EXPECT_STREQ(text, "still here");
}

// TEST/LOG, keyed on THREAD and SEQ: THREAD BIN4 | SEQ BIN4 | TEXT CHAR(20);
// PC record: THREAD 0-3 (int32), SEQ 4-7 (int32), TEXT 8-27.
constexpr int32_t kLogLength = 28;

bool CreateLogFile(const std::filesystem::path& data) {
  std::unique_ptr<host::Host> h;
  if (!host::Host::Open(data, {}, &h).ok()) return false;
  host::Storage& storage = h->storage();
  if (!storage.catalogue().CreateLibrary("TEST", "tests").ok()) return false;
  host::PhysicalFileDef def;
  def.name = {"TEST", "LOG"};
  def.formatName = "LOGREC";
  def.fields = {host::BinaryField("THREAD", host::FieldType::kBin4),
                host::BinaryField("SEQ", host::FieldType::kBin4), host::CharField("TEXT", 20)};
  def.key = {{"THREAD", false}, {"SEQ", false}};
  def.unique = true;
  return storage.catalogue().CreatePhysicalFile(def).ok();
}

std::vector<uint8_t> LogRecord(int32_t thread, int32_t seq) {
  std::vector<uint8_t> r(kLogLength, ' ');
  wire::StoreLeI32(r.data(), thread);
  wire::StoreLeI32(r.data() + 4, seq);
  std::string text = "T" + std::to_string(thread) + " R" + std::to_string(seq);
  std::memcpy(r.data() + 8, text.data(), text.size());
  return r;
}

TEST_F(TcpHostTest, FiftySessionsOnThreadsReadAndWriteAtOnce) {
  ASSERT_TRUE(CreateLogFile(data_));
  // All fifty sign on at once from one address: the sign-on budget (its own
  // tests cover it) is opened wide, so that a slow machine's sign-ons are
  // not turned away as busy until the client gives up.
  StartServer({"--max-connections", "60", "--sign-on-limit", "60", "--sign-on-early", "60",
               "--sign-on-per-address", "60"});
  UseEnvironmentCredentials();
  constexpr int kThreads = 50;
  constexpr int kRounds = 10;
  std::atomic<int> failures{0};
  // The first attach puts the library in multi-thread mode; it is not made
  // to race with others.
  ASSERT_EQ(VNXThreadAttach(), 1);
  ASSERT_EQ(VNXThreadDetach(), 1);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      auto check = [&](bool ok, int line) {
        if (!ok) {
          ++failures;
          ADD_FAILURE_AT(__FILE__, line) << "thread " << t;
        }
      };
      check(VNXThreadAttach() == 1, __LINE__);
      if (int32_t r = StartSession(); r != 1) {
        ++failures;
        auto [primary, secondary] = AppcError();
        ADD_FAILURE() << "thread " << t << ": StartSession " << r << ", APPC_ERR " << primary << "/"
                      << secondary << ", Internal_Error " << Internal_Error();
        return;
      }
      uint8_t table[256];
      check(ReadTableASCII_EBCDIC(table) == 1, __LINE__);
      table['#'] = static_cast<uint8_t>(t);  // each job keeps its own table
      check(WriteTableASCII_EBCDIC(table) == 1, __LINE__);
      const int32_t h = Ropen("TEST/LOG", "ur");
      check(h >= 0, __LINE__);
      for (int round = 0; round < kRounds; ++round) {
        std::vector<uint8_t> data(100 + 97 * static_cast<size_t>(t), static_cast<uint8_t>(round));
        data.back() = static_cast<uint8_t>(t);
        std::vector<uint8_t> copy = data;
        check(VNXecho(data.data(), static_cast<int32_t>(data.size()), 1) == 1, __LINE__);
        check(data == copy, __LINE__);
        std::vector<uint8_t> record = LogRecord(t, round);
        check(Rwrite(h, record.data(), kLogLength) == 1, __LINE__);
        uint8_t back[256] = {};
        check(ReadTableASCII_EBCDIC(back) == 1, __LINE__);
        check(back['#'] == static_cast<uint8_t>(t), __LINE__);
      }
      for (int round = 0; round < kRounds; ++round) {
        std::vector<uint8_t> want = LogRecord(t, round);
        std::vector<uint8_t> got(kLogLength, 0);
        int32_t number = 0;
        check(VNXRead(h, got.data(), kLogLength, VNX_READ_KEY_EQ | VNX_READ_NO_LOCK, want.data(), 8,
                      &number) == 1,
              __LINE__);
        check(got == want, __LINE__);
      }
      check(Rclose(h) == 1, __LINE__);
      check(VNXThreadDetach() == 1, __LINE__);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_TRUE(server_.WaitForLog("session end", kThreads));
  // Every write is there.
  ASSERT_EQ(VNXThreadAttach(), 1);
  ASSERT_EQ(StartSession(), 1);
  const int32_t h = Ropen("TEST/LOG", "rr");
  ASSERT_GE(h, 0);
  uint8_t count[4];
  ASSERT_EQ(VNXGetDesc(h, count, 4, VNX_DESC_RECORD_COUNT, nullptr), 1);
  EXPECT_EQ(wire::LoadLeI32(count), kThreads * kRounds);
  ASSERT_EQ(VNXThreadDetach(), 1);
}

TEST_F(TcpHostTest, AKilledClientsJobEndsAndReleasesItsLocks) {
  ASSERT_TRUE(CreateLogFile(data_));
  StartServer();
  UseEnvironmentCredentials();
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  // The child is a client of its own (forked before this process connects):
  // it writes a record, locks it, says so and waits to be killed.
  const pid_t child = fork();
  if (child == 0) {
    close(ready[0]);
    char state = 'x';
    if (StartSession() == 1) {
      const int32_t h = Ropen("TEST/LOG", "ur");
      std::vector<uint8_t> r = LogRecord(7, 1);
      if (h >= 0 && Rwrite(h, r.data(), kLogLength) == 1 &&
          VNXRead(h, r.data(), kLogLength, VNX_READ_RRN, nullptr, 1, nullptr) == 1) {
        state = 'L';
      }
    }
    [[maybe_unused]] ssize_t n = write(ready[1], &state, 1);
    for (;;) pause();
  }
  close(ready[1]);
  char state = 0;
  pollfd p{ready[0], POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 20000), 1);
  ASSERT_EQ(read(ready[0], &state, 1), 1);
  close(ready[0]);
  ASSERT_EQ(state, 'L');

  ASSERT_EQ(StartSession(), 1);
  const int32_t h = Ropen("TEST/LOG", "ur waitrcd=0.2");
  ASSERT_GE(h, 0);
  std::vector<uint8_t> r(kLogLength);
  EXPECT_EQ(VNXRead(h, r.data(), kLogLength, VNX_READ_RRN, nullptr, 1, nullptr), -1);
  EXPECT_EQ(retstat(), 3029);  // held by the child's job

  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(server_.WaitForLog("session end"));
  EXPECT_EQ(VNXRead(h, r.data(), kLogLength, VNX_READ_RRN, nullptr, 1, nullptr), 1);
  EXPECT_EQ(r, LogRecord(7, 1));
}

// The status line (SIGUSR1) counts what a job holds, and nothing once it ended.
TEST_F(TcpHostTest, TheStatusLineCountsWhatTheJobsHold) {
  ASSERT_TRUE(CreateLogFile(data_));
  StartServer();
  UseEnvironmentCredentials();
  const std::string idle =
      "0 connections (0 sessions, 0 signing on), 0 jobs, 0 open files, 0 file cursors, 0 SQL "
      "statements, 0 SQL results, 0 server jobs, 0 record locks, 0 jobs with uncommitted changes";
  EXPECT_EQ(server_.Status(), idle);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
  const int32_t h = VNXopen("TEST/LOG", 1 | 2 | 4 | 0x20, -1);  // read, add, update; committed
  ASSERT_GE(h, 0);
  std::vector<uint8_t> r = LogRecord(3, 1);
  ASSERT_EQ(Rwrite(h, r.data(), kLogLength), 1);
  const std::string query = "SELECT * FROM TEST/LOG";
  const int32_t cursor = VNXSqlDeclare(query.c_str(), static_cast<int32_t>(query.size()));
  ASSERT_GE(cursor, 1);
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  // The open SQL result is a file of the job too.
  EXPECT_EQ(server_.Status(),
            "1 connections (1 sessions, 0 signing on), 1 jobs, 2 open files, 1 file cursors, 1 SQL "
            "statements, 1 SQL results, 0 server jobs, 1 record locks, 1 jobs with uncommitted "
            "changes");
  EXPECT_EQ(FreeSession(), 1);  // the statement and its result left open go with the job
  EXPECT_TRUE(server_.WaitForLog("session end"));
  std::string status;
  for (int i = 0; i < 50 && (status = server_.Status()) != idle; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(status, idle);
}

// Blocked reads of the demo file bring every record once, in order.
TEST_F(TcpHostTest, BlockedReadsOfTheDemoFile) {
  StartServer();
  UseEnvironmentCredentials();
  ASSERT_EQ(StartSession(), 1);
  const int32_t h = Ropen("DEMO/BENCH100", "rr");
  ASSERT_GE(h, 0);
  constexpr int32_t kBlock = 300;  // 30 000 bytes: a reply of eight parts
  std::vector<uint8_t> records(kBlock * 100);
  std::vector<int32_t> numbers(kBlock);
  int32_t total = 0;
  int32_t op = VNX_READ_FIRST;
  for (int i = 0; i < 10; ++i) {
    int32_t n = VNXRead(h, records.data(), 100, op | VNX_READ_NO_LOCK | VNX_BLOCK | kBlock, nullptr,
                        0, numbers.data());
    ASSERT_GE(n, 0);
    if (n == 0) break;
    for (int32_t k = 0; k < n; ++k) EXPECT_EQ(numbers[k], total + k + 1);
    total += n;
    op = VNX_READ_NEXT;
  }
  EXPECT_EQ(total, 1000);
  EXPECT_EQ(Rclose(h), 1);
}

TEST_F(TcpHostTest, RefusesConnectionsBeyondTheMaximum) {
  StartServer({"--max-connections", "2"});
  UseEnvironmentCredentials();
  ASSERT_EQ(OpenMultiSession(3), 1);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(VNXSession(i), i);
    ASSERT_EQ(StartSession(), 1);
  }
  ASSERT_EQ(VNXSession(2), 2);
  EXPECT_EQ(StartSession(), -20);
  EXPECT_EQ(AppcError(),
            std::make_pair(int16_t{tcp::kRefusedByHost},
                           static_cast<int32_t>(tcp::FrameRefusal::kTooManyConnections)));
  ASSERT_EQ(VNXSession(0), 0);
  EXPECT_EQ(FreeSession(), 1);
  EXPECT_TRUE(server_.WaitForLog("session end"));
  ASSERT_EQ(VNXSession(2), 2);
  EXPECT_EQ(StartSession(), 1);
  EXPECT_EQ(CloseMultiSession(), 1);
}

TEST_F(TcpHostTest, StopsCleanlyWithClientsConnected) {
  StartServer();
  UseEnvironmentCredentials();
  ASSERT_EQ(OpenMultiSession(3), 1);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(VNXSession(i), i);
    ASSERT_EQ(StartSession(), 1);
  }
  ASSERT_TRUE(server_.WaitForLog("session open", 3));
  EXPECT_EQ(server_.Stop(), 0);
  const std::string log = server_.Log();
  EXPECT_NE(log.find("stopping on SIGTERM"), std::string::npos) << log;
  EXPECT_NE(log.find("stopped"), std::string::npos) << log;
  size_t ends = 0;
  for (size_t at = log.find("session end"); at != std::string::npos;
       at = log.find("session end", at + 1)) {
    ++ends;
  }
  EXPECT_EQ(ends, 3u) << log;
  int32_t version = 0;
  ASSERT_EQ(VNXSession(1), 1);
  EXPECT_EQ(RTV_AS_VER(&version), -20);
  auto appc = AppcError();
  EXPECT_TRUE(appc.first == tcp::kRefusedByHost || appc.first == tcp::kClosedByHost ||
              appc.first == tcp::kSendFailed)
      << appc.first;
  EXPECT_EQ(CloseMultiSession(), 1);
}

TEST_F(TcpHostTest, StopsWhileASessionWaitsOnADataQueueWithoutLimit) {
  StartServer();
  UseEnvironmentCredentials();
  int32_t result = 0;
  std::atomic<bool> waiting{false};
  std::thread receiver([&] {
    ASSERT_EQ(StartSession(), 1);
    int32_t link = VNXLinkDataQueue("WAITQ     ", "QGPL      ", 100, 0, "*FIFO     ");
    ASSERT_GE(link, 0);
    waiting = true;
    char buffer[100];
    result = VNXReceiveDataQueue(link, buffer, sizeof buffer, -1, nullptr, nullptr, 0);
    FreeSession();
  });
  while (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // now in the wait
  EXPECT_EQ(server_.Stop(), 0) << server_.Log();
  receiver.join();
  EXPECT_LT(result, 1);  // no entry came: the stop ended the wait
}

}  // namespace
}  // namespace vantora::testing
