#include "host/server/server_session.h"

#include <algorithm>
#include <cstring>

#include "host/server/commands/request_trace.h"
#include "host/server/session/host_status.h"
#include "host/server/sql/sql_work_area.h"
#include "protocol/blank_padded.h"
#include "protocol/host_message_ids.h"
#include "protocol/message_format.h"

namespace vantora::host {
namespace {

// Fields of a blank-padded name, without the blanks.
std::string Trimmed(std::span<const uint8_t> field) {
  std::string s(field.begin(), field.end());
  s.erase(std::find(s.begin(), s.end(), '\0'), s.end());
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

using wire::Upper;

}  // namespace

ServerSession::ServerSession(Host& host, SessionOptions options)
    : host_(host), options_(std::move(options)) {}

ServerSession::~ServerSession() {
  EndJob();
}

void ServerSession::EndJob() {
  if (!job_) return;
  readAhead_.Undo();
  job_->CloseAllFiles();
  sql::EndWorkArea(*job_);  // its statements and results go with the job, not at the next SQL
  Status s = host_.storage().EndJob(job_->id());
  std::string readAhead;
  if (readAhead_.used() + readAhead_.undone() > 0) {
    readAhead = "; reads made ahead: " + std::to_string(readAhead_.used()) + " used, " +
                std::to_string(readAhead_.undone()) + " undone";
  }
  host_.Log(LogLevel::kInfo, "session end: job " + std::to_string(job_->id()) + " user " +
                                 job_->user() + (options_.peer.empty() ? "" : " " + options_.peer) +
                                 readAhead);
  if (!s.ok()) host_.Log(LogLevel::kError, "ending job: " + s.ToString());
  job_.reset();
}

ServerSession::Outcome ServerSession::Feed(const uint8_t* part, size_t length) {
  switch (decoder_.Feed(part, length)) {
    case wire::RequestDecoder::Progress::kNeedMore:
      return Outcome::kNeedMore;
    case wire::RequestDecoder::Progress::kError:
      error_ = decoder_.error();
      host_.Log(
          LogLevel::kWarning,
          "bad request" + (options_.peer.empty() ? "" : " from " + options_.peer) + ": " + error_);
      decoder_.Reset();
      EndJob();
      return Outcome::kEnd;
    case wire::RequestDecoder::Progress::kComplete:
      break;
  }
  Outcome outcome = Run();
  decoder_.Reset();
  return outcome;
}

void ServerSession::ReadAhead() {
  if (job_) readAhead_.Prepare(host_, *job_);
}

ServerSession::Outcome ServerSession::Run() {
  if (readAhead_.prepared()) {
    if (job_ && readAhead_.Take(host_, decoder_, &reply_)) {
      TraceRequest(*job_, decoder_, readAhead_.result(), readAhead_.status(),
                   readAhead_.messageId());
      return Outcome::kReply;
    }
  } else {
    readAhead_.Undo();
  }
  const int op = wire::OperationOf(decoder_.code());
  if (op == wire::kOpSessionEnd) {
    EndJob();
    return Outcome::kEnd;
  }
  if (op == wire::kOpSessionOpen) return OpenSession();
  reply_.Start(decoder_);
  const bool wantsReply = (decoder_.code() & wire::kReplyExpected) != 0;
  if (!job_) {
    error_ = "request before the session was opened";
    host_.Log(LogLevel::kWarning, error_);
    EndJob();
    return Outcome::kEnd;
  }
  RequestContext context{host_, *job_, decoder_, reply_, 1, 0, {}, 0};
  if (Handler handler = host_.handlers()[static_cast<size_t>(op)]) {
    handler(context);
  } else {
    context.Fail(kStatusInvalidRequest, wire::kMsgRequestRefused);
  }
  TraceRequest(*job_, decoder_, context.result, context.status, context.messageId);
  if (!wantsReply) {
    if (context.result < 0) {
      host_.Log(LogLevel::kDebug,
                std::string(decoder_.operation().name) + " failed: " + context.messageId);
    }
    return Outcome::kNoReply;
  }
  reply_.Finish(context.result, context.status, context.messageId, context.internalError);
  if (options_.readAhead && ReadAhead::Follows(decoder_, context.result)) {
    readAhead_.Expect(decoder_);
  }
  return Outcome::kReply;
}

void ServerSession::SlowDownFailure(const std::string& user) {
  SignOnDelays& delays = host_.signOnDelays();
  int failures = 0;
  const std::chrono::milliseconds delay = delays.Failed(user, &failures);
  host_.Log(
      LogLevel::kWarning,
      "sign-on of " + user + " failed " + std::to_string(failures) +
          (failures == 1 ? " time" : " times") + " in a row" +
          (delay.count() > 0 ? "; answering in " + std::to_string(delay.count()) + " ms" : "") +
          (options_.peer.empty() ? "" : " (" + options_.peer + ")"));
  delays.Wait(delay);
}

ServerSession::Outcome ServerSession::OpenSession() {
  reply_.Start(decoder_);
  // The client clears its session after a refused open but keeps the
  // internal error code, so that code tells why.
  auto refuse = [this](int32_t statusWord, const std::string& id, const std::string& why) {
    host_.Log(LogLevel::kWarning, "session open refused" +
                                      (options_.peer.empty() ? "" : " for " + options_.peer) +
                                      ": " + why);
    int32_t internal = id == wire::kMsgUserProfileNotFound  ? kOpenUnknownUser
                       : id == wire::kMsgPasswordNotCorrect ? kOpenWrongPassword
                                                            : kOpenNotValid;
    reply_.Finish(-1, statusWord, id, internal);
    return Outcome::kReply;
  };
  if (decoder_.eyeCatcher() != std::string_view(wire::kEyeCatcher, wire::kSystemErrorSize) ||
      decoder_.Value(0) != wire::kSessionOpenFirstValue ||
      decoder_.Value(1) != wire::kSessionOpenSecondValue ||
      decoder_.Text(2) != wire::kSessionServerName ||
      decoder_.Input(4).size() != wire::kSessionMachineNameSize ||
      decoder_.Input(5).size() != wire::kSessionUserSize ||
      decoder_.Input(6).size() != wire::kSessionPasswordSize) {
    return refuse(kStatusInvalidRequest, wire::kMsgRequestRefused,
                  "not a Vantora session-open request");
  }
  if (job_) return refuse(kStatusInvalidRequest, wire::kMsgRequestRefused, "session already open");
  std::string user = Upper(Trimmed(decoder_.Input(5)));
  std::string password = Trimmed(decoder_.Input(6));
  bool trusted = false;
  if (user.empty()) {
    if (options_.defaultUser.empty()) {
      return refuse(kStatusNotAuthorised, wire::kMsgUserProfileNotFound, "no user given");
    }
    user = Upper(options_.defaultUser);
    password = options_.defaultPassword;
    trusted = options_.trustDefaultUser;
  }
  if (trusted) {
    bool exists = false;
    if (Status s = host_.storage().userProfiles().Exists(user, &exists); !s.ok()) {
      return refuse(StatusWordOf(s.code()), s.messageId(), s.ToString());
    }
    if (!exists) {
      return refuse(kStatusNotAuthorised, wire::kMsgUserProfileNotFound,
                    "user " + user + " not found");
    }
  } else if (Status s = host_.storage().userProfiles().Authenticate(user, password); !s.ok()) {
    if (s.code() == StatusCode::kWrongPassword) SlowDownFailure(user);
    return refuse(StatusWordOf(s.code()), s.messageId(), s.ToString());
  } else {
    host_.signOnDelays().Succeeded(user);
  }
  job_ = std::make_unique<Job>(host_.NewJobId(), user);
  host_.Log(LogLevel::kInfo, "session open: job " + std::to_string(job_->id()) + " user " + user +
                                 (options_.peer.empty() ? "" : " " + options_.peer));
  reply_.Finish(1, 0, "", 0);
  return Outcome::kReply;
}

}  // namespace vantora::host
