// The emulated host: its storage, its jobs and the table of request
// handlers. The fronts (the TCP server and the embedded transport) create
// one Host per data directory and a ServerSession per connection.
//
// Thread safety: every method may be called from any thread.
#ifndef VANTORA_HOST_SERVER_SESSION_HOST_H_
#define VANTORA_HOST_SERVER_SESSION_HOST_H_

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/server/session/file_usage.h"
#include "host/server/session/handlers.h"
#include "host/server/session/sign_on_delays.h"
#include "host/storage/storage.h"

namespace vantora::host {

class HostServices;

enum class LogLevel { kError = 0, kWarning = 1, kInfo = 2, kDebug = 3 };
using LogSink = std::function<void(LogLevel, std::string_view)>;

struct HostOptions {
  StorageOptions storage;
  // Where the host's log lines go (nothing when empty) and how much of it.
  LogSink log;
  LogLevel logLevel = LogLevel::kInfo;
  // How failed sign-ons are slowed down (sign_on_delays.h).
  SignOnDelayPolicy signOnDelays;
};

// The host's version, answered to RTV_AS_VER.
inline constexpr int32_t kHostVersion = 0x00070500;

class Host {
 public:
  // Opens (creating when absent) the data directory with the host's own
  // objects. Errors: those of Storage::Open. Defined in host_open.cpp of
  // vantora_host, which links every room's handlers.
  static Status Open(const std::filesystem::path& directory, HostOptions options,
                     std::unique_ptr<Host>* out);
  ~Host();

  Storage& storage() { return *storage_; }
  const HandlerTable& handlers() const { return handlers_; }
  const std::filesystem::path& directory() const { return directory_; }

  JobId NewJobId() { return nextJob_.fetch_add(1); }
  // Which jobs have which files open (exclusive opens).
  FileUsage& fileUsage() { return fileUsage_; }
  // The counts of failed sign-ons of this host's profiles.
  SignOnDelays& signOnDelays() { return *signOnDelays_; }
  // What the service requests keep for the whole host (host_services.h).
  HostServices& services() { return *services_; }

  void Log(LogLevel level, std::string_view text) const;
  bool Logs(LogLevel level) const { return options_.log && level <= options_.logLevel; }

 private:
  Host() = default;

  std::filesystem::path directory_;
  HostOptions options_;
  std::unique_ptr<Storage> storage_;
  HandlerTable handlers_;
  FileUsage fileUsage_;
  std::unique_ptr<SignOnDelays> signOnDelays_;
  std::unique_ptr<HostServices> services_;
  std::atomic<JobId> nextJob_{1};
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SESSION_HOST_H_
