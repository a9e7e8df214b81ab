#include "transport/tcp/tcp_connection.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "protocol/message_format.h"
#include "transport/tcp/failure_text.h"
#include "transport/tcp/hello.h"

namespace vantora::tcp {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReceiveChunk = 64 * 1024;
constexpr int kFirstBusyPauseMs = 20;
constexpr int kLastBusyPauseMs = 500;
constexpr int kBusyRetryNoLimitMs = 60'000;

}  // namespace

Connection::Connection() : reader_(ClientSideLimits()) {}

bool Connection::Fail(int16_t primary, int32_t secondary) {
  if (primary_ == kAppcNone) {
    primary_ = primary;
    secondary_ = secondary;
    if (primary == kTlsFailed && channel_.session() != nullptr) {
      tlsDetail_ = channel_.session()->Describe();
    }
  }
  channel_.Close();
  reply_ = {};
  return false;
}

bool Connection::FailIo(const IoResult& r, Step step) {
  switch (r.status) {
    case IoResult::kOk:
      return true;
    case IoResult::kTimeout:
      return Fail(kTimeout, static_cast<int32_t>(step));
    case IoResult::kClosed:
      return Fail(kClosedByHost, 0);
    case IoResult::kTls:
      return Fail(kTlsFailed, r.error);
    case IoResult::kError:
      break;
  }
  if (r.error == EPIPE || r.error == ECONNRESET) return Fail(kClosedByHost, r.error);
  return Fail(step == Step::kConnect ? kConnectFailed
              : step == Step::kSend  ? kSendFailed
                                     : kReceiveFailed,
              r.error);
}

bool Connection::StartTls(const TcpSettings& settings) {
  std::string error;
  std::shared_ptr<TlsContext> context = TlsContext::ForClient(settings.tlsCaFile, &error);
  std::unique_ptr<TlsSession> session =
      context ? TlsSession::Client(*context, settings.host) : nullptr;
  if (!session) {
    tlsDetail_ = error;
    return Fail(kTlsFailed, kTlsSetup);
  }
  channel_.StartTls(std::move(session));
  IoResult r = channel_.Handshake(settings.connectTimeoutMs);
  if (r.ok()) return true;
  if (r.status != IoResult::kTls || r.error != kTlsNotTls) return FailIo(r, Step::kConnect);
  // A server that answers in plain frames: a server refusing the connection
  // before any handshake (too many connections) says so in a refusal frame;
  // a server without TLS refuses the TLS hello as a bad handshake.
  const std::vector<uint8_t> plain = channel_.session()->peerBytes();
  channel_.StartTls(nullptr);
  reader_.Append(plain.data(), plain.size());
  ioTimeoutMs_ = settings.connectTimeoutMs;
  Frame frame;
  bool nothingYet = false;
  if (NextFrame(true, &frame, &nothingYet) || primary_ != kRefusedByHost ||
      secondary_ == static_cast<int32_t>(FrameRefusal::kBadHello)) {
    primary_ = kAppcNone;
    return Fail(kTlsFailed, kTlsNotTls);
  }
  return false;
}

bool Connection::Open(const TcpSettings& settings, const std::string& program,
                      bool withCredentials) {
  // A server busy with connections signing on asks to be tried again: so it
  // is, after a pause that grows, as long as the connect limit leaves time.
  const auto deadline = Clock::now() + std::chrono::milliseconds(settings.connectTimeoutMs >= 0
                                                                     ? settings.connectTimeoutMs
                                                                     : kBusyRetryNoLimitMs);
  std::minstd_rand jitter(static_cast<uint32_t>(Clock::now().time_since_epoch().count()));
  int pauseMs = kFirstBusyPauseMs;
  TcpSettings attempt = settings;
  for (;;) {
    if (OpenOnce(attempt, program, withCredentials)) return true;
    if (primary_ != kRefusedByHost || secondary_ != static_cast<int32_t>(FrameRefusal::kBusy)) {
      return false;
    }
    const int pause = pauseMs + static_cast<int>(jitter() % static_cast<uint32_t>(pauseMs));
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= pause) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    pauseMs = std::min(pauseMs * 2, kLastBusyPauseMs);
    if (settings.connectTimeoutMs >= 0) attempt.connectTimeoutMs = static_cast<int>(left - pause);
    primary_ = kAppcNone;
    secondary_ = 0;
    reader_ = FrameReader(ClientSideLimits());
    channel_ = Channel();
  }
}

bool Connection::OpenOnce(const TcpSettings& settings, const std::string& program,
                          bool withCredentials) {
  Socket socket;
  peer_ =
      (settings.host.find(':') != std::string::npos ? "[" + settings.host + "]" : settings.host) +
      ":" + std::to_string(settings.port);
  IoResult r = Socket::Connect(settings.host, settings.port, settings.connectTimeoutMs, &socket);
  if (!r.ok()) {
    return r.status == IoResult::kTimeout ? Fail(kTimeout, static_cast<int32_t>(Step::kConnect))
                                          : Fail(kConnectFailed, r.error);
  }
  channel_ = Channel(std::move(socket));
  if (settings.tls && !StartTls(settings)) return false;
  Hello hello;
  hello.hasCredentials = withCredentials && settings.hasCredentials;
  hello.user = settings.user;
  hello.password = settings.password;
  hello.program = program;
  std::vector<uint8_t> frame = EncodeHello(hello);
  std::fill(hello.password.begin(), hello.password.end(), '\0');
  r = channel_.SendAll(frame.data(), frame.size(), settings.connectTimeoutMs);
  std::fill(frame.begin(), frame.end(), 0);  // the password was in it
  if (!FailIo(r, Step::kConnect)) return false;
  ioTimeoutMs_ = settings.connectTimeoutMs;
  Frame answer;
  bool nothingYet = false;
  if (!NextFrame(true, &answer, &nothingYet)) {
    if (primary_ == kTimeout) secondary_ = static_cast<int32_t>(Step::kConnect);
    return false;
  }
  uint16_t version = 0;
  int32_t hostVersion = 0;
  if (answer.kind != FrameKind::kWelcome ||
      !DecodeWelcome(answer.payload, &version, &hostVersion) || version != kProtocolVersion) {
    return Fail(kProtocolError, kBadWelcome);
  }
  ioTimeoutMs_ = settings.receiveTimeoutMs;
  return true;
}

bool Connection::SendPart(uint8_t* prefixed, int length, bool first) {
  if (broken()) return false;
  if (!channel_.valid()) return Fail(kNotConnected, 0);
  if (length < (first ? wire::kHeaderSize : 1) || length > wire::kMaxPartSize) {
    return Fail(kProtocolError, kBadPart);
  }
  EncodePrefix(prefixed, first ? FrameKind::kRequest : FrameKind::kContinued,
               static_cast<uint32_t>(length));
  return FailIo(channel_.SendAll(prefixed, kPrefixSize + static_cast<size_t>(length), ioTimeoutMs_),
                Step::kSend);
}

bool Connection::NextFrame(bool wait, Frame* frame, bool* nothingYet) {
  *nothingYet = false;
  auto deadline = Clock::now() + std::chrono::milliseconds(ioTimeoutMs_ < 0 ? 0 : ioTimeoutMs_);
  for (;;) {
    switch (reader_.Next(frame)) {
      case FrameReader::Result::kFrame:
        if (frame->kind == FrameKind::kRefusal) {
          uint32_t reason = 0;
          std::string text;
          if (!DecodeRefusal(frame->payload, &reason, &text))
            return Fail(kProtocolError, kBadFrame);
          return Fail(kRefusedByHost, static_cast<int32_t>(reason));
        }
        return true;
      case FrameReader::Result::kError:
        return Fail(kProtocolError, kBadFrame);
      case FrameReader::Result::kNeedMore:
        break;
    }
    int timeoutMs = 0;
    if (wait && ioTimeoutMs_ >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      timeoutMs = static_cast<int>(std::max<int64_t>(left.count(), 0));
      if (timeoutMs == 0) return Fail(kTimeout, static_cast<int32_t>(Step::kReceive));
    } else if (wait) {
      timeoutMs = -1;
    }
    size_t room = 0;
    uint8_t* space = reader_.Space(kReceiveChunk, &room);
    IoResult r = channel_.Receive(space, room, timeoutMs);
    if (r.status == IoResult::kTimeout && !wait) {
      *nothingYet = true;
      return false;
    }
    if (!FailIo(r, Step::kReceive)) return false;
    reader_.Commit(r.bytes);
    // Time limits count from the last bytes received, so a long reply that
    // keeps flowing is not cut.
    deadline = Clock::now() + std::chrono::milliseconds(ioTimeoutMs_ < 0 ? 0 : ioTimeoutMs_);
  }
}

bool Connection::Receive(uint8_t* out, size_t maximum, bool wait, size_t* count) {
  *count = 0;
  if (broken()) return false;
  if (!channel_.valid()) return Fail(kNotConnected, 0);
  if (reply_.empty()) {
    if (!replyAwaited_) return Fail(kNoReplyAwaited, 0);
    Frame frame;
    bool nothingYet = false;
    if (!NextFrame(wait, &frame, &nothingYet)) return nothingYet;
    if (frame.kind != FrameKind::kReply) return Fail(kProtocolError, kUnexpectedFrame);
    reply_ = frame.payload;
    replyAwaited_ = false;
  }
  const size_t n = std::min(maximum, reply_.size());
  std::memcpy(out, reply_.data(), n);
  reply_ = reply_.subspan(n);
  *count = n;
  return true;
}

void Connection::EndReply() {
  reply_ = {};
}

void Connection::Close() {
  channel_.Close();
  reply_ = {};
  replyAwaited_ = false;
}

std::string Connection::FailureText() const {
  return tcp::FailureText(primary_, secondary_, peer_, tlsDetail_);
}

}  // namespace vantora::tcp
