// SQLite's memory, as the host uses it. SQLite as the system packages build
// it has no lookaside memory, so every statement run allocates its column
// buffers afresh from the C library (a blocked read of 100-byte records
// costs some seven allocations that way). The host gives SQLite an
// allocator that keeps freed small blocks for reuse instead.
//
// The allocator serves the whole process: every SQLite connection in it,
// the application's own included. So only a program calls it, from code
// linked into its executable (vantora-hostd, the benchmarks, tests): SQLite
// keeps calling the allocator for as long as the process lives, and code in
// a library that is unloaded (the embedded transport, which VNXTerminate
// unloads) would leave it calling into nothing. The storage never installs
// it on its own. Blocks up to 4 KiB come in power-of-two
// sizes and go back to a free list of their size (at most 128 kept per
// size, about 1 MiB in all; the rest go back to the C library); larger ones
// come straight from the C library.
//
// Thread safety: ReuseSqliteMemory may be called from any thread, any
// number of times; the allocator takes a short lock per size.
#ifndef VANTORA_HOST_STORAGE_SQLITE_MEMORY_H_
#define VANTORA_HOST_STORAGE_SQLITE_MEMORY_H_

namespace vantora::host {

// Installs the allocator, once, if SQLite is not initialised yet (it may
// not change allocators later). True when SQLite uses it, now or since an
// earlier call; false when SQLite was initialised with its own first, and
// always false under AddressSanitizer, where SQLite keeps its own.
bool ReuseSqliteMemory();

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_SQLITE_MEMORY_H_
