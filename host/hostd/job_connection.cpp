#include "host/hostd/job_connection.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "host/server/server_session.h"
#include "transport/tcp/frame.h"
#include "transport/tcp/hello.h"

namespace vantora::hostd {
namespace {

using Clock = std::chrono::steady_clock;
using host::LogLevel;

constexpr int kStopCheckMs = 200;
constexpr int kSendLimitMs = 30'000;
constexpr size_t kReceiveChunk = 16 * 1024;

enum class Wait { kFrame, kTimeout, kClosed, kStopping, kBadFrame };

class Reader {
 public:
  Reader(tcp::Channel& channel, const std::atomic<bool>& stopping)
      : channel_(channel), stopping_(stopping), frames_(tcp::ServerSideLimits()) {}

  // The next frame within `timeoutMs` (negative: no limit).
  Wait Next(int timeoutMs, tcp::Frame* frame) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
      switch (frames_.Next(frame)) {
        case tcp::FrameReader::Result::kFrame:
          return Wait::kFrame;
        case tcp::FrameReader::Result::kError:
          return Wait::kBadFrame;
        case tcp::FrameReader::Result::kNeedMore:
          break;
      }
      if (stopping_) return Wait::kStopping;
      int slice = kStopCheckMs;
      if (timeoutMs >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Wait::kTimeout;
        slice = static_cast<int>(std::min<int64_t>(left.count(), kStopCheckMs));
      }
      size_t room = 0;
      uint8_t* space = frames_.Space(kReceiveChunk, &room);
      tcp::IoResult r = channel_.Receive(space, room, slice);
      if (r.status == tcp::IoResult::kTimeout) continue;
      if (!r.ok()) {
        error_ = r.error;
        tlsFailed_ = r.status == tcp::IoResult::kTls;
        return Wait::kClosed;
      }
      frames_.Commit(r.bytes);
    }
  }

  // Bytes of a frame begun but not complete.
  size_t partial() const { return frames_.buffered(); }
  int error() const { return error_; }
  // The connection ended on a bad TLS record.
  bool tlsFailed() const { return tlsFailed_; }

 private:
  tcp::Channel& channel_;
  const std::atomic<bool>& stopping_;
  tcp::FrameReader frames_;
  int error_ = 0;
  bool tlsFailed_ = false;
};

class Serving {
 public:
  Serving(host::Host& host, tcp::Channel& channel, const std::string& peer,
          const ConnectionLimits& limits, const std::atomic<bool>& stopping, SignOnPlace& place,
          const tcp::TlsContext* tls)
      : host_(host),
        channel_(channel),
        peer_(peer),
        limits_(limits),
        stopping_(stopping),
        place_(place),
        tls_(tls),
        reader_(channel, stopping) {
    int limit = limits_.signOnTimeoutMs;
    if (limits_.idleTimeoutMs >= 0 && limits_.idleTimeoutMs < limit) limit = limits_.idleTimeoutMs;
    signOnDeadline_ = Clock::now() + std::chrono::milliseconds(std::max(limit, 0));
  }

  void Run();

 private:
  // What is left of the time to sign on in.
  int SignOnLeftMs() const {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(signOnDeadline_ - Clock::now());
    return static_cast<int>(std::max<int64_t>(left.count(), 0));
  }
  bool StartTls();
  bool Handshake(host::SessionOptions* options);
  void Refuse(tcp::FrameRefusal reason, const std::string& why, LogLevel level);
  bool Send(const uint8_t* data, size_t n) {
    const tcp::ConstBuffer whole{data, n};
    return Send({&whole, 1});
  }
  bool Send(std::span<const tcp::ConstBuffer> pieces) {
    // Bounded even without an idle limit, so a client that stops reading
    // cannot hold its thread (and the server's stop) for long.
    const int limit =
        limits_.idleTimeoutMs < 0 ? kSendLimitMs : std::min(limits_.idleTimeoutMs, kSendLimitMs);
    tcp::IoResult r = channel_.SendAllVectored(pieces, limit);
    if (!r.ok()) {
      Log(LogLevel::kInfo,
          "could not send to the client (error " + std::to_string(r.error) + "); closing");
    }
    return r.ok();
  }
  void Log(LogLevel level, const std::string& text) {
    if (signedOn_) {
      host_.Log(level, peer_ + ": " + text);
    } else {
      place_.LogBeforeSignOn(level, text);
    }
  }
  // Says why waiting for a frame ended, to the log and (when useful) the peer.
  void LogEnd(Wait w, bool midRequest);

  host::Host& host_;
  tcp::Channel& channel_;
  const std::string& peer_;
  const ConnectionLimits& limits_;
  const std::atomic<bool>& stopping_;
  SignOnPlace& place_;
  const tcp::TlsContext* tls_;
  Reader reader_;
  Clock::time_point signOnDeadline_;
  bool signedOn_ = false;
};

void Serving::Refuse(tcp::FrameRefusal reason, const std::string& why, LogLevel level) {
  Log(level, why + "; closing the connection");
  std::vector<uint8_t> frame = tcp::EncodeRefusal(reason, why);
  channel_.SendAll(frame.data(), frame.size(), 1000);  // best effort: the peer may be gone
}

void Serving::LogEnd(Wait w, bool midRequest) {
  switch (w) {
    case Wait::kTimeout:
      Refuse(tcp::FrameRefusal::kIdleLimit,
             midRequest ? "request not completed within the idle time limit"
                        : "no request within the idle time limit",
             LogLevel::kInfo);
      break;
    case Wait::kClosed:
      if (reader_.tlsFailed()) {
        Log(LogLevel::kWarning, "bad TLS record: " + channel_.session()->Describe());
      } else if (midRequest || reader_.partial() > 0) {
        Log(LogLevel::kWarning, "connection lost in the middle of a request");
      } else if (reader_.error() != 0) {
        Log(LogLevel::kInfo, "connection lost (error " + std::to_string(reader_.error()) + ")");
      } else {
        Log(LogLevel::kDebug, "connection closed by the client");
      }
      break;
    case Wait::kStopping:
      Refuse(tcp::FrameRefusal::kStopping, "the server is stopping", LogLevel::kDebug);
      break;
    case Wait::kBadFrame:
      Refuse(tcp::FrameRefusal::kProtocolError, "malformed frame", LogLevel::kWarning);
      break;
    case Wait::kFrame:
      break;
  }
}

bool Serving::StartTls() {
  std::unique_ptr<tcp::TlsSession> session = tcp::TlsSession::Server(*tls_);
  if (!session) {
    Log(LogLevel::kError, "TLS cannot be set up for the connection; closing it");
    return false;
  }
  channel_.StartTls(std::move(session));
  for (;;) {
    if (stopping_) {
      Log(LogLevel::kDebug, "the server is stopping; closing the connection");
      return false;
    }
    const int left = SignOnLeftMs();
    if (left <= 0) {
      Log(LogLevel::kInfo, "no TLS handshake in time; closing the connection");
      return false;
    }
    tcp::IoResult r = channel_.Handshake(std::min(left, kStopCheckMs));
    switch (r.status) {
      case tcp::IoResult::kOk:
        Log(LogLevel::kDebug, "TLS: " + channel_.session()->Describe());
        return true;
      case tcp::IoResult::kTimeout:
        continue;
      case tcp::IoResult::kClosed:
      case tcp::IoResult::kError:
        Log(LogLevel::kInfo, "connection lost during the TLS handshake");
        return false;
      case tcp::IoResult::kTls:
        break;
    }
    if (r.error == tcp::kTlsNotTls) {
      // Nothing went out through TLS yet: the plain client can read why.
      const std::string why = "this server accepts TLS connections only";
      Log(LogLevel::kWarning, "a client without TLS: " + why + "; closing the connection");
      std::vector<uint8_t> frame = tcp::EncodeRefusal(tcp::FrameRefusal::kTlsRequired, why);
      channel_.socket().SendAll(frame.data(), frame.size(), 1000);
      return false;
    }
    Log(LogLevel::kWarning,
        "TLS handshake failed: " + channel_.session()->Describe() + "; closing the connection");
    return false;
  }
}

bool Serving::Handshake(host::SessionOptions* options) {
  tcp::Frame frame;
  Wait w = reader_.Next(SignOnLeftMs(), &frame);
  if (w == Wait::kTimeout) {
    Refuse(tcp::FrameRefusal::kHelloTimeout, "no handshake in time", LogLevel::kInfo);
    return false;
  }
  if (w == Wait::kBadFrame) {
    Refuse(tcp::FrameRefusal::kBadHello, "not a Vantora client", LogLevel::kWarning);
    return false;
  }
  if (w != Wait::kFrame) {
    LogEnd(w, false);
    return false;
  }
  tcp::Hello hello;
  if (frame.kind != tcp::FrameKind::kHello || !tcp::DecodeHello(frame.payload, &hello)) {
    Refuse(tcp::FrameRefusal::kBadHello, "not a Vantora client", LogLevel::kWarning);
    return false;
  }
  if (hello.version != tcp::kProtocolVersion) {
    Refuse(tcp::FrameRefusal::kBadHello,
           "client speaks protocol version " + std::to_string(hello.version) + ", not " +
               std::to_string(tcp::kProtocolVersion),
           LogLevel::kWarning);
    return false;
  }
  options->peer = peer_;
  options->trustDefaultUser = false;  // authenticated like any user
  options->readAhead = limits_.readAhead;
  if (hello.hasCredentials) {
    options->defaultUser = hello.user;
    options->defaultPassword = hello.password;
  }
  std::fill(hello.password.begin(), hello.password.end(), '\0');
  std::vector<uint8_t> welcome = tcp::EncodeWelcome(host::kHostVersion);
  return Send(welcome.data(), welcome.size());
}

void Serving::Run() {
  if (tls_ != nullptr && !StartTls()) return;
  host::SessionOptions options;
  if (!Handshake(&options)) return;
  host::ServerSession session(host_, std::move(options));
  bool midRequest = false;
  for (;;) {
    tcp::Frame frame;
    Wait w = reader_.Next(signedOn_ ? limits_.idleTimeoutMs : SignOnLeftMs(), &frame);
    if (w == Wait::kTimeout && !signedOn_) {
      Refuse(tcp::FrameRefusal::kHelloTimeout, "not signed on in time", LogLevel::kInfo);
      return;
    }
    if (w != Wait::kFrame) {
      LogEnd(w, midRequest);
      return;
    }
    const bool first = frame.kind == tcp::FrameKind::kRequest;
    if (frame.kind == tcp::FrameKind::kHello || first == midRequest) {
      Refuse(tcp::FrameRefusal::kProtocolError,
             midRequest ? "a new request before the last one was complete"
                        : "a request part out of turn",
             LogLevel::kWarning);
      return;
    }
    switch (session.Feed(frame.payload.data(), frame.payload.size())) {
      case host::ServerSession::Outcome::kNeedMore:
        midRequest = true;
        continue;
      case host::ServerSession::Outcome::kNoReply:
        midRequest = false;
        continue;
      case host::ServerSession::Outcome::kEnd:
        if (!session.error().empty()) {
          Refuse(tcp::FrameRefusal::kBadRequest, "bad request: " + session.error(),
                 LogLevel::kWarning);
        }
        return;
      case host::ServerSession::Outcome::kReply:
        midRequest = false;
        break;
    }
    if (!signedOn_ && session.opened()) {
      if (!place_.TakeSessionPlace()) {
        Refuse(tcp::FrameRefusal::kTooManyConnections,
               "too many connections: every session's place is taken", LogLevel::kWarning);
        return;
      }
      signedOn_ = true;
    }
    std::span<const uint8_t> reply = session.Reply();
    if (reply.size() > tcp::kMaxFrameLength) {
      Refuse(tcp::FrameRefusal::kProtocolError, "reply too large to send", LogLevel::kError);
      return;
    }
    // The prefix and the reply go out in one vectored write, the reply
    // straight from the session's buffer.
    uint8_t prefix[tcp::kPrefixSize];
    tcp::EncodePrefix(prefix, tcp::FrameKind::kReply, static_cast<uint32_t>(reply.size()));
    const tcp::ConstBuffer pieces[] = {{prefix, sizeof prefix}, {reply.data(), reply.size()}};
    if (!Send(pieces)) return;
    if (!session.opened()) {
      Log(LogLevel::kInfo, "session open refused; closing the connection");
      return;
    }
    session.ReadAhead();
  }
}

}  // namespace

void ServeConnection(host::Host& host, tcp::Socket socket, const std::string& peer,
                     const ConnectionLimits& limits, const std::atomic<bool>& stopping,
                     SignOnPlace& place, const tcp::TlsContext* tls) {
  tcp::Channel channel(std::move(socket));
  Serving(host, channel, peer, limits, stopping, place, tls).Run();
  channel.Close();
}

}  // namespace vantora::hostd
