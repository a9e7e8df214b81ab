#include "host/server/session/host_status.h"

namespace vantora::host {

int32_t StatusWordOf(StatusCode code) {
  switch (code) {
    case StatusCode::kOk:
      return 0;
    case StatusCode::kEndOfFile:
      return kStatusEndOfFile;
    case StatusCode::kBeginningOfFile:
      return kStatusBeginningOfFile;
    case StatusCode::kFileNotFound:
    case StatusCode::kLibraryNotFound:
    case StatusCode::kObjectNotFound:
      return kStatusFileNotFound;
    case StatusCode::kWrongPassword:
    case StatusCode::kUserNotFound:
      return kStatusNotAuthorised;
    case StatusCode::kInvalidArgument:
      return kStatusInvalidRequest;
    case StatusCode::kNoCurrentRecord:
      return kStatusNoCurrentRecord;
    case StatusCode::kRecordInUse:
      return kStatusRecordInUse;
    case StatusCode::kDuplicateKey:
      return kStatusDuplicateKey;
    case StatusCode::kObjectInUse:
      return kStatusObjectInUse;
    default:
      return kStatusOther;
  }
}

}  // namespace vantora::host
