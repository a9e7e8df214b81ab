#include "host/server/session/file_usage.h"

namespace vantora::host {

FileUsage::Claim& FileUsage::Claim::operator=(Claim&& other) noexcept {
  if (this != &other) {
    Release();
    usage_ = other.usage_;
    file_ = other.file_;
    job_ = other.job_;
    exclusive_ = other.exclusive_;
    other.usage_ = nullptr;
  }
  return *this;
}

void FileUsage::Claim::Release() {
  if (usage_ != nullptr) usage_->Release(file_, job_, exclusive_);
  usage_ = nullptr;
}

Status FileUsage::Acquire(int64_t file, JobId job, bool exclusive, Claim* out) {
  std::lock_guard lock(mutex_);
  Use& use = files_[file];
  if (use.exclusiveOpens > 0 && use.exclusiveJob != job) {
    return Status::Error(StatusCode::kObjectInUse, "held exclusively by another job");
  }
  if (exclusive) {
    for (const auto& [other, count] : use.opens) {
      if (other != job && count > 0) {
        return Status::Error(StatusCode::kObjectInUse, "open in another job");
      }
    }
    use.exclusiveJob = job;
    ++use.exclusiveOpens;
  }
  ++use.opens[job];
  out->Release();
  out->usage_ = this;
  out->file_ = file;
  out->job_ = job;
  out->exclusive_ = exclusive;
  return Status::Ok();
}

void FileUsage::Release(int64_t file, JobId job, bool exclusive) {
  std::lock_guard lock(mutex_);
  auto it = files_.find(file);
  if (it == files_.end()) return;
  Use& use = it->second;
  if (--use.opens[job] <= 0) use.opens.erase(job);
  if (exclusive && --use.exclusiveOpens <= 0) use.exclusiveOpens = 0;
  if (use.opens.empty()) files_.erase(it);
}

}  // namespace vantora::host
