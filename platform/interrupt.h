// Ctrl-C for an interactive program: SIGINT only raises a flag, which the
// program's loops look at, so that it interrupts the running work and never
// ends the process.
#ifndef VANTORA_PLATFORM_INTERRUPT_H_
#define VANTORA_PLATFORM_INTERRUPT_H_

namespace vantora::platform {

// Catches SIGINT from now on. Blocking reads it arrives in fail with EINTR
// rather than going on.
void CatchInterrupts();
// Whether SIGINT arrived since the last ClearInterrupt.
bool Interrupted();
void ClearInterrupt();

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_INTERRUPT_H_
