#include "host/server/files/filtered_read.h"

namespace vantora::host {
namespace {

// The read that goes on from a refused record; false when none does.
bool Continuation(const ReadRequest& first, ReadRequest* next) {
  *next = first;
  next->key = nullptr;
  switch (first.op) {
    case ReadOp::kFirst:
    case ReadOp::kNext:
    case ReadOp::kKeyGreater:
    case ReadOp::kKeyGreaterOrEqual:
      next->op = ReadOp::kNext;
      return true;
    case ReadOp::kLast:
    case ReadOp::kPrior:
    case ReadOp::kKeyLess:
    case ReadOp::kKeyLessOrEqual:
      next->op = ReadOp::kPrior;
      return true;
    case ReadOp::kKeyEqual:
      next->op = ReadOp::kNextEqualKey;
      next->keyFields = first.key ? static_cast<int>(first.key->values.size()) : 0;
      return true;
    case ReadOp::kNextEqualKey:
    case ReadOp::kPriorEqualKey:
    case ReadOp::kNextDifferentKey:
    case ReadOp::kPriorDifferentKey:
      return true;
    case ReadOp::kCurrent:
    case ReadOp::kRelativeRecord:
      return false;
  }
  return false;
}

}  // namespace

Status FilteredRead(FileCursor& cursor, const RecordFilter* filter, const ReadRequest& request,
                    Record* record, int64_t* rrn) {
  if (filter == nullptr) return cursor.Read(request, record, rrn);
  Record local;
  Record* values = record ? record : &local;
  ReadRequest r = request;
  r.positionOnly = false;
  while (true) {
    Status s = cursor.Read(r, values, rrn);
    if (!s.ok()) return s;
    if (filter->Accept(*values)) return s;
    if (!Continuation(request, &r)) {
      return Status::Error(StatusCode::kRecordNotFound, "record not selected");
    }
    r.positionOnly = false;
  }
}

Status FilteredReadBlock(FileCursor& cursor, const RecordFilter* filter, const ReadRequest& request,
                         size_t count, RecordBatch* out) {
  if (filter == nullptr) return cursor.ReadBlock(request, count, out);
  out->size = 0;
  ReadRequest r = request;
  r.positionOnly = false;
  RecordBatch part;
  Status s = cursor.ReadBlock(r, count, &part);
  while (s.ok()) {
    for (size_t i = 0; i < part.size; ++i) {
      if (!filter->Accept(part.records[i])) continue;
      if (out->rrns.size() <= out->size) out->rrns.resize(out->size + 1);
      if (out->records.size() <= out->size) out->records.resize(out->size + 1);
      out->rrns[out->size] = part.rrns[i];
      std::swap(out->records[out->size], part.records[i]);
      ++out->size;
    }
    if (out->size >= count || !Continuation(request, &r)) break;
    r.positionOnly = false;
    s = cursor.ReadBlock(r, count - out->size, &part);
  }
  if (out->size > 0) return Status::Ok();
  return s.ok() ? Status::Error(StatusCode::kRecordNotFound, "record not selected") : s;
}

}  // namespace vantora::host
