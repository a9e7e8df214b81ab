// Running CL commands for a job: parse (cl_parser.h), bind to the command's
// definition (command_binding.h), then give the command its effect on the
// job and the storage. A command that fails changes nothing. Every command
// leaves its request message in the job's log (session/job_log.h), and a
// failed one its escape message: the identifier it answers, severity 40,
// the message file's text (values it does not carry shown as *N).
//
// Thread safety: one thread at a time per job, as the job's requests.
#ifndef VANTORA_HOST_SERVER_COMMANDS_COMMAND_RUNNER_H_
#define VANTORA_HOST_SERVER_COMMANDS_COMMAND_RUNNER_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "host/storage/status.h"
#include "host/storage/storage.h"

namespace vantora::host {

class Job;

// The outcome of one command: on failure the status word and the host
// message identifier the request answers (docs/host-commands.md).
struct CommandOutcome {
  bool ok = true;
  int32_t status = 0;
  std::string messageId;
  std::string detail;

  static CommandOutcome Ok() { return {}; }
  static CommandOutcome Failed(const Status& s);
  static CommandOutcome Failed(const char* messageId, std::string detail);
};

CommandOutcome RunCommand(Storage& storage, Job& job, std::string_view text);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_COMMANDS_COMMAND_RUNNER_H_
