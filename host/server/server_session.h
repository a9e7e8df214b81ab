// One client session as the host serves it: requests arrive in parts, are
// decoded, run by their handler on the session's job, and answered with a
// reply message. The fronts move the bytes; this class does no I/O.
//
// The first request must open the session: its eye-catcher and parameters
// are checked and its user authenticated against the host's user profiles.
// Until that succeeds only another session-open or the end of the session
// is accepted. A wrong password is answered after the delay that the host's
// SignOnDelays give the profile (sign_on_delays.h), waited in Feed.
//
// Thread safety: one thread at a time per session; sessions are independent.
#ifndef VANTORA_HOST_SERVER_SERVER_SESSION_H_
#define VANTORA_HOST_SERVER_SERVER_SESSION_H_

#include <memory>
#include <span>
#include <string>

#include "host/server/read_ahead.h"
#include "host/server/session/host.h"
#include "host/server/session/job.h"
#include "protocol/reply_writer.h"
#include "protocol/request_decoder.h"
#include "protocol/session_open.h"

namespace vantora::host {

// Internal error codes of a refused session open (protocol/session_open.h).
using wire::kOpenNotValid;
using wire::kOpenUnknownUser;
using wire::kOpenWrongPassword;

struct SessionOptions {
  // The user a session-open without a user runs as ("" refuses such opens),
  // and its password. A front that vouches for the user itself (the
  // embedded host, trusting its own process) sets trustDefaultUser.
  std::string defaultUser;
  std::string defaultPassword;
  bool trustDefaultUser = false;
  // Names the peer in the log lines.
  std::string peer;
  // The front calls ReadAhead after sending each reply (read_ahead.h).
  bool readAhead = false;
};

class ServerSession {
 public:
  enum class Outcome {
    kNeedMore,  // the request is not complete yet
    kReply,     // Reply() holds the reply to send
    kNoReply,   // done; the request expects no reply
    kEnd,       // the session is over; close the connection
  };

  ServerSession(Host& host, SessionOptions options);
  // Ends the job: closes its files, rolls back what it left uncommitted and
  // releases its locks.
  ~ServerSession();
  ServerSession(const ServerSession&) = delete;
  ServerSession& operator=(const ServerSession&) = delete;

  // Takes the next request part as the transport framed it.
  Outcome Feed(const uint8_t* part, size_t length);
  std::span<const uint8_t> Reply() const { return reply_.Message(); }
  // Called by a front after the reply has gone out, while the client reads
  // it: prepares the answer to a sequential reader's next read
  // (read_ahead.h). Does nothing unless options.readAhead is set.
  void ReadAhead();

  bool opened() const { return job_ != nullptr; }
  Job* job() { return job_.get(); }
  // Why the session ended after a kEnd caused by a bad request.
  const std::string& error() const { return error_; }

 private:
  Outcome Run();
  Outcome OpenSession();
  // Counts a wrong password of `user` and waits the delay it earns.
  void SlowDownFailure(const std::string& user);
  void EndJob();

  Host& host_;
  SessionOptions options_;
  std::unique_ptr<Job> job_;
  wire::RequestDecoder decoder_;
  wire::ReplyWriter reply_;
  host::ReadAhead readAhead_;
  std::string error_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SERVER_SESSION_H_
