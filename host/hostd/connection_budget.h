// How many connections the host server takes at once. Sessions (connections
// whose session has opened) have their maximum; connections that have not
// signed on yet have a smaller budget of their own, so that strangers who
// connect and send nothing cannot take the places of users:
//
//   - at most `maxSigningOn` connections signing on at once;
//   - above `earlySigningOn` of them, a new one is refused at random, the
//     more likely the nearer the count is to the maximum (30% just above
//     the threshold, rising evenly to 100% at the maximum), so that a flood
//     meets resistance before the door is shut;
//   - at most `maxSigningOnPerAddress` of them from one peer address.
//
// A connection is admitted as signing on; when its session opens it moves
// to the sessions, if they have room. Refusals for the sign-on budget are
// transient (the client may try again at once); a full house of sessions
// is not.
//
// Thread safety: every method may be called from any thread.
#ifndef VANTORA_HOST_HOSTD_CONNECTION_BUDGET_H_
#define VANTORA_HOST_HOSTD_CONNECTION_BUDGET_H_

#include <cstdint>
#include <map>
#include <mutex>
#include <random>
#include <string>

namespace vantora::hostd {

struct BudgetLimits {
  int maxSessions = 64;
  int maxSigningOn = 32;
  int earlySigningOn = 16;  // >= maxSigningOn: no refusal before the maximum
  int maxSigningOnPerAddress = 8;
};

enum class Admission {
  kAdmitted,       // counted as signing on
  kSessionsFull,   // every session place is taken
  kSigningOnFull,  // maxSigningOn connections are signing on
  kEarlyRefusal,   // refused at random above earlySigningOn
  kAddressFull,    // maxSigningOnPerAddress connections of this address are signing on
};

class ConnectionBudget {
 public:
  // `seed` drives the random early refusals (tests give a fixed one).
  ConnectionBudget(BudgetLimits limits, uint32_t seed);

  // A new connection from `address`.
  Admission Admit(const std::string& address);
  // The session of an admitted connection opened: true when it took a
  // session's place; false when the sessions are full (it stays signing on).
  bool SignedOn(const std::string& address);
  // An admitted connection ended; `signedOn` says whether SignedOn took a
  // place for it.
  void Leave(const std::string& address, bool signedOn);

  int sessions() const;
  int signingOn() const;
  const BudgetLimits& limits() const { return limits_; }

 private:
  void ForgetOneSigningOn(const std::string& address);

  const BudgetLimits limits_;
  mutable std::mutex mutex_;
  std::mt19937 random_;
  int sessions_ = 0;
  int signingOn_ = 0;
  std::map<std::string, int> signingOnByAddress_;
};

// Says why `a` refused, for logs and refusal frames.
std::string AdmissionText(Admission a, const BudgetLimits& limits);

}  // namespace vantora::hostd

#endif  // VANTORA_HOST_HOSTD_CONNECTION_BUDGET_H_
