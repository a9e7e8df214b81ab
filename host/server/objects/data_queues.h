// Data queues: objects of type *DTAQ whose entries one job sends and
// another receives, in FIFO, LIFO or key order. The queue object lives in
// the catalogue (so object lists show it) and its entries in the host's
// storage (host/storage/queue_entries.h): they outlive the host process. A
// send is committed before it answers; a receive takes its entry in one
// transaction, so no two jobs receive the same entry; the arrival order is
// stored with the entries. Deleting the queue object deletes its entries.
//
// The definition of a queue travels in its catalogue entry's attribute,
// "<sequence> <max entry length> <key length>", for example "*KEYED 200 8"
// or "*FIFO 64512 0" (EncodeDataQueueDefinition). Whoever creates a data
// queue (VNXLinkDataQueue with a create value, the CRTDTAQ command) writes
// it with CreateDataQueue.
//
// Waiting: a DataQueue keeps, in memory, the condition its receivers wait
// on, never under the storage's lock; a send wakes every waiter of that
// queue. A front that stops (the TCP server before it joins its
// connections) calls DataQueueSet::StopWaits, which ends every wait,
// forever ones included.
//
// Thread safety: every method may be called from any thread.
#ifndef VANTORA_HOST_SERVER_OBJECTS_DATA_QUEUES_H_
#define VANTORA_HOST_SERVER_OBJECTS_DATA_QUEUES_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/storage/catalogue.h"
#include "host/storage/queue_entries.h"
#include "host/storage/status.h"

namespace vantora::host {

struct DataQueueDefinition {
  QueueSequence sequence = QueueSequence::kFifo;
  int32_t maxLength = 64512;  // longest entry, 1-64512 bytes
  int32_t keyLength = 0;      // keyed queues: 1-256 bytes; else 0
};

inline constexpr int32_t kMaxQueueEntryLength = 64512;
inline constexpr int32_t kMaxQueueKeyLength = 256;

std::string EncodeDataQueueDefinition(const DataQueueDefinition& d);
// False when `attribute` is not a definition EncodeDataQueueDefinition wrote.
bool DecodeDataQueueDefinition(std::string_view attribute, DataQueueDefinition* out);

// Creates the catalogue entry of a data queue. Errors: kInvalidArgument
// (lengths out of range, a key length on an unkeyed queue or none on a keyed
// one), and those of Catalogue::CreateObject.
Status CreateDataQueue(Catalogue& catalogue, const ObjectName& name,
                       const DataQueueDefinition& definition, std::string_view text);

// QueueSequence, KeyOrder and QueueEntry are those of the storage.
// "EQ", "GE", "GT", "LE", "LT", "NE"; false for any other text.
bool ParseKeyOrder(std::string_view text, KeyOrder* out);

// One queue: its definition and the condition its receivers wait on; its
// entries are in the storage.
class DataQueue {
 public:
  // `stopping`, when set, ends waits (it outlives the queue).
  DataQueue(ObjectName name, const DataQueueDefinition& definition, QueueEntries& entries,
            const std::atomic<bool>* stopping)
      : name_(std::move(name)), definition_(definition), entries_(entries), stopping_(stopping) {}
  const ObjectName& name() const { return name_; }
  const DataQueueDefinition& definition() const { return definition_; }
  // The storage this queue's entries are in.
  const QueueEntries& entries() const { return entries_; }

  // Adds an entry, committed to the storage before this returns; a key
  // shorter than the key length is blank-padded. Errors: kInvalidArgument
  // (entry too long, a key on an unkeyed queue or none on a keyed one, a
  // key longer than the key length), kObjectNotFound (the queue was
  // deleted), kStorageError.
  Status Send(std::span<const uint8_t> data, std::span<const uint8_t> key);
  // Takes the next entry (keyed queues: the first, in arrival order, whose
  // key stands in `order` to `key`, which is blank-padded to the key length),
  // waiting up to `wait` (negative: without limit) for one to arrive.
  // Errors: kRecordNotFound (none came in time, or the waits were stopped),
  // kObjectNotFound (the queue was deleted), kStorageError.
  Status Receive(std::chrono::milliseconds wait, KeyOrder order, std::span<const uint8_t> key,
                 QueueEntry* out);
  // The entries waiting.
  Status Count(int64_t* out) { return entries_.Count(name_, out); }
  // Wakes every waiter so that it looks at the stop flag.
  void WakeAll();

 private:
  const ObjectName name_;
  const DataQueueDefinition definition_;
  QueueEntries& entries_;
  const std::atomic<bool>* stopping_;
  // Held by a receiver while it looks into the storage and while it waits;
  // a send takes it after its entry is stored, before it wakes the waiters,
  // so no wake-up falls between a receiver's look and its wait.
  std::mutex mutex_;
  std::condition_variable arrived_;
};

// The queues of one host, by qualified name.
class DataQueueSet {
 public:
  // The queue `name` described by `definition`, its entries in `entries`.
  // The same object for every job while the definition and the storage
  // stay the same (so that a send wakes the receivers of another job).
  std::shared_ptr<DataQueue> Get(QueueEntries& entries, const ObjectName& name,
                                 const DataQueueDefinition& definition);
  // Ends every wait, now and until ResumeWaits: receives answer at once.
  void StopWaits();
  void ResumeWaits() { stopping_ = false; }

 private:
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::map<ObjectName, std::shared_ptr<DataQueue>> queues_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_OBJECTS_DATA_QUEUES_H_
