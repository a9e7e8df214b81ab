#include "host/hostd/tcp_server.h"

#include "host/server/session/host_services.h"

#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "transport/tcp/frame.h"

namespace vantora::hostd {
namespace {

using host::LogLevel;

constexpr int kBacklog = 128;
constexpr int kReapEveryMs = 500;
constexpr std::chrono::seconds kLogDigestPeriod{5};

// A connection's standing until its session opens.
class Place : public SignOnPlace {
 public:
  Place(ConnectionBudget& budget, ConnectionLog& log, std::string address, std::string peer)
      : budget_(budget), log_(log), address_(std::move(address)), peer_(std::move(peer)) {}
  ~Place() override { budget_.Leave(address_, signedOn_); }

  bool TakeSessionPlace() override {
    signedOn_ = budget_.SignedOn(address_);
    return signedOn_;
  }
  void LogBeforeSignOn(LogLevel level, const std::string& what) override {
    log_.Note(level, address_, peer_, what);
  }

 private:
  ConnectionBudget& budget_;
  ConnectionLog& log_;
  const std::string address_;
  const std::string peer_;
  bool signedOn_ = false;
};

}  // namespace

TcpServer::TcpServer(host::Host& host, ServerConfig config)
    : host_(host),
      config_(std::move(config)),
      budget_(config_.budget, std::random_device{}()),
      connectionLog_([&host](LogLevel level, const std::string& line) { host.Log(level, line); },
                     kLogDigestPeriod) {}

TcpServer::~TcpServer() {
  Stop();
  Wait();
}

bool TcpServer::Start(std::string* error) {
  tcp::IoResult r = listener_.Open(config_.listenAddress, config_.port, kBacklog);
  if (!r.ok()) {
    *error = "cannot listen on " + config_.listenAddress + " port " + std::to_string(config_.port) +
             ": " + std::strerror(r.error);
    return false;
  }
  acceptor_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void TcpServer::Stop() {
  stopping_ = true;
  listener_.Wake();
  // Sessions waiting on a data queue without a limit would never end.
  StopServiceWaits(host_);
  host_.signOnDelays().StopWaits();
}

void TcpServer::Wait() {
  if (acceptor_.joinable()) acceptor_.join();
  std::list<Worker> remaining;
  {
    std::lock_guard lock(workersMutex_);
    remaining.swap(workers_);
  }
  for (Worker& w : remaining) w.thread.join();
  listener_.Close();
  connectionLog_.Flush(std::chrono::steady_clock::now(), true);
}

void TcpServer::ReapFinished() {
  std::lock_guard lock(workersMutex_);
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->done) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

void TcpServer::Refuse(tcp::Socket& socket, Admission why, const std::string& address,
                       const std::string& peer) {
  const std::string text = AdmissionText(why, config_.budget);
  connectionLog_.Note(why == Admission::kSessionsFull ? LogLevel::kWarning : LogLevel::kInfo,
                      address, peer, "refused, " + text);
  // In plain frames even when the server speaks TLS: the client reads them
  // in place of the TLS handshake.
  std::vector<uint8_t> frame =
      tcp::EncodeRefusal(why == Admission::kSessionsFull ? tcp::FrameRefusal::kTooManyConnections
                                                         : tcp::FrameRefusal::kBusy,
                         text);
  socket.SendAll(frame.data(), frame.size(), 0);  // a fresh socket takes it at once
}

void TcpServer::AcceptLoop() {
  while (!stopping_) {
    tcp::Socket socket;
    tcp::IoResult r = listener_.Accept(&socket, kReapEveryMs);
    ReapFinished();
    connectionLog_.Flush();
    if (r.status == tcp::IoResult::kTimeout) continue;
    if (!r.ok()) {
      // Out of descriptors or memory: the listener is fine, so wait a little
      // for connections to end rather than stop serving.
      host_.Log(LogLevel::kError, std::string("accept failed: ") + std::strerror(r.error));
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    std::string peer = socket.PeerName();
    std::string address = socket.PeerAddress();
    if (const Admission a = budget_.Admit(address); a != Admission::kAdmitted) {
      Refuse(socket, a, address, peer);
      continue;
    }
    host_.Log(LogLevel::kDebug, peer + ": connected");
    ++active_;
    std::lock_guard lock(workersMutex_);
    Worker& w = workers_.emplace_back();
    w.thread = std::thread([this, &w, s = std::move(socket), peer, address]() mutable {
      {
        Place place(budget_, connectionLog_, address, peer);
        ServeConnection(host_, std::move(s), peer, config_.limits, stopping_, place,
                        config_.tls.get());
      }
      --active_;
      w.done = true;
    });
  }
}

}  // namespace vantora::hostd
