// One session of the client library: the record whose address is the
// session handle handed to every transport call.
//
// Byte layout (little-endian integers):
//
//   offset  width   field
//   0       22      the transport's own; never read, written or cleared here
//   22      int32   sequence        message counter, incremented per part built
//   26      int32   returnStatus    status word of the last reply
//   30      int16   connected       1 after a successful connect
//   32      int16   modeBits        bit 1 (value 2): asynchronous replies
//   34      int16   asyncState      0 idle, 1 reply awaited, 3 reply complete
//   36      int32   asyncResult     result of the last asynchronous request
//   40      int16   pendingCode     code of the request awaiting its reply, -1 none
//   42      64      (argument words of 32-bit builds; unused: see savedArgs)
//   106     int16   messageState    1 all parameters through; 0x1000 continuation expected
//   108     int16   paramsDone      parameters completely sent or received
//   110     int32   receiveBase     where received bytes go, as an offset in this record
//   114     int16   receivedBytes   data bytes held from the current reply part
//   116     8       systemError     last non-empty host message identifier
//   124     int32   internalError   internal error code of the last reply
//   128     18      machineName     NUL-terminated host name
//   146     10      userId          blank-padded user profile
//   156     10      password        blank-padded password
//   166     4       the transport's: the 4 bytes in front of a first part
//   170     64      header          message header being sent or received
//   234     4096    data            message data area
//   4336    16x8    savedArgs       the current request's argument words
//
// Addresses do not fit 32-bit fields on 64-bit builds: receiveBase is kept as
// an offset from the record's start and the argument words as 64-bit words
// after the data area. Clearing a record zeroes everything from offset 22 on.
#ifndef VANTORA_CLIENT_SESSION_RECORD_H_
#define VANTORA_CLIENT_SESSION_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "mv432transport.h"
#include "protocol/byte_order.h"
#include "protocol/message_format.h"
#include "protocol/operations.h"
#include "protocol/session_open.h"

namespace vantora::client {

inline constexpr int kOffSequence = 22;
inline constexpr int kOffReturnStatus = 26;
inline constexpr int kOffConnected = 30;
inline constexpr int kOffModeBits = 32;
inline constexpr int kOffAsyncState = 34;
inline constexpr int kOffAsyncResult = 36;
inline constexpr int kOffPendingCode = 40;
inline constexpr int kOffMessageState = 106;
inline constexpr int kOffParamsDone = 108;
inline constexpr int kOffReceiveBase = 110;
inline constexpr int kOffReceivedBytes = 114;
inline constexpr int kOffSystemError = 116;
inline constexpr int kOffInternalError = 124;
inline constexpr int kOffMachineName = 128;
inline constexpr int kOffUserId = 146;
inline constexpr int kOffPassword = 156;
inline constexpr int kOffTransportBytes = MV432T_FIRST_PART_PREFIX;
inline constexpr int kOffHeader = 170;
inline constexpr int kOffData = 234;
inline constexpr int kWireSize = kOffData + wire::kDataAreaSize;

// The asynchronous-request state word at offset 34 (the record's own words,
// not the VNX_STATUS_* answers of VNXStatus).
enum class AsyncState : int16_t {
  kIdle = 0,      // no asynchronous request pending
  kAwaiting = 1,  // a reply is awaited
  kComplete = 3,  // the reply is all in; VNXComplete takes its result
};

inline constexpr int kMachineNameSize = wire::kSessionMachineNameSize;
inline constexpr int kUserIdSize = wire::kSessionUserSize;
inline constexpr int kPasswordSize = wire::kSessionPasswordSize;
inline constexpr int kTransportPrivate = MV432T_PRIVATE_SIZE;
static_assert(kOffData - MV432T_PREFIX_SIZE == MV432T_CONTINUATION_PREFIX);
static_assert(kOffHeader - MV432T_PREFIX_SIZE == MV432T_FIRST_PART_PREFIX);

inline constexpr int16_t kModeAsync = 2;

// The last call on a session that failed, kept for VNXErrorText: the
// record's own words keep the host's detail, this says which call it was and
// what it named.
struct LastFailure {
  static constexpr size_t kSubjectSize = 96;
  int32_t result = 0;               // the failure's class (-1, -10, -20, -30); 0 after a success
  int16_t operation = -1;           // its operation number (wire::Op); -1 when no request was made
  char subject[kSubjectSize] = {};  // what it named: a file, a command, a user (NUL-terminated)
};

// The bytes the transport sees and the argument words, laid out as above.
struct SessionWords {
  alignas(8) uint8_t bytes[kWireSize + 6];  // rounded so savedArgs is aligned
  uint64_t savedArgs[wire::kMaxArgWords];
};
static_assert(offsetof(SessionWords, savedArgs) == 4336);

struct SessionRecord : SessionWords {
  LastFailure failure;
  std::map<int32_t, std::string> fileNames;  // the names the open handles were opened by

  int32_t I32(int off) const { return wire::LoadLeI32(bytes + off); }
  int16_t I16(int off) const { return wire::LoadLeI16(bytes + off); }
  void SetI32(int off, int32_t v) { wire::StoreLeI32(bytes + off, v); }
  void SetI16(int off, int16_t v) { wire::StoreLeI16(bytes + off, v); }

  int32_t sequence() const { return I32(kOffSequence); }
  bool connected() const { return I16(kOffConnected) == 1; }
  int16_t modeBits() const { return I16(kOffModeBits); }
  bool async() const { return (modeBits() & kModeAsync) != 0; }
  AsyncState asyncState() const { return static_cast<AsyncState>(I16(kOffAsyncState)); }
  void SetAsyncState(AsyncState state) { SetI16(kOffAsyncState, static_cast<int16_t>(state)); }
  int16_t pendingCode() const { return I16(kOffPendingCode); }

  uint8_t* header() { return bytes + kOffHeader; }
  uint8_t* data() { return bytes + kOffData; }
  char* machineName() { return reinterpret_cast<char*>(bytes + kOffMachineName); }
  char* userId() { return reinterpret_cast<char*>(bytes + kOffUserId); }
  char* password() { return reinterpret_cast<char*>(bytes + kOffPassword); }

  // Zeroes everything from offset 22 to the record's end.
  void Clear() {
    std::memset(bytes + kTransportPrivate, 0, sizeof bytes - kTransportPrivate);
    std::memset(savedArgs, 0, sizeof savedArgs);
    failure = LastFailure{};
    fileNames.clear();
  }
};

}  // namespace vantora::client

#endif  // VANTORA_CLIENT_SESSION_RECORD_H_
