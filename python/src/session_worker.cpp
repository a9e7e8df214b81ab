#include "session_worker.h"

#include <mv432ida.h>

namespace vantora::python {

SessionWorker::SessionWorker() {
  std::function<void()> attach = [this] { attached_ = VNXThreadAttach(); };
  thread_ = std::thread([this] { Loop(); });
  Run(attach);
}

SessionWorker::~SessionWorker() {
  Stop();
}

bool SessionWorker::Run(const std::function<void()>& work) {
  std::lock_guard caller(callers_);
  std::unique_lock lock(mutex_);
  if (stopping_) return false;
  work_ = &work;
  done_ = false;
  wake_.notify_all();
  wake_.wait(lock, [this] { return done_; });
  return true;
}

void SessionWorker::Stop() {
  std::lock_guard caller(callers_);
  {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) return;
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void SessionWorker::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return work_ != nullptr || stopping_; });
    if (work_ != nullptr) {
      const std::function<void()>* work = work_;
      lock.unlock();
      (*work)();
      lock.lock();
      work_ = nullptr;
      done_ = true;
      wake_.notify_all();
      continue;
    }
    break;
  }
  lock.unlock();
  // Ends the session on the host and frees the slot for another Session.
  if (attached_ != 0) VNXThreadDetach();
}

}  // namespace vantora::python
