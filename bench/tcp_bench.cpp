// Loopback figures of the TCP transport: the client library through
// libMV432tcp.so to vantora-hostd's server (run here on threads of this
// process), each beside a plain TCP exchange of the same sizes written here,
// which is what the wire alone allows.
//
//   1. small requests, one at a time: RTV_AS_VER, and one-record reads of
//      DEMO/BENCH100 without blocking, against a ping-pong of their request
//      and reply sizes;
//   2. blocked reads of DEMO/BENCH100 (100-byte records), against a plain
//      request/reply exchange of a small request and a reply the size of one
//      block, and against a plain one-way stream;
//   2b. the one-record and blocked reads against a second server on the same
//      host that does not read ahead, alternating with the first, which
//      shows what the read-ahead gives;
//   3. the same requests with the host in this process (network type "ehn"),
//      which shows the host's own share of each round trip;
//   4. heap allocations per blocked read in the steady state, on each side:
//      the client library and its transport (this thread) and the server
//      (every other thread of the process: the server runs here, so one
//      counter sees both sides without a second process to ask).
//
// Only one request is in flight per session, so the exchange, not the
// stream, bounds the blocked reads.
//
// The client library binds its transport when it is loaded, so this program
// loads it by name once it has written the settings that name "tcp".
//
//   tcp_bench [seconds per figure, default 2] [block records, default 100]
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "bench/support/allocation_counter.h"
#include "host/hostd/tcp_server.h"
#include "host/server/host_setup.h"
#include "host/storage/sqlite_memory.h"
#include "mv432ida.h"
#include "transport/tcp/socket.h"

namespace {

using namespace vantora;
using Clock = std::chrono::steady_clock;

constexpr int32_t kBenchRecords = 20000;
constexpr int32_t kRecordLength = 100;

// The client library's functions used here, bound after it is loaded.
struct Client {
  int32_t (*StartSession)();
  int32_t (*FreeSession)();
  int32_t (*VNXTerminate)();
  int32_t (*Ropen)(const char*, const char*);
  int32_t (*Rclose)(int32_t);
  int32_t (*VNXRead)(int32_t, void*, int32_t, int32_t, const void*, int32_t, int32_t*);
  int32_t (*RTV_AS_VER)(int32_t*);
  int32_t (*OpenMultiSession)(int32_t);
  int32_t (*VNXSession)(int32_t);
  int32_t (*MCH_name)(const char*);
};

template <typename F>
bool Bind(void* library, const char* name, F* out) {
  *out = reinterpret_cast<F>(dlsym(library, name));
  return *out != nullptr;
}

bool LoadClient(Client* c) {
  void* library = dlopen(MV432IDA_PATH, RTLD_NOW);
  return library != nullptr && Bind(library, "StartSession", &c->StartSession) &&
         Bind(library, "FreeSession", &c->FreeSession) &&
         Bind(library, "VNXTerminate", &c->VNXTerminate) && Bind(library, "Ropen", &c->Ropen) &&
         Bind(library, "Rclose", &c->Rclose) && Bind(library, "VNXRead", &c->VNXRead) &&
         Bind(library, "RTV_AS_VER", &c->RTV_AS_VER) &&
         Bind(library, "OpenMultiSession", &c->OpenMultiSession) &&
         Bind(library, "VNXSession", &c->VNXSession) && Bind(library, "MCH_name", &c->MCH_name);
}

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Runs `once` (one round trip, answering the items it moved) for about
// `seconds`; returns round trips per second and items per second.
struct Rate {
  double perSecond = 0;
  double itemsPerSecond = 0;
};
Rate MeasureOnce(double seconds, const std::function<int64_t()>& once) {
  for (int i = 0; i < 20; ++i) once();  // warm up
  const auto start = Clock::now();
  int64_t rounds = 0;
  int64_t items = 0;
  while (Seconds(Clock::now() - start) < seconds) {
    for (int i = 0; i < 20; ++i, ++rounds) {
      int64_t n = once();
      if (n < 0) {
        std::fprintf(stderr, "tcp_bench: a request failed\n");
        std::exit(1);
      }
      items += n;
    }
  }
  const double elapsed = Seconds(Clock::now() - start);
  return {static_cast<double>(rounds) / elapsed, static_cast<double>(items) / elapsed};
}

// The machine may be shared: each figure is the best of three runs, and the
// runs of a figure and of its plain twin alternate, so that both see the
// same load.
Rate Best(Rate a, Rate b) {
  return a.perSecond >= b.perSecond ? a : b;
}
Rate Measure(double seconds, const std::function<int64_t()>& once) {
  Rate best;
  for (int run = 0; run < 3; ++run) best = Best(best, MeasureOnce(seconds / 3, once));
  return best;
}
std::pair<Rate, Rate> MeasurePair(double seconds, const std::function<int64_t()>& mine,
                                  const std::function<int64_t()>& plain) {
  Rate a, b;
  for (int run = 0; run < 3; ++run) {
    a = Best(a, MeasureOnce(seconds / 3, mine));
    b = Best(b, MeasureOnce(seconds / 3, plain));
  }
  return {a, b};
}

bool ReceiveExactly(tcp::Socket& s, uint8_t* buffer, size_t n) {
  size_t got = 0;
  while (got < n) {
    tcp::IoResult r = s.Receive(buffer + got, n - got, 10000);
    if (!r.ok()) return false;
    got += r.bytes;
  }
  return true;
}

// A plain TCP peer: answers each `request`-byte message with `reply` bytes,
// or (reply 0) just swallows a stream.
class PlainPeer {
 public:
  PlainPeer(size_t request, size_t reply) : request_(request), reply_(reply) {
    listener_.Open("127.0.0.1", 0, 1);
    thread_ = std::thread([this] {
      tcp::Socket s;
      if (!listener_.Accept(&s, 10000).ok()) return;
      std::vector<uint8_t> in(std::max<size_t>(request_, 1 << 16));
      std::vector<uint8_t> out(reply_ + 1, 0x5A);
      for (;;) {
        if (reply_ == 0) {
          if (!s.Receive(in.data(), in.size(), 10000).ok()) return;
          continue;
        }
        if (!ReceiveExactly(s, in.data(), request_)) return;
        if (!s.SendAll(out.data(), reply_, 10000).ok()) return;
      }
    });
    tcp::Socket::Connect("127.0.0.1", listener_.port(), 5000, &client_);
  }
  ~PlainPeer() {
    client_.Close();
    thread_.join();
  }
  int64_t RoundTrip() {
    static thread_local std::vector<uint8_t> out, in;
    out.resize(request_, 0xA5);
    in.resize(reply_);
    if (!client_.SendAll(out.data(), request_, 10000).ok()) return -1;
    return ReceiveExactly(client_, in.data(), reply_) ? 1 : -1;
  }
  int64_t Stream(size_t bytes) {
    static thread_local std::vector<uint8_t> out;
    out.resize(bytes, 0xA5);
    return client_.SendAll(out.data(), bytes, 10000).ok() ? 1 : -1;
  }

 private:
  size_t request_;
  size_t reply_;
  tcp::Listener listener_;
  tcp::Socket client_;
  std::thread thread_;
};

// Allocations per call of `once` after a warm-up: by this thread, and by
// the other threads of the process.
struct Allocations {
  double here = 0;
  double elsewhere = 0;
};
Allocations CountAllocations(const std::function<int64_t()>& once) {
  constexpr int kWarmUp = 50, kCalls = 1000;
  for (int i = 0; i < kWarmUp; ++i) once();
  const uint64_t here = bench::ThreadAllocations();
  const uint64_t all = bench::ProcessAllocations();
  for (int i = 0; i < kCalls; ++i) {
    if (once() < 0) {
      std::fprintf(stderr, "tcp_bench: a request failed\n");
      std::exit(1);
    }
  }
  // The server's work after its last send (back to waiting) settles first.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const uint64_t hereAfter = bench::ThreadAllocations();
  const uint64_t allAfter = bench::ProcessAllocations();
  Allocations a;
  a.here = static_cast<double>(hereAfter - here) / kCalls;
  a.elsewhere = static_cast<double>((allAfter - all) - (hereAfter - here)) / kCalls;
  return a;
}

void Row(const char* what, const Rate& r, const char* unit, double perItemBytes = 0) {
  if (perItemBytes > 0) {
    std::printf("  %-46s %10.0f %-6s %10.0f records/s %8.1f MB/s\n", what, r.perSecond, unit,
                r.itemsPerSecond, r.itemsPerSecond * perItemBytes / 1e6);
  } else {
    std::printf("  %-46s %10.0f %-6s\n", what, r.perSecond, unit);
  }
}

}  // namespace

int main(int argc, char** argv) {
  host::ReuseSqliteMemory();  // as vantora-hostd does
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  const int32_t block = argc > 2 ? std::atoi(argv[2]) : 100;
  if (seconds <= 0 || block < 1 || block > 4095) {
    std::fprintf(stderr, "usage: tcp_bench [seconds per figure] [block records, 1-4095]\n");
    return 2;
  }
  const auto root =
      std::filesystem::temp_directory_path() / ("vantora-tcp-bench." + std::to_string(getpid()));
  std::filesystem::create_directories(root);
  std::unique_ptr<host::Host> h;
  {
    host::HostOptions options;
    if (!host::OpenPreparedHost((root / "host").string(), "", options, &h).ok() ||
        !host::CreateDemoLibrary(h->storage(), kBenchRecords).ok() ||
        !h->storage().userProfiles().Create("BENCH", "bench", "benchmark").ok()) {
      std::fprintf(stderr, "tcp_bench: cannot prepare the host in %s\n", root.c_str());
      return 1;
    }
  }
  hostd::ServerConfig config;
  config.port = 0;
  auto server = std::make_unique<hostd::TcpServer>(*h, config);
  // The same host served without reading ahead, for the difference it makes.
  hostd::ServerConfig plainConfig = config;
  plainConfig.limits.readAhead = false;
  auto plainServer = std::make_unique<hostd::TcpServer>(*h, plainConfig);
  std::string error;
  if (!server->Start(&error) || !plainServer->Start(&error)) {
    std::fprintf(stderr, "tcp_bench: %s\n", error.c_str());
    return 1;
  }
  std::ofstream(root / "MV400.INI")
      << "[General]\nNetwork=tcp\nLocation=127.0.0.1:" << server->port() << "\n";
  setenv("MV400_INI", (root / "MV400.INI").c_str(), 1);
  setenv("VANTORA_USER", "BENCH", 1);
  setenv("VANTORA_PASSWORD", "bench", 1);
  Client client;
  if (!LoadClient(&client)) {
    std::fprintf(stderr, "tcp_bench: cannot load %s: %s\n", MV432IDA_PATH, dlerror());
    return 1;
  }
  // Session 1 to the server that does not read ahead, session 0 to the other.
  const std::string plainAddress = "127.0.0.1:" + std::to_string(plainServer->port());
  if (client.OpenMultiSession(2) != 1 || client.VNXSession(1) != 1 ||
      client.MCH_name(plainAddress.c_str()) != 1 || client.StartSession() != 1 ||
      client.VNXSession(0) != 0 || client.StartSession() != 1) {
    std::fprintf(stderr, "tcp_bench: no sessions over TCP\n");
    return 1;
  }
  int32_t file = client.Ropen("DEMO/BENCH100", "rr");
  client.VNXSession(1);
  const int32_t plainFile = client.Ropen("DEMO/BENCH100", "rr");
  client.VNXSession(0);
  if (file < 0 || plainFile < 0) {
    std::fprintf(stderr, "tcp_bench: cannot open DEMO/BENCH100\n");
    return 1;
  }

  // Request and reply sizes on the wire (frame prefix, header, data).
  constexpr size_t kFrame = 4, kHeader = 64;
  const size_t versionRequest = kFrame + kHeader + 16, versionReply = kFrame + kHeader + 4;
  // VNXRead: two output placeholders (records, numbers) and the options in slots.
  const size_t readRequest = kFrame + kHeader + 32;
  const size_t oneReply = kFrame + kHeader + kRecordLength + 4;
  const size_t blockReply = kFrame + kHeader + static_cast<size_t>(block) * (kRecordLength + 4);

  std::vector<uint8_t> records(static_cast<size_t>(block) * kRecordLength);
  std::vector<int32_t> numbers(static_cast<size_t>(block));
  auto readOneOf = [&](int32_t f) -> int64_t {
    int32_t r = client.VNXRead(f, records.data(), kRecordLength, VNX_READ_NEXT | VNX_READ_NO_LOCK,
                               nullptr, 0, numbers.data());
    if (r == 0 || r == -1) {
      r = client.VNXRead(f, records.data(), kRecordLength, VNX_READ_FIRST | VNX_READ_NO_LOCK,
                         nullptr, 0, numbers.data());
    }
    return r;
  };
  auto readBlockOf = [&](int32_t f) -> int64_t {
    int32_t r = client.VNXRead(f, records.data(), kRecordLength,
                               VNX_READ_NEXT | VNX_READ_NO_LOCK | VNX_BLOCK | block, nullptr, 0,
                               numbers.data());
    if (r < block) {  // the end of the file: start again
      r = client.VNXRead(f, records.data(), kRecordLength,
                         VNX_READ_FIRST | VNX_READ_NO_LOCK | VNX_BLOCK | block, nullptr, 0,
                         numbers.data());
    }
    return r;
  };
  auto readOne = [&] { return readOneOf(file); };
  auto readBlock = [&] { return readBlockOf(file); };
  // The same reads in the session to the server that does not read ahead.
  auto onPlainServer = [&](const std::function<int64_t(int32_t)>& read) {
    client.VNXSession(1);
    int64_t n = read(plainFile);
    client.VNXSession(0);
    return n;
  };

  std::printf("Loopback, %.1f s per figure; DEMO/BENCH100 with %d records of %d bytes\n\n", seconds,
              kBenchRecords, kRecordLength);
  std::printf("1. One request at a time\n");
  int32_t version = 0;
  Rate small, smallPlain, one, onePlain;
  {
    PlainPeer peer(versionRequest, versionReply);
    std::tie(small, smallPlain) = MeasurePair(
        seconds, [&] { return client.RTV_AS_VER(&version) == 1 ? 1 : -1; },
        [&] { return peer.RoundTrip(); });
  }
  {
    PlainPeer peer(readRequest, oneReply);
    std::tie(one, onePlain) = MeasurePair(seconds, readOne, [&] { return peer.RoundTrip(); });
  }
  Row("RTV_AS_VER through MV432IDA + tcp", small, "rt/s");
  Row("plain ping-pong, same sizes", smallPlain, "rt/s");
  std::printf("  %-46s %9.0f%%\n", "ratio", 100 * small.perSecond / smallPlain.perSecond);
  Row("VNXRead of 1 record through MV432IDA + tcp", one, "rt/s");
  Row("plain ping-pong, same sizes", onePlain, "rt/s");
  std::printf("  %-46s %9.0f%%\n\n", "ratio", 100 * one.perSecond / onePlain.perSecond);

  std::printf("2. Blocked reads, %d records (%zu-byte replies)\n", block, blockReply);
  Rate blocked, blockPlain;
  {
    PlainPeer peer(readRequest, blockReply);
    std::tie(blocked, blockPlain) =
        MeasurePair(seconds, readBlock, [&] { return peer.RoundTrip() < 0 ? -1 : block; });
  }
  Rate stream;
  {
    PlainPeer peer(0, 0);
    stream = Measure(seconds, [&] { return peer.Stream(blockReply) < 0 ? -1 : block; });
  }
  Row("VNXRead blocks through MV432IDA + tcp", blocked, "rt/s", kRecordLength);
  Row("plain request/reply, same sizes", blockPlain, "rt/s", kRecordLength);
  Row("plain one-way stream of the same blocks", stream, "blk/s", kRecordLength);
  std::printf("  %-46s %9.0f%%\n", "ratio to the plain exchange",
              100 * blocked.itemsPerSecond / blockPlain.itemsPerSecond);

  std::printf("\n2b. The same reads with and without the server's read-ahead (alternating)\n");
  Rate aheadOne, noAheadOne, aheadBlock, noAheadBlock;
  std::tie(aheadOne, noAheadOne) =
      MeasurePair(seconds, readOne, [&] { return onPlainServer(readOneOf); });
  std::tie(aheadBlock, noAheadBlock) =
      MeasurePair(seconds, readBlock, [&] { return onPlainServer(readBlockOf); });
  Row("VNXRead of 1 record, read ahead", aheadOne, "rt/s");
  Row("VNXRead of 1 record, not read ahead", noAheadOne, "rt/s");
  std::printf("  %-46s %9.0f%%\n", "ratio", 100 * aheadOne.perSecond / noAheadOne.perSecond);
  Row("VNXRead blocks, read ahead", aheadBlock, "rt/s", kRecordLength);
  Row("VNXRead blocks, not read ahead", noAheadBlock, "rt/s", kRecordLength);
  std::printf("  %-46s %9.0f%%\n", "ratio", 100 * aheadBlock.perSecond / noAheadBlock.perSecond);

  Allocations tcpSmall =
      CountAllocations([&] { return client.RTV_AS_VER(&version) == 1 ? 1 : -1; });
  Allocations tcpOne = CountAllocations(readOne);
  Allocations tcpBlock = CountAllocations(readBlock);

  client.Rclose(file);
  client.VNXTerminate();  // ends both sessions
  server.reset();         // stops it and waits, before the host it serves goes
  plainServer.reset();
  h.reset();

  // The host's own share: the same requests with the host inside this
  // process (network type "ehn"), on the same data.
  std::ofstream(root / "MV400.INI")
      << "[General]\nNetwork=ehn\n[Host]\nDataDirectory=" << (root / "host").string() << "\n";
  if (client.StartSession() == 1 && (file = client.Ropen("DEMO/BENCH100", "rr")) >= 0) {
    std::printf("\n3. The same requests with the host in-process (ehn, no network)\n");
    Row("RTV_AS_VER through MV432IDA + ehn",
        Measure(seconds, [&] { return client.RTV_AS_VER(&version) == 1 ? 1 : -1; }), "rt/s");
    Row("VNXRead of 1 record through MV432IDA + ehn", Measure(seconds, readOne), "rt/s");
    Row("VNXRead blocks through MV432IDA + ehn", Measure(seconds, readBlock), "rt/s",
        kRecordLength);
    Allocations ehnSmall =
        CountAllocations([&] { return client.RTV_AS_VER(&version) == 1 ? 1 : -1; });
    Allocations ehnOne = CountAllocations(readOne);
    Allocations ehnBlock = CountAllocations(readBlock);
    std::printf("\n4. Heap allocations per request, steady state (mean of 1000)\n");
    std::printf("  %-40s %12s %12s %12s\n", "", "tcp client", "tcp server", "ehn (all)");
    const std::pair<const char*, const Allocations*> rows[][2] = {
        {{"RTV_AS_VER", &tcpSmall}, {nullptr, &ehnSmall}},
        {{"VNXRead of 1 record", &tcpOne}, {nullptr, &ehnOne}},
        {{"VNXRead blocks", &tcpBlock}, {nullptr, &ehnBlock}},
    };
    for (const auto& row : rows) {
      std::printf("  %-40s %12.2f %12.2f %12.2f\n", row[0].first, row[0].second->here,
                  row[0].second->elsewhere, row[1].second->here + row[1].second->elsewhere);
    }
    client.Rclose(file);
    client.FreeSession();
  } else {
    std::printf("\n(no in-process host: libMV432ehn.so not built)\n");
  }
  client.VNXTerminate();
  std::filesystem::remove_all(root);
  return 0;
}
