// What command-line programs need of the process's surroundings: the
// environment, whether a stream is a terminal, and reading a secret
// without echoing it.
#ifndef VANTORA_PLATFORM_CONSOLE_H_
#define VANTORA_PLATFORM_CONSOLE_H_

#include <cstdio>
#include <optional>
#include <string>

namespace vantora::platform {

// The value of the environment variable `name`, or nothing when unset.
std::optional<std::string> EnvironmentValue(const char* name);

// Whether `stream` is connected to a terminal.
bool IsTerminal(std::FILE* stream);

// Shows `prompt` on the terminal and reads one line without echo. False
// when there is no terminal to ask or the input ended.
bool ReadSecret(const std::string& prompt, std::string* secret);

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_CONSOLE_H_
