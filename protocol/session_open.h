// The session-open request that starts every session (operation 0x15) and
// the internal error codes of its refusals.
//
//   value 3, value 2, in(the server name with its terminator), value 0,
//   in(18, machine name), in(10, user), in(10, password)
//
// User and password travel as the blank-padded ASCII fields of the client's
// session record. A refused open answers a negative result and one of the
// internal error codes below (reply offset 60), which the client keeps after
// it clears the session, so that it can still tell why.
#ifndef VANTORA_PROTOCOL_SESSION_OPEN_H_
#define VANTORA_PROTOCOL_SESSION_OPEN_H_

#include <cstdint>

namespace vantora::wire {

inline constexpr int32_t kSessionOpenFirstValue = 3;
inline constexpr int32_t kSessionOpenSecondValue = 2;
inline constexpr int32_t kSessionOpenFourthValue = 0;
inline constexpr char kSessionServerName[] = "VANTORA";
inline constexpr int kSessionMachineNameSize = 18;
inline constexpr int kSessionUserSize = 10;
inline constexpr int kSessionPasswordSize = 10;

inline constexpr int32_t kOpenNotValid = 1001;       // not a valid session-open request
inline constexpr int32_t kOpenUnknownUser = 1002;    // CPF2204: user profile not found
inline constexpr int32_t kOpenWrongPassword = 1003;  // CPF22E2: password not correct

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_SESSION_OPEN_H_
