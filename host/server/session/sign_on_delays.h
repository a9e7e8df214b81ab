// Slows down the guessing of passwords: each failed sign-on of a user
// profile after the first one in a row is answered only after a delay that
// doubles with the count of failures, up to a cap (with the defaults: 0,
// 250 ms, 500 ms, 1 s, ... 8 s). The counts belong to the profiles and are
// shared by every session of the host; a successful sign-on sets its
// profile's count back to 0.
//
// The delay is waited by the failing session's own thread, holding no lock,
// so every other session goes on meanwhile. StopWaits ends the waits at once
// (a server that stops does not wait for them).
//
// Thread safety: every method may be called from any thread.
#ifndef VANTORA_HOST_SERVER_SESSION_SIGN_ON_DELAYS_H_
#define VANTORA_HOST_SERVER_SESSION_SIGN_ON_DELAYS_H_

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace vantora::host {

struct SignOnDelayPolicy {
  std::chrono::milliseconds base{250};  // the delay of the second failure in a row
  std::chrono::milliseconds cap{8000};
  // Waits `delay`. Empty: SignOnDelays waits on the steady clock itself,
  // until the delay has passed or StopWaits is called. Tests put a clock of
  // their own here.
  std::function<void(std::chrono::milliseconds delay)> wait;
};

class SignOnDelays {
 public:
  explicit SignOnDelays(SignOnDelayPolicy policy = {}) : policy_(std::move(policy)) {}

  // The delay of the `failures`-th failure in a row: 0 for the first.
  std::chrono::milliseconds DelayAfter(int failures) const;

  // Counts a failed sign-on of `profile`; returns the delay to wait before
  // answering it, and in `failures` the count, this one included.
  std::chrono::milliseconds Failed(const std::string& profile, int* failures);
  // A successful sign-on: the count of `profile` starts again.
  void Succeeded(const std::string& profile);
  // The failures in a row of `profile` so far.
  int Failures(const std::string& profile) const;

  // Waits `delay` (see the policy); returns early once StopWaits was called.
  void Wait(std::chrono::milliseconds delay);
  // Ends the waits going on and makes later ones return at once.
  void StopWaits();

 private:
  const SignOnDelayPolicy policy_;
  mutable std::mutex mutex_;  // guards failures_ and stopping_
  std::condition_variable stopped_;
  std::map<std::string, int> failures_;  // by profile; only profiles that exist
  bool stopping_ = false;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SESSION_SIGN_ON_DELAYS_H_
