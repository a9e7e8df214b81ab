#include "host/server/host.h"

#include "host/server/host_services.h"

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

Host::~Host() = default;

void Host::Log(LogLevel level, std::string_view text) const {
  if (Logs(level)) options_.log(level, text);
}

}  // namespace vantora::host
