// A thread that owns one client session of the client library.
//
// The client library keeps its current session per thread in its
// thread-attach mode (VNXThreadAttach): a session belongs to the thread that
// attached it. A Python Session may be used from any Python thread, so each
// one gets a worker thread that attaches a session of its own and runs every
// request of that Session, in the order they were handed in; requests of
// different Sessions run at once.
//
// Threads: Post and Run may be called from any thread; Run must not be
// called with the Python GIL held (the work runs without it and never
// touches Python objects). Stop is idempotent.
#ifndef VANTORA_PYTHON_SESSION_WORKER_H_
#define VANTORA_PYTHON_SESSION_WORKER_H_

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace vantora::python {

class SessionWorker {
 public:
  // Starts the thread; it attaches its client session at once. attached()
  // then tells whether the client library gave it one.
  SessionWorker();
  // Stops the thread (see Stop).
  ~SessionWorker();
  SessionWorker(const SessionWorker&) = delete;
  SessionWorker& operator=(const SessionWorker&) = delete;

  // Queues `work` for the worker thread; the future is ready once it ran.
  // An invalid future when the worker was stopped (the work never runs).
  std::future<void> Post(std::function<void()> work);

  // Runs `work` on the worker thread and returns when it has run: true; or
  // false at once when the worker was stopped.
  bool Run(std::function<void()> work);

  // Runs what was queued, detaches the client session (which ends it on the
  // host) and joins the thread. Nothing runs afterwards.
  void Stop();

  // The answer of VNXThreadAttach: 1 a session of its own, 0 none free.
  int attached() const { return attached_; }

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::packaged_task<void()>> queue_;
  bool stopping_ = false;
  int attached_ = 0;
  std::thread thread_;
};

}  // namespace vantora::python

#endif  // VANTORA_PYTHON_SESSION_WORKER_H_
