// Asynchronous completion, error detail and the local functions that need
// no request.
#include <cstring>

#include "client/dispatcher.h"
#include "client/sessions.h"
#include "client/transport.h"
#include "include/mv432ida.h"
#include "protocol/operations.h"
#include "protocol/request_parts.h"

using namespace vantora::client;
namespace wire = vantora::wire;

namespace {
constexpr int32_t kClientVersion = 202;
}

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
  record->SetI16(kOffPendingCode, -1);
  if (record->connected()) Transport().sendMode(record);
  return record->I32(kOffAsyncResult);
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

MV432IDA_API int32_t Map_Appc(void) {
  return 0;
}

MV432IDA_API int32_t RTV_PC_VER(int32_t* version) {
  if (version != nullptr) *version = kClientVersion;
  return 4;
}

}  // extern "C"
