#include "host/hostd/tcp_server.h"

#include "host/server/session/host_services.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "transport/tcp/frame.h"

namespace vantora::hostd {
namespace {

using host::LogLevel;

constexpr int kBacklog = 128;
constexpr int kReapEveryMs = 500;

}  // namespace

TcpServer::TcpServer(host::Host& host, ServerConfig config)
    : host_(host), config_(std::move(config)) {}

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

void TcpServer::AcceptLoop() {
  while (!stopping_) {
    tcp::Socket socket;
    tcp::IoResult r = listener_.Accept(&socket, kReapEveryMs);
    ReapFinished();
    if (r.status == tcp::IoResult::kTimeout) continue;
    if (!r.ok()) {
      // Out of descriptors or memory: the listener is fine, so wait a little
      // for connections to end rather than stop serving.
      host_.Log(LogLevel::kError, std::string("accept failed: ") + std::strerror(r.error));
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    std::string peer = socket.PeerName();
    if (active_ >= config_.maxConnections) {
      host_.Log(LogLevel::kWarning, peer + ": refused, already " + std::to_string(active_.load()) +
                                        " connections (the maximum)");
      // In plain frames even when the server speaks TLS: the client reads
      // them in place of the TLS handshake.
      std::vector<uint8_t> frame =
          tcp::EncodeRefusal(tcp::FrameRefusal::kTooManyConnections, "too many connections");
      socket.SendAll(frame.data(), frame.size(), 0);  // a fresh socket takes it at once
      continue;
    }
    host_.Log(LogLevel::kDebug, peer + ": connected");
    ++active_;
    std::lock_guard lock(workersMutex_);
    Worker& w = workers_.emplace_back();
    w.thread = std::thread([this, &w, s = std::move(socket), peer]() mutable {
      ServeConnection(host_, std::move(s), peer, config_.limits, stopping_, config_.tls.get());
      --active_;
      w.done = true;
    });
  }
}

}  // namespace vantora::hostd
