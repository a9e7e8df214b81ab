// Running an executable as a child process: input bytes on its standard
// input, its standard output collected, a time limit. No shell is involved.
//
// The runner is an interface so that a test can stand in for the system's
// processes; CurrentProcessRunner is the one in use (the system's unless a
// ScopedProcessRunner replaced it).
#ifndef VANTORA_PLATFORM_PROCESS_RUNNER_H_
#define VANTORA_PLATFORM_PROCESS_RUNNER_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantora::platform {

enum class RunOutcome : uint8_t {
  kOk,        // exit status 0
  kFailed,    // could not start, or a non-zero exit status or a signal
  kTimedOut,  // killed after the time limit
};

class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  // Runs the executable at `argv[0]` with the arguments that follow, writes
  // `input` to its standard input and keeps at most `maxOutput` bytes of its
  // standard output in `output`; `exitStatus` receives the exit status (or
  // 128 + the signal). A child still running after `limit` is killed.
  virtual RunOutcome Run(const std::vector<std::string>& argv, std::span<const uint8_t> input,
                         size_t maxOutput, std::chrono::milliseconds limit,
                         std::vector<uint8_t>* output, int* exitStatus) = 0;
};

// The runner that starts real processes.
ProcessRunner& SystemProcessRunner();
// The runner in use.
ProcessRunner& CurrentProcessRunner();

// The process-wide slot behind CurrentProcessRunner (exported: libraries the
// program loads later bind to the program's slot when the program exports
// its symbols, as a test that replaces the runner does).
std::atomic<ProcessRunner*>& ProcessRunnerSlot();

// Makes `runner` the one in use while it lives (tests).
class ScopedProcessRunner {
 public:
  explicit ScopedProcessRunner(ProcessRunner& runner);
  ~ScopedProcessRunner();
  ScopedProcessRunner(const ScopedProcessRunner&) = delete;
  ScopedProcessRunner& operator=(const ScopedProcessRunner&) = delete;

 private:
  ProcessRunner* previous_;
};

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_PROCESS_RUNNER_H_
