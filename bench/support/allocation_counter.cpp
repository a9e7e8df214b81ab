// The allocation counter (allocation_counter.h). The counters are plain
// per-thread words plus one relaxed atomic: nothing here may allocate, take
// a lock or run a constructor, since the C library and the loader call the
// allocator before main and while threads start.
#include "bench/support/allocation_counter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's hook interface (its header is not always installed).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onAllocate)(const volatile void*,
                                                                            size_t),
                                                         void (*onFree)(const volatile void*));
#else
#include <malloc.h>
#include <unistd.h>
#endif

namespace vantora::bench {
namespace {

std::atomic<uint64_t> processAllocations{0};
// initial-exec: reading it never calls into the loader (which may allocate).
[[gnu::tls_model("initial-exec")]] thread_local uint64_t threadAllocations = 0;

void CountOne() {
  ++threadAllocations;
  processAllocations.fetch_add(1, std::memory_order_relaxed);
}

#if defined(__SANITIZE_ADDRESS__)
void OnAllocate(const volatile void*, size_t) {
  CountOne();
}
void OnFree(const volatile void*) {}

// Installed before main; what the loader allocates earlier is not counted.
[[maybe_unused]] const int installed =
    __sanitizer_install_malloc_and_free_hooks(OnAllocate, OnFree);
#endif

}  // namespace

uint64_t ThreadAllocations() {
  return threadAllocations;
}

uint64_t ProcessAllocations() {
  return processAllocations.load(std::memory_order_relaxed);
}

}  // namespace vantora::bench

#if !defined(__SANITIZE_ADDRESS__)
// The C library's own allocator, under the names it exports for exactly this.
extern "C" void* __libc_malloc(size_t size);
extern "C" void __libc_free(void* p);
extern "C" void* __libc_memalign(size_t alignment, size_t size);

#define VANTORA_ALLOCATOR_EXPORT extern "C" [[gnu::visibility("default")]]

VANTORA_ALLOCATOR_EXPORT void* malloc(size_t size) {
  vantora::bench::CountOne();
  return __libc_malloc(size);
}

VANTORA_ALLOCATOR_EXPORT void free(void* p) {
  __libc_free(p);
}

VANTORA_ALLOCATOR_EXPORT void* calloc(size_t count, size_t size) {
  size_t total = 0;
  if (__builtin_mul_overflow(count, size, &total)) {
    errno = ENOMEM;
    return nullptr;
  }
  vantora::bench::CountOne();
  void* p = __libc_malloc(total);
  if (p != nullptr) std::memset(p, 0, total);
  return p;
}

// Grows in place when the block already has the room; otherwise a new block
// (counted) and a copy, as the C library's realloc would.
VANTORA_ALLOCATOR_EXPORT void* realloc(void* p, size_t size) {
  if (p == nullptr) return malloc(size);
  if (size == 0) {
    __libc_free(p);
    return nullptr;
  }
  const size_t usable = malloc_usable_size(p);
  if (size <= usable) return p;
  vantora::bench::CountOne();
  void* grown = __libc_malloc(size);
  if (grown == nullptr) return nullptr;
  std::memcpy(grown, p, usable);
  __libc_free(p);
  return grown;
}

VANTORA_ALLOCATOR_EXPORT void* memalign(size_t alignment, size_t size) {
  vantora::bench::CountOne();
  return __libc_memalign(alignment, size);
}

VANTORA_ALLOCATOR_EXPORT void* aligned_alloc(size_t alignment, size_t size) {
  return memalign(alignment, size);
}

VANTORA_ALLOCATOR_EXPORT int posix_memalign(void** out, size_t alignment, size_t size) {
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* p = memalign(alignment, size);
  if (p == nullptr) return ENOMEM;
  *out = p;
  return 0;
}

VANTORA_ALLOCATOR_EXPORT void* valloc(size_t size) {
  return memalign(static_cast<size_t>(sysconf(_SC_PAGESIZE)), size);
}

VANTORA_ALLOCATOR_EXPORT void* pvalloc(size_t size) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return memalign(page, (size + page - 1) / page * page);
}
#endif
