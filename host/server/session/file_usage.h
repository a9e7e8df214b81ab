// Which jobs have which files open: the host refuses to open a file that
// another job holds exclusively (VNXopen bit 0x00040000, Ropen "share=N"),
// and an exclusive open of a file that another job has open.
//
// Thread safety: every method may be called from any thread.
#ifndef VANTORA_HOST_SERVER_SESSION_FILE_USAGE_H_
#define VANTORA_HOST_SERVER_SESSION_FILE_USAGE_H_

#include <cstdint>
#include <map>
#include <mutex>

#include "host/storage/record_locks.h"
#include "host/storage/status.h"

namespace vantora::host {

class FileUsage {
 public:
  // One open of a file by a job; releases itself when destroyed.
  class Claim {
   public:
    Claim() = default;
    Claim(Claim&& other) noexcept { *this = std::move(other); }
    Claim& operator=(Claim&& other) noexcept;
    ~Claim() { Release(); }
    void Release();

   private:
    friend class FileUsage;
    FileUsage* usage_ = nullptr;
    int64_t file_ = 0;
    JobId job_ = 0;
    bool exclusive_ = false;
  };

  // Claims physical file `file` for `job`. Errors: kObjectInUse when
  // another job holds it exclusively, or when `exclusive` and another job
  // has it open.
  Status Acquire(int64_t file, JobId job, bool exclusive, Claim* out);

 private:
  struct Use {
    std::map<JobId, int> opens;  // per job, the number of opens
    JobId exclusiveJob = 0;
    int exclusiveOpens = 0;
  };
  void Release(int64_t file, JobId job, bool exclusive);

  std::mutex mutex_;
  std::map<int64_t, Use> files_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SESSION_FILE_USAGE_H_
