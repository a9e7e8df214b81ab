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
// Each session logs what was answered as done. Afterwards a checker
// recomputes the file's expected records (hot balances from the committed
// deltas, the sessions' committed records) and the queues' expected entries
// (sent = received + left), reads what the host holds, and compares: nothing
// lost, nothing doubled. The only error allowed is the documented lock
// time-out (3029 / CPF5027), after which the session rolls back. The
// resident size of the server process (VmRSS) after the run must be within
// the limit (20%) of the size after the warm-up.
//
//   load_soak [--sessions N] [--operations M] [--warmup W] [--hot H]
//             [--lock-wait MS] [--seed S] [--rss-limit FRACTION] [--keep DIR]
//
// --keep runs in DIR (emptied first) and leaves the data directory and the
// server's log there for a look afterwards.
//
// The client library binds the transport its settings name when it loads:
// MV400_INI (or the default settings) must name one that is built, "tcp" or
// "ehn"; the soak then writes settings of its own that point at the server.
//
// Exit status 0 when every check holds, 1 when one fails, 2 when the run
// could not be set up. In the sanitizer build the server runs with a small
// quarantine of freed memory, so that its resident size is the host's. The server is HOSTD_PATH,
// started on a fresh data directory under the temporary folder, stopped with SIGTERM at the end.
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
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/server/objects/data_queues.h"
#include "host/server/session/host.h"
#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/hostd_process.h"

namespace {

using namespace vantora;
using Clock = std::chrono::steady_clock;

// SOAK/ACCOUNTS, keyed on ID (unique): ID BIN4 | OWNER BIN4 | BALANCE BIN4 |
// NOTE CHAR(20). Its PC record: ID 0-3, OWNER 4-7, BALANCE 8-11 (int32
// little-endian), NOTE 12-31.
constexpr int32_t kRecordLength = 32;
constexpr int32_t kNoteLength = 20;
constexpr int32_t kInitialHotBalance = 100000;
constexpr int32_t kBlockRecords = 64;
constexpr int32_t kQueueEntryLength = 64;
constexpr int32_t kKeyLength = 4;
constexpr const char* kUser = "SOAK";
constexpr const char* kPassword = "soak";

// Open mode: read, add, update; commitment control.
constexpr int32_t kUpdateCommitted = 1 | 2 | 4 | 0x20;

struct Options {
  int sessions = 50;
  int operations = 10000;
  int warmup = -1;  // -1: a tenth of the operations, at most 500
  int hot = 10;
  int lockWaitMs = 2000;
  uint32_t seed = 1;
  double rssLimit = 0.20;
  std::string keep;  // a directory for the run, kept afterwards; empty: a temporary one
};

struct Account {
  int32_t owner = 0;
  int32_t balance = 0;
  std::string note;
  bool operator==(const Account&) const = default;
};

std::vector<uint8_t> Encode(int32_t id, const Account& a) {
  std::vector<uint8_t> r(kRecordLength, ' ');
  wire::StoreLeI32(r.data(), id);
  wire::StoreLeI32(r.data() + 4, a.owner);
  wire::StoreLeI32(r.data() + 8, a.balance);
  std::memcpy(r.data() + 12, a.note.data(), std::min<size_t>(a.note.size(), kNoteLength));
  return r;
}

std::pair<int32_t, Account> Decode(const uint8_t* r) {
  Account a;
  a.owner = wire::LoadLeI32(r + 4);
  a.balance = wire::LoadLeI32(r + 8);
  a.note.assign(reinterpret_cast<const char*>(r + 12), kNoteLength);
  while (!a.note.empty() && a.note.back() == ' ') a.note.pop_back();
  return {wire::LoadLeI32(r), a};
}

std::string Pad(const std::string& s, size_t n) {
  std::string out = s;
  out.resize(n, ' ');
  return out;
}

std::string MessageId() {
  char id[9] = {};
  Return_Syserr(id);
  return std::string(id, strnlen(id, 7));
}

int32_t LinkQueue(const char* name) {
  return VNXLinkDataQueue(Pad(name, 10).c_str(), Pad("SOAK", 10).c_str(), 0, 0,
                          Pad("", 10).c_str());
}

std::string SessionKey(int session) {
  char key[8];
  std::snprintf(key, sizeof key, "S%03d", session % 1000);
  return key;
}

// Operations by kind, in the order they are printed.
enum Kind {
  kBlockRead,
  kKeyRead,
  kTransfer,
  kInsert,
  kUpdate,
  kFifoSend,
  kFifoReceive,
  kKeyedSend,
  kKeyedReceive,
  kKinds
};
const char* const kKindNames[kKinds] = {"blocked read",  "keyed read", "transfer",
                                        "insert",        "update",     "queue send",
                                        "queue receive", "keyed send", "keyed receive"};

// What one session had answered as done.
struct SessionLog {
  int64_t done[kKinds] = {};
  int64_t committed = 0;
  int64_t rolledBack = 0;
  int64_t lockTimeouts = 0;
  std::map<std::string, int64_t> errors;  // "what: message id" -> count
  std::map<int32_t, Account> own;         // the session's committed records
  std::map<int32_t, int64_t> hotDeltas;   // committed change of each hot record
  std::vector<std::string> fifoSent, fifoReceived;
  std::vector<std::string> keyedSent, keyedReceived;
};

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

class Session {
 public:
  Session(int index, const Options& options, SessionLog* log)
      : index_(index),
        options_(options),
        log_(*log),
        random_(options.seed * 7919u + static_cast<uint32_t>(index)),
        key_(SessionKey(index)) {}

  bool Start() {
    if (VNXThreadAttach() != 1 || StartSession() != 1) return Fail("session", "start");
    if (Rsystem("STRCMTCTL LCKLVL(*CHG)") < 0) return Fail("session", "STRCMTCTL");
    file_ = VNXopen("SOAK/ACCOUNTS", kUpdateCommitted, options_.lockWaitMs);
    fifo_ = LinkQueue("WORKQ");
    keyed_ = LinkQueue("KEYQ");
    if (file_ < 0 || fifo_ <= 0 || keyed_ <= 0) return Fail("session", "open");
    return true;
  }

  void Run(int operations) {
    for (int i = 0; i < operations; ++i) {
      const int r = static_cast<int>(random_() % 100);
      if (r < 15) {
        BlockRead();
      } else if (r < 30) {
        KeyRead();
      } else if (r < 50) {
        Transfer();
      } else if (r < 60) {
        Insert();
      } else if (r < 68) {
        Update();
      } else if (r < 80) {
        FifoSend();
      } else if (r < 90) {
        FifoReceive();
      } else if (r < 95) {
        KeyedSend();
      } else {
        KeyedReceive();
      }
    }
  }

  void End() {
    Rclose(file_);
    VNXThreadDetach();
  }

 private:
  bool Fail(const std::string& what, const std::string& detail) {
    ++log_.errors[what + ": " + detail];
    return false;
  }
  bool FailHost(const std::string& what) { return Fail(what, MessageId()); }

  // A lock time-out is the one error the soak allows: the transaction is
  // rolled back and the operation counts as not done.
  bool LockTimedOut() {
    if (MessageId() != "CPF5027") return false;
    ++log_.lockTimeouts;
    Rrollbck();
    pending_.clear();
    pendingHot_.clear();
    return true;
  }

  int32_t HotId() {
    return 1 + static_cast<int32_t>(random_() % static_cast<uint32_t>(options_.hot));
  }
  int32_t Delta() { return static_cast<int32_t>(random_() % 101) - 50; }

  // The committed record a read or update of the session's own looks at; 0
  // when the session has none.
  int32_t OwnId() {
    if (log_.own.empty()) return 0;
    auto it = log_.own.begin();
    std::advance(it, random_() % log_.own.size());
    return it->first;
  }

  // Reads `id` by key, with its lock or without; false when it failed
  // (the lock time-out included).
  bool ReadKey(int32_t id, bool lock, const char* what, uint8_t* record) {
    uint8_t key[4];
    wire::StoreLeI32(key, id);
    const int32_t options = VNX_READ_KEY_EQ | (lock ? 0 : VNX_READ_NO_LOCK);
    if (VNXRead(file_, record, kRecordLength, options, key, 4, nullptr) == 1) return true;
    if (!LockTimedOut()) FailHost(what);
    return false;
  }

  // Ends a transaction: commits 3 in 4, else rolls back; the log takes the
  // pending changes only when the commit was answered.
  void EndTransaction(Kind kind) {
    if (random_() % 4 != 0) {
      if (Rcommit("soak") != 1) {
        FailHost(std::string(kKindNames[kind]) + " commit");
        return;
      }
      for (auto& [id, account] : pending_) log_.own[id] = account;
      for (auto& [id, delta] : pendingHot_) log_.hotDeltas[id] += delta;
      ++log_.committed;
    } else {
      if (Rrollbck() != 1) {
        FailHost(std::string(kKindNames[kind]) + " rollback");
        return;
      }
      ++log_.rolledBack;
    }
    pending_.clear();
    pendingHot_.clear();
    ++log_.done[kind];
  }

  std::string Note() { return "S" + std::to_string(index_) + " N" + std::to_string(++notes_); }

  void BlockRead() {
    std::vector<uint8_t> block(static_cast<size_t>(kBlockRecords) * kRecordLength);
    uint8_t key[4];
    wire::StoreLeI32(key, HotId());
    const int32_t n =
        VNXRead(file_, block.data(), kRecordLength,
                VNX_READ_KEY_GE | VNX_BLOCK | VNX_READ_NO_LOCK | kBlockRecords, key, 4, nullptr);
    if (n < 1) {
      FailHost("blocked read");
      return;
    }
    for (int32_t i = 1; i < n; ++i) {
      if (Decode(&block[static_cast<size_t>(i) * kRecordLength]).first <=
          Decode(&block[static_cast<size_t>(i - 1) * kRecordLength]).first) {
        Fail("blocked read", "records out of key order");
        return;
      }
    }
    ++log_.done[kBlockRead];
  }

  void KeyRead() {
    const int32_t id = OwnId();
    uint8_t record[kRecordLength];
    if (!ReadKey(id == 0 ? HotId() : id, false, "keyed read", record)) return;
    if (id != 0 && Decode(record).second != log_.own[id]) {
      Fail("keyed read", "record differs from the last commit");
      return;
    }
    ++log_.done[kKeyRead];
  }

  void Transfer() {
    const int32_t hot = HotId();
    const int32_t delta = Delta();
    uint8_t record[kRecordLength];
    if (!ReadKey(hot, true, "transfer read", record)) return;
    auto [id, account] = Decode(record);
    account.balance += delta;
    auto image = Encode(hot, account);
    if (Rupdate(file_, image.data(), kRecordLength) != 1) {
      if (!LockTimedOut()) FailHost("transfer update");
      return;
    }
    pendingHot_[hot] += delta;
    if (const int32_t own = OwnId(); own != 0) {
      if (!ReadKey(own, true, "transfer own read", record)) return;
      Account mine = Decode(record).second;
      mine.balance -= delta;
      mine.note = Note();
      image = Encode(own, mine);
      if (Rupdate(file_, image.data(), kRecordLength) != 1) {
        if (!LockTimedOut()) FailHost("transfer own update");
        return;
      }
      pending_[own] = mine;
    }
    EndTransaction(kTransfer);
  }

  void Insert() {
    const int32_t id = 100000 + index_ * 20000 + nextOwn_++;
    Account a{index_ + 1, static_cast<int32_t>(random_() % 1000), Note()};
    auto image = Encode(id, a);
    if (Rwrite(file_, image.data(), kRecordLength) != 1) {
      FailHost("insert");
      return;
    }
    pending_[id] = a;
    EndTransaction(kInsert);
  }

  void Update() {
    const int32_t id = OwnId();
    if (id == 0) return Insert();
    uint8_t record[kRecordLength];
    if (!ReadKey(id, true, "update read", record)) return;
    Account a = Decode(record).second;
    a.balance += Delta();
    a.note = Note();
    auto image = Encode(id, a);
    if (Rupdate(file_, image.data(), kRecordLength) != 1) {
      if (!LockTimedOut()) FailHost("update");
      return;
    }
    pending_[id] = a;
    EndTransaction(kUpdate);
  }

  void FifoSend() {
    const std::string entry = key_ + ":" + std::to_string(++sent_);
    if (VNXSendDataQueue(fifo_, entry.data(), static_cast<int32_t>(entry.size()), nullptr, 0) !=
        1) {
      FailHost("queue send");
      return;
    }
    log_.fifoSent.push_back(entry);
    ++log_.done[kFifoSend];
  }

  void FifoReceive() {
    char buffer[kQueueEntryLength];
    const int32_t wait = random_() % 10 == 0 ? 1 : 0;
    const int32_t n = VNXReceiveDataQueue(fifo_, buffer, sizeof buffer, wait, nullptr, nullptr, 0);
    if (n < 0) {
      FailHost("queue receive");
      return;
    }
    if (n > 0) log_.fifoReceived.emplace_back(buffer, static_cast<size_t>(n));
    ++log_.done[kFifoReceive];
  }

  void KeyedSend() {
    const std::string entry = key_ + "#" + std::to_string(log_.keyedSent.size());
    if (VNXSendDataQueue(keyed_, entry.data(), static_cast<int32_t>(entry.size()), key_.data(),
                         kKeyLength) != 1) {
      FailHost("keyed send");
      return;
    }
    log_.keyedSent.push_back(entry);
    ++log_.done[kKeyedSend];
  }

  void KeyedReceive() {
    char buffer[kQueueEntryLength];
    const int32_t n =
        VNXReceiveDataQueue(keyed_, buffer, sizeof buffer, 0, "EQ", key_.data(), kKeyLength);
    if (n < 0) {
      FailHost("keyed receive");
      return;
    }
    // The session's entries come back in the order it sent them.
    const size_t next = log_.keyedReceived.size();
    if (n == 0) {
      if (next < log_.keyedSent.size()) Fail("keyed receive", "an entry sent is missing");
    } else {
      std::string entry(buffer, static_cast<size_t>(n));
      if (next >= log_.keyedSent.size() || log_.keyedSent[next] != entry) {
        Fail("keyed receive", "entry out of order or not sent: " + entry);
      }
      log_.keyedReceived.push_back(std::move(entry));
    }
    ++log_.done[kKeyedReceive];
  }

  const int index_;
  const Options& options_;
  SessionLog& log_;
  std::mt19937 random_;
  const std::string key_;
  int32_t file_ = -1;
  int32_t fifo_ = 0;
  int32_t keyed_ = 0;
  int nextOwn_ = 0;
  int notes_ = 0;
  int sent_ = 0;
  std::map<int32_t, Account> pending_;
  std::map<int32_t, int64_t> pendingHot_;
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
  for (int32_t id = 1; id <= o.hot; ++id) {
    host::Record r = {host::Value::Integer(id), host::Value::Integer(0),
                      host::Value::Integer(kInitialHotBalance), host::Value::Text("HOT")};
    if (!cursor->Insert(r, nullptr).ok()) return false;
  }
  cursor.reset();
  host::DataQueueDefinition fifo{host::QueueSequence::kFifo, kQueueEntryLength, 0};
  host::DataQueueDefinition keyed{host::QueueSequence::kKeyed, kQueueEntryLength, kKeyLength};
  return host::CreateDataQueue(storage.catalogue(), {"SOAK", "WORKQ"}, fifo, "").ok() &&
         host::CreateDataQueue(storage.catalogue(), {"SOAK", "KEYQ"}, keyed, "").ok();
}

bool ParseOptions(int argc, char** argv, Options* o) {
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
    } else {
      return false;
    }
  }
  if (o->warmup < 0) o->warmup = std::min(500, o->operations / 10);
  return o->sessions >= 1 && o->sessions <= 500 && o->operations >= 1 && o->hot >= 1;
}

// The checker: what the host holds against what the sessions logged.
class Checker {
 public:
  explicit Checker(const Options& o) : options_(o) {}

  void Fail(const std::string& what) {
    ++failures_;
    if (failures_ <= 20) std::printf("  check failed: %s\n", what.c_str());
  }
  int failures() const { return failures_; }

  void File(const std::vector<SessionLog>& logs) {
    std::map<int32_t, Account> expected;
    for (int32_t id = 1; id <= options_.hot; ++id) expected[id] = {0, kInitialHotBalance, "HOT"};
    for (const SessionLog& log : logs) {
      for (const auto& [id, delta] : log.hotDeltas) {
        expected[id].balance += static_cast<int32_t>(delta);
      }
      for (const auto& [id, account] : log.own) expected[id] = account;
    }
    std::map<int32_t, Account> actual;
    const int32_t h = VNXopen("SOAK/ACCOUNTS", 1, -1);
    if (h < 0) return Fail("the file cannot be opened: " + MessageId());
    std::vector<uint8_t> block(256 * static_cast<size_t>(kRecordLength));
    int32_t options = VNX_READ_FIRST | VNX_BLOCK | VNX_READ_NO_LOCK | 256;
    for (int32_t n; (n = VNXRead(h, block.data(), kRecordLength, options, nullptr, 0, nullptr)) > 0;
         options = VNX_READ_NEXT | VNX_BLOCK | VNX_READ_NO_LOCK | 256) {
      for (int32_t i = 0; i < n; ++i) {
        auto [id, account] = Decode(&block[static_cast<size_t>(i) * kRecordLength]);
        if (!actual.emplace(id, account).second) Fail("record " + std::to_string(id) + " twice");
      }
    }
    Rclose(h);
    for (const auto& [id, account] : expected) {
      auto it = actual.find(id);
      if (it == actual.end()) {
        Fail("record " + std::to_string(id) + " lost");
      } else if (!(it->second == account)) {
        Fail("record " + std::to_string(id) + " holds balance " +
             std::to_string(it->second.balance) + " '" + it->second.note + "', expected " +
             std::to_string(account.balance) + " '" + account.note + "'");
      }
    }
    for (const auto& [id, account] : actual) {
      if (expected.count(id) == 0) Fail("record " + std::to_string(id) + " was never committed");
    }
    records_ = actual.size();
    expectedRecords_ = expected.size();
  }

  void Queues(const std::vector<SessionLog>& logs) {
    // FIFO: every entry sent is received once or still waiting.
    std::multiset<std::string> sent;
    std::multiset<std::string> out;
    for (const SessionLog& log : logs) {
      sent.insert(log.fifoSent.begin(), log.fifoSent.end());
      out.insert(log.fifoReceived.begin(), log.fifoReceived.end());
      fifoReceived_ += log.fifoReceived.size();
    }
    const int32_t fifo = LinkQueue("WORKQ");
    const int32_t keyed = LinkQueue("KEYQ");
    if (fifo <= 0 || keyed <= 0) return Fail("the queues cannot be linked: " + MessageId());
    char buffer[kQueueEntryLength];
    for (int32_t n;
         (n = VNXReceiveDataQueue(fifo, buffer, sizeof buffer, 0, nullptr, nullptr, 0)) > 0;) {
      out.emplace(buffer, static_cast<size_t>(n));
      ++fifoLeft_;
    }
    fifoSent_ = sent.size();
    for (const std::string& e : out) {
      if (out.count(e) > 1 && e != lastDouble_) {
        lastDouble_ = e;
        Fail("queue entry " + e + " received " + std::to_string(out.count(e)) + " times");
      }
    }
    if (sent != out) {
      std::vector<std::string> lost;
      std::set_difference(sent.begin(), sent.end(), out.begin(), out.end(),
                          std::back_inserter(lost));
      std::vector<std::string> extra;
      std::set_difference(out.begin(), out.end(), sent.begin(), sent.end(),
                          std::back_inserter(extra));
      Fail(std::to_string(lost.size()) + " queue entries lost, " + std::to_string(extra.size()) +
           " never sent");
    }
    // Keyed: each session's entries, received then left, are those it sent in order.
    for (size_t s = 0; s < logs.size(); ++s) {
      const std::string key = SessionKey(static_cast<int>(s));
      std::vector<std::string> all = logs[s].keyedReceived;
      for (int32_t n; (n = VNXReceiveDataQueue(keyed, buffer, sizeof buffer, 0, "EQ", key.data(),
                                               kKeyLength)) > 0;) {
        all.emplace_back(buffer, static_cast<size_t>(n));
        ++keyedLeft_;
      }
      keyedSent_ += logs[s].keyedSent.size();
      if (all != logs[s].keyedSent) Fail("keyed entries of " + key + " differ from those sent");
    }
    // Nothing else is left under any key.
    const std::string lowest(kKeyLength, ' ');
    if (VNXReceiveDataQueue(keyed, buffer, sizeof buffer, 0, "GE", lowest.data(), kKeyLength) !=
        0) {
      Fail("a keyed entry no session sent");
    }
  }

  void Print() const {
    std::printf("file: %zu records (expected %zu)\n", records_, expectedRecords_);
    std::printf("FIFO queue: %zu sent, %zu received, %zu left; keyed queue: %zu sent, %zu left\n",
                fifoSent_, fifoReceived_, fifoLeft_, keyedSent_, keyedLeft_);
  }

 private:
  const Options& options_;
  int failures_ = 0;
  size_t records_ = 0, expectedRecords_ = 0;
  size_t fifoSent_ = 0, fifoReceived_ = 0, fifoLeft_ = 0, keyedSent_ = 0, keyedLeft_ = 0;
  std::string lastDouble_;
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, &o)) {
    std::fprintf(
        stderr,
        "usage: load_soak [--sessions N] [--operations M] [--warmup W] [--hot H]\n"
        "                 [--lock-wait MS] [--seed S] [--rss-limit FRACTION] [--keep DIR]\n");
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
  testing::HostdProcess server;
  if (!server.Start(
          data, root / "hostd.log",
          {"--max-connections", std::to_string(o.sessions + 8), "--log-level", "warning"})) {
    std::fprintf(stderr, "load_soak: vantora-hostd did not start\n");
    return 2;
  }
  std::ofstream(root / "MV400.INI")
      << "[General]\nNetwork=tcp\nLocation=127.0.0.1:" << server.port()
      << "\n[Tcp]\nConnectTimeout=10\nReceiveTimeout=120\n[NT]\n"
         "NbSession="
      << o.sessions + 2 << "\n";
  setenv("MV400_INI", (root / "MV400.INI").c_str(), 1);
  setenv("VANTORA_USER", kUser, 1);
  setenv("VANTORA_PASSWORD", kPassword, 1);
  VNXTerminate();  // the next session function binds the transport these settings name

  std::printf(
      "load soak: %d sessions x %d operations (warm-up %d each), %d hot records, "
      "lock wait %d ms, vantora-hostd pid %d\n",
      o.sessions, o.operations, o.warmup, o.hot, o.lockWaitMs, static_cast<int>(server.pid()));
  // Multi-thread mode is entered once before the sessions race.
  if (VNXThreadAttach() != 1 || VNXThreadDetach() != 1) return 2;
  std::vector<SessionLog> logs(static_cast<size_t>(o.sessions));
  PhaseGate gate(o.sessions);
  std::vector<std::thread> threads;
  for (int s = 0; s < o.sessions; ++s) {
    threads.emplace_back([&, s] {
      Session session(s, o, &logs[static_cast<size_t>(s)]);
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
  gate.Open(1);
  gate.WaitAll(2);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const long rssAfter = ResidentKb(server.pid());
  gate.Open(2);
  for (auto& t : threads) t.join();

  int64_t byKind[kKinds] = {};
  int64_t total = 0, committed = 0, rolledBack = 0, lockTimeouts = 0;
  std::map<std::string, int64_t> errors;
  for (size_t s = 0; s < logs.size(); ++s) {
    for (int k = 0; k < kKinds; ++k) {
      const int64_t n = logs[s].done[k] - before[s].done[k];
      byKind[k] += n;
      total += n;
    }
    committed += logs[s].committed - before[s].committed;
    rolledBack += logs[s].rolledBack - before[s].rolledBack;
    lockTimeouts += logs[s].lockTimeouts;
    for (const auto& [what, n] : logs[s].errors) errors[what] += n;
  }
  std::printf("operations done: %lld in %.2f s: %.0f operations/s\n", static_cast<long long>(total),
              seconds, static_cast<double>(total) / seconds);
  for (int k = 0; k < kKinds; ++k) {
    std::printf("  %-14s %lld\n", kKindNames[k], static_cast<long long>(byKind[k]));
  }
  std::printf("transactions: %lld committed, %lld rolled back\n", static_cast<long long>(committed),
              static_cast<long long>(rolledBack));
  std::printf("errors: lock time-out (3029/CPF5027, allowed) %lld",
              static_cast<long long>(lockTimeouts));
  for (const auto& [what, n] : errors) {
    std::printf("; %s %lld", what.c_str(), static_cast<long long>(n));
  }
  std::printf("\n");

  Checker check(o);
  if (!errors.empty()) check.Fail("errors other than lock time-outs");
  if (VNXThreadAttach() != 1 || StartSession() != 1) {
    check.Fail("the checker has no session");
  } else {
    check.File(logs);
    check.Queues(logs);
    VNXThreadDetach();
  }
  check.Print();
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
  const int exit = server.Stop();
  if (exit != 0)
    check.Fail("vantora-hostd ended with " + std::to_string(exit) + "\n" + server.Log());
  std::printf("result: %s\n", check.failures() == 0 ? "pass" : "FAIL");
  return check.failures() == 0 ? 0 : 1;
}
