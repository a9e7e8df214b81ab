// Thread identifiers and the work run when a thread ends.
#ifndef VANTORA_PLATFORM_THREAD_H_
#define VANTORA_PLATFORM_THREAD_H_

#include <cstdint>

namespace vantora::platform {

// A non-zero number naming the calling thread, unique among the threads of
// the process for as long as the process lives.
uint32_t CurrentThreadId();

// Arranges for `work` to run on the calling thread when that thread ends
// (not when the process exits from it). Arming the same work twice on one
// thread runs it once. At most a few distinct works can be armed per thread.
// Returns false when no more can be armed.
bool RunAtThreadExit(void (*work)());

// Forgets `work` for the calling thread (it will not run at its exit).
void CancelAtThreadExit(void (*work)());

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_THREAD_H_
