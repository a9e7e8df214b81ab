#include "host/server/session/sign_on_delays.h"

#include <algorithm>

namespace vantora::host {

std::chrono::milliseconds SignOnDelays::DelayAfter(int failures) const {
  if (failures <= 1) return std::chrono::milliseconds(0);
  std::chrono::milliseconds delay = policy_.base;
  for (int i = 2; i < failures && delay < policy_.cap; ++i) delay *= 2;
  return std::min(delay, policy_.cap);
}

std::chrono::milliseconds SignOnDelays::Failed(const std::string& profile, int* failures) {
  int count = 0;
  {
    std::lock_guard lock(mutex_);
    int& n = failures_[profile];
    if (n < 1'000'000) ++n;
    count = n;
  }
  if (failures != nullptr) *failures = count;
  return DelayAfter(count);
}

void SignOnDelays::Succeeded(const std::string& profile) {
  std::lock_guard lock(mutex_);
  failures_.erase(profile);
}

int SignOnDelays::Failures(const std::string& profile) const {
  std::lock_guard lock(mutex_);
  auto it = failures_.find(profile);
  return it == failures_.end() ? 0 : it->second;
}

void SignOnDelays::Wait(std::chrono::milliseconds delay) {
  if (delay.count() <= 0) return;
  if (policy_.wait) {
    policy_.wait(delay);
    return;
  }
  std::unique_lock lock(mutex_);
  // The mutex is released while waiting: other sessions count and sign on.
  stopped_.wait_for(lock, delay, [this] { return stopping_; });
}

void SignOnDelays::StopWaits() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
}

}  // namespace vantora::host
