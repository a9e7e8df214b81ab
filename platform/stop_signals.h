// The signals that stop the server (SIGTERM, SIGINT) and the one that asks
// it for its status (SIGUSR1), taken synchronously by one thread rather than
// in a handler, so that what they cause runs as ordinary code.
#ifndef VANTORA_PLATFORM_STOP_SIGNALS_H_
#define VANTORA_PLATFORM_STOP_SIGNALS_H_

namespace vantora::platform {

// Blocks the stop and status signals in the calling thread and in every
// thread it starts afterwards. Call first thing in main.
void BlockStopSignals();
// Waits for a stop or status signal; returns its name ("SIGTERM", "SIGINT",
// "SIGUSR1"). `stop` says whether it asks to stop.
const char* WaitForServerSignal(bool* stop);

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_STOP_SIGNALS_H_
