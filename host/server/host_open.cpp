// Opening a host: its storage, its services and the table of every room's
// handlers. Opening sits above all rooms, which is why it is not with the
// rest of the Host in session/.
#include "host/server/session/host.h"

#include <memory>
#include <string>

#include "host/server/session/handlers.h"
#include "host/server/session/host_services.h"

namespace vantora::host {

Status Host::Open(const std::filesystem::path& directory, HostOptions options,
                  std::unique_ptr<Host>* out) {
  std::unique_ptr<Host> host(new Host());
  host->directory_ = directory;
  host->options_ = std::move(options);
  host->signOnDelays_ = std::make_unique<SignOnDelays>(host->options_.signOnDelays);
  Status s = Storage::Open(directory, host->options_.storage, &host->storage_);
  if (!s.ok()) return s;
  host->handlers_ = BuildHandlerTable();
  host->services_ = std::make_unique<HostServices>(directory);
  if (int recovered = host->storage_->recoveredJobs(); recovered > 0) {
    host->Log(LogLevel::kWarning, "rolled back the uncommitted work of " +
                                      std::to_string(recovered) + " job(s) left by the last run");
  }
  *out = std::move(host);
  return Status::Ok();
}

}  // namespace vantora::host
