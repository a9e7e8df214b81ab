#include "client/dispatcher.h"

#include <algorithm>
#include <cstring>

#include "client/failures.h"
#include "client/sessions.h"
#include "client/transport.h"
#include "mv432ida.h"
#include "protocol/request_parts.h"

namespace vantora::client {
namespace {

using wire::kComplete;
using wire::kContinuationExpected;

void ResetRequestState(SessionRecord* record, std::initializer_list<uint64_t> words) {
  std::memset(record->savedArgs, 0, sizeof record->savedArgs);
  size_t n = std::min(words.size(), size_t{wire::kMaxArgWords});
  std::copy_n(words.begin(), n, record->savedArgs);
  record->SetI16(kOffPendingCode, -1);
  record->SetAsyncState(AsyncState::kIdle);
  record->SetI32(kOffReceiveBase, kOffHeader);
  record->SetI16(kOffMessageState, 0);
  record->SetI16(kOffParamsDone, 0);
  record->SetI16(kOffReceivedBytes, 0);
}

wire::MessageProgress Progress(const SessionRecord* record) {
  return {record->I16(kOffMessageState), record->I16(kOffParamsDone)};
}

void StoreProgress(SessionRecord* record, const wire::MessageProgress& p) {
  record->SetI16(kOffMessageState, p.state);
  record->SetI16(kOffParamsDone, p.paramsDone);
}

int32_t SendRequest(SessionRecord* record, int32_t code, const wire::Operation& op) {
  const TransportEntries& t = Transport();
  bool first = true;
  wire::MessageProgress progress = Progress(record);
  do {
    const int32_t sequence = record->sequence() + 1;
    record->SetI32(kOffSequence, sequence);
    int n = wire::BuildRequestPart(op, code, sequence, record->savedArgs, progress,
                                   record->header(), record->data());
    StoreProgress(record, progress);
    int16_t r = t.sendMode(record);
    if (r != 1) return r;
    if (first) {
      std::memcpy(record->header() + wire::kHdrSystemError, wire::kEyeCatcher,
                  wire::kSystemErrorSize);
      r = t.send(record, static_cast<int16_t>(wire::kHeaderSize + n),
                 record->bytes + kOffTransportBytes);
    } else {
      r = t.send(record, static_cast<int16_t>(n), record->bytes + MV432T_CONTINUATION_PREFIX);
    }
    if (r != 1) return r;
    first = false;
  } while (progress.state != kComplete);
  return 1;
}

}  // namespace

int32_t ReceivePart(SessionRecord* record, bool nowait) {
  const TransportEntries& t = Transport();
  for (;;) {
    const bool continuation = (record->I16(kOffMessageState) & kContinuationExpected) != 0;
    int base;
    int got;
    if (continuation) {
      record->SetI16(kOffReceivedBytes, 0);
      record->SetI32(kOffReceiveBase, kOffData);
      base = kOffData;
      got = 0;
    } else {
      // A first part: the header and its data. Header bytes that arrived
      // before an empty answer in asynchronous mode are kept in receivedBytes.
      base = kOffHeader;
      got = record->I16(kOffReceivedBytes);
    }
    for (;;) {
      int16_t count = 0;
      const int room = std::min(wire::kMaxPartSize, kWireSize - base - got);
      int16_t r = t.receive(record, static_cast<int16_t>(room), record->bytes + base + got, &count,
                            nowait ? MV432T_RECEIVE_NOWAIT : MV432T_RECEIVE_WAIT);
      if (r < 0) return VNX_ERR_COMM;
      count = static_cast<int16_t>(std::clamp<int>(count, 0, room));
      if (count == 0) {
        if (nowait) {
          if (!continuation) record->SetI16(kOffReceivedBytes, static_cast<int16_t>(got));
          return -1;
        }
        break;  // nothing delivered: start the part again
      }
      got += count;
      if (continuation || got >= wire::kHeaderSize) {
        record->SetI16(kOffReceivedBytes,
                       static_cast<int16_t>(continuation ? got : got - wire::kHeaderSize));
        record->SetI16(kOffMessageState, static_cast<int16_t>(record->I16(kOffMessageState) &
                                                              ~kContinuationExpected));
        return 1;
      }
    }
  }
}

int32_t DistributePart(SessionRecord* record, int32_t expectedCode) {
  uint8_t* header = record->header();
  const int32_t replyCode = wire::LoadLeI32(header + wire::kHdrCode);
  if (wire::OperationOf(replyCode) != wire::OperationOf(expectedCode)) {
    // A reply to another request would be distributed with the wrong shapes.
    // Its parts are read to its end (the header counts the bytes still to
    // come) and dropped, so that the next request gets its own reply.
    const int32_t toCome =
        wire::LoadLeI32(header + wire::kHdrLength) - record->I16(kOffReceivedBytes);
    wire::StoreLeI32(header + wire::kHdrLength, toCome);
    record->SetI32(kOffInternalError, VNX_IERR_REPLY_MISMATCH);
    record->SetI16(kOffMessageState, toCome > 0 ? kContinuationExpected : kComplete);
    return VNX_ERR_INTERNAL;
  }
  if (record->I16(kOffParamsDone) == 0) {
    record->SetI32(kOffReturnStatus, wire::LoadLeI32(header + wire::kHdrStatus));
    record->SetI32(kOffInternalError, wire::LoadLeI32(header + wire::kHdrInternalError));
    if (header[wire::kHdrSystemError] != 0) {
      std::memcpy(record->bytes + kOffSystemError, header + wire::kHdrSystemError,
                  wire::kSystemErrorSize);
    }
  }
  wire::MessageProgress progress = Progress(record);
  int32_t result = wire::DistributeReplyPart(wire::OperationEntry(wire::OperationOf(expectedCode)),
                                             header, record->data(), record->I16(kOffReceivedBytes),
                                             record->savedArgs, progress);
  StoreProgress(record, progress);
  return result;
}

int32_t Request(wire::Op op, std::initializer_list<uint64_t> words, Reply reply) {
  SessionRecord* record = CurrentSession();
  if (record == nullptr) return VNX_ERR_INTERNAL;
  return RequestOn(record, op, words, reply);
}

int32_t RequestOn(SessionRecord* record, wire::Op number, std::initializer_list<uint64_t> words,
                  Reply reply) {
  const wire::Operation& op = wire::OperationEntry(number);
  if (!op.Used() || static_cast<int>(words.size()) != op.ArgWords()) return VNX_ERR_INTERNAL;
  // A session that cannot be opened has noted why, and may be gone.
  if (int32_t r = StartSessionOn(record); r != 1) return r;
  const int32_t result = Exchange(record, number, words, reply);
  NoteRequest(record, number, words, result);
  return result;
}

int32_t Exchange(SessionRecord* record, wire::Op number, std::initializer_list<uint64_t> words,
                 Reply reply) {
  const wire::Operation& op = wire::OperationEntry(number);
  if (!op.Used() || static_cast<int>(words.size()) != op.ArgWords()) return VNX_ERR_INTERNAL;
  int32_t code = op.code;
  if (reply == Reply::kNone) code = (code & ~wire::kReplyExpected) | wire::kNoReply;
  if (!record->connected()) return VNX_ERR_INTERNAL;
  int32_t r;
  if (record->async() && record->asyncState() != AsyncState::kComplete &&
      record->pendingCode() != -1)
    return -1;
  ResetRequestState(record, words);
  r = SendRequest(record, code, op);
  if (r != 1) return r;
  ResetRequestState(record, words);
  const TransportEntries& t = Transport();
  const bool replyExpected = (code & wire::kReplyExpected) != 0;
  if (record->async() && replyExpected) {
    record->SetAsyncState(AsyncState::kAwaiting);
    record->SetI16(kOffPendingCode, static_cast<int16_t>(code));
    return t.receiveMode(record);
  }
  if (record->async() || !replyExpected) return t.flush(record) == 1 ? 1 : VNX_ERR_COMM;
  r = t.receiveMode(record);
  if (r != 1) return r;
  int32_t result;
  do {
    r = ReceivePart(record, false);
    if (r != 1) return r;
    result = DistributePart(record, code);
  } while (record->I16(kOffMessageState) != kComplete);
  t.sendMode(record);
  return result;
}

}  // namespace vantora::client
