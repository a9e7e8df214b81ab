// vtsetup: edits the connection settings in MV400.INI, tests the connection
// and empties the driver's index dictionary. Without options it opens the
// dialog; with options it works from the command line (command_line.h).
#include <cstdio>

#include "tools/vtsetup/command_line.h"

#ifdef VANTORA_WITH_QT
int RunSetupDialog(int argc, char** argv);
#endif

int main(int argc, char** argv) {
  vantora::vtsetup::CommandLineOptions options;
  bool helpShown = false;
  int status = vantora::vtsetup::ParseCommandLine(argc, argv, &options, &helpShown, stdout, stderr);
  if (status == -1) {
#ifdef VANTORA_WITH_QT
    return RunSetupDialog(argc, argv);
#else
    std::fprintf(stderr, "vtsetup: built without its dialog; see vtsetup --help\n");
    return 2;
#endif
  }
  if (status != 0 || helpShown) return status;
  return vantora::vtsetup::RunCommandLine(options, stdout, stderr);
}
