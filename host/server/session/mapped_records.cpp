#include "host/server/session/mapped_records.h"

#include "host/server/session/job_services.h"

namespace vantora::host {

MappedRecords::MappedRecords(std::string format, std::vector<Record> records)
    : format_(std::move(format)), records_(std::move(records)) {}

Status MappedRecords::ReadBlock(const ReadRequest& request, size_t count, RecordBatch* out) {
  const auto n = static_cast<int64_t>(records_.size());
  int64_t at = 0;
  int step = 1;
  switch (request.op) {
    case ReadOp::kFirst:
      at = 1;
      break;
    case ReadOp::kLast:
      at = n;
      step = -1;
      break;
    case ReadOp::kNext:
      at = position_ + 1;
      break;
    case ReadOp::kPrior:
      at = position_ - 1;
      step = -1;
      break;
    case ReadOp::kCurrent:
      at = position_;
      break;
    case ReadOp::kRelativeRecord:
      at = request.rrn;
      break;
    default:
      return Status::Error(StatusCode::kInvalidArgument, "a mapped list has no key");
  }
  out->size = 0;
  if (at < 1 || at > n) {
    if (request.op == ReadOp::kCurrent || request.op == ReadOp::kRelativeRecord) {
      return Status::Error(StatusCode::kRecordNotFound);
    }
    position_ = step > 0 ? n + 1 : 0;
    return Status::Error(step > 0 ? StatusCode::kEndOfFile : StatusCode::kBeginningOfFile);
  }
  if (out->rrns.size() < count) out->rrns.resize(count);
  if (out->records.size() < count) out->records.resize(count);
  for (; out->size < count && at >= 1 && at <= n; at += step) {
    out->rrns[out->size] = at;
    if (!request.positionOnly) out->records[out->size] = records_[static_cast<size_t>(at - 1)];
    position_ = at;
    ++out->size;
  }
  return Status::Ok();
}

MappedRecords* MappedRecordsOf(Job& job, int32_t handle) {
  JobServices* services = FindJobServices(job);
  if (services == nullptr) return nullptr;
  auto it = services->mapped.find(handle);
  return it == services->mapped.end() ? nullptr : it->second.get();
}

}  // namespace vantora::host
