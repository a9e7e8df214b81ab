#include "platform/interrupt.h"

#include <signal.h>

#include <atomic>

namespace vantora::platform {
namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
  interrupted.store(true);
}

}  // namespace

void CatchInterrupts() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART
  sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
  return interrupted.load();
}

void ClearInterrupt() {
  interrupted.store(false);
}

}  // namespace vantora::platform
