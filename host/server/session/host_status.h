// The status word the host answers for a storage failure. The status words
// themselves are the protocol's (protocol/host_status.h).
#ifndef VANTORA_HOST_SERVER_SESSION_HOST_STATUS_H_
#define VANTORA_HOST_SERVER_SESSION_HOST_STATUS_H_

#include <cstdint>

#include "host/storage/status.h"
#include "protocol/host_status.h"

namespace vantora::host {

using wire::kStatusBeginningOfFile;
using wire::kStatusDuplicateKey;
using wire::kStatusEndOfFile;
using wire::kStatusFileNotFound;
using wire::kStatusInvalidRequest;
using wire::kStatusNoCurrentRecord;
using wire::kStatusNotAuthorised;
using wire::kStatusObjectInUse;
using wire::kStatusObjectNotAvailable;
using wire::kStatusOther;
using wire::kStatusRecordInUse;

// The status word for a storage failure.
int32_t StatusWordOf(StatusCode code);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SESSION_HOST_STATUS_H_
