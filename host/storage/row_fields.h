// The fields of one record read in place from the database, for readers
// that turn them into something else at once (the record images of a
// reply) instead of copying them into a Record first.
#ifndef VANTORA_HOST_STORAGE_ROW_FIELDS_H_
#define VANTORA_HOST_STORAGE_ROW_FIELDS_H_

#include <cstddef>
#include <cstdint>

#include "host/storage/status.h"
#include "host/storage/value.h"

struct sqlite3_stmt;

namespace vantora::host {

// Field i is the i-th field of the cursor's record format. A field's view
// holds what a Record read at the same time would hold (same kind, same
// bytes). Valid only during the RowSink::Row call it is given to.
class RowFields {
 public:
  // `textColumns`: bit i set when field i's column has text affinity (it
  // then holds only texts, blobs and nulls), for i < 64.
  RowFields(sqlite3_stmt* row, int firstColumn, size_t count, uint64_t textColumns)
      : row_(row), first_(firstColumn), count_(count), textColumns_(textColumns) {}

  size_t size() const { return count_; }
  bool IsNull(size_t field) const;
  // REQUIRES: field < size().
  ValueView Field(size_t field) const;

 private:
  sqlite3_stmt* row_;
  int first_;
  size_t count_;
  uint64_t textColumns_;
};

// Receives the records of a block read one by one, while the storage's lock
// is held: it must not wait, and must not call back into the storage.
class RowSink {
 public:
  virtual ~RowSink() = default;
  // The i-th record of the block (i from 0), its relative record number and
  // fields.
  virtual void Row(size_t index, int64_t rrn, const RowFields& fields) = 0;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_STORAGE_ROW_FIELDS_H_
