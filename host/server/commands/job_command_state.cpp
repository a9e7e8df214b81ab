#include "host/server/commands/job_command_state.h"

#include "host/server/commands/request_trace.h"
#include "host/server/session/job.h"

namespace vantora::host {

JobCommandState::JobCommandState() = default;
JobCommandState::~JobCommandState() = default;

const QueryFile* JobCommandState::FindQuery(const std::string& openId) const {
  for (const QueryFile& q : queryFiles) {
    if (q.openId == openId) return &q;
  }
  return nullptr;
}

const FileOverride* JobCommandState::FindOverride(const std::string& file) const {
  for (const FileOverride& o : overrides) {
    if (o.file == file) return &o;
  }
  return nullptr;
}

JobCommandState& CommandStateOf(Job& job) {
  auto& state = job.commandState();
  if (!state) state = std::make_shared<JobCommandState>();
  return *state;
}

const QueryFile* Job::SharedOpenFor(const ObjectName& file) const {
  if (!commandState_) return nullptr;
  const FileOverride* o = commandState_->FindOverride(file.name);
  if (o == nullptr || !o->share) return nullptr;
  const ObjectName& target = o->toFile.name.empty() ? file : o->toFile;
  // The newest query file of the file: the one the job opened for the open
  // that follows its OPNQRYF, when other query files of the file stay open.
  const auto& queries = commandState_->queryFiles;
  for (auto q = queries.rbegin(); q != queries.rend(); ++q) {
    if (q->file.name == target.name &&
        (target.library.empty() || q->file.library == target.library)) {
      return &*q;
    }
  }
  return nullptr;
}

bool Job::commitmentControl() const {
  return commandState_ && commandState_->commitmentControl;
}

std::string Job::lockLevel() const {
  return commitmentControl() ? commandState_->lockLevel : std::string();
}

}  // namespace vantora::host
