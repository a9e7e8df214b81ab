// A TCP proxy on loopback that breaks, on purpose, the Vantora connections
// it carries between clients and vantora-hostd. It reads the frames going
// each way (transport/tcp/frame.h: a 4-byte prefix with the length, then
// the payload) and, at the start of each frame, draws whether to harm it:
//
//   delay    the frame's bytes go out in pieces of 1 to 64 bytes, 1 to 3 ms
//            apart
//   stall    nothing goes that way for `shortStallMs` (50 to 500 ms; the
//            other way flows on)
//   long stall  the same for `longStallMs`, meant to be longer than the
//            client's receive limit, which then gives up
//   cut      the frame's bytes up to a random one (0 to its last) go through,
//            then both sockets are closed in order (FIN)
//   reset    the same, closed with a reset (RST)
//
// A frame is harmed with probability `rate`; which harm is taken in turn
// (delay, stall, cut, long stall, reset, delay, ...) so that a run with a
// few faults already has each kind. The draws come from one generator per
// connection and direction, seeded from `seed` and the connection's number
// in arrival order: a run with the same seed draws the same faults for the
// n-th connection, though which session that is depends on timing.
//
// Only loopback: it listens on 127.0.0.1 and connects to 127.0.0.1.
//
// Thread safety: the methods may be called from any thread; each connection
// is served by two threads of its own.
#ifndef VANTORA_BENCH_SUPPORT_FAULT_PROXY_H_
#define VANTORA_BENCH_SUPPORT_FAULT_PROXY_H_

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vantora::bench {

struct FaultPlan {
  double rate = 0.001;     // of the frames, those harmed
  int shortStallMs = 500;  // at most; a stall lasts 50 ms to this
  int longStallMs = 5000;  // a long stall
  uint32_t seed = 1;
};

enum FaultKind { kDelay, kStall, kCut, kLongStall, kReset, kFaultKinds };
enum Direction { kToServer, kToClient, kDirections };

// What the proxy did, by kind and direction.
struct FaultCounts {
  int64_t connections = 0;
  int64_t frames[kDirections] = {};
  int64_t faults[kFaultKinds][kDirections] = {};
  int64_t Total(FaultKind kind) const { return faults[kind][kToServer] + faults[kind][kToClient]; }
};

const char* FaultName(FaultKind kind);

class FaultProxy {
 public:
  FaultProxy(uint16_t targetPort, FaultPlan plan);
  // Stops and waits for every connection's threads.
  ~FaultProxy();
  FaultProxy(const FaultProxy&) = delete;
  FaultProxy& operator=(const FaultProxy&) = delete;

  // Listens on a free port of 127.0.0.1; false with `error` when it cannot.
  bool Start(std::string* error);
  uint16_t port() const { return port_; }
  // Harms nothing from now on (connections are carried as they are) or
  // again; the checker's own work goes through a quiet proxy.
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  void Stop();
  FaultCounts counts() const;

 private:
  struct Link;
  void AcceptLoop();
  void Pump(Link& link, Direction direction);
  void Reap(bool all);

  const uint16_t targetPort_;
  const FaultPlan plan_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> quiet_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::list<std::unique_ptr<Link>> links_;
  FaultCounts counts_;
  uint64_t nextKind_ = 0;
};

}  // namespace vantora::bench

#endif  // VANTORA_BENCH_SUPPORT_FAULT_PROXY_H_
