// Ctrl-C for an interactive program: SIGINT only raises a flag, which the
// program's loops look at, so that it interrupts the running work and never
// ends the process.
#ifndef VANTORA_PLATFORM_INTERRUPT_H_
#define VANTORA_PLATFORM_INTERRUPT_H_

#include <cstdio>

namespace vantora::platform {

// Catches SIGINT from now on. Blocking reads it arrives in fail with EINTR
// rather than going on.
void CatchInterrupts();
// Whether SIGINT arrived since the last ClearInterrupt.
bool Interrupted();
void ClearInterrupt();
// One byte of `stream`'s file, read unbuffered; -1 at its end, after a read
// error, or when SIGINT arrived during the read.
int ReadByteUnlessInterrupted(std::FILE* stream);

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_INTERRUPT_H_
