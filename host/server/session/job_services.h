// What the service requests keep for one job: its QTEMP user spaces, the
// answer of its last QMHRTVM call, the lists mapped onto its open files,
// its data queue links, program links and server jobs. Everything goes when
// the job ends.
//
// Thread safety: owned by one job; used by that job's thread.
#ifndef VANTORA_HOST_SERVER_SESSION_JOB_SERVICES_H_
#define VANTORA_HOST_SERVER_SESSION_JOB_SERVICES_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "host/server/objects/data_queues.h"
#include "host/server/objects/programs.h"
#include "host/server/objects/server_jobs.h"
#include "host/server/session/mapped_records.h"
#include "host/storage/user_spaces.h"

namespace vantora::host {

class Job;

// The job's own library.
inline constexpr char kJobLibrary[] = "QTEMP";

struct QueueLink {
  ObjectName name;
  std::shared_ptr<DataQueue> queue;
};

struct ProgramLink {
  ProgramDefinition program;
  std::vector<ProgramParameter> parameters;  // as the link described them
  std::vector<int16_t> returned;             // parameters answered (0-based); empty: all
};

struct JobServices {
  std::map<std::string, UserSpace> tempSpaces;               // QTEMP user spaces by name
  std::optional<Record> lastRetrievedMessage;                // RTVM0100 answer of the last QMHRTVM
  std::map<int32_t, std::unique_ptr<MappedRecords>> mapped;  // by file handle
  std::map<int32_t, QueueLink> queueLinks;                   // by link number, from 1
  std::map<int32_t, ProgramLink> programLinks;               // by link number, from 1
  std::map<int32_t, std::unique_ptr<ServerJob>> serverJobs;  // by job number, from 1

  // Forgets what belonged to the file handle.
  void FileClosed(int32_t handle) { mapped.erase(handle); }
};

// The job's services, created on first use.
JobServices& ServicesOf(Job& job);
// The job's services, or null when none were used yet.
JobServices* FindJobServices(Job& job);

// The smallest number from 1 that `map` does not use.
template <typename Map>
int32_t FreeNumber(const Map& map) {
  int32_t n = 1;
  for (const auto& [key, value] : map) {
    if (key != n) break;
    ++n;
  }
  return n;
}

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SESSION_JOB_SERVICES_H_
