// Handlers of the command requests: Rsystem and VNXCmdExec (CL commands),
// RCreatDDS (source lines), StartFile_Test, StartFile_Err and
// VNXStopFile_Test (the request trace).
#include "host/server/commands/command_runner.h"
#include "host/server/commands/job_command_state.h"
#include "host/server/commands/request_trace.h"
#include "host/server/commands/source_writer.h"
#include "host/server/session/handlers.h"
#include "host/server/session/host.h"
#include "host/server/session/host_status.h"
#include "host/server/session/job.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

constexpr size_t kSourceLineLength = 80;

void Run(RequestContext& c, int32_t success) {
  std::string text(c.request.Text(0));
  CommandOutcome outcome = RunCommand(c.host.storage(), c.job, text);
  if (!outcome.ok) {
    c.Fail(outcome.status, outcome.messageId.c_str());
    c.host.Log(LogLevel::kDebug, "command failed: " + outcome.messageId + " " + outcome.detail);
    return;
  }
  c.result = success;
}

// Rsystem answers 0 on success: the database driver tests for it.
void Rsystem(RequestContext& c) {
  Run(c, 0);
}
void CmdExec(RequestContext& c) {
  Run(c, 1);
}

void CreateDds(RequestContext& c) {
  const int32_t count = c.request.Value(1);
  auto bytes = c.request.Input(2);
  if (count < 0 || static_cast<size_t>(count) * kSourceLineLength > bytes.size()) {
    c.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
    return;
  }
  std::vector<std::string> lines;
  for (int32_t i = 0; i < count; ++i) {
    const auto* line = bytes.data() + static_cast<size_t>(i) * kSourceLineLength;
    lines.emplace_back(reinterpret_cast<const char*>(line), kSourceLineLength);
  }
  Status s =
      WriteSourceLines(c.host.storage(), c.job, c.request.Text(0), lines, c.request.Value(3));
  if (!s.ok()) c.Fail(s);
}

void StartTrace(RequestContext& c, int level) {
  std::unique_ptr<RequestTrace> trace;
  Status s = RequestTrace::Start(c.host.storage(), c.job, c.request.Text(0), level, &trace);
  if (!s.ok()) {
    c.Fail(s);
    return;
  }
  CommandStateOf(c.job).trace = std::move(trace);
}

void StartFileTest(RequestContext& c) {
  StartTrace(c, c.request.Value(1));
}
void StartFileErr(RequestContext& c) {
  StartTrace(c, 1);
}
void StopFileTest(RequestContext& c) {
  if (c.job.commandState()) c.job.commandState()->trace.reset();
}

}  // namespace

void AddCommandHandlers(HandlerTable& table) {
  table[wire::kOpRsystem] = Rsystem;
  table[wire::kOpCmdExec] = CmdExec;
  table[wire::kOpRCreatDDS] = CreateDds;
  table[wire::kOpStartFileTest] = StartFileTest;
  table[wire::kOpStartFileErr] = StartFileErr;
  table[wire::kOpStopFileTest] = StopFileTest;
}

}  // namespace vantora::host
