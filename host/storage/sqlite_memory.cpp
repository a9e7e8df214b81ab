// The reusing allocator for SQLite (sqlite_memory.h).
//
// Block layout: an 8-byte header holding the usable size (the size class
// for small blocks), then the usable bytes, 8-byte aligned as SQLite
// requires. A free small block keeps the link to the next free one of its
// size in its first usable bytes.
#include "host/storage/sqlite_memory.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vantora::host {
namespace {

constexpr size_t kHeader = 8;
constexpr int kSmallestShift = 4;  // 16 bytes
constexpr int kLargestShift = 12;  // 4 KiB
constexpr size_t kLargestSmall = size_t{1} << kLargestShift;
constexpr int kSizes = kLargestShift - kSmallestShift + 1;
constexpr size_t kMostKept = 128;  // free blocks kept per size: about 1 MiB in all at most

struct FreeList {
  std::mutex mutex;
  void* first = nullptr;  // usable address of a free block; its first word links on
  size_t count = 0;
};
FreeList freeLists[kSizes];

int SizeIndex(size_t usable) {
  int shift = kSmallestShift;
  while ((size_t{1} << shift) < usable) ++shift;
  return shift - kSmallestShift;
}

size_t Usable(void* p) {
  uint64_t size = 0;
  std::memcpy(&size, static_cast<uint8_t*>(p) - kHeader, sizeof size);
  return static_cast<size_t>(size);
}

int Roundup(int n) {
  const auto want = static_cast<size_t>(n);
  if (want <= kLargestSmall) return 1 << (SizeIndex(want) + kSmallestShift);
  return static_cast<int>((want + 7) & ~size_t{7});
}

void* Allocate(int n) {
  const auto usable = static_cast<size_t>(Roundup(n));
  if (usable <= kLargestSmall) {
    FreeList& list = freeLists[SizeIndex(usable)];
    std::lock_guard lock(list.mutex);
    if (void* p = list.first) {
      std::memcpy(&list.first, p, sizeof(void*));
      --list.count;
      return p;
    }
  }
  auto* block = static_cast<uint8_t*>(std::malloc(kHeader + usable));
  if (block == nullptr) return nullptr;
  const uint64_t size = usable;
  std::memcpy(block, &size, sizeof size);
  return block + kHeader;
}

void Release(void* p) {
  if (p == nullptr) return;
  const size_t usable = Usable(p);
  if (usable <= kLargestSmall) {
    FreeList& list = freeLists[SizeIndex(usable)];
    std::lock_guard lock(list.mutex);
    if (list.count < kMostKept) {
      std::memcpy(p, &list.first, sizeof(void*));
      list.first = p;
      ++list.count;
      return;
    }
  }
  std::free(static_cast<uint8_t*>(p) - kHeader);
}

void* Reallocate(void* p, int n) {
  const size_t usable = Usable(p);
  if (static_cast<size_t>(Roundup(n)) == usable) return p;
  void* grown = Allocate(n);
  if (grown == nullptr) return nullptr;
  std::memcpy(grown, p, std::min(usable, static_cast<size_t>(n)));
  Release(p);
  return grown;
}

int Size(void* p) {
  return static_cast<int>(Usable(p));
}

int Init(void*) {
  return SQLITE_OK;
}
void Shutdown(void*) {}

}  // namespace

bool ReuseSqliteMemory() {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer then sees each block's whole life (its leak check counts
  // SQLite's blocks as lost when they pass through this allocator).
  return false;
#endif
  static const bool installed = [] {
    static const sqlite3_mem_methods methods = {Allocate, Release, Reallocate, Size,
                                                Roundup,  Init,    Shutdown,   nullptr};
    return sqlite3_config(SQLITE_CONFIG_MALLOC, &methods) == SQLITE_OK;
  }();
  return installed;
}

}  // namespace vantora::host
