#include "bench/load_soak_session.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace vantora::soak {
namespace {

using Clock = std::chrono::steady_clock;

// How long a session tries to open again after a lost connection (a killed
// server is started again meanwhile).
constexpr auto kRecoverLimit = std::chrono::seconds(90);

bool IsIn(const std::vector<std::string>& entries, const std::string& e) {
  return std::find(entries.begin(), entries.end(), e) != entries.end();
}

std::string AppcText() {
  int16_t primary = 0;
  int32_t secondary = 0;
  APPC_ERR(&primary, &secondary);
  return "APPC " + std::to_string(primary) + "/" + std::to_string(secondary);
}

}  // namespace

template <typename Call>
int32_t Session::Timed(Call call) {
  const auto start = Clock::now();
  const int32_t r = call();
  const int64_t ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  log_.longestCallMs = std::max(log_.longestCallMs, ms);
  return r;
}

bool Session::Fail(const std::string& what, const std::string& detail) {
  ++log_.errors[what + ": " + detail];
  return false;
}

bool Session::Lost(int32_t result, const std::string& what) {
  if (result != VNX_ERR_COMM) {
    FailHost(result, what);
    return false;
  }
  const std::string code = AppcText();
  ++log_.communication[code];
  if (!options_.lossy()) Fail(what, "communication error " + code);
  lost_ = true;
  return true;
}

bool Session::FailHost(int32_t result, const std::string& what) {
  if (result == VNX_ERR_COMM) {
    Lost(result, what);
    return false;
  }
  Fail(what, MessageId());
  if (inTransaction_ && Timed([] { return Rrollbck(); }) == 1) ClearTransaction();
  return false;
}

// A lock time-out is the one host error the soak allows: the transaction is
// rolled back and the operation counts as not done.
bool Session::LockTimedOut() {
  if (MessageId() != "CPF5027") return false;
  ++log_.lockTimeouts;
  if (const int32_t r = Timed([] { return Rrollbck(); }); r != 1) {
    Lost(r, "rollback after a lock time-out");
    return true;
  }
  ClearTransaction();
  return true;
}

bool Session::Start() {
  if (VNXThreadAttach() != 1) return Fail("session", "attach");
  if (OpenSession()) return true;
  return lost_ && Recover();
}

bool Session::OpenSession() {
  FreeSession();  // the lost connection's record, if any
  const auto start = Clock::now();
  int32_t r = StartSession();
  log_.longestConnectMs = std::max<int64_t>(
      log_.longestConnectMs,
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
  if (r != 1) return FailHost(r, "session open");
  if (r = Timed([] { return Rsystem("STRCMTCTL LCKLVL(*CHG)"); }); r < 0) {
    return FailHost(r, "STRCMTCTL");
  }
  file_ = Timed([this] { return VNXopen("SOAK/ACCOUNTS", kUpdateCommitted, options_.lockWaitMs); });
  if (file_ < 0) return FailHost(file_, "open");
  fifo_ = Timed([] { return LinkQueue("WORKQ"); });
  if (fifo_ <= 0) return FailHost(fifo_, "queue link");
  keyed_ = Timed([] { return LinkQueue("KEYQ"); });
  if (keyed_ <= 0) return FailHost(keyed_, "queue link");
  return true;
}

bool Session::Recover() {
  const auto deadline = Clock::now() + kRecoverLimit;
  int pauseMs = 20;
  for (;;) {
    lost_ = false;
    if (OpenSession() && (!inTransaction_ || Resolve())) {
      ++log_.reconnects;
      return true;
    }
    if (!lost_ || Clock::now() > deadline) {
      if (lost_)
        Fail("session", "not open again within " + std::to_string(kRecoverLimit.count()) + " s");
      dead_ = true;
      return false;
    }
    ++log_.reconnectFailures;
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    pauseMs = std::min(pauseMs * 2, 500);
  }
}

bool Session::Resolve() {
  uint8_t key[4];
  wire::StoreLeI32(key, MarkerId());
  uint8_t record[kRecordLength];
  for (int waits = 0;; ++waits) {
    const int32_t r = Timed(
        [&] { return VNXRead(file_, record, kRecordLength, VNX_READ_KEY_EQ, key, 4, nullptr); });
    if (r == 1) {
      ++log_.resolveWaits[waits];
      break;
    }
    if (r == -1 && MessageId() == "CPF5027" && waits + 1 < options_.resolveWaits) continue;
    if (r == -1 && MessageId() == "CPF5027") {
      Fail("after a lost connection",
           "its job's lock held past " + std::to_string(options_.resolveWaits) + " lock waits");
    } else {
      Lost(r, "marker read after a lost connection");
    }
    if (!lost_) ClearTransaction();  // undecided: the checker will tell
    return false;
  }
  const Account marker = Decode(record).second;
  const bool committed = marker == Marker(index_, transaction_);
  if (!committed && !(marker == Marker(index_, log_.lastCommitted))) {
    Fail("after a lost connection", "the marker holds '" + marker.note + "'");
  }
  if (committed) {
    for (auto& [id, account] : pending_) log_.own[id] = account;
    for (auto& [id, delta] : pendingHot_) log_.hotDeltas[id] += delta;
    log_.lastCommitted = transaction_;
    ++log_.committed;
    ++log_.doubtCommitted;
  } else {
    ++log_.doubtRolledBack;
  }
  ExpectWhole(committed);
  ClearTransaction();
  // Lets the marker go again.
  if (const int32_t r = Timed([] { return Rrollbck(); }); r != 1) return !Lost(r, "rollback");
  return !lost_;
}

void Session::ExpectWhole(bool committed) {
  for (const auto& [id, image] : pending_) {
    uint8_t key[4];
    wire::StoreLeI32(key, id);
    uint8_t record[kRecordLength];
    const int32_t r = Timed([&] {
      return VNXRead(file_, record, kRecordLength, VNX_READ_KEY_EQ | VNX_READ_NO_LOCK, key, 4,
                     nullptr);
    });
    if (r == VNX_ERR_COMM) {
      Lost(r, "record read after a lost connection");
      return;
    }
    const auto before = log_.own.find(id);  // as last committed (already this one when committed)
    const bool absent = r == -1 && MessageId() == "CPF5006";
    if (r != 1 && !absent) {
      FailHost(r, "record read after a lost connection");
      return;
    }
    const bool asWanted = committed ? r == 1 && Decode(record).second == image
                          : before == log_.own.end()
                              ? absent
                              : r == 1 && Decode(record).second == before->second;
    if (!asWanted) {
      Fail("after a lost connection", "record " + std::to_string(id) + " of transaction " +
                                          std::to_string(transaction_) + " is half " +
                                          (committed ? "committed" : "rolled back"));
    }
  }
}

void Session::Run(int operations) {
  for (int i = 0; i < operations && !dead_; ++i) {
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
    ++progress_;
    if (lost_) Recover();
  }
}

void Session::End() {
  if (!dead_) Rclose(file_);
  VNXThreadDetach();
}

int32_t Session::HotId() {
  return 1 + static_cast<int32_t>(random_() % static_cast<uint32_t>(options_.hot));
}

int32_t Session::Delta() {
  return static_cast<int32_t>(random_() % 101) - 50;
}

int32_t Session::OwnId() {
  if (log_.own.empty()) return 0;
  auto it = log_.own.begin();
  std::advance(it, random_() % log_.own.size());
  return it->first;
}

bool Session::ReadKey(int32_t id, bool lock, const char* what, uint8_t* record) {
  uint8_t key[4];
  wire::StoreLeI32(key, id);
  const int32_t options = VNX_READ_KEY_EQ | (lock ? 0 : VNX_READ_NO_LOCK);
  const int32_t r =
      Timed([&] { return VNXRead(file_, record, kRecordLength, options, key, 4, nullptr); });
  if (r == 1) return true;
  if (r == VNX_ERR_COMM || !LockTimedOut()) FailHost(r, what);
  return false;
}

bool Session::Rewrite(int32_t id, const Account& a, const char* what) {
  auto image = Encode(id, a);
  const int32_t r = Timed([&] { return Rupdate(file_, image.data(), kRecordLength); });
  if (r == 1) return true;
  if (r == VNX_ERR_COMM || !LockTimedOut()) FailHost(r, what);
  return false;
}

bool Session::BeginTransaction() {
  inTransaction_ = true;
  transaction_ = log_.lastCommitted + 1;
  uint8_t record[kRecordLength];
  return ReadKey(MarkerId(), true, "marker read", record) &&
         Rewrite(MarkerId(), Marker(index_, transaction_), "marker update");
}

void Session::ClearTransaction() {
  inTransaction_ = false;
  pending_.clear();
  pendingHot_.clear();
}

// Ends a transaction: commits 3 in 4, else rolls back; the log takes the
// pending changes only when the commit was answered (or found committed).
void Session::EndTransaction(Kind kind) {
  if (random_() % 4 != 0) {
    if (const int32_t r = Timed([] { return Rcommit("soak"); }); r != 1) {
      FailHost(r, std::string(kKindNames[kind]) + " commit");
      return;
    }
    for (auto& [id, account] : pending_) log_.own[id] = account;
    for (auto& [id, delta] : pendingHot_) log_.hotDeltas[id] += delta;
    log_.lastCommitted = transaction_;
    ++log_.committed;
  } else {
    if (const int32_t r = Timed([] { return Rrollbck(); }); r != 1) {
      FailHost(r, std::string(kKindNames[kind]) + " rollback");
      return;
    }
    ++log_.rolledBack;
  }
  ClearTransaction();
  ++log_.done[kind];
}

std::string Session::Note() {
  return "S" + std::to_string(index_) + " N" + std::to_string(++notes_);
}

void Session::BlockRead() {
  std::vector<uint8_t> block(static_cast<size_t>(kBlockRecords) * kRecordLength);
  uint8_t key[4];
  wire::StoreLeI32(key, HotId());
  const int32_t n = Timed([&] {
    return VNXRead(file_, block.data(), kRecordLength,
                   VNX_READ_KEY_GE | VNX_BLOCK | VNX_READ_NO_LOCK | kBlockRecords, key, 4, nullptr);
  });
  if (n < 1) {
    FailHost(n, "blocked read");
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

void Session::KeyRead() {
  const int32_t id = OwnId();
  uint8_t record[kRecordLength];
  if (!ReadKey(id == 0 ? HotId() : id, false, "keyed read", record)) return;
  if (id != 0 && Decode(record).second != log_.own[id]) {
    Fail("keyed read", "record differs from the last commit");
    return;
  }
  ++log_.done[kKeyRead];
}

void Session::Transfer() {
  if (!BeginTransaction()) return;
  const int32_t hot = HotId();
  const int32_t delta = Delta();
  uint8_t record[kRecordLength];
  if (!ReadKey(hot, true, "transfer read", record)) return;
  Account account = Decode(record).second;
  account.balance += delta;
  if (!Rewrite(hot, account, "transfer update")) return;
  pendingHot_[hot] += delta;
  if (const int32_t own = OwnId(); own != 0) {
    if (!ReadKey(own, true, "transfer own read", record)) return;
    Account mine = Decode(record).second;
    mine.balance -= delta;
    mine.note = Note();
    if (!Rewrite(own, mine, "transfer own update")) return;
    pending_[own] = mine;
  }
  EndTransaction(kTransfer);
}

void Session::Insert() {
  if (!BeginTransaction()) return;
  const int32_t id = kOwnBase + index_ * kOwnPerSession + nextOwn_++;
  Account a{index_ + 1, static_cast<int32_t>(random_() % 1000), Note()};
  auto image = Encode(id, a);
  pending_[id] = a;  // a lost insert may have happened
  if (const int32_t r = Timed([&] { return Rwrite(file_, image.data(), kRecordLength); }); r != 1) {
    FailHost(r, "insert");
    return;
  }
  EndTransaction(kInsert);
}

void Session::Update() {
  const int32_t id = OwnId();
  if (id == 0) return Insert();
  if (!BeginTransaction()) return;
  uint8_t record[kRecordLength];
  if (!ReadKey(id, true, "update read", record)) return;
  Account a = Decode(record).second;
  a.balance += Delta();
  a.note = Note();
  if (!Rewrite(id, a, "update")) return;
  pending_[id] = a;
  EndTransaction(kUpdate);
}

void Session::FifoSend() {
  const std::string entry = key_ + ":" + std::to_string(++sent_);
  const int32_t r = Timed([&] {
    return VNXSendDataQueue(fifo_, entry.data(), static_cast<int32_t>(entry.size()), nullptr, 0);
  });
  if (r != 1) {
    if (Lost(r, "queue send")) log_.fifoSentInDoubt.push_back(entry);
    return;
  }
  log_.fifoSent.push_back(entry);
  ++log_.done[kFifoSend];
}

void Session::FifoReceive() {
  char buffer[kQueueEntryLength];
  const int32_t wait = random_() % 10 == 0 ? 1 : 0;
  const int32_t n = Timed(
      [&] { return VNXReceiveDataQueue(fifo_, buffer, sizeof buffer, wait, nullptr, nullptr, 0); });
  if (n < 0) {
    if (Lost(n, "queue receive")) ++log_.fifoLostReceives;
    return;
  }
  if (n > 0) log_.fifoReceived.emplace_back(buffer, static_cast<size_t>(n));
  ++log_.done[kFifoReceive];
}

void Session::KeyedSend() {
  const std::string entry = key_ + "#" + std::to_string(keyedNext_++);
  const int32_t r = Timed([&] {
    return VNXSendDataQueue(keyed_, entry.data(), static_cast<int32_t>(entry.size()), key_.data(),
                            kKeyLength);
  });
  if (r != 1) {
    if (Lost(r, "keyed send")) log_.keyedSentInDoubt.push_back(entry);
    return;
  }
  log_.keyedSent.push_back(entry);
  ++log_.done[kKeyedSend];
}

void Session::KeyedReceive() {
  char buffer[kQueueEntryLength];
  const int32_t n = Timed([&] {
    return VNXReceiveDataQueue(keyed_, buffer, sizeof buffer, 0, "EQ", key_.data(), kKeyLength);
  });
  if (n < 0) {
    if (Lost(n, "keyed receive")) ++log_.keyedLostReceives;
    return;
  }
  // The session's entries come back in the order it sent them; a receive
  // that went unanswered may have taken one, and a send that went
  // unanswered may land after those that follow it (its bytes were still on
  // their way when the session gave up), so it keeps no order.
  int64_t last = -1;
  for (const std::string& e : log_.keyedReceived) {
    if (!IsIn(log_.keyedSentInDoubt, e)) last = std::max(last, KeyedNumber(e));
  }
  if (n == 0) {
    const auto waiting = std::count_if(log_.keyedSent.begin(), log_.keyedSent.end(),
                                       [&](const std::string& e) { return KeyedNumber(e) > last; });
    if (waiting > log_.keyedLostReceives) Fail("keyed receive", "an entry sent is missing");
  } else {
    std::string entry(buffer, static_cast<size_t>(n));
    const int64_t number = KeyedNumber(entry);
    const bool doubt = IsIn(log_.keyedSentInDoubt, entry);
    if (entry.rfind(key_ + "#", 0) != 0 || (!doubt && number <= last) || number >= keyedNext_) {
      Fail("keyed receive", "entry out of order or not sent: " + entry);
    }
    log_.keyedReceived.push_back(std::move(entry));
  }
  ++log_.done[kKeyedReceive];
}

}  // namespace vantora::soak
