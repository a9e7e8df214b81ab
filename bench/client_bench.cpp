// Client-side cost of a request through the client library, measured against
// the scripted test transport, and the heap allocations each request makes.
//
// Two requests: a small one (Rlength: one value out, a 64-byte reply back)
// and a 32 KB blocked read (VNXRead of 32 records of 1024 bytes, the reply in
// nine parts). Each has a twin that drives the transport's entry points
// directly with the same calls and bytes and no client in between, so that
// the client's own share is the difference of the two.
//
// Counting allocations honestly. The scripted transport is a test tool: it
// records every call with a copy of the bytes sent and builds replies on the
// heap, so counting every allocation during a request would charge the client
// with the transport's bookkeeping. This program replaces the global operator
// new (the client library allocates through it alone: it is C++ and calls no
// malloc of its own) and, in a counting pass before each timed loop,
// attributes every allocation by walking the stack: the innermost frame in
// libMV432tst.so or libMV432IDA.so says whose it is. An allocation made inside
// a transport entry point counts for the transport even though the client
// called it; one the client makes itself counts for the client; the
// benchmark's own for neither. The timed loop counts all allocations (client
// and transport) without walking the stack, which would distort the time,
// leaving out the pauses in which the benchmark scripts the next replies.
//
// Settings: the client library binds its transport when it is loaded, before
// main runs. An entry of the program's preinit_array, which runs before the
// initialisers of all libraries, starts the program again with MV400_INI
// naming the test settings when it does not already.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "protocol/message_format.h"
#include "tests/support/scripted_transport.h"

namespace wire = vantora::wire;
using vantora::testing::Reply;
using vantora::testing::ScriptedTransport;

// ---- Allocation counting ----------------------------------------------------

namespace {

std::atomic<uint64_t> allAllocations{0};
std::atomic<uint64_t> clientAllocations{0};
std::atomic<uint64_t> transportAllocations{0};
std::atomic<bool> attributing{false};
thread_local bool walking = false;    // the stack walk itself may allocate
const void* clientBase = nullptr;     // load address of libMV432IDA.so
const void* transportBase = nullptr;  // load address of libMV432tst.so

void CountAllocation() {
  allAllocations.fetch_add(1, std::memory_order_relaxed);
  if (!attributing.load(std::memory_order_relaxed) || walking) return;
  walking = true;
  void* frames[64];
  const int n = backtrace(frames, 64);
  for (int i = 0; i < n; ++i) {
    Dl_info info{};
    if (dladdr(frames[i], &info) == 0) continue;
    if (info.dli_fbase == transportBase) {
      transportAllocations.fetch_add(1, std::memory_order_relaxed);
      break;
    }
    if (info.dli_fbase == clientBase) {
      clientAllocations.fetch_add(1, std::memory_order_relaxed);
      break;
    }
  }
  walking = false;
}

void* Allocate(std::size_t size) {
  CountAllocation();
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  CountAllocation();
  const auto a = static_cast<std::size_t>(alignment);
  void* p = std::aligned_alloc(a, (size + a - 1) / a * a);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

const void* BaseOf(const char* symbol) {
  Dl_info info{};
  void* address = dlsym(RTLD_DEFAULT, symbol);
  if (address == nullptr || dladdr(address, &info) == 0) return nullptr;
  return info.dli_fbase;
}

}  // namespace

#define REPLACED __attribute__((visibility("default")))

REPLACED void* operator new(std::size_t size) {
  return Allocate(size);
}
REPLACED void* operator new[](std::size_t size) {
  return Allocate(size);
}
REPLACED void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
REPLACED void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
REPLACED void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateAligned(size, alignment);
}
REPLACED void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateAligned(size, alignment);
}
REPLACED void operator delete(void* p) noexcept {
  std::free(p);
}
REPLACED void operator delete[](void* p) noexcept {
  std::free(p);
}
REPLACED void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
REPLACED void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
REPLACED void operator delete(void* p, std::align_val_t) noexcept {
  std::free(p);
}
REPLACED void operator delete[](void* p, std::align_val_t) noexcept {
  std::free(p);
}
REPLACED void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
REPLACED void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}

// The transport's entry points, called directly by the transport-alone twins.
extern "C" {
int16_t RESConnexion(void* session, const char* machine, const char* program, const char* user,
                     const char* password);
int16_t RESModeEnvoi(void* session);
int16_t RESEnvoi(void* session, int16_t length, void* buffer);
int16_t RESModeReception(void* session);
int16_t RESReception(void* session, int16_t maximum, void* buffer, int16_t* count, int16_t flag);
}

namespace {

struct PerRequest {
  double client;
  double transport;
};

// Runs `request` `n` times with attribution on; allocations per request.
template <typename Fn>
PerRequest CountAttributed(int n, Fn request) {
  const uint64_t client = clientAllocations.load();
  const uint64_t transport = transportAllocations.load();
  attributing = true;
  for (int i = 0; i < n; ++i) request();
  attributing = false;
  return {static_cast<double>(clientAllocations.load() - client) / n,
          static_cast<double>(transportAllocations.load() - transport) / n};
}

// Counts every allocation of a timed loop, except those of the pauses in
// which the benchmark scripts the next replies.
class AllCount {
 public:
  AllCount() : start_(allAllocations.load()) {}
  // Runs `work` with the clock stopped and its allocations left out.
  template <typename Fn>
  void Paused(benchmark::State& state, Fn work) {
    state.PauseTiming();
    const uint64_t before = allAllocations.load();
    work();
    excluded_ += allAllocations.load() - before;
    state.ResumeTiming();
  }
  uint64_t Total() const { return allAllocations.load() - start_ - excluded_; }

 private:
  uint64_t start_;
  uint64_t excluded_ = 0;
};

void Report(benchmark::State& state, const PerRequest& attributed, const AllCount& all) {
  state.counters["client_allocs/req"] = attributed.client;
  state.counters["transport_allocs/req"] = attributed.transport;
  state.counters["all_allocs/req"] =
      benchmark::Counter(static_cast<double>(all.Total()), benchmark::Counter::kAvgIterations);
}

// Requests between two pauses in which the transport's call record is
// cleared (it grows with every call) and the next replies are scripted.
constexpr int kBatch = 256;
constexpr int kCountingPass = 64;

// ---- The small request -------------------------------------------------------

constexpr int32_t kRlength = 0x0111;

void BM_SmallRequest(benchmark::State& state) {
  ScriptedTransport::Reset();
  if (StartSession() != 1) state.SkipWithError("no session");
  const PerRequest attributed = CountAttributed(kCountingPass, [] { Rlength(1); });
  AllCount all;
  int batch = 0;
  for (auto _ : state) {
    if (++batch == kBatch) {
      all.Paused(state, [] { ScriptedTransport::Reset(); });
      batch = 0;
    }
    if (Rlength(1) != 1) state.SkipWithError("wrong result");
  }
  Report(state, attributed, all);
}
BENCHMARK(BM_SmallRequest);

// A session record as the transport sees it: the request's first part goes
// out from offset 166 (4 transport bytes, then the header at 170).
struct FakeSession {
  alignas(8) uint8_t bytes[234 + 4096] = {};
  uint8_t* part() { return bytes + 166; }
  uint8_t* header() { return bytes + 170; }
};

// Lays out the first request part: the header with `code`, the slots and
// `dataBytes` bytes of (zero) data.
void PutRequest(FakeSession& s, int32_t code, std::initializer_list<int32_t> slots, int dataBytes) {
  uint8_t* h = s.header();
  wire::StoreLeI32(h + wire::kHdrSequence, 1);
  wire::StoreLeI32(h + wire::kHdrCode, code);
  wire::StoreLeI32(h + wire::kHdrLength, dataBytes);
  wire::StoreLeI32(h + wire::kHdrResult, 0);
  int i = 0;
  for (int32_t slot : slots) wire::StoreLeI32(h + wire::kHdrSlots + 4 * i++, slot);
  std::memcpy(h + wire::kHdrSystemError, wire::kEyeCatcher, wire::kSystemErrorSize);
}

void BM_SmallRequest_TransportAlone(benchmark::State& state) {
  ScriptedTransport::Reset();
  static FakeSession session;
  RESConnexion(&session, "", "", nullptr, nullptr);
  auto exchange = [] {
    PutRequest(session, kRlength, {1}, 0);
    RESModeEnvoi(&session);
    RESEnvoi(&session, wire::kHeaderSize, session.part());
    RESModeReception(&session);
    int16_t count = 0;
    RESReception(&session, 4096, session.header(), &count, 0);
    RESModeEnvoi(&session);
    return count;
  };
  const PerRequest attributed = CountAttributed(kCountingPass, exchange);
  AllCount all;
  int batch = 0;
  for (auto _ : state) {
    if (++batch == kBatch) {
      all.Paused(state, [] { ScriptedTransport::Reset(); });
      batch = 0;
    }
    if (exchange() != wire::kHeaderSize) state.SkipWithError("wrong reply");
  }
  Report(state, attributed, all);
}
BENCHMARK(BM_SmallRequest_TransportAlone);

// ---- The 32 KB blocked read -------------------------------------------------

constexpr int32_t kRead = 0x0146;
constexpr int32_t kRecords = 32;
constexpr int32_t kRecordLength = 1024;
constexpr int32_t kReadOptions = VNX_READ_NEXT | VNX_BLOCK | kRecords;

// The reply to the blocked read, cut into parts as the host sends them:
// header and 4032 data bytes, then parts of 4096.
std::vector<std::vector<uint8_t>> BlockedReadReply() {
  Reply reply;
  reply.code = kRead;
  reply.result = kRecords;
  reply.slots = {0, kRecords * kRecordLength, 0, 0, 0, 0, kRecords * 4};
  reply.data.resize(static_cast<size_t>(kRecords * kRecordLength + kRecords * 4));
  for (size_t i = 0; i < reply.data.size(); ++i) reply.data[i] = static_cast<uint8_t>(i * 13);
  const std::vector<uint8_t> bytes = reply.Bytes();
  std::vector<std::vector<uint8_t>> parts;
  for (size_t at = 0; at < bytes.size(); at += wire::kMaxPartSize) {
    const size_t end = std::min(bytes.size(), at + wire::kMaxPartSize);
    parts.emplace_back(bytes.begin() + static_cast<long>(at),
                       bytes.begin() + static_cast<long>(end));
  }
  return parts;
}

void QueueReplies(const std::vector<std::vector<uint8_t>>& parts, int replies) {
  for (int r = 0; r < replies; ++r) {
    for (const auto& part : parts) ScriptedTransport::QueueReceive(part);
  }
}

void BM_BlockedRead32K(benchmark::State& state) {
  ScriptedTransport::Reset();
  if (StartSession() != 1) state.SkipWithError("no session");
  const auto parts = BlockedReadReply();
  std::vector<uint8_t> records(kRecords * kRecordLength);
  std::vector<int32_t> numbers(kRecords);
  auto read = [&] {
    return VNXRead(1, records.data(), kRecordLength, kReadOptions, nullptr, 0, numbers.data());
  };
  QueueReplies(parts, kCountingPass);
  const PerRequest attributed = CountAttributed(kCountingPass, read);
  ScriptedTransport::Reset();
  QueueReplies(parts, kBatch);
  AllCount all;
  int batch = 0;
  for (auto _ : state) {
    if (read() != kRecords) state.SkipWithError("wrong result");
    if (++batch == kBatch) {
      all.Paused(state, [&] {
        ScriptedTransport::Reset();
        QueueReplies(parts, kBatch);
      });
      batch = 0;
    }
  }
  state.SetBytesProcessed(state.iterations() * kRecords * kRecordLength);
  Report(state, attributed, all);
}
BENCHMARK(BM_BlockedRead32K);

void BM_BlockedRead32K_TransportAlone(benchmark::State& state) {
  ScriptedTransport::Reset();
  static FakeSession session;
  RESConnexion(&session, "", "", nullptr, nullptr);
  const auto parts = BlockedReadReply();
  // The request: two 16-byte output placeholders (records, numbers).
  auto exchange = [&] {
    PutRequest(session, kRead,
               {1, kRecords * kRecordLength, kRecordLength, kReadOptions, 0, 0, kRecords * 4}, 32);
    RESModeEnvoi(&session);
    RESEnvoi(&session, wire::kHeaderSize + 32, session.part());
    RESModeReception(&session);
    int32_t received = 0;
    for (size_t p = 0; p < parts.size(); ++p) {
      int16_t count = 0;
      RESReception(&session, 4096, p == 0 ? session.header() : session.header() + 64, &count, 0);
      received += count;
    }
    RESModeEnvoi(&session);
    return received;
  };
  QueueReplies(parts, kCountingPass);
  const PerRequest attributed = CountAttributed(kCountingPass, exchange);
  ScriptedTransport::Reset();
  QueueReplies(parts, kBatch);
  AllCount all;
  int batch = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(exchange());
    if (++batch == kBatch) {
      all.Paused(state, [&] {
        ScriptedTransport::Reset();
        QueueReplies(parts, kBatch);
      });
      batch = 0;
    }
  }
  state.SetBytesProcessed(state.iterations() * kRecords * kRecordLength);
  Report(state, attributed, all);
}
BENCHMARK(BM_BlockedRead32K_TransportAlone);

}  // namespace

// Runs before the initialiser of any library (preinit_array). When MV400_INI
// does not name the test settings, starts the program again with it set, so
// that the client library binds the scripted transport when it loads. Setting
// the variable here would not last: the C library's initialiser, which runs
// next, takes back the environment the program was started with.
void RunWithTestSettings(int, char** argv, char** envp) {
  static const char kSetting[] = "MV400_INI=" CLIENT_BENCH_INI;
  static char* env[1024];
  size_t n = 0;
  for (char** e = envp; *e != nullptr; ++e) {
    if (std::strcmp(*e, kSetting) == 0) return;
    if (std::strncmp(*e, "MV400_INI=", 10) == 0) continue;
    if (n + 2 >= std::size(env)) return;  // main says so
    env[n++] = *e;
  }
  env[n++] = const_cast<char*>(kSetting);
  env[n] = nullptr;
  execve("/proc/self/exe", argv, env);
}
__attribute__((section(".preinit_array"),
               used)) void (*const runWithTestSettings)(int, char**, char**) = RunWithTestSettings;

int main(int argc, char** argv) {
  const char* settings = std::getenv("MV400_INI");
  if (settings == nullptr || std::strcmp(settings, CLIENT_BENCH_INI) != 0) {
    std::fprintf(stderr, "client_bench: cannot run with MV400_INI=%s\n", CLIENT_BENCH_INI);
    return 1;
  }
  clientBase = BaseOf("Rlength");
  transportBase = BaseOf("RESEnvoi");
  if (clientBase == nullptr || transportBase == nullptr || clientBase == transportBase) {
    std::fprintf(stderr, "client_bench: cannot tell the libraries apart\n");
    return 1;
  }
  void* warm[4];
  backtrace(warm, 4);  // loads the unwinder before anything is counted
  // The attribution must see the client's own allocations, or a count of 0
  // would prove nothing: a table of sessions is one.
  const PerRequest check = CountAttributed(1, [] {
    OpenMultiSession(2);
    CloseMultiSession();
  });
  if (check.client < 1) {
    std::fprintf(stderr, "client_bench: the client's allocations are not seen\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  VNXTerminate();
  return 0;
}
