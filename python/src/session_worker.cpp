#include "session_worker.h"

#include <mv432ida.h>

namespace vantora::python {

SessionWorker::SessionWorker() {
  thread_ = std::thread([this] { Loop(); });
  Run([this] { attached_ = VNXThreadAttach(); });
}

SessionWorker::~SessionWorker() {
  Stop();
}

std::future<void> SessionWorker::Post(std::function<void()> work) {
  std::packaged_task<void()> task(std::move(work));
  std::future<void> done = task.get_future();
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return {};
    queue_.push_back(std::move(task));
  }
  wake_.notify_one();
  return done;
}

bool SessionWorker::Run(std::function<void()> work) {
  std::future<void> done = Post(std::move(work));
  if (!done.valid()) return false;
  done.get();
  return true;
}

void SessionWorker::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void SessionWorker::Loop() {
  for (;;) {
    std::packaged_task<void()> task;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return !queue_.empty() || stopping_; });
      if (queue_.empty()) break;
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task();
  }
  // Ends the session on the host and frees the slot for another Session.
  if (attached_ != 0) VNXThreadDetach();
}

}  // namespace vantora::python
