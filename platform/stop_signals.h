// The signals that stop the server (SIGTERM, SIGINT), taken synchronously
// by one thread rather than in a handler, so stopping runs ordinary code.
#ifndef VANTORA_PLATFORM_STOP_SIGNALS_H_
#define VANTORA_PLATFORM_STOP_SIGNALS_H_

namespace vantora::platform {

// Blocks the stop signals in the calling thread and in every thread it
// starts afterwards. Call first thing in main.
void BlockStopSignals();
// Waits for a stop signal; returns its name ("SIGTERM", "SIGINT").
const char* WaitForStopSignal();

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_STOP_SIGNALS_H_
