// The message shown when a step of loading a list fails with a result of
// the client library: the step's text and the error detail of the result's
// class, fetched from the client library at once (it keeps the detail of
// the last request only).
//
//   -30          "<step>: VANTORA Internal Error <Internal_Error>\r\r\n"
//   -20          "<step>: APPC Error <primary hex> <secondary hex> \r\r\n"
//   -10 and -1   "<step>: Error of class E_ERROR <retstat> <message id>\r\r\n"
//   any other    "<step>: Unknown error !!!\r\r\n"
#ifndef VANTORA_SELECTION_FAILURE_TEXT_H_
#define VANTORA_SELECTION_FAILURE_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vantora::selection {

std::string FailureText(std::string_view step, int32_t result);

}  // namespace vantora::selection

#endif  // VANTORA_SELECTION_FAILURE_TEXT_H_
