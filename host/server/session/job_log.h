// A job's log: the messages the job received, oldest first. Each CL command
// the job runs leaves its request message (*RQS, the command's text) and
// the messages it answered with (its *ESCAPE message on failure). The log
// keeps the newest `limit` messages; older ones are dropped, so a job that
// runs for long holds a bounded log. Every message has a number in the job
// (from 1, never reused), so a reader sees where messages were dropped.
//
// Thread safety: owned by one job; used by that job's thread.
#ifndef VANTORA_HOST_SERVER_SESSION_JOB_LOG_H_
#define VANTORA_HOST_SERVER_SESSION_JOB_LOG_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace vantora::host {

enum class JobMessageType : uint8_t { kRequest, kEscape };

// "*RQS", "*ESCAPE".
std::string_view JobMessageTypeName(JobMessageType type);

struct JobMessage {
  int64_t number = 0;  // place in the job, from 1
  JobMessageType type = JobMessageType::kRequest;
  std::string id;    // "CPF2110"; empty for a request
  int severity = 0;  // 0-99
  std::chrono::system_clock::time_point sent;
  std::string text;
};

class JobLog {
 public:
  static constexpr size_t kDefaultLimit = 1000;

  explicit JobLog(size_t limit = kDefaultLimit) : limit_(limit == 0 ? 1 : limit) {}

  void AddRequest(std::string_view command);
  void AddEscape(std::string_view id, int severity, std::string_view text);

  // Oldest first.
  const std::deque<JobMessage>& messages() const { return messages_; }
  size_t limit() const { return limit_; }

 private:
  void Add(JobMessageType type, std::string_view id, int severity, std::string_view text);

  size_t limit_;
  int64_t next_ = 1;
  std::deque<JobMessage> messages_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SESSION_JOB_LOG_H_
