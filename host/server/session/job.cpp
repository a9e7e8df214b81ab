#include "host/server/session/job.h"

#include "conversion/code_page.h"
#include "host/server/session/job_services.h"

namespace vantora::host {

Job::Job(JobId id, std::string user)
    : id_(id),
      user_(std::move(user)),
      libraryList_{"QGPL", "QTEMP", "VANTORA"},
      currentLibrary_("QGPL") {
  const auto& builtIn = conversion::BuiltInCodePage();
  for (int i = 0; i < 256; ++i) {
    ebcdicToPc_[i] = builtIn.toPc[i];
    pcToEbcdic_[i] = builtIn.toHost[i];
  }
}

Job::~Job() = default;

std::vector<std::string> Job::SearchList() const {
  std::vector<std::string> list;
  if (!currentLibrary_.empty()) list.push_back(currentLibrary_);
  for (const auto& lib : libraryList_) {
    if (lib != currentLibrary_) list.push_back(lib);
  }
  return list;
}

int32_t Job::AddFile(std::unique_ptr<OpenFile> file) {
  for (size_t i = 0; i < files_.size(); ++i) {
    if (!files_[i]) {
      files_[i] = std::move(file);
      return static_cast<int32_t>(i);
    }
  }
  files_.push_back(std::move(file));
  return static_cast<int32_t>(files_.size() - 1);
}

OpenFile* Job::File(int32_t handle) {
  if (handle < 0 || static_cast<size_t>(handle) >= files_.size()) return nullptr;
  return files_[static_cast<size_t>(handle)].get();
}

bool Job::CloseFile(int32_t handle) {
  if (File(handle) == nullptr) return false;
  files_[static_cast<size_t>(handle)].reset();
  if (services_) services_->FileClosed(handle);
  return true;
}

void Job::CloseAllFiles() {
  files_.clear();
  if (services_) services_->mapped.clear();
}

size_t Job::OpenFileCount() const {
  size_t n = 0;
  for (const auto& f : files_) n += f ? 1 : 0;
  return n;
}

}  // namespace vantora::host
