// The password of a user profile that an administration command creates or
// changes. It never comes from the command line, where other users of the
// machine can read it: it is the value of $VANTORA_PASSWORD when that is
// set, else typed on the terminal (twice, without echo) when there is one.
#ifndef VANTORA_HOST_ADMIN_PROFILE_PASSWORD_H_
#define VANTORA_HOST_ADMIN_PROFILE_PASSWORD_H_

#include <functional>
#include <string>

namespace vantora::host {

// Shows `prompt` and reads an answer without echo; false when none came.
using SecretPrompt = std::function<bool(const std::string& prompt, std::string* answer)>;

// The terminal's prompt when standard input is a terminal; empty otherwise.
SecretPrompt TerminalPrompt();

// The password for the profile `name`: from $VANTORA_PASSWORD, else asked
// with `ask` (when not empty). False with `error` saying what to do when
// there is none, it is empty, or the two answers differ.
bool ReadProfilePassword(const std::string& name, const SecretPrompt& ask, std::string* password,
                         std::string* error);

}  // namespace vantora::host

#endif  // VANTORA_HOST_ADMIN_PROFILE_PASSWORD_H_
