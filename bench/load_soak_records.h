// What the load soak's sessions work on and what they log: the file's
// record layout, the queues, the operations by kind and each session's log
// of what the host answered.
//
// SOAK/ACCOUNTS, keyed on ID (unique): ID BIN4 | OWNER BIN4 | BALANCE BIN4 |
// NOTE CHAR(20). Its PC record: ID 0-3, OWNER 4-7, BALANCE 8-11 (int32
// little-endian), NOTE 12-31. IDs 1 to H are the hot records all sessions
// change; 50000 + s is session s's marker, whose balance is the number of
// the session's last committed transaction; 100000 + 20000 s + n are
// session s's own records.
#ifndef VANTORA_BENCH_LOAD_SOAK_RECORDS_H_
#define VANTORA_BENCH_LOAD_SOAK_RECORDS_H_

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "mv432ida.h"
#include "protocol/byte_order.h"

namespace vantora::soak {

inline constexpr int32_t kRecordLength = 32;
inline constexpr int32_t kNoteLength = 20;
inline constexpr int32_t kInitialHotBalance = 100000;
inline constexpr int32_t kMarkerBase = 50000;
inline constexpr int32_t kOwnBase = 100000;
inline constexpr int32_t kOwnPerSession = 20000;
inline constexpr int32_t kBlockRecords = 64;
inline constexpr int32_t kQueueEntryLength = 64;
inline constexpr int32_t kKeyLength = 4;
inline constexpr const char* kUser = "SOAK";
inline constexpr const char* kPassword = "soak";
// Open mode: read, add, update; commitment control.
inline constexpr int32_t kUpdateCommitted = 1 | 2 | 4 | 0x20;

struct Options {
  int sessions = 50;
  int operations = 10000;
  int warmup = -1;  // -1: a tenth of the operations, at most 500
  int hot = 10;
  int lockWaitMs = 2000;
  uint32_t seed = 1;
  double rssLimit = 0.20;
  std::string keep;          // a directory for the run, kept afterwards; empty: a temporary one
  double faults = 0;         // > 0: through the fault proxy, harming this share of the frames
  int kills = 0;             // times the server is killed (SIGKILL) and started again
  int receiveTimeoutS = -1;  // the client's Tcp/ReceiveTimeout; -1: 120, or 3 with faults
  int connectTimeoutS = 10;
  // The lock waits a lost job may keep a session waiting: its connection's
  // bytes may still be on their way (a stall of the proxy) before the server
  // sees it end, ends the job and lets its locks go.
  int resolveWaits = 2;

  bool lossy() const { return faults > 0 || kills > 0; }
};

struct Account {
  int32_t owner = 0;
  int32_t balance = 0;
  std::string note;
  bool operator==(const Account&) const = default;
};

inline std::vector<uint8_t> Encode(int32_t id, const Account& a) {
  std::vector<uint8_t> r(kRecordLength, ' ');
  wire::StoreLeI32(r.data(), id);
  wire::StoreLeI32(r.data() + 4, a.owner);
  wire::StoreLeI32(r.data() + 8, a.balance);
  std::memcpy(r.data() + 12, a.note.data(), std::min<size_t>(a.note.size(), kNoteLength));
  return r;
}

inline std::pair<int32_t, Account> Decode(const uint8_t* r) {
  Account a;
  a.owner = wire::LoadLeI32(r + 4);
  a.balance = wire::LoadLeI32(r + 8);
  a.note.assign(reinterpret_cast<const char*>(r + 12), kNoteLength);
  while (!a.note.empty() && a.note.back() == ' ') a.note.pop_back();
  return {wire::LoadLeI32(r), a};
}

// Session s's marker after its transaction number `n` committed.
inline Account Marker(int session, int64_t n) {
  return {session + 1, static_cast<int32_t>(n), "M" + std::to_string(n)};
}

inline std::string Pad(const std::string& s, size_t n) {
  std::string out = s;
  out.resize(n, ' ');
  return out;
}

inline std::string MessageId() {
  char id[9] = {};
  Return_Syserr(id);
  return std::string(id, strnlen(id, 7));
}

inline int32_t LinkQueue(const char* name) {
  return VNXLinkDataQueue(Pad(name, 10).c_str(), Pad("SOAK", 10).c_str(), 0, 0,
                          Pad("", 10).c_str());
}

inline std::string SessionKey(int session) {
  char key[8];
  std::snprintf(key, sizeof key, "S%03d", session % 1000);
  return key;
}

// A keyed entry's number: "S001#17" -> 17.
inline int64_t KeyedNumber(const std::string& entry) {
  const size_t hash = entry.find('#');
  return hash == std::string::npos ? -1 : std::stoll(entry.substr(hash + 1));
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
inline const char* const kKindNames[kKinds] = {"blocked read",  "keyed read", "transfer",
                                               "insert",        "update",     "queue send",
                                               "queue receive", "keyed send", "keyed receive"};

// What one session had answered, and what it could not know.
struct SessionLog {
  int64_t done[kKinds] = {};
  int64_t committed = 0;
  int64_t rolledBack = 0;
  int64_t lockTimeouts = 0;
  std::map<std::string, int64_t> errors;         // "what: message id" -> count (not allowed)
  std::map<std::string, int64_t> communication;  // "APPC primary/secondary" -> count
  std::map<int32_t, Account> own;                // the session's committed records
  std::map<int32_t, int64_t> hotDeltas;          // committed change of each hot record
  int64_t lastCommitted = 0;                     // the number of its last committed transaction
  std::vector<std::string> fifoSent, fifoReceived;
  std::vector<std::string> keyedSent, keyedReceived;

  // After a lost connection.
  int64_t reconnects = 0;               // sessions opened again
  int64_t reconnectFailures = 0;        // tries that failed on the way (refused, lost again)
  int64_t doubtCommitted = 0;           // transactions without an answer, found committed
  int64_t doubtRolledBack = 0;          // ... found rolled back
  std::map<int, int64_t> resolveWaits;  // lock waits before the marker was free -> count
  std::vector<std::string> fifoSentInDoubt, keyedSentInDoubt;  // sends without an answer
  int64_t fifoLostReceives = 0, keyedLostReceives = 0;         // receives without one
  int64_t longestCallMs = 0;     // the longest a single client call took
  int64_t longestConnectMs = 0;  // ... of the session opens
};

}  // namespace vantora::soak

#endif  // VANTORA_BENCH_LOAD_SOAK_RECORDS_H_
