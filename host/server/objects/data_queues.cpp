#include "host/server/objects/data_queues.h"

#include <algorithm>
#include <sstream>

namespace vantora::host {
namespace {

const char* SequenceName(QueueSequence s) {
  switch (s) {
    case QueueSequence::kLifo:
      return "*LIFO";
    case QueueSequence::kKeyed:
      return "*KEYED";
    default:
      return "*FIFO";
  }
}

bool Valid(const DataQueueDefinition& d) {
  if (d.maxLength < 1 || d.maxLength > kMaxQueueEntryLength) return false;
  if (d.sequence == QueueSequence::kKeyed) {
    return d.keyLength >= 1 && d.keyLength <= kMaxQueueKeyLength;
  }
  return d.keyLength == 0;
}

}  // namespace

std::string EncodeDataQueueDefinition(const DataQueueDefinition& d) {
  return std::string(SequenceName(d.sequence)) + " " + std::to_string(d.maxLength) + " " +
         std::to_string(d.keyLength);
}

bool DecodeDataQueueDefinition(std::string_view attribute, DataQueueDefinition* out) {
  std::istringstream in{std::string(attribute)};
  std::string sequence;
  DataQueueDefinition d;
  if (!(in >> sequence >> d.maxLength >> d.keyLength)) return false;
  if (sequence == "*FIFO") {
    d.sequence = QueueSequence::kFifo;
  } else if (sequence == "*LIFO") {
    d.sequence = QueueSequence::kLifo;
  } else if (sequence == "*KEYED") {
    d.sequence = QueueSequence::kKeyed;
  } else {
    return false;
  }
  if (!Valid(d)) return false;
  *out = d;
  return true;
}

Status CreateDataQueue(Catalogue& catalogue, const ObjectName& name,
                       const DataQueueDefinition& definition, std::string_view text) {
  if (!Valid(definition)) {
    return Status::Error(StatusCode::kInvalidArgument, "data queue lengths not valid");
  }
  return catalogue.CreateObject(
      {name, "*DTAQ", EncodeDataQueueDefinition(definition), std::string(text)});
}

bool ParseKeyOrder(std::string_view text, KeyOrder* out) {
  static constexpr struct {
    const char* text;
    KeyOrder order;
  } kOrders[] = {{"EQ", KeyOrder::kEqual},   {"GE", KeyOrder::kGreaterOrEqual},
                 {"GT", KeyOrder::kGreater}, {"LE", KeyOrder::kLessOrEqual},
                 {"LT", KeyOrder::kLess},    {"NE", KeyOrder::kNotEqual}};
  for (const auto& o : kOrders) {
    if (text == o.text) {
      *out = o.order;
      return true;
    }
  }
  return false;
}

Status DataQueue::Send(std::span<const uint8_t> data, std::span<const uint8_t> key) {
  if (data.size() > static_cast<size_t>(definition_.maxLength)) {
    return Status::Error(StatusCode::kInvalidArgument, "entry longer than the queue allows");
  }
  const bool keyed = definition_.sequence == QueueSequence::kKeyed;
  if (keyed != !key.empty() || key.size() > static_cast<size_t>(definition_.keyLength)) {
    return Status::Error(StatusCode::kInvalidArgument, "key does not fit the queue");
  }
  std::vector<uint8_t> padded;
  if (keyed) {
    padded.assign(static_cast<size_t>(definition_.keyLength), ' ');
    std::copy(key.begin(), key.end(), padded.begin());
  }
  if (Status s = entries_.Append(name_, padded, data); !s.ok()) return s;
  {
    // Taking the lock orders the wake after a receiver's look and wait.
    std::lock_guard lock(mutex_);
  }
  arrived_.notify_all();
  return Status::Ok();
}

Status DataQueue::Receive(std::chrono::milliseconds wait, KeyOrder order,
                          std::span<const uint8_t> key, QueueEntry* out) {
  std::vector<uint8_t> search;
  if (definition_.sequence == QueueSequence::kKeyed) {
    search.assign(static_cast<size_t>(definition_.keyLength), ' ');
    std::copy_n(key.begin(), std::min(key.size(), search.size()), search.begin());
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::unique_lock lock(mutex_);
  for (;;) {
    Status s = entries_.Take(name_, definition_.sequence, order, search, out);
    if (s.code() != StatusCode::kRecordNotFound) return s;
    if (stopping_ != nullptr && stopping_->load()) return s;
    if (wait.count() < 0) {
      arrived_.wait(lock);
    } else if (std::chrono::steady_clock::now() >= deadline) {
      return s;
    } else {
      arrived_.wait_until(lock, deadline);
    }
  }
}

void DataQueue::WakeAll() {
  // Taking the lock orders the wake after a waiter's check of the flag.
  std::lock_guard lock(mutex_);
  arrived_.notify_all();
}

std::shared_ptr<DataQueue> DataQueueSet::Get(QueueEntries& entries, const ObjectName& name,
                                             const DataQueueDefinition& definition) {
  std::lock_guard lock(mutex_);
  auto& queue = queues_[name];
  const DataQueueDefinition* d = queue ? &queue->definition() : nullptr;
  if (d == nullptr || &queue->entries() != &entries || d->sequence != definition.sequence ||
      d->maxLength != definition.maxLength || d->keyLength != definition.keyLength) {
    queue = std::make_shared<DataQueue>(name, definition, entries, &stopping_);
  }
  return queue;
}

void DataQueueSet::StopWaits() {
  stopping_ = true;
  std::lock_guard lock(mutex_);
  for (auto& [name, queue] : queues_) queue->WakeAll();
}

}  // namespace vantora::host
