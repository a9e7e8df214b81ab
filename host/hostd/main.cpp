// vantora-hostd: serves the emulated host over TCP (see hostd_options.h for
// the options and docs/hostd.md for running it).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/admin/profile_password.h"
#include "host/hostd/hostd_options.h"
#include "host/hostd/tcp_server.h"
#include "host/server/host_setup.h"
#include "host/server/session/host_activity.h"
#include "host/storage/sqlite_memory.h"
#include "platform/console.h"
#include "platform/stop_signals.h"

namespace {

using vantora::host::LogLevel;

void LogLine(LogLevel level, std::string_view text) {
  static std::mutex mutex;
  static const char* const kLevels[] = {"error", "warning", "info", "debug"};
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
  std::lock_guard lock(mutex);
  std::fprintf(stderr, "%s.%03dZ %-7s %.*s\n", stamp, static_cast<int>(millis),
               kLevels[static_cast<int>(level)], static_cast<int>(text.size()), text.data());
}

// --add-user: the password comes from the environment or the terminal,
// never from the command line, where other users of the machine could read it.
int AddUser(vantora::host::Host& h, const std::string& name) {
  std::string password;
  std::string error;
  if (!vantora::host::ReadProfilePassword(name, vantora::host::TerminalPrompt(), &password,
                                          &error)) {
    std::fprintf(stderr, "vantora-hostd: --add-user: %s\n", error.c_str());
    return 2;
  }
  auto& profiles = h.storage().userProfiles();
  bool exists = false;
  vantora::host::Status s = profiles.Exists(name, &exists);
  if (s.ok()) {
    s = exists ? profiles.ChangePassword(name, password) : profiles.Create(name, password, "");
  }
  std::fill(password.begin(), password.end(), '\0');
  if (!s.ok()) {
    std::fprintf(stderr, "vantora-hostd: user %s: %s\n", name.c_str(), s.ToString().c_str());
    return 1;
  }
  std::printf("vantora-hostd: user profile %s is ready\n", name.c_str());
  return 0;
}

// The answer to SIGUSR1, written whatever the log level: the connections and
// what the jobs hold.
void LogStatus(vantora::host::Host& h, const vantora::hostd::TcpServer& server) {
  vantora::host::HostActivity activity;
  vantora::host::Status s = vantora::host::TakeActivity(h, &activity);
  LogLine(LogLevel::kInfo, "status: " + std::to_string(server.activeConnections()) +
                               " connections (" + std::to_string(server.budget().sessions()) +
                               " sessions, " + std::to_string(server.budget().signingOn()) +
                               " signing on), " + vantora::host::DescribeActivity(activity) +
                               (s.ok() ? "" : "; the journal cannot be read: " + s.ToString()));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vantora;
  vantora::platform::BlockStopSignals();
  host::ReuseSqliteMemory();  // before SQLite's first use
  std::vector<std::string> args(argv + 1, argv + argc);
  hostd::HostdOptions options;
  std::string error;
  if (!hostd::ParseHostdOptions(args, platform::Profile::FromDefaultFile(), &options, &error)) {
    std::fprintf(stderr, "vantora-hostd: %s\n(--help lists the options)\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(hostd::HostdUsage().c_str(), stdout);
    return 0;
  }
  if (const std::string problem = platform::NamedProfileProblem(); !problem.empty()) {
    std::fprintf(stderr, "vantora-hostd: %s (unset MV400_INI or make the file)\n", problem.c_str());
    return 1;
  }

  if (!options.tlsCert.empty() && options.addUser.empty()) {
    options.server.tls = tcp::TlsContext::ForServer(options.tlsCert, options.tlsKey, &error);
    if (!options.server.tls) {
      LogLine(LogLevel::kError, "TLS: " + error);
      return 1;
    }
  }

  host::HostOptions hostOptions;
  hostOptions.log = LogLine;
  hostOptions.logLevel = options.logLevel;
  std::unique_ptr<host::Host> h;
  // No local profile: over the network every session authenticates.
  if (host::Status s = host::OpenPreparedHost(options.dataDirectory, "", hostOptions, &h);
      !s.ok()) {
    LogLine(LogLevel::kError,
            "cannot open the data directory " + options.dataDirectory + ": " + s.ToString());
    return 1;
  }
  if (!options.addUser.empty()) return AddUser(*h, options.addUser);
  auto server = std::make_unique<hostd::TcpServer>(*h, options.server);
  if (!server->Start(&error)) {
    LogLine(LogLevel::kError, error);
    return 1;
  }
  h->Log(LogLevel::kInfo,
         "started: data directory " + options.dataDirectory + ", listening on " +
             options.server.listenAddress + " port " + std::to_string(server->port()) +
             ", at most " + std::to_string(options.server.budget.maxSessions) + " sessions and " +
             std::to_string(options.server.budget.maxSigningOn) + " connections signing on (" +
             std::to_string(options.server.budget.maxSigningOnPerAddress) + " from one address), " +
             (options.server.tls ? "TLS only" : "plain TCP"));
  std::printf("vantora-hostd: listening on %s port %u\n", options.server.listenAddress.c_str(),
              static_cast<unsigned>(server->port()));
  std::fflush(stdout);

  const char* signal = nullptr;
  for (bool stop = false; !stop;) {
    signal = vantora::platform::WaitForServerSignal(&stop);
    if (!stop) LogStatus(*h, *server);
  }
  h->Log(LogLevel::kInfo, std::string("stopping on ") + signal + ": " +
                              std::to_string(server->activeConnections()) +
                              " connection(s) to end");
  server->Stop();
  server->Wait();
  server.reset();
  h.reset();  // closes the storage
  LogLine(LogLevel::kInfo, "stopped");
  return 0;
}
