#include "tools/vantora-select/select_command.h"

#include <cctype>

#include "mv432ida.h"
#include "mv432slf.h"
#include "platform/profile.h"

namespace vantora::select {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trimmed(const char* field) {
  std::string s(field, 10);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// The client library's last failure in words, after ": "; empty without one.
std::string Explanation() {
  char text[1024] = {};
  return VNXErrorText(text, sizeof text) > 0 ? ": " + std::string(text) : std::string();
}

}  // namespace

void PrintUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: vantora-select LIBRARY [--type *FILE|*PGM|*DTAQ] [--hidden]\n"
               "\n"
               "Lists the files (physical and logical), programs or data queues of LIBRARY\n"
               "on the host named by the settings file (MV400.INI), lets you choose in the\n"
               "selection dialog and prints the chosen entries, one LIBRARY/NAME a line.\n"
               "Exits 0 when something was chosen, 1 when the selection was cancelled or\n"
               "failed (the reason is on standard error), 2 for a wrong command line.\n"
               "\n"
               "  --type TYPE   *FILE (the default), *PGM or *DTAQ\n"
               "  --hidden      show nothing and print every entry (physical files only\n"
               "                for *FILE); needs no display\n"
               "  --help        this text\n");
}

int SelectionModeOf(const std::string& type) {
  if (type == "*FILE") return 0;
  if (type == "*PGM") return 1;
  if (type == "*DTAQ") return 2;
  return -1;
}

bool ParseArguments(int argc, const char* const* argv, SelectOptions* options, std::string* error) {
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (arg == "--hidden") {
      options->hidden = true;
    } else if (arg == "--type") {
      if (i + 1 >= argc) {
        *error = "--type needs a value";
        return false;
      }
      options->type = Upper(argv[++i]);
      if (SelectionModeOf(options->type) < 0) {
        *error = "object type " + options->type + " is not supported (*FILE, *PGM or *DTAQ)";
        return false;
      }
    } else if (arg.starts_with("-")) {
      *error = "unknown option " + arg;
      return false;
    } else if (options->library.empty()) {
      options->library = arg;
    } else {
      *error = "one library only, not also " + arg;
      return false;
    }
  }
  if (!options->help && options->library.empty()) {
    *error = "a library is needed";
    return false;
  }
  return true;
}

int RunSelection(const SelectOptions& options, std::FILE* out, std::FILE* err) {
  if (const std::string problem = platform::NamedProfileProblem(); !problem.empty()) {
    std::fprintf(err, "vantora-select: %s\n", problem.c_str());
    return kExitNotChosen;
  }
  const int32_t session = StartSession();
  if (session != VNX_OK) {
    std::fprintf(err, "vantora-select: the session could not be opened (%d)%s\n", session,
                 Explanation().c_str());
    VNXTerminate();
    return kExitNotChosen;
  }
  std::fprintf(err, "vantora-select: listing %s of %s...\n", options.type.c_str(),
               options.library.c_str());
  VNXChoixLibFichierSetPgmMode(SelectionModeOf(options.type));
  if (options.hidden) VNXChoixLibFichierHideDialog();
  const int32_t result = VNXChoixLibFichier(options.library.c_str());
  int status = kExitNotChosen;
  if (result == 1) {
    char library[10];
    char name[10];
    int32_t scratch = 0;
    int printed = 0;
    while (VNXChoixLibFichierData(library, name, &scratch) == 1) {
      const std::string lib = Trimmed(library);
      const std::string object = Trimmed(name);
      std::fprintf(out, "%s%s%s\n", lib.c_str(), object.empty() ? "" : "/", object.c_str());
      ++printed;
    }
    std::fprintf(err, "vantora-select: %d %s\n", printed, printed == 1 ? "entry" : "entries");
    status = kExitChosen;
  } else if (result == 2) {
    std::fprintf(err, "vantora-select: the selection was cancelled or could not be made\n");
  } else {
    std::fprintf(err, "vantora-select: the selection failed (%d)%s\n", result,
                 Explanation().c_str());
  }
  FreeSession();
  VNXTerminate();
  return status;
}

}  // namespace vantora::select
