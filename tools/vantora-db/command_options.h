// The options of a shell command, read with CLI11.
#ifndef VANTORA_TOOLS_VANTORA_DB_COMMAND_OPTIONS_H_
#define VANTORA_TOOLS_VANTORA_DB_COMMAND_OPTIONS_H_

#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace vantora::db {

// Parses `args` (the command's words after its name) with `app`; false, with
// the message printed on the stream `err` answers, when they do not fit or when help was asked for
// (then
// `*helpShown` is set).
bool ParseOptions(CLI::App& app, const std::vector<std::string>& args, std::FILE* out,
                  const std::function<std::FILE*()>& err, bool* helpShown);

}  // namespace vantora::db

#endif  // VANTORA_TOOLS_VANTORA_DB_COMMAND_OPTIONS_H_
