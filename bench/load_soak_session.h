// One session of the load soak: its mixed operations through the client
// library (load_soak.cpp lists them), each answer logged.
//
// Every transaction first sets the session's marker record to the
// transaction's number, so that one whose commit went unanswered can be
// decided afterwards. When a request answers a communication error (-20:
// the connection was cut, reset or timed out, or the server was killed), the
// session opens anew and, if a transaction was open, reads its marker with
// a lock: the lock waits for the lost job to end (the host rolls back its
// open transaction and releases its locks), then the marker tells whether
// the transaction committed. The records it touched must all show it, or
// all not: never half. Sends and receives that went unanswered are logged
// as such: the checker allows their entry to be there or not, and a lost
// receive to have taken one entry.
//
// Thread safety: one thread per session.
#ifndef VANTORA_BENCH_LOAD_SOAK_SESSION_H_
#define VANTORA_BENCH_LOAD_SOAK_SESSION_H_

#include <atomic>
#include <cstdint>
#include <map>
#include <random>
#include <string>

#include "bench/load_soak_records.h"

namespace vantora::soak {

class Session {
 public:
  Session(int index, const Options& options, SessionLog* log, std::atomic<int64_t>* progress)
      : index_(index),
        options_(options),
        log_(*log),
        progress_(*progress),
        random_(options.seed * 7919u + static_cast<uint32_t>(index)),
        key_(SessionKey(index)) {}

  // Attaches the thread and opens the session, the file and the queues.
  bool Start();
  void Run(int operations);
  void End();

 private:
  bool Fail(const std::string& what, const std::string& detail);
  // A failed request: the communication error is logged and the session is
  // marked lost (true), any other failure logged as an error (false).
  bool Lost(int32_t result, const std::string& what);
  bool FailHost(int32_t result, const std::string& what);
  // Times one client call.
  template <typename Call>
  int32_t Timed(Call call);

  // Opens the session again after a lost connection and decides the
  // transaction that was open; false when the server cannot be reached.
  bool Recover();
  bool OpenSession();
  // Reads the marker with its lock: whether the open transaction committed.
  bool Resolve();
  // The records the open transaction touched show it all or not at all.
  void ExpectWhole(bool committed);

  bool LockTimedOut();
  int32_t HotId();
  int32_t Delta();
  int32_t OwnId();
  int32_t MarkerId() const { return kMarkerBase + index_; }
  bool ReadKey(int32_t id, bool lock, const char* what, uint8_t* record);
  bool Rewrite(int32_t id, const Account& a, const char* what);
  bool BeginTransaction();
  void EndTransaction(Kind kind);
  void ClearTransaction();
  std::string Note();

  void BlockRead();
  void KeyRead();
  void Transfer();
  void Insert();
  void Update();
  void FifoSend();
  void FifoReceive();
  void KeyedSend();
  void KeyedReceive();

  const int index_;
  const Options& options_;
  SessionLog& log_;
  std::atomic<int64_t>& progress_;
  std::mt19937 random_;
  const std::string key_;
  int32_t file_ = -1;
  int32_t fifo_ = 0;
  int32_t keyed_ = 0;
  int nextOwn_ = 0;
  int notes_ = 0;
  int sent_ = 0;
  int keyedNext_ = 0;
  bool lost_ = false;  // the connection was lost: recover before the next operation
  bool dead_ = false;  // the server could not be reached again: stop
  // The open transaction: its number, what it changed, whether its commit was sent.
  bool inTransaction_ = false;
  int64_t transaction_ = 0;
  std::map<int32_t, Account> pending_;
  std::map<int32_t, int64_t> pendingHot_;
};

}  // namespace vantora::soak

#endif  // VANTORA_BENCH_LOAD_SOAK_SESSION_H_
