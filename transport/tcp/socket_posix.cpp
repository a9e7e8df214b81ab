// The socket interface on POSIX systems.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "transport/tcp/socket.h"

namespace vantora::tcp {
namespace {

using Clock = std::chrono::steady_clock;

IoResult Fail(int error) {
  IoResult r;
  r.status = IoResult::kError;
  r.error = error;
  return r;
}

IoResult Timeout() {
  IoResult r;
  r.status = IoResult::kTimeout;
  return r;
}

void Prepare(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  fcntl(fd, F_SETFD, FD_CLOEXEC);
  int on = 1;
  // Requests and replies are single writes that must leave at once.
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Milliseconds left before `deadline`; negative `timeoutMs` means no limit.
int Remaining(int timeoutMs, Clock::time_point deadline) {
  if (timeoutMs < 0) return -1;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// Waits for `events` on `fd`; 1 ready, 0 timeout, -1 error (errno set).
int Wait(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  for (;;) {
    int n = poll(&p, 1, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

}  // namespace

Socket::Socket(Socket&& other) noexcept : handle_(other.handle_) {
  other.handle_ = -1;
}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

IoResult Socket::Connect(const std::string& host, uint16_t port, int timeoutMs, Socket* out) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
    return Fail(rc == EAI_SYSTEM ? errno : (rc < 0 ? rc : -rc));
  }
  IoResult last = Fail(EHOSTUNREACH);
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    int fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (fd < 0) {
      last = Fail(errno);
      continue;
    }
    Prepare(fd);
    if (connect(fd, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
      last = Fail(errno);
      close(fd);
      continue;
    }
    int ready = Wait(fd, POLLOUT, Remaining(timeoutMs, deadline));
    int error = 0;
    socklen_t size = sizeof error;
    if (ready == 0) {
      last = Timeout();
    } else if (ready < 0) {
      last = Fail(errno);
    } else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
      last = Fail(error != 0 ? error : errno);
    } else {
      freeaddrinfo(found);
      *out = Socket(fd);
      return IoResult{};
    }
    close(fd);
  }
  freeaddrinfo(found);
  return last;
}

IoResult Socket::SendAll(const void* data, size_t n, int timeoutMs) {
  const ConstBuffer whole{data, n};
  return SendAllVectored({&whole, 1}, timeoutMs);
}

IoResult Socket::SendAllVectored(std::span<const ConstBuffer> pieces, int timeoutMs) {
  if (pieces.size() > kMaxSendPieces) return Fail(EINVAL);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  iovec vectors[kMaxSendPieces];
  size_t count = 0;
  for (const ConstBuffer& piece : pieces) {
    if (piece.size == 0) continue;
    vectors[count].iov_base = const_cast<void*>(piece.data);
    vectors[count].iov_len = piece.size;
    ++count;
  }
  // vectors[first..count) is what is left to send; a partial write moves
  // `first` past the pieces it completed and into the one it cut.
  size_t first = 0;
  size_t sent = 0;
  while (first < count) {
    msghdr message{};
    message.msg_iov = vectors + first;
    message.msg_iovlen = count - first;
    // sendmsg, not writev: only the socket calls take MSG_NOSIGNAL.
    ssize_t k = sendmsg(handle_, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (k > 0) {
      sent += static_cast<size_t>(k);
      size_t left = static_cast<size_t>(k);
      while (first < count && left >= vectors[first].iov_len) {
        left -= vectors[first].iov_len;
        ++first;
      }
      if (left > 0) {
        vectors[first].iov_base = static_cast<uint8_t*>(vectors[first].iov_base) + left;
        vectors[first].iov_len -= left;
      }
      continue;
    }
    if (k < 0 && errno == EINTR) continue;
    if (k < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Fail(errno);
    int ready = Wait(handle_, POLLOUT, Remaining(timeoutMs, deadline));
    if (ready == 0) return Timeout();
    if (ready < 0) return Fail(errno);
  }
  IoResult r;
  r.bytes = sent;
  return r;
}

bool Socket::SetSendBufferSize(int bytes) {
  return setsockopt(handle_, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) == 0;
}

IoResult Socket::Receive(void* buffer, size_t maximum, int timeoutMs) {
  for (;;) {
    ssize_t k = recv(handle_, buffer, maximum, MSG_DONTWAIT);
    if (k > 0) {
      IoResult r;
      r.bytes = static_cast<size_t>(k);
      return r;
    }
    if (k == 0) {
      IoResult r;
      r.status = IoResult::kClosed;
      return r;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return Fail(errno);
    if (timeoutMs == 0) return Timeout();
    int ready = Wait(handle_, POLLIN, timeoutMs);
    if (ready == 0) return Timeout();
    if (ready < 0) return Fail(errno);
  }
}

void Socket::Close() {
  if (handle_ >= 0) close(handle_);
  handle_ = -1;
}

namespace {

// The peer's numeric address and port; false when the socket has no peer.
bool Peer(int handle, std::string* address, uint16_t* port, bool* v6) {
  sockaddr_storage peer{};
  socklen_t size = sizeof peer;
  if (getpeername(handle, reinterpret_cast<sockaddr*>(&peer), &size) != 0) return false;
  char host[INET6_ADDRSTRLEN] = "?";
  if (peer.ss_family == AF_INET) {
    const auto* a = reinterpret_cast<const sockaddr_in*>(&peer);
    inet_ntop(AF_INET, &a->sin_addr, host, sizeof host);
    *port = ntohs(a->sin_port);
    *v6 = false;
  } else {
    const auto* a = reinterpret_cast<const sockaddr_in6*>(&peer);
    inet_ntop(AF_INET6, &a->sin6_addr, host, sizeof host);
    *port = ntohs(a->sin6_port);
    *v6 = true;
  }
  *address = host;
  return true;
}

}  // namespace

std::string Socket::PeerName() const {
  std::string host;
  uint16_t port = 0;
  bool v6 = false;
  if (!Peer(handle_, &host, &port, &v6)) return "?";
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string Socket::PeerAddress() const {
  std::string host;
  uint16_t port = 0;
  bool v6 = false;
  return Peer(handle_, &host, &port, &v6) ? host : "?";
}

bool IsLoopbackAddress(const std::string& address) {
  in_addr v4{};
  if (inet_pton(AF_INET, address.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  if (inet_pton(AF_INET6, address.c_str(), &v6) != 1) return false;
  if (IN6_IS_ADDR_LOOPBACK(&v6)) return true;
  return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
}

IoResult Listener::Open(const std::string& address, uint16_t port, int backlog) {
  Close();
  sockaddr_storage storage{};
  socklen_t size = 0;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
  if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    size = sizeof *v4;
  } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    size = sizeof *v6;
  } else {
    return Fail(EINVAL);
  }
  int fd = socket(storage.ss_family, SOCK_STREAM, 0);
  if (fd < 0) return Fail(errno);
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  fcntl(fd, F_SETFD, FD_CLOEXEC);
  if (bind(fd, reinterpret_cast<sockaddr*>(&storage), size) != 0 || listen(fd, backlog) != 0) {
    int error = errno;
    close(fd);
    return Fail(error);
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  sockaddr_storage bound{};
  socklen_t boundSize = sizeof bound;
  getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &boundSize);
  port_ = ntohs(bound.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&bound)->sin_port
                                           : reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) {
    int error = errno;
    close(fd);
    return Fail(error);
  }
  for (int end : pipeEnds) fcntl(end, F_SETFD, FD_CLOEXEC);
  handle_ = fd;
  wakeRead_ = pipeEnds[0];
  wakeWrite_ = pipeEnds[1];
  return IoResult{};
}

IoResult Listener::Accept(Socket* out, int timeoutMs) {
  pollfd p[2] = {{handle_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
  for (;;) {
    int n = poll(p, 2, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    if (n == 0 || (p[1].revents & POLLIN) != 0) return Timeout();
    int fd = accept(handle_, nullptr, nullptr);
    if (fd < 0) {
      // The connection may have gone before it was taken; wait again.
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNABORTED || errno == EINTR) {
        continue;
      }
      return Fail(errno);
    }
    Prepare(fd);
    *out = Socket(fd);
    return IoResult{};
  }
}

void Listener::Wake() {
  if (wakeWrite_ >= 0) {
    const char byte = 1;
    [[maybe_unused]] ssize_t k = write(wakeWrite_, &byte, 1);
  }
}

void Listener::Close() {
  for (int* fd : {&handle_, &wakeRead_, &wakeWrite_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

std::string SystemErrorText(int error) {
  std::string text;
  if (error < 0) {
    text = gai_strerror(EAI_NONAME < 0 ? error : -error);  // as Connect stored it
  } else {
    char buffer[256] = {};
    text = strerror_r(error, buffer, sizeof buffer);
  }
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' &&
      !(text.size() > 1 && text[1] >= 'A' && text[1] <= 'Z')) {
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  }
  return text;
}

}  // namespace vantora::tcp
