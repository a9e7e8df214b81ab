#include "host/admin/profile_password.h"

#include <algorithm>

#include "platform/console.h"

namespace vantora::host {

SecretPrompt TerminalPrompt() {
  if (!platform::IsTerminal(stdin)) return {};
  return [](const std::string& prompt, std::string* answer) {
    return platform::ReadSecret(prompt, answer);
  };
}

bool ReadProfilePassword(const std::string& name, const SecretPrompt& ask, std::string* password,
                         std::string* error) {
  if (auto value = platform::EnvironmentValue("VANTORA_PASSWORD")) {
    if (value->empty()) {
      *error = "$VANTORA_PASSWORD is empty";
      return false;
    }
    *password = std::move(*value);
    return true;
  }
  if (!ask) {
    *error = "no password for " + name +
             ": set VANTORA_PASSWORD, or run in a terminal to type it (never on the command line)";
    return false;
  }
  std::string first;
  std::string again;
  const bool answered =
      ask("Password for " + name + ": ", &first) && ask("The same password again: ", &again);
  const bool same = answered && first == again;
  std::fill(again.begin(), again.end(), '\0');
  if (!answered || first.empty() || !same) {
    std::fill(first.begin(), first.end(), '\0');
    *error = !answered ? "no password typed" : !same ? "the passwords differ" : "empty password";
    return false;
  }
  *password = std::move(first);
  return true;
}

}  // namespace vantora::host
