#include "platform/interrupt.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

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

int ReadByteUnlessInterrupted(std::FILE* stream) {
  // SIGINT is let through only while waiting, so that one arriving between
  // the look at the flag and the wait still ends the wait.
  sigset_t interrupt, before;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  pthread_sigmask(SIG_BLOCK, &interrupt, &before);
  int result = -1;
  for (;;) {
    if (interrupted.load()) break;
    pollfd input = {fileno(stream), POLLIN, 0};
    const int ready = ppoll(&input, 1, nullptr, &before);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) break;
    unsigned char byte = 0;
    const ssize_t n = read(fileno(stream), &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n == 1) result = byte;
    break;
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return result;
}

}  // namespace vantora::platform
