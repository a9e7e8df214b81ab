// Thread identifiers from a process-wide counter; the thread-exit work
// runs from the destructor of a thread_local guard.
#include "platform/thread.h"

#include <array>
#include <atomic>

namespace vantora::platform {
namespace {

std::atomic<uint32_t> nextThreadId{1};

class ThreadExitGuard {
 public:
  ~ThreadExitGuard() {
    for (auto& work : works_) {
      if (auto run = work) {
        work = nullptr;
        run();
      }
    }
  }
  bool Arm(void (*work)()) {
    for (auto w : works_) {
      if (w == work) return true;
    }
    for (auto& w : works_) {
      if (w == nullptr) {
        w = work;
        return true;
      }
    }
    return false;
  }
  void Cancel(void (*work)()) {
    for (auto& w : works_) {
      if (w == work) w = nullptr;
    }
  }

 private:
  std::array<void (*)(), 4> works_{};
};

thread_local ThreadExitGuard exitGuard;

}  // namespace

uint32_t CurrentThreadId() {
  thread_local uint32_t id = 0;
  if (id == 0) {
    do {
      id = nextThreadId.fetch_add(1, std::memory_order_relaxed);
    } while (id == 0);
  }
  return id;
}

bool RunAtThreadExit(void (*work)()) {
  return exitGuard.Arm(work);
}

void CancelAtThreadExit(void (*work)()) {
  exitGuard.Cancel(work);
}

}  // namespace vantora::platform
