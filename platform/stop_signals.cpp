// The stop signals on POSIX systems.
#include <pthread.h>
#include <signal.h>

#include "platform/stop_signals.h"

namespace vantora::platform {
namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

void BlockStopSignals() {
  sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  signal(SIGPIPE, SIG_IGN);  // a peer gone mid-send is an error value, not a death
}

const char* WaitForStopSignal() {
  sigset_t set = StopSet();
  int number = 0;
  while (sigwait(&set, &number) != 0) {
  }
  return number == SIGINT ? "SIGINT" : "SIGTERM";
}

}  // namespace vantora::platform
