// vantora-hostd as a child process of a test: started on a free loopback
// port with a data directory of its own, its log kept in a file for the test
// to read, stopped with SIGTERM (or killed) within a time limit.
#ifndef VANTORA_TESTS_SUPPORT_HOSTD_PROCESS_H_
#define VANTORA_TESTS_SUPPORT_HOSTD_PROCESS_H_

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/server/session/host.h"

namespace vantora::testing {

class HostdProcess {
 public:
  // Starts the server on `dataDirectory` with `extraArgs`, on `port` (0: a
  // free one); false when it did not announce its port within 20 seconds.
  // With `appendLog` the log goes on after what an earlier run wrote.
  bool Start(const std::filesystem::path& dataDirectory, const std::filesystem::path& logFile,
             std::vector<std::string> extraArgs = {}, uint16_t port = 0, bool appendLog = false) {
    logFile_ = logFile;
    // Everything the child needs is made before the fork: a process with
    // threads may only make async-signal-safe calls in the child.
    std::vector<std::string> args = {
        HOSTD_PATH,    "--port", std::to_string(port), "--data-dir", dataDirectory.string(),
        "--log-level", "debug"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string logPath = logFile.string();
    const int logFlags = O_WRONLY | O_CREAT | (appendLog ? O_APPEND : O_TRUNC);
    int out[2];
    if (pipe(out) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      int log = open(logPath.c_str(), logFlags, 0600);
      dup2(log, 2);
      close(out[0]);
      execv(HOSTD_PATH, argv.data());
      _exit(127);
    }
    close(out[1]);
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && text.find('\n') == std::string::npos) {
      pollfd p{out[0], POLLIN, 0};
      if (poll(&p, 1, 200) <= 0) continue;
      char buffer[256];
      ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    const size_t at = text.find(" port ");
    if (at == std::string::npos) return false;
    port_ = static_cast<uint16_t>(std::stoi(text.substr(at + 6)));
    return true;
  }

  // SIGTERM, then the exit status (-1 when it did not end within 20 s and
  // had to be killed).
  int Stop() { return Signal(SIGTERM); }
  void Kill() { Signal(SIGKILL); }
  int Signal(int signal) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // Asks the server for its status line (SIGUSR1, docs/hostd.md) and waits
  // up to 10 s for it; the text after "status: ", or "" when none came.
  std::string Status() {
    const std::string marker = " status: ";
    auto count = [&](const std::string& log) {
      size_t n = 0;
      for (size_t at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1))
        ++n;
      return n;
    };
    const size_t before = count(Log());
    if (pid_ <= 0 || kill(pid_, SIGUSR1) != 0) return "";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      const std::string log = Log();
      if (count(log) > before) {
        size_t at = log.rfind(marker) + marker.size();
        return log.substr(at, log.find('\n', at) - at);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return "";
  }

  bool running() {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) != 0) pid_ = -1;  // ended (and reaped)
    return pid_ > 0;
  }

  ~HostdProcess() {
    if (pid_ > 0) Signal(SIGKILL);
  }

  uint16_t port() const { return port_; }
  pid_t pid() const { return pid_; }
  std::string Log() const {
    std::ifstream in(logFile_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Waits up to 10 s for `text` to appear in the log.
  bool WaitForLog(const std::string& text, int times = 1) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      std::string log = Log();
      int seen = 0;
      for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++seen;
      if (seen >= times) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

 private:
  pid_t pid_ = -1;
  uint16_t port_ = 0;
  std::filesystem::path logFile_;
};

// Adds a user profile to a data directory no server has open.
inline bool AddHostUser(const std::filesystem::path& dataDirectory, const std::string& name,
                        const std::string& password) {
  std::unique_ptr<host::Host> h;
  if (!host::Host::Open(dataDirectory, {}, &h).ok()) return false;
  return h->storage().userProfiles().Create(name, password, "test user").ok();
}

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_HOSTD_PROCESS_H_
