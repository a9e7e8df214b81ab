// vtsetup's command line, for scripts and for machines without a display:
//
//   vtsetup --show
//   vtsetup --set SECTION/KEY=VALUE ... [--unset SECTION/KEY ...] [--system]
//   vtsetup --test [--json]
//   vtsetup --clear-index-dictionary --yes
//
// Several may be given at once; they run in the order set, show, test,
// clear. The exit status is 0 when everything asked for worked, 1 when
// something failed (a refused value, a failed test), 2 for a usage error.
#ifndef VANTORA_TOOLS_VTSETUP_COMMAND_LINE_H_
#define VANTORA_TOOLS_VTSETUP_COMMAND_LINE_H_

#include <cstdio>
#include <string>
#include <vector>

namespace vantora::vtsetup {

struct CommandLineOptions {
  bool show = false;
  std::vector<std::string> set;    // SECTION/KEY=VALUE
  std::vector<std::string> unset;  // SECTION/KEY
  bool systemWide = false;         // write /etc/vantora/MV400.INI ($MV400_INI unset)
  bool test = false;
  bool json = false;
  bool clearIndexDictionary = false;
  bool yes = false;
};

// Parses the arguments. Returns -1 when the dialog should open (no
// arguments), else an exit status: 0 to go on with `options` filled
// (`helpShown` tells that --help was answered and nothing else is to be
// done), 2 after a usage error (written to `err`).
int ParseCommandLine(int argc, char** argv, CommandLineOptions* options, bool* helpShown,
                     std::FILE* out, std::FILE* err);

// Runs what `options` ask for. Returns the exit status.
int RunCommandLine(const CommandLineOptions& options, std::FILE* out, std::FILE* err);

}  // namespace vantora::vtsetup

#endif  // VANTORA_TOOLS_VTSETUP_COMMAND_LINE_H_
