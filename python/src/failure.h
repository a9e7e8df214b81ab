// What the client library says about a failed request, captured on the
// session's worker thread right after the request (the detail belongs to the
// session and lasts only until its next request), and raising it as the
// vantora exception its codes call for.
#ifndef VANTORA_PYTHON_FAILURE_H_
#define VANTORA_PYTHON_FAILURE_H_

#include <cstdint>
#include <string>

namespace vantora::python {

struct Failure {
  int32_t result = 0;     // the error class: -1, -10, -20, -30 or a transport result
  int32_t status = 0;     // retstat()
  std::string messageId;  // Return_Syserr(): "CPF5027", or empty
  int32_t internal = 0;   // Internal_Error()
  int16_t primary = 0;    // APPC_ERR()
  int32_t secondary = 0;
  int32_t sqlcode = 0;  // SQL requests: the communication area's SQLCODE and SQLSTATE
  std::string sqlstate;
  std::string text;    // VNXErrorText(): the failure in words
  bool local = false;  // a failure of the package's own making
};

// Reads the session's error detail. Call on the worker thread, right after
// the failing request; `sql` also reads the SQL communication area.
Failure CaptureFailure(int32_t result, bool sql = false);

// A failure of the package's own making (no request failed).
Failure LocalFailure(const std::string& text);

// Whether `failure` only says that a read found no (more) records.
bool IsEndOfData(const Failure& failure);

// Raises the vantora exception for `failure` (the class chosen by
// vantora.errors from its codes). Call with the GIL held.
[[noreturn]] void RaiseFailure(const Failure& failure);

// Raises vantora.InterfaceError with `text` (a closed object).
[[noreturn]] void RaiseInterfaceError(const std::string& text);

}  // namespace vantora::python

#endif  // VANTORA_PYTHON_FAILURE_H_
