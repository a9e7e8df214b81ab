// Client-library failures as engine statuses, with the messages posted to
// the engine and shown to the user.
#ifndef VANTORA_DRIVER_FRAME_ERRORS_H_
#define VANTORA_DRIVER_FRAME_ERRORS_H_

#include <cstdint>
#include <string>

namespace vantora::driver {

// The caption of the driver's message boxes.
constexpr char kCaption[] = "Morvalis/400";

// The engine status of a failed client-library call (`result` negative):
// -30 internal errors and -20 communication errors are posted with their
// codes; server statuses and host message identifiers of the tables map to
// their statuses without a message; anything else is posted as
// "AS/400 Error: message '...', code ..." and answers 2. Each but the ends
// of a file also gets the client library's words for it (VNXErrorText) as
// the error's explanation. REQUIRES: no request since the failed call.
uint16_t MapClientFailure(int32_t result);

// The engine status of a failed SQL call: reads the SQL communication area,
// retrieves the message text from the host, posts it as error context, and
// answers 0 when the SQL code is 0 or more, else 0x2E5D. A communication or
// internal failure (-20, -30) is mapped as a client-library failure instead.
uint16_t MapSqlFailure(int32_t result);

// Shows a client-library failure in a message box, prefixed with `prefix`,
// with the client library's words for it on a line of their own.
// REQUIRES: no request since the failed call.
void ShowClientFailure(const std::string& prefix, int32_t result);
// The text ShowClientFailure shows.
std::string ClientFailureText(const std::string& prefix, int32_t result);

// The client library's words for its last failure (VNXErrorText), "" when
// the last call did not fail. REQUIRES: no request since the failed call.
std::string ClientExplanation();

// Posts `text` to the engine as the message of `status` and keeps it as the
// driver's last message; `explanation`, when given, is attached as the
// error's words for people.
void PostMessage(uint16_t status, const std::string& text, const std::string& explanation = "");
// The message of the last error the driver reported.
std::string LastMessage();

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_ERRORS_H_
