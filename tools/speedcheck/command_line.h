// speedcheck's command-line mode: the dialog's steps run in order for a
// scripted benchmark, printing the timings, the records of the last block
// and the errors.
#ifndef VANTORA_TOOLS_SPEEDCHECK_COMMAND_LINE_H_
#define VANTORA_TOOLS_SPEEDCHECK_COMMAND_LINE_H_

#include <cstdio>
#include <string>

namespace vantora::speedcheck {

struct CommandLineOptions {
  std::string file;
  std::string records = "0";
  bool noCache = false;
  bool json = false;
  bool quiet = false;  // no records list, no progress
};

// Connects, opens, reads and ends. Returns the process exit status: 0 on
// success, 1 when a step failed (its message is on standard error).
int RunCommandLine(const CommandLineOptions& options, std::FILE* out);

}  // namespace vantora::speedcheck

#endif  // VANTORA_TOOLS_SPEEDCHECK_COMMAND_LINE_H_
