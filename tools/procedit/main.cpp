// procedit: declares the host's programs and data queues as stored
// procedures. Without options it runs its dialogs; with an action it runs
// the same steps from the command line (command_line.h).
#include <iostream>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "tools/procedit/command_line.h"

#ifdef VANTORA_WITH_QT
int RunProceditDialogs(int argc, char** argv, const std::string& library);
#endif

int main(int argc, char** argv) {
  using namespace vantora::procedit;
  std::vector<std::string> args(argv + 1, argv + argc);
  CommandLineOptions options;
  std::string error;
  if (!ParseCommandLine(args, &options, &error)) {
    std::cerr << "procedit: " << error << "\n" << CommandLineHelp();
    return kExitUsage;
  }
  if (options.action == Action::kHelp) {
    std::cout << CommandLineHelp();
    return kExitOk;
  }
  if (const std::string problem = vantora::platform::NamedProfileProblem(); !problem.empty()) {
    std::cerr << "procedit: " << problem << " (unset MV400_INI or make the file)\n";
    return kExitFailed;
  }
  if (options.action != Action::kDialog) {
    return RunCommandLine(options, std::cin, std::cout, std::cerr);
  }
#ifdef VANTORA_WITH_QT
  return RunProceditDialogs(argc, argv, options.library);
#else
  std::cerr << "procedit: built without its dialogs; use an action\n" << CommandLineHelp();
  return kExitUsage;
#endif
}
