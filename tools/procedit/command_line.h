// procedit's command-line mode: the dialogs' steps without a screen, for
// scripts and tests. Every action opens a session, opens the catalogue
// files through the main dialog's model, acts through the same models and
// writes as the dialogs do, then frees the session and terminates the
// client library.
//
//   procedit --list                     the declared procedures
//   procedit --show NAME                one procedure and its field rows
//   procedit --export NAME              one procedure as JSON (procedure_json.h)
//   procedit --define FILE [--replace]  creates the procedure of FILE ("-":
//                                       standard input); --replace answers
//                                       Yes to the overwrite question
//   procedit --remove NAME              removes a procedure (the question is
//                                       answered Yes)
//   --library LIB                       CHGCURLIB LIB first: LIB's catalogue
//                                       is the one used (also for the
//                                       dialogs, without an action)
//
// Exit codes: 0 done, 1 a step failed (the message says which), 2 the
// command line is wrong.
#ifndef VANTORA_TOOLS_PROCEDIT_COMMAND_LINE_H_
#define VANTORA_TOOLS_PROCEDIT_COMMAND_LINE_H_

#include <ostream>
#include <string>
#include <vector>

namespace vantora::procedit {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

enum class Action { kDialog, kHelp, kList, kShow, kExport, kDefine, kRemove };

struct CommandLineOptions {
  Action action = Action::kDialog;
  std::string argument;  // NAME or FILE
  std::string library;   // empty: the job's own library list
  bool replace = false;
};

// Parses the arguments (without the program name). False with `error` for
// a wrong command line.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLineOptions* options,
                      std::string* error);

// The text of --help.
const char* CommandLineHelp();

// Runs a command-line action (not kDialog); output to `out`, messages to
// `err`. `input` is read for --define -.
int RunCommandLine(const CommandLineOptions& options, std::istream& input, std::ostream& out,
                   std::ostream& err);

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_COMMAND_LINE_H_
