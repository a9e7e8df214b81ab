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
// "AS/400 Error: message '...', code ..." and answers 2.
uint16_t MapClientFailure(int32_t result);

// The engine status of a failed SQL call: reads the SQL communication area,
// retrieves the message text from the host, posts it as error context, and
// answers 0 when the SQL code is 0 or more, else 0x2E5D. A communication or
// internal failure (-20, -30) is mapped as a client-library failure instead.
uint16_t MapSqlFailure(int32_t result);

// Shows a client-library failure in a message box, prefixed with `prefix`.
void ShowClientFailure(const std::string& prefix, int32_t result);
// The text ShowClientFailure shows.
std::string ClientFailureText(const std::string& prefix, int32_t result);

// Posts `text` to the engine as the message of `status` and keeps it as the
// driver's last message.
void PostMessage(uint16_t status, const std::string& text);
// The message of the last error the driver reported.
std::string LastMessage();

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_FRAME_ERRORS_H_
