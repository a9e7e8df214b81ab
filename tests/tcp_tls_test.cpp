// The client library over the TCP transport with TLS, against vantora-hostd
// serving a certificate that the test's own authority issued: sessions that
// sign on and read records, certificates refused for their name or their
// issuer, and plain clients and servers meeting TLS ones.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "mv432ida.h"
#include "tests/support/hostd_process.h"
#include "tests/support/raw_client.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_directory.h"
#include "transport/tcp/frame.h"
#include "transport/tcp/tcp_connection.h"
#include "transport/tcp/tls.h"

namespace vantora::testing {
namespace {

class TcpTlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = FreshTestDirectory("vantora-tls-tests");
    data_ = root_ / "host";
    ASSERT_TRUE(AddHostUser(data_, "ALICE", "secret"));
    ASSERT_TRUE(ca_.WriteCertificate(root_ / "ca.pem"));
    ASSERT_TRUE(Issue(Names({"localhost"}, {"127.0.0.1"})));
    setenv("VANTORA_USER", "alice", 1);
    setenv("VANTORA_PASSWORD", "secret", 1);
  }
  void TearDown() override {
    VNXTerminate();
    unsetenv("VANTORA_USER");
    unsetenv("VANTORA_PASSWORD");
    if (server_.running()) {
      EXPECT_EQ(server_.Stop(), 0) << server_.Log();
    }
    std::filesystem::remove_all(root_);
  }

  bool Issue(const CertificateNames& names) {
    return ca_.Issue(names, root_ / "server.pem", root_ / "server.key");
  }
  void StartServer(bool tls = true, std::vector<std::string> args = {}) {
    if (tls) {
      args.insert(args.end(), {"--tls-cert", (root_ / "server.pem").string(), "--tls-key",
                               (root_ / "server.key").string()});
    }
    ASSERT_TRUE(server_.Start(data_, root_ / "hostd.log", std::move(args))) << server_.Log();
  }
  // Points the client library at the server as `host`, with TLS or not,
  // trusting `caFile` (empty: the system's trust store).
  void UseServer(const std::string& host, bool tls, const std::string& caFile) {
    std::ofstream ini(root_ / "MV400.INI");
    ini << "[General]\nNetwork=tcp\nLocation=" << host << ":" << server_.port()
        << "\n[Tcp]\nConnectTimeout=5\nTls=" << (tls ? 1 : 0) << "\n";
    if (!caFile.empty()) ini << "TlsCaFile=" << caFile << "\n";
    ini << "[NT]\nNbSession=20\n";
    ini.close();
    setenv("MV400_INI", (root_ / "MV400.INI").c_str(), 1);
    VNXTerminate();
  }
  void UseTls(const std::string& host = "localhost") {
    UseServer(host, true, (root_ / "ca.pem").string());
  }
  static std::pair<int16_t, int32_t> AppcError() {
    int16_t primary = 0;
    int32_t secondary = 0;
    APPC_ERR(&primary, &secondary);
    return {primary, secondary};
  }
  static std::pair<int16_t, int32_t> Tls(tcp::TlsFailure failure) {
    return {tcp::kTlsFailed, failure};
  }
  // Signs on, echoes a reply of many parts and reads the demo file.
  static void ExpectAWorkingSession() {
    ASSERT_EQ(StartSession(), 1) << AppcError().first << "/" << AppcError().second;
    std::vector<uint8_t> big(70000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 13);
    std::vector<uint8_t> sent = big;
    EXPECT_EQ(VNXecho(big.data(), static_cast<int32_t>(big.size()), 1), 1);
    EXPECT_EQ(big, sent);
    const int32_t h = Ropen("DEMO/BENCH100", "rr");
    ASSERT_GE(h, 0);
    constexpr int32_t kBlock = 300;
    std::vector<uint8_t> records(kBlock * 100);
    std::vector<int32_t> numbers(kBlock);
    int32_t total = 0;
    int32_t op = VNX_READ_FIRST;
    for (int i = 0; i < 10; ++i) {
      int32_t n = VNXRead(h, records.data(), 100, op | VNX_READ_NO_LOCK | VNX_BLOCK | kBlock,
                          nullptr, 0, numbers.data());
      ASSERT_GE(n, 0);
      if (n == 0) break;
      for (int32_t k = 0; k < n; ++k) EXPECT_EQ(numbers[k], total + k + 1);
      total += n;
      op = VNX_READ_NEXT;
    }
    EXPECT_EQ(total, 1000);
    EXPECT_EQ(Rclose(h), 1);
    EXPECT_EQ(FreeSession(), 1);
  }

  std::filesystem::path root_;
  std::filesystem::path data_;
  TestAuthority ca_{"Vantora test CA"};
  HostdProcess server_;
};

TEST_F(TcpTlsTest, SignsOnAndReadsRecordsOverTls) {
  StartServer();
  for (const char* host : {"localhost", "127.0.0.1"}) {
    SCOPED_TRACE(host);
    UseTls(host);
    ExpectAWorkingSession();
  }
  ASSERT_TRUE(server_.WaitForLog("session end", 2));
  const std::string log = server_.Log();
  EXPECT_NE(log.find("TLS only"), std::string::npos) << log;
  EXPECT_NE(log.find("TLS: TLSv1.3"), std::string::npos) << log;
  EXPECT_EQ(log.find("secret"), std::string::npos) << log;
}

TEST_F(TcpTlsTest, AsynchronousRepliesAndManySessionsAtOnce) {
  StartServer();
  UseTls();
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(VNXMode(VNX_MODE_ASYNC, 1), 1);
  std::vector<uint8_t> buffer(10000, 0x5A);
  buffer[9999] = 0x11;
  ASSERT_EQ(VNXecho(buffer.data(), 10000, 1), 1);
  std::fill(buffer.begin(), buffer.end(), 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int status = 0;
  while ((status = VNXStatus()) != VNX_STATUS_COMPLETE &&
         std::chrono::steady_clock::now() < deadline) {
    ASSERT_TRUE(status == VNX_STATUS_WAITING || status == VNX_STATUS_PARTIAL) << status;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  ASSERT_EQ(VNXComplete(), 1);
  EXPECT_EQ(buffer[0], 0x5A);
  EXPECT_EQ(buffer[9999], 0x11);
  EXPECT_EQ(VNXMode(VNX_MODE_ASYNC, 0), 1);
  EXPECT_EQ(FreeSession(), 1);

  ASSERT_EQ(VNXThreadAttach(), 1);
  ASSERT_EQ(VNXThreadDetach(), 1);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      if (VNXThreadAttach() != 1 || StartSession() != 1) {
        ++failures;
        return;
      }
      for (int round = 0; round < 3; ++round) {
        std::vector<uint8_t> data(1000 + 6000 * static_cast<size_t>(t), static_cast<uint8_t>(t));
        std::vector<uint8_t> copy = data;
        if (VNXecho(data.data(), static_cast<int32_t>(data.size()), 1) != 1 || data != copy) {
          ++failures;
        }
      }
      if (VNXThreadDetach() != 1) ++failures;
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
}

TEST_F(TcpTlsTest, RefusesCertificatesItCannotTrustForTheHost) {
  TestAuthority other("Someone else's CA");
  ASSERT_TRUE(other.WriteCertificate(root_ / "other.pem"));
  ASSERT_TRUE(Issue(Names({"localhost"})));
  StartServer();
  struct Case {
    const char* what;
    std::string host;
    std::string caFile;
    std::pair<int16_t, int32_t> appc;
    std::string words;  // the start of VNXErrorText
  } cases[] = {
      {"an address the certificate does not hold", "127.0.0.1", (root_ / "ca.pem").string(),
       Tls(tcp::kTlsNameMismatch), "the server's certificate names localhost, not 127.0.0.1"},
      {"another authority", "localhost", (root_ / "other.pem").string(), Tls(tcp::kTlsUntrusted),
       "the certificate of localhost:" + std::to_string(server_.port()) +
           " is not signed by an authority this client trusts"},
      {"the system's trust store", "localhost", "", Tls(tcp::kTlsUntrusted),
       "the certificate of localhost:"},
      {"a CA file that is not there", "localhost", (root_ / "absent.pem").string(),
       Tls(tcp::kTlsSetup), "TLS could not be set up (check Tcp/TlsCaFile): "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UseServer(c.host, true, c.caFile);
    EXPECT_EQ(StartSession(), -20);
    EXPECT_EQ(AppcError(), c.appc);
    char words[512] = {};
    VNXErrorText(words, sizeof words);
    EXPECT_EQ(std::string(words).rfind(c.words, 0), 0u) << words;
    EXPECT_EQ(FreeSession(), 1);
  }
  // The server logs each refused handshake and goes on serving.
  UseTls();
  ExpectAWorkingSession();
  EXPECT_NE(server_.Log().find("TLS handshake failed"), std::string::npos) << server_.Log();
}

TEST_F(TcpTlsTest, RefusesAnExpiredCertificate) {
  ASSERT_TRUE(Issue(Names({"localhost"}, {}, -30, -1)));
  StartServer();
  UseTls();
  EXPECT_EQ(StartSession(), -20);
  EXPECT_EQ(AppcError(), Tls(tcp::kTlsExpired));
}

TEST_F(TcpTlsTest, APlainClientIsRefusedByATlsServer) {
  StartServer();
  UseServer("127.0.0.1", false, "");
  EXPECT_EQ(StartSession(), -20);
  EXPECT_EQ(AppcError(), std::make_pair(int16_t{tcp::kRefusedByHost},
                                        static_cast<int32_t>(tcp::FrameRefusal::kTlsRequired)));
  EXPECT_EQ(FreeSession(), 1);
  // A raw client reads the reason in a plain refusal frame.
  RawClient raw;
  ASSERT_TRUE(raw.Connect(server_.port()));
  ASSERT_TRUE(raw.SendHello("ALICE", "secret"));
  std::vector<RawFrame> frames;
  EXPECT_TRUE(raw.ClosedWithin(5000, &frames));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].refusal(), static_cast<uint32_t>(tcp::FrameRefusal::kTlsRequired));
  EXPECT_NE(server_.Log().find("accepts TLS connections only"), std::string::npos);
  UseTls();
  ExpectAWorkingSession();
}

TEST_F(TcpTlsTest, ATlsClientOfAPlainServerSaysTheServerDoesNotSpeakTls) {
  StartServer(false);
  UseTls("127.0.0.1");
  EXPECT_EQ(StartSession(), -20);
  EXPECT_EQ(AppcError(), Tls(tcp::kTlsNotTls));
  EXPECT_EQ(FreeSession(), 1);
  UseServer("127.0.0.1", false, "");
  ExpectAWorkingSession();
}

TEST_F(TcpTlsTest, TheConnectionLimitIsReportedToTlsClients) {
  StartServer(true, {"--max-connections", "1"});
  UseTls();
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_EQ(VNXSession(1), 1);
  EXPECT_EQ(StartSession(), -20);
  EXPECT_EQ(AppcError(),
            std::make_pair(int16_t{tcp::kRefusedByHost},
                           static_cast<int32_t>(tcp::FrameRefusal::kTooManyConnections)));
  EXPECT_EQ(CloseMultiSession(), 1);
}

TEST_F(TcpTlsTest, StopsCleanlyWithTlsClientsConnected) {
  StartServer();
  UseTls();
  ASSERT_EQ(StartSession(), 1);
  ASSERT_TRUE(server_.WaitForLog("session open"));
  RawClient stalled;  // a TCP connection that never starts its handshake
  ASSERT_TRUE(stalled.Connect(server_.port()));
  EXPECT_EQ(server_.Stop(), 0);
  int32_t version = 0;
  EXPECT_EQ(RTV_AS_VER(&version), -20);
  auto appc = AppcError();
  EXPECT_TRUE(appc.first == tcp::kRefusedByHost || appc.first == tcp::kClosedByHost) << appc.first;
  if (appc.first == tcp::kRefusedByHost) {
    EXPECT_EQ(appc.second, static_cast<int32_t>(tcp::FrameRefusal::kStopping));
  }
}

TEST_F(TcpTlsTest, RefusesToStartWithACertificateItCannotUse) {
  ASSERT_TRUE(ca_.Issue(Names({"other"}), root_ / "other.pem", root_ / "other.key"));
  HostdProcess bad;
  EXPECT_FALSE(bad.Start(data_, root_ / "bad.log",
                         {"--tls-cert", (root_ / "server.pem").string(), "--tls-key",
                          (root_ / "other.key").string()}));
  EXPECT_NE(bad.Log().find("does not belong"), std::string::npos) << bad.Log();
  EXPECT_EQ(bad.Stop(), 1);
}

}  // namespace
}  // namespace vantora::testing
