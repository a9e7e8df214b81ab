// A manual-reset event: once set it stays set, releasing every waiter,
// until it is reset.
#ifndef VANTORA_PLATFORM_EVENT_H_
#define VANTORA_PLATFORM_EVENT_H_

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vantora::platform {

class ManualResetEvent {
 public:
  explicit ManualResetEvent(bool initiallySet) : set_(initiallySet) {}
  ManualResetEvent(const ManualResetEvent&) = delete;
  ManualResetEvent& operator=(const ManualResetEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // Blocks until the event is set.
  void Wait();
  // Blocks until the event is set or `limit` has passed; true when set.
  bool WaitFor(std::chrono::milliseconds limit);

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool set_;
};

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_EVENT_H_
