// What the service requests keep in memory for a whole host and share
// between its jobs: the data queues (their waits; their entries are in the
// host's storage) and the program registry. User spaces outside QTEMP are
// in the host's storage too (host/storage/user_spaces.h).
//
// The Host owns it, made when the host opens: a host opened again on the
// same directory starts with fresh services (nothing in them outlives the
// host but what the storage keeps).
//
// Thread safety: the members say their own.
#ifndef VANTORA_HOST_SERVER_SESSION_HOST_SERVICES_H_
#define VANTORA_HOST_SERVER_SESSION_HOST_SERVICES_H_

#include <filesystem>
#include <map>
#include <mutex>

#include "host/server/objects/data_queues.h"
#include "host/server/objects/programs.h"

namespace vantora::host {

class Host;

// The programs.ini of a data directory (programs.h).
inline constexpr char kProgramConfiguration[] = "programs.ini";

class HostServices {
 public:
  explicit HostServices(const std::filesystem::path& directory)
      : programs(directory / kProgramConfiguration) {}

  DataQueueSet queues;
  const ProgramRegistry programs;
};

HostServices& ServicesOf(Host& host);

// Ends the data-queue waits of the host's jobs (DataQueueSet::StopWaits):
// a front calls it when it stops, before it waits for its connections. A
// host opened again on the same directory waits normally again.
void StopServiceWaits(Host& host);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SESSION_HOST_SERVICES_H_
