// TLS channels over loopback sockets: data both ways, certificate and name
// verification, peers that do not speak TLS, handshakes run in slices and
// records that arrive a few bytes at a time.
#include "transport/tcp/tls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "tests/support/test_certificates.h"
#include "tests/support/test_directory.h"
#include "transport/tcp/frame.h"

namespace vantora::tcp {
namespace {

using testing::CertificateNames;
using testing::Names;
using testing::TestAuthority;

class TlsChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::FreshTestDirectory("vantora-tls-tests");
    ASSERT_TRUE(ca_.WriteCertificate(dir_ / "ca.pem"));
    ASSERT_TRUE(Issue(Names({"localhost"}, {"127.0.0.1"})));
    ASSERT_TRUE(listener_.Open("127.0.0.1", 0, 4).ok());
  }
  void TearDown() override {
    if (server_.joinable()) server_.join();
    std::filesystem::remove_all(dir_);
  }

  bool Issue(const CertificateNames& names) {
    return ca_.Issue(names, dir_ / "server.pem", dir_ / "server.key");
  }
  std::shared_ptr<TlsContext> ServerContext() {
    std::string error;
    auto context = TlsContext::ForServer((dir_ / "server.pem").string(),
                                         (dir_ / "server.key").string(), &error);
    EXPECT_TRUE(context) << error;
    return context;
  }
  std::shared_ptr<TlsContext> ClientContext(const std::filesystem::path& ca) {
    std::string error;
    auto context = TlsContext::ForClient(ca.string(), &error);
    EXPECT_TRUE(context) << error;
    return context;
  }

  // Accepts one connection and serves it with `serve` on a thread.
  template <typename Body>
  void Serve(Body serve) {
    server_ = std::thread([this, serve] {
      Socket s;
      if (!listener_.Accept(&s, 10000).ok()) return;
      serve(Channel(std::move(s)));
    });
  }
  // A TLS server that echoes what it receives until the client ends.
  void ServeEcho() {
    auto context = ServerContext();
    Serve([this, context](Channel c) {
      std::this_thread::sleep_for(std::chrono::milliseconds(serverDelayMs_));
      c.StartTls(TlsSession::Server(*context));
      serverHandshake_ = c.Handshake(10000);
      if (!serverHandshake_.ok()) return;
      std::vector<uint8_t> buffer(50000);
      for (;;) {
        IoResult r = c.Receive(buffer.data(), buffer.size(), 10000);
        serverEnd_ = r.status;
        if (!r.ok() || !c.SendAll(buffer.data(), r.bytes, 10000).ok()) return;
      }
    });
  }

  Channel Connect(uint16_t port) {
    Socket s;
    EXPECT_TRUE(Socket::Connect("127.0.0.1", port, 5000, &s).ok());
    return Channel(std::move(s));
  }

  static void ExpectEcho(Channel& c, size_t size) {
    std::vector<uint8_t> sent(size);
    for (size_t i = 0; i < size; ++i) sent[i] = static_cast<uint8_t>(i * 31 + size);
    ASSERT_TRUE(c.SendAll(sent.data(), size, 5000).ok());
    std::vector<uint8_t> back;
    while (back.size() < size) {
      uint8_t buffer[7000];
      IoResult r = c.Receive(buffer, sizeof buffer, 5000);
      ASSERT_TRUE(r.ok()) << r.status;
      back.insert(back.end(), buffer, buffer + r.bytes);
    }
    EXPECT_EQ(back, sent);
  }

  std::filesystem::path dir_;
  TestAuthority ca_{"Vantora test CA"};
  Listener listener_;
  std::thread server_;
  int serverDelayMs_ = 0;  // before the echo server starts its handshake
  IoResult serverHandshake_;
  IoResult::Status serverEnd_ = IoResult::kOk;
};

TEST_F(TlsChannelTest, CarriesDataBothWaysAndEndsInOrder) {
  ServeEcho();
  Channel c = Connect(listener_.port());
  c.StartTls(TlsSession::Client(*ClientContext(dir_ / "ca.pem"), "localhost"));
  ASSERT_TRUE(c.Handshake(5000).ok()) << c.session()->Describe();
  EXPECT_NE(c.session()->Describe().find("TLSv1."), std::string::npos);
  for (size_t size : {1u, 100u, 16384u, 16385u, 70000u, 200000u}) {
    SCOPED_TRACE(size);
    ExpectEcho(c, size);
  }
  // Nothing to read: a wait of 0 answers at once.
  uint8_t byte = 0;
  EXPECT_EQ(c.Receive(&byte, 1, 0).status, IoResult::kTimeout);
  c.Close();
  server_.join();
  EXPECT_EQ(serverEnd_, IoResult::kClosed);  // the close was announced, not a lost connection
}

TEST_F(TlsChannelTest, VectoredSendsArriveJoined) {
  ServeEcho();
  Channel c = Connect(listener_.port());
  c.StartTls(TlsSession::Client(*ClientContext(dir_ / "ca.pem"), "localhost"));
  ASSERT_TRUE(c.Handshake(5000).ok()) << c.session()->Describe();
  // Pieces that end inside, on and across the 64 KiB chunks records are cut in.
  const std::vector<std::vector<size_t>> layouts = {
      {4, 100}, {4, 200000}, {0, 65536, 0, 1}, {65535, 2, 65535}, {1, 1, 1, 1, 1, 1, 1, 1}, {0}};
  for (const auto& sizes : layouts) {
    SCOPED_TRACE(::testing::PrintToString(sizes));
    std::vector<std::vector<uint8_t>> storage;
    std::vector<ConstBuffer> pieces;
    std::vector<uint8_t> joined;
    for (size_t p = 0; p < sizes.size(); ++p) {
      std::vector<uint8_t> bytes(sizes[p]);
      for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(p * 41 + i * 3);
      joined.insert(joined.end(), bytes.begin(), bytes.end());
      storage.push_back(std::move(bytes));
    }
    for (const auto& bytes : storage) pieces.push_back({bytes.data(), bytes.size()});
    IoResult r = c.SendAllVectored(pieces, 5000);
    ASSERT_TRUE(r.ok()) << r.status;
    EXPECT_EQ(r.bytes, joined.size());
    std::vector<uint8_t> back;
    while (back.size() < joined.size()) {
      uint8_t buffer[7000];
      IoResult got = c.Receive(buffer, sizeof buffer, 5000);
      ASSERT_TRUE(got.ok()) << got.status;
      back.insert(back.end(), buffer, buffer + got.bytes);
    }
    EXPECT_TRUE(back == joined);
  }
  std::vector<ConstBuffer> tooMany(kMaxSendPieces + 1, ConstBuffer{"x", 1});
  IoResult refused = c.SendAllVectored(tooMany, 1000);
  EXPECT_EQ(refused.status, IoResult::kError);
  EXPECT_EQ(refused.error, EINVAL);
  ExpectEcho(c, 10);  // nothing of the refused send went out
  c.Close();
}

TEST_F(TlsChannelTest, VerifiesTheCertificateAndTheName) {
  TestAuthority other("Someone else's CA");
  ASSERT_TRUE(other.WriteCertificate(dir_ / "other.pem"));
  struct Case {
    const char* what;
    CertificateNames names;
    const char* host;
    bool trusted;
    int failure;  // 0: connects
  } cases[] = {
      {"by name", Names({"localhost"}), "localhost", true, 0},
      {"by address", Names({}, {"127.0.0.1"}), "127.0.0.1", true, 0},
      {"another name", Names({"db.example"}), "localhost", true, kTlsNameMismatch},
      {"a name, not the address", Names({"localhost"}), "127.0.0.1", true, kTlsNameMismatch},
      {"another address", Names({}, {"127.0.0.2"}), "127.0.0.1", true, kTlsNameMismatch},
      {"no partial wildcard", Names({"db*.example"}), "db1.example", true, kTlsNameMismatch},
      {"untrusted", Names({"localhost"}), "localhost", false, kTlsUntrusted},
      {"expired", Names({"localhost"}, {}, -30, -1), "localhost", true, kTlsExpired},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    ASSERT_TRUE(Issue(k.names));
    ServeEcho();
    Channel c = Connect(listener_.port());
    c.StartTls(
        TlsSession::Client(*ClientContext(dir_ / (k.trusted ? "ca.pem" : "other.pem")), k.host));
    IoResult r = c.Handshake(5000);
    if (k.failure == 0) {
      ASSERT_TRUE(r.ok()) << c.session()->Describe();
      ExpectEcho(c, 10);
    } else {
      EXPECT_EQ(r.status, IoResult::kTls);
      EXPECT_EQ(r.error, k.failure) << c.session()->Describe();
      EXPECT_FALSE(c.session()->Describe().empty());
    }
    c.Close();
    server_.join();
    // The server learnt of the refusal from the client's alert.
    if (k.failure != 0) {
      EXPECT_EQ(serverHandshake_.status, IoResult::kTls);
    }
  }
}

TEST_F(TlsChannelTest, TheSystemTrustStoreDoesNotKnowATestAuthority) {
  ServeEcho();
  std::string error;
  auto system = TlsContext::ForClient("", &error);
  ASSERT_TRUE(system) << error;
  Channel c = Connect(listener_.port());
  c.StartTls(TlsSession::Client(*system, "localhost"));
  IoResult r = c.Handshake(5000);
  EXPECT_EQ(r.status, IoResult::kTls);
  EXPECT_EQ(r.error, kTlsUntrusted);
}

TEST_F(TlsChannelTest, ContextsRefuseFilesTheyCannotUse) {
  std::string error;
  EXPECT_FALSE(TlsContext::ForClient((dir_ / "absent.pem").string(), &error));
  EXPECT_NE(error.find("absent.pem"), std::string::npos) << error;
  EXPECT_FALSE(TlsContext::ForServer((dir_ / "absent.pem").string(), (dir_ / "server.key").string(),
                                     &error));
  EXPECT_NE(error.find("certificate file"), std::string::npos) << error;
  // A key that belongs to another certificate.
  ASSERT_TRUE(ca_.Issue(Names({"a"}), dir_ / "a.pem", dir_ / "a.key"));
  EXPECT_FALSE(
      TlsContext::ForServer((dir_ / "server.pem").string(), (dir_ / "a.key").string(), &error));
  EXPECT_NE(error.find("does not belong"), std::string::npos) << error;
  EXPECT_FALSE(TlsContext::ForServer((dir_ / "server.pem").string(), (dir_ / "server.pem").string(),
                                     &error));
}

TEST_F(TlsChannelTest, APlainClientLeavesTheSocketForAPlainAnswer) {
  auto context = ServerContext();
  Serve([context](Channel c) {
    c.StartTls(TlsSession::Server(*context));
    IoResult r = c.Handshake(5000);
    EXPECT_EQ(r.status, IoResult::kTls);
    EXPECT_EQ(r.error, kTlsNotTls);
    std::vector<uint8_t> frame = EncodeRefusal(FrameRefusal::kTlsRequired, "TLS only");
    EXPECT_TRUE(c.socket().SendAll(frame.data(), frame.size(), 1000).ok());
  });
  Channel c = Connect(listener_.port());
  const uint8_t hello[] = {0x01, 0x00, 0x00, 0x5C, 'V', 'N', 'T', 'R'};
  ASSERT_TRUE(c.SendAll(hello, sizeof hello, 1000).ok());
  FrameReader reader(ClientSideLimits());
  Frame f;
  while (reader.Next(&f) == FrameReader::Result::kNeedMore) {
    uint8_t buffer[512];
    IoResult r = c.Receive(buffer, sizeof buffer, 5000);
    ASSERT_TRUE(r.ok());
    reader.Append(buffer, r.bytes);
  }
  EXPECT_EQ(f.kind, FrameKind::kRefusal);
}

TEST_F(TlsChannelTest, AClientOfAPlainServerKeepsWhatTheServerSaid) {
  Serve([](Channel c) {
    uint8_t buffer[512];
    c.Receive(buffer, sizeof buffer, 5000);  // the TLS client hello
    std::vector<uint8_t> frame = EncodeRefusal(FrameRefusal::kBadHello, "not a Vantora client");
    c.SendAll(frame.data(), frame.size(), 1000);
  });
  Channel c = Connect(listener_.port());
  c.StartTls(TlsSession::Client(*ClientContext(dir_ / "ca.pem"), "localhost"));
  IoResult r = c.Handshake(5000);
  EXPECT_EQ(r.status, IoResult::kTls);
  EXPECT_EQ(r.error, kTlsNotTls);
  ASSERT_FALSE(c.session()->peerBytes().empty());
  EXPECT_EQ(c.session()->peerBytes()[0], static_cast<uint8_t>(FrameKind::kRefusal));
}

TEST_F(TlsChannelTest, AHandshakeRunsInSlicesOfNoWaitAtAll) {
  serverDelayMs_ = 300;  // so the first slices find no answer yet
  ServeEcho();
  Channel c = Connect(listener_.port());
  c.StartTls(TlsSession::Client(*ClientContext(dir_ / "ca.pem"), "127.0.0.1"));
  int slices = 0;
  IoResult r;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((r = c.Handshake(0)).status == IoResult::kTimeout &&
         std::chrono::steady_clock::now() < deadline) {
    ++slices;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(r.ok()) << r.status << " " << c.session()->Describe();
  EXPECT_GT(slices, 0);
  ExpectEcho(c, 5000);
}

// Forwards the bytes between a client and the echo server a few at a time,
// so that every TLS record arrives in pieces.
TEST_F(TlsChannelTest, RecordsArrivingInPiecesAreReassembled) {
  ServeEcho();
  Listener front;
  ASSERT_TRUE(front.Open("127.0.0.1", 0, 1).ok());
  std::atomic<bool> done{false};
  std::thread relay([&] {
    Socket client;
    Socket server;
    if (!front.Accept(&client, 10000).ok()) return;
    if (!Socket::Connect("127.0.0.1", listener_.port(), 5000, &server).ok()) return;
    while (!done) {
      bool moved = false;
      for (auto [from, to] : {std::pair{&client, &server}, std::pair{&server, &client}}) {
        uint8_t piece[7];
        IoResult r = from->Receive(piece, sizeof piece, 0);
        if (r.status == IoResult::kClosed || r.status == IoResult::kError) return;
        if (r.ok()) {
          moved = true;
          to->SendAll(piece, r.bytes, 1000);
        }
      }
      if (!moved) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  Channel c = Connect(front.port());
  c.StartTls(TlsSession::Client(*ClientContext(dir_ / "ca.pem"), "localhost"));
  ASSERT_TRUE(c.Handshake(10000).ok()) << c.session()->Describe();
  ExpectEcho(c, 3000);
  c.Close();
  done = true;
  relay.join();
}

}  // namespace
}  // namespace vantora::tcp
