// The stop and status signals on POSIX systems.
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
  sigaddset(&set, SIGUSR1);
  return set;
}

}  // namespace

void BlockStopSignals() {
  sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  signal(SIGPIPE, SIG_IGN);  // a peer gone mid-send is an error value, not a death
}

const char* WaitForServerSignal(bool* stop) {
  sigset_t set = StopSet();
  int number = 0;
  while (sigwait(&set, &number) != 0) {
  }
  *stop = number != SIGUSR1;
  return number == SIGINT ? "SIGINT" : number == SIGUSR1 ? "SIGUSR1" : "SIGTERM";
}

}  // namespace vantora::platform
