// The entries of the host's data queues, kept in the data directory's
// database so that they outlive the host process.
//
// - An entry whose Append returned is committed: it survives a kill of the
//   process right after (and a power failure with
//   StorageOptions::syncEachCommit).
// - Take reads and deletes the entry a receive gets in one transaction under
//   the storage's lock, so an entry is received exactly once however many
//   jobs receive at the same time.
// - Every entry carries an arrival number that grows across the whole host
//   and is never reused. FIFO and keyed receives take the lowest that
//   qualifies, LIFO receives the highest, so the order holds across restarts.
// - Entries belong to the catalogue's *DTAQ object of the queue's name:
//   deleting the object (Catalogue::DeleteObject) deletes its entries in the
//   same statement, so a queue created again starts empty; Append and Take
//   on a queue whose object is gone answer kObjectNotFound.
//
// This layer never waits: waiting for an entry is the server's business
// (host/server/objects/data_queues.h), with its condition variables in memory.
//
// Names are as the catalogue keeps them (NormaliseObjectName). Keys are
// compared byte for byte; the caller pads them to the queue's key length.
//
// Thread safety: every method takes the storage's lock for its duration.
// Owned by Storage.
#ifndef VANTORA_HOST_STORAGE_QUEUE_ENTRIES_H_
#define VANTORA_HOST_STORAGE_QUEUE_ENTRIES_H_

#include <cstdint>
#include <span>
#include <vector>

#include "host/storage/names.h"
#include "host/storage/status.h"

namespace vantora::host {

namespace detail {
struct Database;
}

enum class QueueSequence : uint8_t { kFifo, kLifo, kKeyed };

// The comparison a keyed receive makes: the entry's key against the key given.
enum class KeyOrder : uint8_t { kEqual, kGreaterOrEqual, kGreater, kLessOrEqual, kLess, kNotEqual };

struct QueueEntry {
  std::vector<uint8_t> data;
  std::vector<uint8_t> key;  // keyed queues: exactly the key length
  int64_t arrival = 0;       // the host-wide arrival number (set by Take)
};

class QueueEntries {
 public:
  explicit QueueEntries(detail::Database& db) : db_(db) {}
  QueueEntries(const QueueEntries&) = delete;
  QueueEntries& operator=(const QueueEntries&) = delete;

  // Adds an entry after every other; committed when this returns.
  // Errors: kObjectNotFound (no *DTAQ object of that name), kStorageError.
  Status Append(const ObjectName& queue, std::span<const uint8_t> key,
                std::span<const uint8_t> data);
  // Takes the entry a receive of a queue of `sequence` gets: FIFO the
  // oldest, LIFO the newest, keyed the oldest whose key stands in `order` to
  // `key`. Errors: kRecordNotFound (none qualifies), kObjectNotFound (no
  // such queue), kStorageError.
  Status Take(const ObjectName& queue, QueueSequence sequence, KeyOrder order,
              std::span<const uint8_t> key, QueueEntry* out);
  // The entries waiting on the queue (0 for a queue without any).
  Status Count(const ObjectName& queue, int64_t* out);

 private:
  // Ok when the queue is there; kObjectNotFound, or the read's error.
  Status RequireQueueLocked(const ObjectName& queue);

  detail::Database& db_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_QUEUE_ENTRIES_H_
