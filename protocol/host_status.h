// The status words of the host's failure replies (reply header offset 16,
// message_format.h), beside the result class -1 and a message identifier
// (host_message_ids.h). Those a caller of the client library tests for are
// published in include/mv432ida.h as VNX_RETSTAT_* (what retstat answers).
//
//   5001 end of file             5025 beginning of file
//   3004 file not found          3009 not authorised to the object
//   3014 request not valid       3026 no current record
//   3029 record in use (locked)  3033 duplicate key
//   3041 object in use           3042 object not available
//   3101 any other failure: the message identifier tells which
#ifndef VANTORA_PROTOCOL_HOST_STATUS_H_
#define VANTORA_PROTOCOL_HOST_STATUS_H_

#include <cstdint>

namespace vantora::wire {

inline constexpr int32_t kStatusEndOfFile = 5001;
inline constexpr int32_t kStatusBeginningOfFile = 5025;
inline constexpr int32_t kStatusFileNotFound = 3004;
inline constexpr int32_t kStatusNotAuthorised = 3009;
inline constexpr int32_t kStatusInvalidRequest = 3014;
inline constexpr int32_t kStatusNoCurrentRecord = 3026;
inline constexpr int32_t kStatusRecordInUse = 3029;
inline constexpr int32_t kStatusDuplicateKey = 3033;
inline constexpr int32_t kStatusObjectInUse = 3041;
inline constexpr int32_t kStatusObjectNotAvailable = 3042;
inline constexpr int32_t kStatusOther = 3101;

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_HOST_STATUS_H_
