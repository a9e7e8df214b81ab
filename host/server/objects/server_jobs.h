// Server jobs: a conversation between a session and a program started for
// it on the host (JOBcall). Each message the session sends (JOBsend) is
// handed to the program; what the program answers is queued and taken, in
// order, by JOBreceive.
//
// Which programs converse:
//  - VANTORA/TALK, the sample conversation: it answers every message with
//    its number in the conversation (four digits, a blank) followed by the
//    message in upper case;
//  - any other program (ProgramRegistry): each message is a call, its bytes
//    the program's input parameters, and the answer is the parameter record.
//    A registered executable without declared parameters gets the message
//    itself on its standard input and answers with its standard output.
//
// Thread safety: owned by one job; used by that job's thread.
#ifndef VANTORA_HOST_SERVER_OBJECTS_SERVER_JOBS_H_
#define VANTORA_HOST_SERVER_OBJECTS_SERVER_JOBS_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

#include "host/server/objects/programs.h"
#include "host/storage/live_count.h"

namespace vantora::host {

class ServerJob {
 public:
  explicit ServerJob(ProgramDefinition program);

  const ProgramDefinition& program() const { return program_; }
  // Hands a message to the program and queues its answer. Errors: those of
  // RunProgram and ExpandInput.
  Status Send(std::span<const uint8_t> message);
  // Takes the oldest answer not yet received; false when none is waiting.
  bool Receive(std::vector<uint8_t>* answer);

 private:
  ProgramDefinition program_;
  LiveCount<LiveKind::kServerJob> live_;
  int32_t messages_ = 0;
  std::deque<std::vector<uint8_t>> answers_;
};

// The sample conversation's name.
inline constexpr char kTalkProgram[] = "TALK";

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_OBJECTS_SERVER_JOBS_H_
