// Child processes on POSIX systems: fork, exec, and a poll loop over the
// two pipes.
#include "platform/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

namespace vantora::platform {
namespace {

// A program that exits without reading its input must not raise SIGPIPE in
// the host: block it for this thread around the write and drop the signal
// the write left pending.
ssize_t WriteWithoutSigpipe(int fd, const void* data, size_t size) {
  sigset_t pipe;
  sigset_t old;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, &old);
  ssize_t n = write(fd, data, size);
  if (n < 0 && errno == EPIPE) {
    const timespec none{0, 0};
    sigtimedwait(&pipe, nullptr, &none);
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return n;
}

class PosixProcessRunner final : public ProcessRunner {
 public:
  RunOutcome Run(const std::vector<std::string>& args, std::span<const uint8_t> input,
                 size_t maxOutput, std::chrono::milliseconds limit, std::vector<uint8_t>* output,
                 int* exitStatus) override;
};

}  // namespace

// One slot for the whole process, exported like the UI sink's: the host
// inside a transport library runs programs through the runner a test set.
__attribute__((visibility("default"))) std::atomic<ProcessRunner*>& ProcessRunnerSlot() {
  static std::atomic<ProcessRunner*> slot{nullptr};
  return slot;
}

ProcessRunner& SystemProcessRunner() {
  static PosixProcessRunner runner;
  return runner;
}

ProcessRunner& CurrentProcessRunner() {
  ProcessRunner* r = ProcessRunnerSlot().load();
  return r != nullptr ? *r : SystemProcessRunner();
}

ScopedProcessRunner::ScopedProcessRunner(ProcessRunner& runner)
    : previous_(ProcessRunnerSlot().exchange(&runner)) {}

ScopedProcessRunner::~ScopedProcessRunner() {
  ProcessRunnerSlot().store(previous_);
}

RunOutcome PosixProcessRunner::Run(const std::vector<std::string>& args,
                                   std::span<const uint8_t> input, size_t maxOutput,
                                   std::chrono::milliseconds limit, std::vector<uint8_t>* output,
                                   int* exitStatus) {
  output->clear();
  *exitStatus = -1;
  if (args.empty()) return RunOutcome::kFailed;
  std::vector<std::string> words = args;
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  int toChild[2];
  int fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0) return RunOutcome::kFailed;
  if (pipe2(fromChild, O_CLOEXEC) != 0) {
    close(toChild[0]);
    close(toChild[1]);
    return RunOutcome::kFailed;
  }
  pid_t pid = fork();
  if (pid < 0) {
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) close(fd);
    return RunOutcome::kFailed;
  }
  if (pid == 0) {
    dup2(toChild[0], 0);
    dup2(fromChild[1], 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  fcntl(toChild[1], F_SETFL, O_NONBLOCK);
  fcntl(fromChild[0], F_SETFL, O_NONBLOCK);

  const auto deadline = std::chrono::steady_clock::now() + limit;
  size_t written = 0;
  int in = toChild[1];
  int out = fromChild[0];
  if (input.empty()) {
    close(in);
    in = -1;
  }
  bool timedOut = false;
  uint8_t buffer[4096];
  while (out >= 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    pollfd fds[2] = {{out, POLLIN, 0}, {in, POLLOUT, 0}};
    int ready = poll(fds, in >= 0 ? 2 : 1, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    if (in >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
      ssize_t n = WriteWithoutSigpipe(in, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if (n < 0 && errno != EAGAIN) written = input.size();  // the program does not read
      if (written == input.size()) {
        close(in);
        in = -1;
      }
    }
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      ssize_t n = read(out, buffer, sizeof buffer);
      if (n > 0) {
        size_t keep = std::min(static_cast<size_t>(n), maxOutput - output->size());
        output->insert(output->end(), buffer, buffer + keep);
      } else if (n == 0 || errno != EAGAIN) {
        close(out);
        out = -1;
      }
    }
  }
  if (in >= 0) close(in);
  if (out >= 0) close(out);
  if (timedOut) kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (timedOut) return RunOutcome::kTimedOut;
  *exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return *exitStatus == 0 ? RunOutcome::kOk : RunOutcome::kFailed;
}

}  // namespace vantora::platform
