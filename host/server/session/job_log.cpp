#include "host/server/session/job_log.h"

namespace vantora::host {

std::string_view JobMessageTypeName(JobMessageType type) {
  switch (type) {
    case JobMessageType::kRequest:
      return "*RQS";
    case JobMessageType::kEscape:
      return "*ESCAPE";
  }
  return "";
}

void JobLog::AddRequest(std::string_view command) {
  Add(JobMessageType::kRequest, "", 0, command);
}

void JobLog::AddEscape(std::string_view id, int severity, std::string_view text) {
  Add(JobMessageType::kEscape, id, severity, text);
}

void JobLog::Add(JobMessageType type, std::string_view id, int severity, std::string_view text) {
  if (messages_.size() >= limit_) messages_.pop_front();
  messages_.push_back({next_++, type, std::string(id), severity, std::chrono::system_clock::now(),
                       std::string(text)});
}

}  // namespace vantora::host
