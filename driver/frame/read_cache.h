// The records a cursor has read ahead, handed out one at a time.
//
// A block read fills the cache (Filled): `held()` records, each with its
// relative record number, in the order read; `next()` is the one a forward
// read hands out next. Its rules:
//   - it is sized once (Prepare), when the cursor first reads ahead, from the
//     capacity asked (Ask: the Buffers/Records setting) and the record length;
//   - only reads without lock take from it, and only while it holds the
//     record they want: next and prior within the block, and a re-read of a
//     record it holds;
//   - everything that may make its records differ from the host's empties it
//     (Drop): a read with lock, a key search or any other positioning, a
//     change of the active access path, of the record format or of a filter,
//     and every change of a record;
//   - HoldOne makes a record just read by key or written the cache's only
//     one, as if handed out, so that the next and prior reads go on from it;
//   - handedOut() tells whether a record of the current block went to the
//     application: the next block is then a whole one (a first block after a
//     positioning is a quarter), and the host's place may need setting back.
//
// Not thread-safe: a cursor is used by one thread at a time.
#ifndef VANTORA_DRIVER_FRAME_READ_CACHE_H_
#define VANTORA_DRIVER_FRAME_READ_CACHE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantora::driver {

class ReadCache {
 public:
  // The capacity asked for, before Prepare (0: the settings' default).
  void Ask(int32_t capacity) { asked_ = capacity; }
  int32_t asked() const { return asked_; }

  // Sizes the cache for `capacity` records of `slot` bytes, once; empty.
  void Prepare(int32_t capacity, int32_t slot) {
    if (prepared_) return;
    capacity_ = capacity;
    slot_ = slot;
    records_.assign(static_cast<size_t>(capacity) * static_cast<size_t>(slot), 0);
    numbers_.assign(static_cast<size_t>(capacity), 0);
    prepared_ = true;
    Drop();
  }
  bool prepared() const { return prepared_; }
  int32_t capacity() const { return capacity_; }

  // Forgets the records held (what was handed out stays so).
  void Drop() {
    held_ = 0;
    next_ = 0;
  }
  // After a change the host made: empty, and the next block a whole one.
  void DropAfterChange() {
    Drop();
    handedOut_ = true;
  }

  // Where a block read puts its records and their numbers (capacity()).
  uint8_t* area() { return records_.data(); }
  int32_t* numbers() { return numbers_.data(); }
  // The block read brought `count` records: none handed out yet.
  void Filled(int32_t count) {
    held_ = count;
    next_ = 0;
    handedOut_ = false;
  }
  // The record at area() (number `number`) is the only one, handed out.
  void HoldOne(int32_t number) {
    numbers_[0] = number;
    held_ = 1;
    next_ = 1;
    handedOut_ = true;
  }
  // The records are the host's no more for reading on from them: the next
  // forward read asks the host, a prior read too.
  void PassAll() {
    next_ = held_;
    handedOut_ = false;
  }

  int32_t held() const { return held_; }
  int32_t next() const { return next_; }
  void SetNext(int32_t next) { next_ = next; }
  bool handedOut() const { return handedOut_; }
  void MarkHandedOut() { handedOut_ = true; }

  const uint8_t* record(int32_t i) const {
    return records_.data() + static_cast<size_t>(i) * static_cast<size_t>(slot_);
  }
  int32_t number(int32_t i) const { return numbers_[static_cast<size_t>(i)]; }
  // The index of the record numbered `number` (not 0), or -1.
  int32_t Find(int32_t number) const {
    if (number == 0) return -1;
    for (int32_t i = 0; i < held_; ++i) {
      if (numbers_[static_cast<size_t>(i)] == number) return i;
    }
    return -1;
  }

 private:
  int32_t asked_ = 0;
  bool prepared_ = false;
  int32_t capacity_ = 0;
  int32_t slot_ = 0;  // bytes per record (the length read)
  std::vector<uint8_t> records_;
  std::vector<int32_t> numbers_;
  int32_t held_ = 0;
  int32_t next_ = 0;
  bool handedOut_ = false;
};

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_READ_CACHE_H_
