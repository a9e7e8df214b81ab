// A load soak of vantora-hostd on loopback: N sessions at once (default 50),
// each through the client library and the TCP transport, each doing M mixed
// operations (default 10 000) after a warm-up:
//
//   blocked reads      up to 64 records from a key on, without locks
//   keyed reads        one of the session's own records (its balance and note
//                      must be what the session last committed)
//   transfers          under commitment control: a shared ("hot") record read
//                      with its lock and updated, the session's own record
//                      too, then committed (3 in 4) or rolled back
//   inserts, updates   of the session's own records, committed or rolled back
//   queue sends        to a FIFO queue every session reads, and to a keyed
//                      queue under the session's own key
//   queue receives     from the FIFO queue (1 in 10 waits up to a second), and
//                      from the keyed queue under the session's key, which must
//                      give the session's entries in the order it sent them
//
// Every transaction also sets the session's marker record to its number
// (load_soak_session.h). Each session logs what was answered as done.
// Afterwards a checker (load_soak_checker.h) compares what the host holds
// with what the logs make of it: nothing lost, nothing doubled. The resident
// size of the server process (VmRSS) after the run must be within the limit
// (20%) of the size after the warm-up.
//
// Two ways to break things on purpose:
//   --faults RATE   the sessions reach the server through the fault proxy
//                   (support/fault_proxy.h), which delays, stalls, cuts and
//                   resets a share RATE of the frames in either direction
//   --kills K       the server is killed (SIGKILL) K times at random moments
//                   of the run and started again on the same data directory
// The sessions then meet communication errors: each opens anew, decides the
// transaction left open by its marker, and goes on. On top of the checks
// above: a transaction whose commit went unanswered is all there or not at
// all; the lost job's locks are free within three lock waits; no client call
// waited past its time limits; and once the sessions have ended, the
// server's jobs, open files, cursors, record locks and pending changes are
// back to the level they had before the run (its status line, SIGUSR1). The
// only errors allowed are the lock time-out (3029 / CPF5027), after which the
// session rolls back, and, with faults or kills, communication errors.
//
//   load_soak [--sessions N] [--operations M] [--warmup W] [--hot H]
//             [--lock-wait MS] [--seed S] [--rss-limit FRACTION] [--keep DIR]
//             [--faults RATE] [--kills K] [--receive-timeout S]
//
// --keep runs in DIR (emptied first) and leaves the data directory and the
// server's log there for a look afterwards. --receive-timeout is the
// client's Tcp/ReceiveTimeout (default 120 s; 3 s with faults, 10 s with
// kills); the proxy's long stalls last a second longer, so that the client
// gives up on them.
//
// The client library binds the transport its settings name when it loads:
// MV400_INI (or the default settings) must name one that is built, "tcp" or
// "ehn"; the soak then writes settings of its own that point at the server.
//
// Exit status 0 when every check holds, 1 when one fails, 2 when the run
// could not be set up. In the sanitizer build the server runs with a small
// quarantine of freed memory, so that its resident size is the host's. The
// server is HOSTD_PATH, started on a fresh data directory under the temporary
// folder, stopped with SIGTERM at the end.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "bench/load_soak_checker.h"
#include "bench/load_soak_records.h"
#include "bench/load_soak_session.h"
#include "bench/support/fault_proxy.h"
#include "host/server/objects/data_queues.h"
#include "host/server/session/host.h"
#include "tests/support/hostd_process.h"

namespace {

using namespace vantora;
using namespace vantora::soak;
using Clock = std::chrono::steady_clock;

// Lets the sessions go from one phase to the next together, with the main
// thread in between.
class PhaseGate {
 public:
  explicit PhaseGate(int parties) : parties_(parties) {}
  // A session arrives at the end of `phase` and waits for the next to open.
  void Arrive(int phase) {
    std::unique_lock lock(mutex_);
    ++arrived_[phase];
    changed_.notify_all();
    changed_.wait(lock, [&] { return open_ > phase; });
  }
  // The main thread waits for every session at the end of `phase`.
  void WaitAll(int phase) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return arrived_[phase] >= parties_; });
  }
  bool AllArrived(int phase) {
    std::lock_guard lock(mutex_);
    return arrived_[phase] >= parties_;
  }
  void Open(int phase) {
    std::lock_guard lock(mutex_);
    open_ = std::max(open_, phase + 1);
    changed_.notify_all();
  }

 private:
  const int parties_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int, int> arrived_;
  int open_ = 0;
};

// The resident size of a process in kB (VmRSS), -1 when unknown.
long ResidentKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

bool Prepare(const std::filesystem::path& data, const Options& o) {
  host::HostOptions options;
  options.storage.passwordIterations = 1000;  // sessions start at once; hashing is not measured
  std::unique_ptr<host::Host> h;
  if (!host::Host::Open(data, options, &h).ok()) return false;
  host::Storage& storage = h->storage();
  if (!storage.userProfiles().Create(kUser, kPassword, "load soak").ok()) return false;
  if (!storage.catalogue().CreateLibrary("SOAK", "load soak").ok()) return false;
  host::PhysicalFileDef def;
  def.name = {"SOAK", "ACCOUNTS"};
  def.formatName = "ACCTREC";
  def.fields = {host::BinaryField("ID", host::FieldType::kBin4),
                host::BinaryField("OWNER", host::FieldType::kBin4),
                host::BinaryField("BALANCE", host::FieldType::kBin4),
                host::CharField("NOTE", kNoteLength)};
  def.key = {{"ID", false}};
  def.unique = true;
  if (!storage.catalogue().CreatePhysicalFile(def).ok()) return false;
  std::unique_ptr<host::FileCursor> cursor;
  host::CursorOptions cursorOptions;
  cursorOptions.job = -1;
  if (!storage.OpenCursor(def.name, cursorOptions, &cursor).ok()) return false;
  auto insert = [&](int32_t id, const Account& a) {
    host::Record r = {host::Value::Integer(id), host::Value::Integer(a.owner),
                      host::Value::Integer(a.balance), host::Value::Text(a.note)};
    return cursor->Insert(r, nullptr).ok();
  };
  for (int32_t id = 1; id <= o.hot; ++id) {
    if (!insert(id, {0, kInitialHotBalance, "HOT"})) return false;
  }
  for (int s = 0; s < o.sessions; ++s) {
    if (!insert(kMarkerBase + s, Marker(s, 0))) return false;
  }
  cursor.reset();
  host::DataQueueDefinition fifo{host::QueueSequence::kFifo, kQueueEntryLength, 0};
  host::DataQueueDefinition keyed{host::QueueSequence::kKeyed, kQueueEntryLength, kKeyLength};
  return host::CreateDataQueue(storage.catalogue(), {"SOAK", "WORKQ"}, fifo, "").ok() &&
         host::CreateDataQueue(storage.catalogue(), {"SOAK", "KEYQ"}, keyed, "").ok();
}

bool ParseOptions(int argc, char** argv, Options* o) {
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string a = argv[i];
      if (i + 1 >= argc) return false;
      const std::string v = argv[++i];
      if (a == "--sessions") {
        o->sessions = std::stoi(v);
      } else if (a == "--operations") {
        o->operations = std::stoi(v);
      } else if (a == "--warmup") {
        o->warmup = std::stoi(v);
      } else if (a == "--hot") {
        o->hot = std::stoi(v);
      } else if (a == "--lock-wait") {
        o->lockWaitMs = std::stoi(v);
      } else if (a == "--seed") {
        o->seed = static_cast<uint32_t>(std::stoul(v));
      } else if (a == "--rss-limit") {
        o->rssLimit = std::stod(v);
      } else if (a == "--keep") {
        o->keep = v;
      } else if (a == "--faults") {
        o->faults = std::stod(v);
      } else if (a == "--kills") {
        o->kills = std::stoi(v);
      } else if (a == "--receive-timeout") {
        o->receiveTimeoutS = std::stoi(v);
      } else {
        return false;
      }
    }
  } catch (const std::exception&) {
    return false;
  }
  if (o->warmup < 0) o->warmup = std::min(500, o->operations / 10);
  if (o->receiveTimeoutS < 0) o->receiveTimeoutS = o->faults > 0 ? 3 : o->kills > 0 ? 10 : 120;
  return o->sessions >= 1 && o->sessions <= 500 && o->operations >= 1 && o->hot >= 1 &&
         o->hot < kMarkerBase && o->faults >= 0 && o->faults <= 1 && o->kills >= 0 &&
         o->receiveTimeoutS >= 1;
}

// The counts of the server's status line: "2 jobs, 5 open files" -> {"jobs": 2,
// "open files": 5}.
std::map<std::string, int64_t> ParseStatus(const std::string& line) {
  std::map<std::string, int64_t> counts;
  static const std::regex kCount("([0-9]+) ([A-Za-z][A-Za-z ]*)");
  for (std::sregex_iterator it(line.begin(), line.end(), kCount), end; it != end; ++it) {
    counts[(*it)[2]] = std::stoll((*it)[1]);
  }
  return counts;
}

// What must be back to its level before the run once every session has
// ended (the connections and sessions too).
bool IdleAgain(const std::map<std::string, int64_t>& idle,
               const std::map<std::string, int64_t>& now) {
  return !now.empty() && idle == now;
}

// Kills the server at random moments of the run (by the share of the
// operations done) and starts it again on the same port and data directory.
class Killer {
 public:
  Killer(const Options& o, testing::HostdProcess& server, std::function<bool()> restart)
      : server_(server), restart_(std::move(restart)), random_(o.seed * 31u + 7u) {
    for (int k = 0; k < o.kills; ++k) {
      at_.push_back(0.05 + 0.85 * std::uniform_real_distribution<double>(0, 1)(random_));
    }
    std::sort(at_.begin(), at_.end());
  }

  // Runs until every kill is done or `finished` says the run is over.
  void Run(const std::atomic<int64_t>& progress, int64_t start, int64_t total,
           const std::function<bool()>& finished) {
    for (double share : at_) {
      while (progress - start < static_cast<int64_t>(share * static_cast<double>(total))) {
        if (finished()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(random_() % 20));
      server_.Kill();
      ++kills_;
      if (!restart_()) {
        failed_ = true;
        return;
      }
    }
  }
  int kills() const { return kills_; }
  bool failed() const { return failed_; }

 private:
  testing::HostdProcess& server_;
  std::function<bool()> restart_;
  std::mt19937 random_;
  std::vector<double> at_;
  int kills_ = 0;
  bool failed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, &o)) {
    std::fprintf(
        stderr,
        "usage: load_soak [--sessions N] [--operations M] [--warmup W] [--hot H]\n"
        "                 [--lock-wait MS] [--seed S] [--rss-limit FRACTION] [--keep DIR]\n"
        "                 [--faults RATE] [--kills K] [--receive-timeout S]\n");
    return 2;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "vantora-soak-XXXXXX").string();
  if (o.keep.empty() && mkdtemp(pattern.data()) == nullptr) return 2;
  const std::filesystem::path root = std::filesystem::path(o.keep.empty() ? pattern : o.keep);
  if (!o.keep.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    std::filesystem::create_directories(root, ec);
  }
  const std::filesystem::path data = root / "host";
  struct Cleanup {
    std::filesystem::path root;
    ~Cleanup() {
      std::error_code ec;
      if (!root.empty()) std::filesystem::remove_all(root, ec);
    }
  } cleanup{o.keep.empty() ? root : std::filesystem::path()};
  if (!Prepare(data, o)) {
    std::fprintf(stderr, "load_soak: the data directory cannot be prepared\n");
    return 2;
  }
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer keeps freed memory in a quarantine of up to 256 MB, which
  // the resident size would measure instead of the host: the server runs
  // with a small one.
  {
    const char* given = getenv("ASAN_OPTIONS");
    std::string asan = given != nullptr && *given != '\0' ? std::string(given) + ":" : "";
    setenv("ASAN_OPTIONS",
           (asan + "quarantine_size_mb=1:thread_local_quarantine_size_kb=64").c_str(), 1);
  }
#endif
  const std::vector<std::string> serverArgs = {
      "--max-connections", std::to_string(o.lossy() ? 2 * o.sessions + 8 : o.sessions + 8),
      "--log-level", "warning"};
  testing::HostdProcess server;
  if (!server.Start(data, root / "hostd.log", serverArgs)) {
    std::fprintf(stderr, "load_soak: vantora-hostd did not start\n");
    return 2;
  }
  const uint16_t serverPort = server.port();
  std::unique_ptr<bench::FaultProxy> proxy;
  if (o.faults > 0) {
    bench::FaultPlan plan;
    plan.rate = o.faults;
    plan.seed = o.seed;
    plan.longStallMs = o.receiveTimeoutS * 1000 + 1000;
    o.resolveWaits = 2 + (plan.longStallMs + o.lockWaitMs - 1) / o.lockWaitMs;
    proxy = std::make_unique<bench::FaultProxy>(serverPort, plan);
    std::string error;
    if (!proxy->Start(&error)) {
      std::fprintf(stderr, "load_soak: %s\n", error.c_str());
      return 2;
    }
  }
  std::ofstream(root / "MV400.INI")
      << "[General]\nNetwork=tcp\nLocation=127.0.0.1:" << (proxy ? proxy->port() : serverPort)
      << "\n[Tcp]\nConnectTimeout=" << o.connectTimeoutS << "\nReceiveTimeout=" << o.receiveTimeoutS
      << "\n[NT]\nNbSession=" << o.sessions + 2 << "\n";
  setenv("MV400_INI", (root / "MV400.INI").c_str(), 1);
  setenv("VANTORA_USER", kUser, 1);
  setenv("VANTORA_PASSWORD", kPassword, 1);
  VNXTerminate();  // the next session function binds the transport these settings name

  std::printf(
      "load soak: %d sessions x %d operations (warm-up %d each), %d hot records, "
      "lock wait %d ms, receive limit %d s, vantora-hostd pid %d",
      o.sessions, o.operations, o.warmup, o.hot, o.lockWaitMs, o.receiveTimeoutS,
      static_cast<int>(server.pid()));
  if (o.faults > 0) std::printf(", through the fault proxy (%g of the frames harmed)", o.faults);
  if (o.kills > 0) std::printf(", %d kills", o.kills);
  std::printf(", seed %u\n", o.seed);
  const std::string idleStatus = server.Status();
  const std::map<std::string, int64_t> idle = ParseStatus(idleStatus);
  // Multi-thread mode is entered once before the sessions race.
  if (VNXThreadAttach() != 1 || VNXThreadDetach() != 1) return 2;
  std::vector<SessionLog> logs(static_cast<size_t>(o.sessions));
  std::atomic<int64_t> progress{0};
  PhaseGate gate(o.sessions);
  std::vector<std::thread> threads;
  for (int s = 0; s < o.sessions; ++s) {
    threads.emplace_back([&, s] {
      Session session(s, o, &logs[static_cast<size_t>(s)], &progress);
      const bool started = session.Start();
      gate.Arrive(0);  // started
      if (started) session.Run(o.warmup);
      gate.Arrive(1);  // warmed up
      if (started) session.Run(o.operations);
      gate.Arrive(2);  // done
      if (started) session.End();
    });
  }
  gate.WaitAll(0);
  gate.Open(0);
  gate.WaitAll(1);
  // The warm-up's operations are not counted.
  std::vector<SessionLog> before = logs;
  const long rssWarm = ResidentKb(server.pid());
  const auto start = Clock::now();
  Killer killer(o, server, [&] {
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (server.Start(data, root / "hostd.log", serverArgs, serverPort, true)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
  });
  const int64_t runStart = progress;
  gate.Open(1);
  killer.Run(progress, runStart, static_cast<int64_t>(o.sessions) * o.operations,
             [&] { return gate.AllArrived(2); });
  gate.WaitAll(2);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const long rssAfter = ResidentKb(server.pid());
  gate.Open(2);
  for (auto& t : threads) t.join();

  int64_t byKind[kKinds] = {};
  int64_t total = 0, committed = 0, rolledBack = 0, lockTimeouts = 0;
  int64_t doubtCommitted = 0, doubtRolledBack = 0, reconnects = 0, reconnectFailures = 0;
  int64_t longestCall = 0, longestConnect = 0;
  std::map<std::string, int64_t> errors, communication;
  std::map<int, int64_t> resolveWaits;
  for (size_t s = 0; s < logs.size(); ++s) {
    const SessionLog& l = logs[s];
    for (int k = 0; k < kKinds; ++k) {
      const int64_t n = l.done[k] - before[s].done[k];
      byKind[k] += n;
      total += n;
    }
    committed += l.committed - before[s].committed;
    rolledBack += l.rolledBack - before[s].rolledBack;
    lockTimeouts += l.lockTimeouts;
    doubtCommitted += l.doubtCommitted;
    doubtRolledBack += l.doubtRolledBack;
    reconnects += l.reconnects;
    reconnectFailures += l.reconnectFailures;
    longestCall = std::max(longestCall, l.longestCallMs);
    longestConnect = std::max(longestConnect, l.longestConnectMs);
    for (const auto& [what, n] : l.errors) errors[what] += n;
    for (const auto& [what, n] : l.communication) communication[what] += n;
    for (const auto& [waits, n] : l.resolveWaits) resolveWaits[waits] += n;
  }
  std::printf("operations done: %lld in %.2f s: %.0f operations/s\n", static_cast<long long>(total),
              seconds, static_cast<double>(total) / seconds);
  for (int k = 0; k < kKinds; ++k) {
    std::printf("  %-14s %lld\n", kKindNames[k], static_cast<long long>(byKind[k]));
  }
  std::printf("transactions: %lld committed, %lld rolled back", static_cast<long long>(committed),
              static_cast<long long>(rolledBack));
  if (o.lossy()) {
    std::printf(
        "; unanswered: %lld found committed, %lld found rolled back; lock waits before "
        "the lost job let go:",
        static_cast<long long>(doubtCommitted), static_cast<long long>(doubtRolledBack));
    for (const auto& [waits, n] : resolveWaits) {
      std::printf(" %d: %lld", waits, static_cast<long long>(n));
    }
  }
  std::printf("\nerrors: lock time-out (3029/CPF5027, allowed) %lld",
              static_cast<long long>(lockTimeouts));
  for (const auto& [what, n] : communication) {
    std::printf("; communication %s %lld", what.c_str(), static_cast<long long>(n));
  }
  for (const auto& [what, n] : errors) {
    std::printf("; %s %lld", what.c_str(), static_cast<long long>(n));
  }
  std::printf("\n");
  Checker check(o);
  if (proxy) {
    const bench::FaultCounts c = proxy->counts();
    std::printf(
        "fault proxy: %lld connections, %lld frames to the server, %lld to the clients; "
        "faults (to the server / to the client):",
        static_cast<long long>(c.connections), static_cast<long long>(c.frames[bench::kToServer]),
        static_cast<long long>(c.frames[bench::kToClient]));
    for (int k = 0; k < bench::kFaultKinds; ++k) {
      std::printf(" %s %lld/%lld", bench::FaultName(static_cast<bench::FaultKind>(k)),
                  static_cast<long long>(c.faults[k][bench::kToServer]),
                  static_cast<long long>(c.faults[k][bench::kToClient]));
    }
    std::printf("\n");
    for (int k = 0; k < bench::kFaultKinds; ++k) {
      if (c.Total(static_cast<bench::FaultKind>(k)) == 0) {
        check.Fail(std::string("the proxy injected no ") +
                   bench::FaultName(static_cast<bench::FaultKind>(k)));
      }
    }
  }
  if (o.lossy()) {
    std::printf("kills: %d; sessions opened again: %lld (tries that failed on the way: %lld)\n",
                killer.kills(), static_cast<long long>(reconnects),
                static_cast<long long>(reconnectFailures));
  }
  if (!errors.empty()) check.Fail("errors other than those allowed");
  if (killer.failed()) check.Fail("vantora-hostd did not start again after a kill");
  if (killer.kills() < o.kills) check.Fail("the run ended before every kill");
  // The limits the client was given: a reply within the receive limit of
  // the last bytes (after the host's own waits: a record lock, a queue
  // entry); a session open within the connect limit and the receive limit.
  const int64_t callLimit = int64_t{o.receiveTimeoutS} * 1000 + std::max(o.lockWaitMs, 1000) + 1500;
  const int64_t connectLimit = int64_t{o.connectTimeoutS + o.receiveTimeoutS} * 1000 + 1500;
  std::printf(
      "longest client call: %lld ms (limit %lld ms); longest session open: %lld ms "
      "(limit %lld ms)\n",
      static_cast<long long>(longestCall), static_cast<long long>(callLimit),
      static_cast<long long>(longestConnect), static_cast<long long>(connectLimit));
  if (longestCall > callLimit) check.Fail("a client call waited past its time limits");
  if (longestConnect > connectLimit) check.Fail("a session open waited past its time limits");

  // The checker's own session goes to the server directly.
  const std::string direct = "127.0.0.1:" + std::to_string(serverPort);
  if (VNXThreadAttach() != 1 || MCH_name(direct.c_str()) != 1 || StartSession() != 1) {
    check.Fail("the checker has no session");
  } else {
    check.File(logs);
    check.Queues(logs);
  }
  VNXThreadDetach();
  check.Print();

  // Once every session has ended, the server holds what it held before.
  std::string status;
  const auto deadline = Clock::now() + std::chrono::seconds(15);
  do {
    status = server.Status();
    if (IdleAgain(idle, ParseStatus(status))) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  } while (Clock::now() < deadline);
  std::printf("vantora-hostd before the run: %s\nvantora-hostd after it:       %s\n",
              idleStatus.c_str(), status.c_str());
  if (idle.empty()) {
    check.Fail("the server's status cannot be read");
  } else if (!IdleAgain(idle, ParseStatus(status))) {
    check.Fail(
        "the server's jobs, files, cursors, locks or pending changes are not back "
        "to their level before the run");
  }

  const double ratio =
      rssWarm > 0 ? static_cast<double>(rssAfter) / static_cast<double>(rssWarm) : 0.0;
  std::printf(
      "vantora-hostd resident size: %ld kB after the warm-up, %ld kB after the run: "
      "ratio %.3f (limit %.2f)\n",
      rssWarm, rssAfter, ratio, 1.0 + o.rssLimit);
  if (rssWarm <= 0 || rssAfter <= 0) {
    check.Fail("the server's resident size cannot be read");
  } else if (ratio > 1.0 + o.rssLimit) {
    check.Fail("the server grew beyond the limit");
  }
  VNXTerminate();
  if (proxy) proxy->Stop();
  const int exit = server.Stop();
  if (exit != 0)
    check.Fail("vantora-hostd ended with " + std::to_string(exit) + "\n" + server.Log());
  std::printf("result: %s\n", check.failures() == 0 ? "pass" : "FAIL");
  return check.failures() == 0 ? 0 : 1;
}
