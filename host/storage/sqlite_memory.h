// SQLite's memory, as the host uses it. SQLite as the system packages build
// it has no lookaside memory, so every statement run allocates its column
// buffers afresh from the C library (a blocked read of 100-byte records
// costs some seven allocations that way). The host gives SQLite an
// allocator that keeps freed small blocks for reuse instead.
//
// The allocator serves the whole process: every SQLite connection in it,
// the application's own included. Blocks up to 4 KiB come in power-of-two
// sizes and go back to a free list of their size (at most 128 kept per
// size, about 1 MiB in all; the rest go back to the C library); larger ones
// come straight from the C library.
//
// Thread safety: ReuseSqliteMemory may be called from any thread, any
// number of times; the allocator takes a short lock per size.
#ifndef VANTORA_HOST_STORAGE_SQLITE_MEMORY_H_
#define VANTORA_HOST_STORAGE_SQLITE_MEMORY_H_

namespace vantora::host::detail {

// Installs the allocator, once, if SQLite is not initialised yet (it may
// not change allocators later). True when SQLite uses it, now or since an
// earlier call; false when SQLite was initialised with its own first, and
// always false under AddressSanitizer, where SQLite keeps its own.
bool ReuseSqliteMemory();

}  // namespace vantora::host::detail

#endif  // VANTORA_HOST_STORAGE_SQLITE_MEMORY_H_
