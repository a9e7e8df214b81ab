// The host message identifier of the current session's last failure, as
// Return_Syserr gives it ("CPF5026"; "" when there was none).
#ifndef VANTORA_TESTS_SUPPORT_MESSAGE_ID_H_
#define VANTORA_TESTS_SUPPORT_MESSAGE_ID_H_

#include <cstring>
#include <string>

#include "mv432ida.h"

namespace vantora::testing {

inline std::string MessageId() {
  char id[9] = {};
  Return_Syserr(id);
  return std::string(id, strnlen(id, 7));
}

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_MESSAGE_ID_H_
