// Counts the heap allocations of this process, in all and per thread, so
// that benchmarks and tests can say how many allocations one request costs.
//
// Link allocation_counter.cpp into an executable (never into a shared
// library): it then counts what the whole process allocates, the shared
// libraries it loads included. Without AddressSanitizer it stands in for
// the C allocator's entry points (malloc, calloc, realloc and the aligned
// forms, which operator new reaches too) and forwards them to the C
// library's allocator; under AddressSanitizer, which owns the allocator, the
// sanitizer's allocation hook counts instead. Either way every allocation
// counts once, whatever its size; frees are not counted.
//
// Thread safety: both functions may be called from any thread at any time.
#ifndef VANTORA_BENCH_SUPPORT_ALLOCATION_COUNTER_H_
#define VANTORA_BENCH_SUPPORT_ALLOCATION_COUNTER_H_

#include <cstdint>

namespace vantora::bench {

// Allocations made by the calling thread since it started.
uint64_t ThreadAllocations();
// Allocations made by every thread of the process since it started.
uint64_t ProcessAllocations();

}  // namespace vantora::bench

#endif  // VANTORA_BENCH_SUPPORT_ALLOCATION_COUNTER_H_
