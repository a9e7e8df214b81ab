// Data queues: objects of type *DTAQ whose entries one job sends and
// another receives, in FIFO, LIFO or key order. The queue object lives in
// the catalogue (so object lists show it and it outlives the host); its
// entries live in the host's memory, shared by every job of the host, and
// are lost when the host process ends.
//
// The definition of a queue travels in its catalogue entry's attribute,
// "<sequence> <max entry length> <key length>", for example "*KEYED 200 8"
// or "*FIFO 64512 0" (EncodeDataQueueDefinition). Whoever creates a data
// queue (VNXLinkDataQueue with a create value, the CRTDTAQ command) writes
// it with CreateDataQueue.
//
// Waiting: Receive waits on the queue's own condition, never under the
// storage's lock; a send wakes every waiter of that queue. A front that
// stops (the TCP server before it joins its connections) calls
// DataQueueSet::StopWaits, which ends every wait, forever ones included.
//
// Thread safety: every method may be called from any thread.
#ifndef VANTORA_HOST_SERVER_DATA_QUEUES_H_
#define VANTORA_HOST_SERVER_DATA_QUEUES_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/storage/catalogue.h"
#include "host/storage/status.h"

namespace vantora::host {

enum class QueueSequence : uint8_t { kFifo, kLifo, kKeyed };

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

// The comparison a keyed receive makes: the entry's key against the key given.
enum class KeyOrder : uint8_t { kEqual, kGreaterOrEqual, kGreater, kLessOrEqual, kLess, kNotEqual };
// "EQ", "GE", "GT", "LE", "LT", "NE"; false for any other text.
bool ParseKeyOrder(std::string_view text, KeyOrder* out);

struct QueueEntry {
  std::vector<uint8_t> data;
  std::vector<uint8_t> key;  // keyed queues: exactly keyLength bytes
};

// The entries of one queue.
class DataQueue {
 public:
  // `stopping`, when set, ends waits (it outlives the queue).
  DataQueue(const DataQueueDefinition& definition, const std::atomic<bool>* stopping)
      : definition_(definition), stopping_(stopping) {}
  const DataQueueDefinition& definition() const { return definition_; }

  // Adds an entry; a key shorter than the key length is blank-padded.
  // Errors: kInvalidArgument (entry too long, a key on an unkeyed queue or
  // none on a keyed one, a key longer than the key length).
  Status Send(std::span<const uint8_t> data, std::span<const uint8_t> key);
  // Takes the next entry (keyed queues: the first, in arrival order, whose
  // key stands in `order` to `key`, which is blank-padded to the key length),
  // waiting up to `wait` (negative: without limit) for one to arrive.
  // False when none came in time, or the waits were stopped.
  bool Receive(std::chrono::milliseconds wait, KeyOrder order, std::span<const uint8_t> key,
               QueueEntry* out);
  size_t size();
  // Wakes every waiter so that it looks at the stop flag.
  void WakeAll();

 private:
  bool TakeLocked(KeyOrder order, const std::vector<uint8_t>& key, QueueEntry* out);

  const DataQueueDefinition definition_;
  const std::atomic<bool>* stopping_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<QueueEntry> entries_;
};

// The queues of one host, by qualified name.
class DataQueueSet {
 public:
  // The queue `name` described by `definition`; created empty on first use.
  // A queue deleted and created again with another definition starts empty.
  std::shared_ptr<DataQueue> Get(const ObjectName& name, const DataQueueDefinition& definition);
  // Ends every wait, now and until ResumeWaits: receives answer at once.
  void StopWaits();
  void ResumeWaits() { stopping_ = false; }

 private:
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::map<ObjectName, std::shared_ptr<DataQueue>> queues_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_DATA_QUEUES_H_
