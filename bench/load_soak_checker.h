// The load soak's checker: what the host holds against what the sessions
// logged. Each shared record's balance is its first plus the committed
// deltas, each session's marker the number of its last committed
// transaction, each own record what its session last committed, and no
// other record is there. Every FIFO entry is received or left at most once,
// was sent (answered, or unanswered), and the answered ones missing are no
// more than the receives that went unanswered could have taken; each
// session's keyed entries come back in the order it sent them, under the
// same allowance (a send that went unanswered may have landed late, out of
// order).
//
// Runs on a session of its own, connected to the server directly.
#ifndef VANTORA_BENCH_LOAD_SOAK_CHECKER_H_
#define VANTORA_BENCH_LOAD_SOAK_CHECKER_H_

#include <cstddef>
#include <string>
#include <vector>

#include "bench/load_soak_records.h"

namespace vantora::soak {

class Checker {
 public:
  explicit Checker(const Options& o) : options_(o) {}

  void Fail(const std::string& what);
  int failures() const { return failures_; }

  void File(const std::vector<SessionLog>& logs);
  void Queues(const std::vector<SessionLog>& logs);
  void Print() const;

 private:
  void Keyed(const SessionLog& log, int session, int32_t link);

  const Options& options_;
  int failures_ = 0;
  size_t records_ = 0, expectedRecords_ = 0;
  size_t fifoSent_ = 0, fifoReceived_ = 0, fifoLeft_ = 0, fifoDoubtSent_ = 0, fifoDoubtFound_ = 0;
  size_t fifoLostReceives_ = 0, fifoMissing_ = 0;
  size_t keyedSent_ = 0, keyedLeft_ = 0, keyedDoubtSent_ = 0, keyedDoubtFound_ = 0;
  size_t keyedLostReceives_ = 0, keyedMissing_ = 0;
};

}  // namespace vantora::soak

#endif  // VANTORA_BENCH_LOAD_SOAK_CHECKER_H_
