#include "host/server/read_ahead.h"

#include <utility>

#include "host/server/session/handlers.h"
#include "protocol/record_options.h"

namespace vantora::host {

bool ReadAhead::Follows(const wire::RequestDecoder& request, int32_t result) {
  if (result < 0) return false;
  const int32_t options = request.Value(3);
  if ((options & wire::kOptionPositionOnly) != 0) return false;
  switch (wire::OperationOf(request.code())) {
    case wire::kOpRead: {
      const int op = wire::OptionsOperation(options);
      return op == wire::kReadNext || op == wire::kReadPrior;
    }
    case wire::kOpRreadn:
    case wire::kOpRreadp:
      return true;
    default:
      return false;
  }
}

void ReadAhead::Expect(wire::RequestDecoder& request) {
  Undo();
  std::swap(expected_, request);
  state_ = State::kExpected;
}

void ReadAhead::Prepare(Host& host, Job& job) {
  if (state_ != State::kExpected) return;
  auto* file = dynamic_cast<RecordFile*>(job.File(expected_.Value(0)));
  // A single read of a file open for update locks its record: that is for
  // the request to do, when it comes.
  const int32_t options = expected_.Value(3);
  const bool blocked =
      wire::OperationOf(expected_.code()) == wire::kOpRead && (options & wire::kOptionBlock) != 0;
  if (file == nullptr || !file->cursor || file->cursor->holdsLock() ||
      (!blocked && file->LocksOnRead() && (options & wire::kOptionNoLock) == 0)) {
    state_ = State::kIdle;
    return;
  }
  file_ = file;
  file->cursor->SavePlace(&place_);
  lastStatus_ = file->lastStatus;
  lastCount_ = file->lastCount;
  // Read before the work: a change made while it runs must count as one
  // made after.
  epoch_ = host.storage().ChangeEpoch();
  reply_.Start(expected_);
  RequestContext context{host, job, expected_, reply_, 1, 0, {}, 0};
  host.handlers()[static_cast<size_t>(wire::OperationOf(expected_.code()))](context);
  state_ = State::kPrepared;
  if (context.result < 0 || context.internalError != 0) {
    Undo();
    return;
  }
  reply_.Finish(context.result, context.status, context.messageId, context.internalError);
  result_ = context.result;
  status_ = context.status;
  messageId_ = context.messageId;
}

bool ReadAhead::Take(Host& host, const wire::RequestDecoder& request, wire::ReplyWriter* reply) {
  if (state_ != State::kPrepared || !request.SameRequest(expected_) ||
      host.storage().ChangeEpoch() != epoch_) {
    Undo();
    return false;
  }
  std::swap(*reply, reply_);
  state_ = State::kExpected;
  ++used_;
  return true;
}

void ReadAhead::Undo() {
  if (state_ == State::kPrepared) {
    file_->cursor->RestorePlace(place_);
    file_->lastStatus = lastStatus_;
    file_->lastCount = lastCount_;
    ++undone_;
  }
  file_ = nullptr;
  state_ = State::kIdle;
}

}  // namespace vantora::host
