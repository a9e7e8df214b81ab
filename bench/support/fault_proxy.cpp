#include "bench/support/fault_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <vector>

namespace vantora::bench {
namespace {

constexpr int kPollMs = 100;
constexpr size_t kPrefix = 4;

void NonBlocking(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

}  // namespace

const char* FaultName(FaultKind kind) {
  static const char* const kNames[kFaultKinds] = {"delay", "stall", "cut", "long stall", "reset"};
  return kNames[kind];
}

struct FaultProxy::Link {
  int fd[kDirections] = {-1, -1};  // the socket each direction writes to: server, client
  uint64_t number = 0;
  std::atomic<bool> broken{false};
  std::atomic<int> running{2};
  std::thread threads[kDirections];

  int From(Direction d) const { return fd[d == kToServer ? kToClient : kToServer]; }
  int To(Direction d) const { return fd[d]; }
  // Ends the link: with `reset`, the sockets close with RST (a linger of 0)
  // when the last thread closes them; otherwise both are shut down now.
  void Break(bool reset) {
    if (broken.exchange(true)) return;
    for (int f : fd) {
      if (reset) {
        linger l{1, 0};
        setsockopt(f, SOL_SOCKET, SO_LINGER, &l, sizeof l);
      } else {
        shutdown(f, SHUT_RDWR);
      }
    }
  }
  // The last of the two threads closes the sockets (a reset goes out then).
  void Done() {
    if (--running > 0) return;
    for (int& f : fd) {
      close(f);
      f = -1;
    }
  }
  ~Link() {
    for (auto& t : threads) {
      if (t.joinable()) t.join();
    }
  }
};

FaultProxy::FaultProxy(uint16_t targetPort, FaultPlan plan)
    : targetPort_(targetPort), plan_(plan) {}

FaultProxy::~FaultProxy() {
  Stop();
}

bool FaultProxy::Start(std::string* error) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = Loopback(0);
  socklen_t size = sizeof a;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      listen(listener_, 256) != 0 || pipe(wake_) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
    *error = std::string("fault proxy: ") + std::strerror(errno);
    return false;
  }
  port_ = ntohs(a.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void FaultProxy::Stop() {
  if (stopping_.exchange(true)) return;
  if (wake_[1] >= 0) {
    const char byte = 1;
    (void)!write(wake_[1], &byte, 1);
  }
  if (acceptor_.joinable()) acceptor_.join();
  {
    std::lock_guard lock(mutex_);
    for (auto& link : links_) link->Break(false);
  }
  Reap(true);
  for (int f : {listener_, wake_[0], wake_[1]}) {
    if (f >= 0) close(f);
  }
}

FaultCounts FaultProxy::counts() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

void FaultProxy::Reap(bool all) {
  std::list<std::unique_ptr<Link>> done;
  {
    std::lock_guard lock(mutex_);
    for (auto it = links_.begin(); it != links_.end();) {
      if (all || (*it)->running == 0) {
        done.push_back(std::move(*it));
        it = links_.erase(it);
      } else {
        ++it;
      }
    }
  }
  done.clear();  // joins and closes
}

void FaultProxy::AcceptLoop() {
  uint64_t number = 0;
  while (!stopping_) {
    pollfd p[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(p, 2, 500) <= 0) {
      Reap(false);
      continue;
    }
    if (p[1].revents != 0) break;
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    Reap(false);
    if (client < 0) continue;
    const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in target = Loopback(targetPort_);
    if (server < 0 || connect(server, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
      // No server (it may be restarting): the client sees its connection end.
      if (server >= 0) close(server);
      close(client);
      continue;
    }
    NonBlocking(client);
    NonBlocking(server);
    auto link = std::make_unique<Link>();
    link->fd[kToServer] = server;
    link->fd[kToClient] = client;
    link->number = ++number;
    Link& l = *link;
    {
      std::lock_guard lock(mutex_);
      ++counts_.connections;
      links_.push_back(std::move(link));
    }
    for (Direction d : {kToServer, kToClient}) {
      l.threads[d] = std::thread([this, &l, d] {
        Pump(l, d);
        l.Done();
      });
    }
  }
}

void FaultProxy::Pump(Link& link, Direction direction) {
  std::mt19937_64 random(plan_.seed * 1000003ull + link.number * 2 + direction);
  const int from = link.From(direction);
  const int to = link.To(direction);
  std::vector<uint8_t> buffer;
  size_t frameLeft = 0;  // bytes of the current frame still to go, prefix included
  size_t frameDone = 0;  // bytes of it gone
  int64_t cutAt = -1;    // the byte of the frame before which the link breaks
  bool reset = false;    // the break is a reset
  bool delayed = false;  // the frame goes in pieces
  auto alive = [&] { return !link.broken && !stopping_; };
  // Waits `ms` unless the link breaks.
  auto sleep = [&](int ms) {
    for (int left = ms; left > 0 && alive(); left -= kPollMs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, kPollMs)));
    }
  };
  // Sends all `n` bytes; false when the link broke meanwhile.
  auto send = [&](const uint8_t* data, size_t n) {
    while (n > 0) {
      if (!alive()) return false;
      const ssize_t sent = ::send(to, data, n, MSG_NOSIGNAL);
      if (sent > 0) {
        data += sent;
        n -= static_cast<size_t>(sent);
        continue;
      }
      if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
      pollfd p{to, POLLOUT, 0};
      poll(&p, 1, kPollMs);
    }
    return true;
  };

  while (alive()) {
    pollfd p{from, POLLIN, 0};
    if (poll(&p, 1, kPollMs) <= 0) continue;
    uint8_t chunk[16 * 1024];
    const ssize_t got = recv(from, chunk, sizeof chunk, 0);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      link.Break(false);  // the peer went: so does the other side
      return;
    }
    if (got < 0) continue;
    buffer.insert(buffer.end(), chunk, chunk + got);
    while (!buffer.empty() && alive()) {
      if (frameLeft == 0) {
        if (buffer.size() < kPrefix) break;
        frameLeft = kPrefix + ((size_t{buffer[1]} << 16) | (size_t{buffer[2]} << 8) | buffer[3]);
        frameDone = 0;
        cutAt = -1;
        delayed = false;
        FaultKind kind = kFaultKinds;
        {
          std::lock_guard lock(mutex_);
          ++counts_.frames[direction];
          if (!quiet_ && std::uniform_real_distribution<double>(0, 1)(random) < plan_.rate) {
            kind = static_cast<FaultKind>(nextKind_++ % kFaultKinds);
            ++counts_.faults[kind][direction];
          }
        }
        switch (kind) {
          case kDelay:
            delayed = true;
            break;
          case kStall:
            sleep(50 + static_cast<int>(
                           random() % static_cast<uint64_t>(std::max(plan_.shortStallMs - 49, 1))));
            break;
          case kLongStall:
            sleep(plan_.longStallMs);
            break;
          case kCut:
          case kReset:
            cutAt = static_cast<int64_t>(random() % frameLeft);
            reset = kind == kReset;
            break;
          case kFaultKinds:
            break;
        }
      }
      size_t n = std::min(buffer.size(), frameLeft);
      if (cutAt >= 0) n = std::min(n, static_cast<size_t>(cutAt) - frameDone);
      if (delayed) n = std::min<size_t>(n, 1 + random() % 64);
      if (n > 0 && !send(buffer.data(), n)) {
        link.Break(false);
        return;
      }
      buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
      frameDone += n;
      frameLeft -= n;
      if (cutAt >= 0 && frameDone == static_cast<size_t>(cutAt)) {
        link.Break(reset);
        return;
      }
      if (delayed && n > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + random() % 3));
    }
  }
}

}  // namespace vantora::bench
