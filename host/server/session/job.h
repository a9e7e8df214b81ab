// A job: the host's work for one session. It holds who runs it, its library
// list, its date and time formats, its code-page tables, its open files and
// what it locked. One thread at a time works on a job (a session's requests
// are served in order).
#ifndef VANTORA_HOST_SERVER_SESSION_JOB_H_
#define VANTORA_HOST_SERVER_SESSION_JOB_H_

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/server/session/job_log.h"
#include "host/storage/live_count.h"
#include "host/storage/names.h"
#include "host/storage/record_locks.h"

namespace vantora::host {

// commands/job_command_state.h: commitment control, open query files,
// overrides and the request trace that CL commands leave in the job.
struct JobCommandState;
struct QueryFile;

struct JobServices;  // job_services.h: user spaces, links, mapped lists

// An open file of a job, addressed by its handle. The record-level handlers
// derive their own state from it.
class OpenFile {
 public:
  virtual ~OpenFile() = default;

 private:
  LiveCount<LiveKind::kOpenFile> live_;
};

struct DateTimeFormat {
  std::string dateFormat = "*ISO";  // CHGJOB DATFMT
  char dateSeparator = '-';         // CHGJOB DATSEP
  char timeSeparator = '.';         // CHGJOB TIMSEP
};

class Job {
 public:
  Job(JobId id, std::string user);
  ~Job();

  JobId id() const { return id_; }
  const std::string& user() const { return user_; }

  std::vector<std::string>& libraryList() { return libraryList_; }
  std::string& currentLibrary() { return currentLibrary_; }
  // The libraries searched for an unqualified name: the current library,
  // then the library list.
  std::vector<std::string> SearchList() const;

  DateTimeFormat& dateTime() { return dateTime_; }

  // Numeric text conversions set with SetImpGenConv, by AS/400 type code
  // (see record_codec.h); files opened afterwards take them.
  std::array<int32_t, 10>& textConversions() { return textConversions_; }

  // How long a read or an SQL change waits for a record another job has
  // locked, for files opened without a wait of their own (CHGJOB DFTWAIT).
  static constexpr std::chrono::milliseconds kDefaultRecordWait{60000};
  static constexpr std::chrono::milliseconds kNoMaxRecordWait{24LL * 3600 * 1000};
  std::chrono::milliseconds& recordWait() { return recordWait_; }

  // The job's code-page tables: EBCDIC to PC and PC to EBCDIC.
  std::array<uint8_t, 256>& ebcdicToPc() { return ebcdicToPc_; }
  std::array<uint8_t, 256>& pcToEbcdic() { return pcToEbcdic_; }

  // Open files by handle: AddFile answers the smallest free handle (0 up).
  int32_t AddFile(std::unique_ptr<OpenFile> file);
  OpenFile* File(int32_t handle);
  // Forgets the file; false when the handle is not open.
  bool CloseFile(int32_t handle);
  void CloseAllFiles();
  size_t OpenFileCount() const;

  // What CL commands set (commands/job_command_state.h); null until a
  // command first needs it.
  std::shared_ptr<JobCommandState>& commandState() { return commandState_; }
  // STRCMTCTL is active: opens asking for commitment control get it.
  bool commitmentControl() const;
  // STRCMTCTL's LCKLVL ("*CHG", "*CS", "*ALL"); empty without commitment control.
  std::string lockLevel() const;
  // The open query file (OPNQRYF) that an open of `file` must read through:
  // the job overrides the file with SHARE(*YES) and a query file is open
  // over it (or over its TOFILE). Null otherwise. The open handler uses
  // PlanOpen (commands/open_plan.h), which asks this first.
  const QueryFile* SharedOpenFor(const ObjectName& file) const;

  // What the service requests keep for the job (job_services.h); null until
  // first used.
  std::shared_ptr<JobServices>& services() { return services_; }

  // The job's messages (job_log.h): its requests and what they answered.
  JobLog& log() { return log_; }

 private:
  JobId id_;
  std::string user_;
  std::vector<std::string> libraryList_;
  std::string currentLibrary_;
  DateTimeFormat dateTime_;
  std::array<int32_t, 10> textConversions_{};
  std::chrono::milliseconds recordWait_ = kDefaultRecordWait;
  std::array<uint8_t, 256> ebcdicToPc_;
  std::array<uint8_t, 256> pcToEbcdic_;
  std::vector<std::unique_ptr<OpenFile>> files_;
  std::shared_ptr<JobCommandState> commandState_;
  std::shared_ptr<JobServices> services_;
  JobLog log_;
  LiveCount<LiveKind::kJob> live_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SESSION_JOB_H_
