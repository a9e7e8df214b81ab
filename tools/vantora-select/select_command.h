// vantora-select: tries the selection library from the command line. It
// opens a session with the settings of MV400.INI, runs one selection
// request for a library and prints the chosen entries, one "LIBRARY/NAME"
// a line ("LIBRARY" alone when the dialog was confirmed with nothing
// chosen). With --hidden nothing is shown and every entry is printed;
// otherwise the dialog needs a display.
#ifndef VANTORA_TOOLS_VANTORA_SELECT_SELECT_COMMAND_H_
#define VANTORA_TOOLS_VANTORA_SELECT_SELECT_COMMAND_H_

#include <cstdio>
#include <string>

namespace vantora::select {

struct SelectOptions {
  std::string library;
  std::string type = "*FILE";  // "*FILE", "*PGM" or "*DTAQ"
  bool hidden = false;
  bool help = false;
};

// Exit statuses.
inline constexpr int kExitChosen = 0;
inline constexpr int kExitNotChosen = 1;  // cancelled, or the request failed
inline constexpr int kExitUsage = 2;

// Reads the arguments after the program name. Answers false with the reason
// in `error` for an unknown option, a missing or unsupported value, or a
// missing library.
bool ParseArguments(int argc, const char* const* argv, SelectOptions* options, std::string* error);
void PrintUsage(std::FILE* to);

// The selection mode of VNXChoixLibFichierSetPgmMode for an object type, or
// -1 for a type the tool does not offer.
int SelectionModeOf(const std::string& type);

// Opens the session, runs the request, prints the entries to `out` and
// progress and failures to `err`, ends the session. Answers the exit status.
int RunSelection(const SelectOptions& options, std::FILE* out, std::FILE* err);

}  // namespace vantora::select

#endif  // VANTORA_TOOLS_VANTORA_SELECT_SELECT_COMMAND_H_
