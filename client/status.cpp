// Asynchronous completion, error detail and the local functions that need
// no request.
#include <algorithm>
#include <cstring>
#include <string>

#include "client/dispatcher.h"
#include "client/failure_sentence.h"
#include "client/failures.h"
#include "client/sessions.h"
#include "client/transport.h"
#include "mv432ida.h"
#include "protocol/blank_padded.h"
#include "protocol/host_message_ids.h"
#include "protocol/host_status.h"
#include "protocol/operations.h"
#include "protocol/request_parts.h"

using namespace vantora::client;
namespace wire = vantora::wire;

namespace {

constexpr int32_t kClientVersion = 202;

// The public header spells the protocol's status words and message
// identifiers for programs; it must say what the protocol says.
constexpr bool Same(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}
static_assert(VNX_RETSTAT_FILE_NOT_FOUND == wire::kStatusFileNotFound &&
              VNX_RETSTAT_NOT_AUTHORISED == wire::kStatusNotAuthorised &&
              VNX_RETSTAT_INVALID_REQUEST == wire::kStatusInvalidRequest &&
              VNX_RETSTAT_NO_CURRENT_RECORD == wire::kStatusNoCurrentRecord &&
              VNX_RETSTAT_RECORD_IN_USE == wire::kStatusRecordInUse &&
              VNX_RETSTAT_DUPLICATE_KEY == wire::kStatusDuplicateKey &&
              VNX_RETSTAT_OBJECT_IN_USE == wire::kStatusObjectInUse &&
              VNX_RETSTAT_OBJECT_NOT_AVAILABLE == wire::kStatusObjectNotAvailable &&
              VNX_RETSTAT_OTHER == wire::kStatusOther &&
              VNX_RETSTAT_END_OF_FILE == wire::kStatusEndOfFile &&
              VNX_RETSTAT_BEGINNING_OF_FILE == wire::kStatusBeginningOfFile);
static_assert(Same(VNX_MSG_FILE_NOT_FOUND, wire::kMsgFileNotFound) &&
              Same(VNX_MSG_WRONG_KIND_OF_OPEN, wire::kMsgWrongKindOfOpen) &&
              Same(VNX_MSG_FILE_IN_USE, wire::kMsgAccessPathNotValid) &&
              Same(VNX_MSG_RECORD_NOT_FOUND, wire::kMsgRecordNotFound) &&
              Same(VNX_MSG_DUPLICATE_KEY, wire::kMsgDuplicateKey) &&
              Same(VNX_MSG_RECORD_IN_USE, wire::kMsgRecordInUse) &&
              Same(VNX_MSG_DATA_MAPPING, wire::kMsgDataMapping) &&
              Same(VNX_MSG_DUPLICATE_KEY_OTHER_PATH, wire::kMsgDuplicateKeyOtherPath) &&
              Same(VNX_MSG_FILE_NOT_CREATED, wire::kMsgFileNotCreated) &&
              Same(VNX_MSG_USER_PROFILE_NOT_FOUND, wire::kMsgUserProfileNotFound) &&
              Same(VNX_MSG_LIBRARY_NOT_FOUND, wire::kMsgLibraryNotFound) &&
              Same(VNX_MSG_PASSWORD_NOT_CORRECT, wire::kMsgPasswordNotCorrect) &&
              Same(VNX_MSG_RECEIVER_TOO_SMALL, wire::kMsgReceiverTooSmall) &&
              Same(VNX_MSG_DECIMAL_DATA_ERROR, wire::kMsgDecimalDataError));

}  // namespace

namespace {

// The SQL communication area of the session's job, read without disturbing
// the detail of the failure it explains.
void ReadSqlca(SessionRecord* record, FailureFacts* f) {
  if (!record->connected() || record->async()) return;
  uint8_t keep[kOffMachineName - kOffReturnStatus];
  std::memcpy(keep, record->bytes + kOffReturnStatus, sizeof keep);
  const LastFailure failure = record->failure;
  uint8_t area[136] = {};
  const int32_t r = Exchange(record, wire::kOpSqlSqlca,
                             {Word(int32_t{sizeof area}), Word(area), Word(int32_t{sizeof area})});
  std::memcpy(record->bytes + kOffReturnStatus, keep, sizeof keep);
  record->failure = failure;
  if (r < 1) return;
  f->sql = true;
  f->sqlCode = wire::LoadLeI32(area + 12);
  const int length = std::clamp<int>(wire::LoadLeI16(area + 16), 0, 70);
  f->sqlTokens.assign(reinterpret_cast<const char*>(area + 18), static_cast<size_t>(length));
  f->sqlState.assign(reinterpret_cast<const char*>(area + 131), 5);
}

std::string Trimmed(const char* text, size_t size) {
  return wire::TrimRight(std::string_view(text, strnlen(text, size)));
}

FailureFacts FactsOf(SessionRecord* record) {
  FailureFacts f;
  f.transportFile = TransportFileName();
  if (int32_t reason = UnusableReason(); reason != 0) {
    f.result = VNX_ERR_INTERNAL;
    f.internalError = reason;
    return f;
  }
  if (record == nullptr) {
    f.result = VNX_ERR_INTERNAL;
    return f;
  }
  const LastFailure& last = record->failure;
  f.result = last.result;
  if (f.result >= 0) return f;
  f.operation = last.operation;
  f.subject = last.subject;
  f.user = Trimmed(record->userId(), kUserIdSize);
  f.status = record->I32(kOffReturnStatus);
  f.messageId = Trimmed(reinterpret_cast<const char*>(record->bytes + kOffSystemError),
                        wire::kSystemErrorSize);
  if (f.messageId == Trimmed(wire::kEyeCatcher, wire::kSystemErrorSize)) f.messageId.clear();
  f.internalError = record->I32(kOffInternalError);
  if (f.result == VNX_ERR_COMM) {
    const TransportEntries& t = Transport();
    t.appcError(record, &f.appcPrimary, &f.appcSecondary);
    if (t.errorText != nullptr) {
      char text[512] = {};
      t.errorText(record, text, static_cast<int16_t>(sizeof text));
      f.transportText = text;
    }
  }
  if (f.result == VNX_ERR_HOST && IsSqlOperation(f.operation)) ReadSqlca(record, &f);
  return f;
}

}  // namespace

extern "C" {

MV432IDA_API int32_t VNXStatus(void) {
  SessionRecord* record = CurrentSession();
  if (record == nullptr) return VNX_ERR_INTERNAL;
  if (record->asyncState() == AsyncState::kComplete) return VNX_STATUS_COMPLETE;
  if (record->pendingCode() == -1) record->SetAsyncState(AsyncState::kIdle);
  if (record->I16(kOffMessageState) == wire::kComplete) {
    record->SetAsyncState(AsyncState::kComplete);
    return VNX_STATUS_COMPLETE;
  }
  if (record->asyncState() == AsyncState::kIdle) return VNX_STATUS_IDLE;
  const int32_t pending = record->pendingCode();
  int32_t r = ReceivePart(record, true);
  if (r == VNX_ERR_COMM) {
    record->SetI32(kOffAsyncResult, VNX_ERR_COMM);
    record->SetAsyncState(AsyncState::kComplete);
    return VNX_STATUS_COMPLETE;
  }
  if (r != 1) return VNX_STATUS_WAITING;  // the reply is still awaited
  int32_t result = DistributePart(record, pending);
  record->SetI32(kOffAsyncResult, result);
  if (record->I16(kOffMessageState) != wire::kComplete) return VNX_STATUS_PARTIAL;
  if (wire::OperationOf(pending) == wire::kOpSessionOpen && result < 0) {
    FailSessionOpen(record);
    if (SessionRecord* now = CurrentSession()) {
      now->SetAsyncState(AsyncState::kComplete);
      now->SetI16(kOffMessageState, wire::kComplete);
    }
    return VNX_STATUS_COMPLETE;
  }
  record->SetAsyncState(AsyncState::kComplete);
  return VNX_STATUS_COMPLETE;
}

MV432IDA_API int32_t VNXComplete(void) {
  SessionRecord* record = CurrentSession();
  if (record == nullptr) return VNX_ERR_INTERNAL;
  if (record->asyncState() != AsyncState::kComplete) {
    record->SetI32(kOffInternalError, VNX_IERR_NO_COMPLETE_REPLY);
    return VNX_ERR_INTERNAL;
  }
  record->SetAsyncState(AsyncState::kIdle);
  const int16_t pending = record->pendingCode();
  record->SetI16(kOffPendingCode, -1);
  if (record->connected()) Transport().sendMode(record);
  const int32_t result = record->I32(kOffAsyncResult);
  if (result < 0) NoteFailure(record, wire::OperationOf(pending), result, nullptr);
  return result;
}

MV432IDA_API int32_t retstat(void) {
  SessionRecord* record = CurrentSession();
  return record == nullptr ? VNX_ERR_INTERNAL : record->I32(kOffReturnStatus);
}

MV432IDA_API int32_t Return_Syserr(char* buffer) {
  SessionRecord* record = CurrentSession();
  if (record != nullptr && buffer != nullptr) {
    std::memcpy(buffer, record->bytes + kOffSystemError, wire::kSystemErrorSize);
  }
  return 1;
}

MV432IDA_API int32_t Internal_Error(void) {
  if (int32_t reason = UnusableReason(); reason != 0) return reason;
  SessionRecord* record = CurrentSession();
  return record == nullptr ? VNX_ERR_INTERNAL : record->I32(kOffInternalError);
}

MV432IDA_API int32_t APPC_ERR(int16_t* primary, int32_t* secondary) {
  SessionRecord* record = CurrentSession();
  if (record == nullptr) return VNX_ERR_INTERNAL;
  Transport().appcError(record, primary, secondary);
  return 1;
}

MV432IDA_API int32_t VNXErrorText(char* buffer, int32_t size) {
  const std::string text = FailureSentence(FactsOf(CurrentSession()));
  if (buffer != nullptr && size > 0) {
    const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  return static_cast<int32_t>(text.size());
}

MV432IDA_API int32_t Map_Appc(void) {
  return 0;
}

MV432IDA_API int32_t RTV_PC_VER(int32_t* version) {
  if (version != nullptr) *version = kClientVersion;
  return 4;
}

}  // extern "C"
