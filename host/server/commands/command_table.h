// The effects of the CL commands, by command name; each area of commands
// adds its own (job_commands.cpp, object_commands.cpp, file_commands.cpp,
// query_commands.cpp). Internal to the command runner.
#ifndef VANTORA_HOST_SERVER_COMMANDS_COMMAND_TABLE_H_
#define VANTORA_HOST_SERVER_COMMANDS_COMMAND_TABLE_H_

#include <map>
#include <string>
#include <string_view>

#include "host/cl/command_binding.h"
#include "host/server/commands/command_runner.h"

namespace vantora::host {

struct CommandContext {
  Storage& storage;
  Job& job;
};

using CommandEffect = CommandOutcome (*)(CommandContext&, const cl::BoundCommand&);
using CommandTable = std::map<std::string_view, CommandEffect>;

void AddJobCommands(CommandTable& table);
void AddObjectCommands(CommandTable& table);
void AddFileCommands(CommandTable& table);
void AddQueryCommands(CommandTable& table);

// Name resolution shared by the commands. A qualified-name value
// "LIB/NAME", "*LIBL/NAME", "*CURLIB/NAME" or "NAME":
// - an existing file: *LIBL (or none) searches the job's libraries;
//   errors kFileNotFound, kLibraryNotFound;
Status ResolveExistingFile(CommandContext& c, const std::string& value, ObjectName* out);
// - a new object: *CURLIB (or none, or *LIBL) is the current library.
Status NewObjectName(CommandContext& c, const std::string& value, ObjectName* out);
// - an existing object of `type` other than a file.
Status ResolveExistingObject(CommandContext& c, const std::string& value, std::string_view type,
                             ObjectName* out);
// Ok when `library` is there; kLibraryNotFound, or the error of reading the
// catalogue (a failed read is never taken for "not found").
Status RequireLibrary(CommandContext& c, const std::string& library);
// The text of a TEXT parameter ("" for *BLANK and other special values).
std::string TextValue(const cl::BoundCommand& command, std::string_view keyword);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_COMMANDS_COMMAND_TABLE_H_
