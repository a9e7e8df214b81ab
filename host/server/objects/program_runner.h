// Running a registered executable as a host program: the input bytes go to
// its standard input, its standard output is the answer. No shell: the
// command is split at blanks into the program path and its arguments, and
// the platform's current process runner starts it.
#ifndef VANTORA_HOST_SERVER_OBJECTS_PROGRAM_RUNNER_H_
#define VANTORA_HOST_SERVER_OBJECTS_PROGRAM_RUNNER_H_

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/process_runner.h"

namespace vantora::host {

using platform::RunOutcome;

// Runs `command` with `input` on its standard input and collects at most
// `maxOutput` bytes of its standard output into `output`; `exitStatus`
// receives the exit status (or 128 + signal). A blank command fails.
RunOutcome RunExecutable(const std::string& command, std::span<const uint8_t> input,
                         size_t maxOutput, std::chrono::milliseconds limit,
                         std::vector<uint8_t>* output, int* exitStatus);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_OBJECTS_PROGRAM_RUNNER_H_
