#include "host/server/objects/server_jobs.h"

#include <cctype>
#include <cstdio>

#include "host/server/objects/program_runner.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

constexpr size_t kMaxAnswer = 32767;

}  // namespace

ServerJob::ServerJob(ProgramDefinition program) : program_(std::move(program)) {}

Status ServerJob::Send(std::span<const uint8_t> message) {
  ++messages_;
  std::vector<uint8_t> answer;
  if (program_.name.library == kHostLibrary && program_.name.name == kTalkProgram) {
    char number[8];
    std::snprintf(number, sizeof number, "%04d ", messages_ % 10000);
    answer.assign(number, number + 5);
    for (uint8_t c : message) answer.push_back(static_cast<uint8_t>(std::toupper(c)));
  } else if (!program_.builtin && program_.parameters.empty()) {
    int exitStatus = 0;
    RunOutcome outcome =
        RunExecutable(program_.command, message, kMaxAnswer,
                      std::chrono::seconds(program_.timeoutSeconds), &answer, &exitStatus);
    if (outcome == RunOutcome::kTimedOut) {
      return Status::Error(StatusCode::kNotSupported, wire::kMsgProgramTimedOut);
    }
    if (outcome != RunOutcome::kOk)
      return Status::Error(StatusCode::kNotSupported, wire::kMsgProgramFailed);
  } else {
    if (Status s = ExpandInput(program_.parameters, message, &answer); !s.ok()) return s;
    if (Status s = RunProgram(program_, &answer); !s.ok()) return s;
  }
  answers_.push_back(std::move(answer));
  return Status::Ok();
}

bool ServerJob::Receive(std::vector<uint8_t>* answer) {
  if (answers_.empty()) return false;
  *answer = std::move(answers_.front());
  answers_.pop_front();
  return true;
}

}  // namespace vantora::host
